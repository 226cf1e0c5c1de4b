// The production record of a bench or a line of stations: serial numbers allocated so that no
// two modules get one, and a record of every module programmed. SQLite for one bench (a file
// several processes share), PostgreSQL for a line of stations (one server). Records that
// cannot be committed are kept in a spill file and committed at the next connection.
#pragma once

#include "core/model/Values.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

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

struct ModuleRecord {
    QDateTime time;            // UTC
    QString station;
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
    QDateTime since;     // invalid: any
    QString station;     // empty: any
    bool failedOnly = false;
    int limit = 0;       // 0: all
};

struct SeriesState {
    SerialSeries series;
    int nextSequence = 0;
    int givenBack = 0;
};

struct StoreSummary {
    QString database;
    int schemaVersion = 0;
    QList<SeriesState> series;
    int records = 0;
    int failed = 0;
    int spilled = 0; // records waiting in the spill file
};

class ProductionStore {
public:
    static constexpr int kSchemaVersion = 1;
    static constexpr int kMaxSequence = 65534;

    // `spillPath`: where records wait when they cannot be committed (beside Config.ini).
    ProductionStore(const DatabaseLocation& location, const QString& spillPath);
    ~ProductionStore();
    ProductionStore(const ProductionStore&) = delete;
    ProductionStore& operator=(const ProductionStore&) = delete;

    // Connects, creates the schema on first use (a newer schema is refused), and commits what
    // waits in the spill file. Also used to connect again after the database was lost.
    bool open(QString* error);
    bool isOpen() const;
    const DatabaseLocation& location() const { return m_location; }

    // The next number of the series, a given-back one first; `firstIfNew` starts a series
    // the database does not know. -1 (and why) when no number could be committed.
    int allocate(const SerialSeries& series, int firstIfNew, const QString& station, QString* error);
    // A number allocated but not kept by a module (it failed): the next allocation uses it.
    bool giveBack(const SerialSeries& series, int sequence, QString* error);
    // Commits the record; when that fails it goes to the spill file (false only when both fail).
    bool record(const ModuleRecord& record, QString* error);
    // Newest first.
    bool history(const HistoryFilter& filter, QList<ModuleRecord>* out, QString* error);
    bool summary(StoreSummary* out, QString* error);
    int spilledCount() const;

private:
    bool ensureSchema(QString* error);
    bool commitSpilled(QString* error);
    bool insertRecord(const ModuleRecord& record, QString* error);
    bool spill(const ModuleRecord& record, QString* error);
    bool postgres() const { return m_location.kind == DatabaseLocation::Kind::Postgres; }

    DatabaseLocation m_location;
    QString m_spillPath;
    QString m_connection;
};
