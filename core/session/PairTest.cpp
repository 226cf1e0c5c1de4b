#include "PairTest.h"

#include "ModuleSession.h"
#include "PairJudge.h"

PairTest::PairTest(ModuleSession& session, QObject* parent) : QObject(parent), m_session(session)
{
    m_sendTimer.setInterval(1000);
    connect(&m_sendTimer, &QTimer::timeout, this, &PairTest::onTimer);
    m_turnaround.setSingleShot(true);
    connect(&m_turnaround, &QTimer::timeout, this, [this] {
        // Stopped, or the page left, while the module turned round: nothing goes out.
        if (m_resendBlocked || !PairTestRunning(m_session.workState()))
            return;
        send(m_resendData, WorkState::PairTest);
    });
    m_replyTimer.setSingleShot(true);
    connect(&m_replyTimer, &QTimer::timeout, this, &PairTest::onNoReply);
    connect(&session, &ModuleSession::pairBlockReceived, this, &PairTest::receive);
}

void PairTest::setTimedPeriod(int ms)
{
    m_sendTimer.setInterval(ms);
}

void PairTest::setAppointedData(bool on, const QByteArray& data)
{
    m_appointed = on;
    m_appointedData = data;
}

void PairTest::resetForStart()
{
    m_stopped = false;
    m_counters = PairCounters{};
    m_lastGoodData.clear();
    emit started();
    emit countersChanged(m_counters);
}

bool PairTest::startSending(const QByteArray& data)
{
    m_resendBlocked = false;
    m_refusalTold = false;
    if (m_timed)
        m_sendTimer.start();
    const qint64 sentBefore = m_counters.sent;
    send(data, m_timed ? WorkState::PairTimed : WorkState::PairTest);
    // A first block that did not go out must not let the timer repeat an older one.
    if (m_counters.sent == sentBefore) {
        m_sendTimer.stop();
        m_replyTimer.stop();
        return false;
    }
    return true;
}

void PairTest::startReceiving()
{
    m_session.setWorkState(WorkState::PairTest);
    m_resendBlocked = false;
    m_firstFrameSeen = false;
}

void PairTest::stop()
{
    m_sendTimer.stop();
    m_turnaround.stop();
    m_replyTimer.stop();
    m_resendBlocked = true;
    m_session.setWorkState(WorkState::Idle);
    m_lastGoodData.clear();
    m_stopped = true;
}

PairTest::Progress PairTest::progress() const
{
    return Progress{m_counters, m_lastGoodData, m_stopped, m_resendBlocked, m_firstFrameSeen};
}

void PairTest::setProgress(const Progress& p)
{
    m_counters = p.counters;
    m_lastGoodData = p.lastGoodData;
    m_stopped = p.stopped;
    m_resendBlocked = p.resendBlocked;
    m_firstFrameSeen = p.firstFrameSeen;
    emit countersChanged(m_counters);
}

void PairTest::zeroByteTotals()
{
    m_counters.txBytes = 0;
    m_counters.rxBytes = 0;
    emit countersChanged(m_counters);
}

int PairTest::lastSentSize() const
{
    return int(m_session.lastSentData().size());
}

QString PairTest::successRate() const
{
    return PairJudge::SuccessRate(m_counters.success, m_counters.sent);
}

LinkStatus PairTest::send(const QByteArray& data, WorkState state)
{
    if (data.isEmpty()) {
        m_sendTimer.stop();
        emit dataEmpty();
        return LinkStatus::BadParameter;
    }
    const LinkStatus status = m_session.sendData(data, state);
    if (status != LinkStatus::Ok) {
        // The run tries again by itself (the next tick, the next reply time-out): a pulled-out
        // adapter is told once, not once a try.
        if (!m_refusalTold)
            emit sendRefused(status);
        m_refusalTold = true;
        return status;
    }
    m_refusalTold = false;
    m_counters.txBytes += data.size();
    ++m_counters.sent;
    // Late echoes of earlier blocks must not push the rate above 100 %.
    if (m_counters.success > m_counters.sent)
        m_counters.success = m_counters.sent;
    if (m_role == PairRole::MainSend && !m_timed && state == WorkState::PairTest)
        m_replyTimer.start(replyTimeout());
    emit dataSent(data, state);
    emit countersChanged(m_counters);
    return status;
}

int PairTest::replyTimeout() const
{
    SerialLink& link = m_session.link();
    const int baud = link.isOpen() ? link.line().baud : 0;
    // The block out and back on the line, the peer's wait for the gap, its turn-round.
    const qint64 lineMs = baud > 0 ? qint64(m_session.lastSentData().size()) * 10000 * 2 / baud : 0;
    return int(qMax<qint64>(1000, lineMs + m_session.frameGap() + m_turnaroundMs));
}

void PairTest::receive(const QByteArray& block)
{
    const WorkState state = m_session.workState();
    // After a stop only a late frame is still counted; outside the test nothing is.
    if (state == WorkState::Idle ? !m_stopped : !PairTestRunning(state))
        return;

    ++m_counters.received;
    const bool mainSend = m_role == PairRole::MainSend;
    if (mainSend)
        m_replyTimer.stop();
    const QByteArray& lastSent = m_session.lastSentData();
    QByteArray received = block;
    const auto corrected = PairJudge::CorrectReceivedData(m_session.edition().testEdition(), mainSend,
                                                          mainSend ? lastSent : m_lastGoodData, received, lastSent,
                                                          m_lastGoodData);
    if (corrected)
        received = *corrected;
    emit frameReceived(received, corrected.has_value());
    judge(received);
    m_counters.rxBytes += received.size();
    emit countersChanged(m_counters);

    if (m_timed || m_resendBlocked)
        return;
    if (mainSend)
        m_resendData = lastSent;
    else if (!m_lastGoodData.isEmpty() && m_echoCorrection)
        m_resendData = m_counters.received > 1 ? m_lastGoodData : received;
    else
        m_resendData = received;
    m_turnaround.start(m_turnaroundMs);
}

void PairTest::judge(const QByteArray& result)
{
    const PairJudge::Judgement j = PairJudge::JudgeFrame(m_appointed, m_appointedData, m_role == PairRole::MainSend,
                                                         m_session.lastSentData(), result, m_firstFrameSeen);
    m_firstFrameSeen = j.firstFrameSeen;
    if (j.correct) {
        ++m_counters.success;
        m_lastGoodData = result;
    } else {
        ++m_counters.error;
        m_lastGoodData.clear();
    }
    emit frameJudged(j.correct);
}

void PairTest::onTimer()
{
    if (!m_timed)
        return;
    // Paused while sending: a refused send is told, and the next tick must not send again
    // before that is seen. A refused send (a port gone for a moment) does not end the run.
    m_sendTimer.stop();
    const QByteArray data = m_session.lastSentData();
    send(data, WorkState::PairTimed);
    if (!data.isEmpty() && m_timed && m_session.workState() == WorkState::PairTimed)
        m_sendTimer.start();
}

void PairTest::onNoReply()
{
    if (m_resendBlocked || m_timed || m_role != PairRole::MainSend || m_session.workState() != WorkState::PairTest)
        return;
    // The reply was lost: the block stays counted as sent without success, and the next
    // one goes out. A refused send is tried again after another wait.
    if (send(m_session.lastSentData(), WorkState::PairTest) != LinkStatus::Ok && !m_session.lastSentData().isEmpty())
        m_replyTimer.start(replyTimeout());
}
