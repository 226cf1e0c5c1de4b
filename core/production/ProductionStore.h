// The production record of a bench or a line of stations: serial numbers claimed so that no
// two modules get one, and a record of every module programmed, each exactly once. SQLite for
// one bench (a file several processes share), PostgreSQL for a line of stations (one server).
// Records that cannot be committed wait in a spill file, each line naming its database and
// carrying the record's own id, and go into that database (and no other) at its next
// connection; a record committed twice is committed once.
#pragma once

#include "core/model/Values.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>

class QSqlQuery;

// Where the records live: "sqlite:PATH" or "postgresql://USER@HOST[:PORT]/DBNAME".
struct DatabaseLocation {
    enum class Kind { None, Sqlite, Postgres };
    Kind kind = Kind::None;
    QString path;   // SQLite file
    QString user;   // PostgreSQL
    QString host;
    int port = 5432;
    QString name;

    // Empty text is no database; false (and why) for a text that is neither form.
    static bool Parse(const QString& text, DatabaseLocation* out, QString* error);
    bool isSet() const { return kind != Kind::None; }
    // The location as given, without a password.
    QString text() const;
};

// A series of serial numbers: model code, year and month.
struct SerialSeries {
    QString modelCode;
    int year = 0;
    int month = 0;
    bool operator==(const SerialSeries& o) const
    {
        return modelCode == o.modelCode && year == o.year && month == o.month;
    }
};

// A claim on a serial number: see SerialNumberPool.h for the states and their rules.
enum class ClaimState { Allocated, Sent, Confirmed, Failed, Unconfirmed, GivenBack };
QString ClaimStateName(ClaimState state);
// false for a name that is no state
bool ClaimStateOfName(const QString& name, ClaimState* out);

struct ClaimOwner {
    QString station;
    QString port;
};

struct SerialClaim {
    QString id;                 // made at the station
    SerialSeries series;
    int sequence = -1;
    ClaimState state = ClaimState::Allocated;
    bool isValid() const { return sequence >= 0; }
    SerialNumber number() const { return SerialNumber{series.modelCode, series.year, series.month, sequence}; }
};

// Why a call of the store failed, as a kind the front ends can act on and a text.
struct StoreError {
    enum class Kind {
        None,
        Unreachable,  // no connection (server down, wrong address, lost)
        Permission,   // the role may not do this (a viewer writing, a station without rights)
        NoSchema,     // the database has no tables yet: rfmodctl db init
        OldSchema,    // made by an older version: rfmodctl db init upgrades it
        NewerSchema,  // made by a newer version of the program
        Taken,        // the number asked for is held by another claim
        Exhausted,    // every number of the series is used
        Refused,      // the claim is not in a state that allows this
        Failed,       // anything else the database refused
    };
    Kind kind = Kind::None;
    QString text;
    bool isSet() const { return kind != Kind::None; }
};

struct ModuleRecord {
    QString id;                // made at the station: committing it twice commits it once
    QString claimId;           // the claim of `number` this record settles, if any
    ClaimState claimState = ClaimState::Confirmed; // what the claim becomes with it
    QDateTime time;            // UTC
    QString station;
    QString workOrder;         // the work order or lot it was made for, empty: none
    QString port;
    SerialSettings line{0, Parity::Unknown};
    Identity identity;
    SerialNumber number;       // sequence -1: none given
    QJsonObject written;       // the parameters written, under the names read --json uses
    QJsonObject readBack;      // and as read back
    bool ok = false;
    QString detail;            // why it failed
    qint64 durationMs = 0;

    QJsonObject toJson() const;
    static ModuleRecord FromJson(const QJsonObject& o);
};

struct HistoryFilter {
    int sequence = -1;   // -1: any
    SerialSeries series; // with a sequence: only that series (empty model: any)
    QDateTime since;     // invalid: any
    QString station;     // empty: any
    QString workOrder;   // empty: any
    bool failedOnly = false;
    bool okOnly = false;
    int limit = 0;       // 0: all
};

struct SeriesState {
    SerialSeries series;
    int nextSequence = 0;
    int givenBack = 0;
};

struct ClaimInfo {
    SerialClaim claim;
    QString station;
    QString port;
    QDateTime time; // when it was claimed (UTC)
};

// A number the database knows on more than one module, or with more than one ok record.
struct DuplicateNumber {
    SerialNumber number;
    int claims = 0;     // claims whose write left the PC
    int okRecords = 0;
};

// A connection of another program holding a lock (PostgreSQL).
struct LockHolder {
    QString who;     // application name and address
    QString state;   // "idle in transaction", "active"...
    qint64 heldMs = 0;
};

struct StoreSummary {
    QString database;
    int schemaVersion = 0;
    QList<SeriesState> series;
    int records = 0;
    int failed = 0;
    int spilled = 0; // records waiting in the spill file for this database
    QList<ClaimInfo> unconfirmed; // sent, never confirmed: the module may carry the number
    QList<ClaimInfo> givenBack;   // back in the pool
    QList<DuplicateNumber> duplicates;
    QList<LockHolder> locks;
};

class ProductionStore {
public:
    static constexpr int kSchemaVersion = 3;
    static constexpr int kMaxSequence = 65534;

    // `spillPath`: where records wait when they cannot be committed (beside Config.ini).
    ProductionStore(const DatabaseLocation& location, const QString& spillPath);
    ~ProductionStore();
    ProductionStore(const ProductionStore&) = delete;
    ProductionStore& operator=(const ProductionStore&) = delete;

    // Connects and checks the schema (never changes it: a station needs only the rights on the
    // tables; see initialize), then commits what waits in the spill file for this database.
    // Also used to connect again after the database was lost. A SQLite file, which has no
    // roles, is made or upgraded here. The kind of a failure is in lastError().
    bool open(QString* error);
    // Makes or upgrades the schema (rfmodctl db init, as the database's owner).
    bool initialize(QString* error);
    bool isOpen() const;
    const DatabaseLocation& location() const { return m_location; }
    // The kind and text of the last failure of any call.
    const StoreError& lastError() const { return m_lastError; }
    // Recorded with every claim and shown to others as holding a lock.
    void setStation(const QString& station) { m_station = station; }

    // Claims (see SerialNumberPool.h for their states). The next free number of the series, a
    // given-back one first; `firstIfNew` starts a series the database does not know. An `out`
    // with an id and no number yet (an attempt whose answer was lost) asks again for that claim.
    bool claimNext(const SerialSeries& series, int firstIfNew, const ClaimOwner& owner, SerialClaim* out, QString* error);
    // A chosen number: refused (Taken) when a claim holds it, unless `again`.
    bool claimNumber(const SerialSeries& series, int sequence, const ClaimOwner& owner, bool again, SerialClaim* out,
                     QString* error);
    bool advanceClaim(SerialClaim* claim, ClaimState to, QString* error);
    bool giveBackClaim(SerialClaim* claim, QString* error);
    // A sent claim whose write the port refused (it never left the PC) goes back too.
    bool withdrawClaim(SerialClaim* claim, QString* error);
    // The highest number claimed in the series, -1 when none.
    int lastClaimed(const SerialSeries& series);

    // The same as a claim that is at once given up: kept for the benchmark and older callers.
    int allocate(const SerialSeries& series, int firstIfNew, const QString& station, QString* error);

    // Commits the record and settles its claim in one transaction; a record whose id is in the
    // database already is not committed again. When the database cannot take it, it goes to
    // the spill file, flushed to the disk (false only when both fail). A second ok record of
    // one number is refused by the database: the record is then kept as failed, its detail
    // saying so, and lastError() is Taken.
    bool record(const ModuleRecord& record, QString* error);
    // Newest first.
    bool history(const HistoryFilter& filter, QList<ModuleRecord>* out, QString* error);
    bool summary(StoreSummary* out, QString* error);
    // Records waiting in the spill file for this database.
    int spilledCount() const;

    // An id for a record or a claim, unique across stations.
    static QString NewId();
    // One line of the spill file: the database it belongs to and the record.
    static QByteArray SpillLine(const QString& database, const ModuleRecord& record);
    // false for a line that is no record; `database` is empty for a line of an earlier version
    // (which named none: it belongs to the first database opened).
    static bool ParseSpillLine(const QByteArray& line, QString* database, ModuleRecord* record);

private:
    bool connectDatabase(QString* error);
    bool checkSchema(bool create, QString* error);
    bool commitSpilled(QString* error);
    bool insertRecord(const ModuleRecord& record, QString* error);
    bool spill(const ModuleRecord& record, QString* error);
    bool postgres() const { return m_location.kind == DatabaseLocation::Kind::Postgres; }
    // Runs `body` in a transaction, again when the database asks for it (serialization
    // failure, deadlock, lock time-out); false with lastError() set otherwise.
    bool transaction(const std::function<bool(QSqlQuery&)>& body, QString* error);
    bool fail(QSqlQuery* q, QString* error);
    bool failWith(StoreError::Kind kind, const QString& text, QString* error);
    bool moveClaim(SerialClaim* claim, ClaimState to, bool neverLeft, QString* error);

    DatabaseLocation m_location;
    QString m_spillPath;
    QString m_connection;
    QString m_station;
    StoreError m_lastError;
    bool m_retryable = false; // the last failure asks for the transaction to be run again
};
