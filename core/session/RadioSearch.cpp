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
    connect(&session, &ModuleSession::identified, this, [this] { m_found = true; });
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

void RadioSearch::start(int startIndex)
{
    m_timer.stop();
    m_found = false;
    m_tries = 0;
    if (step(startIndex)) {
        m_timer.setInterval(m_intervalMs);
        m_timer.start();
    }
}

void RadioSearch::stop()
{
    m_timer.stop();
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
    emit stepped(index, settings, configured, sent);
    return configured == LinkStatus::Ok && sent == LinkStatus::Ok;
}

void RadioSearch::onTimer()
{
    if (m_found) {
        m_timer.stop();
        emit finished(true);
        return;
    }
    // An answer still being gathered (a frame gap about as long as a step) belongs to the
    // combination in force: moving on would leave the port at the next one. Only for about
    // a gap, so a line that never goes quiet cannot hold the search.
    const FrameAssembler& rx = m_session.assembler();
    if (!rx.isEmpty() && qAbs(m_session.nowMs() - rx.firstArrival()) <= m_session.frameGap() + m_intervalMs)
        return;
    if (++m_index > kCombinations)
        m_index = 1;
    if (m_tries < kCombinations) {
        // A port that has gone (or was closed) fails every further step alike: like a search
        // that cannot start, this one ends here without a verdict.
        const SerialLink& link = m_session.link();
        if (!step(m_index) && (!link.isOpen() || link.isLost()))
            m_timer.stop();
        return;
    }
    m_timer.stop();
    emit finished(false);
}
