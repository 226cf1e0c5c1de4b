// The production record on SQLite and on a real PostgreSQL (the throwaway cluster the test run
// starts): serial numbers allocated once each, given-back numbers first, records kept and found,
// a newer schema refused, and records that could not be committed kept in the spill file.
#include "core/production/ProductionStore.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString PostgresUrl()
{
    QFile f(QProcessEnvironment::systemEnvironment().value(QStringLiteral("RFMOD_PG_DIR")) + QStringLiteral("/url"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
}

// A location on a database of its own: a new SQLite file, or the PostgreSQL database emptied.
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
    ProductionStore store(l, dir.filePath(QStringLiteral("spill")));
    if (store.open(&error)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("rfmod-cleanup"));
        db.setHostName(l.host);
        db.setPort(l.port);
        db.setUserName(l.user);
        db.setDatabaseName(l.name);
        if (db.open())
            QSqlQuery(db).exec(QStringLiteral("DROP TABLE rfmod_meta, rfmod_series, rfmod_given_back, "
                                              "rfmod_allocations, rfmod_records"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("rfmod-cleanup"));
    return l;
}

const SerialSeries k35Dec{QStringLiteral("35"), 2026, 12};

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
        QList<int> numbers;
        for (int i = 0; i < 6; ++i)
            numbers << (i % 2 ? b : a).allocate(k35Dec, 42, QString::fromLatin1(i % 2 ? "B" : "A"), &error);
        QCOMPARE(numbers, (QList<int>{42, 43, 44, 45, 46, 47}));
        QCOMPARE(a.allocate(SerialSeries{QStringLiteral("35"), 2027, 1}, 7, QStringLiteral("A"), &error), 7);
        // a number given back comes first, then the series goes on
        QVERIFY(a.giveBack(k35Dec, 44, &error));
        QCOMPARE(b.allocate(k35Dec, 0, QStringLiteral("B"), &error), 44);
        QCOMPARE(a.allocate(k35Dec, 0, QStringLiteral("A"), &error), 48);

        ModuleRecord r;
        r.station = QStringLiteral("B");
        r.port = QStringLiteral("COM2");
        r.number = SerialNumber{QStringLiteral("35"), 2026, 12, 43};
        r.readBack = QJsonObject{{QStringLiteral("channel"), 3}};
        r.ok = true;
        QVERIFY(a.record(r, &error));
        QCOMPARE(a.spilledCount(), 0); // committed, not spilled: a record without detail too
        r.number.sequence = 44;
        r.ok = false;
        r.detail = QStringLiteral("channel is 1, wanted 3");
        QVERIFY(b.record(r, &error));
        QList<ModuleRecord> found;
        HistoryFilter bySn;
        bySn.sequence = 43;
        QVERIFY(a.history(bySn, &found, &error));
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first().station, QStringLiteral("B"));
        QCOMPARE(found.first().readBack.value(QStringLiteral("channel")).toInt(), 3);
        HistoryFilter failed;
        failed.failedOnly = true;
        QVERIFY(a.history(failed, &found, &error));
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first().detail, QStringLiteral("channel is 1, wanted 3"));

        StoreSummary s;
        QVERIFY2(a.summary(&s, &error), qPrintable(error));
        QCOMPARE(s.schemaVersion, ProductionStore::kSchemaVersion);
        QCOMPARE(s.series.size(), 2);
        QCOMPARE(s.records, 2);
        QCOMPARE(s.failed, 1);
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
        {
            ModuleRecord r;
            r.station = QStringLiteral("A");
            r.number.sequence = 5;
            DatabaseLocation nowhere;
            QVERIFY(DatabaseLocation::Parse(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("no/such/dir.db")),
                                            &nowhere, &error));
            ProductionStore gone(nowhere, spill);
            QVERIFY(gone.record(r, &error));
            QCOMPARE(gone.spilledCount(), 1);
        }
        ProductionStore store(where, spill);
        QVERIFY2(store.open(&error), qPrintable(error));
        QCOMPARE(store.spilledCount(), 0);
        QList<ModuleRecord> found;
        QVERIFY(store.history(HistoryFilter{}, &found, &error));
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first().number.sequence, 5);

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
};

QTEST_GUILESS_MAIN(ProductionDb)
#include "tst_production_db.moc"
