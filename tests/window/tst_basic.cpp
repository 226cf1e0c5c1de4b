// Channel, air rate and serial settings against the built-in simulated module: each read
// and write in both frame variants, the PC port following the module's serial settings,
// refusals before anything is sent, and answers that carry odd values.
#include "support/TestWindow.h"

#include "app/Portset.h"
#include "app/Unit1.h"
#include "core/link/SimulatedPorts.h"
#include "app/commfunction.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "support/ModuleTestUtil.h"

using CmdTest::LongAnswer;
using CmdTest::Module;
using CmdTest::WaitPanel;

namespace {

QByteArray Config(const QString& sim = QStringLiteral("sim"), const char* ver = "")
{
    return CmdTest::FixedGapConfig(sim, ver);
}

// Model row and base frequency chosen by hand, as an operator does before reading.
void ChooseModel(TestWindow& w, int row, int baseIndex)
{
    w.form->ComboBox15->setCurrentIndex(row);
    w.form->ComboBox15Click();
    w.form->ComboBox16Enter();
    w.form->ComboBox16->setCurrentIndex(baseIndex);
    w.ui.answers << true;
    w.form->ComboBox16Click();
}

} // namespace

class BasicCommands : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        TCommFun().ClosePort(1);
        SimulatedPorts::reset();
    }

    void readsAndWritesWithLongFrames()
    {
        TestWindow w(Config());
        TForm1* f = w.form;
        QVERIFY(Module());
        ChooseModel(w, 10, 0); // 525 at 433 MHz
        CmdTest::TakeRequests();

        f->ComboBox4->setCurrentIndex(9);
        f->SpeedButton8Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("设置信道与频率......"));
        QCOMPARE(f->LastCommandCode, QStringLiteral("8005"));
        QVERIFY(WaitPanel(w, QStringLiteral("信道参数设置成功!")));
        QCOMPARE(Module()->options().channel, 10);
        QCOMPARE(CmdTest::TakeRequests(), QStringList{QStringLiteral("long 8005 payload 0A 00")});

        f->SpeedButton2Click();
        QCOMPARE(f->ComboBox4->currentIndex(), -1);
        QCOMPARE(f->PanelText(2), QStringLiteral("正在读取信道与频率......"));
        QVERIFY(WaitPanel(w, QStringLiteral("读信道与频率成功!")));
        QCOMPARE(f->ComboBox4->currentIndex(), 9);
        QCOMPARE(f->Edit1->text(), QStringLiteral("459.1250MHZ"));

        f->ComboBox1->setCurrentIndex(4); // 19200
        f->SpeedButton9Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("设置空中波特率......"));
        QVERIFY(WaitPanel(w, QStringLiteral("空中参数设置成功!")));
        QCOMPARE(Module()->options().airRate, 6);
        f->SpeedButton4Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("正在读取空中波特率......"));
        QVERIFY(WaitPanel(w, QStringLiteral("空中参数读取成功!")));
        QCOMPARE(f->ComboBox1->currentText(), QStringLiteral("19200"));

        f->SpeedButton5Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("正在读取串口波特率......"));
        QVERIFY(WaitPanel(w, QStringLiteral("串口参数读取成功!")));
        QCOMPARE(f->ComboBox2->currentText(), QStringLiteral("9600"));
        QCOMPARE(f->ComboBox3->currentText(), QStringLiteral("无校验"));
        QCOMPARE(CmdTest::TakeRequests().size(), 4); // channel read, air write and read, serial read
        QVERIFY(w.ui.messages.isEmpty());
        QCOMPARE(int(f->State()), 1);
    }

    void serialWriteMovesThePcPortAlong()
    {
        TestWindow w(Config());
        TForm1* f = w.form;
        ChooseModel(w, 10, 0);
        f->ComboBox2->setCurrentIndex(4); // 19200
        f->ComboBox3->setCurrentIndex(1); // odd
        CmdTest::TakeRequests();
        f->SpeedButton10Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("设置串口波特率......"));
        QVERIFY(WaitPanel(w, QStringLiteral("串口参数设置成功!")));
        QCOMPARE(CmdTest::TakeRequests(), QStringList{QStringLiteral("long 8001 payload 06 02")});
        QCOMPARE(w.portSet->ComboBox2->currentText(), QStringLiteral("19200"));
        QCOMPARE(w.portSet->ComboBox3->currentText(), QStringLiteral("ODD(奇校验)"));
        QCOMPARE(GlobleVar::PortSettings.baudCode, 13);
        QCOMPARE(GlobleVar::PortSettings.parityCode, 8);
        QVERIFY(TestWindow::waitFor([] { return Module()->serialSettings().baud == 19200; }, 1000));
        QCOMPARE(Module()->serialSettings().parity, 'O');
        QCOMPARE(SimulatedPorts::lastPcLine(1).baud, 19200);
        QCOMPARE(SimulatedPorts::lastPcLine(1).parity, 'O');
        QVERIFY(w.configText().contains("Rate=5"));
        QVERIFY(w.configText().contains("Verify=1"));

        // the link keeps working at the new settings
        f->SpeedButton5Click();
        QVERIFY(WaitPanel(w, QStringLiteral("串口参数读取成功!")));
        QCOMPARE(f->ComboBox2->currentText(), QStringLiteral("19200"));
        QCOMPARE(f->ComboBox3->currentText(), QStringLiteral("奇校验"));
        QVERIFY(w.ui.messages.isEmpty());
    }

    void a57600AnswerLeavesThePortClosed()
    {
        TestWindow w(Config());
        TForm1* f = w.form;
        ChooseModel(w, 31, 0); // 3201 at 2400 MHz
        QCOMPARE(f->ComboBox2->count(), 7);
        f->ComboBox2->setCurrentIndex(6); // 57600
        f->ComboBox3->setCurrentIndex(2);
        CmdTest::TakeRequests();
        f->SpeedButton10Click();
        QVERIFY(WaitPanel(w, QStringLiteral("串口参数设置成功!")));
        QCOMPARE(CmdTest::TakeRequests(), QStringList{QStringLiteral("long 8001 payload 08 00")});
        QCOMPARE(w.portSet->ComboBox2->currentIndex(), -1);
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("波特率的选项超过可选范围！")});
        // closed: the next command is refused by the link
        w.ui.clear();
        f->ComboBox4->setCurrentIndex(0);
        f->SpeedButton8Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("设置信道与频率失败!"));
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("设置失败!"));
    }

    void shortFramesInTheKestravonixEdition()
    {
        TestWindow w(Config(QStringLiteral("sim"), "type=KESTRAVONIX\r\n"));
        TForm1* f = w.form;
        QCOMPARE(f->BuildCommandFrame("8006", "0000", "06", "00"), TCommFun::HexTextToBytes("EDED0600E0"));
        ChooseModel(w, 6, 0);
        CmdTest::TakeRequests();

        f->ComboBox4->setCurrentIndex(9);
        f->SpeedButton8Click();
        QVERIFY(WaitPanel(w, QStringLiteral("信道参数设置成功!")));
        f->SpeedButton2Click();
        QCOMPARE(f->LastCommandCode, QStringLiteral("8006"));
        QVERIFY(WaitPanel(w, QStringLiteral("读信道与频率成功!")));
        QCOMPARE(f->ComboBox4->currentIndex(), 9);
        QCOMPARE(f->Edit1->text(), QStringLiteral("449.760MHz"));
        QCOMPARE(f->Edit19->text(), QStringLiteral("406.825MHz"));
        QCOMPARE(CmdTest::TakeRequests(), (QStringList{QStringLiteral("short 8005 payload 0A"),
                                          QStringLiteral("short 8006 payload 00")}));

        f->ComboBox1->setCurrentIndex(5); // 38400
        f->SpeedButton9Click();
        QVERIFY(WaitPanel(w, QStringLiteral("空中参数设置成功!")));
        f->SpeedButton4Click();
        QVERIFY(WaitPanel(w, QStringLiteral("空中参数读取成功!")));
        QCOMPARE(f->ComboBox1->currentText(), QStringLiteral("38400"));

        // no parity on the short frame: the module and the PC end without one
        f->ComboBox2->setCurrentIndex(2); // 4800
        f->ComboBox3->setCurrentIndex(1); // odd is chosen but cannot be sent
        f->SpeedButton10Click();
        QVERIFY(WaitPanel(w, QStringLiteral("串口参数设置成功!")));
        QCOMPARE(w.portSet->ComboBox2->currentText(), QStringLiteral("4800"));
        QCOMPARE(w.portSet->ComboBox3->currentText(), QStringLiteral("NONE(无校验)"));
        f->SpeedButton5Click();
        QVERIFY(WaitPanel(w, QStringLiteral("串口参数读取成功!")));
        QCOMPARE(f->ComboBox2->currentText(), QStringLiteral("4800"));
        QCOMPARE(f->ComboBox3->currentText(), QStringLiteral("无校验"));
        QCOMPARE(CmdTest::TakeRequests(), (QStringList{QStringLiteral("short 8003 payload 07"),
                                          QStringLiteral("short 8004 payload 00"),
                                          QStringLiteral("short 8001 payload 04"),
                                          QStringLiteral("short 8002 payload 00")}));
        QVERIFY(w.ui.messages.isEmpty());
    }

    void refusalsSendNothing()
    {
        TestWindow w(Config(QStringLiteral("sim"), "CEO=EN\r\n"));
        TForm1* f = w.form;
        CmdTest::TakeRequests();

        // nothing chosen or found yet
        f->SpeedButton2Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("Please Choose Model/Base Fre. or Search FIRST!"));
        QCOMPARE(f->LastFocusRequest, static_cast<QWidget*>(f->ComboBox15));
        f->SpeedButton10Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("COM Baud Rate is NULL!"));
        QCOMPARE(f->LastFocusRequest, static_cast<QWidget*>(f->ComboBox2));

        // a row but no base frequency and no search
        f->ComboBox15->setCurrentIndex(3);
        f->ComboBox15Click();
        f->ComboBox1->setCurrentIndex(2);
        f->SpeedButton4Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral(
            "The Model you chose is wrong,Please Choose Correct Model/Base Fre. or Search FIRST!"));
        QCOMPARE(f->ComboBox1->currentIndex(), -1);

        f->SpeedButton8Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("Channel is NULL!"));
        QCOMPARE(f->LastFocusRequest, static_cast<QWidget*>(f->ComboBox4));
        f->SpeedButton9Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("Baud Rate is NULL!"));
        f->ComboBox2->setCurrentIndex(0);
        f->SpeedButton10Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("COM Verify is NULL!"));
        QCOMPARE(f->LastFocusRequest, static_cast<QWidget*>(f->ComboBox3));

        // pair test running
        f->Session->setWorkState(WorkState(3));
        f->ComboBox4->setCurrentIndex(1);
        f->SpeedButton8Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("Please Stop Transmiting both sides!"));
        QCOMPARE(int(f->State()), 3);
        TestWindow::pump(100);
        QVERIFY(CmdTest::TakeRequests().isEmpty());
        QVERIFY(f->LastCommandCode.isEmpty());
    }

    void answersWithOddValues()
    {
        TestWindow w(Config(QStringLiteral("sim"), "CEO=EN\r\n"));
        TForm1* f = w.form;
        ChooseModel(w, 31, 0);
        f->LastCommandCode = QStringLiteral("8006");
        f->ComboBox4->setCurrentIndex(2);
        f->Edit1->setText(QStringLiteral("x"));
        f->DispatchLongAnswer(LongAnswer("0006", "0000"));
        QCOMPARE(f->ComboBox4->currentIndex(), -1);
        QVERIFY(f->Edit1->text().isEmpty());
        f->DispatchLongAnswer(LongAnswer("0006", "6300")); // channel 99 of 8
        QCOMPARE(f->ComboBox4->currentIndex(), -1);

        f->LastCommandCode = QStringLiteral("8004");
        f->DispatchLongAnswer(LongAnswer("0004", "0800")); // 57600 cannot be read back
        QCOMPARE(f->PanelText(2), QStringLiteral("RF Parameters Read OK!"));
        QCOMPARE(f->ComboBox1->currentIndex(), -1);
        f->DispatchLongAnswer(LongAnswer("0004", "0700"));
        QCOMPARE(f->ComboBox1->currentText(), QStringLiteral("38400"));

        // an answer of an earlier command
        f->DispatchLongAnswer(LongAnswer("0005", "0100"));
        QCOMPARE(f->PanelText(2), QStringLiteral("Answer data is error!"));

        // a serial answer without payload says nothing about the line: the port stays open
        f->LastCommandCode = QStringLiteral("8002");
        f->DispatchLongAnswer(LongAnswer("0002", ""));
        QCOMPARE(f->ComboBox2->currentIndex(), -1);
        QCOMPARE(f->ComboBox3->currentIndex(), -1);
        QCOMPARE(w.portSet->ComboBox2->currentText(), QStringLiteral("9600"));
        f->LastCommandCode = QStringLiteral("8001");
        f->DispatchLongAnswer(LongAnswer("0001", "06"));
        QCOMPARE(w.portSet->ComboBox2->currentText(), QStringLiteral("9600"));
        QVERIFY(w.ui.messages.isEmpty());
        QVERIFY(TCommFun().SendData(1, "x", 1));

        // a parity code the dialog has no row for leaves the parity list without selection
        f->LastCommandCode = QStringLiteral("8002");
        f->DispatchLongAnswer(LongAnswer("0002", "0503"));
        QCOMPARE(f->ComboBox2->currentText(), QStringLiteral("9600"));
        QCOMPARE(f->ComboBox3->currentIndex(), -1);
    }
};

QTEST_MAIN(BasicCommands)
#include "tst_basic.moc"
