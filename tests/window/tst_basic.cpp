// The channel, air-rate and serial-settings buttons on the window: progress and answer texts,
// the lists and frequency fields the answers fill, the port dialog following the module's
// serial settings, and the checks that refuse before anything is sent.
#include "support/ModuleTestUtil.h"

#include "app/Portset.h"
#include "app/Unit1.h"
#include "core/link/SimulatedPorts.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using CmdTest::LongAnswer;
using CmdTest::Module;
using CmdTest::WaitPanel;

namespace {

QByteArray Config(const char* ver = "") { return CmdTest::FixedGapConfig(QStringLiteral("sim"), ver); }

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
    void readsAndWritesShowTheirTexts()
    {
        TestWindow w(Config());
        TForm1* f = w.form;
        ChooseModel(w, 10, 0); // 525 at 433 MHz
        CmdTest::TakeRequests();

        f->ComboBox4->setCurrentIndex(9);
        f->SpeedButton8Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("设置信道与频率......"));
        QVERIFY(WaitPanel(w, QStringLiteral("信道参数设置成功!")));
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

        f->ComboBox3->setCurrentIndex(0);
        f->SpeedButton5Click();
        QCOMPARE(f->ComboBox3->currentIndex(), -1);
        QCOMPARE(f->PanelText(2), QStringLiteral("正在读取串口波特率......"));
        QVERIFY(WaitPanel(w, QStringLiteral("串口参数读取成功!")));
        QCOMPARE(f->ComboBox2->currentText(), QStringLiteral("9600"));
        QCOMPARE(f->ComboBox3->currentText(), QStringLiteral("无校验"));
        QVERIFY(w.ui.messages.isEmpty());
    }

    void readAllTakesTheModelsSeventeenChannels()
    {
        TestWindow w(Config("type=VORDAL\r\n"));
        ChooseModel(w, 10, 0); // 525 has 17 channels in this edition
        w.form->Session->recordCommand(Command::ReadAll);
        w.form->Session->DispatchLongAnswer(LongAnswer("0015", "11050602"));
        QCOMPARE(w.form->ComboBox4->currentIndex(), 16);
    }

    void serialWriteMovesThePcPortAlong()
    {
        TestWindow w(Config());
        TForm1* f = w.form;
        ChooseModel(w, 10, 0);
        f->ComboBox2->setCurrentIndex(4); // 19200
        f->ComboBox3->setCurrentIndex(1); // odd
        f->SpeedButton10Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("设置串口波特率......"));
        QVERIFY(WaitPanel(w, QStringLiteral("串口参数设置成功!")));
        QCOMPARE(w.portSet->ComboBox2->currentText(), QStringLiteral("19200"));
        QCOMPARE(w.portSet->ComboBox3->currentText(), QStringLiteral("ODD(奇校验)"));
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
        f->SpeedButton10Click();
        QVERIFY(WaitPanel(w, QStringLiteral("串口参数设置成功!")));
        QCOMPARE(Module()->options().baud, 8);
        // the dialog has no row for it and refuses to open the port
        QCOMPARE(w.portSet->ComboBox2->currentIndex(), -1);
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("波特率的选项超过可选范围！")});
        QVERIFY(!f->Session->link().isOpen());
        w.ui.clear();
        f->ComboBox4->setCurrentIndex(0);
        f->SpeedButton8Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("设置信道与频率失败!"));
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("设置失败!"));
    }

    void shortFrameEditionKeepsItsAnswersInChinese()
    {
        TestWindow w(Config("type=KESTRAVONIX\r\nCEO=EN\r\n"));
        TForm1* f = w.form;
        ChooseModel(w, 6, 0);

        f->ComboBox4->setCurrentIndex(9);
        f->SpeedButton8Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("Writing Channel and frequency......"));
        QVERIFY(WaitPanel(w, QStringLiteral("信道参数设置成功!")));
        f->SpeedButton2Click();
        QVERIFY(WaitPanel(w, QStringLiteral("读信道与频率成功!")));
        QCOMPARE(f->ComboBox4->currentIndex(), 9);
        // the short-frame edition shows the receive frequency too
        QCOMPARE(f->Edit1->text(), QStringLiteral("449.760MHz"));
        QCOMPARE(f->Edit19->text(), QStringLiteral("406.825MHz"));

        // the short frame carries no parity: the module and the PC end without one
        f->ComboBox2->setCurrentIndex(2); // 4800
        f->ComboBox3->setCurrentIndex(1); // odd is chosen but cannot be sent
        f->SpeedButton10Click();
        QVERIFY(WaitPanel(w, QStringLiteral("串口参数设置成功!")));
        QCOMPARE(w.portSet->ComboBox2->currentText(), QStringLiteral("4800"));
        QCOMPARE(w.portSet->ComboBox3->currentIndex(), 2);
        f->SpeedButton5Click();
        QVERIFY(WaitPanel(w, QStringLiteral("串口参数读取成功!")));
        QCOMPARE(f->ComboBox2->currentText(), QStringLiteral("4800"));
        QCOMPARE(f->ComboBox3->currentIndex(), 2);
        QVERIFY(w.ui.messages.isEmpty());
    }

    void refusalsSendNothing()
    {
        TestWindow w(Config("CEO=EN\r\n"));
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
        QCOMPARE(w.ui.messages.size(), 6);

        // pair test running
        f->Session->setWorkState(WorkState::PairTest);
        f->ComboBox4->setCurrentIndex(1);
        f->SpeedButton8Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("Please Stop Transmiting both sides!"));
        QCOMPARE(f->State(), WorkState::PairTest);
        TestWindow::pump(100);
        QVERIFY(CmdTest::TakeRequests().isEmpty());
        QCOMPARE(f->Session->lastCommand(), Command::None);
    }

    void answersWithOddValues()
    {
        TestWindow w(Config("CEO=EN\r\n"));
        TForm1* f = w.form;
        ModuleSession* s = f->Session;
        ChooseModel(w, 31, 0); // 8 channels
        s->recordCommand(Command::ChannelRead);
        f->ComboBox4->setCurrentIndex(2);
        f->Edit1->setText(QStringLiteral("x"));
        s->DispatchLongAnswer(LongAnswer("0006", "0000"));
        QCOMPARE(f->ComboBox4->currentIndex(), -1);
        QVERIFY(f->Edit1->text().isEmpty());
        f->ComboBox4->setCurrentIndex(2);
        s->DispatchLongAnswer(LongAnswer("0006", "6300")); // channel 99
        QCOMPARE(f->ComboBox4->currentIndex(), -1);

        s->recordCommand(Command::AirRateRead);
        f->ComboBox1->setCurrentIndex(0);
        s->DispatchLongAnswer(LongAnswer("0004", "0800")); // the rows do not reach 57600
        QCOMPARE(f->PanelText(2), QStringLiteral("RF Parameters Read OK!"));
        QCOMPARE(f->ComboBox1->currentIndex(), -1);
        s->DispatchLongAnswer(LongAnswer("0004", "0700"));
        QCOMPARE(f->ComboBox1->currentText(), QStringLiteral("38400"));
        // an answer of an earlier command
        s->DispatchLongAnswer(LongAnswer("0005", "0100"));
        QCOMPARE(f->PanelText(2), QStringLiteral("Answer data is error!"));

        // serial answers without their parity say nothing about the line: the port stays
        s->recordCommand(Command::SerialRead);
        f->ComboBox2->setCurrentIndex(1);
        s->DispatchLongAnswer(LongAnswer("0002", ""));
        QCOMPARE(f->ComboBox2->currentIndex(), -1);
        QCOMPARE(f->ComboBox3->currentIndex(), -1);
        s->recordCommand(Command::SerialWrite);
        s->DispatchLongAnswer(LongAnswer("0001", "06"));
        QCOMPARE(w.portSet->ComboBox2->currentText(), QStringLiteral("9600"));
        QCOMPARE(s->link().line().baud, 9600);
        QVERIFY(s->link().isOpen());
        QVERIFY(w.ui.messages.isEmpty());

        // a parity code the page has no row for leaves the parity list without selection
        s->recordCommand(Command::SerialRead);
        f->ComboBox3->setCurrentIndex(0);
        s->DispatchLongAnswer(LongAnswer("0002", "0503"));
        QCOMPARE(f->ComboBox2->currentText(), QStringLiteral("9600"));
        QCOMPARE(f->ComboBox3->currentIndex(), -1);
    }
};

QTEST_MAIN(BasicCommands)
#include "tst_basic.moc"
