// Frames, answer validation and the dispatchers' routing, texts and robustness.
#include "support/TestWindow.h"

#include "app/GlobleVar.h"
#include "app/Unit1.h"
#include "core/protocol/Answers.h"
#include "core/protocol/Frames.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QTextBlock>
#include "app/Portset.h"
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QtTest>

namespace {
QString Hex(const QByteArray& b) { return TCommFun::BytesToHexText(b, false); }

// A long answer with a correct checksum.
QString LongAnswer(const QString& code, const QString& payload)
{
    return Hex(Frames::Long("0000", code, payload));
}
} // namespace

class ProtocolTest : public QObject {
    Q_OBJECT
private slots:
    void framesMatchTheWorkedExamples()
    {
        QCOMPARE(Hex(Frames::Long("0000", "8004", "0000")), QStringLiteral("5A5A00005A8004020000940D0A"));
        QCOMPARE(Hex(Frames::Short("04", "00")), QStringLiteral("EDED0400DE"));
        QCOMPARE(Hex(Frames::Id("0001", "A6", "8013", "0000")), QStringLiteral("4040A600010780130000C10D0A"));
        QCOMPARE(Hex(Frames::Short("06", "00")), QStringLiteral("EDED0600E0"));
        QCOMPARE(Frames::Long("0000", "8005", "0A00").size(), 13);
        // radio ID 300 in bytes 4-5
        const QByteArray id = Frames::Id(Frames::Hex4(300), "A6", "8012", "0201");
        QCOMPARE(uchar(id[3]), uchar(0x01));
        QCOMPARE(uchar(id[4]), uchar(0x2C));
        QCOMPARE(uchar(id[5]), uchar(0x07)); // two payload bytes + 5
        // odd payload: length rounded down; the odd text's last digit becomes a byte 00..0F
        const QByteArray odd = Frames::Long("0000", "8005", "0A0");
        QCOMPARE(uchar(odd[7]), uchar(0x01));
        QCOMPARE(odd.size(), 13);
        QCOMPARE(uchar(odd[12]), uchar(0x0A));
    }

    void frameKindFollowsTheEdition()
    {
        TestWindow w("[Ver]\r\ntype=KESTRAVONIX\r\n", false);
        QCOMPARE(Hex(w.form->BuildCommandFrame("8006", "0000", "06", "00")), QStringLiteral("EDED0600E0"));
        GlobleVar::EditionKeyword = "KESTRAVONIXX";
        QCOMPARE(Hex(w.form->BuildCommandFrame("8006", "0000", "06", "00")).left(4), QStringLiteral("5A5A"));
    }

    void answerFieldsAreSafeOnShortTexts()
    {
        const QString a = LongAnswer("0006", "0300");
        QVERIFY(Answers::IsLong(a));
        QVERIFY(Answers::ChecksumOk(a, false));
        QCOMPARE(Answers::LongCode(a), QStringLiteral("0006"));
        QCOMPARE(Answers::PayloadByte(a, 1, false), 3);
        QCOMPARE(Answers::PayloadByte(a, 2, false), 0);
        QCOMPARE(Answers::PayloadByte(a, 3, false), -1); // would be the checksum
        QCOMPARE(Answers::PayloadByte("5A5A0D0A", 1, false), -1);
        QCOMPARE(Answers::LongCode("5A5A0D0A"), QString());
        QCOMPARE(Answers::PayloadByte("EDED06", 1, true), -1);
        QCOMPARE(Answers::PayloadByte("EDED0603E3", 1, true), 3);
        QVERIFY(!Answers::ChecksumOk("", true));
        QVERIFY(!Answers::ChecksumOk("E", true));
        QCOMPARE(Answers::IdField("4040A6"), -1);
        QCOMPARE(Answers::PayloadByte(a, 0, false), -1);
    }

    void matchingAndMismatchedAnswerTexts()
    {
        TestWindow w("[Ver]\r\nCEO=EN\r\n", false);
        TForm1* f = w.form;
        f->LastCommandCode = "8004";
        f->DispatchLongAnswer(LongAnswer("0004", "0500"));
        QCOMPARE(f->PanelText(2), QStringLiteral("RF Parameters Read OK!"));
        f->LastCommandCode = "8006";
        f->DispatchLongAnswer(LongAnswer("0004", "0500"));
        QCOMPARE(f->PanelText(2), QStringLiteral("Answer data is error!"));
        // no mismatch text: nothing changes
        f->SetPanel(2, "before");
        f->DispatchLongAnswer(LongAnswer("0012", "5A00"));
        QCOMPARE(f->PanelText(2), QStringLiteral("before"));
        // codes outside the table are ignored
        f->DispatchLongAnswer(LongAnswer("0018", "0000"));
        f->DispatchLongAnswer(LongAnswer("00FF", "0000"));
        QCOMPARE(f->PanelText(2), QStringLiteral("before"));
        QCOMPARE(TForm1::MemoLineCount(f->Memo2), 0);
    }

    void levelAnswerShowsTheLevelInChinese()
    {
        TestWindow w("", false);
        w.form->LastCommandCode = "8013";
        w.form->DispatchLongAnswer(LongAnswer("0013", "0A00"));
        QCOMPARE(w.form->PanelText(2), QString::fromUtf8("功率设置成功,功率值为：10"));
    }

    void badChecksumsGoToTheReceiveMemoOnly()
    {
        TestWindow w("[Ver]\r\nCEO=EN\r\n", false);
        TForm1* f = w.form;
        f->LastCommandCode = "8004";
        f->SetPanel(2, "before");
        QString bad = LongAnswer("0004", "0500");
        bad.replace(bad.size() - 6, 2, "00");
        f->DispatchLongAnswer(bad);
        QCOMPARE(TForm1::MemoLineCount(f->Memo2), 2);
        QCOMPARE(f->Memo2->document()->findBlockByNumber(0).text(), bad);
        QCOMPARE(f->Memo2->document()->findBlockByNumber(1).text(), QStringLiteral("Checksum is error!"));
        QCOMPARE(f->PanelText(2), QStringLiteral("before"));
        // an ID-protocol answer with a bad checksum is spelled the other way
        f->Memo2->clear();
        QString badId = Hex(Frames::Id("0102", "A6", "0013", "0100"));
        badId.replace(badId.size() - 6, 2, "FF");
        f->DispatchLongAnswer(badId);
        QCOMPARE(f->Memo2->document()->findBlockByNumber(1).text(), QStringLiteral("Shecksum is error!"));
        // neither a long nor an ID frame: one line
        f->Memo2->clear();
        f->DispatchLongAnswer("ABCDEF");
        QCOMPARE(TForm1::MemoLineCount(f->Memo2), 1);
    }

    void shortAnswersInTheShortFrameEdition()
    {
        TestWindow w("[Ver]\r\ntype=KESTRAVONIX\r\nCEO=EN\r\n", false);
        TForm1* f = w.form;
        f->LastCommandCode = "8004";
        f->DispatchShortAnswer(Hex(Frames::Short("04", "05")));
        QCOMPARE(f->PanelText(2), QString::fromUtf8("空中参数读取成功!")); // "01".."08" stay Chinese
        f->LastCommandCode = "8014";
        f->DispatchShortAnswer(Hex(Frames::Short("14", "01")));
        QCOMPARE(f->PanelText(2), QStringLiteral("Read RF Protocol OK!"));
        // long answers are passed on
        f->LastCommandCode = "8015";
        f->DispatchShortAnswer(LongAnswer("0015", "03050502"));
        QCOMPARE(f->PanelText(2), QStringLiteral("Read All Parameters OK!"));
        // anything else is dropped silently, ID answers included
        f->SetPanel(2, "before");
        f->DispatchShortAnswer("1234");
        f->DispatchShortAnswer(Hex(Frames::Id("0001", "A6", "0013", "0100")));
        f->DispatchShortAnswer(Hex(Frames::Short("16", "00")));
        QCOMPARE(f->PanelText(2), QStringLiteral("before"));
        QCOMPARE(TForm1::MemoLineCount(f->Memo2), 0);
        f->DispatchShortAnswer("EDED0400FF");
        QCOMPARE(TForm1::MemoLineCount(f->Memo2), 2);
    }

    void testAnswerEndsTheChain()
    {
        TestWindow w("", false);
        w.form->ChainSetAll = true;
        w.form->LastCommandCode = "8001";
        w.form->DispatchLongAnswer(LongAnswer("0007", "0000"));
        QVERIFY(!w.form->ChainSetAll);
    }

    void randomTextsNeverCrashTheDispatchers()
    {
        TestWindow w("", false);
        TForm1* f = w.form;
        QRandomGenerator rng(20261208);
        const QStringList codes = {"0000", "0001", "0002", "0004", "0006", "000B", "000D", "000E", "0012",
                                   "0013", "0015", "0010", "0014"};
        const QStringList commands = {"8001", "8002", "8004", "8006", "800B", "800D", "800E", "8012",
                                      "8013", "8015", "8010", "8014", "40408012", "40408013"};
        for (int i = 0; i < 3000; ++i) {
            f->LastCommandCode = commands[int(rng.bounded(commands.size()))];
            QString text;
            switch (i % 4) {
            case 0: { // random bytes
                QByteArray b(int(rng.bounded(40)), 0);
                for (auto& c : b)
                    c = char(rng.bounded(256));
                text = Hex(b);
                break;
            }
            case 1: // valid envelopes with short or odd payloads
                text = LongAnswer(codes[int(rng.bounded(codes.size()))],
                                  Hex(QByteArray(int(rng.bounded(6)), char(rng.bounded(256)))).left(int(rng.bounded(12))));
                break;
            case 2:
                text = Hex(Frames::Id(Frames::Hex4(int(rng.bounded(65536))), "A6",
                                      rng.bounded(2) ? "0012" : "0013", Hex(QByteArray(int(rng.bounded(3)), char(rng.bounded(256))))));
                break;
            default:
                text = Hex(Frames::Short(Frames::Hex2(int(rng.bounded(32))), Hex(QByteArray(int(rng.bounded(3)), char(rng.bounded(256))))));
                text = text.left(int(rng.bounded(text.size() + 1)));
            }
            f->DispatchLongAnswer(text);
            f->DispatchShortAnswer(text);
            f->ChainSetAll = false;
        }
        QVERIFY(true); // reaching here without a crash is the check; the sanitizer build watches reads
    }

    void pairTestFrameGapFormula()
    {
        TestWindow w("[Ports]\r\nCOM1=sim\r\n[COM]\r\nRate=4\r\n");
        TForm1* f = w.form;
        f->CheckBox2->setChecked(false);
        f->LastSentData = QByteArray(10, 'x');
        f->Session->setWorkState(WorkState(3));
        w.portSet->ComboBox2->setCurrentIndex(4); // 9600
        f->Timer1Timer();
        QCOMPARE(f->FrameGap, 309);
        QCOMPARE(f->SpinEdit2->value(), 309);
        // fixed gap wins
        f->CheckBox2->setChecked(true);
        f->SpinEdit2->setValue(500);
        f->Timer1Timer();
        QCOMPARE(f->FrameGap, 500);
        // no baud rate in the dialog: the gap keeps its value instead of dividing by zero
        f->CheckBox2->setChecked(false);
        w.portSet->ComboBox2->setCurrentIndex(-1);
        f->Timer1Timer();
        QCOMPARE(f->FrameGap, 500);
        // outside the pair test the gap keeps its value
        f->Session->setWorkState(WorkState(1));
        w.portSet->ComboBox2->setCurrentIndex(4);
        f->Timer1Timer();
        QCOMPARE(f->FrameGap, 500);
    }

    void answerInPiecesIsHandedOverOnceAfterTheGap()
    {
        // the module answers in two pieces 100 ms apart
        TestWindow w("[Ports]\r\nCOM1=sim:baud=2400,split=100\r\n[Option]\r\nFrame delay=1\r\nDelay time=300\r\n");
        TForm1* f = w.form;
        QVERIFY(w.ui.messages.isEmpty());
        f->LastCommandCode = "8004";
        QVERIFY(f->SendFrame(Frames::Long("0000", "8004", "0000")));
        QElapsedTimer t;
        t.start();
        QVERIFY(TestWindow::waitFor([&] { return !f->PanelText(2).isEmpty(); }, 3000));
        QCOMPARE(f->PanelText(2), QString::fromUtf8("空中参数读取成功!"));
        QVERIFY(t.elapsed() >= 100 + 300); // not before the second piece had been quiet for the gap
        QCOMPARE(TForm1::MemoLineCount(f->Memo2), 0);

        // a gap shorter than the pause splits the answer into two texts, each failing its test
        f->SpinEdit2->setValue(60);
        f->SetPanel(2, QString());
        QVERIFY(f->SendFrame(Frames::Long("0000", "8004", "0000")));
        QVERIFY(TestWindow::waitFor([&] { return TForm1::MemoLineCount(f->Memo2) >= 2; }, 3000));
        TestWindow::pump(300);
        QCOMPARE(TForm1::MemoLineCount(f->Memo2), 2);
        QCOMPARE(f->PanelText(2), QString());
    }

    void handOverByWorkState()
    {
        TestWindow w("", false);
        TForm1* f = w.form;
        w.ui.fakeClock = true;
        f->CheckBox2->setChecked(true);
        f->SpinEdit2->setValue(300);
        // terminal, hex display
        f->Session->setWorkState(WorkState(5));
        f->RadioButton8->setChecked(true);
        f->RxBuffer = "AB";
        f->LastRxTime = f->RxBlockStart = w.ui.clockMs - 200;
        f->Timer1Timer();
        QCOMPARE(TForm1::MemoLineCount(f->Memo4), 0); // not quiet long enough yet
        w.ui.clockMs += 101;
        f->Timer1Timer();
        QCOMPARE(f->Memo4->toPlainText(), QStringLiteral("4142"));
        QVERIFY(f->RxBuffer.isEmpty());
        // a full terminal memo is cleared before the next block
        for (int i = 0; i < 999; ++i)
            f->Memo4->appendPlainText("x");
        QCOMPARE(TForm1::MemoLineCount(f->Memo4), 1000);
        f->RxBuffer = "C";
        f->Timer1Timer();
        QCOMPARE(f->Memo4->toPlainText(), QStringLiteral("43"));
        // across midnight the distance is large: handed over at once
        f->RxBuffer = "D";
        f->LastRxTime = 24 * 3600 * 1000 - 50;
        w.ui.clockMs = 24LL * 3600 * 1000 * 2 + 10;
        f->Timer1Timer();
        QCOMPARE(TForm1::MemoLineCount(f->Memo4), 2);
        // a state outside 0..5 keeps the bytes
        f->Session->setWorkState(WorkState(7));
        f->RxBuffer = "E";
        f->Timer1Timer();
        QCOMPARE(f->RxBuffer, QByteArray("E"));
        // paused: nothing at all
        f->Session->setWorkState(WorkState(5));
        f->RxPaused = true;
        f->Timer1Timer();
        QCOMPARE(f->RxBuffer, QByteArray("E"));
    }
};

QTEST_MAIN(ProtocolTest)
#include "tst_protocol.moc"
