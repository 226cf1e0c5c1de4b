// The production cycle of one jig: wait until a module answers (searching), write the
// profile, give it the next serial number, read back and verify, record it (production
// database, CSV line), wait until the module is taken away, and go on with the next. A line
// has a jig per port, all in one event loop; rfmodctl program and the station window run the
// same jigs.
#pragma once

#include "core/model/Profile.h"
#include "core/production/ProductionStore.h"
#include "core/production/SerialNumberPool.h"
#include "core/session/ModuleClient.h"

#include <QFile>
#include <QObject>
#include <QPair>
#include <QTimer>

#include <functional>
#include <memory>

// What every jig of a station works with.
struct ProductionSetup {
    Profile profile;
    bool numbered = false;  // each module gets the next serial number
    QString snModel;        // model of the numbers, else the profile's, else the module's own
    int snYear = -1;        // else [SN] Year, else this year
    int snMonth = -1;       // else [SN] Month, else this month
    int count = 0;          // modules per jig, 0: until stopped
    bool anyModel = false;  // modules whose model is not known are programmed unchecked
    int first = -1;         // first number of a series new to the database, else [SN] NO + 1
    QString workOrder;      // recorded with every module, empty: none

    Edition edition;
    LineSettings line;      // where the first module is looked for
    int timeoutMs = 1000;   // answer time-out after the frame gap
    int gapMs = 333;
    int searchStepMs = 1100;
    QString configPath;     // Config.ini: [SN], and the numbers without a database
    QString station;
    QString spillPath;      // where records wait for the database (named in notices)
};

// One CSV file for every jig: each line written whole and flushed, so a crash loses nothing
// already recorded. A file begun before the work-order column keeps its columns.
class ProductionLog {
public:
    static QStringList Header();
    bool open(const QString& path, QString* error);
    void append(const QStringList& fields);
    QString path() const { return m_file.fileName(); }

private:
    QFile m_file;
    int m_columns = 0;
};

enum class JigState {
    Idle,
    WaitingForModule,   // asked where the last module came
    Searching,          // every line setting tried
    Writing,
    Numbering,
    Verifying,
    KeepingRecord,      // neither the database nor the spill file took the record yet: tried again
    TakeAway,           // recorded: the module must be taken away (see lastRecord)
    WaitingForDatabase, // no number could be claimed
    PortTrouble,        // the port cannot be opened or was lost: tried again (see problem)
    Paused,
    Done,               // the count reached
    Stopped,
};

// Why a module failed.
enum class FailReason {
    None,
    UnknownModel,     // nothing can be checked against it
    ProfileNotForModel,
    NoAnswer,         // a step went unanswered
    ModuleRefused,    // a wrong answer, a bad checksum
    PortTrouble,      // the port refused a write or was lost
    Mismatch,         // the read-back differs from what was written
    NumberTaken,      // another module has an ok record of the number
    Database,         // no number: the database refused
    Interrupted,      // stopped or the port lost after the number was written
};

// Something the operator must know at once, on the jig's port.
struct JigNotice {
    enum class Kind { DatabaseLost, DatabaseBack, RecordHeld, RecordSpilled, NumberTaken, RecordLost };
    Kind kind;
    QString why;  // the store's reason
    QString text; // the whole English message, port first
};

// A module done: its record, and why it failed.
struct JigRecord {
    ModuleRecord record;
    FailReason reason = FailReason::None;
    bool numbered = false; // record.number was written here and read back
};

class ProductionJig : public QObject {
    Q_OBJECT
public:
    // Numbers come from `pool` (the production database, or Config.ini); with a production
    // database (`db`) every module is recorded in it. `log` may be null.
    ProductionJig(const ProductionSetup& setup, int port, SerialNumberPool* pool, ProductionStore* db,
                  ProductionLog* log, QObject* parent = nullptr);
    ~ProductionJig() override;

    void start();
    // The module in hand is left as the claim rules say; the port closes.
    void stop();
    // As stop, but the jig starts again with resume().
    void pause();
    void resume();

    int port() const { return m_port; }
    int programmed() const { return m_ok; }
    int failed() const { return m_failed; }
    bool isFinished() const { return m_finished; }
    JigState state() const { return m_state; }
    // PortTrouble: why ("port lost", "COM3 cannot be opened: ..."), and whether the port
    // would not open at all (else it was lost while open).
    QString problem() const { return m_problem; }
    bool portWontOpen() const { return m_wontOpen; }
    // The module recorded last (invalid id: none yet).
    const JigRecord& lastRecord() const { return m_last; }
    // When the module in hand was found (monotonic ms, 0: none).
    qint64 moduleStartMs() const { return m_moduleStart; }
    // The module in hand as it identified itself.
    const ModuleReadings& found() const { return m_found; }

    // Where the time went, summed over the modules: searching, writing, verifying, waiting
    // for the module to be taken away (ms).
    struct Times {
        qint64 search = 0, write = 0, verify = 0, removal = 0;
        int answers = 0; // each answer waited the frame gap after its last byte
    };
    const Times& times() const { return m_times; }

    // The state in English words, as rfmodctl shows it.
    static QString StateText(JigState state, const QString& problem, bool mustSeeEmpty);
    QString stateText() const { return StateText(m_state, m_problem, !m_guardLasts); }

signals:
    void changed();
    void finished();
    void recorded(const JigRecord& record);
    void notice(const JigNotice& notice);
    // A session was opened on the port (a tracer may watch it).
    void portOpened(ModuleSession* session);

private:
    void setState(JigState state);
    void halt(JigState as);
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
    void fail(FailReason reason, const QString& detail);
    // `readings`: what was read of the module, when not the session's last readings.
    void record(bool ok, FailReason reason, const QString& detail, const ModuleReadings* readings = nullptr);
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
    // A record of the module in hand with what every record of this jig carries.
    ModuleRecord newRecord(const Identity& identity) const;
    // No number could be taken: the jig waits for the database, and looks again for the
    // module in hand every few seconds.
    void databaseLost(const QString& why);
    void tell(JigNotice::Kind kind, const QString& why, const QString& text);
    QString portName() const;

    ProductionSetup m_setup;
    int m_port;
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
    JigRecord m_pending;
    QStringList m_pendingCsv;
    bool m_recordHeld = false; // neither the database nor the spill file took it yet
    JigRecord m_last;
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
    JigState m_state = JigState::Idle;
    QString m_problem;
    bool m_wontOpen = false;
    Times m_times;
};

Q_DECLARE_METATYPE(JigRecord)
