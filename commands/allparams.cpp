// Read all, write all and the set-all chain.
// Not written yet: the handlers exist so the window links.
#include "app/Unit1.h"

void TForm1::SpeedButton3Click()
{
}

void TForm1::SpeedButton21Click()
{
}

void TForm1::SpeedButton19Click()
{
}

void TForm1::BitBtn1Click()
{
}

void TForm1::SpeedButton38Click()
{
}

void TForm1::Timer2Timer()
{
}

void TForm1::DecodeWriteAll(const QString&, bool)
{
}

void TForm1::DecodeReadAll(const QString&, bool)
{
}
