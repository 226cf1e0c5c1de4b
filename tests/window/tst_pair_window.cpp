// The pair-test page: start and stop, what the page shows of sent and received blocks and of
// the counters, its captions and input checks, with the built-in simulated module (no peer)
// as the port. How frames are counted and judged is the core's, tested there.
#include "support/TestWindow.h"

#include "app/Unit1.h"
#include "app/texts/app_texts.h"
#include "app/texts/radiotests_texts.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

using namespace RadioTestTexts;

namespace {
// COM1 at 9600 8N1, as the simulated module is set.
const QByteArray kConfig = "[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\n[Ports]\r\nCOM1=sim\r\n";

// The window on a clock of the test's own, so a block is handed over when the test says.
struct PairPage {
    explicit PairPage(const QByteArray& config = kConfig, bool portDialog = true) : w(config, portDialog)
    {
        f->Session->setClock(&clock);
    }
    // A block from the line, handed over once the line has been quiet long enough.
    void receive(const QByteArray& data)
    {
        f->Session->receiveBytes(data);
        clock.ms += 10000;
        f->Session->receiveNow();
    }
    bool waitSent(int count)
    {
        return TestWindow::waitFor([&] { return f->Edit5->text() == QString::number(count); }, 2000);
    }

    ManualClock clock; // outlives the window's session
    TestWindow w;
    TForm1* f = w.form;
};

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
    void mainSendShowsWhatGoesOutAndComesBack()
    {
        PairPage p;
        TForm1* f = p.f;
        f->Label23->setText("99");
        f->Edit4->setText("0123456789");
        f->SpeedButton17Click();
        QCOMPARE(f->State(), WorkState::PairTest);
        QCOMPARE(f->Session->receivePeriod(), f->SpinEdit3->value());
        QCOMPARE(f->Edit5->text(), QStringLiteral("1"));
        QCOMPARE(f->Edit6->text(), QStringLiteral("0"));
        QCOMPARE(f->Edit12->text(), QStringLiteral("10"));
        QCOMPARE(f->Label23->text(), QStringLiteral("10"));
        QCOMPARE(f->Label25->text(), QStringLiteral("0"));
        QCOMPARE(f->Edit9->text(), QStringLiteral("0.00%"));
        QCOMPARE(f->PanelText(1), Cn(ModeMainSend));
        QCOMPARE(f->PanelText(2), Cn(PairDataSent));
        QCOMPARE(f->Memo1->toPlainText(), QStringLiteral("0123456789"));
        // Choices that would change the meaning of the running test are locked.
        QVERIFY(!f->RadioButton3->isEnabled());
        QVERIFY(!f->RadioButton16->isEnabled());

        // The echo comes back cut: the page shows the repaired block, and the same block goes
        // out again after the turn-round pause.
        p.receive("0125679");
        QCOMPARE(f->PanelText(2), Tr(AppTexts::PairDataReceived));
        QCOMPARE(f->Edit6->text(), QStringLiteral("1"));
        QCOMPARE(f->Edit7->text(), QStringLiteral("1"));
        QCOMPARE(f->Edit8->text(), QStringLiteral("0"));
        QCOMPARE(f->Edit3->text(), QStringLiteral("0123456789"));
        QCOMPARE(f->Edit13->text(), QStringLiteral("10"));
        QCOMPARE(f->Label25->text(), QStringLiteral("10"));
        QVERIFY(p.waitSent(2));
        QCOMPARE(f->Edit9->text(), QStringLiteral("50.00%"));
        QCOMPARE(f->Label23->text(), QStringLiteral("20"));
        QCOMPARE(f->PanelText(2), Cn(PairDataSent));

        // A frame too damaged to repair is wrong and shown as it came.
        p.receive("xyz");
        QCOMPARE(f->Edit8->text(), QStringLiteral("1"));
        QCOMPARE(f->Edit3->text(), QStringLiteral("xyz"));
        QCOMPARE(f->Edit13->text(), QStringLiteral("3"));
        QCOMPARE(f->Label25->text(), QStringLiteral("13"));
        QCOMPARE(f->Memo2->toPlainText(), QStringLiteral("0123456789\nxyz"));
        QVERIFY(p.waitSent(3));
        QCOMPARE(f->Edit9->text(), QStringLiteral("33.33%"));

        f->SpeedButton18Click();
        QCOMPARE(f->State(), WorkState::Idle);
        QCOMPARE(f->PanelText(2), Cn(PairStoppedText));
        QCOMPARE(f->PanelText(1), Cn(ModeStopped));
        QVERIFY(f->RadioButton3->isEnabled());
        QVERIFY(f->RadioButton16->isEnabled());
        // Counters and logs stay.
        QCOMPARE(f->Edit5->text(), QStringLiteral("3"));
        QCOMPARE(f->Memo1->blockCount(), 3);
    }

    void mainReceiveCaptionAndEcho()
    {
        PairPage p;
        TForm1* f = p.f;
        f->RadioButton16->setChecked(true);
        f->RadioButton16Click();
        QCOMPARE(f->SpeedButton17->text(), Cn(CaptionReceive));
        QVERIFY(f->RadioButton1->isChecked());
        QVERIFY(!f->RadioButton2->isEnabled());
        f->SpeedButton17Click();
        QCOMPARE(f->State(), WorkState::PairTest);
        QCOMPARE(f->Edit5->text(), QStringLiteral("0"));
        QVERIFY(f->Memo1->toPlainText().isEmpty());

        p.receive("hello");
        QCOMPARE(f->Edit7->text(), QStringLiteral("1"));
        QVERIFY(p.waitSent(1));
        QCOMPARE(f->Edit9->text(), QStringLiteral("100.00%"));
        QCOMPARE(f->Memo1->toPlainText(), QStringLiteral("hello"));
        QCOMPARE(f->PanelText(1), Cn(ModeMainReceive));
    }

    void emptyAndRefusedSends()
    {
        {
            PairPage p;
            TForm1* f = p.f;
            f->Edit5->setText("7");
            f->SpeedButton17Click();
            QCOMPARE(p.w.ui.lastMessage(), Cn(StartDataEmpty));
            QCOMPARE(f->LastFocusRequest, static_cast<QWidget*>(f->Edit4));
            QCOMPARE(f->Edit5->text(), QStringLiteral("0"));
            QCOMPARE(f->State(), WorkState::Command);

            // HEX text that gives no byte.
            f->RadioButton3->setChecked(true);
            f->Edit4->setText("  ");
            f->SpeedButton17Click();
            TestWindow::pump(0); // told from the event loop
            QCOMPARE(p.w.ui.lastMessage(), Cn(SendDataEmpty));
        }
        // No port dialog: the port was never opened, so the first send of a timed run is
        // refused with the serial link's message, and the run does not start.
        PairPage p(kConfig, false);
        TForm1* f = p.f;
        f->Edit4->setText("new");
        f->RadioButton2->setChecked(true);
        f->RadioButton2Click();
        f->SpeedButton17Click();
        QCOMPARE(f->State(), WorkState::Command);
        QCOMPARE(f->Edit5->text(), QStringLiteral("0"));
        QCOMPARE(f->Label23->text(), QStringLiteral("0"));
        TestWindow::pump(0);
        QCOMPARE(p.w.ui.messages, QStringList{QStringLiteral("The Port NOT be opened!")});
        QVERIFY(!f->Pair->isTimerActive());
    }

    void germanStartCaptionStartsMainSend()
    {
        PairPage p;
        TForm1* f = p.f;
        f->SpeedButton17->setText(QString::fromLatin1(CaptionSendGerman));
        f->Edit4->setText("x");
        f->SpeedButton17Click();
        QCOMPARE(f->State(), WorkState::PairTest);
        // Another caption starts nothing.
        f->SpeedButton18Click();
        f->SpeedButton17->setText("Start");
        f->SpeedButton17Click();
        QCOMPARE(f->State(), WorkState::Idle);
    }

    void hexModeShowsBytesAndLogsAreBounded()
    {
        PairPage p;
        TForm1* f = p.f;
        f->RadioButton3->setChecked(true);
        f->Edit4->setText("41 42 0d0A");
        FillMemo(f->Memo1, 1001);
        f->SpeedButton17Click();
        QCOMPARE(f->Session->lastSentData(), QByteArray("AB\r\n"));
        QCOMPARE(f->Edit4->text(), QStringLiteral("41 42 0D 0A "));
        QCOMPARE(f->Edit12->text(), QStringLiteral("4"));
        // More than 1000 lines: emptied before the new line.
        QCOMPARE(f->Memo1->toPlainText(), QStringLiteral("41 42 0D 0A "));

        // The receive log holds at most 1000 lines: full, it is emptied before the next.
        FillMemo(f->Memo2, 999);
        p.receive(QByteArray("AB\r\n"));
        QCOMPARE(f->Memo2->blockCount(), 1000);
        QCOMPARE(f->Edit3->text(), QStringLiteral("41 42 0D 0A "));
        QCOMPARE(f->Edit13->text(), QStringLiteral("4"));
        p.receive(QByteArray("AB\r\n"));
        QCOMPARE(f->Memo2->toPlainText(), QStringLiteral("41 42 0D 0A "));

        // Bytes that are not UTF-8 are shown one character per byte, none lost (a late frame
        // after the stop).
        f->RadioButton4->setChecked(true);
        f->SpeedButton18Click();
        p.receive(QByteArray("\xff\x80z", 3));
        QCOMPARE(f->Edit3->text(), QString::fromLatin1("\xff\x80z"));
        QCOMPARE(f->Edit13->text(), QStringLiteral("3"));
    }

    void timedSendingFollowsThePeriod()
    {
        PairPage p;
        TForm1* f = p.f;
        f->RadioButton2->setChecked(true);
        f->RadioButton2Click();
        QVERIFY(f->SpinEdit1->isEnabled());
        f->SpinEdit1->setValue(10000);
        f->Edit4->setText("blk");
        f->SpeedButton17Click();
        QCOMPARE(f->State(), WorkState::PairTimed);
        QCOMPARE(f->PanelText(1), Cn(ModeTimed));
        QVERIFY(f->Pair->isTimerActive());
        QCOMPARE(f->Pair->timedPeriod(), 10000);
        f->SpinEdit1->setValue(200);
        QCOMPARE(f->Pair->timedPeriod(), 200);
        QVERIFY(p.waitSent(2));
        QCOMPARE(f->PanelText(1), Cn(ModeTimed));
        f->SpeedButton18Click();
        QVERIFY(!f->Pair->isTimerActive());
    }

    // Hours at a high rate pass 2^31 bytes and frames: the fields show the whole count.
    void countersPastTwoThousandMillionAreShown()
    {
        PairPage p;
        TForm1* f = p.f;
        PairTest::Progress progress;
        progress.counters = PairCounters{2147483648, 2147483649, 2147483648, 1, 2147483650, 2147483651};
        f->Pair->setProgress(progress);
        QCOMPARE(f->Edit5->text(), QStringLiteral("2147483648"));
        QCOMPARE(f->Edit6->text(), QStringLiteral("2147483649"));
        QCOMPARE(f->Edit7->text(), QStringLiteral("2147483648"));
        QCOMPARE(f->Edit8->text(), QStringLiteral("1"));
        QCOMPARE(f->Label23->text(), QStringLiteral("2147483650"));
        QCOMPARE(f->Label25->text(), QStringLiteral("2147483651"));
        QCOMPARE(f->Edit9->text(), QStringLiteral("100.00%"));
    }

    void appointedDataIsTheTypedText()
    {
        PairPage p;
        TForm1* f = p.f;
        f->RadioButton14->setChecked(true);
        f->RadioButton14Click();
        QVERIFY(f->Edit11->isEnabled());
        f->Edit11->setText("41 42");
        f->RadioButton3->setChecked(true);
        f->Edit4->setText("41 42");
        f->SpeedButton17Click();
        // The raw bytes "AB" are not the typed text "41 42".
        p.receive("AB");
        QCOMPARE(f->Edit8->text(), QStringLiteral("1"));
        p.receive("41 42");
        QCOMPARE(f->Edit7->text(), QStringLiteral("1"));
        f->RadioButton13->setChecked(true);
        f->RadioButton13Click();
        QVERIFY(!f->Edit11->isEnabled());
    }

    void clearingTotalsAndLogs()
    {
        PairPage p;
        TForm1* f = p.f;
        PairTest::Progress progress;
        progress.counters.txBytes = 5;
        progress.counters.rxBytes = 6;
        f->Pair->setProgress(progress);
        QCOMPARE(f->Label23->text(), QStringLiteral("5"));
        f->SpeedButton16Click();
        QCOMPARE(f->Pair->counters().txBytes + f->Pair->counters().rxBytes, 0);
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
        PairPage p;
        TForm1* f = p.f;
        // ASCII: Enter at the end adds CR LF; in the middle it adds nothing.
        QTest::keyClicks(f->Edit4, "ab");
        QTest::keyClick(f->Edit4, Qt::Key_Return);
        QCOMPARE(f->Edit4->text(), QStringLiteral("ab\r\n"));
        QCOMPARE(f->Edit4->cursorPosition(), 4);
        f->Edit4->setCursorPosition(1);
        QTest::keyClick(f->Edit4, Qt::Key_Return);
        QCOMPARE(f->Edit4->text(), QStringLiteral("ab\r\n"));
        QVERIFY(p.w.ui.messages.isEmpty());
        // The CR LF goes out as typed.
        f->SpeedButton17Click();
        QCOMPARE(f->Session->lastSentData(), QByteArray("ab\r\n"));
        f->SpeedButton18Click();

        // HEX: hex digits, space and backspace pass; anything else is dropped with a warning.
        f->RadioButton3->setChecked(true);
        f->Edit4->clear();
        QTest::keyClicks(f->Edit4, "0a F");
        QTest::keyClick(f->Edit4, Qt::Key_Backspace);
        QCOMPARE(f->Edit4->text(), QStringLiteral("0a "));
        QVERIFY(p.w.ui.messages.isEmpty());
        QTest::keyClick(f->Edit4, Qt::Key_G);
        QCOMPARE(f->Edit4->text(), QStringLiteral("0a "));
        QCOMPARE(p.w.ui.messages, QStringList() << Cn(PairHexKeyOnly));
        // Moving the caret is no typing.
        QTest::keyClick(f->Edit4, Qt::Key_Left);
        QCOMPARE(p.w.ui.messages.size(), 1);
    }

    void nonHexTextIsRefused()
    {
        PairPage p;
        TForm1* f = p.f;
        // pasted: not sent
        f->RadioButton3->setChecked(true);
        f->Edit4->setText("41\t42");
        f->SpeedButton17Click();
        QCOMPARE(p.w.ui.lastMessage(), Cn(PairNotHex));
        QVERIFY(f->Session->lastSentData().isEmpty());
        QCOMPARE(f->State(), WorkState::Command);

        // choosing HEX checks the text there is
        p.w.ui.clear();
        f->RadioButton4->setChecked(true);
        f->Edit4->setText("41 4G");
        f->RadioButton3->setChecked(true);
        f->RadioButton3Click();
        QCOMPARE(p.w.ui.lastMessage(), Cn(PairNotHex));
        QVERIFY(f->RadioButton4->isChecked());
        QCOMPARE(f->Edit4->selectedText(), QStringLiteral("41 4G"));
        p.w.ui.clear();
        f->Edit4->setText("41 4f");
        f->RadioButton3->setChecked(true);
        f->RadioButton3Click();
        QVERIFY(p.w.ui.messages.isEmpty());
        QVERIFY(f->RadioButton3->isChecked());
    }

    void englishTexts()
    {
        PairPage p("[Ver]\r\nCEO=EN\r\n" + kConfig);
        TForm1* f = p.f;
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
        QCOMPARE(p.w.ui.lastMessage(), QStringLiteral("Data is NULL!"));
        f->SpeedButton18Click();
        QCOMPARE(f->PanelText(2), QString::fromUtf8("Transmit Both Sides is stopped！"));
        QCOMPARE(f->PanelText(1), QString::fromUtf8("Work mode：Stop work"));
    }
};

QTEST_MAIN(PairWindowTest)
#include "tst_pair_window.moc"
