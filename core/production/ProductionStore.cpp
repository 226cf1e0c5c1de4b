#include "ProductionStore.h"

#include "core/model/Profile.h"

#include <QAtomicInt>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QLockFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <unistd.h>

namespace {

QAtomicInt g_connections;

// Schema 3. %1: the key column of the engine, %2: its type for times.
const char* const kTables[] = {
    "CREATE TABLE IF NOT EXISTS rfmod_meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS rfmod_series (model TEXT NOT NULL, year INTEGER NOT NULL, month INTEGER NOT NULL,"
    " next_sequence INTEGER NOT NULL, PRIMARY KEY (model, year, month))",
    "CREATE TABLE IF NOT EXISTS rfmod_given_back (model TEXT NOT NULL, year INTEGER NOT NULL, month INTEGER NOT NULL,"
    " sequence INTEGER NOT NULL, PRIMARY KEY (model, year, month, sequence))",
    "CREATE TABLE IF NOT EXISTS rfmod_claims (id TEXT PRIMARY KEY, model TEXT NOT NULL, year INTEGER NOT NULL,"
    " month INTEGER NOT NULL, sequence INTEGER NOT NULL, station TEXT NOT NULL, port TEXT NOT NULL, time %2 NOT NULL,"
    " state TEXT NOT NULL, updated %2 NOT NULL)",
    "CREATE TABLE IF NOT EXISTS rfmod_records (id %1, record_id TEXT NOT NULL, claim_id TEXT, time %2 NOT NULL,"
    " station TEXT NOT NULL, port TEXT NOT NULL,"
    " baud INTEGER, parity TEXT, family INTEGER, firmware TEXT, band INTEGER, model_row INTEGER,"
    " sn_model TEXT, sn_year INTEGER, sn_month INTEGER, sn_sequence INTEGER,"
    " written TEXT NOT NULL, read_back TEXT NOT NULL, result TEXT NOT NULL, detail TEXT NOT NULL,"
    " duration_ms INTEGER NOT NULL, work_order TEXT)",
};
const char* const kIndexes[] = {
    "CREATE INDEX IF NOT EXISTS rfmod_claims_number ON rfmod_claims (model, year, month, sequence)",
    "CREATE INDEX IF NOT EXISTS rfmod_claims_state ON rfmod_claims (state)",
    "CREATE UNIQUE INDEX IF NOT EXISTS rfmod_records_record_id ON rfmod_records (record_id)",
    // One module only may carry a number: one ok record per number.
    "CREATE UNIQUE INDEX IF NOT EXISTS rfmod_records_one_ok ON rfmod_records (sn_model, sn_year, sn_month, sn_sequence)"
    " WHERE result = 'ok' AND sn_sequence >= 0",
    "CREATE INDEX IF NOT EXISTS rfmod_records_number ON rfmod_records (sn_model, sn_year, sn_month, sn_sequence)",
    "CREATE INDEX IF NOT EXISTS rfmod_records_sequence ON rfmod_records (sn_sequence)",
    "CREATE INDEX IF NOT EXISTS rfmod_records_time ON rfmod_records (time)",
    "CREATE INDEX IF NOT EXISTS rfmod_records_station ON rfmod_records (station, time)",
    "CREATE INDEX IF NOT EXISTS rfmod_records_order ON rfmod_records (work_order)",
};

// States whose number may be on a module.
const char* const kHeldStates = "('sent', 'confirmed', 'unconfirmed')";

QString TimeText(const QDateTime& t)
{
    return t.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

QDateTime TimeOf(const QVariant& v)
{
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toUTC();
    return QDateTime::fromString(v.toString(), Qt::ISODateWithMs).toUTC();
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

QString Pad(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

QString NumberText(const SerialSeries& s, int sequence)
{
    return QStringLiteral("%1 %2-%3 %4").arg(s.modelCode).arg(s.year).arg(Pad(s.month, 2), Pad(sequence, 5));
}

// The schema version of the database, 0 when it has no tables yet; false when it cannot be read.
bool SchemaVersion(QSqlQuery& q, bool postgres, int* version)
{
    *version = 0;
    if (!q.exec(postgres ? QStringLiteral("SELECT to_regclass('rfmod_meta') IS NOT NULL")
                         : QStringLiteral("SELECT COUNT(*) > 0 FROM sqlite_master WHERE name = 'rfmod_meta'"))
        || !q.next())
        return false;
    if (!q.value(0).toBool())
        return true;
    if (!q.exec(QStringLiteral("SELECT value FROM rfmod_meta WHERE key = 'schema_version'")))
        return false;
    if (q.next())
        *version = q.value(0).toString().toInt();
    return true;
}

} // namespace

QString ClaimStateName(ClaimState state)
{
    switch (state) {
    case ClaimState::Allocated: return QStringLiteral("allocated");
    case ClaimState::Sent: return QStringLiteral("sent");
    case ClaimState::Confirmed: return QStringLiteral("confirmed");
    case ClaimState::Failed: return QStringLiteral("failed");
    case ClaimState::Unconfirmed: return QStringLiteral("unconfirmed");
    case ClaimState::GivenBack: return QStringLiteral("given_back");
    }
    return QString();
}

bool ClaimStateOfName(const QString& name, ClaimState* out)
{
    for (ClaimState s : {ClaimState::Allocated, ClaimState::Sent, ClaimState::Confirmed, ClaimState::Failed,
                         ClaimState::Unconfirmed, ClaimState::GivenBack})
        if (ClaimStateName(s) == name) {
            *out = s;
            return true;
        }
    return false;
}

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
        // Put together whole: a chain of arg() would read a "%1" in the user or host again.
        return QStringLiteral("postgresql://") + user + QLatin1Char('@') + host + QLatin1Char(':') + QString::number(port)
            + QLatin1Char('/') + name;
    case Kind::None: break;
    }
    return QString();
}

// ---- records ----------------------------------------------------------------------------------

QJsonObject ModuleRecord::toJson() const
{
    QJsonObject o;
    o[QStringLiteral("id")] = id;
    if (!claimId.isEmpty()) {
        o[QStringLiteral("claim_id")] = claimId;
        o[QStringLiteral("claim_state")] = ClaimStateName(claimState);
    }
    o[QStringLiteral("time")] = TimeText(time);
    o[QStringLiteral("station")] = station;
    if (!workOrder.isEmpty())
        o[QStringLiteral("work_order")] = workOrder;
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
    r.id = o.value(QStringLiteral("id")).toString();
    r.claimId = o.value(QStringLiteral("claim_id")).toString();
    if (!ClaimStateOfName(o.value(QStringLiteral("claim_state")).toString(), &r.claimState))
        r.claimState = ClaimState::Confirmed;
    r.time = QDateTime::fromString(o.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs).toUTC();
    r.station = o.value(QStringLiteral("station")).toString();
    r.workOrder = o.value(QStringLiteral("work_order")).toString();
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
    // a line from outside: a duration past any real one is no number of milliseconds
    const double ms = o.value(QStringLiteral("duration_ms")).toDouble();
    r.durationMs = ms >= 0 && ms < 1e15 ? qint64(ms) : 0;
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

QString ProductionStore::NewId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

bool ProductionStore::isOpen() const
{
    return QSqlDatabase::contains(m_connection) && QSqlDatabase::database(m_connection, false).isOpen();
}

bool ProductionStore::failWith(StoreError::Kind kind, const QString& text, QString* error)
{
    m_lastError = StoreError{kind, text};
    if (error)
        *error = text;
    return false;
}

bool ProductionStore::fail(QSqlQuery* q, QString* error)
{
    const QSqlError e = q->lastError();
    const QString state = e.nativeErrorCode();
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // 40001 serialization failure, 40P01 deadlock, 55P03 lock time-out, 57014 statement time-out
    m_retryable = state == QLatin1String("40001") || state == QLatin1String("40P01") || state == QLatin1String("55P03")
        || state == QLatin1String("57014") || e.text().contains(QLatin1String("database is locked"));
    StoreError::Kind kind = StoreError::Kind::Failed;
    if (state == QLatin1String("42501") || e.text().contains(QLatin1String("permission denied"))
        || e.text().contains(QLatin1String("readonly database")))
        kind = StoreError::Kind::Permission;
    else if (state == QLatin1String("42P01") || e.text().contains(QLatin1String("no such table")))
        kind = StoreError::Kind::NoSchema;
    else if (state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01")
             || e.type() == QSqlError::ConnectionError || !db.isOpen())
        kind = StoreError::Kind::Unreachable;
    const QString text = Why(*q);
    if (db.isOpen() && !q->exec(QStringLiteral("ROLLBACK")) && postgres())
        kind = StoreError::Kind::Unreachable; // a connection that cannot even roll back is gone
    if (kind == StoreError::Kind::Unreachable) {
        m_retryable = false;
        db.close(); // the next call connects again
    }
    return failWith(kind, text.isEmpty() ? QStringLiteral("the connection was lost") : text, error);
}

bool ProductionStore::transaction(const std::function<bool(QSqlQuery&)>& body, QString* error)
{
    // Another station's transaction won: run it again on what that one committed.
    for (int attempt = 0;; ++attempt) {
        if (!isOpen() && !connectDatabase(error))
            return false;
        QSqlQuery q(QSqlDatabase::database(m_connection, false));
        m_retryable = false;
        m_lastError = StoreError{};
        if (!q.exec(postgres() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"))) {
            fail(&q, error);
        } else if (body(q)) {
            if (q.exec(QStringLiteral("COMMIT")))
                return true;
            fail(&q, error);
        } else if (!m_lastError.isSet()) {
            fail(&q, error);
        } else {
            q.exec(QStringLiteral("ROLLBACK")); // refused by the body itself
        }
        if (!m_retryable || attempt >= 8)
            return false;
    }
}

bool ProductionStore::connectDatabase(QString* error)
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
    const QString driver = postgres() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver))
        return failWith(StoreError::Kind::Unreachable,
                        QStringLiteral("the Qt %1 driver is not installed (Debian: %2)")
                            .arg(driver, postgres() ? QStringLiteral("libqt6sql6-psql") : QStringLiteral("libqt6sql6-sqlite")),
                        error);
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_connection);
    if (postgres()) {
        // The password comes from PGPASSWORD or ~/.pgpass, as for PostgreSQL's own clients.
        db.setHostName(m_location.host);
        db.setPort(m_location.port);
        db.setUserName(m_location.user);
        db.setDatabaseName(m_location.name);
        // A pulled cable is noticed in seconds, not when TCP gives up hours later.
        db.setConnectOptions(QStringLiteral("connect_timeout=5;keepalives=1;keepalives_idle=5;keepalives_interval=2;"
                                            "keepalives_count=3;tcp_user_timeout=10000"));
    } else {
        db.setDatabaseName(m_location.path);
        // Several processes on one bench share the file: wait for a writer rather than fail.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    }
    if (!db.open())
        return failWith(StoreError::Kind::Unreachable,
                        QStringLiteral("%1: %2").arg(m_location.text(), db.lastError().text().trimmed()), error);
    QSqlQuery q(db);
    if (postgres()) {
        // A station frozen inside a transaction (a pulled cable, a stopped process) holds its
        // locks only seconds: the server ends it, and a station waiting for a lock gives up and
        // tries again rather than stall the line.
        q.prepare(QStringLiteral("SELECT set_config('lock_timeout', '4s', false), set_config('statement_timeout', '8s', false),"
                                 " set_config('idle_in_transaction_session_timeout', '3s', false),"
                                 " set_config('application_name', ?, false)"));
        q.addBindValue(QStringLiteral("rfmod %1").arg(m_station).trimmed().left(60));
        if (!q.exec()) {
            const QString why = Why(q);
            db.close();
            return failWith(StoreError::Kind::Unreachable, QStringLiteral("%1: %2").arg(m_location.text(), why), error);
        }
    } else {
        // Refused while another station switches a new file at the same moment (SQLite does
        // not wait for that lock): the file ends up in WAL all the same.
        q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    }
    return true;
}

bool ProductionStore::open(QString* error)
{
    m_lastError = StoreError{};
    if (!connectDatabase(error))
        return false;
    // A SQLite file belongs to its bench: made and upgraded on first use. A server's schema is
    // its owner's business (db init).
    if (!checkSchema(!postgres(), error)) {
        QSqlDatabase::database(m_connection, false).close();
        return false;
    }
    QString spillError;
    commitSpilled(&spillError); // what cannot be committed now waits for the next connection
    return true;
}

bool ProductionStore::initialize(QString* error)
{
    m_lastError = StoreError{};
    if (!connectDatabase(error))
        return false;
    if (!checkSchema(true, error)) {
        QSqlDatabase::database(m_connection, false).close();
        return false;
    }
    return true;
}

bool ProductionStore::checkSchema(bool create, QString* error)
{
    const QString where = m_location.text();
    auto named = [&](const QString& why) { return QStringLiteral("%1: %2").arg(where, why); };
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    int version = 0;
    {
        QSqlQuery q(db);
        if (!SchemaVersion(q, postgres(), &version)) {
            fail(&q, nullptr);
            return failWith(m_lastError.kind, named(m_lastError.text), error);
        }
    }
    if (version > kSchemaVersion)
        return failWith(StoreError::Kind::NewerSchema,
                        named(QStringLiteral("the database has schema version %1, newer than this program's %2: use the "
                                             "rfmodctl that made it")
                                  .arg(version)
                                  .arg(kSchemaVersion)),
                        error);
    if (version == kSchemaVersion)
        return true;
    if (!create)
        return failWith(version == 0 ? StoreError::Kind::NoSchema : StoreError::Kind::OldSchema,
                        named(version == 0 ? QStringLiteral("the database has no production tables yet: its owner makes "
                                                            "them with rfmodctl db init")
                                           : QStringLiteral("the database has schema version %1, older than this "
                                                            "program's %2: its owner upgrades it with rfmodctl db init")
                                                 .arg(version)
                                                 .arg(kSchemaVersion)),
                        error);
    const QString key = postgres() ? QStringLiteral("BIGSERIAL PRIMARY KEY") : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    const QString time = postgres() ? QStringLiteral("TIMESTAMPTZ") : QStringLiteral("TEXT");
    const bool made = transaction(
        [&](QSqlQuery& q) {
            // Stations starting together make the tables once.
            if (postgres() && !(q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(7270012)"))
                                && q.exec(QStringLiteral("SET LOCAL client_min_messages = warning"))))
                return false;
            int now = 0;
            if (!SchemaVersion(q, postgres(), &now))
                return false;
            if (now == kSchemaVersion)
                return true; // another station was first
            if (now == 1) {
                // Version 1: allocations without states, records without ids, times as text.
                const QStringList upgrade{
                    QStringLiteral("ALTER TABLE rfmod_records ADD COLUMN record_id TEXT"),
                    QStringLiteral("ALTER TABLE rfmod_records ADD COLUMN claim_id TEXT"),
                    QStringLiteral("UPDATE rfmod_records SET record_id = 'v1-' || CAST(id AS TEXT)"),
                };
                for (const QString& sql : upgrade)
                    if (!q.exec(sql))
                        return false;
                if (postgres()
                    && !(q.exec(QStringLiteral("ALTER TABLE rfmod_records ALTER COLUMN record_id SET NOT NULL"))
                         && q.exec(QStringLiteral("ALTER TABLE rfmod_records ALTER COLUMN time TYPE TIMESTAMPTZ USING time::timestamptz"))))
                    return false;
            }
            // Version 2: records without a work order.
            if ((now == 1 || now == 2) && !q.exec(QStringLiteral("ALTER TABLE rfmod_records ADD COLUMN work_order TEXT")))
                return false;
            for (const char* statement : kTables)
                if (!q.exec(QString::fromLatin1(statement).replace(QLatin1String("%1"), key).replace(QLatin1String("%2"), time)))
                    return false;
            if (now == 1) {
                // What version 1 allocated: confirmed by an ok record, back in the pool, or
                // unknown (the module may carry it).
                const QString stamp = postgres() ? QStringLiteral("time::timestamptz") : QStringLiteral("time");
                if (!q.exec(QStringLiteral(
                        "INSERT INTO rfmod_claims (id, model, year, month, sequence, station, port, time, state, updated)"
                        " SELECT 'v1-' || a.model || '-' || CAST(a.year AS TEXT) || '-' || CAST(a.month AS TEXT) || '-'"
                        " || CAST(a.sequence AS TEXT), a.model, a.year, a.month, a.sequence, a.station, '', %1,"
                        " CASE WHEN EXISTS (SELECT 1 FROM rfmod_given_back g WHERE g.model = a.model AND g.year = a.year"
                        " AND g.month = a.month AND g.sequence = a.sequence) THEN 'given_back'"
                        " WHEN EXISTS (SELECT 1 FROM rfmod_records r WHERE r.sn_model = a.model AND r.sn_year = a.year"
                        " AND r.sn_month = a.month AND r.sn_sequence = a.sequence AND r.result = 'ok') THEN 'confirmed'"
                        " ELSE 'unconfirmed' END, %1 FROM rfmod_allocations a")
                                .arg(stamp))
                    || !q.exec(QStringLiteral("DROP TABLE rfmod_allocations")))
                    return false;
            }
            for (const char* statement : kIndexes)
                if (!q.exec(QString::fromLatin1(statement)))
                    return false;
            q.prepare(now == 0 ? QStringLiteral("INSERT INTO rfmod_meta (key, value) VALUES ('schema_version', ?)")
                               : QStringLiteral("UPDATE rfmod_meta SET value = ? WHERE key = 'schema_version'"));
            q.addBindValue(QString::number(kSchemaVersion));
            return q.exec();
        },
        error);
    if (!made)
        return failWith(m_lastError.kind == StoreError::Kind::None ? StoreError::Kind::Failed : m_lastError.kind,
                        named(m_lastError.text), error);
    return true;
}

// ---- claims -----------------------------------------------------------------------------------

namespace {

void BindSeries(QSqlQuery& q, const SerialSeries& s)
{
    q.addBindValue(s.modelCode);
    q.addBindValue(s.year);
    q.addBindValue(s.month);
}

// The claim `id` as the database has it; false when there is none.
bool LoadClaim(QSqlQuery& q, const QString& id, SerialClaim* out)
{
    q.prepare(QStringLiteral("SELECT model, year, month, sequence, state FROM rfmod_claims WHERE id = ?"));
    q.addBindValue(id);
    if (!q.exec() || !q.next())
        return false;
    out->id = id;
    out->series = SerialSeries{q.value(0).toString(), q.value(1).toInt(), q.value(2).toInt()};
    out->sequence = q.value(3).toInt();
    ClaimStateOfName(q.value(4).toString(), &out->state);
    return true;
}

// Makes the series if it is new (starting at `firstIfNew`) and locks its row, the lock every
// claim of the series takes; `next` is its next number.
bool LockSeries(QSqlQuery& q, const SerialSeries& s, int firstIfNew, bool postgres, int* next)
{
    q.prepare(QStringLiteral("INSERT INTO rfmod_series (model, year, month, next_sequence) VALUES (?, ?, ?, ?) "
                             "ON CONFLICT DO NOTHING"));
    BindSeries(q, s);
    q.addBindValue(qBound(0, firstIfNew, ProductionStore::kMaxSequence + 1));
    if (!q.exec())
        return false;
    q.prepare(QStringLiteral("SELECT next_sequence FROM rfmod_series WHERE model = ? AND year = ? AND month = ?")
              + (postgres ? QStringLiteral(" FOR UPDATE") : QString()));
    BindSeries(q, s);
    if (!q.exec() || !q.next())
        return false;
    *next = q.value(0).toInt();
    return true;
}

bool InsertClaim(QSqlQuery& q, const SerialClaim& c, const ClaimOwner& owner)
{
    q.prepare(QStringLiteral("INSERT INTO rfmod_claims (id, model, year, month, sequence, station, port, time, state, updated)"
                             " VALUES (?, ?, ?, ?, ?, ?, ?, ?, 'allocated', ?)"));
    q.addBindValue(c.id);
    BindSeries(q, c.series);
    q.addBindValue(c.sequence);
    // a null text binds as NULL
    q.addBindValue(owner.station.isNull() ? QStringLiteral("") : owner.station);
    q.addBindValue(owner.port.isNull() ? QStringLiteral("") : owner.port);
    const QString now = TimeText(QDateTime::currentDateTimeUtc());
    q.addBindValue(now);
    q.addBindValue(now);
    return q.exec();
}

} // namespace

bool ProductionStore::claimNext(const SerialSeries& s, int firstIfNew, const ClaimOwner& owner, SerialClaim* out,
                                QString* error)
{
    SerialClaim c;
    // An id kept from an attempt whose answer was lost (no number yet): the claim it made, if
    // it made one. A finished claim passed in again is not asked for twice.
    c.id = out->id.isEmpty() || out->isValid() ? NewId() : out->id;
    c.series = s;
    bool refused = false;
    const bool ok = transaction(
        [&](QSqlQuery& q) {
            refused = false;
            if (LoadClaim(q, c.id, &c))
                return true;
            if (q.lastError().isValid())
                return false;
            int next = 0;
            if (!LockSeries(q, s, firstIfNew, postgres(), &next))
                return false;
            q.prepare(QStringLiteral("SELECT MIN(sequence) FROM rfmod_given_back WHERE model = ? AND year = ? AND month = ?"));
            BindSeries(q, s);
            if (!q.exec() || !q.next())
                return false;
            if (!q.value(0).isNull()) {
                c.sequence = q.value(0).toInt();
                q.prepare(QStringLiteral("DELETE FROM rfmod_given_back WHERE model = ? AND year = ? AND month = ? AND sequence = ?"));
                BindSeries(q, s);
                q.addBindValue(c.sequence);
                if (!q.exec())
                    return false;
            } else {
                // Numbers claimed by hand past the sequence are stepped over.
                for (;; ++next) {
                    if (next > kMaxSequence) {
                        refused = true;
                        return failWith(StoreError::Kind::Exhausted,
                                        QStringLiteral("the series %1 has used every number up to %2")
                                            .arg(NumberText(s, kMaxSequence).section(QLatin1Char(' '), 0, 1))
                                            .arg(kMaxSequence),
                                        error);
                    }
                    q.prepare(QStringLiteral("SELECT COUNT(*) FROM rfmod_claims WHERE model = ? AND year = ? AND month = ?"
                                             " AND sequence = ? AND state <> 'given_back'"));
                    BindSeries(q, s);
                    q.addBindValue(next);
                    if (!q.exec() || !q.next())
                        return false;
                    if (q.value(0).toInt() == 0)
                        break;
                }
                c.sequence = next;
                q.prepare(QStringLiteral("UPDATE rfmod_series SET next_sequence = ? WHERE model = ? AND year = ? AND month = ?"));
                q.addBindValue(next + 1);
                BindSeries(q, s);
                if (!q.exec())
                    return false;
            }
            c.state = ClaimState::Allocated;
            return InsertClaim(q, c, owner);
        },
        error);
    if (!ok) {
        if (!refused)
            out->id = c.id; // tried again with the same id, it finds the claim if this one was made
        return false;
    }
    *out = c;
    return true;
}

bool ProductionStore::claimNumber(const SerialSeries& s, int sequence, const ClaimOwner& owner, bool again,
                                  SerialClaim* out, QString* error)
{
    SerialClaim c;
    c.id = out->id.isEmpty() || out->isValid() ? NewId() : out->id;
    c.series = s;
    c.sequence = sequence;
    const bool ok = transaction(
        [&](QSqlQuery& q) {
            SerialClaim existing;
            if (LoadClaim(q, c.id, &existing)) {
                c = existing;
                return true;
            }
            if (q.lastError().isValid())
                return false;
            int next = 0;
            if (!LockSeries(q, s, sequence + 1, postgres(), &next))
                return false;
            q.prepare(QStringLiteral("SELECT station, port, state, time FROM rfmod_claims WHERE model = ? AND year = ?"
                                     " AND month = ? AND sequence = ? AND state NOT IN ('given_back', 'failed')"
                                     " ORDER BY time DESC"));
            BindSeries(q, s);
            q.addBindValue(sequence);
            if (!q.exec())
                return false;
            if (q.next() && !again)
                return failWith(StoreError::Kind::Taken,
                                QStringLiteral("%1 is held by station %2%3 since %4 (%5)")
                                    .arg(NumberText(s, sequence), q.value(0).toString(),
                                         q.value(1).toString().isEmpty() ? QString() : QLatin1Char(' ') + q.value(1).toString(),
                                         TimeOf(q.value(3)).toString(Qt::ISODate), q.value(2).toString()),
                                error);
            q.prepare(QStringLiteral("DELETE FROM rfmod_given_back WHERE model = ? AND year = ? AND month = ? AND sequence = ?"));
            BindSeries(q, s);
            q.addBindValue(sequence);
            if (!q.exec())
                return false;
            c.state = ClaimState::Allocated;
            return InsertClaim(q, c, owner);
        },
        error);
    if (!ok) {
        if (m_lastError.kind == StoreError::Kind::Unreachable)
            out->id = c.id;
        return false;
    }
    *out = c;
    return true;
}

namespace {

bool MayMove(ClaimState from, ClaimState to, bool neverLeft)
{
    if (from == to)
        return true;
    if (to == ClaimState::GivenBack && neverLeft)
        return from == ClaimState::Allocated || from == ClaimState::Sent;
    switch (to) {
    case ClaimState::Sent: return from == ClaimState::Allocated || from == ClaimState::Unconfirmed;
    case ClaimState::Confirmed:
    case ClaimState::Failed:
    case ClaimState::Unconfirmed: return from == ClaimState::Sent || from == ClaimState::Unconfirmed;
    case ClaimState::GivenBack: return from == ClaimState::Allocated;
    case ClaimState::Allocated: return false;
    }
    return false;
}

} // namespace

bool ProductionStore::advanceClaim(SerialClaim* claim, ClaimState to, QString* error)
{
    return moveClaim(claim, to, false, error);
}

bool ProductionStore::withdrawClaim(SerialClaim* claim, QString* error)
{
    return moveClaim(claim, ClaimState::GivenBack, true, error);
}

bool ProductionStore::moveClaim(SerialClaim* claim, ClaimState to, bool neverLeft, QString* error)
{
    ClaimState now = claim->state;
    const bool ok = transaction(
        [&](QSqlQuery& q) {
            SerialClaim c;
            if (!LoadClaim(q, claim->id, &c))
                return q.lastError().isValid()
                    ? false
                    : failWith(StoreError::Kind::Refused, QStringLiteral("claim %1 is unknown").arg(claim->id), error);
            now = c.state;
            if (now == to)
                return true;
            if (!MayMove(now, to, neverLeft))
                return failWith(StoreError::Kind::Refused,
                                QStringLiteral("%1 is %2 and cannot become %3")
                                    .arg(NumberText(c.series, c.sequence), ClaimStateName(now), ClaimStateName(to)),
                                error);
            q.prepare(QStringLiteral("UPDATE rfmod_claims SET state = ?, updated = ? WHERE id = ?"));
            q.addBindValue(ClaimStateName(to));
            q.addBindValue(TimeText(QDateTime::currentDateTimeUtc()));
            q.addBindValue(claim->id);
            if (!q.exec())
                return false;
            if (to == ClaimState::GivenBack) {
                q.prepare(QStringLiteral("INSERT INTO rfmod_given_back (model, year, month, sequence) VALUES (?, ?, ?, ?)"
                                         " ON CONFLICT DO NOTHING"));
                BindSeries(q, c.series);
                q.addBindValue(c.sequence);
                if (!q.exec())
                    return false;
            }
            now = to;
            return true;
        },
        error);
    if (ok)
        claim->state = to;
    else if (m_lastError.kind == StoreError::Kind::Refused)
        claim->state = now;
    return ok;
}

bool ProductionStore::giveBackClaim(SerialClaim* claim, QString* error)
{
    return advanceClaim(claim, ClaimState::GivenBack, error);
}

int ProductionStore::lastClaimed(const SerialSeries& s)
{
    if (!isOpen() && !connectDatabase(nullptr))
        return -1;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT MAX(sequence) FROM rfmod_claims WHERE model = ? AND year = ? AND month = ?"));
    BindSeries(q, s);
    if (!q.exec() || !q.next() || q.value(0).isNull())
        return -1;
    return q.value(0).toInt();
}

int ProductionStore::allocate(const SerialSeries& series, int firstIfNew, const QString& station, QString* error)
{
    SerialClaim c;
    return claimNext(series, firstIfNew, ClaimOwner{station, QString()}, &c, error) ? c.sequence : -1;
}

// ---- records ----------------------------------------------------------------------------------

bool ProductionStore::insertRecord(const ModuleRecord& r, QString* error)
{
    bool duplicate = false;
    auto insert = [&](QSqlQuery& q, const ModuleRecord& r) {
        q.prepare(QStringLiteral(
            "INSERT INTO rfmod_records (record_id, claim_id, time, station, port, baud, parity, family, firmware, band,"
            " model_row, sn_model, sn_year, sn_month, sn_sequence, written, read_back, result, detail, duration_ms,"
            " work_order) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (record_id) DO NOTHING"));
        q.addBindValue(r.id.isEmpty() ? NewId() : r.id);
        q.addBindValue(r.claimId.isEmpty() ? QVariant() : QVariant(r.claimId));
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
        q.addBindValue(r.workOrder.isEmpty() ? QVariant() : QVariant(r.workOrder));
        return q.exec();
    };
    auto settle = [&](QSqlQuery& q) {
        if (r.claimId.isEmpty())
            return true;
        // Only a claim whose write left the PC is settled by a record; a repeat changes nothing.
        q.prepare(QStringLiteral("UPDATE rfmod_claims SET state = ?, updated = ? WHERE id = ? AND state IN ('sent', 'unconfirmed')"));
        q.addBindValue(ClaimStateName(r.claimState));
        q.addBindValue(TimeText(QDateTime::currentDateTimeUtc()));
        q.addBindValue(r.claimId);
        return q.exec();
    };
    const bool ok = transaction(
        [&](QSqlQuery& q) {
            if (insert(q, r))
                return settle(q);
            const QString state = q.lastError().nativeErrorCode();
            const bool unique = state == QLatin1String("23505") || q.lastError().text().contains(QLatin1String("UNIQUE"));
            if (!unique || !r.ok)
                return false;
            // Another module has an ok record of this number: this one is kept as failed.
            duplicate = true;
            return failWith(StoreError::Kind::Taken, QString(), nullptr);
        },
        error);
    if (!ok && duplicate && m_lastError.kind == StoreError::Kind::Taken) {
        // The first attempt was refused by the body: the second one records it as failed.
        QString again;
        const bool kept = transaction(
            [&](QSqlQuery& q) {
                ModuleRecord bad = r;
                bad.ok = false;
                bad.detail = QStringLiteral("serial number %1 is recorded ok on another module already%2")
                                 .arg(NumberText(SerialSeries{r.number.modelCode, r.number.year, r.number.month},
                                                 r.number.sequence),
                                      r.detail.isEmpty() ? QString() : QStringLiteral("; ") + r.detail);
                return insert(q, bad) && settle(q);
            },
            &again);
        if (!kept) {
            if (error)
                *error = again;
            return false;
        }
        return failWith(StoreError::Kind::Taken,
                        QStringLiteral("serial number %1 is recorded ok on another module already: recorded as failed")
                            .arg(NumberText(SerialSeries{r.number.modelCode, r.number.year, r.number.month}, r.number.sequence)),
                        error);
    }
    return ok;
}

bool ProductionStore::record(const ModuleRecord& r, QString* error)
{
    QString why;
    if ((isOpen() || open(&why)) && insertRecord(r, &why)) {
        if (error)
            error->clear();
        return true;
    }
    if (m_lastError.kind == StoreError::Kind::Taken) {
        // kept, as failed: the caller is told why
        if (error)
            *error = why;
        return true;
    }
    if (isOpen())
        QSqlDatabase::database(m_connection, false).close();
    // Nothing is lost: the record waits beside Config.ini for the next connection to this
    // database. Its id makes a record committed before the answer was lost go in once.
    const StoreError lost = m_lastError;
    QString spillWhy;
    if (spill(r, &spillWhy)) {
        m_lastError = lost;
        if (error)
            *error = why;
        return true;
    }
    return failWith(StoreError::Kind::Failed, QStringLiteral("%1; and the spill file %2: %3").arg(why, m_spillPath, spillWhy),
                    error);
}

QByteArray ProductionStore::SpillLine(const QString& database, const ModuleRecord& r)
{
    QJsonObject o = r.toJson();
    o[QStringLiteral("database")] = database;
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

bool ProductionStore::ParseSpillLine(const QByteArray& line, QString* database, ModuleRecord* record)
{
    QJsonParseError e;
    const QJsonDocument doc = QJsonDocument::fromJson(line.trimmed(), &e);
    if (e.error != QJsonParseError::NoError || !doc.isObject())
        return false;
    const QJsonObject o = doc.object();
    *database = o.value(QStringLiteral("database")).toString();
    *record = ModuleRecord::FromJson(o);
    // A line of an earlier version carries no id: its text is its id, so it goes in once.
    if (record->id.isEmpty())
        record->id = QStringLiteral("spill-")
            + QString::fromLatin1(QCryptographicHash::hash(line.trimmed(), QCryptographicHash::Sha1).toHex());
    return true;
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
    if (!f.open(QIODevice::Append)) {
        *error = f.errorString();
        return false;
    }
    ModuleRecord kept = r;
    if (kept.id.isEmpty())
        kept.id = NewId();
    const QByteArray line = SpillLine(m_location.text(), kept) + '\n';
    // On the disk before the module counts as done: a power cut loses no record.
    if (f.write(line) != line.size() || !f.flush() || ::fsync(f.handle()) != 0) {
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
    const QString mine = m_location.text();
    while (!f.atEnd()) {
        const QByteArray line = f.readLine().trimmed();
        QString database;
        ModuleRecord r;
        if (!line.isEmpty() && (!ParseSpillLine(line, &database, &r) || database.isEmpty() || database == mine))
            ++n;
    }
    return n;
}

bool ProductionStore::commitSpilled(QString* error)
{
    if (!QFile::exists(m_spillPath))
        return true;
    // Held while records go in and the file is rewritten: no record is lost by two processes
    // at once; one committed twice (a run killed before the rewrite) goes in once by its id.
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
    const QString mine = m_location.text();
    QList<QByteArray> left;
    int mineLeft = 0;
    bool stopped = false;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine().trimmed();
        if (line.isEmpty())
            continue;
        QString database;
        ModuleRecord r;
        const bool parsed = ParseSpillLine(line, &database, &r);
        // Another database's records wait for it; a line that is no record is kept as it is.
        if (!parsed || (!database.isEmpty() && database != mine)) {
            left << line;
            continue;
        }
        if (stopped || (!insertRecord(r, error) && m_lastError.kind != StoreError::Kind::Taken)) {
            stopped = true;
            left << line; // kept in order for the next connection
            ++mineLeft;
        }
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
    if (mineLeft == 0)
        return true;
    if (error->isEmpty())
        *error = QStringLiteral("%1 records still wait in %2").arg(mineLeft).arg(m_spillPath);
    return false;
}

// ---- reading ----------------------------------------------------------------------------------

bool ProductionStore::history(const HistoryFilter& filter, QList<ModuleRecord>* out, QString* error)
{
    if (!isOpen() && !open(error))
        return false;
    QStringList where;
    QVariantList values;
    if (filter.sequence >= 0) {
        if (!filter.series.modelCode.isEmpty()) {
            where << QStringLiteral("sn_model = ? AND sn_year = ? AND sn_month = ?");
            values << filter.series.modelCode << filter.series.year << filter.series.month;
        }
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
    if (!filter.workOrder.isEmpty()) {
        where << QStringLiteral("work_order = ?");
        values << filter.workOrder;
    }
    if (filter.failedOnly)
        where << QStringLiteral("result <> 'ok'");
    if (filter.okOnly)
        where << QStringLiteral("result = 'ok'");
    QString sql = QStringLiteral(
        "SELECT time, station, port, baud, parity, family, firmware, band, model_row, sn_model, sn_year, sn_month,"
        " sn_sequence, written, read_back, result, detail, duration_ms, record_id, claim_id, work_order FROM rfmod_records");
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
    if (!q.exec())
        return fail(&q, error);
    out->clear();
    while (q.next()) {
        ModuleRecord r;
        r.time = TimeOf(q.value(0));
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
        r.id = q.value(18).toString();
        r.claimId = q.value(19).toString();
        r.workOrder = q.value(20).toString();
        *out << r;
    }
    return true;
}

bool ProductionStore::summary(StoreSummary* out, QString* error)
{
    *out = StoreSummary{};
    out->database = m_location.text();
    if (!isOpen() && !open(error))
        return false;
    out->spilled = spilledCount();
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT value FROM rfmod_meta WHERE key = 'schema_version'")) || !q.next())
        return fail(&q, error);
    out->schemaVersion = q.value(0).toString().toInt();
    if (!q.exec(QStringLiteral(
            "SELECT s.model, s.year, s.month, s.next_sequence, (SELECT COUNT(*) FROM rfmod_given_back g WHERE"
            " g.model = s.model AND g.year = s.year AND g.month = s.month) FROM rfmod_series s"
            " ORDER BY s.year, s.month, s.model")))
        return fail(&q, error);
    while (q.next())
        out->series << SeriesState{SerialSeries{q.value(0).toString(), q.value(1).toInt(), q.value(2).toInt()},
                                   q.value(3).toInt(), q.value(4).toInt()};
    if (!q.exec(QStringLiteral("SELECT COUNT(*), COALESCE(SUM(CASE WHEN result = 'ok' THEN 0 ELSE 1 END), 0)"
                               " FROM rfmod_records"))
        || !q.next())
        return fail(&q, error);
    out->records = q.value(0).toInt();
    out->failed = q.value(1).toInt();
    auto claims = [&](const QString& condition, QList<ClaimInfo>* to) {
        if (!q.exec(QStringLiteral("SELECT c.id, c.model, c.year, c.month, c.sequence, c.state, c.station, c.port, c.time"
                                   " FROM rfmod_claims c WHERE ")
                    + condition + QStringLiteral(" ORDER BY c.time, c.id")))
            return fail(&q, error);
        while (q.next()) {
            ClaimInfo i;
            i.claim.id = q.value(0).toString();
            i.claim.series = SerialSeries{q.value(1).toString(), q.value(2).toInt(), q.value(3).toInt()};
            i.claim.sequence = q.value(4).toInt();
            ClaimStateOfName(q.value(5).toString(), &i.claim.state);
            i.station = q.value(6).toString();
            i.port = q.value(7).toString();
            i.time = TimeOf(q.value(8));
            *to << i;
        }
        return true;
    };
    // Sent and never settled: the module may carry the number, and no ok record says which.
    if (!claims(QStringLiteral("c.state IN ('sent', 'unconfirmed') AND NOT EXISTS (SELECT 1 FROM rfmod_records r"
                               " WHERE r.sn_model = c.model AND r.sn_year = c.year AND r.sn_month = c.month"
                               " AND r.sn_sequence = c.sequence AND r.result = 'ok')"),
                &out->unconfirmed)
        || !claims(QStringLiteral("c.state = 'given_back' AND EXISTS (SELECT 1 FROM rfmod_given_back g WHERE g.model = c.model"
                                  " AND g.year = c.year AND g.month = c.month AND g.sequence = c.sequence)"),
                   &out->givenBack))
        return false;
    if (!q.exec(QStringLiteral("SELECT model, year, month, sequence, COUNT(*) FROM rfmod_claims WHERE state IN %1"
                               " GROUP BY model, year, month, sequence HAVING COUNT(*) > 1")
                    .arg(QLatin1String(kHeldStates))))
        return fail(&q, error);
    while (q.next())
        out->duplicates << DuplicateNumber{
            SerialNumber{q.value(0).toString(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toInt()},
            q.value(4).toInt(), 0};
    if (postgres()) {
        // Who holds row locks, and for how long: a frozen station shows here.
        if (!q.exec(QStringLiteral(
                "SELECT COALESCE(a.application_name, '') || ' ' || COALESCE(host(a.client_addr), 'local'),"
                " COALESCE(a.state, ''), (EXTRACT(EPOCH FROM (now() - a.xact_start)) * 1000)::bigint"
                " FROM pg_stat_activity a WHERE a.datname = current_database() AND a.pid <> pg_backend_pid()"
                " AND a.xact_start IS NOT NULL AND EXISTS (SELECT 1 FROM pg_locks l WHERE l.pid = a.pid AND l.granted"
                " AND l.locktype = 'transactionid') ORDER BY a.xact_start")))
            return fail(&q, error);
        while (q.next())
            out->locks << LockHolder{q.value(0).toString().trimmed(), q.value(1).toString(), q.value(2).toLongLong()};
    }
    return true;
}
