// Model rows, base frequencies and channel plans on the window.
// Not written yet: the handlers exist so the window links.
#include "app/Unit1.h"

void TForm1::FillModelLists()
{
}

void TForm1::ApplyModelRow()
{
}

void TForm1::ChangeBaseFrequency()
{
}

void TForm1::AdoptReportedModel(const QString&)
{
}

int TForm1::BaseFrequencyIndex(const QString&) const
{
    return -1;
}

void TForm1::SelectBaseFrequency(const QString&)
{
}

void TForm1::BuildChannelPlan(const QString&, const QString&)
{
}

void TForm1::ComboBox15Click()
{
}

void TForm1::ComboBox16Click()
{
}

void TForm1::ComboBox16Enter()
{
}

void TForm1::ComboBox4Click()
{
}

void TForm1::ComboBox4DropDown()
{
}

void TForm1::ComboBox1DropDown()
{
}

void TForm1::ComboBox2DropDown()
{
}

void TForm1::CheckBox5Click()
{
}
