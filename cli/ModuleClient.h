// A module session for a program without a window: commands run one after another, each
// waited for (its answer, or the time-out), and what the module reports is kept. The steps
// run on the event loop, so many clients can work side by side in one process; the *Sync
// forms wait in a local event loop for programs that do one thing at a time.
#pragma once

#include "core/model/Values.h"
#include "core/session/ModuleSession.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

// What the module reported so far.
struct Readings {
    Identity identity;
    bool identified = false;
    SerialNumber serialNumber;
    bool hasSerialNumber = false;
    AllParameters params;
    void clear() { *this = Readings{}; }
};

class ModuleClient : public QObject {
    Q_OBJECT
public:
    enum class Result {
        Ok,
        Refused,       // the link would not send (port closed)
        NoAnswer,      // nothing within the time-out
        ChecksumError, // an answer with a bad checksum
        PortLost,      // the port's device went away
    };

    struct Step {
        Command command;
        std::function<LinkStatus()> send;
    };
    using Done = std::function<void(Result result, Command failed)>;

    ModuleClient(const Edition& edition, int answerTimeoutMs, QObject* parent = nullptr);
    ~ModuleClient() override;

    ModuleSession& session() { return *m_session; }
    Readings readings;

    // The steps one after another; `done` gets the first that failed, or Ok.
    void run(const QList<Step>& steps, Done done);
    Result runSync(const QList<Step>& steps, Command* failed = nullptr);
    // A search request at the line in force, answered by the identify answer and the serial
    // number the session reads after it.
    void identify(std::function<void(Result)> done);
    Result identifySync();
    // Stops what runs (its `done` is not called).
    void cancel();

    static const char* ResultName(Result result);

private:
    void next();
    void finish(Result result, Command failed);

    std::unique_ptr<ModuleSession> m_session;
    int m_timeoutMs;
    QList<Step> m_steps;
    Done m_done;
    Command m_current = Command::None;
    QTimer m_identifyTimer;
    std::function<void(Result)> m_identifyDone;
    bool m_identifySeen = false;
};
