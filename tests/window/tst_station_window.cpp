// The production station window against emulated jigs (rfmod-emu on pseudo-terminals): tiles
// that reach PASS and FAIL with their reasons and numbers, totals that match the database, a
// jig whose port goes away while the others go on, a stop in the middle of a module, and the
// same records as rfmodctl program makes of the same jigs.
#include "support/FakeUi.h"
#include "support/Programs.h"
#include "support/Wait.h"

#include "app/GlobleVar.h"
#include "app/StationWindow.h"
#include "app/texts/station_texts.h"
#include "core/config/ToolConfig.h"

#include <QComboBox>
#include <QLabel>
#include <QTableWidget>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

using namespace StationTexts;

namespace {

const QByteArray kProfile = "[Profile]\r\nFormat=1\r\n[Parameters]\r\nChannel=4\r\nRadioId=3\r\n";

// The fields of the CSV log that do not depend on timing: port, model, result, detail.
QStringList Outcomes(const QString& csv)
{
    QStringList out;
    for (const QString& line : csv.split("\r\n", Qt::SkipEmptyParts).mid(1)) {
        const QStringList f = line.split(',');
        // The numbers in a failure's detail depend on which jig claimed first.
        const QString detail = QString(f.value(18)).replace(QRegularExpression("[0-9]+"), "#");
        out << QStringList{f.value(1), f.value(7), f.value(9), f.value(16), f.value(17), detail, f.value(19)}.join('|');
    }
    out.sort();
    return out;
}

} // namespace

class TestStationWindow : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    FakeUi ui;
    QList<std::shared_ptr<Programs::Emulator>> jigs;
    QString at(const QString& name) const { return dir.filePath(name); }

    // Jig n (from 1) plays the modules rfmod-emu's --jig options describe.
    void startJig(int n, const QStringList& args)
    {
        jigs.resize(std::max<qsizetype>(jigs.size(), n));
        jigs[n - 1].reset(); // gone first: an emulator takes its link path with it
        jigs[n - 1] = std::make_shared<Programs::Emulator>(at(QStringLiteral("jig%1").arg(n)), QStringList{"model=35"} + args);
        QVERIFY(jigs[n - 1]->started);
    }

    // A window on the working directory's Config.ini, its ports the jigs.
    std::unique_ptr<ProductionStationWindow> open(int ports, const QByteArray& station)
    {
        QByteArray config = "[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\n[SN]\r\nYear=2026\r\nMonth=12\r\nNO=00099\r\n[Production]\r\n"
                            "Database=sqlite:" + at("prod.db").toUtf8() + "\r\nStation=bench\r\n[Ports]\r\n";
        for (int i = 1; i <= ports; ++i)
            config += QStringLiteral("COM%1=%2\r\n").arg(i).arg(at(QStringLiteral("jig%1").arg(i))).toUtf8();
        Programs::WriteFile(at("Config.ini"), config + "[Station]\r\nProfile=" + at("p.ini").toUtf8()
                                                  + "\r\nGap=60\r\nTimeout=1500\r\nDatabase=1\r\n" + station);
        GlobleVar::ResetAll();
        GlobleVar::SetStartDirectory(dir.path());
        GlobleVar::Settings = ToolConfig::ReadSettings(GlobleVar::ConfigPath());
        return std::make_unique<ProductionStationWindow>();
    }

    QList<ModuleRecord> records()
    {
        ProductionStore store(DatabaseLocation{DatabaseLocation::Kind::Sqlite, at("prod.db")}, at("spill.jsonl"));
        QList<ModuleRecord> out;
        QString error;
        store.history(HistoryFilter{}, &out, &error);
        return out;
    }

private slots:
    void initTestCase() { SetUi(&ui); }
    void cleanupTestCase() { SetUi(nullptr); }
    void init()
    {
        QDir::setCurrent(dir.path());
        Programs::WriteFile(at("p.ini"), kProfile);
        for (const char* f : {"prod.db", "run.csv", "ctl.csv", "Config.ini"})
            QFile::remove(at(f));
        jigs.clear();
        ui.clear();
    }

    // Four jigs: two good, one with a faulty module first, one whose port goes away and
    // comes back. Tiles, totals, the database and the log agree.
    void fourJigs()
    {
        startJig(1, {"--jig", "2", "--jig-gap", "1200"});
        startJig(2, {"--jig", "2", "--jig-faulty", "1", "--jig-gap", "1200"});
        startJig(3, {"--jig", "1"});
        startJig(4, {"--jig", "3", "--jig-gap", "1500"});
        auto w = open(4, "Ports=1,2,3,4\r\nOrder=WO-7\r\nLog=" + at("run.csv").toUtf8() + "\r\n");
        QStringList failTile, passTile;
        connect(&w->station(), &ProductionStation::recorded, this, [&](int jig, const JigRecord& r) {
            // As the operator sees it the moment the module is done.
            const JigTile* t = w->Tiles[jig];
            (r.record.ok ? passTile : failTile) << QStringLiteral("%1|%2|%3|%4").arg(jig).arg(t->state->text(), t->reason->text(),
                                                                                        t->info->text());
            if (!r.record.ok)
                QCOMPARE(t->colour(), QColor(0xD0, 0x31, 0x2D));
        });
        w->StartClick();
        QCOMPARE(w->Tiles.size(), 4);
        ProductionStation& s = w->station();
        QVERIFY(Wait::until([&] { return s.countsOf(3).passed == 1; }, 30000));
        // Ended as a pulled adapter ends: its link path goes too, so no other test's
        // pseudo-terminal can stand in for it.
        jigs[3]->stop();
        QVERIFY(Wait::until([&] { return s.jigs()[3]->state() == JigState::PortTrouble; }, 15000));
        // Lost, then (the emulator gone for good) not to be opened: on its own tile only.
        QVERIFY(QStringList({Tr3(StatePort), Tr3(StateNoPort)}).contains(w->Tiles[3]->state->text()));
        // The others go on: every module of jigs 1-3 is done.
        QVERIFY(Wait::until([&] { return s.countsOf(0).passed == 2 && s.countsOf(1).passed + s.countsOf(1).failed == 2
                                         && s.countsOf(2).passed == 1; }, 40000));
        QCOMPARE(s.jigs()[3]->state(), JigState::PortTrouble);
        startJig(4, {"--jig", "1"});
        QVERIFY(Wait::until([&] { return s.countsOf(3).passed == 2; }, 30000));
        w->StopClick();

        QCOMPARE(failTile.size(), 1);
        QVERIFY2(failTile[0].startsWith("1|" + Tr3(StateFail) + "|" + Tr3(ReasonMismatch) + ": "), qPrintable(failTile[0]));
        QVERIFY(failTile[0].contains("channel is"));
        for (const QString& p : passTile)
            QVERIFY2(p.section('|', 1, 1) == Tr3(StatePass) && p.contains(Tr3(SnOf).arg("001")), qPrintable(p));

        // The totals are the database's, every record carries the work order, no number twice.
        const QList<ModuleRecord> db = records();
        const ProductionStation::Totals t = s.totals();
        QCOMPARE(t.passed, 6);
        QCOMPARE(t.failed, 1);
        QCOMPARE(db.size(), 7);
        QSet<int> numbers;
        int failedInDb = 0;
        for (const ModuleRecord& r : db) {
            QCOMPARE(r.workOrder, QStringLiteral("WO-7"));
            failedInDb += !r.ok;
            // What the faulty module answered is kept (it still has channel 1).
            if (!r.ok)
                QCOMPARE(r.readBack.value("channel").toInt(), 1);
            if (r.ok)
                numbers << r.number.sequence;
        }
        QCOMPARE(failedInDb, t.failed);
        QCOMPARE(numbers.size(), 6);
        QCOMPARE(qRound(t.yieldPercent * 10), qRound(1000.0 * 6 / 7));
        QCOMPARE(w->TableRecords->rowCount(), 7);
        w->ComboFilter->setCurrentIndex(2);
        QCOMPARE(w->TableRecords->rowCount(), 1);
        QCOMPARE(Outcomes(QString::fromUtf8(Programs::ReadFile(at("run.csv")))).size(), 7);
    }

    // rfmodctl program and the window make the same records of the same jigs.
    void sameRecordsAsRfmodctl()
    {
        startJig(1, {"--jig", "2", "--jig-gap", "1000"});
        startJig(2, {"--jig", "2", "--jig-faulty", "2", "--jig-gap", "1000"});
        auto w = open(2, "Ports=1,2\r\nLog=" + at("run.csv").toUtf8() + "\r\n");
        w->StartClick();
        ProductionStation& s = w->station();
        QVERIFY(Wait::until([&] { return s.totals().passed + s.totals().failed == 4; }, 40000));
        w->StopClick();

        startJig(1, {"--jig", "2", "--jig-gap", "1000"});
        startJig(2, {"--jig", "2", "--jig-faulty", "2", "--jig-gap", "1000"});
        const auto ctl = Programs::Ctl(dir.path(), {"--port", at("jig1"), "--port", at("jig2"), "--gap", "60", "--timeout", "1500",
                                                    "--db", "sqlite:" + at("ctl.db"), "--station", "bench", "program",
                                                    "--profile", at("p.ini"), "--sn-next", "--count", "2", "--log", at("ctl.csv")},
                                       90000);
        QVERIFY2(ctl.exitCode == 1, qPrintable(ctl.err.right(600))); // one module failed
        QCOMPARE(Outcomes(QString::fromUtf8(Programs::ReadFile(at("run.csv")))),
                 Outcomes(QString::fromUtf8(Programs::ReadFile(at("ctl.csv")))));
    }

    // Eight jigs in the German edition: every word of a tile's state stands whole.
    void wordsFitTheTiles()
    {
        QByteArray ports;
        for (int i = 1; i <= 8; ++i)
            ports += QStringLiteral("COM%1=sim\r\n").arg(i).toUtf8();
        auto w = open(0, "Ports=1,2,3,4,5,6,7,8\r\nDatabase=0\r\n[Ver]\r\nCEO=EN\r\ntype=GERMAN\r\n[Ports]\r\n" + ports);
        w->resize(1280, 800);
        w->show();
        w->StartClick();
        QVERIFY(Wait::until([&] { return w->station().totals().passed == 8; }, 30000));
        Wait::pump(100);
        for (const JigTile* t : std::as_const(w->Tiles)) {
            QCOMPARE(t->state->text(), QStringLiteral("BESTANDEN"));
            QVERIFY(t->state->fontMetrics().horizontalAdvance(t->state->text()) <= t->state->width());
            QVERIFY(t->mapTo(w.get(), QPoint(t->width(), 0)).x() < w->Tabs->x()); // no tile under the tabs
        }
        w->StopClick();
    }

    // Stopped once the number's write went out, the module may carry it: recorded as such and
    // the number left unconfirmed, never handed out again. Closing asks while jigs run.
    void stopInTheMiddleOfAModule()
    {
        startJig(1, {"--jig", "1"});
        auto w = open(1, "Ports=1\r\n");
        w->StartClick();
        ProductionStation& s = w->station();
        QVERIFY(Wait::until([&] { return s.jigs()[0]->state() == JigState::Verifying; }, 30000));
        ui.answers = {false};
        QVERIFY(!w->close());
        QVERIFY(s.isRunning());
        QVERIFY(w->close()); // Yes: the jigs stop
        QVERIFY(!s.isRunning());
        QCOMPARE(s.jigs()[0]->state(), JigState::Stopped);
        const QList<ModuleRecord> db = records();
        QCOMPARE(db.size(), 1);
        QVERIFY(!db[0].ok);
        QVERIFY(db[0].detail.startsWith("stopped while programming"));
        QCOMPARE(s.totals().failed, 1);
        StoreSummary summary;
        ProductionStore store(DatabaseLocation{DatabaseLocation::Kind::Sqlite, at("prod.db")}, at("spill.jsonl"));
        QString error;
        QVERIFY(store.summary(&summary, &error));
        QCOMPARE(summary.unconfirmed.size(), 1);
        QCOMPARE(summary.unconfirmed[0].claim.sequence, db[0].number.sequence);
    }
};

QTEST_MAIN(TestStationWindow)
#include "tst_station_window.moc"
