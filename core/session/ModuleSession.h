// One module on one serial port: commands go out, answers come back decoded. No widgets and
// no texts: a front end calls the commands and listens to the signals, which carry plain
// values and typed outcomes.
//
// Reception is event driven: bytes are gathered until the line has been quiet for longer
// than the frame gap, then handed over by work state: in command mode to the answer
// dispatcher of the edition, in the pair test (and idle) to the pair-test receiver, in the
// data terminal to the terminal.
//
// Commands are transactions: one in flight at a time, the rest queued, each ending exactly
// once (transactionEnded) with a typed outcome. Answers are matched against the command last
// sent; an answer to another command ends the one in flight as a mismatch.
#pragma once

#include "AnswerDecoder.h"
#include "Clock.h"
#include "Transaction.h"
#include "TransactionQueue.h"
#include "WorkState.h"
#include "core/link/SerialLink.h"
#include "core/model/Edition.h"
#include "core/model/Values.h"
#include "core/protocol/Command.h"
#include "core/protocol/FrameAssembler.h"
#include "core/protocol/Requests.h"
#include "core/protocol/Routes.h"

#include <QObject>
#include <QTimer>

#include <QList>

#include <memory>
#include <optional>

// Why a received block was not taken as an answer.
enum class AnswerProblem {
    NotAFrame,       // neither a long nor an ID-protocol frame
    ChecksumError,   // a long or short answer whose checksum does not hold
    IdChecksumError, // an ID-protocol answer whose checksum does not hold
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
    // What opening a port came to: the open, then (only after it) the line settings.
    struct PortOpening {
        LinkStatus opened = LinkStatus::Ok;
        LinkStatus configured = LinkStatus::Ok;
        LinkStatus status() const { return opened != LinkStatus::Ok ? opened : configured; }
    };
    // Opens COMn and sets its line; the port's previous line settings are not kept. A port
    // that takes no line settings is closed again: open at settings nobody chose is no open
    // port. A failed open leaves the port in use as it was.
    PortOpening openPort(int port, const LineSettings& line);
    LinkStatus closePort(int port) { return m_link.close(port); }
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
    // A transaction queued behind the one in flight; its end comes from transactionEnded,
    // never from within this call. `timeoutMs` < 0 takes the session's answer time-out or,
    // when the session waits for ever, the line's deadline (lineDeadline); 0 waits for ever.
    // A queued transaction supersedes a manual command (send) still awaited: the operator's
    // read of a silent module must not hold a job for ever.
    TransactionId submit(const CommandRequest& request, int timeoutMs = -1);
    // Sends at once: what is in flight or queued ends superseded. The link's answer; the
    // transaction is currentTransaction() (its refusal is also told by transactionEnded).
    LinkStatus send(const CommandRequest& request);
    // How long an answer to `request` may take at the line in force: the request and the
    // longest answer on the wire, the frame gap, and a second for the module.
    int lineDeadline(const CommandRequest& request) const;
    // The time-out of the transaction in flight (0: it waits for ever; none in flight: 0).
    int inFlightTimeout() const { return m_transactions.inFlightTimeout(); }
    // Ends a transaction in flight or queued as cancelled (nothing for one that has ended).
    void cancel(TransactionId id) { m_transactions.cancel(id); }
    TransactionQueue& transactions() { return m_transactions; }
    TransactionId currentTransaction() const { return m_transactions.current(); }
    Command commandInFlight() const { return m_transactions.commandInFlight(); }
    bool busy() const { return m_transactions.busy(); }
    // Time-out for an answer; 0 (the default) waits for ever.
    void setAnswerTimeout(int ms) { m_answerTimeoutMs = ms; }
    int answerTimeout() const { return m_answerTimeoutMs; }

    // The window's commands: each sent at once (send), the short frame in the short-frame
    // edition where the command has one; a sent command puts the session in command mode.
    LinkStatus readChannel() { return send(Requests::ReadChannel(shortFrames())); }
    LinkStatus writeChannel(int channel) { return send(Requests::WriteChannel(shortFrames(), channel)); }
    LinkStatus readAirRate() { return send(Requests::ReadAirRate(shortFrames())); }
    LinkStatus writeAirRate(int rate) { return send(Requests::WriteAirRate(shortFrames(), rate)); }
    LinkStatus readSerial() { return send(Requests::ReadSerial(shortFrames())); }
    LinkStatus writeSerial(const SerialSettings& wanted) { return send(Requests::WriteSerial(shortFrames(), wanted)); }
    LinkStatus readProtocol() { return send(Requests::ReadProtocol()); }
    LinkStatus writeProtocol(int protocol) { return send(Requests::WriteProtocol(protocol)); }
    LinkStatus readPowerMode() { return send(Requests::ReadPowerMode()); }
    LinkStatus writePowerMode(int mode) { return send(Requests::WritePowerMode(mode)); }
    LinkStatus wakeUp() { return send(Requests::WakeUp()); }
    LinkStatus writeDutyCycle(const DutyCycle& duty) { return send(Requests::WriteDutyCycle(duty)); }
    LinkStatus readAll() { return send(Requests::ReadAll()); }
    LinkStatus writeAll(int channel, int airRate, const SerialSettings& serial)
    {
        return send(Requests::WriteAll(channel, airRate, serial));
    }
    LinkStatus readSerialNumber() { return send(Requests::ReadSerialNumber()); }
    LinkStatus writeSerialNumber(const SerialNumber& number) { return send(Requests::WriteSerialNumber(number)); }
    LinkStatus readRadioId() { return send(Requests::ReadRadioId()); }
    LinkStatus writeRadioId(int id) { return send(Requests::WriteRadioId(id)); }
    LinkStatus writePower(int row) { return send(Requests::WritePower(row)); }
    LinkStatus readRssi() { return send(Requests::ReadRssi(shortFrames())); }
    LinkStatus writeLevel(int level) { return send(Requests::WriteLevel(shortFrames(), level)); }
    LinkStatus writeCapacitance(int value) { return send(Requests::WriteCapacitance(value)); }
    LinkStatus readIo(int targetId) { return send(Requests::ReadIo(targetId)); }
    LinkStatus writeIo(int targetId, int output, int level) { return send(Requests::WriteIo(targetId, output, level)); }
    LinkStatus startTransmitTest() { return send(Requests::StartTransmitTest(shortFrames())); }
    LinkStatus endTransmitTest() { return send(Requests::EndTransmitTest(shortFrames())); }
    LinkStatus startTransmitTestAfterSearch() { return send(Requests::StartTransmitTestAfterSearch()); }
    // One search request at the line in force.
    LinkStatus sendSearch() { return send(Requests::Search(shortFrames())); }
    // Makes `command` the one answers are matched against, without sending anything.
    void recordCommand(Command command);
    Command lastCommand() const { return m_lastCommand; }

    // The decoded values of the answers, as signals, and what the module reported so far.
    AnswerDecoder& answers() { return m_answers; }
    const ModuleReadings& readings() const { return m_answers.readings(); }
    void clearReadings() { m_answers.clearReadings(); }

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
    // A transaction's frame went out (or was refused: its end follows from the event loop).
    void transactionStarted(TransactionId id, Command command, LinkStatus status);
    void transactionEnded(const TransactionResult& result);
    void identified(const Identity& identity);
    // The serial-number read that follows an identify answer went out as transaction `id`
    // (or was refused: its end says so).
    void identifyFollowUp(TransactionId id);
    // The PC port followed the module to new serial settings (or failed to).
    void portFollowed(const SerialSettings& settings, LinkStatus status);

    // Blocks for the pair test (work states 0, 3, 4) and the terminal (5).
    void pairBlockReceived(const QByteArray& block);
    void terminalBlockReceived(const QByteArray& block);

private:
    bool shortFrames() const { return m_edition.shortFrames(); }
    LinkStatus sendRequest(const CommandRequest& request, bool afterIdentify);
    void onIdentified(const Identity& identity);
    LinkStatus sendFrame(const QByteArray& frame);
    void onReadyRead();
    void onLost();
    void checkReception();
    void scheduleCheck();
    void updateFrameGap();
    void handOver();
    void route(const QString& text, Command command, bool isShort);
    void follow(const SerialSettings& settings);

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
    // What answers are matched against: the command last recorded, and whether it is the
    // serial-number read that follows an identify answer.
    Command m_lastCommand = Command::None;
    bool m_lastAfterIdentify = false;
    TransactionQueue m_transactions;
    int m_answerTimeoutMs = 0;
    bool m_followSerial = true;
    AnswerDecoder m_answers;
};
