#include "RadioSearch.h"

#include "ModuleSession.h"

namespace {
// The port dialog's rows: rates, then parities even, odd, none.
constexpr int kBauds[7] = {600, 1200, 2400, 4800, 9600, 19200, 38400};
constexpr Parity kParities[3] = {Parity::Even, Parity::Odd, Parity::None};
} // namespace

RadioSearch::RadioSearch(ModuleSession& session, QObject* parent) : QObject(parent), m_session(session)
{
    connect(&m_timer, &QTimer::timeout, this, &RadioSearch::onTimer);
    m_followUpTimer.setSingleShot(true);
    // The model read overdue: the module was found all the same, and the read is given up so
    // that nothing after the search waits behind it.
    connect(&m_followUpTimer, &QTimer::timeout, this, [this] {
        if (const TransactionId followUp = std::exchange(m_followUp, 0))
            m_session.cancel(followUp);
        finish(true);
    });
    connect(&session, &ModuleSession::identifyFollowUp, this, &RadioSearch::onFollowUp);
    connect(&session, &ModuleSession::transactionEnded, this, &RadioSearch::onEnded);
}

SerialSettings RadioSearch::Combination(int index)
{
    if (index < 1 || index > kCombinations)
        index = 1;
    return SerialSettings{kBauds[(index - 1) / 3], kParities[(index - 1) % 3]};
}

int RadioSearch::IndexOf(const SerialSettings& settings)
{
    int b = 0;
    for (int i = 0; i < 7; ++i)
        if (kBauds[i] == settings.baud)
            b = i;
    int p = 0;
    for (int i = 0; i < 3; ++i)
        if (kParities[i] == settings.parity)
            p = i;
    return 3 * b + p + 1;
}

bool RadioSearch::start(int startIndex)
{
    stop();
    m_identifyOnly = false;
    m_found = false;
    m_tries = 0;
    if (!step(startIndex))
        return false;
    m_timer.setInterval(m_intervalMs);
    m_timer.start();
    return true;
}

void RadioSearch::identifyHere(int timeoutMs)
{
    stop();
    m_found = false;
    m_tries = 1;
    m_identifyOnly = true;
    m_identifying = true;
    m_request = m_session.submit(Requests::Search(m_session.edition().shortFrames()), timeoutMs);
}

void RadioSearch::stop()
{
    m_identifying = false;
    m_timer.stop();
    m_followUpTimer.stop();
    const TransactionId request = std::exchange(m_request, 0);
    const TransactionId followUp = std::exchange(m_followUp, 0);
    if (request)
        m_session.cancel(request);
    if (followUp)
        m_session.cancel(followUp);
}

bool RadioSearch::step(int index)
{
    if (index < 1 || index > kCombinations)
        index = 1;
    const SerialSettings settings = Combination(index);
    const LinkStatus configured = m_session.link().configure(settings.line());
    ++m_tries;
    m_index = index;
    const LinkStatus sent = configured == LinkStatus::Ok ? m_session.sendSearch() : LinkStatus::Other;
    m_request = sent == LinkStatus::Ok ? m_session.currentTransaction() : 0;
    emit stepped(index, settings, configured, sent);
    return configured == LinkStatus::Ok && sent == LinkStatus::Ok;
}

void RadioSearch::onFollowUp(TransactionId id)
{
    if (m_identifying) {
        // The identify answer came: the model read decides the end (it has a deadline).
        m_identifying = false;
        m_found = true;
        m_request = 0;
        m_followUp = id;
        return;
    }
    if (!m_timer.isActive())
        return;
    // Found: the combination in force stays; the model read decides when the search ends.
    m_found = true;
    m_timer.stop();
    m_request = 0;
    m_followUp = id;
    m_followUpTimer.start(qMax(m_intervalMs, m_session.answerTimeout()));
}

void RadioSearch::onEnded(const TransactionResult& result)
{
    if (result.id == m_request) {
        m_request = 0;
        // Answered, the model read follows (onFollowUp); otherwise nothing will.
        if (m_identifying && result.outcome != TransactionOutcome::Answered) {
            m_identifying = false;
            emit failed(result);
        }
        return;
    }
    if (result.id != m_followUp || result.outcome == TransactionOutcome::Cancelled)
        return;
    // Only identifyHere insists on the model: a search found the module whatever the read says.
    if (m_identifyOnly && result.outcome != TransactionOutcome::Answered) {
        m_followUp = 0;
        emit failed(result);
        return;
    }
    finish(true);
}

void RadioSearch::finish(bool found)
{
    m_timer.stop();
    m_followUpTimer.stop();
    m_followUp = 0;
    emit finished(found);
}

void RadioSearch::onTimer()
{
    // An answer still being gathered (a frame gap about as long as a step) belongs to the
    // combination in force: moving on would leave the port at the next one. Only for about
    // a gap, so a line that never goes quiet cannot hold the search.
    const FrameAssembler& rx = m_session.assembler();
    if (!rx.isEmpty() && qAbs(m_session.nowMs() - rx.firstArrival()) <= m_session.frameGap() + m_intervalMs)
        return;
    if (++m_index > kCombinations)
        m_index = 1;
    if (m_tries < kCombinations) {
        // A port that has gone (or was closed) fails every further step alike: the search
        // ends here without a verdict.
        const SerialLink& link = m_session.link();
        if (!step(m_index) && (!link.isOpen() || link.isLost())) {
            m_timer.stop();
            emit abandoned();
        }
        return;
    }
    const TransactionId request = std::exchange(m_request, 0);
    if (request)
        m_session.cancel(request);
    finish(false);
}
