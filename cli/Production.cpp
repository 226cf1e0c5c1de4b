#include "Production.h"

#include "core/model/Catalogue.h"

#include <cstdio>
#include <unistd.h>

namespace Cli {

namespace {

// "ok 35 SN 00100 (2.1 s)", "FAILED 35 (1.0 s): channel is 5, wanted 4"
QString LastResult(const JigRecord& j)
{
    const ModuleRecord& r = j.record;
    const QString model = r.readBack.value(QStringLiteral("model")).toString();
    QString text = QStringLiteral("%1 %2%3 (%4 s)")
                       .arg(r.ok ? QStringLiteral("ok") : QStringLiteral("FAILED"), model,
                            j.numbered
                                ? QStringLiteral(" SN %1").arg(r.number.sequence, 5, 10, QLatin1Char('0'))
                                : QString())
                       .arg(r.durationMs / 1000.0, 0, 'f', 1);
    if (!r.ok)
        text += QStringLiteral(": ") + r.detail;
    return text;
}

} // namespace

// ---- progress ---------------------------------------------------------------------------------

ProgressBoard::ProgressBoard(const QList<ProductionJig*>& workers, QObject* parent)
    : QObject(parent), m_workers(workers), m_terminal(::isatty(STDERR_FILENO))
{
    for (ProductionJig* w : workers) {
        connect(w, &ProductionJig::changed, this, &ProgressBoard::draw);
        connect(w, &ProductionJig::notice, this, [this](const JigNotice& n) { note(n.text); });
    }
}

void ProgressBoard::note(const QString& text)
{
    QString out;
    // Over the board, which is then drawn again below it.
    if (m_terminal && m_drawn)
        out += QStringLiteral("\x1b[%1A\r\x1b[2K").arg(m_drawn);
    out += QStringLiteral("rfmodctl: ") + text + QLatin1Char('\n');
    std::fputs(qPrintable(out), stderr);
    std::fflush(stderr);
    if (m_terminal && m_drawn) {
        m_drawn = 0;
        draw();
    }
}

void ProgressBoard::draw()
{
    QStringList lines;
    for (ProductionJig* w : m_workers) {
        QString line = QStringLiteral("COM%1: %2 ok, %3 failed - %4").arg(w->port()).arg(w->programmed()).arg(w->failed()).arg(w->stateText());
        if (w->programmed() + w->failed() > 0)
            line += QStringLiteral(" - last: ") + LastResult(w->lastRecord());
        lines << line;
    }
    if (m_terminal) {
        // Back over the lines drawn before, each line cleared and drawn again.
        QString out;
        if (m_drawn)
            out += QStringLiteral("\x1b[%1A").arg(m_drawn);
        for (const QString& l : lines)
            out += QStringLiteral("\r\x1b[2K") + l + QLatin1Char('\n');
        std::fputs(qPrintable(out), stderr);
        m_drawn = int(lines.size());
    } else {
        for (int i = 0; i < lines.size(); ++i)
            if (lines[i] != m_last.value(i))
                std::fprintf(stderr, "%s\n", qPrintable(lines[i]));
    }
    std::fflush(stderr);
    m_last = lines;
}

} // namespace Cli
