// rfmodctl: the module tool from the command line (see Cli.h and rfmodctl --help).
#include "Cli.h"
#include "InterruptWatch.h"

#include <QCoreApplication>

#include <cstdio>
#include <optional>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("rfmodctl"));
    Cli::Context context;
    QStringList rest;
    int exitCode = Cli::ExitOk;
    if (!Cli::ParseGlobal(app.arguments().mid(1), &context, &rest, &exitCode))
        return exitCode;
    const QString command = rest.value(0);
    const QStringList args = rest.mid(1);
    // What waits for a module ends as cancelled on Ctrl+C or SIGTERM. The database commands
    // keep the default: they wait in blocking calls, where a caught signal would go unseen.
    std::optional<Cli::InterruptWatch> interrupts;
    static const QStringList waiting{QStringLiteral("search"), QStringLiteral("read"), QStringLiteral("write"),
                                     QStringLiteral("sn"),     QStringLiteral("program"), QStringLiteral("pair"),
                                     QStringLiteral("term")};
    if (waiting.contains(command))
        interrupts.emplace();
    if (command == QLatin1String("ports"))
        return Cli::Ports(context, args);
    if (command == QLatin1String("search"))
        return Cli::Search(context, args);
    if (command == QLatin1String("read"))
        return Cli::Read(context, args);
    if (command == QLatin1String("write"))
        return Cli::Write(context, args);
    if (command == QLatin1String("sn"))
        return Cli::SerialNumbers(context, args);
    if (command == QLatin1String("program"))
        return Cli::Program(context, args);
    if (command == QLatin1String("pair"))
        return Cli::Pair(context, args);
    if (command == QLatin1String("term"))
        return Cli::Term(context, args);
    if (command == QLatin1String("history"))
        return Cli::History(context, args);
    if (command == QLatin1String("db"))
        return Cli::Db(context, args);
    if (command.isEmpty())
        std::fputs(qPrintable(Cli::GlobalHelp()), stderr);
    else
        Cli::Error(QStringLiteral("unknown command %1 (rfmodctl --help)").arg(command));
    return Cli::ExitUsage;
}
