// Air protocol, power-saving mode, wake-up and duty cycle against the simulated module.
#include "support/ModuleTestUtil.h"

#include "app/Unit1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using namespace CmdTest;

class PowerSaveModule : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSimulatedModules(); }
    void cleanup() { ResetSimulatedModules(); }

    void compatibleProtocolIsALongFrameInEveryEdition_data()
    {
        QTest::addColumn<QByteArray>("edition");
        QTest::newRow("standard") << QByteArray("[Ver]\r\ntype=VORDAL\r\n");
        QTest::newRow("short-frame edition") << QByteArray("[Ver]\r\ntype=KESTRAVONIX\r\n");
    }
    void compatibleProtocolIsALongFrameInEveryEdition()
    {
        QFETCH(QByteArray, edition);
        TestWindow w(SimConfig("", edition.constData()));
        TakeRequests();
        w.form->ComboBox5->setCurrentIndex(1);
        w.form->SpeedButton23Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("正在设置空中协议......"));
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2) == QStringLiteral("空中协议设置成功!"); }, 3000));
        QCOMPARE(TakeRequests(), QStringList{"long 8009 payload 01 00"});
        QCOMPARE(Module()->options().airProtocol, 1);

        w.form->SpeedButton22Click();
        QCOMPARE(w.form->ComboBox5->currentIndex(), -1);
        QVERIFY(w.waitFor([&] { return w.form->ComboBox5->currentIndex() == 1; }, 3000));
        QCOMPARE(TakeRequests(), QStringList{"long 8014 payload 00 00"});
    }

    void powerModeWrittenAndRead()
    {
        TestWindow w(SimConfig());
        TakeRequests();
        w.form->ComboBox6->setCurrentIndex(3);
        w.form->SpeedButton28Click();
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2) == QStringLiteral("省电模式设置成功!"); }, 3000));
        QCOMPARE(Module()->options().powerMode, 3);
        w.form->SpeedButton11Click();
        QVERIFY(w.waitFor([&] { return w.form->ComboBox6->currentIndex() == 3; }, 3000));
        w.form->SpeedButton29Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("正在进行串口唤醒......"));
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2) == QStringLiteral("串口唤醒成功!"); }, 3000));
        QCOMPARE(TakeRequests(),
                 (QStringList{"long 800F payload 03 00", "long 8010 payload 00 00", "long 8011 payload 00 00"}));
    }

    void dutyCycleOnTheWire()
    {
        TestWindow w(SimConfig());
        TakeRequests();
        w.form->Edit20->setText("100");
        w.form->Edit21->setText("5");
        w.form->SpeedButton39Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("正在设置空中唤醒占空比时间......"));
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2) == QStringLiteral("休眠占空比时间设置成功!"); }, 3000));
        QCOMPARE(TakeRequests(), QStringList{"long 8016 payload 00 64 13 88"});
        QCOMPARE(Module()->options().listenMs, 100);
        QCOMPARE(Module()->options().sleepMs, 5000);
    }

    void dutyCycleRefusedSend()
    {
        TestWindow w(SimConfig());
        ResetSimulatedModules();
        w.ui.clear();
        w.form->Edit20->setText("100");
        w.form->Edit21->setText("5");
        w.form->SpeedButton39Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("设置空中唤醒占空比时间失败!"));
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("设置失败!"));
    }
};

QTEST_MAIN(PowerSaveModule)
#include "tst_powersave_module.moc"
