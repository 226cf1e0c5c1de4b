#include "CommandLine.h"

#include "core/session/RadioSearch.h"

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
