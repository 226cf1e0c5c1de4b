#include "TransactionQueue.h"

TransactionQueue::TransactionQueue(Hooks hooks, QObject* parent) : QObject(parent), m_hooks(std::move(hooks))
{
    m_deadline.setSingleShot(true);
    m_deadline.setTimerType(Qt::PreciseTimer);
    connect(&m_deadline, &QTimer::timeout, this, &TransactionQueue::expireDue);
    m_deferTimer.setSingleShot(true);
    m_deferTimer.setInterval(0);
    connect(&m_deferTimer, &QTimer::timeout, this, &TransactionQueue::deferred);
}

TransactionId TransactionQueue::submit(const CommandRequest& request, int timeoutMs)
{
    const Entry e{m_nextId++, request, timeoutMs, false, false};
    m_queue.append(e);
    m_deferTimer.start();
    return e.id;
}

TransactionId TransactionQueue::followUp(const CommandRequest& request, int timeoutMs)
{
    const Entry e{m_nextId++, request, timeoutMs, true, false};
    if (m_inFlight)
        m_queue.prepend(e);
    else
        start(e);
    return e.id;
}

LinkStatus TransactionQueue::sendNow(const CommandRequest& request, int timeoutMs, TransactionId* id)
{
    endAll(TransactionOutcome::Superseded);
    const Entry e{m_nextId++, request, timeoutMs, false, true};
    if (id)
        *id = e.id;
    return start(e);
}

void TransactionQueue::cancel(TransactionId id)
{
    if (m_inFlight && m_inFlight->id == id) {
        endInFlight(TransactionOutcome::Cancelled);
        return;
    }
    for (int i = 0; i < m_queue.size(); ++i) {
        if (m_queue.at(i).id == id) {
            end(m_queue.takeAt(i), TransactionOutcome::Cancelled);
            return;
        }
    }
}

void TransactionQueue::deferred()
{
    for (const Refusal& r : std::exchange(m_refused, {}))
        end(r.entry, r.outcome, false, r.status);
    pump();
}

void TransactionQueue::pump()
{
    // The operator's read of a silent module must not hold a job for ever.
    if (m_inFlight && m_inFlight->manual && !m_queue.isEmpty())
        endInFlight(TransactionOutcome::Superseded);
    while (!m_inFlight && !m_queue.isEmpty())
        start(m_queue.takeFirst());
}

LinkStatus TransactionQueue::start(Entry e)
{
    // One in flight at a time: a command still awaited when another starts has been replaced.
    if (m_inFlight)
        endInFlight(TransactionOutcome::Superseded);
    if (e.timeoutMs < 0)
        e.timeoutMs = m_hooks.lineDeadline(e.request);
    const LinkStatus status = m_hooks.send(e.request, e.afterIdentify);
    if (status != LinkStatus::Ok) {
        emit started(e.id, e.request.command, status);
        // Told from the event loop: the sender has the link's answer first.
        const TransactionOutcome outcome = m_hooks.portLost() ? TransactionOutcome::PortLost : TransactionOutcome::Refused;
        m_refused.append(Refusal{e, outcome, status});
        m_deferTimer.start();
        return status;
    }
    m_inFlight = e;
    m_deadlineAt = e.timeoutMs > 0 ? m_clock->nowMs() + e.timeoutMs : 0;
    if (e.timeoutMs > 0)
        m_deadline.start(e.timeoutMs);
    else
        m_deadline.stop();
    emit started(e.id, e.request.command, status);
    return status;
}

void TransactionQueue::expireDue()
{
    if (!m_inFlight || m_deadlineAt == 0)
        return;
    const qint64 left = m_deadlineAt - m_clock->nowMs();
    if (left > 0) {
        m_deadline.start(int(left)); // the timer ran ahead of the clock
        return;
    }
    endInFlight(TransactionOutcome::TimedOut);
}

void TransactionQueue::end(const Entry& e, TransactionOutcome outcome, bool shortAnswer, LinkStatus sendStatus)
{
    emit ended(TransactionResult{e.id, e.request.command, outcome, shortAnswer, sendStatus, e.afterIdentify});
}

void TransactionQueue::endInFlight(TransactionOutcome outcome, bool shortAnswer)
{
    if (!m_inFlight)
        return;
    const Entry e = *m_inFlight;
    m_inFlight.reset();
    m_deadline.stop();
    m_deadlineAt = 0;
    if (outcome == TransactionOutcome::TimedOut || outcome == TransactionOutcome::Cancelled
        || outcome == TransactionOutcome::Superseded) {
        m_stale.append(e.request.command);
        if (m_stale.size() > kStaleKept)
            m_stale.removeFirst();
    }
    end(e, outcome, shortAnswer);
    if (!m_queue.isEmpty())
        m_deferTimer.start();
}

void TransactionQueue::endAll(TransactionOutcome outcome)
{
    const QList<Entry> queued = std::exchange(m_queue, {});
    endInFlight(outcome);
    for (const Entry& e : queued)
        end(e, outcome);
}
