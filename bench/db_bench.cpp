// The production record under load: serial numbers allocated a second by 1, 4 and 16
// allocators at once (threads, each with its own ProductionStore and so its own connection),
// all in one series, on SQLite (one file) and on PostgreSQL when a URL is given. Each round is
// what a station does per module: claim a number, mark it sent, then record the module (which
// confirms the claim). The database's work per module is set against the time one module
// takes on the emulator jig.
//
//   db_bench [--pg URL] [--seconds 3] [--allocators 1,4,16] [--module-ms 2500]
//
// bench/db_bench.sh starts a throwaway PostgreSQL (fsync on), measures the module time with
// bench/program_bench.py and runs this. The allocators run flat out, so the time per
// allocation is a worst case: on a line each station asks once per module.
// The figures come last, as key=value lines; the baseline is a counter under a mutex, the
// lower bound of any allocator shared by threads, and ratios are against SQLite with one
// allocator of the same run.
#include "core/production/ProductionStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Result {
    qint64 allocations = 0;
    qint64 failures = 0;
    double allocateMs = 0; // summed over allocators
    double recordMs = 0;
    double seconds = 0;
    QString firstError;
};

ModuleRecord TypicalRecord(const SerialSeries& s, int sequence, const QString& station)
{
    ModuleRecord r;
    r.time = QDateTime::currentDateTimeUtc();
    r.station = station;
    r.port = QStringLiteral("COM1");
    r.line = SerialSettings{9600, Parity::None};
    r.identity.familyCode = 0x35;
    r.identity.firmware = QStringLiteral("V2.3");
    r.identity.band = 1;
    r.identity.modelRow = 10;
    r.number = SerialNumber{s.modelCode, s.year, s.month, sequence};
    const QJsonObject values{{QStringLiteral("channel"), 4},         {QStringLiteral("air_rate"), 9600},
                             {QStringLiteral("serial_baud"), 9600},  {QStringLiteral("serial_parity"), "none"},
                             {QStringLiteral("radio_id"), 3},        {QStringLiteral("protocol"), 1},
                             {QStringLiteral("power_mode"), 0},      {QStringLiteral("tx_power"), 2}};
    r.written = values;
    r.readBack = values;
    r.ok = true;
    r.detail = QStringLiteral(""); // not null: the column takes no NULL
    r.durationMs = 2500;
    return r;
}

// `allocators` threads, each with a store of its own, allocate and record for `seconds`.
Result Run(const DatabaseLocation& where, const QString& spill, const SerialSeries& series, int allocators,
           double seconds)
{
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::atomic<bool> stop{false};
    std::vector<Result> each(allocators);
    std::vector<std::thread> threads;
    for (int i = 0; i < allocators; ++i)
        threads.emplace_back([&, i] {
            Result& r = each[i];
            const QString station = QStringLiteral("S%1").arg(i);
            ProductionStore store(where, spill);
            QString error;
            if (!store.open(&error)) {
                r.failures = 1;
                r.firstError = error;
            }
            ++ready;
            while (!go)
                std::this_thread::yield();
            QElapsedTimer t;
            while (!stop && r.firstError.isEmpty()) {
                // what a station does per module: claim, mark sent, record (which confirms)
                t.start();
                SerialClaim claim;
                if (!store.claimNext(series, 1, ClaimOwner{station, QStringLiteral("COM1")}, &claim, &error)
                    || !store.advanceClaim(&claim, ClaimState::Sent, &error)) {
                    ++r.failures;
                    r.firstError = error;
                    break;
                }
                const qint64 allocated = t.nsecsElapsed();
                ModuleRecord record = TypicalRecord(series, claim.sequence, station);
                record.id = ProductionStore::NewId();
                record.claimId = claim.id;
                record.claimState = ClaimState::Confirmed;
                if (!store.record(record, &error) || !error.isEmpty()) {
                    ++r.failures; // not committed (perhaps spilled): counted, not timed
                    if (r.firstError.isEmpty())
                        r.firstError = error;
                    error.clear();
                    continue;
                }
                r.recordMs += (t.nsecsElapsed() - allocated) / 1e6;
                r.allocateMs += allocated / 1e6;
                ++r.allocations;
            }
        });
    while (ready < allocators)
        std::this_thread::yield();
    QElapsedTimer wall;
    wall.start();
    go = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(qint64(seconds * 1000)));
    stop = true;
    for (std::thread& t : threads)
        t.join();
    Result total;
    total.seconds = wall.nsecsElapsed() / 1e9;
    for (const Result& r : each) {
        total.allocations += r.allocations;
        total.failures += r.failures;
        total.allocateMs += r.allocateMs;
        total.recordMs += r.recordMs;
        if (total.firstError.isEmpty())
            total.firstError = r.firstError;
    }
    return total;
}

// The baseline: the cheapest shared allocator there is.
double CounterPerSecond(int allocators, double seconds)
{
    std::mutex m;
    int next = 0;
    std::atomic<bool> stop{false};
    std::atomic<qint64> total{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < allocators; ++i)
        threads.emplace_back([&] {
            qint64 n = 0;
            while (!stop) {
                std::lock_guard<std::mutex> lock(m);
                next = next < ProductionStore::kMaxSequence ? next + 1 : 0;
                ++n;
            }
            total += n;
        });
    QElapsedTimer wall;
    wall.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(qint64(seconds * 1000)));
    stop = true;
    for (std::thread& t : threads)
        t.join();
    return total / (wall.nsecsElapsed() / 1e9);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser cli;
    cli.addHelpOption();
    cli.addOption({"pg", "PostgreSQL to measure too (postgresql://USER@HOST:PORT/DB)", "url"});
    cli.addOption({"seconds", "time per measurement", "s", "3"});
    cli.addOption({"allocators", "numbers of allocators at once", "list", "1,4,16"});
    cli.addOption({"module-ms", "time one module takes on the jig", "ms", "2500"});
    cli.process(app);
    const double seconds = cli.value("seconds").toDouble();
    const double moduleMs = cli.value("module-ms").toDouble();
    QList<int> counts;
    for (const QString& n : cli.value("allocators").split(QLatin1Char(',')))
        counts << n.toInt();
    if (seconds <= 0 || moduleMs <= 0 || counts.contains(0)) {
        std::fprintf(stderr, "db_bench: --seconds, --module-ms and --allocators need positive numbers\n");
        return 2;
    }

    QTemporaryDir dir;
    QList<QPair<QString, DatabaseLocation>> backends;
    QString error;
    DatabaseLocation sqlite;
    DatabaseLocation::Parse(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("bench.db")), &sqlite, &error);
    backends.append({QStringLiteral("sqlite"), sqlite});
    if (cli.isSet("pg")) {
        DatabaseLocation pg;
        if (!DatabaseLocation::Parse(cli.value("pg"), &pg, &error) || pg.kind != DatabaseLocation::Kind::Postgres) {
            std::fprintf(stderr, "db_bench: --pg %s: %s\n", qPrintable(cli.value("pg")), qPrintable(error));
            return 2;
        }
        // the tables, made as the database's owner does
        ProductionStore owner(pg, dir.filePath(QStringLiteral("spill-init")));
        if (!owner.initialize(&error)) {
            std::fprintf(stderr, "db_bench: %s\n", qPrintable(error));
            return 1;
        }
        backends.append({QStringLiteral("postgresql"), pg});
    }

    QStringList lines;
    const double counter = CounterPerSecond(1, seconds);
    lines << QStringLiteral("baseline=mutex_counter allocators=1 allocations_per_second=%1").arg(counter, 0, 'f', 0);
    double sqliteSingle = 0;
    bool failed = false;
    int month = 0;
    for (const auto& [name, where] : backends) {
        for (int n : counts) {
            // a series of its own for each measurement, so every one starts from the same state
            const SerialSeries series{QStringLiteral("35"), 2026, ++month};
            const Result r = Run(where, dir.filePath(QStringLiteral("spill-") + name), series, n, seconds);
            if (!r.firstError.isEmpty()) {
                std::fprintf(stderr, "%s, %d allocators: %s\n", qPrintable(name), n, qPrintable(r.firstError));
                failed = true;
            }
            if (r.allocations == 0)
                continue;
            const double perSecond = r.allocations / r.seconds;
            const double allocateMs = r.allocateMs / r.allocations;
            const double recordMs = r.recordMs / r.allocations;
            const double share = 100 * (allocateMs + recordMs) / moduleMs;
            if (name == QLatin1String("sqlite") && n == 1)
                sqliteSingle = perSecond;
            std::printf("%s, %d allocator(s): %lld numbers in %.1f s, %.2f ms to allocate, %.2f ms to record, "
                        "%lld failed\n",
                        qPrintable(name), n, r.allocations, r.seconds, allocateMs, recordMs, r.failures);
            std::fflush(stdout);
            lines << QStringLiteral("allocators=%1 backend=%2 allocations_per_second=%3 ms_per_allocation=%4 "
                                    "ms_per_record=%5 db_ms_per_module=%6 module_ms=%7 "
                                    "share_of_module_time_percent=%8 ratio_to_sqlite_single=%9 failed=%10")
                         .arg(n)
                         .arg(name)
                         .arg(perSecond, 0, 'f', 1)
                         .arg(allocateMs, 0, 'f', 3)
                         .arg(recordMs, 0, 'f', 3)
                         .arg(allocateMs + recordMs, 0, 'f', 3)
                         .arg(moduleMs, 0, 'f', 0)
                         .arg(share, 0, 'f', 3)
                         .arg(sqliteSingle > 0 ? perSecond / sqliteSingle : 0.0, 0, 'f', 2)
                         .arg(r.failures);
        }
    }
    for (const QString& l : lines)
        std::printf("%s\n", qPrintable(l));
    return failed ? 1 : 0;
}
