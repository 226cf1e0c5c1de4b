#include "ModuleJob.h"

#include "ModuleSession.h"

JobStep JobStep::Send(const CommandRequest& request)
{
    return Send(request.command, [request] { return request; });
}

JobStep JobStep::Send(Command command, std::function<CommandRequest()> request)
{
    JobStep s;
    s.command = command;
    s.request = std::move(request);
    return s;
}

JobStep JobStep::Pause(int ms)
{
    JobStep s;
    s.kind = Kind::Wait;
    s.waitMs = ms;
    return s;
}

JobStep JobStep::SearchFrom(int startIndex)
{
    JobStep s;
    s.kind = Kind::Search;
    s.command = Command::Search;
    s.searchStart = startIndex;
    return s;
}

JobStep JobStep::IdentifyHere()
{
    JobStep s;
    s.kind = Kind::Identify;
    s.command = Command::Search;
    return s;
}

ModuleJob::ModuleJob(ModuleSession& session, QList<JobStep> steps, QObject* parent)
    : QObject(parent), m_session(session), m_steps(std::move(steps)), m_search(session)
{
    m_wait.setSingleShot(true);
    m_wait.setTimerType(Qt::PreciseTimer); // a configured wait is never cut short
    connect(&m_wait, &QTimer::timeout, this, &ModuleJob::next);
    connect(&session, &ModuleSession::transactionStarted, this, &ModuleJob::onStarted);
    connect(&session, &ModuleSession::transactionEnded, this, &ModuleJob::onEnded);
    connect(&session, &ModuleSession::portLost, this, [this] {
        if (m_running)
            finish(JobResult{JobOutcome::Cancelled, m_current, TransactionOutcome::PortLost, LinkStatus::Ok});
    });
    connect(&m_search, &RadioSearch::stepped, this, &ModuleJob::searchStepped);
    connect(&m_search, &RadioSearch::finished, this, [this](bool found) {
        if (!m_running)
            return;
        if (!found) {
            finish(JobResult{JobOutcome::NotFound, Command::Search, TransactionOutcome::TimedOut, LinkStatus::Ok});
            return;
        }
        emit moduleFound();
        next();
    });
    connect(&m_search, &RadioSearch::failed, this, [this](const TransactionResult& r) {
        if (!m_running)
            return;
        const bool cancelled = r.outcome == TransactionOutcome::PortLost || r.outcome == TransactionOutcome::Cancelled;
        finish(JobResult{cancelled ? JobOutcome::Cancelled : JobOutcome::Failed, r.command, r.outcome, r.sendStatus});
    });
    connect(&m_search, &RadioSearch::abandoned, this, [this] {
        if (!m_running)
            return;
        const bool lost = m_session.link().isLost();
        finish(JobResult{lost ? JobOutcome::Cancelled : JobOutcome::Failed, Command::Search,
                         lost ? TransactionOutcome::PortLost : TransactionOutcome::Refused, LinkStatus::BadPort});
    });
}

ModuleJob::~ModuleJob()
{
    // A job that goes away leaves nothing of its own in flight.
    if (m_running) {
        m_running = false;
        m_search.stop();
        if (m_pending)
            m_session.cancel(m_pending);
    }
}

void ModuleJob::replaceRemaining(QList<JobStep> steps)
{
    m_steps = std::move(steps);
}

void ModuleJob::start()
{
    m_running = true;
    m_result = JobResult{};
    next();
}

void ModuleJob::cancel()
{
    if (m_running)
        finish(JobResult{JobOutcome::Cancelled, m_current, TransactionOutcome::Cancelled, LinkStatus::Ok});
}

void ModuleJob::next()
{
    if (!m_running)
        return;
    m_current = Command::None;
    m_pending = 0;
    while (!m_steps.isEmpty()) {
        const JobStep step = m_steps.takeFirst();
        if (step.when && !step.when())
            continue;
        if (step.check && !step.check()) {
            finish(JobResult{JobOutcome::Failed, step.command, TransactionOutcome::Refused, LinkStatus::Ok});
            return;
        }
        runStep(step);
        return;
    }
    finish(JobResult{});
}

void ModuleJob::runStep(const JobStep& step)
{
    m_current = step.command;
    switch (step.kind) {
    case JobStep::Kind::Command:
        m_pending = m_session.submit(step.request(), m_timeoutMs);
        break;
    case JobStep::Kind::Wait:
        m_wait.start(step.waitMs);
        emit waiting(Command::None, step.waitMs);
        break;
    case JobStep::Kind::Search:
        emit searchStarting();
        if (!m_search.start(step.searchStart)) {
            const bool lost = m_session.link().isLost();
            finish(JobResult{lost ? JobOutcome::Cancelled : JobOutcome::Failed, Command::Search,
                             lost ? TransactionOutcome::PortLost : TransactionOutcome::Refused, LinkStatus::BadPort});
        }
        break;
    case JobStep::Kind::Identify:
        m_search.identifyHere(m_timeoutMs);
        break;
    }
}

void ModuleJob::onStarted(TransactionId id, Command command, LinkStatus status)
{
    if (!m_running || id != m_pending)
        return;
    if (command != Command::Search)
        emit commandSent(command, status);
    if (status == LinkStatus::Ok)
        emit waiting(command, m_session.inFlightTimeout());
}

void ModuleJob::onEnded(const TransactionResult& r)
{
    if (!m_running || r.id != m_pending)
        return;
    m_pending = 0;
    if (r.outcome == TransactionOutcome::Answered) {
        emit commandAnswered(r.command, r.shortAnswer);
        next();
        return;
    }
    const bool cancelled = r.outcome == TransactionOutcome::PortLost || r.outcome == TransactionOutcome::Cancelled;
    finish(JobResult{cancelled ? JobOutcome::Cancelled : JobOutcome::Failed, r.command, r.outcome, r.sendStatus});
}

void ModuleJob::finish(JobResult result)
{
    if (!m_running)
        return;
    m_running = false;
    m_wait.stop();
    m_search.stop();
    m_steps.clear();
    if (const TransactionId pending = std::exchange(m_pending, 0))
        m_session.cancel(pending);
    m_result = result;
    emit waiting(Command::None, 0);
    emit finished(m_result);
}
