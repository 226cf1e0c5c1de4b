// IO switch control over the ID protocol.
// Not written yet: the handlers exist so the window links.
#include "app/Unit1.h"

void TForm1::SpeedButton13Click()
{
}

void TForm1::SpeedButton12Click()
{
}

void TForm1::SpeedButton32Click()
{
}

void TForm1::DecodeIoSet(const QString&)
{
}

void TForm1::DecodeIoRead(const QString&)
{
}
