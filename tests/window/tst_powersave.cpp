// Air protocol, power-saving mode, serial wake-up and the air wake-up duty cycle: payloads,
// the checks made before sending, and what the answers change.
#include "support/ModuleTestUtil.h"
#include "support/TestWindow.h"

#include "app/Unit1.h"
#include "core/protocol/Payloads.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using CmdTest::LongAnswer;
using CmdTest::ShortAnswer;
using Payloads::DutyCheck;

Q_DECLARE_METATYPE(Payloads::DutyCheck)

class PowerSave : public QObject {
    Q_OBJECT
private slots:
    void dutyCyclePayload_data()
    {
        QTest::addColumn<QString>("listen");
        QTest::addColumn<QString>("sleep");
        QTest::addColumn<DutyCheck>("check");
        QTest::addColumn<QString>("payload");
        QTest::newRow("100 ms, 5 s") << "100" << "5" << DutyCheck::Ok << "00641388";
        QTest::newRow("largest") << "65535" << "65" << DutyCheck::Ok << "FFFFFDE8";
        QTest::newRow("smallest") << "1" << "1" << DutyCheck::Ok << "000103E8";
        QTest::newRow("listen 65536") << "65536" << "5" << DutyCheck::ListenOutOfRange << "";
        QTest::newRow("listen 0") << "0" << "5" << DutyCheck::ListenOutOfRange << "";
        QTest::newRow("sleep 66") << "100" << "66" << DutyCheck::SleepOutOfRange << "";
        QTest::newRow("sleep 0") << "100" << "0" << DutyCheck::SleepOutOfRange << "";
        QTest::newRow("listen empty") << "" << "5" << DutyCheck::Empty << "";
        QTest::newRow("sleep empty") << "100" << "" << DutyCheck::Empty << "";
        QTest::newRow("listen pasted letters") << "1a" << "5" << DutyCheck::ListenOutOfRange << "";
        QTest::newRow("listen too long for a number") << "123456789012345678901234" << "5"
                                                      << DutyCheck::ListenOutOfRange << "";
        QTest::newRow("sleep too long for a number") << "100" << "99999999999999999999" << DutyCheck::SleepOutOfRange
                                                     << "";
        QTest::newRow("negative sleep") << "100" << "-5" << DutyCheck::SleepOutOfRange << "";
    }
    void dutyCyclePayload()
    {
        QFETCH(QString, listen);
        QFETCH(QString, sleep);
        QFETCH(DutyCheck, check);
        QFETCH(QString, payload);
        const Payloads::DutyCycle d = Payloads::DutyCyclePayload(listen, sleep);
        QCOMPARE(d.check, check);
        QCOMPARE(d.payload, payload);
    }

    void listRowPayloads()
    {
        QCOMPARE(Payloads::RowAndZero(1), QStringLiteral("0100")); // protocol "兼容"
        QCOMPARE(Payloads::RowAndZero(3), QStringLiteral("0300")); // mode "空中唤醒"
    }

    void dutyCycleRefusalsWarnAndFocus_data()
    {
        QTest::addColumn<QString>("listen");
        QTest::addColumn<QString>("sleep");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("focus");
        QTest::newRow("empty sleep") << "100" << "" << QStringLiteral("占空比时间为空，请输入!") << "Edit20";
        QTest::newRow("listen 0") << "0" << "5" << QStringLiteral("数值超出范围（1-65535毫秒）！") << "Edit20";
        QTest::newRow("sleep 66") << "10" << "66" << QStringLiteral("数值超出范围（1-65秒）！") << "Edit21";
    }
    void dutyCycleRefusalsWarnAndFocus()
    {
        QFETCH(QString, listen);
        QFETCH(QString, sleep);
        QFETCH(QString, warning);
        QFETCH(QString, focus);
        TestWindow w;
        w.ui.clear();
        w.form->Edit20->setText(listen);
        w.form->Edit21->setText(sleep);
        w.form->SpeedButton39Click();
        QCOMPARE(w.ui.messages, QStringList{warning});
        QVERIFY(w.form->LastFocusRequest);
        QCOMPARE(w.form->LastFocusRequest->objectName(), focus);
        QVERIFY(w.form->LastCommandCode.isEmpty());
    }

    void dutyCycleRefusalInEnglish()
    {
        TestWindow w("[Ver]\r\nCEO=EN\r\n[Ports]\r\nCOM1=sim\r\n");
        w.ui.clear();
        w.form->Edit20->setText("65536");
        w.form->Edit21->setText("5");
        w.form->SpeedButton39Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("Time value out of scope(1-65535MS)!"));
    }

    void writesWithoutSelectionAreRefused()
    {
        TestWindow w;
        w.ui.clear();
        w.form->ComboBox5->setCurrentIndex(-1);
        w.form->SpeedButton23Click();
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("请先选择空中协议!")});
        QCOMPARE(w.form->LastFocusRequest, static_cast<QWidget*>(w.form->ComboBox5));

        w.form->ComboBox6->setCurrentIndex(-1);
        w.form->SpeedButton28Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("请先选择省电模式!"));
        QCOMPARE(w.form->LastFocusRequest, static_cast<QWidget*>(w.form->ComboBox6));
        QVERIFY(w.form->LastCommandCode.isEmpty());
    }

    void readsClearTheirListFirst()
    {
        TestWindow w;
        w.form->ComboBox5->setCurrentIndex(1);
        w.form->ComboBox6->setCurrentIndex(2);
        w.form->SpeedButton22Click();
        QCOMPARE(w.form->LastCommandCode, QStringLiteral("8014"));
        QCOMPARE(w.form->ComboBox5->currentIndex(), -1);
        w.form->SpeedButton11Click();
        QCOMPARE(w.form->LastCommandCode, QStringLiteral("8010"));
        QCOMPARE(w.form->ComboBox6->currentIndex(), -1);
    }

    void protocolReadAnswerSelectsRow()
    {
        TestWindow w;
        w.form->ComboBox5->setCurrentIndex(-1);
        w.form->LastCommandCode = "8014";
        w.form->DispatchLongAnswer(LongAnswer("0014", "0100"));
        QCOMPARE(w.form->ComboBox5->currentIndex(), 1);
        QCOMPARE(w.form->PanelText(2), QStringLiteral("空中协议读取成功!"));
        // values above 1 have no row
        w.form->DispatchLongAnswer(LongAnswer("0014", "0200"));
        QCOMPARE(w.form->ComboBox5->currentIndex(), -1);
        // an answer too short to carry the byte leaves no selection, and nothing breaks
        w.form->ComboBox5->setCurrentIndex(0);
        w.form->DispatchLongAnswer(LongAnswer("0014", ""));
        QCOMPARE(w.form->ComboBox5->currentIndex(), -1);
    }

    void powerModeReadAnswers()
    {
        TestWindow w;
        w.form->LastCommandCode = "8010";
        w.form->DispatchLongAnswer(LongAnswer("0010", "0300"));
        QCOMPARE(w.form->ComboBox6->currentText(), QStringLiteral("空中唤醒"));
        w.form->DispatchLongAnswer(LongAnswer("0010", "0400"));
        QCOMPARE(w.form->ComboBox6->currentIndex(), -1);
        // the short answer carries the mode from its first payload byte
        w.form->DispatchShortAnswer(ShortAnswer("10", "02"));
        QCOMPARE(w.form->ComboBox6->currentIndex(), 2);
        // an answer of another command changes nothing
        w.form->LastCommandCode = "8011";
        w.form->DispatchLongAnswer(LongAnswer("0010", "0100"));
        QCOMPARE(w.form->ComboBox6->currentIndex(), 2);
        QCOMPARE(w.form->PanelText(2), QStringLiteral("返回省电模式读取应答!"));
    }

    void wakeUpAnswerAfterAnotherCommand()
    {
        TestWindow w;
        w.form->LastCommandCode = "8009";
        w.form->DispatchLongAnswer(LongAnswer("0011", "0000"));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("返回串口唤醒成功应答!"));
    }

    void comboBox5ClickSendsNothing()
    {
        TestWindow w;
        w.form->LastCommandCode = "8004";
        w.form->ComboBox5->setCurrentIndex(1);
        w.form->ComboBox5Click();
        QCOMPARE(w.form->LastCommandCode, QStringLiteral("8004"));
        QCOMPARE(w.form->ComboBox5->currentIndex(), 1);
    }
};

QTEST_MAIN(PowerSave)
#include "tst_powersave.moc"
