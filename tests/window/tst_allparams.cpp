// Read all and write all: payloads, the list checks, the continuation after a search, the
// answers, and the set-all chain's order in both frame variants.
#include "support/ModuleTestUtil.h"

#include "app/Unit1.h"
#include "core/protocol/Payloads.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

using namespace CmdTest;

namespace {


QString LongHex(const char* code, const char* payload)
{
    return QString::fromLatin1(Frames::Long("0000", code, payload).toHex().toUpper());
}

} // namespace

class AllParams : public QObject {
    Q_OBJECT
private slots:
    void writeAllPayload()
    {
        // channel 3, air 9600, serial 19200, odd
        QCOMPARE(Payloads::WriteAll(2, 3, 4, 1), QStringLiteral("03050602"));
        QCOMPARE(Payloads::WriteAll(15, 5, 0, 2), QStringLiteral("10070200"));
        QCOMPARE(Payloads::WriteAll(0, 0, 0, 0), QStringLiteral("01020201"));
        QVERIFY(Payloads::WriteAll(-1, 0, 0, 0).isEmpty());
        QVERIFY(Payloads::WriteAll(0, 0, 0, -1).isEmpty());
    }

    void writeAllWithoutSearchChecksListsInOrder()
    {
        TestWindow w(SimConfig());
        FillLists(w.form);
        w.form->N18->setChecked(false);
        w.form->ShowPage(2);
        w.sentHex();
        w.ui.clear();
        w.form->SpeedButton21Click();
        QCOMPARE(w.form->PageControl1->currentIndex(), 0);
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("信道不能为空！"));
        QCOMPARE(w.form->LastFocusRequest, static_cast<QWidget*>(w.form->ComboBox4));
        w.form->ComboBox4->setCurrentIndex(2);
        w.form->SpeedButton21Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("空中波特率不能为空！"));
        w.form->ComboBox1->setCurrentIndex(3);
        w.form->SpeedButton21Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("串口波特率不能为空！"));
        w.form->ComboBox2->setCurrentIndex(4);
        w.form->ComboBox3->setCurrentIndex(-1);
        w.form->SpeedButton21Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("串口校验不能为空！"));
        QCOMPARE(w.form->LastFocusRequest, static_cast<QWidget*>(w.form->ComboBox3));
        QVERIFY(w.sentHex().isEmpty());

        w.form->ComboBox3->setCurrentIndex(1);
        w.form->SpeedButton21Click();
        QCOMPARE(w.sentHex(), QStringList{LongHex("800E", "03050602")});
        QCOMPARE(w.form->LastCommandCode, QStringLiteral("800E"));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("正在全写电台....."));
    }

    void readAllWithoutSearch()
    {
        TestWindow w(SimConfig("", "[Ver]\r\ntype=KESTRAVONIX\r\n"));
        FillLists(w.form);
        w.form->N18->setChecked(false);
        w.form->ComboBox4->setCurrentIndex(1);
        w.form->ComboBox3->setCurrentIndex(0);
        w.form->Edit1->setText("433.000");
        w.sentHex();
        w.form->N5->trigger();
        // always a long frame, also in the short-frame edition
        QCOMPARE(w.sentHex(), QStringList{LongHex("8015", "0000")});
        QCOMPARE(w.form->ComboBox4->currentIndex(), -1);
        QCOMPARE(w.form->ComboBox3->currentIndex(), -1);
        QCOMPARE(w.form->Edit1->text(), QString());
        QCOMPARE(w.form->PanelText(2), QStringLiteral("正在全读电台参数......"));
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
        FillLists(w.form);
        w.form->LastCommandCode = "8015";
        w.form->DispatchLongAnswer(LongAnswer("0015", "03050602"));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("参数全读成功!"));
        QCOMPARE(w.form->ComboBox4->currentIndex(), 2);
        QCOMPARE(w.form->ComboBox1->currentText(), QStringLiteral("9600"));
        QCOMPARE(w.form->ComboBox2->currentText(), QStringLiteral("19200"));
        QCOMPARE(w.form->ComboBox3->currentText(), QStringLiteral("奇校验"));

        // channel 17, air rate 57600 and parity 3 have no row; parity keeps its selection
        w.form->DispatchLongAnswer(LongAnswer("0015", "11080503"));
        QCOMPARE(w.form->ComboBox4->currentIndex(), -1);
        QCOMPARE(w.form->ComboBox1->currentIndex(), -1);
        QCOMPARE(w.form->ComboBox2->currentText(), QStringLiteral("9600"));
        QCOMPARE(w.form->ComboBox3->currentText(), QStringLiteral("奇校验"));

        // the short answer carries its fields from its first payload byte
        w.form->DispatchShortAnswer(ShortAnswer("15", "01020200"));
        QCOMPARE(w.form->ComboBox4->currentIndex(), 0);
        QCOMPARE(w.form->ComboBox1->currentText(), QStringLiteral("1200"));
        QCOMPARE(w.form->ComboBox3->currentText(), QStringLiteral("无校验"));

        // a truncated answer selects what it carries and nothing breaks
        w.form->DispatchLongAnswer(LongAnswer("0015", "04"));
        QCOMPARE(w.form->ComboBox4->currentIndex(), 3);
        QCOMPARE(w.form->ComboBox1->currentIndex(), -1);
        QCOMPARE(w.form->ComboBox3->currentText(), QStringLiteral("无校验"));

        w.form->LastCommandCode = "8004";
        w.form->DispatchLongAnswer(LongAnswer("0015", "05050505"));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("返回参数全读命令!"));
        QCOMPARE(w.form->ComboBox4->currentIndex(), 3);
    }

    void continuationRestoresSavedSelections()
    {
        TestWindow w(SimConfig());
        FillLists(w.form);
        w.form->SavedSelections = {2, 3, 4, 1, QStringLiteral("433.500")};
        w.form->OperationLabel = "Write";
        w.form->LastCommandCode = "800B";
        w.sentHex();
        w.form->Timer2->start();
        w.form->Timer2Timer();
        QVERIFY(!w.form->Timer2->isActive());
        QCOMPARE(w.form->ComboBox4->currentIndex(), 2);
        QCOMPARE(w.form->Edit1->text(), QStringLiteral("433.500"));
        QCOMPARE(w.sentHex(), QStringList{LongHex("800E", "03050602")});
        QCOMPARE(w.form->LastCommandCode, QStringLiteral("800E"));
        QCOMPARE(w.form->OperationLabel, QStringLiteral("Write"));

        // a saved row the refilled list no longer has is refused, nothing sent
        w.form->SavedSelections = {2, 7, 4, 1, QString()};
        w.ui.clear();
        w.form->Timer2Timer();
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("空中波特率不能为空！")});
        QCOMPARE(w.form->LastFocusRequest, static_cast<QWidget*>(w.form->ComboBox1));
        QVERIFY(w.sentHex().isEmpty());

        w.form->OperationLabel = "Read";
        w.form->Timer2Timer();
        QCOMPARE(w.sentHex(), QStringList{LongHex("8015", "0000")});
        QCOMPARE(w.form->LastCommandCode, QStringLiteral("8015"));
    }

    void continuationTextsInEnglish()
    {
        TestWindow w(SimConfig("", "[Ver]\r\nCEO=EN\r\n"));
        FillLists(w.form);
        w.form->SavedSelections = {0, 0, -1, 0, QString()};
        w.form->OperationLabel = "Write";
        w.ui.clear();
        w.form->Timer2Timer();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("COM Banud Rate is NULL！"));
        w.form->SavedSelections = {0, 0, 0, -1, QString()};
        w.form->Timer2Timer();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("COM Verify is NULL！"));
    }
};

QTEST_MAIN(AllParams)
#include "tst_allparams.moc"
