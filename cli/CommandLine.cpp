#include "CommandLine.h"

#include "core/session/RadioSearch.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace Cli {

CommandLine::CommandLine(const QString& command, const QString& description) : m_command(command)
{
    parser.setApplicationDescription(description);
    parser.addHelpOption();
}

bool CommandLine::parse(const QStringList& args, int* exitCode)
{
    if (!parser.parse(QStringList{QStringLiteral("rfmodctl ") + m_command} + args)) {
        Error(QStringLiteral("%1: %2").arg(m_command, parser.errorText()));
        *exitCode = ExitUsage;
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        *exitCode = ExitOk;
        return false;
    }
    if (!parser.positionalArguments().isEmpty() && parser.positionalArguments() != QStringList{QString()}) {
        Error(QStringLiteral("%1: unexpected %2").arg(m_command, parser.positionalArguments().join(QLatin1Char(' '))));
        *exitCode = ExitUsage;
        return false;
    }
    return true;
}

bool CommandLine::integer(const QString& name, int min, int max, int* out) const
{
    bool ok = false;
    const int v = parser.value(name).toInt(&ok);
    if (!ok || v < min || v > max) {
        Error(QStringLiteral("--%1 %2: give %3 to %4").arg(name, parser.value(name)).arg(min).arg(max));
        return false;
    }
    *out = v;
    return true;
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    QTimer limit;
    if (timeoutMs > 0) {
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        limit.start(timeoutMs);
    }
    loop.exec();
    return done();
}

void CommandLine::addSearchStepOption()
{
    parser.addOption({QStringLiteral("step-ms"),
                      QStringLiteral("time each line setting of the search is tried (default %1)")
                          .arg(RadioSearch::kStepIntervalMs),
                      QStringLiteral("ms"), QString::number(RadioSearch::kStepIntervalMs)});
}

bool CommandLine::searchStepMs(int* out) const
{
    return integer(QStringLiteral("step-ms"), 50, 60000, out);
}

} // namespace Cli
