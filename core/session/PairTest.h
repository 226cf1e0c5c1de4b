// One station of the pair transmission test. Two stations each drive a module: the
// main-send side sends a block and judges what comes back; the main-receive side judges
// what arrives and sends it back. Both count frames and bytes and correct frames the air
// link shortened (not in the factory test edition).
#pragma once

#include "WorkState.h"
#include "core/link/SerialLink.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

class ModuleSession;

enum class PairRole { MainSend, MainReceive };

struct PairCounters {
    qint64 sent = 0;
    qint64 received = 0;
    qint64 success = 0;
    qint64 error = 0;
    qint64 txBytes = 0;
    qint64 rxBytes = 0;
};

class PairTest : public QObject {
    Q_OBJECT
public:
    // Takes the session's blocks of work states 0, 3 and 4.
    explicit PairTest(ModuleSession& session, QObject* parent = nullptr);

    // ---- options --------------------------------------------------------------------------
    void setRole(PairRole role) { m_role = role; }
    PairRole role() const { return m_role; }
    // Timed sending (every period) instead of sending after each return.
    void setTimedSending(bool timed) { m_timed = timed; }
    bool timedSending() const { return m_timed; }
    void setTimedPeriod(int ms);
    int timedPeriod() const { return m_sendTimer.interval(); }
    // Judge against appointed data instead of the data sent.
    void setAppointedData(bool on, const QByteArray& data);
    // The receiving side sends back its last good block instead of a damaged one.
    void setEchoCorrection(bool on) { m_echoCorrection = on; }
    // Pause between receiving and sending back: the module turns from receiving to sending.
    void setTurnaround(int ms) { m_turnaroundMs = ms; }

    // ---- running --------------------------------------------------------------------------
    // Counters, the last good block and the stop flag back to their start values.
    void resetForStart();
    // Main-send: sends the first block (timed sending starts with it). False when it did not
    // go out (empty data or a refused send).
    bool startSending(const QByteArray& data);
    // Main-receive: waits for the first block.
    void startReceiving();
    void stop();
    // Stops timed sending only (leaving the page with the test running).
    void stopTimer() { m_sendTimer.stop(); }
    void zeroByteTotals();

    // The one send routine of the pair test (states 3 and 4). Empty data stops timed sending.
    LinkStatus send(const QByteArray& data, WorkState state);
    // A block handed over by the session (work states 0, 3, 4).
    void receive(const QByteArray& block);

    const PairCounters& counters() const { return m_counters; }
    // Where a run stands; tests and tools put a run into any state with it.
    struct Progress {
        PairCounters counters;
        QByteArray lastGoodData;
        bool stopped = false;
        bool resendBlocked = false;
        bool firstFrameSeen = false;
    };
    Progress progress() const;
    void setProgress(const Progress& p);
    // "87.50%"; empty while nothing was sent.
    QString successRate() const;
    const QByteArray& lastGoodData() const { return m_lastGoodData; }
    int lastSentSize() const;
    bool stopped() const { return m_stopped; }
    bool isTimerActive() const { return m_sendTimer.isActive(); }
    bool resendPending() const { return m_turnaround.isActive(); }
    // Main-send after return: how long a block waits for its reply before the next goes out.
    int replyTimeout() const;

signals:
    // A new run: the counters are back at their start values.
    void started();
    void countersChanged(const PairCounters& counters);
    void dataSent(const QByteArray& data, WorkState state);
    // A block did not go out; told once while the run's own retries keep being refused.
    void sendRefused(LinkStatus status);
    // Nothing to send (timed sending has stopped).
    void dataEmpty();
    // A received block that counts, after correction (`corrected`), before it is judged.
    void frameReceived(const QByteArray& result, bool corrected);
    void frameJudged(bool correct);

private:
    void onTimer();
    void onNoReply();
    void judge(const QByteArray& result);

    ModuleSession& m_session;
    PairRole m_role = PairRole::MainSend;
    bool m_timed = false;
    bool m_appointed = false;
    QByteArray m_appointedData;
    bool m_echoCorrection = true;
    int m_turnaroundMs = 20;

    PairCounters m_counters;
    QByteArray m_lastGoodData;
    bool m_stopped = false;
    bool m_resendBlocked = false;
    bool m_firstFrameSeen = false;
    bool m_refusalTold = false;
    QTimer m_sendTimer;
    QTimer m_turnaround;
    QByteArray m_resendData;
    QTimer m_replyTimer;
};
