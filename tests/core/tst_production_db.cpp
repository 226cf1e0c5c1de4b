// The production record on SQLite and on a real PostgreSQL (the throwaway cluster the test run
// starts): serial numbers allocated once each, given-back numbers first, records kept and found,
// a newer schema refused, and records that could not be committed kept in the spill file; and
// rfmodctl on it: stations programming against each other, the database lost in a run, history.
#include "core/production/ProductionStore.h"
#include "support/Programs.h"
#include "support/Wait.h"

#include <QFile>
#include <QLockFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcessEnvironment>
#include <QScopeGuard>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

QString PostgresUrl()
{
    QFile f(QProcessEnvironment::systemEnvironment().value(QStringLiteral("RFMOD_PG_DIR")) + QStringLiteral("/url"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
}

// A raw connection to the test's PostgreSQL as `user` (the cluster trusts every local role).
QSqlDatabase Raw(const DatabaseLocation& l, const QString& user, const QString& name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(l.host);
    db.setPort(l.port);
    db.setUserName(user);
    db.setDatabaseName(l.name);
    db.open();
    return db;
}

// A location on a database of its own, with its tables made as its owner does (db init): a
// new SQLite file, or the PostgreSQL database emptied.
DatabaseLocation Fresh(const QString& backend, const QTemporaryDir& dir)
{
    DatabaseLocation l;
    QString error;
    if (backend == QLatin1String("sqlite")) {
        DatabaseLocation::Parse(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("line.db")), &l, &error);
        return l;
    }
    if (!DatabaseLocation::Parse(PostgresUrl(), &l, &error))
        return l;
    {
        QSqlDatabase db = Raw(l, l.user, QStringLiteral("rfmod-cleanup"));
        QSqlQuery(db).exec(QStringLiteral("SET client_min_messages = warning"));
        QSqlQuery(db).exec(QStringLiteral("DROP TABLE IF EXISTS rfmod_meta, rfmod_series, rfmod_given_back, "
                                          "rfmod_claims, rfmod_allocations, rfmod_records"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("rfmod-cleanup"));
    ProductionStore store(l, dir.filePath(QStringLiteral("spill")));
    if (!store.initialize(&error))
        qWarning("%s", qPrintable(error));
    return l;
}

const SerialSeries k35Dec{QStringLiteral("35"), 2026, 12};

const QByteArray kProfile = "[Profile]\r\nFormat=1\r\n[Parameters]\r\nChannel=4\r\nRadioId=3\r\n";
const QByteArray kConfig = "[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\n[SN]\r\nYear=2026\r\nMonth=12\r\nNO=00099\r\n";
// Answers are quick on the emulator; the time-out leaves room for a busy machine.
const QStringList kFast{QStringLiteral("--gap"), QStringLiteral("60"), QStringLiteral("--timeout"), QStringLiteral("1500")};

QList<ModuleRecord> AllRecords(const DatabaseLocation& where, const QString& spill)
{
    ProductionStore store(where, spill);
    QList<ModuleRecord> out;
    QString error;
    if (!store.history(HistoryFilter{}, &out, &error))
        qWarning("%s", qPrintable(error));
    return out;
}

QList<int> OkNumbers(const QList<ModuleRecord>& records)
{
    QList<int> out;
    for (const ModuleRecord& r : records)
        if (r.ok)
            out << r.number.sequence;
    std::sort(out.begin(), out.end());
    return out;
}

QList<int> Range(int from, int to)
{
    QList<int> out;
    for (int n = from; n <= to; ++n)
        out << n;
    return out;
}

int OkLines(const QString& csvPath)
{
    return int(QString::fromUtf8(Programs::ReadFile(csvPath)).count(QStringLiteral(",ok,")));
}

} // namespace

class ProductionDb : public QObject {
    Q_OBJECT
private slots:
    void locations()
    {
        DatabaseLocation l;
        QString error;
        QVERIFY(DatabaseLocation::Parse(QStringLiteral("postgresql://line@db.example:6543/production"), &l, &error));
        QCOMPARE(l.kind, DatabaseLocation::Kind::Postgres);
        QCOMPARE(l.user, QStringLiteral("line"));
        QCOMPARE(l.host, QStringLiteral("db.example"));
        QCOMPARE(l.port, 6543);
        QCOMPARE(l.name, QStringLiteral("production"));
        QVERIFY(DatabaseLocation::Parse(QStringLiteral("postgresql://line@db/production"), &l, &error));
        QCOMPARE(l.port, 5432);
        for (const char* bad : {"sqlite:", "mysql://a@b/c", "postgresql://db/production", "postgresql://a@b:0/c"})
            QVERIFY2(!DatabaseLocation::Parse(QString::fromLatin1(bad), &l, &error), bad);
        QVERIFY(DatabaseLocation::Parse(QString(), &l, &error));
        QVERIFY(!l.isSet());
    }

    void allocationAndRecords_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("SQLite") << QStringLiteral("sqlite");
        QTest::newRow("PostgreSQL") << QStringLiteral("postgresql");
    }
    void allocationAndRecords()
    {
        QFETCH(QString, backend);
        QTemporaryDir dir;
        const DatabaseLocation where = Fresh(backend, dir);
        QVERIFY2(where.isSet(), "no PostgreSQL: the test run starts one (scripts/pg-throwaway.sh)");
        ProductionStore a(where, dir.filePath(QStringLiteral("spill")));
        ProductionStore b(where, dir.filePath(QStringLiteral("spill")));
        QString error;
        QVERIFY2(a.open(&error), qPrintable(error));
        QVERIFY2(b.open(&error), qPrintable(error));

        // two stations take turns: one sequence, no number twice; the start only opens a series
        QList<SerialClaim> claims;
        for (int i = 0; i < 6; ++i) {
            SerialClaim c;
            QVERIFY2((i % 2 ? b : a).claimNext(k35Dec, 42, ClaimOwner{QString::fromLatin1(i % 2 ? "B" : "A"), "COM1"}, &c, &error),
                     qPrintable(error));
            QCOMPARE(c.sequence, 42 + i);
            claims << c;
        }
        QVERIFY2(a.allocate(SerialSeries{QStringLiteral("35"), 2027, 1}, 7, QStringLiteral("A"), &error) == 7, qPrintable(error));
        // a number given back comes first, then the series goes on; a give-back repeated after
        // another station took the number again releases nothing
        QVERIFY(a.giveBackClaim(&claims[2], &error));
        SerialClaim retaken;
        QVERIFY(b.claimNext(k35Dec, 0, ClaimOwner{"B", "COM2"}, &retaken, &error));
        QCOMPARE(retaken.sequence, 44);
        SerialClaim stale = claims[2];
        stale.state = ClaimState::Allocated; // as a station that never heard its give-back's answer
        QVERIFY(a.giveBackClaim(&stale, &error));
        QCOMPARE(a.allocate(k35Dec, 0, QStringLiteral("A"), &error), 48);
        // once its write went out a number never goes back; a claim by hand of a held number is refused
        QVERIFY(a.advanceClaim(&claims[3], ClaimState::Sent, &error));
        QVERIFY(!a.giveBackClaim(&claims[3], &error));
        QCOMPARE(a.lastError().kind, StoreError::Kind::Refused);
        SerialClaim byHand;
        QVERIFY(!b.claimNumber(k35Dec, 45, ClaimOwner{"B", "COM2"}, false, &byHand, &error));
        QCOMPARE(b.lastError().kind, StoreError::Kind::Taken);
        QVERIFY2(b.claimNumber(k35Dec, 60, ClaimOwner{"B", "COM2"}, false, &byHand, &error), qPrintable(error));
        // a sent write the port refused never left the PC: back in the pool, once
        QVERIFY(a.advanceClaim(&claims[4], ClaimState::Sent, &error));
        QVERIFY(a.withdrawClaim(&claims[4], &error));
        QVERIFY(b.withdrawClaim(&claims[4], &error));
        QVERIFY(b.claimNext(k35Dec, 0, ClaimOwner{"B", "COM2"}, &retaken, &error));
        QCOMPARE(retaken.sequence, 46);

        ModuleRecord r;
        r.station = QStringLiteral("B");
        r.port = QStringLiteral("COM2");
        r.number = SerialNumber{QStringLiteral("35"), 2026, 12, 43};
        r.readBack = QJsonObject{{QStringLiteral("channel"), 3}};
        r.ok = true;
        r.id = ProductionStore::NewId();
        QVERIFY(a.record(r, &error));
        QVERIFY(b.record(r, &error)); // the same record again (its answer lost): kept once
        QCOMPARE(a.spilledCount(), 0); // committed, not spilled: a record without detail too
        // a second ok record of the number is another module carrying it: kept as failed
        ModuleRecord twin = r;
        twin.id = ProductionStore::NewId();
        QVERIFY(b.record(twin, &error));
        QCOMPARE(b.lastError().kind, StoreError::Kind::Taken);
        r.number.sequence = 44;
        r.ok = false;
        r.id = ProductionStore::NewId();
        r.detail = QStringLiteral("channel is 1, wanted 3");
        QVERIFY(b.record(r, &error));
        QList<ModuleRecord> found;
        HistoryFilter bySn;
        bySn.sequence = 43;
        bySn.series = k35Dec;
        QVERIFY(a.history(bySn, &found, &error));
        QCOMPARE(found.size(), 2); // the module and its twin, kept as failed
        QVERIFY(found.last().ok && !found.first().ok);
        bySn.limit = 1;
        QVERIFY(a.history(bySn, &found, &error));
        QCOMPARE(found.size(), 1);
        bySn.series.month = 11;
        QVERIFY(a.history(bySn, &found, &error));
        QVERIFY(found.isEmpty());
        bySn.series.month = 12;
        bySn.limit = 0;
        QVERIFY(a.history(bySn, &found, &error));
        found.removeFirst();
        QCOMPARE(found.first().station, QStringLiteral("B"));
        QCOMPARE(found.first().readBack.value(QStringLiteral("channel")).toInt(), 3);
        HistoryFilter failed;
        failed.failedOnly = true;
        QVERIFY(a.history(failed, &found, &error));
        QCOMPARE(found.size(), 2);
        QCOMPARE(found.first().detail, QStringLiteral("channel is 1, wanted 3"));
        QVERIFY2(found.last().detail.contains(QStringLiteral("recorded ok on another module")), qPrintable(found.last().detail));

        StoreSummary s;
        QVERIFY2(a.summary(&s, &error), qPrintable(error));
        QCOMPARE(s.schemaVersion, ProductionStore::kSchemaVersion);
        QCOMPARE(s.series.size(), 2);
        QCOMPARE(s.records, 3);
        QCOMPARE(s.failed, 2);
        QCOMPARE(s.unconfirmed.size(), 1); // 45: sent, never settled
        QCOMPARE(s.unconfirmed.first().claim.sequence, 45);
        QCOMPARE(s.unconfirmed.first().port, QStringLiteral("COM1"));
        QVERIFY(s.duplicates.isEmpty());
    }

    // A record that cannot be committed waits in the spill file and goes in at the next
    // connection; a database of a newer schema is refused.
    void spillAndNewerSchema()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("line.db"));
        const QString spill = dir.filePath(QStringLiteral("spill"));
        DatabaseLocation where;
        QString error;
        QVERIFY(DatabaseLocation::Parse(QStringLiteral("sqlite:") + db, &where, &error));
        // the bench's database is away (its directory not mounted): the record waits for it
        DatabaseLocation away;
        QVERIFY(DatabaseLocation::Parse(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("away/line.db")), &away, &error));
        ModuleRecord r;
        r.id = ProductionStore::NewId();
        r.station = QStringLiteral("A");
        r.number.sequence = 5;
        {
            ProductionStore gone(away, spill);
            QVERIFY(gone.record(r, &error));
            QCOMPARE(gone.spilledCount(), 1);
        }
        {
            // another database opened beside it leaves the record alone
            ProductionStore other(where, spill);
            QVERIFY2(other.open(&error), qPrintable(error));
            QCOMPARE(other.spilledCount(), 0);
            QList<ModuleRecord> found;
            QVERIFY(other.history(HistoryFilter{}, &found, &error));
            QVERIFY(found.isEmpty());
        }
        const QByteArray waiting = Programs::ReadFile(spill);
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("away")));
        {
            // its own database busy with the spill file in another process: it waits longer
            QLockFile busy(spill + QStringLiteral(".lock"));
            QVERIFY(busy.lock());
            ProductionStore store(away, spill);
            QVERIFY2(store.open(&error), qPrintable(error));
            QCOMPARE(store.spilledCount(), 1);
        }
        for (int replay = 0; replay < 2; ++replay) {
            // the second time as after a run killed between its inserts and the rewrite
            if (replay == 1)
                Programs::WriteFile(spill, waiting);
            ProductionStore store(away, spill);
            QVERIFY2(store.open(&error), qPrintable(error));
            QCOMPARE(store.spilledCount(), 0);
            QList<ModuleRecord> found;
            QVERIFY(store.history(HistoryFilter{}, &found, &error));
            QCOMPARE(found.size(), 1);
            QCOMPARE(found.first().number.sequence, 5);
            QCOMPARE(found.first().id, r.id);
        }
        { ProductionStore store(where, spill); QVERIFY(store.open(&error)); }

        QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        raw.setDatabaseName(db);
        QVERIFY(raw.open());
        QVERIFY(QSqlQuery(raw).exec(QStringLiteral("UPDATE rfmod_meta SET value = '99' WHERE key = 'schema_version'")));
        raw.close();
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
        ProductionStore newer(where, spill);
        QVERIFY(!newer.open(&error));
        QVERIFY2(error.contains(QStringLiteral("schema version 99")), qPrintable(error));
    }

    // A file of the earlier version (no claims, records without ids) is upgraded in place: what
    // it allocated becomes claims, confirmed by an ok record, given back, or unconfirmed.
    void earlierVersionIsUpgraded_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("SQLite") << QStringLiteral("sqlite");
        QTest::newRow("PostgreSQL") << QStringLiteral("postgresql");
    }
    void earlierVersionIsUpgraded()
    {
        QFETCH(QString, backend);
        QTemporaryDir dir;
        const bool pg = backend == QLatin1String("postgresql");
        DatabaseLocation where = Fresh(backend, dir);
        QVERIFY2(where.isSet(), "no PostgreSQL: the test run starts one (scripts/pg-throwaway.sh)");
        {
            QSqlDatabase v1 = pg ? Raw(where, where.user, "v1") : QSqlDatabase::addDatabase("QSQLITE", "v1");
            if (!pg)
                v1.setDatabaseName(where.path);
            QVERIFY(v1.isOpen() || v1.open());
            QSqlQuery q(v1);
            q.exec("SET client_min_messages = warning");
            q.exec("DROP TABLE IF EXISTS rfmod_meta, rfmod_series, rfmod_given_back, rfmod_claims, rfmod_records");
            const QString key = pg ? "BIGSERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY AUTOINCREMENT";
            for (const char* sql :
                 {"CREATE TABLE rfmod_meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)",
                  "INSERT INTO rfmod_meta VALUES ('schema_version', '1')",
                  "CREATE TABLE rfmod_series (model TEXT NOT NULL, year INTEGER NOT NULL, month INTEGER NOT NULL,"
                  " next_sequence INTEGER NOT NULL, PRIMARY KEY (model, year, month))",
                  "INSERT INTO rfmod_series VALUES ('35', 2026, 12, 103)",
                  "CREATE TABLE rfmod_given_back (model TEXT NOT NULL, year INTEGER NOT NULL, month INTEGER NOT NULL,"
                  " sequence INTEGER NOT NULL, PRIMARY KEY (model, year, month, sequence))",
                  "INSERT INTO rfmod_given_back VALUES ('35', 2026, 12, 101)",
                  "CREATE TABLE rfmod_allocations (model TEXT NOT NULL, year INTEGER NOT NULL, month INTEGER NOT NULL,"
                  " sequence INTEGER NOT NULL, station TEXT NOT NULL, time TEXT NOT NULL, PRIMARY KEY (model, year, month, sequence))",
                  "INSERT INTO rfmod_allocations VALUES ('35', 2026, 12, 100, 'A', '2026-12-01T08:00:00.000Z'),"
                  " ('35', 2026, 12, 101, 'A', '2026-12-01T08:01:00.000Z'), ('35', 2026, 12, 102, 'B', '2026-12-01T08:02:00.000Z')",
                  "CREATE TABLE rfmod_records (id %1, time TEXT NOT NULL, station TEXT NOT NULL,"
                  " port TEXT NOT NULL, baud INTEGER, parity TEXT, family INTEGER, firmware TEXT, band INTEGER, model_row INTEGER,"
                  " sn_model TEXT, sn_year INTEGER, sn_month INTEGER, sn_sequence INTEGER, written TEXT NOT NULL,"
                  " read_back TEXT NOT NULL, result TEXT NOT NULL, detail TEXT NOT NULL, duration_ms INTEGER NOT NULL)",
                  "INSERT INTO rfmod_records (time, station, port, sn_model, sn_year, sn_month, sn_sequence, written, read_back,"
                  " result, detail, duration_ms) VALUES ('2026-12-01T08:00:30.000Z', 'A', 'COM1', '35', 2026, 12, 100, '{}', '{}',"
                  " 'ok', '', 900)"})
                QVERIFY2(q.exec(QString::fromLatin1(sql).arg(key)), qPrintable(q.lastError().text()));
            v1.close();
        }
        QSqlDatabase::removeDatabase("v1");
        ProductionStore store(where, dir.filePath("spill"));
        QString error;
        // a server's schema is its owner's to upgrade; a bench's file upgrades itself
        if (pg) {
            QVERIFY(!store.open(&error));
            QCOMPARE(store.lastError().kind, StoreError::Kind::OldSchema);
            QVERIFY2(store.initialize(&error), qPrintable(error));
        }
        QVERIFY2(store.open(&error), qPrintable(error));
        StoreSummary s;
        QVERIFY2(store.summary(&s, &error), qPrintable(error));
        QCOMPARE(s.schemaVersion, ProductionStore::kSchemaVersion);
        QCOMPARE(s.records, 1);
        QCOMPARE(s.unconfirmed.size(), 1); // 102: allocated, never recorded
        QCOMPARE(s.unconfirmed.first().claim.sequence, 102);
        QCOMPARE(s.givenBack.size(), 1);
        QList<ModuleRecord> found;
        QVERIFY(store.history(HistoryFilter{}, &found, &error));
        QCOMPARE(found.size(), 1);
        QVERIFY(!found.first().id.isEmpty());
        SerialClaim next;
        QVERIFY(store.claimNext(k35Dec, 0, ClaimOwner{"A", "COM1"}, &next, &error));
        QCOMPARE(next.sequence, 101); // given back in version 1
        QVERIFY(store.claimNext(k35Dec, 0, ClaimOwner{"A", "COM1"}, &next, &error));
        QCOMPARE(next.sequence, 103);
    }

    // Stations starting at the same moment on a new SQLite file both get in.
    void stationsOpenANewFileTogether()
    {
        QTemporaryDir dir;
        Programs::WriteFile(dir.filePath(QStringLiteral("Config.ini")), kConfig);
        for (int round = 0; round < 5; ++round) {
            const QString db = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("new%1.db").arg(round));
            QProcess a, b;
            for (QProcess* p : {&a, &b}) {
                p->setWorkingDirectory(dir.path());
                p->start(qEnvironmentVariable("RFMOD_CTL"), {QStringLiteral("--db"), db, QStringLiteral("db"), QStringLiteral("check")});
            }
            QVERIFY(a.waitForFinished(20000) && b.waitForFinished(20000));
            QVERIFY2(a.exitCode() == 0 && b.exitCode() == 0, (a.readAllStandardError() + b.readAllStandardError()).constData());
        }
    }

    // Two stations with two jigs each on one database: station A names it in Config.ini,
    // station B on the command line. A module that fails gives its number back, and the next
    // module takes it.
    void twoStationsProgramOnOneDatabase_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("PostgreSQL") << QStringLiteral("postgresql");
        // every transaction serializable: the ones that lose are run again, no module fails for it
        QTest::newRow("PostgreSQL serializable") << QStringLiteral("serializable");
        QTest::newRow("SQLite") << QStringLiteral("sqlite");
    }
    void twoStationsProgramOnOneDatabase()
    {
        QFETCH(QString, backend);
        QTemporaryDir dir;
        const bool serializable = backend == QLatin1String("serializable");
        const DatabaseLocation where = Fresh(serializable ? QStringLiteral("postgresql") : backend, dir);
        auto isolation = [&](const char* sql) {
            {
                QSqlDatabase admin = Raw(where, "postgres", "isolation");
                QSqlQuery(admin).exec(QString::fromLatin1(sql));
                admin.close();
            }
            QSqlDatabase::removeDatabase("isolation");
        };
        if (serializable)
            isolation("ALTER DATABASE rfmod SET default_transaction_isolation = serializable");
        auto reset = qScopeGuard([&] {
            if (serializable)
                isolation("ALTER DATABASE rfmod RESET default_transaction_isolation");
        });
        QVERIFY2(where.isSet(), "no PostgreSQL: the test run starts one (scripts/pg-throwaway.sh)");
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a")) && QDir(dir.path()).mkpath(QStringLiteral("b")));
        Programs::WriteFile(dir.filePath(QStringLiteral("a/Config.ini")),
                            kConfig + "[Production]\r\nDatabase=" + where.text().toUtf8() + "\r\nStation=A\r\n");
        Programs::WriteFile(dir.filePath(QStringLiteral("b/Config.ini")), kConfig);
        Programs::WriteFile(dir.filePath(QStringLiteral("p.ini")), kProfile);
        QList<std::shared_ptr<Programs::Emulator>> jigs;
        QStringList portsA, portsB;
        for (int i = 0; i < 4; ++i) {
            const QString link = dir.filePath(QStringLiteral("jig%1").arg(i));
            // After a failed module the jig stays empty long enough for the removal to be seen
            // on a busy machine too: the next module is alike in every way.
            QStringList args{QStringLiteral("model=35"), QStringLiteral("--jig"), QStringLiteral("3"),
                             QStringLiteral("--jig-gap"), QStringLiteral("100"), QStringLiteral("--jig-bad-gap"),
                             QStringLiteral("6000")};
            if (i == 3)
                args << QStringLiteral("--jig-faulty") << QStringLiteral("1");
            jigs << std::make_shared<Programs::Emulator>(link, args);
            QVERIFY(jigs.last()->started);
            (i < 2 ? portsA : portsB) << QStringLiteral("--port") << link;
        }
        const QStringList program{QStringLiteral("program"), QStringLiteral("--profile"), dir.filePath(QStringLiteral("p.ini")),
                                  QStringLiteral("--sn-next"), QStringLiteral("--count"), QStringLiteral("3")};
        QProcess a, b;
        a.setWorkingDirectory(dir.filePath(QStringLiteral("a")));
        b.setWorkingDirectory(dir.filePath(QStringLiteral("b")));
        a.start(qEnvironmentVariable("RFMOD_CTL"), portsA + kFast + program);
        b.start(qEnvironmentVariable("RFMOD_CTL"), QStringList{QStringLiteral("--db"), where.text(), QStringLiteral("--station"),
                                                               QStringLiteral("B")}
                                                       + portsB + kFast + program + QStringList{QStringLiteral("--start"), QStringLiteral("100")});
        QVERIFY(a.waitForFinished(90000) && b.waitForFinished(90000));
        const QByteArray errA = a.readAllStandardError(), errB = b.readAllStandardError();
        QVERIFY2(a.exitCode() == 0, errA.right(600).constData());
        QVERIFY2(b.exitCode() == 1, errB.right(600).constData()); // its faulty module failed
        const QList<ModuleRecord> records = AllRecords(where, dir.filePath(QStringLiteral("spill")));
        QCOMPARE(records.size(), 12);
        // the faulty module's number went out to it and is never handed out again
        const QList<int> ok = OkNumbers(records);
        QCOMPARE(ok.size(), 11);
        QCOMPARE(QSet<int>(ok.begin(), ok.end()).size(), 11);
        QVERIFY(ok.first() >= 100 && ok.last() <= 111);
        QSet<QString> stations;
        for (const ModuleRecord& r : records) {
            stations << r.station;
            QVERIFY(r.ok || (r.station == QLatin1String("B") && r.port == QLatin1String("COM2") && !ok.contains(r.number.sequence)));
        }
        QCOMPARE(stations, (QSet<QString>{QStringLiteral("A"), QStringLiteral("B")}));
    }

    // history finds a module by its number; with the database unreachable at the start
    // program ends before anything is sent to the module.
    void historyAndUnreachableDatabase()
    {
        QTemporaryDir dir;
        Programs::WriteFile(dir.filePath(QStringLiteral("Config.ini")), kConfig);
        Programs::WriteFile(dir.filePath(QStringLiteral("p.ini")), kProfile);
        const QString p = dir.filePath(QStringLiteral("p.ini"));
        const QString db = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("line.db"));
        const QString nowhere = QStringLiteral("postgresql://rfmod@127.0.0.1:1/rfmod");

        Programs::Emulator quiet(dir.filePath(QStringLiteral("quiet")), {QStringLiteral("model=35"), QStringLiteral("--verbose")});
        QVERIFY(quiet.started);
        auto r = Programs::Ctl(dir.path(), QStringList{QStringLiteral("--db"), nowhere, QStringLiteral("--port"),
                                                       dir.filePath(QStringLiteral("quiet"))}
                                               + kFast + QStringList{QStringLiteral("program"), QStringLiteral("--profile"), p,
                                                                     QStringLiteral("--sn-next"), QStringLiteral("--count"),
                                                                     QStringLiteral("1")}, 20000);
        QVERIFY2(r.exitCode == 4 && r.err.contains(nowhere), qPrintable(r.err));
        Wait::pump(300);
        QVERIFY2(!quiet.log().contains(QStringLiteral("PC wrote")), qPrintable(quiet.log()));
        QCOMPARE(Programs::Ctl(dir.path(), {QStringLiteral("--db"), nowhere, QStringLiteral("db"), QStringLiteral("check")}).exitCode, 4);
        QCOMPARE(Programs::Ctl(dir.path(), {QStringLiteral("--db"), QStringLiteral("mysql://a@b/c"), QStringLiteral("ports")}).exitCode, 2);
        QCOMPARE(Programs::Ctl(dir.path(), {QStringLiteral("history")}).exitCode, 2);

        Programs::Emulator one(dir.filePath(QStringLiteral("one")), {QStringLiteral("model=35")});
        QVERIFY(one.started);
        r = Programs::Ctl(dir.path(), QStringList{QStringLiteral("--db"), db, QStringLiteral("--station"), QStringLiteral("S1"),
                                                  QStringLiteral("--port"), dir.filePath(QStringLiteral("one"))}
                                          + kFast + QStringList{QStringLiteral("program"), QStringLiteral("--profile"), p,
                                                                QStringLiteral("--sn-next"), QStringLiteral("--count"), QStringLiteral("1")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        r = Programs::Ctl(dir.path(), {QStringLiteral("--db"), db, QStringLiteral("history"), QStringLiteral("--sn"),
                                       QStringLiteral("100"), QStringLiteral("--json")});
        QCOMPARE(r.exitCode, 0);
        const QJsonArray found = QJsonDocument::fromJson(r.out.toUtf8()).array();
        QCOMPARE(found.size(), 1);
        const QJsonObject o = found.first().toObject();
        for (const char* key : {"time", "station", "port", "model", "serial_number", "year", "month", "result", "detail",
                                "channel", "radio_id"})
            QVERIFY2(o.contains(QLatin1String(key)), key);
        QCOMPARE(o.value(QStringLiteral("serial_number")).toString(), QStringLiteral("00100"));
        QCOMPARE(o.value(QStringLiteral("station")).toString(), QStringLiteral("S1"));
        QCOMPARE(o.value(QStringLiteral("month")).toInt(), 12);
        QCOMPARE(o.value(QStringLiteral("channel")).toInt(), 4);
        QCOMPARE(o.value(QStringLiteral("result")).toString(), QStringLiteral("ok"));
        r = Programs::Ctl(dir.path(), {QStringLiteral("--db"), db, QStringLiteral("history"), QStringLiteral("--sn"),
                                       QStringLiteral("101"), QStringLiteral("--csv")});
        QCOMPARE(r.out.count(QStringLiteral("\r\n")), 1); // the header alone
    }

    // The server stopped in the middle of a run and started again: while it is down no module
    // is numbered; afterwards every module has its record and nothing waits in the spill file.
    void databaseLostInARun()
    {
        QTemporaryDir dir;
        const DatabaseLocation where = Fresh(QStringLiteral("postgresql"), dir);
        QVERIFY2(where.isSet(), "no PostgreSQL: the test run starts one (scripts/pg-throwaway.sh)");
        Programs::WriteFile(dir.filePath(QStringLiteral("Config.ini")), kConfig);
        Programs::WriteFile(dir.filePath(QStringLiteral("p.ini")), kProfile);
        const QString csv = dir.filePath(QStringLiteral("run.csv"));
        Programs::Emulator jig(dir.filePath(QStringLiteral("jig")),
                               {QStringLiteral("model=35"), QStringLiteral("--jig"), QStringLiteral("5"),
                                QStringLiteral("--jig-gap"), QStringLiteral("200")});
        QVERIFY(jig.started);
        QProcess ctl;
        ctl.setWorkingDirectory(dir.path());
        ctl.start(qEnvironmentVariable("RFMOD_CTL"),
                  QStringList{QStringLiteral("--db"), where.text(), QStringLiteral("--port"), dir.filePath(QStringLiteral("jig"))}
                      + kFast
                      + QStringList{QStringLiteral("program"), QStringLiteral("--profile"), dir.filePath(QStringLiteral("p.ini")),
                                    QStringLiteral("--sn-next"), QStringLiteral("--count"), QStringLiteral("5"),
                                    QStringLiteral("--log"), csv});
        QString err;
        QObject::connect(&ctl, &QProcess::readyReadStandardError, [&] { err += QString::fromUtf8(ctl.readAllStandardError()); });
        QVERIFY(Wait::until([&] { return OkLines(csv) >= 2; }, 40000));

        const QString script = qEnvironmentVariable("RFMOD_PG_SCRIPT");
        const QString pgDir = qEnvironmentVariable("RFMOD_PG_DIR");
        QCOMPARE(QProcess::execute(script, {QStringLiteral("pause"), pgDir}), 0);
        bool paused = true;
        auto resume = qScopeGuard([&] {
            if (paused)
                QProcess::execute(script, {QStringLiteral("resume"), pgDir});
        });
        QVERIFY2(Wait::until([&] { return err.contains(QStringLiteral("is lost")); }, 15000), qPrintable(err));
        QVERIFY2(err.contains(where.text()), qPrintable(err));
        const int whileDown = OkLines(csv);
        Wait::pump(2500);
        QCOMPARE(OkLines(csv), whileDown);
        QCOMPARE(QProcess::execute(script, {QStringLiteral("resume"), pgDir}), 0);
        paused = false;

        QVERIFY(ctl.waitForFinished(60000));
        err += QString::fromUtf8(ctl.readAllStandardError());
        QCOMPARE(ctl.exitCode(), 0);
        QVERIFY2(err.contains(QStringLiteral("is back")), qPrintable(err));
        const QList<ModuleRecord> records = AllRecords(where, dir.filePath(QStringLiteral("other-spill")));
        QCOMPARE(OkNumbers(records), Range(100, 104));
        QCOMPARE(records.size(), 5);
        QVERIFY(Programs::ReadFile(dir.filePath(QStringLiteral("production-spill.jsonl"))).trimmed().isEmpty());
    }

    // No table is made by an ordinary open of a server's database: its owner runs db init. A
    // station needs only rights on the tables, a viewer only SELECT; a role without them, a
    // database without the tables and one of a newer schema are named as such (exit 5).
    void rolesAndSchema()
    {
        QTemporaryDir dir;
        const DatabaseLocation where = Fresh(QStringLiteral("postgresql"), dir);
        QVERIFY2(where.isSet(), "no PostgreSQL: the test run starts one (scripts/pg-throwaway.sh)");
        Programs::WriteFile(dir.filePath("Config.ini"), kConfig);
        Programs::WriteFile(dir.filePath("p.ini"), kProfile);
        QSqlDatabase admin = Raw(where, "postgres", "admin");
        QVERIFY2(admin.isOpen(), qPrintable(admin.lastError().text()));
        QSqlQuery q(admin);
        q.exec("SET client_min_messages = warning");
        q.exec("DROP TABLE IF EXISTS rfmod_meta, rfmod_series, rfmod_given_back, rfmod_claims, rfmod_records");
        auto url = [&](const char* role) { return QStringLiteral("postgresql://%1@%2:%3/%4").arg(QLatin1String(role), where.host).arg(where.port).arg(where.name); };
        auto run = [&](const char* role, const QStringList& args) {
            return Programs::Ctl(dir.path(), QStringList{"--db", url(role), "--station", "S"} + args, 30000);
        };
        auto r = run("rfmod", {"db", "check"});
        QCOMPARE(r.exitCode, 5);
        QVERIFY2(r.err.contains("db init"), qPrintable(r.err));
        QVERIFY(q.exec("SELECT to_regclass('rfmod_meta') IS NULL") && q.next() && q.value(0).toBool());
        QCOMPARE(run("rfmod", {"db", "init"}).exitCode, 0);

        for (const char* sql : {"DROP ROLE IF EXISTS line_station", "DROP ROLE IF EXISTS line_viewer", "DROP ROLE IF EXISTS nobody",
                                "CREATE ROLE line_station LOGIN", "CREATE ROLE line_viewer LOGIN", "CREATE ROLE nobody LOGIN",
                                "GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO line_station",
                                "GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO line_station",
                                "GRANT SELECT ON ALL TABLES IN SCHEMA public TO line_viewer"})
            QVERIFY2(q.exec(QString::fromLatin1(sql)), qPrintable(q.lastError().text()));
        Programs::Emulator module(dir.filePath("m"), {"model=35"});
        QVERIFY(module.started);
        r = run("line_station", QStringList{"--port", dir.filePath("m")} + kFast + QStringList{"program", "--profile", dir.filePath("p.ini"), "--sn-next", "--count", "1"});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        r = run("line_viewer", {"history", "--sn", "35-2026-12-00100", "--json"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QJsonDocument::fromJson(r.out.toUtf8()).array().size(), 1);
        QCOMPARE(run("line_viewer", {"db", "check"}).exitCode, 0);
        r = run("nobody", {"db", "check"});
        QCOMPARE(r.exitCode, 5);
        QVERIFY2(r.err.contains("refuses this role"), qPrintable(r.err));
        QVERIFY(q.exec("UPDATE rfmod_meta SET value = '99' WHERE key = 'schema_version'"));
        r = run("line_viewer", {"history"});
        QCOMPARE(r.exitCode, 5);
        QVERIFY2(r.err.contains("newer"), qPrintable(r.err));
        admin.close();
    }

    // sn next and sn write take their numbers where program does: from the database. A number
    // written twice on purpose (--again) shows in db check as on two modules (exit 1).
    void snUsesTheDatabase()
    {
        QTemporaryDir dir;
        const QString db = "sqlite:" + dir.filePath("line.db");
        Programs::WriteFile(dir.filePath("Config.ini"), kConfig + "[Production]\r\nDatabase=" + db.toUtf8() + "\r\nStation=A\r\n");
        Programs::WriteFile(dir.filePath("p.ini"), kProfile);
        Programs::Emulator jig(dir.filePath("jig"), {"model=35", "--jig", "2", "--jig-gap", "100"});
        QVERIFY(jig.started);
        auto r = Programs::Ctl(dir.path(), QStringList{"--port", dir.filePath("jig")} + kFast
                                               + QStringList{"program", "--profile", dir.filePath("p.ini"), "--sn-next", "--count", "2"});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        r = Programs::Ctl(dir.path(), {"--port", "sim:model=35", "--json", "sn", "next"});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(QJsonDocument::fromJson(r.out.toUtf8()).object().value("serial_number").toString(), QStringLiteral("00102"));
        r = Programs::Ctl(dir.path(), {"--port", "sim:model=35", "sn", "write", "--seq", "101"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("--again"), qPrintable(r.err));
        QCOMPARE(Programs::Ctl(dir.path(), {"db", "check"}).exitCode, 0);
        r = Programs::Ctl(dir.path(), {"--port", "sim:model=35", "sn", "write", "--seq", "101", "--again"});
        QCOMPARE(r.exitCode, 1); // written, but another module carries it with an ok record
        r = Programs::Ctl(dir.path(), {"--json", "db", "check"});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(QJsonDocument::fromJson(r.out.toUtf8()).object().value("duplicates").toArray().size(), 1);
        const QList<ModuleRecord> records = AllRecords(DatabaseLocation{DatabaseLocation::Kind::Sqlite, dir.filePath("line.db")}, dir.filePath("x"));
        QCOMPARE(OkNumbers(records), Range(100, 102));
        QCOMPARE(records.size(), 4);
    }

    // Stopped (Ctrl+C) or killed after the number went out to the module: the number is not
    // given back, db check names it as sent and never confirmed, the next module gets another.
    // A record the database cannot take when the run ends makes the run end non-zero (6).
    void stoppedAfterTheWrite()
    {
        QTemporaryDir dir;
        const DatabaseLocation where = Fresh(QStringLiteral("postgresql"), dir);
        QVERIFY2(where.isSet(), "no PostgreSQL: the test run starts one (scripts/pg-throwaway.sh)");
        Programs::WriteFile(dir.filePath("Config.ini"), kConfig);
        Programs::WriteFile(dir.filePath("p.ini"), kProfile);
        const QStringList db{"--db", where.text(), "--station", "S"};
        // Slow answers: the read-back lasts long enough to be interrupted in.
        Programs::Emulator slow(dir.filePath("slow"), {"model=35,delay=250"});
        QVERIFY(slow.started);
        for (int signal : {SIGINT, SIGKILL}) {
            QProcess ctl;
            ctl.setWorkingDirectory(dir.path());
            ctl.start(qEnvironmentVariable("RFMOD_CTL"), db + QStringList{"--port", dir.filePath("slow"), "--gap", "60", "--timeout", "2000",
                                                                      "program", "--profile", dir.filePath("p.ini"), "--sn-next"});
            QString err;
            QObject::connect(&ctl, &QProcess::readyReadStandardError, [&] { err += QString::fromUtf8(ctl.readAllStandardError()); });
            QVERIFY2(Wait::until([&] { return err.contains("verifying"); }, 30000), qPrintable(err));
            ::kill(pid_t(ctl.processId()), signal);
            QVERIFY(ctl.waitForFinished(20000));
        }
        auto r = Programs::Ctl(dir.path(), db + QStringList{"--json", "db", "check"});
        QCOMPARE(r.exitCode, 0);
        const QJsonArray unconfirmed = QJsonDocument::fromJson(r.out.toUtf8()).object().value("unconfirmed").toArray();
        QCOMPARE(unconfirmed.size(), 2);
        QCOMPARE(unconfirmed.at(0).toObject().value("serial_number").toString(), QStringLiteral("00100"));
        QCOMPARE(unconfirmed.at(1).toObject().value("serial_number").toString(), QStringLiteral("00101"));
        QCOMPARE(unconfirmed.at(1).toObject().value("station").toString(), QStringLiteral("S"));
        Wait::pump(1000); // the answer to the killed run's last request comes and goes
        r = Programs::Ctl(dir.path(), {"--port", dir.filePath("slow"), "--gap", "60", "--timeout", "2000", "--json", "sn", "read"});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(QJsonDocument::fromJson(r.out.toUtf8()).object().value("serial_number").toString(), QStringLiteral("00101"));

        // The server gone while the next module is read back: its record waits, the run says so.
        Programs::Emulator next(dir.filePath("next"), {"model=35,delay=250"});
        QVERIFY(next.started);
        QProcess ctl;
        ctl.setWorkingDirectory(dir.path());
        ctl.start(qEnvironmentVariable("RFMOD_CTL"), db + QStringList{"--port", dir.filePath("next"), "--gap", "60", "--timeout", "2000",
                                                                  "program", "--profile", dir.filePath("p.ini"), "--sn-next", "--count", "1"});
        QString err;
        QObject::connect(&ctl, &QProcess::readyReadStandardError, [&] { err += QString::fromUtf8(ctl.readAllStandardError()); });
        QVERIFY2(Wait::until([&] { return err.contains("verifying"); }, 30000), qPrintable(err));
        const QString script = qEnvironmentVariable("RFMOD_PG_SCRIPT");
        const QString pgDir = qEnvironmentVariable("RFMOD_PG_DIR");
        QCOMPARE(QProcess::execute(script, {"pause", pgDir}), 0);
        bool paused = true;
        auto resume = qScopeGuard([&] {
            if (paused)
                QProcess::execute(script, {"resume", pgDir});
        });
        QVERIFY(ctl.waitForFinished(30000));
        QCOMPARE(ctl.exitCode(), 6);
        QVERIFY2(err.contains("records wait"), qPrintable(err));
        QCOMPARE(QProcess::execute(script, {"resume", pgDir}), 0);
        paused = false;
        r = Programs::Ctl(dir.path(), db + QStringList{"--json", "db", "check"});
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(o.value("spilled").toInt(), 0);
        QCOMPARE(o.value("records").toInt(), 2); // the stopped module's and this one's; the killed run kept none
        QCOMPARE(OkNumbers(AllRecords(where, dir.filePath("x"))), QList<int>{102});
    }
};

QTEST_GUILESS_MAIN(ProductionDb)
#include "tst_production_db.moc"
