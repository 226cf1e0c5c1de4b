#include "ProductionStore.h"

#include "core/model/Profile.h"

#include <QAtomicInt>
#include <QFile>
#include <QJsonDocument>
#include <QLockFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

QAtomicInt g_connections;

const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS rfmod_meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS rfmod_series (model TEXT NOT NULL, year INTEGER NOT NULL, month INTEGER NOT NULL,"
    " next_sequence INTEGER NOT NULL, PRIMARY KEY (model, year, month))",
    "CREATE TABLE IF NOT EXISTS rfmod_given_back (model TEXT NOT NULL, year INTEGER NOT NULL, month INTEGER NOT NULL,"
    " sequence INTEGER NOT NULL, PRIMARY KEY (model, year, month, sequence))",
    "CREATE TABLE IF NOT EXISTS rfmod_allocations (model TEXT NOT NULL, year INTEGER NOT NULL, month INTEGER NOT NULL,"
    " sequence INTEGER NOT NULL, station TEXT NOT NULL, time TEXT NOT NULL, PRIMARY KEY (model, year, month, sequence))",
    // %1: the key column of the engine
    "CREATE TABLE IF NOT EXISTS rfmod_records (id %1, time TEXT NOT NULL, station TEXT NOT NULL, port TEXT NOT NULL,"
    " baud INTEGER, parity TEXT, family INTEGER, firmware TEXT, band INTEGER, model_row INTEGER,"
    " sn_model TEXT, sn_year INTEGER, sn_month INTEGER, sn_sequence INTEGER,"
    " written TEXT NOT NULL, read_back TEXT NOT NULL, result TEXT NOT NULL, detail TEXT NOT NULL,"
    " duration_ms INTEGER NOT NULL)",
    "CREATE INDEX IF NOT EXISTS rfmod_records_sequence ON rfmod_records (sn_sequence)",
    "CREATE INDEX IF NOT EXISTS rfmod_records_time ON rfmod_records (time)",
};

QString TimeText(const QDateTime& t)
{
    return t.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

QString Why(const QSqlQuery& q)
{
    return q.lastError().text().trimmed();
}

QString Compact(const QJsonObject& o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QJsonObject ObjectOf(const QString& text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

} // namespace

// ---- location ---------------------------------------------------------------------------------

bool DatabaseLocation::Parse(const QString& text, DatabaseLocation* out, QString* error)
{
    *out = DatabaseLocation{};
    if (text.isEmpty())
        return true;
    if (text.startsWith(QLatin1String("sqlite:"))) {
        out->kind = Kind::Sqlite;
        out->path = text.mid(7);
        if (out->path.isEmpty()) {
            *error = QStringLiteral("sqlite: needs a file, as in sqlite:/var/lib/rfmod/line.db");
            return false;
        }
        return true;
    }
    static const QRegularExpression pg(QStringLiteral("^postgres(?:ql)?://([^@/:]+)@([^/:]+)(?::(\\d+))?/([^/?]+)$"));
    const QRegularExpressionMatch m = pg.match(text);
    if (!m.hasMatch()) {
        *error = QStringLiteral("%1: give sqlite:PATH or postgresql://USER@HOST[:PORT]/DBNAME").arg(text);
        return false;
    }
    out->kind = Kind::Postgres;
    out->user = m.captured(1);
    out->host = m.captured(2);
    out->port = m.captured(3).isEmpty() ? 5432 : m.captured(3).toInt();
    out->name = m.captured(4);
    if (out->port <= 0 || out->port > 65535) {
        *error = QStringLiteral("%1: the port is 1 to 65535").arg(text);
        return false;
    }
    return true;
}

QString DatabaseLocation::text() const
{
    switch (kind) {
    case Kind::Sqlite: return QStringLiteral("sqlite:") + path;
    case Kind::Postgres:
        return QStringLiteral("postgresql://%1@%2:%3/%4").arg(user, host).arg(port).arg(name);
    case Kind::None: break;
    }
    return QString();
}

// ---- records ----------------------------------------------------------------------------------

QJsonObject ModuleRecord::toJson() const
{
    QJsonObject o;
    o[QStringLiteral("time")] = TimeText(time);
    o[QStringLiteral("station")] = station;
    o[QStringLiteral("port")] = port;
    o[QStringLiteral("baud")] = line.baud;
    o[QStringLiteral("parity")] = ParityName(line.parity);
    o[QStringLiteral("family")] = identity.familyCode;
    o[QStringLiteral("firmware")] = identity.firmware;
    o[QStringLiteral("band")] = identity.band;
    o[QStringLiteral("model_row")] = identity.modelRow;
    o[QStringLiteral("sn_model")] = number.modelCode;
    o[QStringLiteral("year")] = number.year;
    o[QStringLiteral("month")] = number.month;
    o[QStringLiteral("serial_number")] = number.sequence;
    o[QStringLiteral("written")] = written;
    o[QStringLiteral("read_back")] = readBack;
    o[QStringLiteral("result")] = ok ? QStringLiteral("ok") : QStringLiteral("failed");
    o[QStringLiteral("detail")] = detail;
    o[QStringLiteral("duration_ms")] = double(durationMs);
    return o;
}

ModuleRecord ModuleRecord::FromJson(const QJsonObject& o)
{
    ModuleRecord r;
    r.time = QDateTime::fromString(o.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs).toUTC();
    r.station = o.value(QStringLiteral("station")).toString();
    r.port = o.value(QStringLiteral("port")).toString();
    r.line.baud = o.value(QStringLiteral("baud")).toInt();
    r.line.parity = Profiles::ParityOfName(o.value(QStringLiteral("parity")).toString());
    r.identity.familyCode = o.value(QStringLiteral("family")).toInt(-1);
    r.identity.firmware = o.value(QStringLiteral("firmware")).toString();
    r.identity.band = o.value(QStringLiteral("band")).toInt(-1);
    r.identity.modelRow = o.value(QStringLiteral("model_row")).toInt(-1);
    r.number.modelCode = o.value(QStringLiteral("sn_model")).toString();
    r.number.year = o.value(QStringLiteral("year")).toInt(-1);
    r.number.month = o.value(QStringLiteral("month")).toInt(-1);
    r.number.sequence = o.value(QStringLiteral("serial_number")).toInt(-1);
    r.written = o.value(QStringLiteral("written")).toObject();
    r.readBack = o.value(QStringLiteral("read_back")).toObject();
    r.ok = o.value(QStringLiteral("result")).toString() == QLatin1String("ok");
    r.detail = o.value(QStringLiteral("detail")).toString();
    r.durationMs = qint64(o.value(QStringLiteral("duration_ms")).toDouble());
    return r;
}

// ---- the store --------------------------------------------------------------------------------

ProductionStore::ProductionStore(const DatabaseLocation& location, const QString& spillPath)
    : m_location(location), m_spillPath(spillPath),
      m_connection(QStringLiteral("rfmod-production-%1").arg(g_connections.fetchAndAddRelaxed(1)))
{
}

ProductionStore::~ProductionStore()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool ProductionStore::isOpen() const
{
    return QSqlDatabase::contains(m_connection) && QSqlDatabase::database(m_connection, false).isOpen();
}

bool ProductionStore::open(QString* error)
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
    const QString driver = postgres() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        *error = QStringLiteral("the Qt %1 driver is not installed (Debian: %2)")
                     .arg(driver, postgres() ? QStringLiteral("libqt6sql6-psql") : QStringLiteral("libqt6sql6-sqlite"));
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_connection);
    if (postgres()) {
        // The password comes from PGPASSWORD or ~/.pgpass, as for PostgreSQL's own clients.
        db.setHostName(m_location.host);
        db.setPort(m_location.port);
        db.setUserName(m_location.user);
        db.setDatabaseName(m_location.name);
        db.setConnectOptions(QStringLiteral("connect_timeout=5"));
    } else {
        db.setDatabaseName(m_location.path);
        // Several processes on one bench share the file: wait for a writer rather than fail.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    }
    if (!db.open()) {
        *error = QStringLiteral("%1: %2").arg(m_location.text(), db.lastError().text().trimmed());
        return false;
    }
    if (!postgres()) {
        // Refused while another station switches a new file at the same moment (SQLite does
        // not wait for that lock): the file ends up in WAL all the same, and a file that cannot
        // be used at all fails in the schema transaction below.
        QSqlQuery q(db);
        q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    }
    if (!ensureSchema(error)) {
        db.close();
        return false;
    }
    QString spillError;
    commitSpilled(&spillError); // what cannot be committed now waits for the next connection
    return true;
}

bool ProductionStore::ensureSchema(QString* error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    auto fail = [&](const QString& why) {
        *error = QStringLiteral("%1: %2").arg(m_location.text(), why);
        q.exec(QStringLiteral("ROLLBACK"));
        return false;
    };
    if (!q.exec(postgres() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
        return fail(Why(q));
    // Stations starting together create the tables once.
    if (postgres() && !q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(7270012)")))
        return fail(Why(q));
    // Else every connection prints a notice for each table that is already there.
    if (postgres() && !q.exec(QStringLiteral("SET LOCAL client_min_messages = warning")))
        return fail(Why(q));
    const QString key = postgres() ? QStringLiteral("BIGSERIAL PRIMARY KEY") : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    for (const char* statement : kSchema) {
        const QString sql = QString::fromLatin1(statement).contains(QLatin1String("%1"))
                                ? QString::fromLatin1(statement).arg(key)
                                : QString::fromLatin1(statement);
        if (!q.exec(sql))
            return fail(Why(q));
    }
    if (!q.exec(QStringLiteral("SELECT value FROM rfmod_meta WHERE key = 'schema_version'")))
        return fail(Why(q));
    if (q.next()) {
        const int version = q.value(0).toString().toInt();
        if (version > kSchemaVersion)
            return fail(QStringLiteral("the database has schema version %1, newer than this program's %2: "
                                       "use the rfmodctl that wrote it")
                            .arg(version)
                            .arg(kSchemaVersion));
    } else {
        q.prepare(QStringLiteral("INSERT INTO rfmod_meta (key, value) VALUES ('schema_version', ?)"));
        q.addBindValue(QString::number(kSchemaVersion));
        if (!q.exec())
            return fail(Why(q));
    }
    if (!q.exec(QStringLiteral("COMMIT")))
        return fail(Why(q));
    return true;
}

int ProductionStore::allocate(const SerialSeries& s, int firstIfNew, const QString& station, QString* error)
{
    if (!isOpen() && !open(error))
        return -1;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    auto fail = [&](const QString& why) {
        *error = why;
        if (!db.isOpen() || !q.exec(QStringLiteral("ROLLBACK")))
            db.close(); // the connection is gone: the next call connects again
        return -1;
    };
    auto bindSeries = [&] {
        q.addBindValue(s.modelCode);
        q.addBindValue(s.year);
        q.addBindValue(s.month);
    };
    if (!q.exec(postgres() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
        return fail(Why(q));
    q.prepare(QStringLiteral("INSERT INTO rfmod_series (model, year, month, next_sequence) VALUES (?, ?, ?, ?) "
                             "ON CONFLICT DO NOTHING"));
    bindSeries();
    q.addBindValue(qBound(0, firstIfNew, kMaxSequence + 1));
    if (!q.exec())
        return fail(Why(q));
    // The series row is the lock every allocation of the series takes.
    q.prepare(QStringLiteral("SELECT next_sequence FROM rfmod_series WHERE model = ? AND year = ? AND month = ?")
              + (postgres() ? QStringLiteral(" FOR UPDATE") : QString()));
    bindSeries();
    if (!q.exec() || !q.next())
        return fail(Why(q));
    const int next = q.value(0).toInt();
    q.prepare(QStringLiteral("SELECT MIN(sequence) FROM rfmod_given_back WHERE model = ? AND year = ? AND month = ?"));
    bindSeries();
    if (!q.exec() || !q.next())
        return fail(Why(q));
    int sequence = -1;
    if (!q.value(0).isNull()) {
        sequence = q.value(0).toInt();
        q.prepare(QStringLiteral("DELETE FROM rfmod_given_back WHERE model = ? AND year = ? AND month = ? AND sequence = ?"));
        bindSeries();
        q.addBindValue(sequence);
        if (!q.exec())
            return fail(Why(q));
    } else {
        if (next > kMaxSequence)
            return fail(QStringLiteral("the series %1 %2-%3 has used every number up to %4")
                            .arg(s.modelCode)
                            .arg(s.year)
                            .arg(s.month, 2, 10, QLatin1Char('0'))
                            .arg(kMaxSequence));
        sequence = next;
        q.prepare(QStringLiteral("UPDATE rfmod_series SET next_sequence = ? WHERE model = ? AND year = ? AND month = ?"));
        q.addBindValue(next + 1);
        bindSeries();
        if (!q.exec())
            return fail(Why(q));
    }
    q.prepare(QStringLiteral("INSERT INTO rfmod_allocations (model, year, month, sequence, station, time) "
                             "VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (model, year, month, sequence) "
                             "DO UPDATE SET station = excluded.station, time = excluded.time"));
    bindSeries();
    q.addBindValue(sequence);
    q.addBindValue(station);
    q.addBindValue(TimeText(QDateTime::currentDateTimeUtc()));
    if (!q.exec())
        return fail(Why(q));
    if (!q.exec(QStringLiteral("COMMIT")))
        return fail(Why(q));
    return sequence;
}

bool ProductionStore::giveBack(const SerialSeries& s, int sequence, QString* error)
{
    if (!isOpen() && !open(error))
        return false;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("INSERT INTO rfmod_given_back (model, year, month, sequence) VALUES (?, ?, ?, ?) "
                             "ON CONFLICT DO NOTHING"));
    q.addBindValue(s.modelCode);
    q.addBindValue(s.year);
    q.addBindValue(s.month);
    q.addBindValue(sequence);
    if (!q.exec()) {
        *error = Why(q);
        QSqlDatabase::database(m_connection, false).close();
        return false;
    }
    return true;
}

bool ProductionStore::insertRecord(const ModuleRecord& r, QString* error)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral(
        "INSERT INTO rfmod_records (time, station, port, baud, parity, family, firmware, band, model_row, sn_model,"
        " sn_year, sn_month, sn_sequence, written, read_back, result, detail, duration_ms)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    q.addBindValue(TimeText(r.time.isValid() ? r.time : QDateTime::currentDateTimeUtc()));
    q.addBindValue(r.station);
    q.addBindValue(r.port);
    q.addBindValue(r.line.baud);
    q.addBindValue(ParityName(r.line.parity));
    q.addBindValue(r.identity.familyCode);
    q.addBindValue(r.identity.firmware);
    q.addBindValue(r.identity.band);
    q.addBindValue(r.identity.modelRow);
    q.addBindValue(r.number.modelCode);
    q.addBindValue(r.number.year);
    q.addBindValue(r.number.month);
    q.addBindValue(r.number.sequence);
    q.addBindValue(Compact(r.written));
    q.addBindValue(Compact(r.readBack));
    q.addBindValue(r.ok ? QStringLiteral("ok") : QStringLiteral("failed"));
    q.addBindValue(r.detail.isNull() ? QStringLiteral("") : r.detail); // a null text binds as NULL
    q.addBindValue(r.durationMs);
    if (!q.exec()) {
        *error = Why(q);
        return false;
    }
    return true;
}

bool ProductionStore::record(const ModuleRecord& r, QString* error)
{
    QString why;
    if ((isOpen() || open(&why)) && insertRecord(r, &why))
        return true;
    if (isOpen())
        QSqlDatabase::database(m_connection, false).close();
    // Nothing is lost: the record waits beside Config.ini for the next connection.
    QString spillWhy;
    if (spill(r, &spillWhy)) {
        *error = why;
        return true;
    }
    *error = QStringLiteral("%1; and the spill file %2: %3").arg(why, m_spillPath, spillWhy);
    return false;
}

bool ProductionStore::spill(const ModuleRecord& r, QString* error)
{
    // Processes sharing a Config.ini directory share the file: one writer at a time, so a
    // record appended while another process commits and rewrites it is not lost.
    QLockFile lock(m_spillPath + QStringLiteral(".lock"));
    if (!lock.tryLock(3000)) {
        *error = QStringLiteral("%1.lock is held by another program").arg(m_spillPath);
        return false;
    }
    QFile f(m_spillPath);
    if (!f.open(QIODevice::Append | QIODevice::Text)) {
        *error = f.errorString();
        return false;
    }
    const QByteArray line = QJsonDocument(r.toJson()).toJson(QJsonDocument::Compact) + '\n';
    if (f.write(line) != line.size() || !f.flush()) {
        *error = f.errorString();
        return false;
    }
    return true;
}

int ProductionStore::spilledCount() const
{
    QFile f(m_spillPath);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    int n = 0;
    while (!f.atEnd())
        if (!f.readLine().trimmed().isEmpty())
            ++n;
    return n;
}

bool ProductionStore::commitSpilled(QString* error)
{
    if (!QFile::exists(m_spillPath))
        return true;
    // Held while records go in and the file is rewritten: no record is committed twice or
    // lost by two processes at once.
    QLockFile lock(m_spillPath + QStringLiteral(".lock"));
    if (!lock.tryLock(3000)) {
        *error = QStringLiteral("%1.lock is held by another program").arg(m_spillPath);
        return false;
    }
    QFile f(m_spillPath);
    if (!f.exists())
        return true;
    if (!f.open(QIODevice::ReadOnly)) {
        *error = f.errorString();
        return false;
    }
    QList<QByteArray> left;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine().trimmed();
        if (line.isEmpty())
            continue;
        const QJsonDocument doc = QJsonDocument::fromJson(line);
        if (!left.isEmpty() || !doc.isObject() || !insertRecord(ModuleRecord::FromJson(doc.object()), error))
            left << line; // kept in order for the next connection
    }
    f.close();
    if (left.isEmpty())
        return QFile::remove(m_spillPath);
    QSaveFile out(m_spillPath);
    if (out.open(QIODevice::WriteOnly)) {
        for (const QByteArray& line : left)
            out.write(line + '\n');
        out.commit();
    }
    if (error->isEmpty())
        *error = QStringLiteral("%1 records still wait in %2").arg(left.size()).arg(m_spillPath);
    return false;
}

bool ProductionStore::history(const HistoryFilter& filter, QList<ModuleRecord>* out, QString* error)
{
    if (!isOpen() && !open(error))
        return false;
    QStringList where;
    QVariantList values;
    if (filter.sequence >= 0) {
        where << QStringLiteral("sn_sequence = ?");
        values << filter.sequence;
    }
    if (filter.since.isValid()) {
        where << QStringLiteral("time >= ?");
        values << TimeText(filter.since);
    }
    if (!filter.station.isEmpty()) {
        where << QStringLiteral("station = ?");
        values << filter.station;
    }
    if (filter.failedOnly)
        where << QStringLiteral("result <> 'ok'");
    QString sql = QStringLiteral(
        "SELECT time, station, port, baud, parity, family, firmware, band, model_row, sn_model, sn_year, sn_month,"
        " sn_sequence, written, read_back, result, detail, duration_ms FROM rfmod_records");
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY time DESC, id DESC");
    if (filter.limit > 0)
        sql += QStringLiteral(" LIMIT %1").arg(filter.limit);
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        *error = Why(q);
        return false;
    }
    out->clear();
    while (q.next()) {
        ModuleRecord r;
        r.time = QDateTime::fromString(q.value(0).toString(), Qt::ISODateWithMs).toUTC();
        r.station = q.value(1).toString();
        r.port = q.value(2).toString();
        r.line.baud = q.value(3).toInt();
        r.line.parity = Profiles::ParityOfName(q.value(4).toString());
        r.identity.familyCode = q.value(5).toInt();
        r.identity.firmware = q.value(6).toString();
        r.identity.band = q.value(7).toInt();
        r.identity.modelRow = q.value(8).toInt();
        r.number.modelCode = q.value(9).toString();
        r.number.year = q.value(10).toInt();
        r.number.month = q.value(11).toInt();
        r.number.sequence = q.value(12).toInt();
        r.written = ObjectOf(q.value(13).toString());
        r.readBack = ObjectOf(q.value(14).toString());
        r.ok = q.value(15).toString() == QLatin1String("ok");
        r.detail = q.value(16).toString();
        r.durationMs = q.value(17).toLongLong();
        *out << r;
    }
    return true;
}

bool ProductionStore::summary(StoreSummary* out, QString* error)
{
    *out = StoreSummary{};
    out->database = m_location.text();
    out->spilled = spilledCount();
    if (!isOpen() && !open(error))
        return false;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT value FROM rfmod_meta WHERE key = 'schema_version'")) || !q.next()) {
        *error = Why(q);
        return false;
    }
    out->schemaVersion = q.value(0).toString().toInt();
    if (!q.exec(QStringLiteral(
            "SELECT s.model, s.year, s.month, s.next_sequence, (SELECT COUNT(*) FROM rfmod_given_back g WHERE"
            " g.model = s.model AND g.year = s.year AND g.month = s.month) FROM rfmod_series s"
            " ORDER BY s.year, s.month, s.model"))) {
        *error = Why(q);
        return false;
    }
    while (q.next())
        out->series << SeriesState{SerialSeries{q.value(0).toString(), q.value(1).toInt(), q.value(2).toInt()},
                                   q.value(3).toInt(), q.value(4).toInt()};
    if (!q.exec(QStringLiteral("SELECT COUNT(*), COALESCE(SUM(CASE WHEN result = 'ok' THEN 0 ELSE 1 END), 0)"
                               " FROM rfmod_records"))
        || !q.next()) {
        *error = Why(q);
        return false;
    }
    out->records = q.value(0).toInt();
    out->failed = q.value(1).toInt();
    return true;
}
