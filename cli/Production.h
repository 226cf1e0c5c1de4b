// The production loop of rfmodctl program: on each port, wait until a module answers
// (searching), write the profile, give it the next serial number, read back and verify,
// record it (production database, CSV line), wait until the module is taken away, and go on
// with the next. Every port has a worker of its own; all run in one event loop.
#pragma once

#include "Cli.h"

#include "core/model/Profile.h"
#include "core/production/ProductionStore.h"
#include "core/production/SerialNumberPool.h"

#include <QFile>
#include <QObject>
#include <QPair>
#include <QTimer>

#include <functional>
#include <memory>

namespace Cli {

struct ProductionSetup {
    Profile profile;
    bool numbered = false;  // --sn-next
    QString snModel;        // --model, else the profile's, else the module's own
    int snYear = -1;        // else [SN] Year, else this year
    int snMonth = -1;       // else [SN] Month, else this month
    int count = 0;          // modules per port, 0: until stopped
    bool anyModel = false;  // modules whose model is not known are programmed unchecked
    int first = -1;         // --start: first number of a series new to the database, else [SN] NO + 1
};

// One CSV file for every port: each line written whole and flushed, so a crash loses
// nothing already recorded.
class ProductionLog {
public:
    static QStringList Header();
    bool open(const QString& path, QString* error);
    void append(const QStringList& fields);

private:
    QFile m_file;
};

class ProductionWorker : public QObject {
    Q_OBJECT
public:
    // Numbers come from `pool` (the production database, or Config.ini); with a production
    // database (`db`) every module is recorded in it.
    ProductionWorker(const Context& context, int port, const ProductionSetup& setup, SerialNumberPool* pool,
                     ProductionStore* db, ProductionLog* log, QObject* parent = nullptr);
    ~ProductionWorker() override;

    void start();
    void stop();
    int port() const { return m_port; }
    int programmed() const { return m_ok; }
    int failed() const { return m_failed; }
    bool isFinished() const { return m_finished; }
    QString state() const { return m_state; }
    QString lastResult() const { return m_lastResult; }

    // Where the time went, summed over the modules: searching, writing, verifying, waiting
    // for the module to be taken away (ms).
    struct Times {
        qint64 search = 0, write = 0, verify = 0, removal = 0;
        int answers = 0; // each answer waited the frame gap after its last byte
    };
    const Times& times() const { return m_times; }

signals:
    void changed();
    void finished();
    // Something the operator must know at once (the database lost and back).
    void notice(const QString& text);

private:
    void setState(const QString& state);
    void openPort();
    // Waiting for a module: asked at the settings the last one came at, for a while, then
    // searched for over all 21 combinations, and again.
    void search();
    void pollHome();
    void sweep();
    // The module found: the profile written, the number claimed and marked sent, then the
    // serial number and the read-back as a second job.
    void program();
    void number();
    void onAnswered();
    // A module that failed: its state is read where it was found, then it is recorded.
    void fail(const QString& detail);
    void record(bool ok, const QString& detail);
    // The record into the database (or its spill file), then the module counts as done.
    void commitRecord();
    void done();
    void awaitRemoval();
    void pollRemoval();
    // The one timer of the cycle: `then` runs after `ms`, unless stop() or another after() comes first.
    void after(int ms, std::function<void()> then);
    void portProblem(const QString& what);
    // The claim of the module in hand is settled as far as it can be when the module is left:
    // given back while its write never left the PC, else unconfirmed (it may carry it).
    void leaveClaim();
    // Give-backs and settlements the database could not take yet, tried again.
    void settleOwed();
    // Records the module in hand as failed with `why` when its number may be on it (stopped,
    // port lost after the write went out).
    void recordInterrupted(const QString& why);
    // No number could be taken: the port waits for the database, and looks again for the
    // module in hand every few seconds.
    void databaseLost(const QString& why);

    const Context& m_context;
    int m_port;
    ProductionSetup m_setup;
    SerialNumberPool* m_pool;
    ProductionStore* m_db;
    ProductionLog* m_log;
    std::unique_ptr<ModuleClient> m_client;
    QTimer m_timer;
    std::function<void()> m_then;
    qint64 m_phaseStart = 0;
    qint64 m_moduleStart = 0;
    SerialClaim m_claim;                    // of the module in hand (invalid: none)
    QString m_retryClaimId;                 // a claim whose answer was lost, asked for again
    ClaimState m_claimOutcome = ClaimState::Unconfirmed; // what its read-back said
    QList<QPair<SerialClaim, ClaimState>> m_owed; // claims to move there when the database is back
    bool m_dbLost = false;
    // The module done, waiting for its record to be kept.
    ModuleRecord m_pending;
    QStringList m_pendingCsv;
    QString m_pendingResult;
    bool m_recordHeld = false; // neither the database nor the spill file took it yet
    // The programming job's commands answered so far, and where numbering and verifying
    // begin in it (-1: no programming job runs).
    int m_answered = 0;
    int m_verifyFrom = -1;
    LineSettings m_foundLine; // where the module answered the search
    LineSettings m_homeLine;  // where new modules are expected: where the last one came
    qint64 m_homeUntil = 0;
    // The module being programmed, as it identified itself.
    ModuleReadings m_found;
    // The module recorded last, as it identified itself. Found again after one silent poll
    // (a lost answer) it is that module, not a new one; the guard ends when the port is seen
    // empty again, unless the module carries a number written here (no other module has it).
    ModuleReadings m_recorded;
    bool m_guard = false;
    bool m_guardLasts = false;
    int m_silentPolls = 0;      // in a row, while waiting for the module to be taken away
    bool m_silenceSeen = false; // since the module last answered as the one recorded
    int m_alikePolls = 0;       // answers as the module recorded, while waiting for its removal
    int m_ok = 0;
    int m_failed = 0;
    bool m_stopped = false;
    bool m_finished = false;
    QString m_state;
    QString m_lastResult;
    Times m_times;
};

// One line a port on stderr: updated in place on a terminal, plain lines otherwise.
class ProgressBoard : public QObject {
    Q_OBJECT
public:
    explicit ProgressBoard(const QList<ProductionWorker*>& workers, QObject* parent = nullptr);
    void draw();
    // A line of its own above the board.
    void note(const QString& text);

private:
    QList<ProductionWorker*> m_workers;
    QStringList m_last;
    bool m_terminal = false;
    int m_drawn = 0;
};

} // namespace Cli
