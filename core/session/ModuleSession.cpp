#include "ModuleSession.h"

#include "core/protocol/Answers.h"
#include "core/protocol/HexText.h"


ModuleSession::ModuleSession(const Edition& edition, QObject* parent)
    : QObject(parent), m_edition(edition),
      m_transactions(TransactionQueue::Hooks{
          [this](const CommandRequest& r, bool afterIdentify) { return sendRequest(r, afterIdentify); },
          [this](const CommandRequest& r) { return lineDeadline(r); }, [this] { return m_link.isLost(); }})
{
    connect(&m_link, &SerialLink::readyRead, this, &ModuleSession::onReadyRead);
    connect(&m_link, &SerialLink::lost, this, &ModuleSession::onLost);
    connect(&m_link, &SerialLink::reopened, this, &ModuleSession::portReopened);
    m_checkTimer.setSingleShot(true);
    m_checkTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_checkTimer, &QTimer::timeout, this, &ModuleSession::receiveNow);
    connect(&m_transactions, &TransactionQueue::started, this, &ModuleSession::transactionStarted);
    connect(&m_transactions, &TransactionQueue::ended, this, &ModuleSession::transactionEnded);
}

ModuleSession::~ModuleSession() = default;

void ModuleSession::setClock(Clock* clock)
{
    m_clock = clock ? clock : &m_systemClock;
    m_transactions.setClock(m_clock);
}

ModuleSession::PortOpening ModuleSession::openPort(int port, const LineSettings& line)
{
    PortOpening r;
    r.opened = m_link.open(port);
    if (r.opened != LinkStatus::Ok)
        return r;
    r.configured = m_link.configure(line);
    if (r.configured != LinkStatus::Ok)
        m_link.close(port);
    return r;
}

// ---- reception ----------------------------------------------------------------------------

void ModuleSession::setWorkState(WorkState state)
{
    if (m_state == state)
        return;
    m_state = state;
    updateFrameGap();
    emit workStateChanged(state);
    // Bytes kept while no state took them may now have a taker.
    scheduleCheck();
}

void ModuleSession::setFrameGapOption(bool fixed, int ms)
{
    m_fixedGap = fixed;
    m_configuredGap = ms;
    m_frameGap = ms;
    updateFrameGap();
}

void ModuleSession::setReceivePeriod(int ms)
{
    m_receivePeriod = qMax(1, ms);
}

void ModuleSession::setReceptionPaused(bool paused)
{
    m_rxPaused = paused;
    if (!paused)
        scheduleCheck();
}

void ModuleSession::onReadyRead()
{
    receiveNow();
}

void ModuleSession::onLost()
{
    // The commands end as lost before anyone hears of the loss, so a job waiting on one ends
    // with "port lost" rather than cancelling it.
    m_transactions.endAll(TransactionOutcome::PortLost);
    emit portLost();
}

void ModuleSession::receiveBytes(const QByteArray& bytes)
{
    m_rx.append(bytes, nowMs());
    scheduleCheck();
}

void ModuleSession::receiveNow()
{
    if (m_rxPaused)
        return;
    // Whatever the driver holds, in blocks; a little at a time is left for the next turn of
    // the event loop when a flood keeps coming.
    for (int i = 0; i < 64 && m_link.isOpen(); ++i) {
        const QByteArray bytes = m_link.read();
        if (bytes.isEmpty())
            break;
        m_rx.append(bytes, nowMs());
    }
    checkReception();
}

void ModuleSession::updateFrameGap()
{
    if (m_fixedGap || m_lastSentData.isEmpty()) {
        m_frameGap = m_configuredGap;
        return;
    }
    if (!PairTestRunning(m_state))
        return;
    // The time the peer needs to take in and send back the last block, and more.
    const int baud = m_link.isOpen() ? m_link.line().baud : 0;
    if (baud <= 0)
        return; // cannot be worked out: the gap keeps its value
    const qint64 bits = qint64(m_lastSentData.size()) * 10000;
    const int gap = int((bits / baud + bits / 1200 + 3000) / 10);
    if (gap != m_frameGap) {
        m_frameGap = gap;
        emit frameGapComputed(gap);
    }
}

void ModuleSession::checkReception()
{
    if (m_rxPaused)
        return;
    const qint64 now = nowMs();
    updateFrameGap();
    if (m_state == WorkState::Terminal) {
        // A stream that never goes quiet is shown in bounded blocks as it comes.
        for (QByteArray block = m_rx.takeStreamBlock(now, m_terminalText); !block.isEmpty();
             block = m_rx.takeStreamBlock(now, m_terminalText)) {
            emit blockReceived(block, m_state);
            emit terminalBlockReceived(block);
        }
    }
    if (m_rx.isComplete(now, m_frameGap))
        handOver();
    scheduleCheck();
}

void ModuleSession::scheduleCheck()
{
    if (m_rx.isEmpty() || m_rxPaused) {
        m_checkTimer.stop();
        return;
    }
    const qint64 now = nowMs();
    qint64 due = m_rx.lastArrival() + m_frameGap + 1;
    if (m_state == WorkState::Terminal)
        due = qMin(due, m_rx.holdEnds());
    const qint64 wait = qBound(qint64(0), due - now, qint64(m_receivePeriod));
    m_checkTimer.start(int(wait));
}

void ModuleSession::handOver()
{
    switch (m_state) {
    case WorkState::Command:
    case WorkState::CommandOther: {
        const QByteArray block = m_rx.take();
        emit blockReceived(block, m_state);
        const QString hex = HexText::BytesToHexText(block, false);
        if (m_edition.shortFrames())
            DispatchShortAnswer(hex);
        else
            DispatchLongAnswer(hex);
        break;
    }
    case WorkState::Idle:
    case WorkState::PairTest:
    case WorkState::PairTimed: {
        const QByteArray block = m_rx.take();
        emit blockReceived(block, m_state);
        emit pairBlockReceived(block);
        break;
    }
    case WorkState::Terminal: {
        const QByteArray block = m_rx.take();
        emit blockReceived(block, m_state);
        emit terminalBlockReceived(block);
        break;
    }
    }
}

// ---- answers ------------------------------------------------------------------------------

void ModuleSession::DispatchLongAnswer(const QString& text)
{
    if (!Answers::IsLong(text)) {
        if (!Answers::IsId(text)) {
            emit invalidAnswer(text, AnswerProblem::NotAFrame);
            return;
        }
        if (!Answers::ChecksumOk(text, false)) {
            emit invalidAnswer(text, AnswerProblem::IdChecksumError);
            m_transactions.endInFlight(TransactionOutcome::ChecksumError);
            return;
        }
        const QString code = Answers::IdCode(text);
        const Command command = Routes::OfIdAnswer(code);
        route(text, command, false);
        return;
    }
    if (!Answers::ChecksumOk(text, false)) {
        emit invalidAnswer(text, AnswerProblem::ChecksumError);
        m_transactions.endInFlight(TransactionOutcome::ChecksumError);
        return;
    }
    const QString code = Answers::LongCode(text);
    if (code == QLatin1String("0000")) {
        Identity identity;
        identity.familyCode = Answers::PayloadByte(text, 1, false);
        identity.firmware = Answers::PayloadByteText(text, 2, false);
        identity.band = Answers::PayloadByte(text, 3, false);
        onIdentified(identity);
        return;
    }
    route(text, Routes::OfLongAnswer(code), false);
}

void ModuleSession::DispatchShortAnswer(const QString& text)
{
    if (!Answers::IsShort(text)) {
        if (text.startsWith(QLatin1String("5A5A")))
            DispatchLongAnswer(text);
        return;
    }
    if (!Answers::ChecksumOk(text, true)) {
        emit invalidAnswer(text, AnswerProblem::ChecksumError);
        m_transactions.endInFlight(TransactionOutcome::ChecksumError);
        return;
    }
    route(text, Routes::OfShortAnswer(Answers::ShortCode(text)), true);
}

void ModuleSession::onIdentified(const Identity& identity)
{
    m_answers.noteIdentity(identity);
    emit identified(identity);
    // Every identify answer is followed by the serial-number read that tells the model. A
    // command awaited meanwhile keeps waiting for its own answer; the read queues behind it,
    // ahead of anything else queued.
    const Command awaited = commandInFlight();
    // The search's time-out (if any) also bounds the serial-number read; it never waits for
    // ever, or a search whose read is lost would hold whatever follows it.
    int timeoutMs = m_transactions.current() ? m_transactions.inFlightTimeout() : m_answerTimeoutMs;
    if (timeoutMs == 0)
        timeoutMs = -1;
    if (awaited == Command::Search)
        m_transactions.endInFlight(TransactionOutcome::Answered);
    emit identifyFollowUp(m_transactions.followUp(Requests::ReadSerialNumber(), timeoutMs));
}

void ModuleSession::route(const QString& text, Command command, bool isShort)
{
    if (command == Command::None)
        return;
    const bool matched = m_lastCommand == command;
    emit answered(command, matched, isShort, Answers::PayloadByte(text, 1, isShort));
    if (matched) {
        const std::optional<SerialSettings> moved = m_answers.decode(command, text, isShort, m_lastAfterIdentify);
        if (moved && m_followSerial)
            follow(*moved);
    }
    // A search waits for its identify answer whatever else comes in at a wrong line setting.
    const Command awaited = commandInFlight();
    if (awaited == Command::None || awaited == Command::Search)
        return;
    // The late answer of a command given up on is no answer to this one, nor a wrong one.
    if (awaited != command && m_transactions.takeStale(command))
        return;
    m_transactions.endInFlight(awaited == command ? TransactionOutcome::Answered : TransactionOutcome::Mismatch, isShort);
}

void ModuleSession::follow(const SerialSettings& settings)
{
    if (settings.baud <= 0 || settings.parity == Parity::Unknown) {
        emit portFollowed(settings, LinkStatus::BadParameter);
        return;
    }
    // Already there (a read of the settings in force): nothing to move.
    if (m_link.isOpen() && m_link.line() == settings.line()) {
        emit portFollowed(settings, LinkStatus::Ok);
        return;
    }
    const int port = m_link.port();
    m_link.close(port);
    emit portFollowed(settings, openPort(port, settings.line()).status());
}

// ---- commands -----------------------------------------------------------------------------

void ModuleSession::recordCommand(Command command)
{
    m_lastCommand = command;
    m_lastAfterIdentify = false;
}

TransactionId ModuleSession::submit(const CommandRequest& request, int timeoutMs)
{
    if (timeoutMs < 0 && m_answerTimeoutMs > 0)
        timeoutMs = m_answerTimeoutMs;
    return m_transactions.submit(request, timeoutMs);
}

LinkStatus ModuleSession::send(const CommandRequest& request)
{
    return m_transactions.sendNow(request, m_answerTimeoutMs);
}

int ModuleSession::lineDeadline(const CommandRequest& request) const
{
    // The longest answer is a write-all's or an identify's, well under 40 bytes.
    constexpr int kLongestAnswer = 40;
    constexpr int kModuleMs = 1000;
    const LineSettings line = m_link.line();
    const int baud = line.baud > 0 ? line.baud : 600;
    const int bitsPerByte = 1 + line.dataBits + (line.parity == 'N' ? 0 : 1) + line.stopBits;
    const qint64 bits = qint64(request.frame.size() + kLongestAnswer) * bitsPerByte;
    return int((bits * 1000 + baud - 1) / baud) + m_frameGap + kModuleMs;
}

LinkStatus ModuleSession::sendRequest(const CommandRequest& request, bool afterIdentify)
{
    if (request.recorded) {
        m_lastCommand = request.command;
        m_lastAfterIdentify = afterIdentify;
    }
    const LinkStatus status = sendFrame(request.frame);
    if (status == LinkStatus::Ok)
        setWorkState(WorkState::Command);
    return status;
}

LinkStatus ModuleSession::sendFrame(const QByteArray& frame)
{
    const LinkStatus status = m_link.send(frame);
    if (status == LinkStatus::Ok)
        emit frameSent(frame);
    return status;
}

// ---- raw data -------------------------------------------------------------------------------

LinkStatus ModuleSession::sendData(const QByteArray& data, WorkState state)
{
    const bool wasPaused = m_rxPaused;
    m_rxPaused = true;
    const LinkStatus status = sendFrame(data);
    if (status == LinkStatus::Ok) {
        m_lastSentData = data;
        setWorkState(state);
        updateFrameGap();
    }
    m_rxPaused = wasPaused;
    if (!m_rxPaused)
        scheduleCheck();
    return status;
}
