#include "ModuleClient.h"
#include "InterruptWatch.h"

#include <QEventLoop>
#include <QPointer>

ModuleClient::ModuleClient(const Edition& edition, int answerTimeoutMs, QObject* parent)
    : QObject(parent), m_session(std::make_unique<ModuleSession>(edition)),
      m_searchStepMs(RadioSearch::kStepIntervalMs)
{
    m_session->setAnswerTimeout(answerTimeoutMs);
}

ModuleClient::~ModuleClient()
{
    // The jobs (a finished one may still wait for its deferred deletion) go before the
    // session they work on.
    m_job = nullptr;
    qDeleteAll(findChildren<ModuleJob*>(Qt::FindDirectChildrenOnly));
    // The port is this client's alone: it goes with it.
    if (m_session->link().isOpen())
        m_session->link().close();
}

ModuleJob* ModuleClient::begin(QList<JobStep> steps)
{
    cancel();
    m_job = new ModuleJob(*m_session, std::move(steps), this);
    m_job->search().setStepInterval(m_searchStepMs);
    connect(m_job, &ModuleJob::commandAnswered, this, [this](Command command, bool) { emit commandAnswered(command); });
    return m_job;
}

void ModuleClient::cancel()
{
    ModuleJob* job = std::exchange(m_job, nullptr);
    if (!job)
        return;
    disconnect(job, nullptr, this, nullptr);
    job->cancel();
    // It may be the one whose signal is being delivered right now.
    job->deleteLater();
}

JobResult ModuleClient::runSync(QList<JobStep> steps)
{
    // Interrupted already: nothing more goes out to the module.
    Cli::InterruptWatch* watch = Cli::InterruptWatch::Current();
    if (watch && watch->poll())
        return JobResult{JobOutcome::Cancelled, steps.isEmpty() ? Command::None : steps.first().command,
                         TransactionOutcome::Cancelled, LinkStatus::Ok};
    ModuleJob* job = begin(std::move(steps));
    JobResult result;
    QEventLoop loop;
    // Tied to the loop: nothing of this frame is reached once it has returned.
    connect(job, &ModuleJob::finished, &loop, [&](const JobResult& r) {
        result = r;
        loop.quit();
    });
    if (watch)
        watch->onInterrupt(&loop, [job = QPointer<ModuleJob>(job)] {
            if (job)
                job->cancel();
        });
    job->start();
    if (job->isRunning())
        loop.exec();
    return result;
}

void ModuleClient::start(QList<JobStep> steps, Done done)
{
    ModuleJob* job = begin(std::move(steps));
    connect(job, &ModuleJob::finished, this, [done = std::move(done)](const JobResult& result) {
        // A copy: `done` may start the next job, and this one goes then.
        const JobResult r = result;
        done(r);
    });
    job->start();
}
