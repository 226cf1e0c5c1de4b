// Pair transmission test.
// Not written yet: the handlers exist so the window links.
#include "app/Unit1.h"

void TForm1::SpeedButton17Click()
{
}

void TForm1::SpeedButton18Click()
{
}

void TForm1::SpeedButton16Click()
{
}

void TForm1::SendTestData(const QByteArray&, int)
{
}

void TForm1::ReceiveTestData(const QByteArray&, const QString&, bool, int)
{
}

void TForm1::JudgeReceivedData(bool, const QByteArray&, const QByteArray&)
{
}

QString TForm1::SuccessRateText() const
{
    return QString();
}

void TForm1::Timer3Timer()
{
}

void TForm1::RadioButton15Click()
{
}

void TForm1::RadioButton16Click()
{
}

void TForm1::RadioButton13Click()
{
}

void TForm1::RadioButton14Click()
{
}

void TForm1::RadioButton1Click()
{
}

void TForm1::RadioButton2Click()
{
}

void TForm1::RadioButton3Click()
{
}

void TForm1::SpinEdit1Change()
{
}

void TForm1::Memo1DblClick()
{
}

void TForm1::Memo2DblClick()
{
}

bool TForm1::Edit4KeyPress(QKeyEvent*)
{
    return false;
}
