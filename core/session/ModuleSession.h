// One module on one serial port: commands go out, answers come back decoded. No widgets and
// no texts: a front end calls the commands and listens to the signals, which carry plain
// values and typed outcomes.
//
// Reception is event driven: bytes are gathered until the line has been quiet for longer
// than the frame gap, then handed over by work state: in command mode to the answer
// dispatcher of the edition, in the pair test (and idle) to the pair-test receiver, in the
// data terminal to the terminal.
//
// One command is in flight at a time: sending a command makes it the one answers are
// matched against, and an answer to an earlier one then counts as a mismatch.
#pragma once

#include "Clock.h"
#include "WorkState.h"
#include "core/link/SerialLink.h"
#include "core/model/Edition.h"
#include "core/model/Values.h"
#include "core/protocol/Command.h"
#include "core/protocol/FrameAssembler.h"
#include "core/protocol/Routes.h"

#include <QObject>
#include <QTimer>

#include <memory>

// Why a received block was not taken as an answer.
enum class AnswerProblem {
    NotAFrame,       // neither a long nor an ID-protocol frame
    ChecksumError,   // a long or short answer whose checksum does not hold
    IdChecksumError, // an ID-protocol answer whose checksum does not hold
};

enum class Outcome {
    Success,       // the answer to the command arrived
    ChecksumError, // an answer arrived with a bad checksum
    NoAnswer,      // nothing within the answer time-out (only when one is set)
    PortLost,      // the port's device went away
};

class ModuleSession : public QObject {
    Q_OBJECT
public:
    explicit ModuleSession(const Edition& edition, QObject* parent = nullptr);
    ~ModuleSession() override;

    SerialLink& link() { return m_link; }
    const Edition& edition() const { return m_edition; }
    // Replaces the clock (not owned; nullptr puts the system clock back).
    void setClock(Clock* clock);
    qint64 nowMs() const { return m_clock->nowMs(); }

    // ---- the port -----------------------------------------------------------------------
    // Opens COMn and sets its line; the port's previous line settings are not kept.
    LinkStatus openPort(int port, const LineSettings& line);
    // Follow a module whose serial settings changed (a serial or write-all answer, a
    // serial read) by reopening the port at them. On by default; a front end that moves
    // the port itself turns it off and listens to serialSettingsAnswered.
    void setFollowModuleSerial(bool on) { m_followSerial = on; }

    // ---- reception ----------------------------------------------------------------------
    WorkState workState() const { return m_state; }
    void setWorkState(WorkState state);
    // The frame gap: fixed at `ms`, or (not fixed) worked out from the block last sent
    // while the pair test runs, and `ms` otherwise.
    void setFrameGapOption(bool fixed, int ms);
    int frameGap() const { return m_frameGap; }
    // Longest wait between two looks at the line while a block is being gathered; the
    // block is handed over within this period after the gap (normally at once).
    void setReceivePeriod(int ms);
    int receivePeriod() const { return m_receivePeriod; }
    // While paused nothing is read (bytes wait in the driver).
    void setReceptionPaused(bool paused);
    bool receptionPaused() const { return m_rxPaused; }
    // In the data terminal, blocks shown as text keep a character's bytes together.
    void setTerminalText(bool text) { m_terminalText = text; }
    // Reads what waits and hands over what is complete (the event loop does this by
    // itself; tests with a manual clock call it).
    void receiveNow();
    const FrameAssembler& assembler() const { return m_rx; }
    // Bytes that came from the line, as if the session had read them (a replay, a test).
    void receiveBytes(const QByteArray& bytes);
    // The two answer dispatchers, for a complete block as hex text without separators.
    void DispatchLongAnswer(const QString& text);
    void DispatchShortAnswer(const QString& text);

    // ---- commands -----------------------------------------------------------------------
    // Each records its command as the one in flight, sends its frame (the short frame in the
    // short-frame edition where the command has one) and answers the link's status; a sent
    // command puts the session in command mode.
    LinkStatus readChannel();
    LinkStatus writeChannel(int channel);
    LinkStatus readAirRate();
    LinkStatus writeAirRate(int rate);
    LinkStatus readSerial();
    LinkStatus writeSerial(const SerialSettings& wanted);
    LinkStatus readProtocol();
    LinkStatus writeProtocol(int protocol);
    LinkStatus readPowerMode();
    LinkStatus writePowerMode(int mode);
    LinkStatus wakeUp();
    LinkStatus writeDutyCycle(const DutyCycle& duty);
    LinkStatus readAll();
    LinkStatus writeAll(int channel, int airRate, const SerialSettings& serial);
    LinkStatus readSerialNumber();
    LinkStatus writeSerialNumber(const SerialNumber& number);
    LinkStatus readRadioId();
    LinkStatus writeRadioId(int id);
    LinkStatus writePower(int row);
    LinkStatus readRssi();
    LinkStatus writeLevel(int level);
    LinkStatus writeCapacitance(int value);
    LinkStatus readIo(int targetId);
    LinkStatus writeIo(int targetId, int output, int level);
    LinkStatus startTransmitTest();
    LinkStatus endTransmitTest();
    // The start a search-first run sends once the module is found: always a long frame,
    // and the command in flight stays as it was.
    LinkStatus startTransmitTestAfterSearch();
    // One search request (not recorded as a command).
    LinkStatus sendSearch();
    // Makes `command` the one answers are matched against, without sending anything.
    void recordCommand(Command command);
    Command lastCommand() const { return m_lastCommand; }
    // Time-out for an answer; 0 (the default) waits for ever.
    void setAnswerTimeout(int ms) { m_answerTimeoutMs = ms; }

    // The chained factory set-up: after the answers of its links the next step is due.
    void setChainSetAll(bool on) { m_chainSetAll = on; }
    bool chainSetAll() const { return m_chainSetAll; }
    void setTestDelay(int ms) { m_testDelayMs = ms; }

    // A search answer was followed by the serial-number read that identifies the model.
    bool identifyAfterSearch() const { return m_identifyAfterSearch; }

    // ---- raw data (pair test, terminal) ------------------------------------------------
    // Sends a data block; on success it is the last data sent and the work state becomes
    // `state`. Reception pauses while the block goes out.
    LinkStatus sendData(const QByteArray& data, WorkState state);
    const QByteArray& lastSentData() const { return m_lastSentData; }

signals:
    void frameSent(const QByteArray& frame);
    // Every complete block handed over, whatever the work state.
    void blockReceived(const QByteArray& block, WorkState state);
    void workStateChanged(WorkState state);
    void frameGapComputed(int ms);
    void portLost();
    // The lost port is open again (SerialLink::setReopenWhenBack).
    void portReopened();

    // Answers. `answered` comes first for every routed answer; the decoded values follow
    // only when `matched` (it answers the command in flight).
    void answered(Command command, bool matched, bool shortAnswer, int firstPayloadByte);
    void invalidAnswer(const QString& text, AnswerProblem problem);
    void commandFinished(Command command, Outcome outcome);
    void identified(const Identity& identity);
    // The serial-number read the session sends by itself after an identify answer was refused.
    void serialNumberReadRefused(LinkStatus status);
    // A serial-settings or write-all answer, or a serial read; `complete` when both the
    // baud and the parity byte are there.
    void serialSettingsAnswered(Command command, const SerialSettings& settings, bool complete);
    void channelRead(int channel);
    void airRateRead(int rate);
    void protocolRead(int protocol);
    void powerModeRead(int mode);
    void serialNumberWritten();
    void serialNumberRead(const SerialNumber& number, bool afterSearch);
    void radioIdRead(int id);
    void rssiRead(int value);
    void allParametersRead(const AllParameters& parameters, bool serialComplete);
    void ioWritten(int output, bool high);
    void ioRead(const IoState& state);
    // The PC port followed the module to new serial settings (or failed to).
    void portFollowed(const SerialSettings& settings, LinkStatus status);

    // The next link of the set-all chain is due.
    void chainStepDue(Routes::ChainStep step);

    // Blocks for the pair test (work states 0, 3, 4) and the terminal (5).
    void pairBlockReceived(const QByteArray& block);
    void terminalBlockReceived(const QByteArray& block);

private:
    LinkStatus sendCommand(Command command, const QByteArray& frame);
    LinkStatus sendLong(Command command, const QString& payload);
    LinkStatus sendEither(Command command, const QString& longPayload, const QString& shortPayload);
    LinkStatus sendFrame(const QByteArray& frame);
    void onReadyRead();
    void onLost();
    void checkReception();
    void scheduleCheck();
    void updateFrameGap();
    void handOver();
    void route(const QString& text, const QString& code, Command command, bool isShort);
    void decode(Command command, const QString& text, bool isShort);
    void continueChain(Command answered, bool isShort);
    void follow(const SerialSettings& settings);
    void finishCommand(Outcome outcome);

    SerialLink m_link;
    Edition m_edition;
    SystemClock m_systemClock;
    Clock* m_clock = &m_systemClock;

    WorkState m_state = WorkState::Command;
    FrameAssembler m_rx;
    bool m_rxPaused = false;
    bool m_fixedGap = false;
    int m_configuredGap = 300;
    int m_frameGap = 300;
    int m_receivePeriod = 20;
    bool m_terminalText = true;
    QTimer m_checkTimer;

    QByteArray m_lastSentData;
    Command m_lastCommand = Command::None;
    Command m_waiting = Command::None;
    int m_answerTimeoutMs = 0;
    QTimer m_answerTimer;
    bool m_chainSetAll = false;
    int m_testDelayMs = 1000;
    bool m_identifyAfterSearch = false;
    bool m_followSerial = true;
};
