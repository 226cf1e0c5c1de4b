#include "ModuleClient.h"

#include "core/link/PortMapping.h"

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

std::unique_ptr<ModuleClient> ModuleClient::Open(const Edition& edition, int port, const LineSettings& line,
                                                 int timeoutMs, int gapMs, QString* why)
{
    // The answer comes after the quiet gap that ends it: the time-out counts from there.
    auto client = std::make_unique<ModuleClient>(edition, timeoutMs + gapMs);
    ModuleSession& s = client->session();
    s.setFrameGapOption(true, gapMs);
    const LinkStatus status = s.openPort(port, line).status();
    if (status == LinkStatus::Ok)
        return client;
    QString reason;
    switch (status) {
    case LinkStatus::OpenFail: reason = QStringLiteral("no such device, or another program has it"); break;
    case LinkStatus::BadParameter: reason = QStringLiteral("the line settings are refused"); break;
    default: reason = QStringLiteral("the system refused it"); break;
    }
    *why = QStringLiteral("%1 cannot be opened: %2").arg(PortMapping::Describe(port, PortMapping::Lookup(port)), reason);
    return nullptr;
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
