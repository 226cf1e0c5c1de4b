// Data terminal.
// Not written yet: the handlers exist so the window links.
#include "app/Unit1.h"

void TForm1::SpeedButton37Click()
{
}

void TForm1::CheckBox3Click()
{
}

void TForm1::Memo3DblClick()
{
}

void TForm1::Memo4DblClick()
{
}

bool TForm1::Memo3KeyPress(QChar)
{
    return false;
}
