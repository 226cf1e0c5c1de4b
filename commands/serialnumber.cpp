// Factory serial number and parameter lock.
// Not written yet: the handlers exist so the window links.
#include "app/Unit1.h"

void TForm1::SpeedButton24Click()
{
}

void TForm1::SpeedButton25Click()
{
}

void TForm1::Edit2Exit()
{
}

void TForm1::SpinButton1UpClick()
{
}

void TForm1::SpinButton1DownClick()
{
}

void TForm1::CheckBox4Click()
{
}

void TForm1::DecodeSerialNumberSet(const QString&, bool)
{
}

void TForm1::DecodeSerialNumberRead(const QString&, bool)
{
}

bool TForm1::Edit2KeyPress(QChar)
{
    return false;
}

bool TForm1::Edit2KeyDown(int)
{
    return false;
}
