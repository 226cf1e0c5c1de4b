// The pair-test page: start and stop, what a received frame does to counters, logs and
// texts, the input checks, with the built-in simulated module (no peer) as the port.
#include "support/TestWindow.h"

#include "app/GlobleVar.h"
#include "app/Unit1.h"
#include "core/link/PComm.h"
#include "core/link/SimulatedPorts.h"
#include "app/texts/radiotests_texts.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

using namespace RadioTestTexts;

namespace {
// COM1 at 9600 8N1, as the simulated module is set.
const QByteArray kConfig = "[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\n[Ports]\r\nCOM1=sim\r\n";

void Receive(TForm1* f, const QByteArray& data, int state = -1)
{
    f->ReceiveTestData(data, TCommFun::BytesToHexText(data, true), f->PairStopped, state < 0 ? f->WorkState : state);
}

void FillMemo(QPlainTextEdit* m, int lines)
{
    QStringList l;
    for (int i = 0; i < lines; ++i)
        l << QString::number(i);
    m->setPlainText(l.join(QLatin1Char('\n')));
}
} // namespace

class PairWindowTest : public QObject {
    Q_OBJECT
private slots:
    // Every test starts with a fresh module behind COM1; the window left the port open.
    void init()
    {
        sio_close(1);
        SimulatedPorts::reset();
    }

    void mainSendStartSendsAndShowsTheBlock()
    {
        TestWindow w(kConfig);
        TForm1* f = w.form;
        w.ui.fakeClock = true;
        f->Label23->setText("99");
        f->Edit4->setText("0123456789");
        f->SpeedButton17Click();
        QCOMPARE(int(f->State()), 3);
        QCOMPARE(f->LastSentData, QByteArray("0123456789"));
        QCOMPARE(f->Edit5->text(), QStringLiteral("1"));
        QCOMPARE(f->Edit6->text(), QStringLiteral("0"));
        QCOMPARE(f->Edit12->text(), QStringLiteral("10"));
        QCOMPARE(f->Label23->text(), QStringLiteral("10"));
        QCOMPARE(f->Label25->text(), QStringLiteral("0"));
        QCOMPARE(f->Edit9->text(), QStringLiteral("0.00%"));
        QCOMPARE(f->PanelText(1), Cn(ModeMainSend));
        QCOMPARE(f->PanelText(2), Cn(PairDataSent));
        QCOMPARE(f->Memo1->toPlainText(), QStringLiteral("0123456789"));
        QCOMPARE(f->Timer1->interval(), f->SpinEdit3->value());
        // Choices that would change the meaning of the running test are locked.
        QVERIFY(!f->RadioButton3->isEnabled());
        QVERIFY(!f->RadioButton16->isEnabled());

        // The echo comes back cut to 7 bytes with its ends intact: repaired and counted good,
        // and the same block goes out again after the conversion pause.
        w.ui.sleeps.clear();
        Receive(f, "0125679");
        QCOMPARE(f->Edit6->text(), QStringLiteral("1"));
        QCOMPARE(f->Edit7->text(), QStringLiteral("1"));
        QCOMPARE(f->Edit8->text(), QStringLiteral("0"));
        QCOMPARE(f->Edit3->text(), QStringLiteral("0123456789"));
        QCOMPARE(f->Edit13->text(), QStringLiteral("10"));
        QCOMPARE(f->Label25->text(), QStringLiteral("10"));
        QCOMPARE(w.ui.sleeps, QList<int>{f->SpinEdit4->value()});
        QCOMPARE(f->Edit5->text(), QStringLiteral("2"));
        QCOMPARE(f->Edit9->text(), QStringLiteral("50.00%"));
        QCOMPARE(f->Label23->text(), QStringLiteral("20"));

        // A frame too damaged to repair is wrong and shown as it came.
        Receive(f, "xyz");
        QCOMPARE(f->Edit8->text(), QStringLiteral("1"));
        QCOMPARE(f->Edit3->text(), QStringLiteral("xyz"));
        QCOMPARE(f->Edit13->text(), QStringLiteral("3"));
        QCOMPARE(f->Label25->text(), QStringLiteral("13"));
        QVERIFY(f->LastGoodData.isEmpty());
        QCOMPARE(f->Edit9->text(), QStringLiteral("33.33%"));
        QCOMPARE(f->Memo2->toPlainText(), QStringLiteral("0123456789\nxyz"));

        f->SpeedButton18Click();
        QCOMPARE(int(f->State()), 0);
        QCOMPARE(f->PanelText(2), Cn(PairStoppedText));
        QCOMPARE(f->PanelText(1), Cn(ModeStopped));
        QVERIFY(f->RadioButton3->isEnabled());
        QVERIFY(f->RadioButton16->isEnabled());
        // Counters and logs stay.
        QCOMPARE(f->Edit5->text(), QStringLiteral("3"));
        QCOMPARE(f->Memo1->blockCount(), 3);

        // A late frame is counted and judged but nothing is sent.
        Receive(f, "0123456789");
        QCOMPARE(f->Edit6->text(), QStringLiteral("3"));
        QCOMPARE(f->Edit7->text(), QStringLiteral("2"));
        QCOMPARE(f->Edit5->text(), QStringLiteral("3"));
        QCOMPARE(int(f->State()), 0);
    }

    void factoryEditionCountsTruncatedFramesWrong()
    {
        TestWindow w(kConfig);
        TForm1* f = w.form;
        w.ui.fakeClock = true;
        GlobleVar::TestEdition = true;
        f->Edit4->setText("0123456789");
        f->SpeedButton17Click();
        Receive(f, "0125679");
        QCOMPARE(f->Edit7->text(), QStringLiteral("0"));
        QCOMPARE(f->Edit8->text(), QStringLiteral("1"));
        QCOMPARE(f->Edit3->text(), QStringLiteral("0125679"));
        QCOMPARE(f->Label25->text(), QStringLiteral("7"));
    }

    void framesOutsideTheTestAreIgnored()
    {
        TestWindow w(kConfig);
        TForm1* f = w.form;
        // Idle without a stopped test, command mode, terminal: nothing counted.
        for (int state : {0, 1, 2, 5}) {
            Receive(f, "abc", state);
            QCOMPARE(f->ReceivedCount, 0);
        }
        QVERIFY(f->Edit6->text().isEmpty() || f->Edit6->text() == QStringLiteral("0"));
        QCOMPARE(f->Memo2->toPlainText(), QString());
    }

    void mainReceiveEchoesAndCountsTheFirstFrameGood()
    {
        TestWindow w(kConfig);
        TForm1* f = w.form;
        w.ui.fakeClock = true;
        f->RadioButton16->setChecked(true);
        f->RadioButton16Click();
        QCOMPARE(f->SpeedButton17->text(), Cn(CaptionReceive));
        QVERIFY(f->RadioButton1->isChecked());
        QVERIFY(!f->RadioButton2->isEnabled());
        f->SpeedButton17Click();
        QCOMPARE(int(f->State()), 3);
        QCOMPARE(f->SentCount, 0);
        QVERIFY(f->LastSentData.isEmpty());

        Receive(f, "hello");
        QCOMPARE(f->Edit7->text(), QStringLiteral("1"));
        QCOMPARE(f->Edit5->text(), QStringLiteral("1"));
        QCOMPARE(f->Edit9->text(), QStringLiteral("100.00%"));
        QCOMPARE(f->LastSentData, QByteArray("hello"));
        QCOMPARE(f->PanelText(1), Cn(ModeMainReceive));

        // Cut by two bytes: repaired from the last good block and echoed whole.
        Receive(f, "helo");
        QCOMPARE(f->Edit7->text(), QStringLiteral("2"));
        QCOMPARE(f->LastSentData, QByteArray("hello"));

        // After a wrong frame there is nothing good to repair with: echoed as it came,
        // although echo correction is ticked.
        QVERIFY(f->CheckBox1->isChecked());
        Receive(f, "world!");
        QCOMPARE(f->Edit8->text(), QStringLiteral("1"));
        QCOMPARE(f->LastSentData, QByteArray("world!"));
        Receive(f, "worl");
        QCOMPARE(f->Edit8->text(), QStringLiteral("2"));
        QCOMPARE(f->LastSentData, QByteArray("worl"));
        QCOMPARE(f->Edit5->text(), QStringLiteral("4"));
        QCOMPARE(f->Edit9->text(), QStringLiteral("50.00%"));
    }

    void emptyDataAndRefusedSends()
    {
        TestWindow w(kConfig);
        TForm1* f = w.form;
        f->Session->setWorkState(WorkState(1));
        f->Edit5->setText("7");
        f->SpeedButton17Click();
        QCOMPARE(w.ui.lastMessage(), Cn(StartDataEmpty));
        QCOMPARE(f->LastFocusRequest, static_cast<QWidget*>(f->Edit4));
        QCOMPARE(f->Edit5->text(), QStringLiteral("0"));
        QCOMPARE(int(f->State()), 1);

        // A timer tick with nothing sent yet stops the timer.
        f->Timer3->start(1000);
        f->RadioButton2->setChecked(true);
        f->LastSentData.clear();
        f->Timer3Timer();
        QVERIFY(!f->Timer3->isActive());
        QCOMPARE(w.ui.lastMessage(), Cn(SendDataEmpty));

        // HEX text that gives no byte.
        f->RadioButton3->setChecked(true);
        f->Edit4->setText("  ");
        f->SpeedButton17Click();
        QCOMPARE(w.ui.lastMessage(), Cn(SendDataEmpty));
    }

    void refusedFirstSendLeavesStateAndStopsTimedSending()
    {
        // No port dialog: the port was never opened, so every send is refused.
        TestWindow w(kConfig, false);
        TForm1* f = w.form;
        f->LastSentData = "old block";
        f->Edit4->setText("new");
        f->RadioButton2->setChecked(true);
        f->RadioButton2Click();
        f->SpeedButton17Click();
        QCOMPARE(int(f->State()), 1);
        QCOMPARE(f->SentCount, 0);
        QCOMPARE(f->Label23->text(), QStringLiteral("0"));
        QVERIFY(!w.ui.messages.isEmpty()); // the serial link's own message
        // The timer must not repeat the block of an earlier run.
        QVERIFY(!f->Timer3->isActive());
        QCOMPARE(f->LastSentData, QByteArray("old block"));
    }

    void germanStartCaptionStartsMainSend()
    {
        TestWindow w(kConfig);
        TForm1* f = w.form;
        f->SpeedButton17->setText(QString::fromLatin1(CaptionSendGerman));
        f->Edit4->setText("x");
        f->SpeedButton17Click();
        QCOMPARE(int(f->State()), 3);
        // Another caption starts nothing.
        f->SpeedButton18Click();
        f->SpeedButton17->setText("Start");
        f->SpeedButton17Click();
        QCOMPARE(int(f->State()), 0);
    }

    void hexModeShowsBytesAndLogsAreBounded()
    {
        TestWindow w(kConfig);
        TForm1* f = w.form;
        w.ui.fakeClock = true;
        f->RadioButton3->setChecked(true);
        f->Edit4->setText("41 42 0d0A");
        FillMemo(f->Memo1, 1001);
        f->SpeedButton17Click();
        QCOMPARE(f->LastSentData, QByteArray("AB\r\n"));
        QCOMPARE(f->Edit4->text(), QStringLiteral("41 42 0D 0A "));
        QCOMPARE(f->Edit12->text(), QStringLiteral("4"));
        // More than 1000 lines: emptied before the new line.
        QCOMPARE(f->Memo1->toPlainText(), QStringLiteral("41 42 0D 0A "));

        FillMemo(f->Memo2, 1001);
        Receive(f, QByteArray("AB\r\n"));
        QCOMPARE(f->Memo2->toPlainText(), QStringLiteral("41 42 0D 0A "));
        QCOMPARE(f->Edit3->text(), QStringLiteral("41 42 0D 0A "));
        QCOMPARE(f->Edit13->text(), QStringLiteral("4"));

        // Exactly 1000 lines are kept.
        f->RadioButton4->setChecked(true);
        FillMemo(f->Memo2, 1000);
        Receive(f, QByteArray("0123"));
        QCOMPARE(f->Memo2->blockCount(), 1001);
        // Bytes that are not UTF-8 are shown one character per byte, none lost.
        f->SpeedButton18Click();
        Receive(f, QByteArray("\xff\x80z", 3));
        QCOMPARE(f->Edit3->text(), QString::fromLatin1("\xff\x80z"));
        QCOMPARE(f->Edit13->text(), QStringLiteral("3"));
    }

    void successCountIsLoweredToSentCountOnTheNextSend()
    {
        TestWindow w(kConfig);
        TForm1* f = w.form;
        w.ui.fakeClock = true;
        f->RadioButton2->setChecked(true);
        f->RadioButton2Click();
        f->SpinEdit1->setValue(10000);
        f->Edit4->setText("blk");
        f->SpeedButton17Click();
        QCOMPARE(int(f->State()), 4);
        QVERIFY(f->Timer3->isActive());
        QCOMPARE(f->Timer3->interval(), 10000);
        // Late echoes of the same block: three good frames for one send, never answered.
        for (int i = 0; i < 3; ++i)
            Receive(f, "blk");
        QCOMPARE(f->Edit7->text(), QStringLiteral("3"));
        QCOMPARE(f->Edit5->text(), QStringLiteral("1"));
        QCOMPARE(f->Edit9->text(), QStringLiteral("300.00%"));
        QVERIFY(w.ui.sleeps.isEmpty());
        f->Timer3Timer();
        QCOMPARE(f->Edit5->text(), QStringLiteral("2"));
        QCOMPARE(f->Edit7->text(), QStringLiteral("2"));
        QCOMPARE(f->Edit9->text(), QStringLiteral("100.00%"));
        QCOMPARE(f->PanelText(1), Cn(ModeTimed));
        f->SpinEdit1Change();
        f->SpinEdit1->setValue(200);
        QCOMPARE(f->Timer3->interval(), 200);
        f->SpeedButton18Click();
        QVERIFY(!f->Timer3->isActive());
    }

    // Hours at a high rate pass 2^31 bytes and frames: the counters go on counting.
    void countersPassTwoThousandMillion()
    {
        TestWindow w(kConfig);
        TForm1* f = w.form;
        w.ui.fakeClock = true;
        f->Edit4->setText("blk");
        f->SpeedButton17Click();
        f->SentCount = f->SuccessCount = f->ReceivedCount = 2147483647;
        f->TxByteTotal = f->RxByteTotal = 2147483646;
        Receive(f, "blk"); // judged good, and sent again after return
        QCOMPARE(f->Edit6->text(), QStringLiteral("2147483648"));
        QCOMPARE(f->Edit7->text(), QStringLiteral("2147483648"));
        QCOMPARE(f->Edit5->text(), QStringLiteral("2147483648"));
        QCOMPARE(f->Label25->text(), QStringLiteral("2147483649"));
        QCOMPARE(f->Label23->text(), QStringLiteral("2147483649"));
        QCOMPARE(f->Edit9->text(), QStringLiteral("100.00%"));
    }

    void appointedDataIsComparedWithTheTypedText()
    {
        TestWindow w(kConfig);
        TForm1* f = w.form;
        w.ui.fakeClock = true;
        f->RadioButton14->setChecked(true);
        f->RadioButton14Click();
        QVERIFY(f->Edit11->isEnabled());
        f->Edit11->setText("41 42");
        f->RadioButton3->setChecked(true);
        f->Edit4->setText("41 42");
        f->SpeedButton17Click();
        // The raw bytes "AB" are not the typed text "41 42".
        Receive(f, "AB");
        QCOMPARE(f->Edit8->text(), QStringLiteral("1"));
        Receive(f, "41 42");
        QCOMPARE(f->Edit7->text(), QStringLiteral("1"));
        f->RadioButton13->setChecked(true);
        f->RadioButton13Click();
        QVERIFY(!f->Edit11->isEnabled());
    }

    void clearingTotalsAndLogs()
    {
        TestWindow w(kConfig);
        TForm1* f = w.form;
        f->TxByteTotal = 5;
        f->RxByteTotal = 6;
        f->Label23->setText("5");
        f->SpeedButton16Click();
        QCOMPARE(f->TxByteTotal + f->RxByteTotal, 0);
        QCOMPARE(f->Label23->text(), QStringLiteral("0"));
        QCOMPARE(f->Label25->text(), QStringLiteral("0"));
        FillMemo(f->Memo1, 3);
        FillMemo(f->Memo2, 3);
        QTest::mouseDClick(f->Memo1->viewport(), Qt::LeftButton);
        QVERIFY(f->Memo1->toPlainText().isEmpty());
        QVERIFY(!f->Memo2->toPlainText().isEmpty());
        QTest::mouseDClick(f->Memo2->viewport(), Qt::LeftButton);
        QVERIFY(f->Memo2->toPlainText().isEmpty());
    }

    void sendFieldKeyChecks()
    {
        TestWindow w(kConfig);
        TForm1* f = w.form;
        // ASCII: Enter at the end adds CR LF; in the middle it adds nothing.
        QTest::keyClicks(f->Edit4, "ab");
        QTest::keyClick(f->Edit4, Qt::Key_Return);
        QCOMPARE(f->Edit4->text(), QStringLiteral("ab\r\n"));
        QCOMPARE(f->Edit4->cursorPosition(), 4);
        f->Edit4->setCursorPosition(1);
        QTest::keyClick(f->Edit4, Qt::Key_Return);
        QCOMPARE(f->Edit4->text(), QStringLiteral("ab\r\n"));
        QVERIFY(w.ui.messages.isEmpty());
        // The CR LF goes out as typed.
        w.ui.fakeClock = true;
        f->SpeedButton17Click();
        QCOMPARE(f->LastSentData, QByteArray("ab\r\n"));
        f->SpeedButton18Click();

        // HEX: hex digits, space and backspace pass; anything else is dropped with a warning.
        f->RadioButton3->setChecked(true);
        f->Edit4->clear();
        QTest::keyClicks(f->Edit4, "0a F");
        QTest::keyClick(f->Edit4, Qt::Key_Backspace);
        QCOMPARE(f->Edit4->text(), QStringLiteral("0a "));
        QVERIFY(w.ui.messages.isEmpty());
        QTest::keyClick(f->Edit4, Qt::Key_G);
        QCOMPARE(f->Edit4->text(), QStringLiteral("0a "));
        QCOMPARE(w.ui.messages, QStringList() << Cn(PairHexKeyOnly));
        // Moving the caret is no typing.
        QTest::keyClick(f->Edit4, Qt::Key_Left);
        QCOMPARE(w.ui.messages.size(), 1);
    }

    void pastedNonHexTextIsNotSent()
    {
        TestWindow w(kConfig);
        TForm1* f = w.form;
        f->RadioButton3->setChecked(true);
        f->Edit4->setText("41\t42");
        f->SpeedButton17Click();
        QCOMPARE(w.ui.lastMessage(), Cn(PairNotHex));
        QCOMPARE(f->SentCount, 0);
        QVERIFY(f->LastSentData.isEmpty());
        QCOMPARE(int(f->State()), 1);
    }

    void choosingHexChecksTheText()
    {
        TestWindow w(kConfig);
        TForm1* f = w.form;
        f->Edit4->setText("41 4G");
        f->RadioButton3->setChecked(true);
        f->RadioButton3Click();
        QCOMPARE(w.ui.lastMessage(), Cn(PairNotHex));
        QVERIFY(f->RadioButton4->isChecked());
        QCOMPARE(f->Edit4->selectedText(), QStringLiteral("41 4G"));
        w.ui.clear();
        f->Edit4->setText("41 4f");
        f->RadioButton3->setChecked(true);
        f->RadioButton3Click();
        QVERIFY(w.ui.messages.isEmpty());
        QVERIFY(f->RadioButton3->isChecked());
    }

    void englishTexts()
    {
        TestWindow w("[Ver]\r\nCEO=EN\r\n" + kConfig);
        TForm1* f = w.form;
        f->RadioButton16->setChecked(true);
        f->RadioButton16Click();
        QCOMPARE(f->SpeedButton17->text(), QStringLiteral("Receive"));
        f->RadioButton15->setChecked(true);
        f->RadioButton15Click();
        QCOMPARE(f->SpeedButton17->text(), QStringLiteral("Send"));
        // still sending after return: the period stays off until timed sending is chosen
        QVERIFY(!f->SpinEdit1->isEnabled());
        f->RadioButton2->setChecked(true);
        f->RadioButton2Click();
        f->RadioButton16Click();
        f->RadioButton15Click();
        QVERIFY(!f->SpinEdit1->isEnabled()); // receiving chose send-after-return again
        f->RadioButton2->setChecked(true);
        f->RadioButton15Click();
        QVERIFY(f->SpinEdit1->isEnabled());
        f->SpeedButton17Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("Data is NULL!"));
        f->SpeedButton18Click();
        QCOMPARE(f->PanelText(2), QString::fromUtf8("Transmit Both Sides is stopped！"));
        QCOMPARE(f->PanelText(1), QString::fromUtf8("Work mode：Stop work"));
    }
};

QTEST_MAIN(PairWindowTest)
#include "tst_pair_window.moc"
