// What the operator's extras keep: the frame log (bounded, each frame described once), the pair
// test's CSV record and chart points (bounded), and a port opened again by itself when its
// device comes back.
#include "support/Programs.h"
#include "support/SessionRig.h"

#include "core/config/Csv.h"
#include "core/link/PComm.h"
#include "core/protocol/HexText.h"
#include "core/session/FrameLog.h"
#include "core/session/PairRecorder.h"

#include <QElapsedTimer>
#include <QtTest>

class TestOperatorRecords : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void frameLogDescribesAndKeepsTheNewest()
    {
        SessionRig rig("model=35");
        FrameLog log(3);
        log.watch(*rig.session);
        rig.session->readChannel();
        QVERIFY(rig.waitFinished(Command::ChannelRead));
        QCOMPARE(log.size(), 2);
        const FrameRecord& out = log.at(0);
        QVERIFY(!out.received);
        QCOMPARE(out.csvFields().mid(1), (QStringList{"out", "9600 8N1", "long", "5A 5A 00 00 5A 80 06 02 00 00 96 0D 0A",
                                                       "ChannelRead request", "ok"}));
        QCOMPARE(log.at(1).info.meaning(true), QStringLiteral("answer to ChannelRead"));
        // a bad checksum, a data block, and the oldest frame goes
        log.add(HexText::HexTextToBytes("EDED06010A"), true, LineSettings{});
        log.add("hello", true, LineSettings{});
        QCOMPARE(log.size(), 3);
        QCOMPARE(log.total(), 4);
        QCOMPARE(log.at(1).csvFields().value(6), QStringLiteral("wrong"));
        QCOMPARE(log.at(2).csvFields().value(3), QStringLiteral("data"));
        // the CSV of one kind
        QString error;
        const FrameKind data = FrameKind::Data;
        QVERIFY(log.saveCsv(dir.filePath("frames.csv"), &error, &data));
        QCOMPARE(Programs::ReadFile(dir.filePath("frames.csv")),
                 QByteArray("time_ms,direction,line,kind,hex,meaning,checksum\r\n") + log.at(2).csvFields().join(',').toUtf8() + "\r\n");
    }

    // The logs' CSV: a field holding a comma, a quote or a line break is quoted, quotes doubled.
    void csvQuotesTheFieldsThatNeedIt()
    {
        QCOMPARE(Csv::Row({"COM1", "no such device, or \"busy\"", "two\nlines", "a\rb"}),
                 QStringLiteral("COM1,\"no such device, or \"\"busy\"\"\",\"two\nlines\",\"a\rb\"\r\n"));
    }

    void pairRecordRowsAndBoundedPoints()
    {
        SessionRig rig("model=35,far-echo");
        PairTest pair(*rig.session);
        PairRecorder rec(pair);
        QString error;
        QVERIFY(rec.startFile(dir.filePath("pair.csv"), &error));
        pair.setTurnaround(0);
        pair.resetForStart();
        QVERIFY(pair.startSending("0123456789"));
        QVERIFY(Wait::until([&] { return pair.counters().success >= 3; }, 5000));
        pair.stop();
        rec.stopFile();
        const QStringList rows = QString::fromUtf8(Programs::ReadFile(dir.filePath("pair.csv"))).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(rows.first(), PairRecorder::CsvHeader().join(','));
        QVERIFY(rows.size() >= 4);
        QCOMPARE(rows[1].section(',', 1), QStringLiteral("10,10,good,no,1,1,1,0"));
        // the chart keeps at most kMaxPoints, the newest as they were
        PairTest::Progress p;
        for (int i = 1; i <= PairRecorder::kMaxPoints + 10; ++i) {
            p.counters.sent = i * 10;
            p.counters.success = i * 10 - (i % 2);
            pair.setProgress(p);
            rec.takePoint();
        }
        QVERIFY(rec.points().size() <= PairRecorder::kMaxPoints);
        QCOMPARE(rec.points().last().intervalRate, 100.0);
    }

    // Nothing answers: every block sent is a failed row, the last one written at the stop.
    void pairRecordRowsForUnansweredBlocks()
    {
        SessionRig rig("model=35");
        PairTest pair(*rig.session);
        PairRecorder rec(pair);
        QString error;
        const QString path = dir.filePath("dead.csv");
        QVERIFY(rec.startFile(path, &error));
        pair.resetForStart();
        QVERIFY(pair.startSending("0123456789"));
        QTRY_VERIFY_WITH_TIMEOUT(pair.counters().sent >= 3, 20000);
        pair.stop();
        rec.stopFile();
        const QStringList rows = QString::fromUtf8(Programs::ReadFile(path)).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(rows.first(), PairRecorder::CsvHeader().join(','));
        QCOMPARE(rows.size() - 1, int(pair.counters().sent));
        for (int i = 1; i < rows.size(); ++i)
            QCOMPARE(rows[i].section(',', 1), QStringLiteral("10,0,wrong,no,%1,0,0,0").arg(i));
    }

    // Each run is counted from its own start; nothing is drawn before a block is judged, and
    // the block still waiting for its reply is not counted as failed.
    void pairChartCountsEachRunFromItsStart()
    {
        SessionRig rig("model=35,far-echo");
        PairTest pair(*rig.session);
        PairRecorder rec(pair);
        pair.setTurnaround(0);
        for (int run = 1; run <= 2; ++run) {
            QElapsedTimer sinceStart;
            sinceStart.start();
            pair.resetForStart();
            QVERIFY(pair.startSending("0123456789"));
            rec.takePoint();
            QCOMPARE(rec.points().size(), run - 1);
            QVERIFY(Wait::until([&] { return pair.counters().success >= 3 && pair.counters().sent > pair.counters().success; },
                                5000));
            rec.takePoint();
            QCOMPARE(rec.points().size(), run);
            QCOMPARE(rec.points().last().cumulativeRate, 100.0);
            QVERIFY(rec.points().last().seconds <= sinceStart.elapsed() / 1000.0);
            pair.stop();
            // the block in flight comes back late, before the next run starts
            QVERIFY(Wait::until([&] { return pair.counters().received == pair.counters().sent; }, 5000));
        }
        QVERIFY(rec.points().first().run != rec.points().last().run);
    }

    // The emulator behind the port ends and starts again on the same path: the port comes back.
    void portReopensWhenTheDeviceComesBack()
    {
        const QString link = dir.filePath("module");
        auto emu = std::make_unique<Programs::Emulator>(link, QStringList{"model=35"});
        QVERIFY(emu->started);
        SessionRig rig; // the rig's Config.ini is replaced by one naming the pty
        Programs::WriteFile(rig.dir.filePath("Config.ini"), QStringLiteral("[Ports]\r\nCOM2=%1\r\n").arg(link).toUtf8());
        ModuleSession& s = *rig.session;
        QCOMPARE(s.openPort(2, LineSettings{}).status(), LinkStatus::Ok);
        s.setAnswerTimeout(1000);
        s.link().setReopenWhenBack(true);
        QSignalSpy lost(&s, &ModuleSession::portLost), back(&s, &ModuleSession::portReopened);
        emu.reset();
        QVERIFY(Wait::until([&] { return lost.count() == 1; }, 5000));
        emu = std::make_unique<Programs::Emulator>(link, QStringList{"model=35"});
        QVERIFY(Wait::until([&] { return back.count() == 1; }, 5000));
        QCOMPARE(s.readChannel(), LinkStatus::Ok);
        QVERIFY(rig.waitFinished(Command::ChannelRead));
    }
};

QTEST_GUILESS_MAIN(TestOperatorRecords)
#include "tst_operator_records.moc"
