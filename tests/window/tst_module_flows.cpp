// The parameter page against the simulated module, from the button to the status bar: what
// each command shows while it runs, when answered, when the port refuses it or the answer is
// spoiled, and the flows that join several commands (write-all with the PC port following,
// search first, the set-all chain); and the frame gap the pair test works out.
#include "support/ModuleTestUtil.h"

#include "app/Unit1.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTextBlock>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace CmdTest;

namespace {

struct CommandCase {
    const char* name;
    const char* module;
    const char* ver;
    std::function<void(TForm1*)> start; // fills the fields and clicks
    const char* progress;
    const char* success;
};

const CommandCase kCommands[] = {
    {"air protocol", "", "", [](TForm1* f) { f->ComboBox5->setCurrentIndex(1); f->SpeedButton23Click(); },
     "正在设置空中协议......", "空中协议设置成功!"},
    {"power mode", "", "", [](TForm1* f) { f->ComboBox6->setCurrentIndex(3); f->SpeedButton28Click(); },
     "正在设置省电模式......", "省电模式设置成功!"},
    {"wake-up", "", "", [](TForm1* f) { f->SpeedButton29Click(); }, "正在进行串口唤醒......", "串口唤醒成功!"},
    {"duty cycle", "", "",
     [](TForm1* f) {
         f->Edit20->setText("100");
         f->Edit21->setText("5");
         f->SpeedButton39Click();
     },
     "正在设置空中唤醒占空比时间......", "休眠占空比时间设置成功!"},
    {"radio ID", "", "", [](TForm1* f) { f->Edit15->setText("300"); f->SpeedButton27Click(); },
     "正在设置电台ID......", "电台ID号设置成功!"},
    {"capacitance", "", "", [](TForm1* f) { f->Edit18->setText("127"); f->SpeedButton40Click(); },
     "正在校准电容工作频率......", "电容工作频率校准成功!"},
    {"power of the 525", "", "", [](TForm1* f) { f->ComboBox14->setCurrentIndex(1); f->SpeedButton33Click(); },
     "正在设置电台功率（仅对525）......", "功率设置成功!"},
    {"IO read", "model=32,id=258", "", [](TForm1* f) { f->Edit10->setText("258"); f->SpeedButton13Click(); },
     "正在读取IO开关量......", "IO开关量读取成功!"},
    {"IO output", "model=32,id=1", "",
     [](TForm1* f) {
         f->Edit10->setText("1");
         f->ComboBox10->setCurrentIndex(1);
         f->SpeedButton32Click();
     },
     "正在设置输出开关量(o口)......", "IO开关量设置成功!"},
    {"level in short frames, English", "short-answers", "[Ver]\r\ntype=KESTRAVONIX\r\nCEO=EN\r\n",
     [](TForm1* f) { f->ComboBox21->setCurrentIndex(15); f->Button2Click(); }, "Reading ......", "Power be set OK!"},
};

// Channel row, air-rate row, serial-rate row, parity row.
void Select(TForm1* f, int channel, int air, int serial, int parity)
{
    f->ComboBox4->setCurrentIndex(channel);
    f->ComboBox1->setCurrentIndex(air);
    f->ComboBox2->setCurrentIndex(serial);
    f->ComboBox3->setCurrentIndex(parity);
}

} // namespace

class ModuleFlows : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSimulatedModules(); }
    void cleanup() { ResetSimulatedModules(); }

    void commandTexts_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kCommands)); ++i)
            QTest::newRow(kCommands[i].name) << i;
    }
    void commandTexts()
    {
        QFETCH(int, row);
        const CommandCase& c = kCommands[row];
        TestWindow w(SimConfig(c.module, c.ver));
        c.start(w.form);
        QCOMPARE(w.form->PanelText(2), QString::fromUtf8(c.progress));
        QVERIFY(WaitPanel(w, QString::fromUtf8(c.success), 3000));
        QVERIFY(w.ui.messages.isEmpty());
    }

    void refusedSendTexts()
    {
        TestWindow w(SimConfig());
        ResetSimulatedModules(); // the port is gone under the window
        w.form->Edit20->setText("100");
        w.form->Edit21->setText("5");
        w.form->SpeedButton39Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("设置空中唤醒占空比时间失败!"));
        w.form->SpeedButton26Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("读取电台ID失败!"));
        QCOMPARE(w.ui.messages,
                 (QStringList{"The Port NOT be opened!", "设置失败!", "The Port NOT be opened!", "读取失败!"}));
    }

    void invalidAnswersGoToTheReceiveLogOnly()
    {
        TestWindow w(SimConfig("badsum", "[Ver]\r\nCEO=EN\r\n"));
        TForm1* f = w.form;
        f->SpeedButton26Click();
        QVERIFY(w.waitFor([&] { return TForm1::MemoLineCount(f->Memo2) == 2; }, 3000));
        QVERIFY(f->Memo2->document()->findBlockByNumber(0).text().startsWith("5A5A00005A000D"));
        QCOMPARE(f->Memo2->document()->findBlockByNumber(1).text(), QStringLiteral("Checksum is error!"));
        QCOMPARE(f->PanelText(2), QStringLiteral("Reading ID......"));
        // an ID-protocol answer is spelled the other way; what is no frame at all takes one line
        f->Memo2->clear();
        QString badId = IdAnswer(0x0102, "0013", "0100");
        badId.replace(badId.size() - 6, 2, "FF");
        f->Session->DispatchLongAnswer(badId);
        f->Session->DispatchLongAnswer("ABCDEF");
        QCOMPARE(f->Memo2->toPlainText(), badId + "\nShecksum is error!\nABCDEF");
    }

    void pairTestGapIsShown()
    {
        TestWindow w(SimConfig());
        TForm1* f = w.form;
        f->CheckBox2->setChecked(false);
        QCOMPARE(f->Session->sendData(QByteArray(10, 'x'), WorkState::PairTest), LinkStatus::Ok);
        QCOMPARE(f->SpinEdit2->value(), 309);
    }

    void writeAllMovesThePcPortAlong()
    {
        TestWindow w(SimConfig());
        FillLists(w.form);
        w.form->N18->setChecked(false);
        Select(w.form, 2, 3, 4, 1); // channel 3, 9600, 19200, odd
        w.form->SpeedButton21Click();
        QVERIFY(WaitPanel(w, QStringLiteral("参数全设成功!"), 3000));
        QCOMPARE(SimulatedPorts::lastPcLine(1), (LineSettings{19200, 'O', 8, 1}));

        // the link keeps working at the new settings
        Select(w.form, -1, -1, -1, -1);
        w.form->SpeedButton3Click();
        QVERIFY(WaitPanel(w, QStringLiteral("参数全读成功!"), 3000));
        QCOMPARE(w.form->ComboBox4->currentIndex(), 2);
        QCOMPARE(w.form->ComboBox2->currentText(), QStringLiteral("19200"));
        QCOMPARE(w.form->ComboBox3->currentText(), QStringLiteral("奇校验"));
    }

    void searchFirstWriteAllWritesTheEarlierSelections()
    {
        TestWindow w(SimConfig("model=35,channel=9"));
        // steps long enough for the identify answer to be handed over at the first one
        w.form->Search->setStepInterval(400);
        FillLists(w.form);
        QVERIFY(w.form->N18->isChecked());
        Select(w.form, 4, 2, 3, 2); // channel 5, 4800, 9600, none
        w.form->Edit1->setText("431.000");
        w.form->SpeedButton21Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("开始检测电台......"));
        QCOMPARE(w.form->OperationLabel, QStringLiteral("Write"));
        QVERIFY(WaitPanel(w, QStringLiteral("参数全设成功!"), 6000));
        QCOMPARE(Module()->options().channel, 5);
        QCOMPARE(Module()->options().airRate, 4);
        QCOMPARE(w.form->ComboBox4->currentIndex(), 4);
        QCOMPARE(w.form->Edit1->text(), QStringLiteral("431.000"));
    }

    void searchFirstReadAllWithoutModuleSendsNothing()
    {
        TestWindow w(SimConfig("mute"));
        w.form->Search->setStepInterval(60);
        FillLists(w.form);
        Select(w.form, 1, 1, 1, 1);
        w.sentHex();
        w.form->SpeedButton3Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("正在读电台......"));
        QVERIFY(w.waitFor([&] { return !w.ui.messages.isEmpty(); }, 6000));
        w.pump(1300); // longer than the continuation timer
        for (const QString& frame : w.sentHex())
            QVERIFY2(frame.mid(10, 4) == QLatin1String("8000"), qPrintable(frame));
        QVERIFY(!w.form->Timer2->isActive());
        QCOMPARE(w.form->ComboBox4->currentIndex(), -1);
        QCOMPARE(w.form->OperationLabel, QStringLiteral("Read"));
    }

    void setAllChainRunsThePageCommands()
    {
        TestWindow w(SimConfig("", "[Ver]\r\ntype=VORDAL\r\n", "Test Delay Time=150\r\n"));
        FillLists(w.form);
        w.form->N18->setChecked(false);
        Select(w.form, 0, 3, 3, 2); // the module's own serial settings stay
        w.form->ComboBox11->setCurrentIndex(10);
        w.form->ComboBox12->setEditText("2011");
        w.form->ComboBox13->setEditText("03");
        w.form->Edit2->setText("00001");
        w.form->ComboBox5->setCurrentIndex(1);
        TakeRequests();
        w.form->SpeedButton38Click();
        QVERIFY(w.form->Session->chainSetAll());
        QVERIFY(w.waitFor([&] { return !w.form->Session->chainSetAll(); }, 6000));
        QStringList codes;
        for (const QString& r : TakeRequests())
            codes << r.section(QLatin1Char(' '), 0, 1);
        QCOMPARE(codes, (QStringList{"long 8009", "long 800A", "long 800E", "long 8007"}));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("启动测试成功!"));
        QVERIFY(w.ui.messages.isEmpty());
    }
};

QTEST_MAIN(ModuleFlows)
#include "tst_module_flows.moc"
