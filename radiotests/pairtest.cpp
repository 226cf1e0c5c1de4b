// Pair transmission test: two copies of the tool, one sending a block and judging what
// comes back, the other judging what arrives and sending it back.
#include "app/Unit1.h"

#include "app/UiServices.h"
#include "pairjudge.h"
#include "radiotests_texts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

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

    auto resetCounters = [this] {
        SentCount = ReceivedCount = SuccessCount = ErrorCount = 0;
        for (QLineEdit* e : {Edit5, Edit6, Edit7, Edit8, Edit9})
            e->setText(QStringLiteral("0"));
        LastGoodData.clear();
    };
    auto lockChoices = [this](bool locked) {
        for (QRadioButton* r : {RadioButton3, RadioButton4, RadioButton15, RadioButton16})
            r->setEnabled(!locked);
    };

    if (mainSend) {
        FrameGap = SpinEdit2->value();
        Timer1->setInterval(SpinEdit3->value());
        PairStopped = false;
        resetCounters();
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
        ResendBlocked = false;
        const bool timed = RadioButton2->isChecked();
        if (timed) {
            Timer3->setInterval(SpinEdit1->value());
            Timer3->start();
        }
        const QByteArray data = RadioButton3->isChecked() ? TCommFun::HexTextToBytes(Edit4->text())
                                                          : GlobleVar::TextToBytes(Edit4->text());
        const qint64 sentBefore = SentCount;
        SendTestData(data, RadioButton1->isChecked() ? 3 : 4);
        // A first block that did not go out must not let the timer repeat an older one.
        if (timed && SentCount == sentBefore)
            Timer3->stop();
        lockChoices(true);
    } else {
        WorkState = 3;
        Timer1->setInterval(SpinEdit3->value());
        PairStopped = false;
        ResendBlocked = false;
        resetCounters();
        FirstFrameSeen = false;
        lockChoices(true);
    }
}

void TForm1::SpeedButton18Click()
{
    Timer3->stop();
    ResendBlocked = true;
    WorkState = 0;
    LastGoodData.clear();
    SetPanel(2, Tr(PairStoppedText));
    SetPanel(1, Tr(ModeStopped));
    PairStopped = true;
    for (QRadioButton* r : {RadioButton3, RadioButton4, RadioButton15, RadioButton16})
        r->setEnabled(true);
}

void TForm1::SpeedButton16Click()
{
    TxByteTotal = 0;
    RxByteTotal = 0;
    Label23->setText(QStringLiteral("0"));
    Label25->setText(QStringLiteral("0"));
}

// ---- sending and receiving ------------------------------------------------------------------

void TForm1::SendTestData(const QByteArray& data, int mode)
{
    if (data.isEmpty()) {
        Timer3->stop();
        Warn(SendDataEmpty);
        return;
    }
    RxPaused = true;
    if (SendFrame(data)) {
        LastSentData = data;
        const bool pair = mode == 3 || mode == 4;
        if (pair) {
            TxByteTotal += data.size();
            Label23->setText(QString::number(TxByteTotal));
        }
        WorkState = mode;

        const bool hex = RadioButton3->isChecked();
        const QString shown = hex ? TCommFun::BytesToHexText(data, true) : GlobleVar::BytesToText(data);
        if (mode == 3) {
            SetPanel(1, Tr(RadioButton15->isChecked() ? ModeMainSend : ModeMainReceive));
            SetPanel(2, Tr(PairDataSent));
        } else if (mode == 4) {
            SetPanel(1, Tr(ModeTimed));
            SetPanel(2, Tr(PairDataSent));
        } else if (mode == 5) {
            SetPanel(1, Tr(ModeTerminal));
            SetPanel(2, Tr(TerminalDataSent));
        }
        if (pair) {
            if (MemoLineCount(Memo1) > 1000)
                Memo1->clear();
            MemoAddLine(Memo1, shown);
            Edit4->setText(shown);
            Edit12->setText(QString::number(data.size()));
            ++SentCount;
            Edit5->setText(QString::number(SentCount));
            // Late echoes of earlier blocks must not push the rate above 100 %.
            if (SuccessCount > SentCount) {
                SuccessCount = SentCount;
                Edit7->setText(QString::number(SuccessCount));
            }
            Edit9->setText(SuccessRateText());
        }
    }
    RxPaused = false;
}

void TForm1::ReceiveTestData(const QByteArray& receivedIn, const QString&, bool stopFlag, int state)
{
    if (state == 0) {
        // Only a frame that comes late after a stopped test is still counted.
        if (!stopFlag)
            return;
    } else if (state != 3 && state != 4) {
        return;
    }

    ++ReceivedCount;
    Edit6->setText(QString::number(ReceivedCount));

    const bool mainSend = RadioButton15->isChecked();
    QByteArray received = receivedIn;
    if (const auto corrected = PairJudge::CorrectReceivedData(GlobleVar::TestEdition, mainSend,
                                                              mainSend ? LastSentData : LastGoodData,
                                                              received, LastSentData, LastGoodData))
        received = *corrected;
    const QByteArray result = received;

    if (RadioButton3->isChecked()) {
        if (MemoLineCount(Memo2) > 1000)
            Memo2->clear();
        const QString hex = TCommFun::BytesToHexText(result, true);
        MemoAddLine(Memo2, hex);
        Edit3->setText(hex);
    } else {
        if (MemoLineCount(Memo2) > 1000)
            Memo2->clear();
        const QString text = GlobleVar::BytesToText(result);
        MemoAddLine(Memo2, text);
        Edit3->setText(text);
    }
    // Counted in bytes in both modes, as the sent length is.
    Edit13->setText(QString::number(result.size()));

    JudgeReceivedData(mainSend, LastSentData, result);

    RxByteTotal += received.size();
    Label25->setText(QString::number(RxByteTotal));

    if (SentCount != 0)
        Edit9->setText(SuccessRateText());

    if (RadioButton1->isChecked() && !ResendBlocked) {
        // The module needs time to turn from receiving to sending.
        Ui().sleepMs(SpinEdit4->value());
        if (mainSend) {
            SendTestData(LastSentData, 3);
        } else if (!LastGoodData.isEmpty() && CheckBox1->isChecked()) {
            SendTestData(ReceivedCount > 1 ? LastGoodData : received, 3);
        } else {
            SendTestData(received, 3);
        }
    }
}

void TForm1::JudgeReceivedData(bool mainSend, const QByteArray& reference, const QByteArray& result)
{
    const PairJudge::Judgement j =
        PairJudge::JudgeFrame(RadioButton14->isChecked(), GlobleVar::TextToBytes(Edit11->text()), mainSend,
                              reference, result, FirstFrameSeen);
    FirstFrameSeen = j.firstFrameSeen;
    if (j.correct) {
        ++SuccessCount;
        Edit7->setText(QString::number(SuccessCount));
        LastGoodData = result;
    } else {
        ++ErrorCount;
        Edit8->setText(QString::number(ErrorCount));
        LastGoodData.clear();
    }
}

QString TForm1::SuccessRateText() const
{
    return PairJudge::SuccessRate(SuccessCount, SentCount);
}

void TForm1::Timer3Timer()
{
    if (!RadioButton2->isChecked())
        return;
    // Paused while sending: a refused send shows a box, and the next tick must not send again
    // (and show another box) before the operator has seen it. A refused send ends the timed run.
    Timer3->stop();
    const qint64 sentBefore = SentCount;
    SendTestData(LastSentData, 4);
    if (SentCount != sentBefore && WorkState == 4)
        Timer3->start();
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
    Timer3->setInterval(SpinEdit1->value());
}

void TForm1::SpinEdit1Change()
{
    Timer3->setInterval(SpinEdit1->value());
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
