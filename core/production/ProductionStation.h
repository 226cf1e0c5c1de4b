// A production station: a jig per port, all running the production cycle on one profile, one
// source of serial numbers and one record; with what the station's operator watches: the
// totals of the shift, the modules an hour of the last ten minutes, the last records and
// passes and failures per ten minutes.
#pragma once

#include "core/base/Clock.h"
#include "core/production/ProductionCycle.h"

#include <QList>
#include <QObject>

#include <memory>

// [Station] in Config.ini: the station window's set-up as last used.
struct StationSettings {
    QString profilePath;
    QList<int> ports;       // COM numbers, in jig order
    SerialSettings line{9600, Parity::None}; // where modules are looked for first
    int gapMs = 0;          // quiet gap that ends an answer, 0: the tool's [Option] one
    int timeoutMs = 1000;   // answer time-out after it
    bool numbered = true;   // each module gets the next serial number
    bool useDatabase = false; // numbers and records in [Production] Database, else Config.ini
    QString workOrder;
    QString logPath;        // CSV log, empty: none
    bool beep = false;

    static StationSettings Read(const QString& configPath);
    bool write(const QString& configPath) const;
};

class ProductionStation : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxJigs = 16;
    static constexpr int kRecentRecords = 50;
    static constexpr qint64 kBinMs = 10 * 60 * 1000;

    // Why a station could not start.
    enum class Problem { None, NoPorts, TooManyPorts, EmptyProfile, LogUnwritable, ConfigUnwritable, Database };
    struct StartResult {
        Problem problem = Problem::None;
        QString detail;           // the file or the database's reason
        StoreError::Kind database = StoreError::Kind::None;
        bool ok() const { return problem == Problem::None; }
    };

    struct Counts {
        int passed = 0, failed = 0;
    };
    struct Totals {
        int passed = 0, failed = 0;
        double yieldPercent = 0;  // of the modules done, 0 when none
        double perHour = 0;       // modules an hour over the last ten minutes (or since the start)
        qint64 runningMs = 0;     // jigs running, this shift
    };
    // Passes and failures of one ten-minute span of the shift, from its start.
    struct Bin {
        qint64 startMs = 0; // since the shift's start
        int passed = 0, failed = 0;
    };

    explicit ProductionStation(QObject* parent = nullptr, Clock* clock = nullptr);
    ~ProductionStation() override;

    // Opens the record (database or Config.ini, the CSV log) and starts a jig on each port.
    StartResult start(const ProductionSetup& setup, const QList<int>& ports, const DatabaseLocation& database,
                      const QString& logPath);
    // Every jig stopped, the module in hand left as the claim rules say; the jigs stay to be
    // looked at until the next start.
    void stopAll();
    bool isRunning() const { return m_running; }
    void pause(int jig);
    void resume(int jig);

    const QList<ProductionJig*>& jigs() const { return m_jigs; }
    Counts countsOf(int jig) const { return m_counts.value(jig); }
    Totals totals() const;
    QList<Bin> bins() const;
    // The station's records, newest first: those in the database or log before this run,
    // then this run's (at most kRecentRecords).
    const QList<JigRecord>& recent() const { return m_recent; }
    // A new shift: totals, counts and the chart start again from now.
    void resetShift();
    // Records that wait in the spill file for the database (0 without one).
    int waitingRecords() const;
    const ProductionSetup& setup() const { return m_setup; }

signals:
    void jigChanged(int jig);
    void recorded(int jig, const JigRecord& record);
    void notice(const JigNotice& notice);
    void runningChanged(bool running);

private:
    void onRecorded(int jig, const JigRecord& record);
    void loadRecent(const QString& logPath);
    void clearJigs();

    Clock* m_clock;
    ProductionSetup m_setup;
    std::unique_ptr<ProductionStore> m_db;
    std::unique_ptr<SerialNumberPool> m_pool;
    std::unique_ptr<ProductionLog> m_log;
    QList<ProductionJig*> m_jigs;
    QList<Counts> m_counts;
    QList<JigRecord> m_recent;
    // This shift: when it began, each module done (time, passed) and the time jigs ran.
    qint64 m_shiftStart = 0;
    QList<QPair<qint64, bool>> m_done;
    qint64 m_runningSince = -1;
    qint64 m_ranMs = 0;
    bool m_running = false;
};
