// Pair transmission test on the window: two copies of the tool, one sending a block and
// judging what comes back, the other judging what arrives and sending it back. The core's
// PairTest runs the test; this file sets it up from the page and shows what it does.
#include "Unit1.h"

#include "UiServices.h"
#include "core/protocol/HexText.h"
#include "core/protocol/TextCodec.h"
#include "texts/radiotests_texts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

using namespace RadioTestTexts;

namespace {

QString Caption(const TMsg& m)
{
    return QString::fromUtf8(GlobleVar::CaptionsInEnglish() ? m.en : m.cn);
}

} // namespace

// ---- start, stop, totals ------------------------------------------------------------------

void TForm1::SpeedButton17Click()
{
    SpeedButton16Click();
    const QString caption = SpeedButton17->text();
    // The German edition shows "SENDEN" until a role is chosen; it must start main-send too.
    const bool mainSend = caption == QString::fromUtf8(CaptionSend.cn) || caption == QLatin1String(CaptionSend.en)
        || caption == QLatin1String(CaptionSendGerman);
    const bool mainReceive =
        caption == QString::fromUtf8(CaptionReceive.cn) || caption == QLatin1String(CaptionReceive.en);
    if (!mainSend && !mainReceive)
        return;

    ApplyPairOptions();
    Session->setFrameGapOption(CheckBox2->isChecked(), SpinEdit2->value());
    Session->setReceivePeriod(SpinEdit3->value());
    Pair->resetForStart();
    for (QLineEdit* e : {Edit5, Edit6, Edit7, Edit8, Edit9})
        e->setText(QStringLiteral("0"));
    auto lockChoices = [this] {
        for (QRadioButton* r : {RadioButton3, RadioButton4, RadioButton15, RadioButton16})
            r->setEnabled(false);
    };

    if (mainReceive) {
        Pair->startReceiving();
        lockChoices();
        return;
    }
    if (Edit4->text().isEmpty()) {
        Warn(StartDataEmpty);
        FocusControl(Edit4);
        return;
    }
    // Pasted text can hold what the key filter keeps out; a tab would be read as a digit.
    if (RadioButton3->isChecked() && !IsHexText(Edit4->text(), false)) {
        Edit4->selectAll();
        Warn(PairNotHex);
        FocusControl(Edit4);
        return;
    }
    Pair->startSending(RadioButton3->isChecked() ? HexText::HexTextToBytes(Edit4->text())
                                                 : TextCodec::TextToBytes(Edit4->text()));
    lockChoices();
}

void TForm1::SpeedButton18Click()
{
    Pair->stop();
    SetPanel(2, Tr(PairStoppedText));
    SetPanel(1, Tr(ModeStopped));
    for (QRadioButton* r : {RadioButton3, RadioButton4, RadioButton15, RadioButton16})
        r->setEnabled(true);
}

void TForm1::SpeedButton16Click()
{
    Pair->zeroByteTotals();
    Label23->setText(QStringLiteral("0"));
    Label25->setText(QStringLiteral("0"));
}

void TForm1::ApplyPairOptions()
{
    if (!Pair)
        return;
    Pair->setRole(RadioButton16->isChecked() ? PairRole::MainReceive : PairRole::MainSend);
    Pair->setTimedSending(RadioButton2->isChecked());
    Pair->setTimedPeriod(SpinEdit1->value());
    Pair->setAppointedData(RadioButton14->isChecked(), TextCodec::TextToBytes(Edit11->text()));
    Pair->setEchoCorrection(CheckBox1->isChecked());
    Pair->setTurnaround(SpinEdit4->value());
}

// ---- what the test does, on the page -----------------------------------------------------

void TForm1::ShowPairCounters(const PairCounters& c)
{
    Edit5->setText(QString::number(c.sent));
    Edit6->setText(QString::number(c.received));
    Edit7->setText(QString::number(c.success));
    Edit8->setText(QString::number(c.error));
    // A rate of nothing sent has no meaning: the field keeps what it showed.
    if (c.sent != 0)
        Edit9->setText(Pair->successRate());
    Label23->setText(QString::number(c.txBytes));
    Label25->setText(QString::number(c.rxBytes));
}

void TForm1::ShowDataSent(const QByteArray& data, WorkState mode)
{
    switch (mode) {
    case WorkState::PairTest:
        SetPanel(1, Tr(Pair->role() == PairRole::MainSend ? ModeMainSend : ModeMainReceive));
        SetPanel(2, Tr(PairDataSent));
        break;
    case WorkState::PairTimed:
        SetPanel(1, Tr(ModeTimed));
        SetPanel(2, Tr(PairDataSent));
        break;
    default:
        SetPanel(1, Tr(ModeTerminal));
        SetPanel(2, Tr(TerminalDataSent));
        return;
    }
    const QString shown = RadioButton3->isChecked() ? HexText::BytesToHexText(data, true) : TextCodec::BytesToText(data);
    if (MemoLineCount(Memo1) > 1000)
        Memo1->clear();
    MemoAddLine(Memo1, shown);
    Edit4->setText(shown);
    Edit12->setText(QString::number(data.size()));
}

void TForm1::ShowPairFrame(const QByteArray& result, bool)
{
    if (MemoLineCount(Memo2) >= 1000)
        Memo2->clear();
    const QString shown =
        RadioButton3->isChecked() ? HexText::BytesToHexText(result, true) : TextCodec::BytesToText(result);
    MemoAddLine(Memo2, shown);
    Edit3->setText(shown);
    // Counted in bytes in both modes, as the sent length is.
    Edit13->setText(QString::number(result.size()));
}

// ---- options ------------------------------------------------------------------------------

void TForm1::RadioButton15Click()
{
    RadioButton2->setEnabled(true);
    // The period only means something for timed sending.
    SpinEdit1->setEnabled(RadioButton2->isChecked());
    SpeedButton17->setText(Caption(CaptionSend));
}

void TForm1::RadioButton16Click()
{
    // The receiving side only answers; it never sends on its own.
    RadioButton1->setChecked(true);
    RadioButton2->setEnabled(false);
    SpinEdit1->setEnabled(false);
    SpeedButton17->setText(Caption(CaptionReceive));
}

void TForm1::RadioButton13Click()
{
    GroupBox15->setEnabled(false);
    Edit11->setEnabled(false);
}

void TForm1::RadioButton14Click()
{
    GroupBox15->setEnabled(true);
    Edit11->setEnabled(true);
}

void TForm1::RadioButton1Click()
{
    // The period means nothing when each block waits for the previous one to come back.
    SpinEdit1->setEnabled(false);
}

void TForm1::RadioButton2Click()
{
    SpinEdit1->setEnabled(true);
    ApplyPairOptions();
}

void TForm1::SpinEdit1Change()
{
    ApplyPairOptions();
}

void TForm1::Memo1DblClick()
{
    Memo1->clear();
}

void TForm1::Memo2DblClick()
{
    Memo2->clear();
}

// ---- input checks -------------------------------------------------------------------------

void TForm1::RadioButton3Click()
{
    if (IsHexText(Edit4->text(), false))
        return;
    Edit4->selectAll();
    Warn(PairNotHex);
    RadioButton4->setChecked(true);
}

bool TForm1::Edit4KeyPress(QKeyEvent* e)
{
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (RadioButton3->isChecked()) {
        if (e->key() == Qt::Key_Backspace)
            return false;
        const QString t = e->text();
        // Keys that type nothing (arrows, Delete, Home) are left to the field.
        if (!enter && (t.isEmpty() || !t.at(0).isPrint()))
            return false;
        if (!enter && t.size() == 1 && IsHexText(t, false))
            return false;
        Warn(PairHexKeyOnly);
        return true;
    }
    if (enter && Edit4->cursorPosition() == Edit4->text().size()) {
        Edit4->setText(Edit4->text() + QStringLiteral("\r\n"));
        Edit4->setCursorPosition(Edit4->text().size());
        return true;
    }
    return false;
}
