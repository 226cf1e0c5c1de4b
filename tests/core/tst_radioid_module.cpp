// Radio ID, RSSI, power level and capacitance against the simulated module: the frames on
// the wire and the fields the answers fill.
#include "support/ModuleTestUtil.h"

#include "app/Unit1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using namespace CmdTest;

class RadioIdModule : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSimulatedModules(); }
    void cleanup() { ResetSimulatedModules(); }

    void idWrittenAndReadBack()
    {
        TestWindow w(SimConfig());
        QVERIFY(Module());
        TakeRequests();
        w.form->Edit15->setText("300");
        w.form->SpeedButton27Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("正在设置电台ID......"));
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2) == QStringLiteral("电台ID号设置成功!"); }, 3000));
        QCOMPARE(TakeRequests(), QStringList{"long 800C payload 01 2C"});
        QCOMPARE(Module()->options().radioId, 300);

        w.form->SpeedButton26Click();
        QCOMPARE(w.form->Edit15->text(), QString());
        QVERIFY(w.waitFor([&] { return !w.form->Edit15->text().isEmpty(); }, 3000));
        QCOMPARE(w.form->Edit15->text(), QStringLiteral("300"));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("电台ID号读取成功!"));
    }

    void rssiOfTheModule()
    {
        TestWindow w(SimConfig("rssi=200"));
        w.form->Button1Click();
        QVERIFY(w.waitFor([&] { return !w.form->Edit17->text().isEmpty(); }, 3000));
        QCOMPARE(w.form->Edit16->text(), QStringLiteral("C8"));
        QCOMPARE(w.form->Edit17->text(), QStringLiteral("200"));
    }

    void shortFrameEditionSendsShortRssiAndLevel()
    {
        TestWindow w(SimConfig("rssi=7,short-answers", "[Ver]\r\ntype=KESTRAVONIX\r\nCEO=EN\r\n"));
        TakeRequests();
        w.form->Button1Click();
        QVERIFY(w.waitFor([&] { return !w.form->Edit17->text().isEmpty(); }, 3000));
        QCOMPARE(w.form->Edit17->text(), QStringLiteral("7"));
        w.form->ComboBox21->setCurrentIndex(15);
        w.form->Button2Click();
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2) == QStringLiteral("Power be set OK!"); }, 3000));
        QCOMPARE(TakeRequests(), (QStringList{"short 8012 payload 00", "short 8013 payload 0F"}));
        QCOMPARE(Module()->options().powerLevel, 15);
    }

    void longLevelAndCapacitance()
    {
        TestWindow w(SimConfig());
        TakeRequests();
        w.form->ComboBox21->setCurrentIndex(15);
        w.form->Button2Click();
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2).startsWith(QStringLiteral("功率设置成功")); }, 3000));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("功率设置成功,功率值为：15"));
        w.form->Edit18->setText("127");
        w.form->SpeedButton40Click();
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2) == QStringLiteral("电容工作频率校准成功!"); }, 3000));
        w.form->ComboBox14->setCurrentIndex(1);
        w.form->SpeedButton33Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("正在设置电台功率（仅对525）......"));
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2) == QStringLiteral("功率设置成功!"); }, 3000));
        QCOMPARE(TakeRequests(),
                 (QStringList{"long 8013 payload 0F 00", "long 8019 payload 7F 00", "long 8017 payload 01 00"}));
        QCOMPARE(Module()->options().capacitance, 127);
        QCOMPARE(Module()->options().txPower, 1);
    }

    void refusedSendReportsFailure()
    {
        TestWindow w(SimConfig());
        ResetSimulatedModules(); // the port is gone under the window
        w.ui.clear();
        w.form->SpeedButton26Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("读取电台ID失败!"));
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("读取失败!"));
    }
};

QTEST_MAIN(RadioIdModule)
#include "tst_radioid_module.moc"
