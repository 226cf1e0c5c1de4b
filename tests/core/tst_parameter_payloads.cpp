// Payloads of the parameter commands built from the operator's typed values: the duty cycle
// with its range checks, radio and target IDs, capacitance, power level, IO outputs and the
// one-byte list values.
#include "core/protocol/Payloads.h"

#include <QtTest>

using Payloads::DutyCheck;

Q_DECLARE_METATYPE(Payloads::DutyCheck)

class ParameterPayloads : public QObject {
    Q_OBJECT
private slots:
    void dutyCycle_data()
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
    void dutyCycle()
    {
        QFETCH(QString, listen);
        QFETCH(QString, sleep);
        QFETCH(DutyCheck, check);
        QFETCH(QString, payload);
        const Payloads::DutyCycleCheck d = Payloads::DutyCyclePayload(listen, sleep);
        QCOMPARE(d.check, check);
        QCOMPARE(d.payload, payload);
        if (check == DutyCheck::Ok) {
            QCOMPARE(d.value.listenMs, listen.toInt());
            QCOMPARE(d.value.sleepS, sleep.toInt());
        }
    }

    void valuePayloads()
    {
        QCOMPARE(Payloads::RadioId(300), QStringLiteral("012C"));
        QCOMPARE(Payloads::RadioId(0), QStringLiteral("0000"));
        QCOMPARE(Payloads::RadioId(65535), QStringLiteral("FFFF"));
        QVERIFY(Payloads::RadioId(65536).isEmpty());
        QCOMPARE(Payloads::Capacitance(127), QStringLiteral("7F00"));
        QVERIFY(Payloads::Capacitance(128).isEmpty());
        QVERIFY(Payloads::Capacitance(-1).isEmpty());
        QCOMPARE(Payloads::LevelLong(15), QStringLiteral("0F00"));
        QCOMPARE(Payloads::LevelShort(15), QStringLiteral("0F"));
        QCOMPARE(Payloads::RowAndZero(3), QStringLiteral("0300"));
        QCOMPARE(Payloads::IoOutput(2, 1), QStringLiteral("0201"));
        QCOMPARE(Payloads::IoOutput(1, 0), QStringLiteral("0100"));
        QVERIFY(Payloads::IoOutput(2, -1).isEmpty());
        QVERIFY(Payloads::IoOutput(3, 1).isEmpty());
    }
};

QTEST_GUILESS_MAIN(ParameterPayloads)
#include "tst_parameter_payloads.moc"
