#include "ModuleSession.h"

#include "core/protocol/Answers.h"
#include "core/protocol/Frames.h"
#include "core/protocol/HexText.h"
#include "core/protocol/Payloads.h"

namespace {

const QString kAddress = QStringLiteral("0000");
const QString kNoPayload = QStringLiteral("0000");
const QString kNoShortPayload = QStringLiteral("00");
const QString kIdFrameType = QStringLiteral("A6");

// An input level byte: 0 low, 1 high, -1 for anything else.
int InputLevel(const QString& byteText)
{
    if (byteText == QLatin1String("00"))
        return 0;
    if (byteText == QLatin1String("01"))
        return 1;
    return -1;
}

} // namespace

ModuleSession::ModuleSession(const Edition& edition, QObject* parent)
    : QObject(parent), m_edition(edition)
{
    connect(&m_link, &SerialLink::readyRead, this, &ModuleSession::onReadyRead);
    connect(&m_link, &SerialLink::lost, this, &ModuleSession::onLost);
    connect(&m_link, &SerialLink::reopened, this, &ModuleSession::portReopened);
    m_checkTimer.setSingleShot(true);
    m_checkTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_checkTimer, &QTimer::timeout, this, &ModuleSession::receiveNow);
    m_answerTimer.setSingleShot(true);
    m_answerTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_answerTimer, &QTimer::timeout, this, [this] { finishCommand(Outcome::NoAnswer); });
}

ModuleSession::~ModuleSession() = default;

void ModuleSession::setClock(Clock* clock)
{
    m_clock = clock ? clock : &m_systemClock;
}

LinkStatus ModuleSession::openPort(int port, const LineSettings& line)
{
    const LinkStatus opened = m_link.open(port);
    if (opened != LinkStatus::Ok)
        return opened;
    return m_link.configure(line);
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
    emit portLost();
    finishCommand(Outcome::PortLost);
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
            finishCommand(Outcome::ChecksumError);
            return;
        }
        const QString code = Answers::IdCode(text);
        const Command command = Routes::OfIdAnswer(code);
        if (command != Command::None)
            route(text, code, command, false);
        return;
    }
    if (!Answers::ChecksumOk(text, false)) {
        emit invalidAnswer(text, AnswerProblem::ChecksumError);
        finishCommand(Outcome::ChecksumError);
        return;
    }
    const QString code = Answers::LongCode(text);
    if (code == QLatin1String("0000")) {
        Identity identity;
        identity.familyCode = Answers::PayloadByte(text, 1, false);
        identity.firmware = Answers::PayloadByteText(text, 2, false);
        identity.band = Answers::PayloadByte(text, 3, false);
        emit identified(identity);
        // Every successful search is followed by the serial-number read that tells the model.
        m_lastCommand = Command::SerialNumberRead;
        m_identifyAfterSearch = true;
        const LinkStatus status =
            sendFrame(Frames::BuildLongFrame(kAddress, Commands::RequestCode(Command::SerialNumberRead), kNoPayload));
        if (status != LinkStatus::Ok) {
            emit serialNumberReadRefused(status);
            return;
        }
        m_waiting = Command::SerialNumberRead;
        if (m_answerTimeoutMs > 0)
            m_answerTimer.start(m_answerTimeoutMs);
        return;
    }
    route(text, code, Routes::OfLongAnswer(code), false);
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
        finishCommand(Outcome::ChecksumError);
        return;
    }
    const QString code = Answers::ShortCode(text);
    route(text, code, Routes::OfShortAnswer(code), true);
}

void ModuleSession::route(const QString& text, const QString&, Command command, bool isShort)
{
    if (command == Command::None)
        return;
    const bool matched = m_lastCommand == command;
    emit answered(command, matched, isShort, Answers::PayloadByte(text, 1, isShort));
    if (matched) {
        decode(command, text, isShort);
        if (m_waiting == command)
            finishCommand(Outcome::Success);
    }
    continueChain(command, isShort);
}

void ModuleSession::decode(Command command, const QString& a, bool isShort)
{
    auto byte = [&](int k) { return Answers::PayloadByte(a, k, isShort); };
    auto serialAt = [&](int baudByte, bool parityPresent) {
        const int baud = byte(baudByte);
        // The short serial answers carry no parity: the module then runs without one.
        const int parity = parityPresent ? byte(baudByte + 1) : 0;
        const SerialSettings s{RateOfCode(baud), ParityOfCode(parity)};
        const bool complete = baud >= 0 && parity >= 0;
        emit serialSettingsAnswered(command, s, complete);
        if (complete && m_followSerial)
            follow(s);
    };

    switch (command) {
    case Command::SerialWrite:
    case Command::SerialRead:
        serialAt(1, !isShort);
        break;
    case Command::WriteAll:
        serialAt(3, true);
        break;
    case Command::AirRateRead:
        emit airRateRead(RateOfCode(byte(1)));
        break;
    case Command::ChannelRead:
        emit channelRead(byte(1));
        break;
    case Command::ProtocolRead:
        emit protocolRead(byte(1));
        break;
    case Command::PowerModeRead:
        emit powerModeRead(byte(1));
        break;
    case Command::SerialNumberWrite:
        emit serialNumberWritten();
        break;
    case Command::SerialNumberRead: {
        SerialNumber n;
        n.modelCode = Answers::PayloadByteText(a, 1, isShort);
        const int year = byte(2);
        n.year = year >= 0 ? 2000 + year : -1;
        n.month = byte(3);
        const int high = byte(4);
        const int low = byte(5);
        n.sequence = high >= 0 && low >= 0 ? high * 256 + low : -1;
        emit serialNumberRead(n, m_identifyAfterSearch);
        break;
    }
    case Command::RadioIdRead: {
        const int high = byte(1);
        const int low = byte(2);
        if (high >= 0 && low >= 0)
            emit radioIdRead(high * 256 + low);
        break;
    }
    case Command::RssiRead:
        if (byte(1) >= 0)
            emit rssiRead(byte(1));
        break;
    case Command::ReadAll: {
        AllParameters p;
        p.channel = byte(1);
        p.airRate = RateOfCode(byte(2));
        const int baud = byte(3);
        const int parity = byte(4);
        p.serial = SerialSettings{RateOfCode(baud), ParityOfCode(parity)};
        const bool complete = baud >= 0 && parity >= 0;
        emit allParametersRead(p, complete);
        if (complete && m_followSerial)
            follow(p.serial);
        break;
    }
    case Command::IoWrite: {
        // A truncated answer says nothing about the output.
        const QString level = Answers::PayloadByteText(a, 2, false);
        if (!level.isEmpty())
            emit ioWritten(byte(1), level == QLatin1String("01"));
        break;
    }
    case Command::IoRead: {
        IoState s;
        s.radioId = Answers::IdField(a);
        s.input1 = InputLevel(Answers::PayloadByteText(a, 1, false));
        s.input2 = InputLevel(Answers::PayloadByteText(a, 2, false));
        emit ioRead(s);
        break;
    }
    default:
        break; // the acknowledgement is all there is
    }
}

void ModuleSession::continueChain(Command answered, bool isShort)
{
    const Routes::ChainLink link = Routes::ChainAfter(answered, isShort);
    if (link.ends) {
        m_chainSetAll = false;
        return;
    }
    if (!m_chainSetAll || link.next == Routes::ChainStep::None)
        return;
    const Routes::ChainStep next = link.next;
    QTimer::singleShot(link.afterTestDelay ? m_testDelayMs : Routes::kChainStepWaitMs, this,
                       [this, next] { emit chainStepDue(next); });
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
    emit portFollowed(settings, openPort(port, settings.line()));
}

// ---- commands -----------------------------------------------------------------------------

void ModuleSession::recordCommand(Command command)
{
    m_lastCommand = command;
}

void ModuleSession::finishCommand(Outcome outcome)
{
    if (m_waiting == Command::None)
        return;
    const Command command = m_waiting;
    m_waiting = Command::None;
    m_answerTimer.stop();
    emit commandFinished(command, outcome);
}

LinkStatus ModuleSession::sendFrame(const QByteArray& frame)
{
    const LinkStatus status = m_link.send(frame);
    if (status == LinkStatus::Ok)
        emit frameSent(frame);
    return status;
}

LinkStatus ModuleSession::sendCommand(Command command, const QByteArray& frame)
{
    recordCommand(command);
    if (command == Command::SerialNumberRead)
        m_identifyAfterSearch = false;
    const LinkStatus status = sendFrame(frame);
    if (status != LinkStatus::Ok)
        return status;
    setWorkState(WorkState::Command);
    m_waiting = command;
    if (m_answerTimeoutMs > 0)
        m_answerTimer.start(m_answerTimeoutMs);
    return status;
}

LinkStatus ModuleSession::sendLong(Command command, const QString& payload)
{
    return sendCommand(command, Frames::BuildLongFrame(kAddress, Commands::RequestCode(command), payload));
}

LinkStatus ModuleSession::sendEither(Command command, const QString& longPayload, const QString& shortPayload)
{
    return sendCommand(command, Frames::BuildCommandFrame(m_edition.shortFrames(), Commands::RequestCode(command),
                                                          longPayload, Commands::ShortCode(command), shortPayload));
}

LinkStatus ModuleSession::readChannel() { return sendEither(Command::ChannelRead, kNoPayload, kNoShortPayload); }

LinkStatus ModuleSession::writeChannel(int channel)
{
    const QString c = Frames::Hex2(channel);
    return sendEither(Command::ChannelWrite, c + QStringLiteral("00"), c);
}

LinkStatus ModuleSession::readAirRate() { return sendEither(Command::AirRateRead, kNoPayload, kNoShortPayload); }

LinkStatus ModuleSession::writeAirRate(int rate)
{
    const QString r = Frames::Hex2(CodeOfRate(rate));
    return sendEither(Command::AirRateWrite, r + QStringLiteral("00"), r);
}

LinkStatus ModuleSession::readSerial() { return sendEither(Command::SerialRead, kNoPayload, kNoShortPayload); }

LinkStatus ModuleSession::writeSerial(const SerialSettings& wanted)
{
    const QString baud = Frames::Hex2(CodeOfRate(wanted.baud));
    // The short frame has no room for the parity; the module then runs without one.
    return sendEither(Command::SerialWrite, baud + Frames::Hex2(ParityCode(wanted.parity)), baud);
}

LinkStatus ModuleSession::readProtocol() { return sendLong(Command::ProtocolRead, kNoPayload); }
LinkStatus ModuleSession::writeProtocol(int protocol)
{
    return sendLong(Command::ProtocolWrite, Payloads::RowAndZero(protocol));
}
LinkStatus ModuleSession::readPowerMode() { return sendLong(Command::PowerModeRead, kNoPayload); }
LinkStatus ModuleSession::writePowerMode(int mode) { return sendLong(Command::PowerModeWrite, Payloads::RowAndZero(mode)); }
LinkStatus ModuleSession::wakeUp() { return sendLong(Command::WakeUp, kNoPayload); }

LinkStatus ModuleSession::writeDutyCycle(const DutyCycle& duty)
{
    return sendLong(Command::DutyCycleWrite, Frames::Hex4(duty.listenMs) + Frames::Hex4(duty.sleepS * 1000));
}

LinkStatus ModuleSession::readAll() { return sendLong(Command::ReadAll, kNoPayload); }

LinkStatus ModuleSession::writeAll(int channel, int airRate, const SerialSettings& serial)
{
    return sendLong(Command::WriteAll, Frames::Hex2(channel) + Frames::Hex2(CodeOfRate(airRate))
                                           + Frames::Hex2(CodeOfRate(serial.baud))
                                           + Frames::Hex2(ParityCode(serial.parity)));
}

LinkStatus ModuleSession::readSerialNumber() { return sendLong(Command::SerialNumberRead, kNoPayload); }

LinkStatus ModuleSession::writeSerialNumber(const SerialNumber& n)
{
    return sendLong(Command::SerialNumberWrite, n.modelCode + Frames::Hex2(n.year % 100) + Frames::Hex2(n.month)
                                                    + Frames::Hex4(n.sequence));
}

LinkStatus ModuleSession::readRadioId() { return sendLong(Command::RadioIdRead, kNoPayload); }
LinkStatus ModuleSession::writeRadioId(int id) { return sendLong(Command::RadioIdWrite, Payloads::RadioId(id)); }
LinkStatus ModuleSession::writePower(int row) { return sendLong(Command::PowerWrite, Payloads::RowAndZero(row)); }
LinkStatus ModuleSession::readRssi() { return sendEither(Command::RssiRead, kNoPayload, kNoShortPayload); }

LinkStatus ModuleSession::writeLevel(int level)
{
    return sendEither(Command::LevelWrite, Payloads::LevelLong(level), Payloads::LevelShort(level));
}

LinkStatus ModuleSession::writeCapacitance(int value)
{
    return sendLong(Command::Capacitance, Payloads::Capacitance(value));
}

LinkStatus ModuleSession::readIo(int targetId)
{
    return sendCommand(Command::IoRead, Frames::BuildIdFrame(Payloads::RadioId(targetId), kIdFrameType,
                                                             Commands::RequestCode(Command::IoRead), kNoPayload));
}

LinkStatus ModuleSession::writeIo(int targetId, int output, int level)
{
    return sendCommand(Command::IoWrite, Frames::BuildIdFrame(Payloads::RadioId(targetId), kIdFrameType,
                                                              Commands::RequestCode(Command::IoWrite),
                                                              Payloads::IoOutput(output, level)));
}

LinkStatus ModuleSession::startTransmitTest() { return sendEither(Command::TestStart, kNoPayload, kNoShortPayload); }
LinkStatus ModuleSession::endTransmitTest() { return sendEither(Command::TestEnd, kNoPayload, kNoShortPayload); }

LinkStatus ModuleSession::startTransmitTestAfterSearch()
{
    const LinkStatus status =
        sendFrame(Frames::BuildLongFrame(kAddress, Commands::RequestCode(Command::TestStart), kNoPayload));
    if (status == LinkStatus::Ok)
        setWorkState(WorkState::Command);
    return status;
}

LinkStatus ModuleSession::sendSearch()
{
    return sendFrame(Frames::BuildCommandFrame(m_edition.shortFrames(), Commands::RequestCode(Command::Search),
                                               kNoPayload, Commands::ShortCode(Command::Search), kNoShortPayload));
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
