// The factory serial number on the session: the write's payload (model code, the year's last
// two digits, month, sequence high byte first) and what a read answer decodes to.
#include "support/ModuleAnswers.h"
#include "support/SessionRig.h"

#include <QtTest>

namespace {
QString Text(const SerialNumber& n)
{
    return QStringLiteral("%1 %2 %3 %4").arg(n.modelCode).arg(n.year).arg(n.month).arg(n.sequence);
}
} // namespace

class SerialNumberPayload : public QObject {
    Q_OBJECT
private slots:
    void writePayload()
    {
        SessionRig rig;
        ModuleSession& s = *rig.session;
        const SerialNumber numbers[] = {{"35", 2011, 3, 65533}, {"35", 2011, 3, 65534}, {"21", 2100, 12, 1}};
        for (const SerialNumber& n : numbers) {
            s.writeSerialNumber(n);
            QVERIFY(rig.waitFinished(Command::SerialNumberWrite));
        }
        QCOMPARE(rig.requests(), (QStringList{"long 800A payload 35 0B 03 FF FD", "long 800A payload 35 0B 03 FF FE",
                                              "long 800A payload 21 00 0C 00 01"}));
        QCOMPARE(rig.module()->options().snSequence, 1);
        QCOMPARE(rig.module()->options().snYear, 0);
    }

    void readDecodes()
    {
        SessionRig rig(QStringLiteral("model=51,year=5,month=12,seq=42"));
        ModuleSession& s = *rig.session;
        QList<SerialNumber> read;
        connect(&s.answers(), &AnswerDecoder::serialNumberRead, this, [&](const SerialNumber& n) { read << n; });
        s.readSerialNumber();
        QVERIFY(rig.waitFinished(Command::SerialNumberRead));
        s.DispatchLongAnswer(ModuleAnswers::Long("000B", "9900010100"));
        s.DispatchLongAnswer(ModuleAnswers::Long("000B", "3505"));
        QStringList texts;
        for (const SerialNumber& n : read)
            texts << Text(n);
        // a truncated answer leaves out what it does not carry
        QCOMPARE(texts, (QStringList{"51 2005 12 42", "99 2000 1 256", "35 2005 -1 -1"}));
    }
};

QTEST_GUILESS_MAIN(SerialNumberPayload)
#include "tst_serial_number_payload.moc"
