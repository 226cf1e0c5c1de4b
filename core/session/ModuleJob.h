// Multi-step work on one module: a list of steps (commands, waits, a search, an identify),
// each started when the one before has ended, from plain values given when the job is made.
// A command step is a transaction of the session; the job ends at the first that does not
// end answered, and exactly once: done, not found (search), failed, or cancelled (cancel(),
// or the port lost).
#pragma once

#include "RadioSearch.h"
#include "Transaction.h"
#include "core/protocol/Requests.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

class ModuleSession;

enum class JobOutcome {
    Done,
    NotFound,  // a search step tried every combination in vain
    Failed,    // a command did not end answered (result.transaction says how)
    Cancelled, // cancel(), or the port lost (result.transaction is then PortLost)
};

struct JobResult {
    JobOutcome outcome = JobOutcome::Done;
    Command command = Command::None;                               // the step that failed
    TransactionOutcome transaction = TransactionOutcome::Answered; // how it failed
    LinkStatus sendStatus = LinkStatus::Ok;                        // refused at sending: why
};

struct JobStep {
    enum class Kind {
        Command,  // request() sent and its answer awaited
        Wait,     // waitMs of nothing
        Search,   // the radio search from combination searchStart, then the model read
        Identify, // one search request at the line in force, then the model read
    };
    Kind kind = Kind::Command;
    Command command = Command::None;
    // Built when the step is due, so it may use what earlier steps read.
    std::function<CommandRequest()> request;
    int waitMs = 0;
    int searchStart = 1;
    // Skipped when this says no (asked when the step is due).
    std::function<bool()> when;
    // The step's own checks, asked when it is due: no ends the job there, failed and refused,
    // with nothing sent (the check has told why).
    std::function<bool()> check;

    static JobStep Send(const CommandRequest& request);
    static JobStep Send(Command command, std::function<CommandRequest()> request);
    static JobStep Pause(int ms);
    static JobStep SearchFrom(int startIndex);
    static JobStep IdentifyHere();
};

class ModuleJob : public QObject {
    Q_OBJECT
public:
    ModuleJob(ModuleSession& session, QList<JobStep> steps, QObject* parent = nullptr);
    ~ModuleJob() override;

    // Time-out of each command; 0 waits for ever. By default (< 0) the session's own or,
    // when the session waits for ever, the line's deadline: a job never hangs on a command.
    void setAnswerTimeout(int ms) { m_timeoutMs = ms; }
    RadioSearch& search() { return m_search; }
    // Appends steps to a job not yet finished (a follow-up chosen while it runs).
    void replaceRemaining(QList<JobStep> steps);

    void start();
    // Ends the job as cancelled: the command it awaits is cancelled, the port stays usable.
    void cancel();
    bool isRunning() const { return m_running; }
    const JobResult& result() const { return m_result; }
    // The step under way (Command::None for a wait or between steps).
    Command currentCommand() const { return m_current; }

signals:
    // A command step's frame went out, or was refused.
    void commandSent(Command command, LinkStatus status);
    // What the job waits for now: a command's answer (for at most `ms`, 0 for ever), a pause
    // of `ms` (Command::None), or nothing any more (Command::None, 0).
    void waiting(Command command, int ms);
    // A command step was answered (shortAnswer: the module answered in the short frame).
    void commandAnswered(Command command, bool shortAnswer);
    // A search step begins (before its first combination is tried).
    void searchStarting();
    void searchStepped(int index, const SerialSettings& settings, LinkStatus configured, LinkStatus sent);
    // The search or identify step found the module (its model read has ended).
    void moduleFound();
    void finished(const JobResult& result);

private:
    void next();
    void runStep(const JobStep& step);
    void onStarted(TransactionId id, Command command, LinkStatus status);
    void onEnded(const TransactionResult& result);
    void finish(JobResult result);

    ModuleSession& m_session;
    QList<JobStep> m_steps;
    RadioSearch m_search;
    QTimer m_wait;
    int m_timeoutMs = -1;
    bool m_running = false;
    TransactionId m_pending = 0;      // the transaction the step awaits
    Command m_current = Command::None;
    JobResult m_result;
};
