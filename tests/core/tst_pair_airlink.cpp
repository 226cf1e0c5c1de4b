// Whole main-send runs of the pair test through the simulated module, over the air to a
// second module whose PC side echoes every block, with faults injected by the air link.
#include "support/SessionRig.h"

#include "core/link/SimulatedPorts.h"
#include "core/session/PairTest.h"

#include <QtTest>

#include <memory>

namespace {
const QByteArray kBlock = "0123456789";

// The session on COM1 with its pair test and, over the air, a module whose PC echoes.
struct Rig : SessionRig {
    explicit Rig(const QString& edition = QString()) : SessionRig(QString(), edition)
    {
        peer->options().echo = true;
        // short looks at the line and a short turn-round keep the exchanges quick
        session->setReceivePeriod(10);
        pair.setTurnaround(10);
        QObject::connect(&pair, &PairTest::frameReceived, [this](const QByteArray& frame) { lastFrame = frame; });
    }
    PairTest pair{*session};
    std::unique_ptr<ModuleEmulator> peer = std::make_unique<ModuleEmulator>(module()->options());
    std::unique_ptr<AirLink> air = std::make_unique<AirLink>(module(), peer.get());
    QByteArray lastFrame; // the last counted frame, as judged (repaired where it can be)

    const PairCounters& c() const { return pair.counters(); }
    qint64 blocksOnAir() const { return module()->airStats().sent; }
    bool waitReceived(qint64 atLeast, int ms = 5000)
    {
        return Wait::until([&] { return c().received >= atLeast; }, ms);
    }
};
} // namespace

class PairAirLinkTest : public QObject {
    Q_OBJECT
private slots:
    void sendAfterReturnWithTruncatedEchoes()
    {
        Rig r;
        QVERIFY(r.pair.startSending(kBlock));
        QCOMPARE(r.session->workState(), WorkState::PairTest);
        QVERIFY(r.waitReceived(4));
        QCOMPARE(r.c().error, 0);
        QCOMPARE(r.c().success, r.c().received);

        // Every echo now loses three bytes at its end: repaired, still all good.
        r.peer->options().truncateRate = 1.0;
        r.peer->options().truncateBytes = 3;
        r.peer->options().truncateAt = 'E';
        QVERIFY(r.waitReceived(r.c().received + 4));
        QVERIFY(r.peer->airStats().truncated >= 3);
        QCOMPARE(r.c().error, 0);
        QCOMPARE(r.lastFrame, kBlock);
        // And at the start.
        r.peer->options().truncateAt = 'S';
        QVERIFY(r.waitReceived(r.c().received + 3));
        QCOMPARE(r.c().error, 0);
        QCOMPARE(r.lastFrame, kBlock);

        // Stop right after a send: the echo still in the air arrives late, is counted and
        // judged, and is not answered.
        QVERIFY(Wait::until([&] { return r.c().sent > r.c().received; }, 2000));
        r.pair.stop();
        const qint64 sent = r.c().sent;
        QVERIFY(r.waitReceived(sent, 2000));
        Wait::pump(300);
        QCOMPARE(r.c().sent, sent);
        QCOMPARE(r.c().received, sent);
        QCOMPARE(r.blocksOnAir(), sent);
        QCOMPARE(r.session->workState(), WorkState::Idle);

        // Every block came back and was judged good; the totals are bytes of whole blocks
        // (the repaired length on the receiving side).
        QCOMPARE(r.c().success, sent);
        QCOMPARE(r.pair.successRate(), QStringLiteral("100.00%"));
        QCOMPARE(r.c().txBytes, sent * 10);
        QCOMPARE(r.c().rxBytes, sent * 10);
    }

    void factoryEditionRepairsNothing()
    {
        Rig r(QStringLiteral("VORDAL"));
        r.peer->options().truncateRate = 1.0;
        r.peer->options().truncateBytes = 2;
        QVERIFY(r.pair.startSending(kBlock));
        QVERIFY(r.waitReceived(3));
        r.pair.stop();
        Wait::pump(200);
        QCOMPARE(r.c().success, 0);
        QCOMPARE(r.c().error, r.c().received);
        QCOMPARE(r.lastFrame, QByteArray("01234567"));
        QCOMPARE(r.pair.successRate(), QStringLiteral("0.00%"));
        // The short frames count with their own length.
        QCOMPARE(r.c().rxBytes, 8 * r.c().received);
    }

    void lostEchoCountsAsFailedAndTheNextBlockGoes()
    {
        Rig r;
        r.peer->options().dropRate = 1.0;
        QVERIFY(r.pair.startSending(kBlock));
        // No reply within the reply time-out: the next block goes out all the same.
        QVERIFY(Wait::until([&] { return r.c().sent >= 2; }, 5000));
        QCOMPARE(r.c().received, 0);
        QCOMPARE(r.c().error, 0);
        QCOMPARE(r.session->workState(), WorkState::PairTest);
        // The link comes back: the exchanges go on, the lost ones sent without success.
        r.peer->options().dropRate = 0.0;
        QVERIFY(r.waitReceived(3));
        r.pair.stop();
        Wait::pump(300);
        QCOMPARE(r.c().error, 0);
        QCOMPARE(r.c().success, r.c().received);
        QVERIFY(r.c().received < r.c().sent);
    }

    void timedSendingOutlastsARefusedSend()
    {
        Rig r;
        r.pair.setTimedSending(true);
        r.pair.setTimedPeriod(100);
        QVERIFY(r.pair.startSending(kBlock));
        QSignalSpy refused(&r.pair, &PairTest::sendRefused);
        r.session->link().close();
        const qint64 sent = r.c().sent;
        QVERIFY(refused.wait(2000));
        Wait::pump(300);
        // Told once; the ticks go on without counting.
        QCOMPARE(refused.size(), 1);
        QVERIFY(r.pair.isTimerActive());
        QCOMPARE(r.c().sent, sent);
        QCOMPARE(r.c().txBytes, sent * 10);
        // The port is back: the ticks send again.
        QCOMPARE(r.session->openPort(1, LineSettings{}).status(), LinkStatus::Ok);
        QVERIFY(Wait::until([&] { return r.c().sent > sent; }, 3000));
    }

    void extraEchoesAreCappedAtTheNextSend()
    {
        Rig r;
        r.pair.setTimedSending(true);
        r.pair.setTimedPeriod(10000);
        QVERIFY(r.pair.startSending(kBlock));
        QVERIFY(Wait::until([&] { return r.c().success == 1; }, 2000));
        // The far PC sends the same block twice more: good frames beyond the one sent.
        for (int i = 0; i < 2; ++i) {
            r.peer->receiveFromPc(kBlock, SerialLine{}, SystemClock::monotonicMs());
            QVERIFY(r.waitReceived(r.c().received + 1, 2000));
        }
        QCOMPARE(r.c().success, 3);
        QCOMPARE(r.pair.successRate(), QStringLiteral("300.00%"));
        // The next timed send brings the successes down to the sends.
        QCOMPARE(r.pair.send(r.session->lastSentData(), WorkState::PairTimed), LinkStatus::Ok);
        QCOMPARE(r.c().sent, 2);
        QCOMPARE(r.c().success, 2);
        QCOMPARE(r.pair.successRate(), QStringLiteral("100.00%"));
    }

    void timedSendingUntilStop()
    {
        Rig r;
        r.pair.setTimedSending(true);
        r.pair.setTimedPeriod(100);
        QVERIFY(r.pair.startSending(kBlock));
        QCOMPARE(r.session->workState(), WorkState::PairTimed);
        QVERIFY(r.pair.isTimerActive());
        QVERIFY(Wait::until([&] { return r.c().sent >= 5; }, 5000));
        r.pair.stop();
        QVERIFY(!r.pair.isTimerActive());
        const qint64 sent = r.c().sent;
        Wait::pump(400);
        QCOMPARE(r.c().sent, sent);
        // In timed sending the echoes are judged and counted, never answered: one block on
        // the air per send.
        QCOMPARE(r.blocksOnAir(), sent);
        QVERIFY(r.c().received >= sent - 1);
        QCOMPARE(r.c().error, 0);
    }
};

QTEST_GUILESS_MAIN(PairAirLinkTest)
#include "tst_pair_airlink.moc"
