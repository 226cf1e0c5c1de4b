#include "ModuleClient.h"

#include "core/model/Catalogue.h"

#include <QEventLoop>

ModuleClient::ModuleClient(const Edition& edition, int answerTimeoutMs, QObject* parent)
    : QObject(parent), m_session(std::make_unique<ModuleSession>(edition)), m_timeoutMs(answerTimeoutMs)
{
    ModuleSession* s = m_session.get();
    s->setAnswerTimeout(answerTimeoutMs);
    connect(s, &ModuleSession::identified, this, [this](const Identity& id) {
        readings.identity.familyCode = id.familyCode;
        readings.identity.firmware = id.firmware;
        readings.identity.band = id.band;
        readings.identified = true;
        m_identifySeen = true;
        // From here the serial-number read's own time-out decides.
        m_identifyTimer.stop();
    });
    connect(s, &ModuleSession::serialNumberRead, this, [this](const SerialNumber& n, bool) {
        readings.serialNumber = n;
        readings.hasSerialNumber = true;
        readings.identity.modelRow = Catalogue::ModelCodeToRow(n.modelCode);
        readings.params.serialNumber = n;
    });
    connect(s, &ModuleSession::channelRead, this, [this](int c) { readings.params.channel = c; });
    connect(s, &ModuleSession::airRateRead, this, [this](int r) { readings.params.airRate = r; });
    connect(s, &ModuleSession::serialSettingsAnswered, this, [this](Command c, const SerialSettings& st, bool complete) {
        if (c == Command::SerialRead && complete)
            readings.params.serial = st;
    });
    connect(s, &ModuleSession::protocolRead, this, [this](int p) { readings.params.protocol = p; });
    connect(s, &ModuleSession::powerModeRead, this, [this](int m) { readings.params.powerMode = m; });
    connect(s, &ModuleSession::radioIdRead, this, [this](int id) { readings.params.radioId = id; });
    connect(s, &ModuleSession::rssiRead, this, [this](int v) { readings.params.rssi = v; });
    connect(s, &ModuleSession::ioRead, this, [this](const IoState& io) { readings.params.io = io; });
    connect(s, &ModuleSession::allParametersRead, this, [this](const AllParameters& p, bool complete) {
        readings.params.channel = p.channel;
        readings.params.airRate = p.airRate;
        if (complete)
            readings.params.serial = p.serial;
    });

    connect(s, &ModuleSession::commandFinished, this, [this](Command c, Outcome o) {
        if (c != m_current)
            return;
        switch (o) {
        case Outcome::Success: next(); break;
        case Outcome::NoAnswer: finish(Result::NoAnswer, c); break;
        case Outcome::ChecksumError: finish(Result::ChecksumError, c); break;
        case Outcome::PortLost: finish(Result::PortLost, c); break;
        }
    });
    connect(s, &ModuleSession::portLost, this, [this] {
        if (m_identifyDone) {
            m_identifyTimer.stop();
            auto done = std::move(m_identifyDone);
            done(Result::PortLost);
        }
    });

    m_identifyTimer.setSingleShot(true);
    connect(&m_identifyTimer, &QTimer::timeout, this, [this] {
        if (!m_identifyDone)
            return;
        auto done = std::move(m_identifyDone);
        done(Result::NoAnswer);
    });
    // The serial-number read the session sends after the identify answer ends an identify.
    connect(s, &ModuleSession::commandFinished, this, [this](Command c, Outcome o) {
        if (c != Command::SerialNumberRead || !m_identifyDone || !m_identifySeen)
            return;
        m_identifyTimer.stop();
        auto done = std::move(m_identifyDone);
        done(o == Outcome::Success ? Result::Ok : o == Outcome::PortLost ? Result::PortLost : Result::NoAnswer);
    });
}

ModuleClient::~ModuleClient()
{
    // The port is this client's alone: it goes with it.
    if (m_session->link().isOpen())
        m_session->link().close();
}

const char* ModuleClient::ResultName(Result result)
{
    switch (result) {
    case Result::Ok: return "ok";
    case Result::Refused: return "refused by the port";
    case Result::NoAnswer: return "no answer";
    case Result::ChecksumError: return "answer with a bad checksum";
    case Result::PortLost: return "port lost";
    }
    return "";
}

void ModuleClient::run(const QList<Step>& steps, Done done)
{
    m_steps = steps;
    m_done = std::move(done);
    next();
}

void ModuleClient::next()
{
    if (!m_done)
        return;
    if (m_steps.isEmpty()) {
        finish(Result::Ok, Command::None);
        return;
    }
    const Step step = m_steps.takeFirst();
    m_current = step.command;
    const LinkStatus status = step.send();
    if (status != LinkStatus::Ok)
        finish(m_session->link().isLost() ? Result::PortLost : Result::Refused, step.command);
}

void ModuleClient::finish(Result result, Command failed)
{
    m_current = Command::None;
    m_steps.clear();
    if (!m_done)
        return;
    auto done = std::move(m_done);
    m_done = nullptr;
    done(result, failed);
}

void ModuleClient::cancel()
{
    m_done = nullptr;
    m_identifyDone = nullptr;
    m_steps.clear();
    m_current = Command::None;
    m_identifyTimer.stop();
}

void ModuleClient::identify(std::function<void(Result)> done)
{
    m_identifySeen = false;
    m_identifyDone = std::move(done);
    // Then the serial-number read's own time-out decides.
    m_identifyTimer.start(m_timeoutMs);
    if (m_session->sendSearch() != LinkStatus::Ok) {
        m_identifyTimer.stop();
        auto d = std::move(m_identifyDone);
        d(m_session->link().isLost() ? Result::PortLost : Result::Refused);
    }
}

ModuleClient::Result ModuleClient::runSync(const QList<Step>& steps, Command* failed)
{
    QEventLoop loop;
    Result result = Result::Ok;
    run(steps, [&](Result r, Command c) {
        result = r;
        if (failed)
            *failed = c;
        loop.quit();
    });
    if (m_done)
        loop.exec();
    return result;
}

ModuleClient::Result ModuleClient::identifySync()
{
    QEventLoop loop;
    Result result = Result::NoAnswer;
    bool finished = false;
    identify([&](Result r) {
        result = r;
        finished = true;
        loop.quit();
    });
    if (!finished)
        loop.exec();
    return result;
}
