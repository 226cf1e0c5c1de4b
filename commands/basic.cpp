// Channel, air rate and serial settings.
// Not written yet: the handlers exist so the window links.
#include "app/Unit1.h"

void TForm1::SpeedButton2Click()
{
}

void TForm1::SpeedButton8Click()
{
}

void TForm1::SpeedButton4Click()
{
}

void TForm1::SpeedButton9Click()
{
}

void TForm1::SpeedButton5Click()
{
}

void TForm1::SpeedButton10Click()
{
}

void TForm1::DecodeSerialSet(const QString&, bool)
{
}

void TForm1::DecodeSerialRead(const QString&, bool)
{
}

void TForm1::DecodeAirRateSet(const QString&, bool)
{
}

void TForm1::DecodeAirRateRead(const QString&, bool)
{
}

void TForm1::DecodeChannelSet(const QString&, bool)
{
}

void TForm1::DecodeChannelRead(const QString&, bool)
{
}

bool TForm1::CheckModelSelection() const
{
    return false;
}

void TForm1::ApplyModuleSerialToPort(int, int)
{
}
