// Transmit test mode: start and end requests in both frame variants, their answers, and the
// start repeated by the continuation timer after a search.
#include "support/ModuleTestUtil.h"

#include "app/Unit1.h"

#include <QAction>
#include <QTimer>
#include <QtTest>

using namespace CmdTest;

namespace {
QString LongHex(const char* code, const char* payload)
{
    return QString::fromLatin1(Frames::Long("0000", code, payload).toHex().toUpper());
}
QString ShortHex(const char* code, const char* payload)
{
    return QString::fromLatin1(Frames::Short(code, payload).toHex().toUpper());
}
} // namespace

class TxTestMode : public QObject {
    Q_OBJECT
private slots:
    void startAndEndInLongFrames()
    {
        TestWindow w(SimConfig());
        w.sentHex();
        w.form->Session->setWorkState(WorkState(0));
        w.form->SpeedButton14Click();
        QCOMPARE(w.sentHex(), QStringList{LongHex("8007", "0000")});
        QCOMPARE(int(w.form->State()), 1);
        QCOMPARE(w.form->OperationLabel, QStringLiteral("Txtest"));
        QCOMPARE(w.form->LastCommandCode, QStringLiteral("8007"));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("正在测试电台....."));
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2) == QStringLiteral("启动测试成功!"); }, 3000));
        QVERIFY(Module()->options().txTest);

        w.form->OperationLabel = "Read";
        w.form->N15->trigger(); // the menu runs the end operation
        QCOMPARE(w.sentHex(), QStringList{LongHex("8008", "0000")});
        QCOMPARE(w.form->OperationLabel, QStringLiteral("Read")); // the end leaves it alone
        QCOMPARE(w.form->PanelText(2), QStringLiteral("正在结束测试....."));
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2) == QStringLiteral("结束测试成功!"); }, 3000));
        QVERIFY(!Module()->options().txTest);
    }

    void shortFrameEditionAnswersInChineseAlways()
    {
        TestWindow w(SimConfig("short-answers", "[Ver]\r\ntype=KESTRAVONIX\r\nCEO=EN\r\n"));
        w.sentHex();
        w.form->N8->trigger();
        QCOMPARE(w.sentHex(), QStringList{ShortHex("07", "00")});
        QCOMPARE(w.form->PanelText(2), QStringLiteral("Searching......"));
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2) == QStringLiteral("启动测试成功!"); }, 3000));
        w.form->SpeedButton15Click();
        QCOMPARE(w.sentHex(), QStringList{ShortHex("08", "00")});
        QCOMPARE(w.form->PanelText(2), QStringLiteral("Stoping TX test......"));
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2) == QStringLiteral("结束测试成功!"); }, 3000));
    }

    void endAnswerAfterAStartRequest()
    {
        TestWindow w(SimConfig());
        w.form->LastCommandCode = "8007";
        w.form->DispatchLongAnswer(LongAnswer("0008", "0000"));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("返回结束测试应答!"));
        // any start answer ends the set-all chain, matching or not
        w.form->ChainSetAll = true;
        w.form->LastCommandCode = "8009";
        w.form->DispatchLongAnswer(LongAnswer("0007", "0000"));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("返回测试应答!"));
        QVERIFY(!w.form->ChainSetAll);
    }

    void refusedDuringPairTest()
    {
        TestWindow w(SimConfig());
        w.sentHex();
        for (int state : {3, 4}) {
            w.form->WorkState = state;
            w.ui.clear();
            w.form->SpeedButton14Click();
            w.form->SpeedButton15Click();
            QCOMPARE(w.ui.messages, (QStringList{"请先停止对传测试!", "请先停止对传测试!"}));
            QCOMPARE(w.form->WorkState, state);
            QVERIFY(w.sentHex().isEmpty());
            QVERIFY(w.form->LastCommandCode.isEmpty());
        }
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

    void continuationRepeatsTheStartInALongFrame()
    {
        // also in the short-frame edition, and without touching the last command code
        TestWindow w(SimConfig("", "[Ver]\r\ntype=KESTRAVONIX\r\n"));
        w.sentHex();
        w.form->OperationLabel = "Txtest";
        w.form->LastCommandCode = "800B";
        w.form->Session->setWorkState(WorkState(0));
        w.form->Timer2->start();
        w.form->Timer2Timer();
        QVERIFY(!w.form->Timer2->isActive());
        QCOMPARE(w.sentHex(), QStringList{LongHex("8007", "0000")});
        QCOMPARE(w.form->LastCommandCode, QStringLiteral("800B"));
        QCOMPARE(int(w.form->State()), 1);
        QCOMPARE(w.form->PanelText(2), QStringLiteral("设置发射状态......"));

        ResetSimulatedModules();
        w.ui.clear();
        w.form->Timer2Timer();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("设置发射状态失败!"));
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("设置失败!"));
    }
};

QTEST_MAIN(TxTestMode)
#include "tst_txtest.moc"
