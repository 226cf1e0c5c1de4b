// The commands awaiting the module: one in flight, the rest queued in order. Each transaction
// has its deadline and ends exactly once (ended), with a typed outcome; nothing here knows the
// link or the protocol beyond the hooks it is given.
#pragma once

#include "Clock.h"
#include "Transaction.h"
#include "core/protocol/Requests.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

class TransactionQueue : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // Puts a transaction's frame on the line (and records what answers are matched against).
        std::function<LinkStatus(const CommandRequest& request, bool afterIdentify)> send;
        // How long an answer to the request may take at the line in force.
        std::function<int(const CommandRequest& request)> lineDeadline;
        // Whether the port has gone (a refused send then ends as PortLost).
        std::function<bool()> portLost;
    };

    explicit TransactionQueue(Hooks hooks, QObject* parent = nullptr);
    // Deadlines are times on this clock (not owned; nullptr: the system clock). A test with a
    // ManualClock moves it and calls expireDue().
    void setClock(Clock* clock) { m_clock = clock ? clock : &m_systemClock; }
    // Ends the transaction in flight as timed out once its deadline has passed.
    void expireDue();

    // Queued behind what waits; started from the event loop, so the caller holds the id before
    // anything can end. `timeoutMs` < 0: the line's deadline; 0: for ever. A queued transaction
    // supersedes a manual one still in flight.
    TransactionId submit(const CommandRequest& request, int timeoutMs);
    // Next after the one in flight, ahead of everything queued (or at once when none is).
    TransactionId followUp(const CommandRequest& request, int timeoutMs);
    // At once: whatever is in flight or queued ends superseded. `id` gets the new transaction.
    LinkStatus sendNow(const CommandRequest& request, int timeoutMs, TransactionId* id = nullptr);
    // Ends a transaction in flight or queued as cancelled (nothing for one that has ended).
    void cancel(TransactionId id);
    void endInFlight(TransactionOutcome outcome, bool shortAnswer = false);
    void endAll(TransactionOutcome outcome);
    // Whether `command` was given up on before its answer came (its late answer is dropped once).
    bool takeStale(Command command) { return m_stale.removeOne(command); }

    TransactionId current() const { return m_inFlight ? m_inFlight->id : 0; }
    Command commandInFlight() const { return m_inFlight ? m_inFlight->request.command : Command::None; }
    int inFlightTimeout() const { return m_inFlight ? m_inFlight->timeoutMs : 0; }
    bool busy() const { return m_inFlight.has_value() || !m_queue.isEmpty(); }

signals:
    // A transaction's frame went out (or was refused: its end follows from the event loop).
    void started(TransactionId id, Command command, LinkStatus status);
    void ended(const TransactionResult& result);

private:
    struct Entry {
        TransactionId id = 0;
        CommandRequest request;
        int timeoutMs = 0;         // < 0: the line's deadline, worked out when it starts
        bool afterIdentify = false;
        bool manual = false;       // sent at once, not queued by a job
    };
    LinkStatus start(Entry e);
    void end(const Entry& e, TransactionOutcome outcome, bool shortAnswer = false, LinkStatus sendStatus = LinkStatus::Ok);
    void deferred();
    void pump();

    Hooks m_hooks;
    std::optional<Entry> m_inFlight;
    QList<Entry> m_queue;
    // Ends of refused sends and the start of queued work wait for the event loop.
    struct Refusal {
        Entry entry;
        TransactionOutcome outcome;
        LinkStatus status;
    };
    QList<Refusal> m_refused;
    QTimer m_deferTimer;
    QTimer m_deadline;
    qint64 m_deadlineAt = 0; // on m_clock; 0: the one in flight waits for ever
    SystemClock m_systemClock;
    Clock* m_clock = &m_systemClock;
    // Commands given up on before their answer came: a late answer of one is dropped.
    static constexpr int kStaleKept = 8;
    QList<Command> m_stale;
    TransactionId m_nextId = 1;
};
