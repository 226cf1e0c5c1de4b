// Transmit test mode on the window: the start and end buttons and menu items, their texts
// in both languages, refused sends, and the start repeated after a search.
#include "support/ModuleTestUtil.h"

#include "app/Unit1.h"

#include <QAction>
#include <QTimer>
#include <QtTest>

using namespace CmdTest;

class TxTestMode : public QObject {
    Q_OBJECT
private slots:
    void startAndEnd()
    {
        TestWindow w(SimConfig());
        TForm1* f = w.form;
        TakeRequests();
        f->Session->setWorkState(WorkState::Idle);
        f->SpeedButton14Click();
        QCOMPARE(f->State(), WorkState::Command);
        QCOMPARE(f->OperationLabel, QStringLiteral("Txtest"));
        QCOMPARE(f->PanelText(2), QStringLiteral("正在测试电台....."));
        QVERIFY(WaitPanel(w, QStringLiteral("启动测试成功!")));
        QVERIFY(Module()->options().txTest);

        f->OperationLabel = "Read";
        f->N15->trigger(); // the menu runs the end operation
        QCOMPARE(f->OperationLabel, QStringLiteral("Read")); // the end leaves it alone
        QCOMPARE(f->PanelText(2), QStringLiteral("正在结束测试....."));
        QVERIFY(WaitPanel(w, QStringLiteral("结束测试成功!")));
        QVERIFY(!Module()->options().txTest);
        QCOMPARE(TakeRequests(), (QStringList{"long 8007 payload 00 00", "long 8008 payload 00 00"}));
    }

    void englishTexts()
    {
        TestWindow w(SimConfig("", "[Ver]\r\nCEO=EN\r\n"));
        w.form->N8->trigger();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("Searching......"));
        QVERIFY(WaitPanel(w, QStringLiteral("TX Test OK!")));
        w.form->SpeedButton15Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("Stoping TX test......"));
        QVERIFY(WaitPanel(w, QStringLiteral("End TX test OK!")));
    }

    void answersOfAnotherCommand()
    {
        TestWindow w(SimConfig());
        ModuleSession* s = w.form->Session;
        s->recordCommand(Command::TestStart);
        s->DispatchLongAnswer(LongAnswer("0008", "0000"));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("返回结束测试应答!"));
        s->recordCommand(Command::ProtocolWrite);
        s->DispatchLongAnswer(LongAnswer("0007", "0000"));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("返回测试应答!"));
    }

    void refusedSendTexts()
    {
        TestWindow w(SimConfig());
        ResetSimulatedModules();
        w.ui.clear();
        w.form->SpeedButton14Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("测试电台失败!"));
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("读取失败!"));
        w.form->SpeedButton15Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("结束测试电台失败!"));
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("结束结束失败!"));
    }

    // A start pressed while a search runs goes out at once and again, in the long frame,
    // once the search has found the module.
    void startDuringASearchIsRepeatedAfterIt()
    {
        TestWindow w(SimConfig("baud=19200,parity=even"));
        TForm1* f = w.form;
        f->SearchStepMs = 250;
        f->SpeedButton20Click();
        f->SpeedButton14Click(); // at a line the module does not listen at
        QCOMPARE(f->OperationLabel, QStringLiteral("Txtest"));
        QVERIFY(!Module()->options().txTest);
        QVERIFY(TestWindow::waitFor([f] { return !f->JobRunning(); }, 8000));
        // the start after the search leaves the command answers are matched against as it was
        QVERIFY(WaitPanel(w, QStringLiteral("返回测试应答!")));
        QVERIFY(Module()->options().txTest);
    }
};

QTEST_MAIN(TxTestMode)
#include "tst_txtest.moc"
