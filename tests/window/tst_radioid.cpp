// Radio ID, 1 W/2 W power, RSSI, power level and capacitance on the window: progress, answer
// and failure texts per language and edition, the checks in each button's order, and the
// fields the answers fill.
#include "support/ModuleTestUtil.h"

#include "app/Unit1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using namespace CmdTest;

class RadioId : public QObject {
    Q_OBJECT
private slots:
    void buttonsAgainstTheModule()
    {
        TestWindow w(SimConfig("rssi=200"));
        TForm1* f = w.form;
        f->Edit15->setText("300");
        f->SpeedButton27Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("正在设置电台ID......"));
        QVERIFY(WaitPanel(w, QStringLiteral("电台ID号设置成功!")));
        QCOMPARE(Module()->options().radioId, 300);
        f->SpeedButton26Click();
        QCOMPARE(f->Edit15->text(), QString()); // emptied first
        QCOMPARE(f->PanelText(2), QStringLiteral("正在读取电台ID......"));
        QVERIFY(WaitPanel(w, QStringLiteral("电台ID号读取成功!")));
        QCOMPARE(f->Edit15->text(), QStringLiteral("300"));

        f->Edit16->setText("xx");
        f->Button1Click();
        QCOMPARE(f->Edit16->text(), QString());
        QCOMPARE(f->PanelText(2), QStringLiteral("正在读取场强......"));
        QVERIFY(WaitPanel(w, QStringLiteral("场强读取成功！")));
        QCOMPARE(f->Edit16->text(), QStringLiteral("C8"));
        QCOMPARE(f->Edit17->text(), QStringLiteral("200"));

        f->ComboBox21->setCurrentIndex(15);
        f->Button2Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("正在设置功率......"));
        QVERIFY(WaitPanel(w, QStringLiteral("功率设置成功,功率值为：15")));
        f->Edit18->setText("127");
        f->SpeedButton40Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("正在校准电容工作频率......"));
        QVERIFY(WaitPanel(w, QStringLiteral("电容工作频率校准成功!")));
        f->ComboBox14->setCurrentIndex(1);
        f->SpeedButton33Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("正在设置电台功率（仅对525）......"));
        QVERIFY(WaitPanel(w, QStringLiteral("功率设置成功!")));
        QCOMPARE(Module()->options().powerLevel, 15);
        QCOMPARE(Module()->options().capacitance, 127);
        QCOMPARE(Module()->options().txPower, 1);
        QVERIFY(w.ui.messages.isEmpty());
    }

    void textsOfOtherEditions()
    {
        {
            // answers other than "01".."08" follow the language in the short-frame edition
            TestWindow w(SimConfig("short-answers", "[Ver]\r\ntype=KESTRAVONIX\r\nCEO=EN\r\n"));
            w.form->ComboBox21->setCurrentIndex(15);
            w.form->Button2Click();
            QVERIFY(WaitPanel(w, QStringLiteral("Power be set OK!")));
            w.form->Edit18->setText("128");
            w.form->SpeedButton40Click();
            QCOMPARE(w.ui.lastMessage(), QStringLiteral("The value is out of range!"));
        }
        TestWindow w(SimConfig("", "[Ver]\r\nKTX=1\r\n"));
        w.form->ComboBox14->setCurrentIndex(0);
        w.form->SpeedButton33Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("正在设置电台功率（仅对KTX525）......"));
    }

    void refusedSendTexts_data()
    {
        QTest::addColumn<QByteArray>("handler");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("box");
        QTest::newRow("ID read") << QByteArray("SpeedButton26Click") << "读取电台ID失败!" << "读取失败!";
        QTest::newRow("ID write") << QByteArray("SpeedButton27Click") << "设置电台ID失败!" << "设置失败!";
        QTest::newRow("power") << QByteArray("SpeedButton33Click") << "设置电台功率失败!" << "设置失败!";
        QTest::newRow("RSSI") << QByteArray("Button1Click") << "正在读取场强失败!" << "设置失败!";
        QTest::newRow("level") << QByteArray("Button2Click") << "设置功率失败!" << "设置失败!";
        QTest::newRow("capacitance") << QByteArray("SpeedButton40Click") << "电容工作频率校准失败!" << "设置失败!";
    }
    void refusedSendTexts()
    {
        QFETCH(QByteArray, handler);
        QFETCH(QString, panel);
        QFETCH(QString, box);
        TestWindow w(SimConfig());
        w.form->Edit15->setText("300");
        w.form->ComboBox14->setCurrentIndex(0);
        w.form->ComboBox21->setCurrentIndex(3);
        w.form->Edit18->setText("64");
        ResetSimulatedModules(); // the port is gone under the window
        w.ui.clear();
        QVERIFY(QMetaObject::invokeMethod(w.form, handler.constData()));
        QCOMPARE(w.form->PanelText(2), panel);
        QCOMPARE(w.ui.lastMessage(), box);
    }

    void idAndPowerWriteChecks()
    {
        TestWindow w(SimConfig());
        w.ui.clear();
        w.form->Edit15->clear();
        w.form->SpeedButton27Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("ID号不能为空!"));
        QCOMPARE(w.form->LastFocusRequest, static_cast<QWidget*>(w.form->Edit15));

        // two bytes only: 65536 would reach the module as ID 0
        w.form->LastFocusRequest = nullptr;
        w.form->Edit15->setText("65536");
        w.form->SpeedButton27Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("ID号超出范围（0-65535）!"));
        QCOMPARE(w.form->LastFocusRequest, static_cast<QWidget*>(w.form->Edit15));

        w.form->ComboBox14->setCurrentIndex(-1);
        w.form->SpeedButton33Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("功率不能为空!"));
        QCOMPARE(w.form->LastFocusRequest, static_cast<QWidget*>(w.form->ComboBox14));
        QCOMPARE(w.form->Session->lastCommand(), Command::None);

        w.form->Edit15->setText("65535");
        w.form->SpeedButton27Click();
        QCOMPARE(w.form->Session->lastCommand(), Command::RadioIdWrite);
    }

    void oddAnswers()
    {
        TestWindow w(SimConfig());
        TForm1* f = w.form;
        ModuleSession* s = f->Session;
        s->recordCommand(Command::RadioIdRead);
        s->DispatchLongAnswer(LongAnswer("000D", "0000"));
        QCOMPARE(f->Edit15->text(), QStringLiteral("0"));
        // truncated: the field keeps what it had
        s->DispatchLongAnswer(LongAnswer("000D", "01"));
        QCOMPARE(f->Edit15->text(), QStringLiteral("0"));
        // after another command: the other text, field unchanged
        s->recordCommand(Command::RadioIdWrite);
        s->DispatchLongAnswer(LongAnswer("000D", "0005"));
        QCOMPARE(f->Edit15->text(), QStringLiteral("0"));
        QCOMPARE(f->PanelText(2), QStringLiteral("返回电台ID号读取应答!"));

        // RSSI from the short answer's first byte, two hex digits; after another command ignored
        s->recordCommand(Command::RssiRead);
        s->DispatchShortAnswer(ShortAnswer("12", "0A"));
        QCOMPARE(f->Edit16->text(), QStringLiteral("0A"));
        QCOMPARE(f->Edit17->text(), QStringLiteral("10"));
        s->recordCommand(Command::LevelWrite);
        f->SetPanel(2, QStringLiteral("before"));
        s->DispatchLongAnswer(LongAnswer("0012", "0100"));
        QCOMPARE(f->Edit16->text(), QStringLiteral("0A"));
        QCOMPARE(f->PanelText(2), QStringLiteral("before"));
    }

    void levelAndCapacitanceCheckTheirValueBeforeThePairTest()
    {
        TestWindow w(SimConfig());
        TForm1* f = w.form;
        w.ui.clear();
        f->Session->setWorkState(WorkState::PairTest);
        f->ComboBox21->setCurrentIndex(-1);
        f->Button2Click();
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("数值不能为空！")});
        QCOMPARE(f->LastFocusRequest, static_cast<QWidget*>(f->ComboBox21));

        f->Edit18->clear();
        f->SpeedButton40Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("数值不能为空！"));
        QCOMPARE(f->LastFocusRequest, static_cast<QWidget*>(f->Edit18));
        f->LastFocusRequest = nullptr;
        f->Edit18->setText("128");
        f->SpeedButton40Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("数值超出范围！"));
        QCOMPARE(f->LastFocusRequest, static_cast<QWidget*>(f->Edit18));
        f->Edit18->setText("127");
        f->SpeedButton40Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("请先停止对传测试!"));
        QCOMPARE(w.ui.messages.size(), 4);
        QCOMPARE(f->Session->lastCommand(), Command::None);
    }
};

QTEST_MAIN(RadioId)
#include "tst_radioid.moc"
