// Radio ID, transmit power, RSSI, power level and capacitance.
// Not written yet: the handlers exist so the window links.
#include "app/Unit1.h"

void TForm1::SpeedButton26Click()
{
}

void TForm1::SpeedButton27Click()
{
}

void TForm1::SpeedButton33Click()
{
}

void TForm1::Button1Click()
{
}

void TForm1::Button2Click()
{
}

void TForm1::SpeedButton40Click()
{
}

void TForm1::DecodeRadioIdSet(const QString&, bool)
{
}

void TForm1::DecodeRadioIdRead(const QString&, bool)
{
}

void TForm1::DecodeRssiRead(const QString&, bool)
{
}

void TForm1::DecodeLevelSet(const QString&, bool)
{
}

void TForm1::DecodePowerSet(const QString&, bool)
{
}

void TForm1::DecodeCapacitance(const QString&, bool)
{
}
