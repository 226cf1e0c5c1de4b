// Transmit test mode.
// Not written yet: the handlers exist so the window links.
#include "app/Unit1.h"

void TForm1::SpeedButton14Click()
{
}

void TForm1::SpeedButton15Click()
{
}

void TForm1::DecodeTestStart(const QString&, bool)
{
}

void TForm1::DecodeTestEnd(const QString&, bool)
{
}
