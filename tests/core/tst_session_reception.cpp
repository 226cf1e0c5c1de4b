// When the session hands received bytes over and to whom: after the frame gap of quiet, by
// work state, and the pair test's gap worked out from the block last sent.
#include "support/SessionRig.h"

#include "core/protocol/Frames.h"

#include <QtTest>

namespace {
const QByteArray kAirRateAnswer = Frames::BuildLongFrame("0000", "0004", "0500");
} // namespace

class SessionReception : public QObject {
    Q_OBJECT
private slots:
    void answerInPiecesIsHandedOverOnceAfterTheGap()
    {
        ManualClock clock;
        ModuleSession s(Edition{});
        s.setClock(&clock);
        s.setFrameGapOption(true, 300);
        s.recordCommand(Command::AirRateRead);
        QSignalSpy blocks(&s, &ModuleSession::blockReceived);
        QSignalSpy rates(&s.answers(), &AnswerDecoder::airRateRead);
        s.receiveBytes(kAirRateAnswer.left(6));
        clock.ms += 100;
        s.receiveNow();
        s.receiveBytes(kAirRateAnswer.mid(6));
        clock.ms += 300;
        s.receiveNow();
        QVERIFY(blocks.isEmpty()); // quiet for the gap, not longer
        clock.ms += 1;
        s.receiveNow();
        QCOMPARE(blocks.size(), 1);
        QCOMPARE(blocks.first().at(0).toByteArray(), kAirRateAnswer);
        QCOMPARE(rates.size(), 1);

        // a gap shorter than the pause splits the answer into two blocks, neither an answer
        QSignalSpy invalid(&s, &ModuleSession::invalidAnswer);
        s.setFrameGapOption(true, 60);
        s.receiveBytes(kAirRateAnswer.left(6));
        clock.ms += 100;
        s.receiveNow();
        s.receiveBytes(kAirRateAnswer.mid(6));
        clock.ms += 61;
        s.receiveNow();
        QCOMPARE(invalid.size(), 2);
        QCOMPARE(rates.size(), 1);

        // a clock that starts again (midnight) hands a waiting block over at once
        s.receiveBytes("D");
        clock.ms -= 24 * 3600 * 1000;
        s.receiveNow();
        QCOMPARE(blocks.size(), 4);
    }

    void blocksGoWhereTheWorkStateSays()
    {
        ManualClock clock;
        ModuleSession s(Edition{});
        s.setClock(&clock);
        s.setFrameGapOption(true, 60);
        QSignalSpy pair(&s, &ModuleSession::pairBlockReceived);
        QSignalSpy terminal(&s, &ModuleSession::terminalBlockReceived);
        QSignalSpy invalid(&s, &ModuleSession::invalidAnswer);
        auto deliver = [&](WorkState state) {
            s.setWorkState(state);
            s.receiveBytes("AB");
            clock.ms += 61;
            s.receiveNow();
        };
        for (WorkState st : {WorkState::Idle, WorkState::PairTest, WorkState::PairTimed})
            deliver(st);
        QCOMPARE(pair.size(), 3);
        deliver(WorkState::Terminal);
        QCOMPARE(terminal.takeFirst().at(0).toByteArray(), QByteArray("AB"));
        for (WorkState st : {WorkState::Command, WorkState::CommandOther})
            deliver(st);
        QCOMPARE(invalid.size(), 2); // "AB" is no answer
        QCOMPARE(pair.size(), 3);

        // a state no receiver takes keeps the bytes, and so does paused reception
        deliver(WorkState(7));
        QCOMPARE(s.assembler().buffer(), QByteArray("AB"));
        s.setReceptionPaused(true);
        s.setWorkState(WorkState::Terminal);
        s.receiveNow();
        QVERIFY(terminal.isEmpty());
        s.setReceptionPaused(false);
        s.receiveNow();
        QCOMPARE(terminal.takeFirst().at(0).toByteArray(), QByteArray("AB"));
    }

    void terminalCutsAtTheQuietGapOrAfterTwoSeconds()
    {
        ManualClock clock;
        ModuleSession s(Edition{});
        s.setClock(&clock);
        s.setFrameGapOption(true, 333);
        s.setWorkState(WorkState::Terminal);
        QSignalSpy blocks(&s, &ModuleSession::terminalBlockReceived);
        auto piece = [&](const QByteArray& bytes) {
            s.receiveBytes(bytes);
            clock.ms += 300;
            s.receiveNow();
        };
        // Pieces closer together than the gap are one message, however long it takes...
        for (int i = 0; i < 6; ++i)
            piece("ab");
        QVERIFY(blocks.isEmpty());
        clock.ms += 34;
        s.receiveNow();
        QCOMPARE(blocks.takeFirst().at(0).toByteArray(), QByteArray("ab").repeated(6));
        // ...up to 2 s, when the lines there are shown and the rest waits.
        piece("$GPGSV\r\n$GP");
        for (int i = 0; i < 6; ++i)
            piece("ab");
        QCOMPARE(blocks.size(), 1);
        QCOMPARE(blocks.takeFirst().at(0).toByteArray(), QByteArray("$GPGSV\r\n"));
    }

    void pairTestGapFollowsTheBlockLastSent()
    {
        SessionRig rig;
        ModuleSession& s = *rig.session;
        s.setFrameGapOption(false, 300);
        QSignalSpy computed(&s, &ModuleSession::frameGapComputed);
        QCOMPARE(s.sendData(QByteArray(10, 'x'), WorkState::PairTest), LinkStatus::Ok);
        QCOMPARE(s.frameGap(), 309); // 10 bytes at 9600 baud
        QCOMPARE(computed.takeFirst().at(0).toInt(), 309);
        s.setWorkState(WorkState::Command);
        QCOMPARE(s.frameGap(), 309);
        // a fixed gap wins
        s.setFrameGapOption(true, 500);
        s.setWorkState(WorkState::PairTest);
        QCOMPARE(s.frameGap(), 500);
        // without a line the gap cannot be worked out and keeps its value
        s.link().close();
        s.setFrameGapOption(false, 500);
        QCOMPARE(s.frameGap(), 500);
        QVERIFY(computed.isEmpty());
    }
};

QTEST_GUILESS_MAIN(SessionReception)
#include "tst_session_reception.moc"
