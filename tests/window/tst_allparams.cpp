// Read all and write all on the window: the list checks, the lists the answer fills, the
// search-first write-all that restores the operator's selections through the continuation
// timer, and the set-all chain driven by the window's buttons.
#include "support/ModuleTestUtil.h"

#include "app/Unit1.h"
#include "core/config/IniFile.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QLabel>
#include <QtTest>

using namespace CmdTest;

namespace {

QString LongHex(const char* code, const char* payload)
{
    return QString::fromLatin1(Frames::BuildLongFrame("0000", code, payload).toHex().toUpper());
}

} // namespace

class AllParams : public QObject {
    Q_OBJECT
private slots:
    void writeAllWithoutSearchChecksListsInOrder()
    {
        TestWindow w(SimConfig());
        TForm1* f = w.form;
        FillLists(f);
        f->N18->setChecked(false);
        f->ShowPage(2);
        w.sentHex();
        w.ui.clear();
        f->SpeedButton21Click();
        QCOMPARE(f->PageControl1->currentIndex(), 0);
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("信道不能为空！"));
        QCOMPARE(f->LastFocusRequest, static_cast<QWidget*>(f->ComboBox4));
        f->ComboBox4->setCurrentIndex(2);
        f->SpeedButton21Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("空中波特率不能为空！"));
        f->ComboBox1->setCurrentIndex(3);
        f->SpeedButton21Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("串口波特率不能为空！"));
        f->ComboBox2->setCurrentIndex(4);
        f->ComboBox3->setCurrentIndex(-1);
        f->SpeedButton21Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("串口校验不能为空！"));
        QCOMPARE(f->LastFocusRequest, static_cast<QWidget*>(f->ComboBox3));
        QVERIFY(w.sentHex().isEmpty());

        f->ComboBox3->setCurrentIndex(1);
        f->SpeedButton21Click();
        // channel 3, air 9600, serial 19200, odd
        QCOMPARE(w.sentHex(), QStringList{LongHex("800E", "03050602")});
        QCOMPARE(f->PanelText(2), QStringLiteral("正在全写电台....."));
    }

    void readAllWithoutSearchEmptiesTheFields()
    {
        TestWindow w(SimConfig());
        TForm1* f = w.form;
        FillLists(f);
        f->N18->setChecked(false);
        SelectRows(f, 1, 1, 1, 0);
        f->Edit1->setText("433.000");
        f->N5->trigger();
        for (QComboBox* c : {f->ComboBox4, f->ComboBox1, f->ComboBox2, f->ComboBox3})
            QCOMPARE(c->currentIndex(), -1);
        QCOMPARE(f->Edit1->text(), QString());
        QCOMPARE(f->Session->lastCommand(), Command::ReadAll);
        QCOMPARE(f->PanelText(2), QStringLiteral("正在全读电台参数......"));
    }

    void readAllRefusedSend()
    {
        TestWindow w(SimConfig("", "[Ver]\r\nCEO=EN\r\n"));
        w.form->N18->setChecked(false);
        ResetSimulatedModules();
        w.ui.clear();
        w.form->SpeedButton3Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("Read All Parameters Fail!"));
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("Read All Parameters Fail!"));
    }

    void readAllAnswerFillsLists()
    {
        TestWindow w(SimConfig());
        TForm1* f = w.form;
        ModuleSession* s = f->Session;
        FillLists(f);
        s->recordCommand(Command::ReadAll);
        s->DispatchLongAnswer(LongAnswer("0015", "03050602"));
        QCOMPARE(f->PanelText(2), QStringLiteral("参数全读成功!"));
        QCOMPARE(f->ComboBox4->currentIndex(), 2);
        QCOMPARE(f->ComboBox1->currentText(), QStringLiteral("9600"));
        QCOMPARE(f->ComboBox2->currentText(), QStringLiteral("19200"));
        QCOMPARE(f->ComboBox3->currentText(), QStringLiteral("奇校验"));

        // channel 17, air rate 57600 and parity 3 have no row; parity keeps its selection
        s->DispatchLongAnswer(LongAnswer("0015", "11080503"));
        QCOMPARE(f->ComboBox4->currentIndex(), -1);
        QCOMPARE(f->ComboBox1->currentIndex(), -1);
        QCOMPARE(f->ComboBox2->currentText(), QStringLiteral("9600"));
        QCOMPARE(f->ComboBox3->currentText(), QStringLiteral("奇校验"));

        // the short answer carries its fields from its first payload byte
        s->DispatchShortAnswer(ShortAnswer("15", "01020200"));
        QCOMPARE(f->ComboBox4->currentIndex(), 0);
        QCOMPARE(f->ComboBox1->currentText(), QStringLiteral("1200"));
        QCOMPARE(f->ComboBox3->currentText(), QStringLiteral("无校验"));

        // a truncated answer selects what it carries and nothing breaks
        s->DispatchLongAnswer(LongAnswer("0015", "04"));
        QCOMPARE(f->ComboBox4->currentIndex(), 3);
        QCOMPARE(f->ComboBox1->currentIndex(), -1);
        QCOMPARE(f->ComboBox3->currentText(), QStringLiteral("无校验"));

        s->recordCommand(Command::AirRateRead);
        s->DispatchLongAnswer(LongAnswer("0015", "05050505"));
        QCOMPARE(f->PanelText(2), QStringLiteral("返回参数全读命令!"));
        QCOMPARE(f->ComboBox4->currentIndex(), 3);
    }

    void searchFirstWriteAllWritesTheEarlierSelections()
    {
        TestWindow w(SimConfig("model=35,channel=9"));
        TForm1* f = w.form;
        // steps long enough for the identify answer to be handed over at the first one
        f->SearchStepMs = 400;
        FillLists(f);
        QVERIFY(f->N18->isChecked());
        SelectRows(f, 4, 2, 3, 2); // channel 5, 4800, 9600, none
        f->Edit1->setText("431.000");
        TakeRequests();
        f->SpeedButton21Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("开始检测电台......"));
        QCOMPARE(f->OperationLabel, QStringLiteral("Write"));
        QVERIFY(WaitPanel(w, QStringLiteral("参数全设成功!"), 6000));
        QCOMPARE(CommandRequests(TakeRequests()).filter(QStringLiteral("800E")),
                 QStringList{"long 800E payload 05 04 05 00"});
        QCOMPARE(Module()->options().channel, 5);
        QCOMPARE(f->ComboBox4->currentIndex(), 4);
        QCOMPARE(f->Edit1->text(), QStringLiteral("431.000"));
    }

    // The write that follows a search shows the rows put aside again and refuses one the
    // refilled list no longer has; the read that follows a search goes out silently.
    void continuationRefusesARowTheListNoLongerHas()
    {
        TestWindow w(SimConfig("", "[Ver]\r\nCEO=EN\r\n"));
        TForm1* f = w.form;
        f->SearchStepMs = 300;
        FillLists(f);
        f->SavedSelections = {2, 7, 4, 1, QString()};
        TakeRequests();
        w.ui.clear();
        f->BitBtn1Click();
        QVERIFY(TestWindow::waitFor([&] { return !f->JobRunning(); }, 4000));
        TestWindow::pump(20);
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("RF Baud Rate is NULL！")});
        QCOMPARE(f->LastFocusRequest, static_cast<QWidget*>(f->ComboBox1));
        QVERIFY(CommandRequests(TakeRequests()).filter(QStringLiteral("800E")).isEmpty());

        f->SavedSelections = {0, 0, -1, 0, QString()};
        f->BitBtn1Click();
        QVERIFY(TestWindow::waitFor([&] { return !f->JobRunning(); }, 4000));
        TestWindow::pump(20);
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("COM Banud Rate is NULL！"));

        w.sentHex();
        f->SpeedButton19Click();
        QVERIFY(TestWindow::waitFor([&] { return !f->JobRunning(); }, 4000));
        QVERIFY(w.sentHex().contains(LongHex("8015", "0000")));
        QCOMPARE(f->PanelText(2), QStringLiteral("Read All Parameters OK!"));
    }

    void setAllChainRunsAsOneJob()
    {
        TestWindow w(SimConfig("", "[Ver]\r\ntype=VORDAL\r\n", "Test Delay Time=150\r\n"));
        TForm1* f = w.form;
        FillLists(f);
        f->N18->setChecked(false);
        SelectRows(f, 0, 3, 3, 2); // the module's own serial settings stay
        f->ComboBox11->setCurrentIndex(10);
        f->ComboBox12->setEditText("2011");
        f->ComboBox13->setEditText("03");
        f->Edit2->setText("00001");
        f->ComboBox5->setCurrentIndex(1);
        TakeRequests();
        f->SpeedButton38Click();
        QVERIFY(WaitPanel(w, QStringLiteral("启动测试成功!"), 6000));
        QVERIFY(!f->JobRunning());
        QStringList codes;
        for (const QString& r : TakeRequests())
            codes << r.section(QLatin1Char(' '), 0, 1);
        QCOMPARE(codes, (QStringList{"long 8009", "long 800A", "long 800E", "long 8007"}));
        // the serial-number link numbered the module and kept the number
        QCOMPARE(f->Edit2->text(), QStringLiteral("00002"));
        QCOMPARE(IniFile(w.configPath()).ReadString("SN", "NO", ""), QStringLiteral("00001"));
    }

    // Search first, lists left empty: the chain stops at the write-all its checks refuse; the
    // transmit test never starts on a module whose parameters were not written.
    void setAllChainStopsAtARefusedWrite()
    {
        TestWindow w(SimConfig("", "[Ver]\r\ntype=VORDAL\r\n", "Test Delay Time=150\r\n"));
        TForm1* f = w.form;
        f->SearchStepMs = 300;
        FillLists(f);
        f->N18->setChecked(true);
        f->ComboBox11->setCurrentIndex(10);
        f->ComboBox12->setEditText("2011");
        f->ComboBox13->setEditText("03");
        f->Edit2->setText("00001");
        f->ComboBox5->setCurrentIndex(1);
        TakeRequests();
        w.ui.clear();
        f->SpeedButton38Click();
        // the search begins as the button's own search-first write-all does
        QVERIFY(WaitPanel(w, QString::fromUtf8("开始检测电台......"), 6000));
        QVERIFY(TestWindow::waitFor([&] { return !f->JobRunning(); }, 8000));
        TestWindow::pump(600); // past the test delay
        const QStringList sent = CommandRequests(TakeRequests());
        QVERIFY2(sent.filter(QStringLiteral("800E")).isEmpty() && sent.filter(QStringLiteral("8007")).isEmpty(),
                 qPrintable(sent.join(QStringLiteral("; "))));
        QCOMPARE(w.ui.messages, QStringList{QString::fromUtf8("信道不能为空！")});
        QVERIFY(f->PanelText(2).startsWith(QString::fromUtf8("成功检测到电台")));
    }

    // An answer that stops the chain (here: every answer's checksum wrong) is told: where, and why.
    void setAllChainStoppedByAnAnswerSaysWhere()
    {
        TestWindow w(SimConfig("badsum", "[Ver]\r\ntype=VORDAL\r\n"));
        TForm1* f = w.form;
        FillLists(f);
        f->N18->setChecked(false);
        SelectRows(f, 0, 3, 3, 2);
        f->ComboBox11->setCurrentIndex(10);
        f->ComboBox12->setEditText("2011");
        f->ComboBox13->setEditText("03");
        f->Edit2->setText("00001");
        f->ComboBox5->setCurrentIndex(1);
        w.ui.clear();
        f->SpeedButton38Click();
        QVERIFY(TestWindow::waitFor([&] { return !f->JobRunning(); }, 6000));
        TestWindow::pump(50);
        const QString stopped = QString::fromUtf8("全设(G-8-W-A)在“空中协议设置”一步停止：应答校验和错误");
        QCOMPARE(f->PanelText(2), stopped);
        QCOMPARE(w.ui.messages, QStringList{stopped});

        // a step the link refuses is told by one box, the link's, from the event loop
        f->Session->link().close();
        w.ui.clear();
        f->SpeedButton38Click();
        QVERIFY(w.ui.messages.isEmpty());
        QVERIFY(TestWindow::waitFor([&] { return !f->JobRunning() && !w.ui.messages.isEmpty(); }, 6000));
        TestWindow::pump(50);
        QCOMPARE(w.ui.messages.size(), 1);
        QVERIFY(f->WaitPanel->text().isEmpty());
    }
};

QTEST_MAIN(AllParams)
#include "tst_allparams.moc"
