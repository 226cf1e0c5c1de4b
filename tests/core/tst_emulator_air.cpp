// The air link between emulated modules: delivery, timing, echo peers and seeded faults.
#include "tools/emulator/ModuleEmulator.h"

#include <QtTest>

namespace {

SerialLine line9600()
{
    SerialLine l;
    l.baud = 9600;
    return l;
}

QByteArray block(int i, int size)
{
    QByteArray b;
    for (int k = 0; k < size; ++k)
        b.append(char('A' + (i + k) % 26));
    return b;
}

struct RunResult {
    QList<QByteArray> received;
    AirStats stats;
};

// Sends `count` blocks of 20 bytes from a to b, 100 ms apart, and collects what b's PC gets.
RunResult runFaulty(const QString& faults, int count)
{
    ModuleEmulator::Options o;
    QString err;
    if (!ModuleEmulator::ParseOptions(faults, &o, &err))
        qFatal("%s", qPrintable(err));
    ModuleEmulator a(o);
    ModuleEmulator b;
    AirLink link(&a, &b);
    RunResult r;
    for (int i = 0; i < count; ++i) {
        const qint64 t = i * 100;
        a.receiveFromPc(block(i, 20), line9600(), t);
        r.received.append(b.takeForPc(t + 99));
    }
    r.stats = link.stats();
    return r;
}

} // namespace

class TestEmulatorAir : public QObject {
    Q_OBJECT
private slots:
    void deliveryTiming();
    void slowAirRateTakesLonger();
    void differentChannelIsUnheard();
    void echoPeerSendsBack();
    void farEchoOnALoneModule();
    void faultsRepeatWithSeed();
    void truncationAndCorruption();
    void dropEverything();
};

void TestEmulatorAir::deliveryTiming()
{
    ModuleEmulator a, b;
    AirLink link(&a, &b);
    const QByteArray data = "0123456789";
    a.receiveFromPc(data, line9600(), 0);
    // 10.4 ms in, 3.6 ms gap, 3 ms processing, 10.4 ms on the air (arrives at 28), 10.4 ms out.
    QCOMPARE(b.bytesReadyForPc(27), 0);
    QCOMPARE(b.bytesReadyForPc(38), 9);
    QCOMPARE(b.takeForPc(39), data);
    QCOMPARE(a.takeForPc(1000), QByteArray()); // nothing comes back by itself
    const AirStats s = link.stats();
    QCOMPARE(s.sent, qint64(1));
    QCOMPARE(s.delivered, qint64(1));
    QCOMPARE(s.dropped + s.truncated + s.corrupted + s.unheard, qint64(0));
    // Both ways, and a module still answers commands while linked.
    b.receiveFromPc("back", line9600(), 2000);
    QCOMPARE(a.takeForPc(2100), QByteArray("back"));
    a.receiveFromPc(QByteArray::fromHex("5A5A00005A8004020000940D0A"), line9600(), 3000);
    QCOMPARE(a.takeForPc(3100), QByteArray::fromHex("5A5A00005A0004020500190D0A"));
    QCOMPARE(b.takeForPc(3100), QByteArray());
}

void TestEmulatorAir::slowAirRateTakesLonger()
{
    ModuleEmulator::Options o;
    o.airRate = 2; // 1200 bit/s on the air: 10 bytes take 83 ms
    ModuleEmulator a(o), b(o);
    AirLink link(&a, &b);
    a.receiveFromPc("0123456789", line9600(), 0);
    QCOMPARE(b.bytesReadyForPc(100), 0);
    QCOMPARE(b.bytesReadyForPc(112), 10);
}

void TestEmulatorAir::differentChannelIsUnheard()
{
    ModuleEmulator a, b;
    b.options().channel = 2;
    AirLink link(&a, &b);
    a.receiveFromPc("hello", line9600(), 0);
    QCOMPARE(b.takeForPc(500), QByteArray());
    QCOMPARE(link.stats().unheard, qint64(1));
    QCOMPARE(link.stats().delivered, qint64(0));
    // After a channel write over the serial line the two hear each other.
    a.receiveFromPc(QByteArray::fromHex("5A5A00005A8005020200970D0A"), line9600(), 1000);
    QCOMPARE(a.takeForPc(1100).size(), 13);
    a.receiveFromPc("hello", line9600(), 2000);
    QCOMPARE(b.takeForPc(2500), QByteArray("hello"));
}

void TestEmulatorAir::echoPeerSendsBack()
{
    ModuleEmulator a, b;
    b.options().echo = true;
    AirLink link(&a, &b);
    a.receiveFromPc("ping-0123", line9600(), 0);
    QCOMPARE(a.bytesReadyForPc(80), 0);
    QCOMPARE(a.takeForPc(200), QByteArray("ping-0123"));
    QCOMPARE(b.takeForPc(200), QByteArray()); // the echoing PC took it
    QCOMPARE(link.stats().sent, qint64(2));
    QCOMPARE(link.stats().delivered, qint64(2));
    // Many blocks in a row keep their order and content.
    QByteArray all;
    for (int i = 0; i < 20; ++i) {
        a.receiveFromPc(block(i, 12), line9600(), 1000 + i * 200);
        all += a.takeForPc(1000 + i * 200 + 199);
    }
    QByteArray expected;
    for (int i = 0; i < 20; ++i)
        expected += block(i, 12);
    QCOMPARE(all, expected);
}

void TestEmulatorAir::farEchoOnALoneModule()
{
    ModuleEmulator::Options o;
    o.farEcho = true;
    ModuleEmulator a(o);
    a.receiveFromPc("lonely", line9600(), 0);
    QVERIFY(a.nextEventMs() > 0);
    QCOMPARE(a.takeForPc(300), QByteArray("lonely"));
    QCOMPARE(a.airStats().sent, qint64(1));
    QCOMPARE(a.airStats().delivered, qint64(1));
    // Commands are still answered by the module itself, not echoed.
    a.receiveFromPc(QByteArray::fromHex("5A5A00005A8004020000940D0A"), line9600(), 1000);
    QCOMPARE(a.takeForPc(1300), QByteArray::fromHex("5A5A00005A0004020500190D0A"));
}

void TestEmulatorAir::faultsRepeatWithSeed()
{
    const QString faults = "drop=0.1,truncate=0.2,truncate-bytes=3,truncate-at=random,corrupt=0.2,seed=7";
    const RunResult r1 = runFaulty(faults, 300);
    const RunResult r2 = runFaulty(faults, 300);
    const RunResult r3 = runFaulty(QString(faults).replace("seed=7", "seed=8"), 300);
    QCOMPARE(r1.received, r2.received);
    QCOMPARE(r1.stats.dropped, r2.stats.dropped);
    QVERIFY(r1.received != r3.received);

    const AirStats& s = r1.stats;
    QCOMPARE(s.sent, qint64(300));
    QCOMPARE(s.delivered + s.dropped, s.sent);
    QVERIFY2(s.dropped > 10 && s.dropped < 60, qPrintable(QString::number(s.dropped)));
    QVERIFY2(s.truncated > 25 && s.truncated < 100, qPrintable(QString::number(s.truncated)));
    QVERIFY2(s.corrupted > 25 && s.corrupted < 100, qPrintable(QString::number(s.corrupted)));
    // What arrived agrees with the counters.
    int empty = 0, shortened = 0, damaged = 0;
    for (int i = 0; i < r1.received.size(); ++i) {
        const QByteArray& got = r1.received[i];
        const QByteArray sent = block(i, 20);
        if (got.isEmpty()) {
            ++empty;
            continue;
        }
        QByteArray ref = sent;
        if (got.size() == 17) {
            ++shortened;
            // Either end may have been cut: take the reading that differs least.
            auto diff = [&](const QByteArray& x) {
                int d = 0;
                for (int k = 0; k < 17; ++k)
                    d += x[k] != got[k];
                return d;
            };
            ref = diff(sent.mid(3)) <= diff(sent.left(17)) ? sent.mid(3) : sent.left(17);
        } else {
            QCOMPARE(got.size(), 20);
        }
        int d = 0;
        for (int k = 0; k < got.size(); ++k)
            d += got[k] != ref[k];
        QVERIFY(d <= 1);
        damaged += d;
    }
    QCOMPARE(qint64(empty), s.dropped);
    QCOMPARE(qint64(shortened), s.truncated);
    QCOMPARE(qint64(damaged), s.corrupted);
}

void TestEmulatorAir::truncationAndCorruption()
{
    const QByteArray sent = block(0, 20);
    RunResult start = runFaulty("truncate=1,truncate-bytes=4,truncate-at=start", 1);
    QCOMPARE(start.received.value(0), sent.mid(4));
    RunResult end = runFaulty("truncate=1,truncate-bytes=4,truncate-at=end", 1);
    QCOMPARE(end.received.value(0), sent.left(16));
    // Cutting more than the frame holds loses the frame.
    RunResult all = runFaulty("truncate=1,truncate-bytes=50", 1);
    QCOMPARE(all.received.value(0), QByteArray());
    QCOMPARE(all.stats.dropped, qint64(1));
    RunResult corrupt = runFaulty("corrupt=1,seed=3", 1);
    const QByteArray got = corrupt.received.value(0);
    QCOMPARE(got.size(), sent.size());
    int d = 0;
    for (int k = 0; k < got.size(); ++k)
        d += got[k] != sent[k];
    QCOMPARE(d, 1);
    QCOMPARE(corrupt.stats.corrupted, qint64(1));
}

void TestEmulatorAir::dropEverything()
{
    RunResult r = runFaulty("drop=1", 10);
    QCOMPARE(r.stats.sent, qint64(10));
    QCOMPARE(r.stats.dropped, qint64(10));
    QCOMPARE(r.stats.delivered, qint64(0));
    for (const QByteArray& got : r.received)
        QVERIFY(got.isEmpty());
}

QTEST_APPLESS_MAIN(TestEmulatorAir)
#include "tst_emulator_air.moc"
