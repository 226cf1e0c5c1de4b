// The data terminal through the simulated module, with a second module over the air whose
// PC side is played by the test.
#include "support/AirRig.h"

#include "app/Unit1.h"
#include "core/link/SimulatedPorts.h"
#include "app/texts/radiotests_texts.h"
#include "app/texts/tools_texts.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

using namespace RadioTestTexts;

namespace {
struct Rig : AirRig {
    Rig() : AirRig(false, 100) {}
    // The far PC writes to its module.
    void peerSends(const QByteArray& bytes) { peer->receiveFromPc(bytes, SerialLine{}, SystemClock::monotonicMs()); }
    // What reached the far PC within `ms`.
    QByteArray peerGets(int ms)
    {
        QByteArray got;
        TestWindow::waitFor([&] {
            got += peer->takeForPc(SystemClock::monotonicMs());
            return false;
        }, ms);
        return got;
    }
};
} // namespace

class TerminalTest : public QObject {
    Q_OBJECT
private slots:
    void asciiAndHexSending()
    {
        Rig r;
        TForm1* f = r.f;
        f->Memo3->setPlainText("AB");
        f->SpeedButton37Click();
        QCOMPARE(f->State(), WorkState::Terminal);
        QVERIFY(f->CheckBox3->isChecked());
        QCOMPARE(f->PanelText(1), Cn(ModeTerminal));
        QCOMPARE(f->PanelText(2), Cn(TerminalDataSent));
        QCOMPARE(r.peerGets(300), QByteArray("AB"));

        // Lines are joined with CR LF.
        f->Memo3->setPlainText("AB\nCD");
        f->SpeedButton37Click();
        QCOMPARE(r.peerGets(300), QByteArray("AB\r\nCD"));

        // HEX: spaces and line breaks only separate the pairs.
        f->RadioButton6->setChecked(true);
        f->Memo3->setPlainText("41 42");
        f->SpeedButton37Click();
        QCOMPARE(r.peerGets(300), QByteArray("AB"));
        f->Memo3->setPlainText("41\n42 0d0a");
        f->SpeedButton37Click();
        QCOMPARE(r.peerGets(300), QByteArray("AB\r\n"));

        // The pair test's counters and logs are not touched.
        QCOMPARE(f->Pair->counters().sent, 0);
        QVERIFY(f->Memo1->toPlainText().isEmpty());
        QVERIFY(f->Edit12->text().isEmpty());
    }

    void emptyMemoIsRefused()
    {
        Rig r;
        TForm1* f = r.f;
        f->SpeedButton37Click();
        QCOMPARE(r.w.ui.lastMessage(), Cn(TerminalDataEmpty));
        QCOMPARE(f->State(), WorkState::Command);
        QCOMPARE(r.peerGets(150), QByteArray());
    }

    void receivedBlocksShownAsLines()
    {
        Rig r;
        TForm1* f = r.f;
        f->CheckBox3->setChecked(true);
        f->CheckBox3Click();
        QCOMPARE(f->State(), WorkState::Terminal);
        f->RadioButton8->setChecked(true);
        r.peerSends("AB");
        QVERIFY(TestWindow::waitFor([&] { return !f->Memo4->toPlainText().isEmpty(); }, 2000));
        QCOMPARE(f->Memo4->toPlainText(), QStringLiteral("4142"));

        // One line a block, shown as text.
        f->Memo4DblClick();
        QVERIFY(f->Memo4->toPlainText().isEmpty());
        f->RadioButton7->setChecked(true);
        r.peerSends("ab");
        QVERIFY(TestWindow::waitFor([&] { return !f->Memo4->toPlainText().isEmpty(); }, 2000));
        r.peerSends("cd");
        QVERIFY(TestWindow::waitFor([&] { return f->Memo4->blockCount() == 2; }, 2000));
        QCOMPARE(f->Memo4->toPlainText(), QStringLiteral("ab\ncd"));

        // A memo holding 1000 lines is emptied before the next block.
        QStringList lines;
        for (int i = 0; i < 1000; ++i)
            lines << QString::number(i);
        f->Memo4->setPlainText(lines.join(QLatin1Char('\n')));
        r.peerSends("next");
        QVERIFY(TestWindow::waitFor([&] { return f->Memo4->blockCount() == 1; }, 2000));
        QCOMPARE(f->Memo4->toPlainText(), QStringLiteral("next"));
    }

    void captureThatCannotBeWrittenStopsAndIsToldOnce()
    {
        Rig r;
        TForm1* f = r.f;
        f->CheckBox3->setChecked(true);
        f->CheckBox3Click();
        f->RadioButton7->setChecked(true);
        // Every write to /dev/full fails: no space left.
        const QString path = QStringLiteral("/dev/full");
        QString error;
        QVERIFY(f->Term->startSaving(path, &error));
        r.peerSends("ab");
        QVERIFY(TestWindow::waitFor([&] { return !f->Memo4->toPlainText().isEmpty(); }, 2000));
        QVERIFY(!f->Term->isSaving());
        QCOMPARE(f->PanelText(2), Cn(ToolsTexts::SavingFailed) + path);
        QCOMPARE(r.w.ui.messages.size(), 1);
        QVERIFY(r.w.ui.lastMessage().startsWith(Cn(ToolsTexts::SavingFailed) + path + QStringLiteral(": ")));
        // The terminal goes on, without another box.
        r.peerSends("cd");
        QVERIFY(TestWindow::waitFor([&] { return f->Memo4->blockCount() == 2; }, 2000));
        QCOMPARE(f->Memo4->toPlainText(), QStringLiteral("ab\ncd"));
        QCOMPARE(r.w.ui.messages.size(), 1);
        QCOMPARE(f->State(), WorkState::Terminal);
    }

    void hexKeyFilter()
    {
        Rig r;
        TForm1* f = r.f;
        // ASCII takes every key, Enter starts a new line.
        QTest::keyClicks(f->Memo3, "Gz");
        QTest::keyClick(f->Memo3, Qt::Key_Return);
        QTest::keyClicks(f->Memo3, "!");
        QCOMPARE(f->Memo3->toPlainText(), QStringLiteral("Gz\n!"));
        QVERIFY(r.w.ui.messages.isEmpty());

        f->Memo3->clear();
        f->RadioButton6->setChecked(true);
        QTest::keyClicks(f->Memo3, "4a B");
        QTest::keyClick(f->Memo3, Qt::Key_Backspace);
        QCOMPARE(f->Memo3->toPlainText(), QStringLiteral("4a "));
        QVERIFY(r.w.ui.messages.isEmpty());
        QTest::keyClick(f->Memo3, Qt::Key_G);
        QCOMPARE(f->Memo3->toPlainText(), QStringLiteral("4a "));
        QCOMPARE(r.w.ui.messages, QStringList() << Cn(TerminalHexKeyOnly));
        QTest::keyClick(f->Memo3, Qt::Key_Return);
        QCOMPARE(f->Memo3->toPlainText(), QStringLiteral("4a "));
        QCOMPARE(r.w.ui.messages.size(), 2);
        // a tab would be read as a digit and shift the pairs after it
        QTest::keyClick(f->Memo3, Qt::Key_Tab);
        QCOMPARE(f->Memo3->toPlainText(), QStringLiteral("4a "));
        QCOMPARE(r.w.ui.messages.size(), 3);
        // pasted text is held to the same characters; nothing is sent
        f->Memo3->setPlainText("41\t42");
        f->SpeedButton37Click();
        QCOMPARE(r.w.ui.lastMessage(), Cn(TerminalHexKeyOnly));
        QCOMPARE(f->State(), WorkState::Command);
        QCOMPARE(r.peerGets(150), QByteArray());

        QTest::mouseDClick(f->Memo3->viewport(), Qt::LeftButton);
        QVERIFY(f->Memo3->toPlainText().isEmpty());
    }

    void receiveStateSwitch()
    {
        Rig r;
        TForm1* f = r.f;
        // Cleared outside the terminal state: no question.
        f->Session->setWorkState(WorkState::Command);
        f->CheckBox3->setChecked(false);
        f->CheckBox3Click();
        QVERIFY(r.w.ui.questions.isEmpty());
        QCOMPARE(f->State(), WorkState::Command);

        f->CheckBox3->setChecked(true);
        f->CheckBox3Click();
        QCOMPARE(f->State(), WorkState::Terminal);
        // No: stays ticked and in state 5.
        r.w.ui.answers << false;
        f->CheckBox3->setChecked(false);
        f->CheckBox3Click();
        QCOMPARE(r.w.ui.questions, QStringList() << Cn(AskLeaveTerminal));
        QVERIFY(f->CheckBox3->isChecked());
        QCOMPARE(f->State(), WorkState::Terminal);
        // Yes: idle.
        f->CheckBox3->setChecked(false);
        f->CheckBox3Click();
        QCOMPARE(f->State(), WorkState::Idle);
        QVERIFY(!f->CheckBox3->isChecked());
    }
};

QTEST_MAIN(TerminalTest)
#include "tst_terminal.moc"
