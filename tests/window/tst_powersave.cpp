// Air protocol, power-saving mode, serial wake-up and the air wake-up duty cycle on the
// window: progress, answer and failure texts, the checks made before sending, and the rows
// the answers select.
#include "support/ModuleTestUtil.h"

#include "app/Unit1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using namespace CmdTest;

class PowerSave : public QObject {
    Q_OBJECT
private slots:
    void buttonsAgainstTheModule()
    {
        TestWindow w(SimConfig());
        TForm1* f = w.form;
        f->ComboBox5->setCurrentIndex(1);
        f->ComboBox5Click(); // choosing sends nothing
        QCOMPARE(f->Session->lastCommand(), Command::None);
        f->SpeedButton23Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("正在设置空中协议......"));
        QVERIFY(WaitPanel(w, QStringLiteral("空中协议设置成功!")));
        f->SpeedButton22Click();
        QCOMPARE(f->ComboBox5->currentIndex(), -1);
        QCOMPARE(f->PanelText(2), QStringLiteral("读取空中协议......"));
        QVERIFY(WaitPanel(w, QStringLiteral("空中协议读取成功!")));
        QCOMPARE(f->ComboBox5->currentIndex(), 1);

        f->ComboBox6->setCurrentIndex(3);
        f->SpeedButton28Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("正在设置省电模式......"));
        QVERIFY(WaitPanel(w, QStringLiteral("省电模式设置成功!")));
        f->SpeedButton11Click();
        QCOMPARE(f->ComboBox6->currentIndex(), -1);
        QCOMPARE(f->PanelText(2), QStringLiteral("正在读取省电模式......"));
        QVERIFY(WaitPanel(w, QStringLiteral("省电模式读取成功!")));
        QCOMPARE(f->ComboBox6->currentText(), QStringLiteral("空中唤醒"));

        f->SpeedButton29Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("正在进行串口唤醒......"));
        QVERIFY(WaitPanel(w, QStringLiteral("串口唤醒成功!")));

        f->Edit20->setText("100");
        f->Edit21->setText("5");
        f->SpeedButton39Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("正在设置空中唤醒占空比时间......"));
        QVERIFY(WaitPanel(w, QStringLiteral("休眠占空比时间设置成功!")));
        QCOMPARE(Module()->options().listenMs, 100);
        QCOMPARE(Module()->options().sleepMs, 5000);
        QVERIFY(w.ui.messages.isEmpty());
    }

    void refusedSendTexts_data()
    {
        QTest::addColumn<QByteArray>("handler");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("box");
        QTest::newRow("protocol write") << QByteArray("SpeedButton23Click") << "设置空中协议失败!" << "设置失败!";
        QTest::newRow("protocol read") << QByteArray("SpeedButton22Click") << "读取空中协议失败!" << "读取失败!";
        QTest::newRow("mode write") << QByteArray("SpeedButton28Click") << "设置省电模式失败" << "设置省电模式失败!";
        QTest::newRow("mode read") << QByteArray("SpeedButton11Click") << "省电模式读取失败!" << "读取失败!";
        QTest::newRow("wake-up") << QByteArray("SpeedButton29Click") << "串口唤醒失败!" << "串口唤醒失败!";
        QTest::newRow("duty cycle") << QByteArray("SpeedButton39Click") << "设置空中唤醒占空比时间失败!"
                                    << "设置失败!";
    }
    void refusedSendTexts()
    {
        QFETCH(QByteArray, handler);
        QFETCH(QString, panel);
        QFETCH(QString, box);
        TestWindow w(SimConfig());
        w.form->ComboBox5->setCurrentIndex(1);
        w.form->ComboBox6->setCurrentIndex(1);
        w.form->Edit20->setText("100");
        w.form->Edit21->setText("5");
        ResetSimulatedModules(); // the port is gone under the window
        w.ui.clear();
        QVERIFY(QMetaObject::invokeMethod(w.form, handler.constData()));
        QCOMPARE(w.form->PanelText(2), panel);
        QCOMPARE(w.ui.lastMessage(), box);
    }

    void dutyCycleRefusalsWarnAndFocus_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<QString>("listen");
        QTest::addColumn<QString>("sleep");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("focus");
        const QByteArray cn = SimConfig();
        const QByteArray en = SimConfig("", "[Ver]\r\nCEO=EN\r\n");
        QTest::newRow("empty sleep") << cn << "100" << "" << "占空比时间为空，请输入!" << "Edit20";
        QTest::newRow("listen 0") << cn << "0" << "5" << "数值超出范围（1-65535毫秒）！" << "Edit20";
        QTest::newRow("sleep 66") << cn << "10" << "66" << "数值超出范围（1-65秒）！" << "Edit21";
        QTest::newRow("listen 65536, English") << en << "65536" << "5" << "Time value out of scope(1-65535MS)!"
                                               << "Edit20";
    }
    void dutyCycleRefusalsWarnAndFocus()
    {
        QFETCH(QByteArray, config);
        QFETCH(QString, listen);
        QFETCH(QString, sleep);
        QFETCH(QString, warning);
        QFETCH(QString, focus);
        TestWindow w(config);
        w.ui.clear();
        w.form->Edit20->setText(listen);
        w.form->Edit21->setText(sleep);
        w.form->SpeedButton39Click();
        QCOMPARE(w.ui.messages, QStringList{warning});
        QVERIFY(w.form->LastFocusRequest);
        QCOMPARE(w.form->LastFocusRequest->objectName(), focus);
        QCOMPARE(w.form->Session->lastCommand(), Command::None);
    }

    void writesWithoutSelectionAreRefused()
    {
        TestWindow w(SimConfig());
        w.ui.clear();
        w.form->ComboBox5->setCurrentIndex(-1);
        w.form->SpeedButton23Click();
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("请先选择空中协议!")});
        QCOMPARE(w.form->LastFocusRequest, static_cast<QWidget*>(w.form->ComboBox5));

        w.form->ComboBox6->setCurrentIndex(-1);
        w.form->SpeedButton28Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("请先选择省电模式!"));
        QCOMPARE(w.form->LastFocusRequest, static_cast<QWidget*>(w.form->ComboBox6));
        QCOMPARE(w.form->Session->lastCommand(), Command::None);
    }

    void answersSelectTheRows()
    {
        TestWindow w(SimConfig());
        TForm1* f = w.form;
        ModuleSession* s = f->Session;
        s->recordCommand(Command::ProtocolRead);
        s->DispatchLongAnswer(LongAnswer("0014", "0100"));
        QCOMPARE(f->ComboBox5->currentIndex(), 1);
        // values above 1 have no row
        s->DispatchLongAnswer(LongAnswer("0014", "0200"));
        QCOMPARE(f->ComboBox5->currentIndex(), -1);
        // an answer too short to carry the byte leaves no selection, and nothing breaks
        f->ComboBox5->setCurrentIndex(0);
        s->DispatchLongAnswer(LongAnswer("0014", ""));
        QCOMPARE(f->ComboBox5->currentIndex(), -1);

        s->recordCommand(Command::PowerModeRead);
        f->ComboBox6->setCurrentIndex(1);
        s->DispatchLongAnswer(LongAnswer("0010", "0400"));
        QCOMPARE(f->ComboBox6->currentIndex(), -1);
        // the short answer carries the mode from its first payload byte
        s->DispatchShortAnswer(ShortAnswer("10", "02"));
        QCOMPARE(f->ComboBox6->currentIndex(), 2);
        // an answer of another command changes nothing
        s->recordCommand(Command::WakeUp);
        s->DispatchLongAnswer(LongAnswer("0010", "0100"));
        QCOMPARE(f->ComboBox6->currentIndex(), 2);
        QCOMPARE(f->PanelText(2), QStringLiteral("返回省电模式读取应答!"));
        s->recordCommand(Command::ProtocolWrite);
        s->DispatchLongAnswer(LongAnswer("0011", "0000"));
        QCOMPARE(f->PanelText(2), QStringLiteral("返回串口唤醒成功应答!"));
    }
};

QTEST_MAIN(PowerSave)
#include "tst_powersave.moc"
