// Data terminal: the module as a transparent radio modem. The core's Terminal sends and hands
// over received blocks; this file takes the page's text and shows what comes.
#include "Unit1.h"

#include "UiServices.h"
#include "core/protocol/HexText.h"
#include "core/protocol/TextCodec.h"
#include "texts/radiotests_texts.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextBlock>
#include <QTime>

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
    Session->setWorkState(WorkState::Terminal);
    CheckBox3->setChecked(true);

    QStringList lines;
    for (QTextBlock b = Memo3->document()->begin(); b.isValid(); b = b.next())
        lines << b.text();
    QByteArray data;
    if (RadioButton5->isChecked()) {
        data = TextCodec::TextToBytes(lines.join(QStringLiteral("\r\n")));
    } else {
        // Line breaks separate hex pairs like spaces; taken as digits they would add zeros.
        data = HexText::HexTextToBytes(lines.join(QLatin1Char(' ')));
    }
    Term->send(data);
}

void TForm1::CheckBox3Click()
{
    if (CheckBox3->isChecked()) {
        Term->setReceiving(true);
        return;
    }
    if (!Term->isReceiving())
        return;
    if (AskYesNo(Tr(AskLeaveTerminal), this))
        Term->setReceiving(false);
    else
        CheckBox3->setChecked(true);
}

void TForm1::ShowTerminalBlock(const QByteArray& block)
{
    if (MemoLineCount(Memo4) >= 1000)
        Memo4->clear();
    QString line = TerminalHexAscii ? TextCodec::HexAndAscii(block)
        : RadioButton7->isChecked()  ? TextCodec::BytesToText(block)
                                     : HexText::BytesToHexText(block, false);
    if (TerminalTimestamps)
        line.prepend(QTime::currentTime().toString(QStringLiteral("[HH:mm:ss.zzz] ")));
    MemoAddLine(Memo4, line);
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
