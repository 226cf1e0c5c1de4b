// Data terminal: the module as a transparent radio modem. Received blocks are shown by the
// reception poll in work state 5; this file sends and switches the state.
#include "app/Unit1.h"

#include "app/UiServices.h"
#include "radiotests_texts.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextBlock>

using namespace RadioTestTexts;

void TForm1::SpeedButton37Click()
{
    if (Memo3->document()->isEmpty()) {
        Warn(TerminalDataEmpty);
        return;
    }
    // Pasted hex text is held to what the key filter lets through; line breaks separate pairs.
    if (RadioButton6->isChecked() && !IsHexText(Memo3->toPlainText(), true)) {
        Warn(TerminalHexKeyOnly);
        FocusControl(Memo3);
        return;
    }
    WorkState = 5;
    CheckBox3->setChecked(true);

    QStringList lines;
    for (QTextBlock b = Memo3->document()->begin(); b.isValid(); b = b.next())
        lines << b.text();
    QByteArray data;
    if (RadioButton5->isChecked()) {
        data = GlobleVar::TextToBytes(lines.join(QStringLiteral("\r\n")));
    } else {
        // Line breaks separate hex pairs like spaces; taken as digits they would add zeros.
        data = TCommFun::HexTextToBytes(lines.join(QLatin1Char(' ')));
    }
    SendTestData(data, 5);
}

void TForm1::CheckBox3Click()
{
    if (CheckBox3->isChecked()) {
        WorkState = 5;
        return;
    }
    if (WorkState != 5)
        return;
    if (AskYesNo(Tr(AskLeaveTerminal), this))
        WorkState = 0;
    else
        CheckBox3->setChecked(true);
}

void TForm1::Memo3DblClick()
{
    Memo3->clear();
}

void TForm1::Memo4DblClick()
{
    Memo4->clear();
}

bool TForm1::Memo3KeyPress(QChar key)
{
    if (!RadioButton6->isChecked())
        return false;
    if (key == QChar(8) || key == QLatin1Char(' ') || (key >= QLatin1Char('0') && key <= QLatin1Char('9'))
        || (key >= QLatin1Char('A') && key <= QLatin1Char('F')) || (key >= QLatin1Char('a') && key <= QLatin1Char('f')))
        return false;
    Warn(TerminalHexKeyOnly);
    return true;
}
