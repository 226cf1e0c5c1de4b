// Radio ID, 1 W/2 W power, RSSI, power level and capacitance: payloads, the checks in each
// button's order, and the answers.
#include "support/ModuleTestUtil.h"
#include "support/TestWindow.h"

#include "app/Unit1.h"
#include "core/protocol/Payloads.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using CmdTest::LongAnswer;
using CmdTest::ShortAnswer;

class RadioId : public QObject {
    Q_OBJECT
private slots:
    void payloads()
    {
        QCOMPARE(Payloads::RadioId(300), QStringLiteral("012C"));
        QCOMPARE(Payloads::RadioId(0), QStringLiteral("0000"));
        QCOMPARE(Payloads::RadioId(65535), QStringLiteral("FFFF"));
        QVERIFY(Payloads::RadioId(65536).isEmpty());
        QCOMPARE(Payloads::Capacitance(127), QStringLiteral("7F00"));
        QVERIFY(Payloads::Capacitance(128).isEmpty());
        QCOMPARE(Payloads::LevelLong(15), QStringLiteral("0F00"));
        QCOMPARE(Payloads::LevelShort(15), QStringLiteral("0F"));
        QCOMPARE(Payloads::RowAndZero(1), QStringLiteral("0100")); // 2W
    }

    void radioIdWriteChecks()
    {
        TestWindow w;
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
        QVERIFY(w.form->LastCommandCode.isEmpty());

        w.form->Edit15->setText("65535");
        w.form->SpeedButton27Click();
        QCOMPARE(w.form->LastCommandCode, QStringLiteral("800C"));
    }

    void radioIdReadAnswer()
    {
        TestWindow w;
        w.form->Edit15->setText("77");
        w.form->SpeedButton26Click(); // empties the field first
        QCOMPARE(w.form->Edit15->text(), QString());
        QCOMPARE(w.form->LastCommandCode, QStringLiteral("800D"));
        w.form->DispatchLongAnswer(LongAnswer("000D", "012C"));
        QCOMPARE(w.form->Edit15->text(), QStringLiteral("300"));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("电台ID号读取成功!"));
        w.form->DispatchLongAnswer(LongAnswer("000D", "0000"));
        QCOMPARE(w.form->Edit15->text(), QStringLiteral("0"));
        // after another command: the other text, field unchanged
        w.form->LastCommandCode = "800C";
        w.form->DispatchLongAnswer(LongAnswer("000D", "0005"));
        QCOMPARE(w.form->Edit15->text(), QStringLiteral("0"));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("返回电台ID号读取应答!"));
        // truncated: the field keeps what the read left
        w.form->LastCommandCode = "800D";
        w.form->Edit15->clear();
        w.form->DispatchLongAnswer(LongAnswer("000D", "01"));
        QCOMPARE(w.form->Edit15->text(), QString());
    }

    void powerNeedsAChoice()
    {
        TestWindow w;
        w.ui.clear();
        w.form->ComboBox14->setCurrentIndex(-1);
        w.form->SpeedButton33Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("功率不能为空!"));
        QCOMPARE(w.form->LastFocusRequest, static_cast<QWidget*>(w.form->ComboBox14));
        QVERIFY(w.form->LastCommandCode.isEmpty());
    }

    void rssiAnswerShowsHexAndDecimal()
    {
        TestWindow w;
        w.form->Edit16->setText("xx");
        w.form->Button1Click();
        QCOMPARE(w.form->Edit16->text(), QString());
        QCOMPARE(w.form->LastCommandCode, QStringLiteral("8012"));
        w.form->DispatchLongAnswer(LongAnswer("0012", "5A00"));
        QCOMPARE(w.form->Edit16->text(), QStringLiteral("5A"));
        QCOMPARE(w.form->Edit17->text(), QStringLiteral("90"));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("场强读取成功！"));
        w.form->DispatchShortAnswer(ShortAnswer("12", "0A"));
        QCOMPARE(w.form->Edit16->text(), QStringLiteral("0A"));
        QCOMPARE(w.form->Edit17->text(), QStringLiteral("10"));
        // an RSSI answer after another command is ignored
        w.form->LastCommandCode = "8013";
        w.form->DispatchLongAnswer(LongAnswer("0012", "0100"));
        QCOMPARE(w.form->Edit16->text(), QStringLiteral("0A"));
    }

    void levelChecksListBeforePairTest()
    {
        TestWindow w;
        w.ui.clear();
        w.form->Session->setWorkState(WorkState(3));
        w.form->ComboBox21->setCurrentIndex(-1);
        w.form->Button2Click();
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("数值不能为空！")});
        QCOMPARE(w.form->LastFocusRequest, static_cast<QWidget*>(w.form->ComboBox21));
        w.form->ComboBox21->setCurrentIndex(15);
        w.form->Button2Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("请先停止对传测试!"));
        QVERIFY(w.form->LastCommandCode.isEmpty());
    }

    void levelAnswerShowsTheLevel()
    {
        TestWindow w;
        w.form->LastCommandCode = "8013";
        w.form->DispatchLongAnswer(LongAnswer("0013", "0A00"));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("功率设置成功,功率值为：10"));
    }

    void capacitanceChecks()
    {
        TestWindow w;
        w.ui.clear();
        w.form->Session->setWorkState(WorkState(4));
        w.form->Edit18->clear();
        w.form->SpeedButton40Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("数值不能为空！"));
        w.form->Edit18->setText("128");
        w.form->SpeedButton40Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("数值超出范围！"));
        QCOMPARE(w.form->LastFocusRequest, static_cast<QWidget*>(w.form->Edit18));
        w.form->Edit18->setText("127");
        w.form->SpeedButton40Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("请先停止对传测试!"));
        QVERIFY(w.form->LastCommandCode.isEmpty());
        w.form->Session->setWorkState(WorkState(1));
        w.form->SpeedButton40Click();
        QCOMPARE(w.form->LastCommandCode, QStringLiteral("8019"));
    }

    void capacitanceOutOfRangeInEnglish()
    {
        TestWindow w("[Ver]\r\nCEO=EN\r\n[Ports]\r\nCOM1=sim\r\n");
        w.ui.clear();
        w.form->Edit18->setText("128");
        w.form->SpeedButton40Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("The value is out of range!"));
    }
};

QTEST_MAIN(RadioId)
#include "tst_radioid.moc"
