// One front end's hold on one module: a session on one port, owned here (the port closes with
// it). Multi-step work runs as jobs, one at a time; start runs one on the event loop, so many
// clients (a production line's jigs) work side by side in one thread.
#pragma once

#include "core/session/ModuleJob.h"
#include "core/session/ModuleSession.h"

#include <QObject>

#include <functional>
#include <memory>

class ModuleClient : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const JobResult& result)>;

    ModuleClient(const Edition& edition, int answerTimeoutMs, QObject* parent = nullptr);
    ~ModuleClient() override;

    // A client on COM`port` at `line`, answers ended by a quiet gap of `gapMs` and waited for
    // `timeoutMs` after it. Null, and why in `why`, when the port cannot be opened.
    static std::unique_ptr<ModuleClient> Open(const Edition& edition, int port, const LineSettings& line,
                                              int timeoutMs, int gapMs, QString* why);

    ModuleSession& session() { return *m_session; }
    const ModuleReadings& readings() const { return m_session->readings(); }
    // The step interval of the search steps of the jobs started from now on.
    void setSearchStepInterval(int ms) { m_searchStepMs = ms; }

    // The steps as one job, not yet started (see start); the job belongs to this client.
    ModuleJob* begin(QList<JobStep> steps);
    // The steps as one job; `done` gets its result (a job still running is cancelled first,
    // without a word to its own `done`).
    void start(QList<JobStep> steps, Done done);
    // Ends the running job as cancelled (the command it awaits too); its `done` is not called.
    void cancel();

signals:
    // A command step of the running job was answered.
    void commandAnswered(Command command);

private:
    // Declared first, so it goes last: jobs refer to it to the end.
    std::unique_ptr<ModuleSession> m_session;
    ModuleJob* m_job = nullptr;
    int m_searchStepMs;
};
