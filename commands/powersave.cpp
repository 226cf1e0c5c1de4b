// Air protocol, power saving and wake-up.
// Not written yet: the handlers exist so the window links.
#include "app/Unit1.h"

void TForm1::SpeedButton22Click()
{
}

void TForm1::SpeedButton23Click()
{
}

void TForm1::SpeedButton11Click()
{
}

void TForm1::SpeedButton28Click()
{
}

void TForm1::SpeedButton29Click()
{
}

void TForm1::SpeedButton39Click()
{
}

void TForm1::ComboBox5Click()
{
}

void TForm1::DecodeProtocolSet(const QString&, bool)
{
}

void TForm1::DecodeProtocolRead(const QString&, bool)
{
}

void TForm1::DecodePowerModeSet(const QString&, bool)
{
}

void TForm1::DecodePowerModeRead(const QString&, bool)
{
}

void TForm1::DecodeWakeUp(const QString&, bool)
{
}

void TForm1::DecodeDutyCycleSet(const QString&, bool)
{
}
