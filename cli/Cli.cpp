#include "Cli.h"
#include "InterruptWatch.h"

#include "core/base/Clock.h"
#include "core/config/ConfigFile.h"
#include "core/config/ToolConfig.h"
#include "core/link/PortMapping.h"
#include "core/link/PComm.h"
#include "core/model/Catalogue.h"
#include "core/model/ChannelPlans.h"
#include "core/model/Profile.h"
#include "core/protocol/FrameInfo.h"
#include "core/protocol/HexText.h"
#include "tools/emulator/ModuleEmulator.h"

#include <QDir>
#include <QEventLoop>
#include <QPointer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSysInfo>

#include <cstdio>

namespace Cli {

namespace {

bool TakeValue(const QStringList& args, int* i, QString* out)
{
    if (*i + 1 >= args.size())
        return false;
    *out = args.at(++*i);
    return true;
}

// "COM3" -> 3, anything else 0.
int ComNumber(const QString& portArg)
{
    if (!portArg.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return 0;
    bool ok = false;
    const int n = portArg.mid(3).toInt(&ok);
    return ok && n >= 1 && n <= kSioPortCount ? n : 0;
}

// "COM" and digits: meant as a COM number, even one out of range.
bool LooksLikeCom(const QString& portArg)
{
    static const QRegularExpression com(QStringLiteral("^COM[0-9]+$"), QRegularExpression::CaseInsensitiveOption);
    return com.match(portArg).hasMatch();
}

// The global options; these are taken before or after the command.
bool IsGlobalOption(const QString& a)
{
    static const QStringList names{QStringLiteral("--json"),    QStringLiteral("--trace"),   QStringLiteral("--port"),
                                   QStringLiteral("--ports"),   QStringLiteral("--baud"),    QStringLiteral("--parity"),
                                   QStringLiteral("--edition"), QStringLiteral("--timeout"), QStringLiteral("--gap"),
                                   QStringLiteral("--db"),      QStringLiteral("--station")};
    return names.contains(a);
}

} // namespace

QString GlobalHelp()
{
    return QStringLiteral(
        "usage: rfmodctl [global options] COMMAND [options]\n"
        "\n"
        "The module tool from the command line. Port, line settings and edition default to what\n"
        "Config.ini in the working directory says ([COM], [Ports], [Ver]), as the window has them.\n"
        "\n"
        "global options:\n"
        "  --port P          COM1..COM36, a device (/dev/ttyUSB0) or sim[:settings] (the built-in\n"
        "                    simulated module); program takes several --port options\n"
        "  --ports COMa-COMb a range of ports (program)\n"
        "  --baud N          PC line baud rate (600 ... 57600)\n"
        "  --parity P        none, even or odd\n"
        "  --edition WORD    edition keyword (as [Ver] type)\n"
        "  --timeout MS      answer time-out (default 1000)\n"
        "  --gap MS          quiet time that ends an answer (default: [Option] Delay time, 333)\n"
        "  --json            one JSON document per command on stdout\n"
        "  --trace           every frame sent and received on stderr\n"
        "  --db LOCATION     the production record: sqlite:PATH or\n"
        "                    postgresql://USER@HOST[:PORT]/DBNAME (default: [Production] Database);\n"
        "                    program then takes serial numbers from it and records every module\n"
        "  --station NAME    this station's name in the record (default: [Production] Station,\n"
        "                    else the host name)\n"
        "\n"
        "commands:\n"
        "  ports     the COM numbers and what each stands for\n"
        "  search    find the module's line settings and identify it\n"
        "  read      all parameters\n"
        "  write     parameters (or a profile), optionally verified\n"
        "  sn        read, write or write the next factory serial number\n"
        "  program   the production loop: program module after module\n"
        "  pair      one station of the pair transmission test\n"
        "  term      standard input to the module, the module to standard output\n"
        "  history   the modules recorded in the production database\n"
        "  db check  the production database: series, record counts, records waiting\n"
        "\n"
        "write and program refuse a module whose model is not known unless --any-model is given.\n"
        "COMMAND --help describes a command. Exit codes: 0 success, 1 refused or verification\n"
        "failed, 2 usage error, 3 no module answered, 4 the port could not be opened or was lost,\n"
        "or the production database cannot be reached, 5 the database refuses (rights, schema),\n"
        "6 records wait in the spill file; 130 (143) interrupted by Ctrl+C (SIGTERM)\n"
        "while waiting for the module; program, pair and term take Ctrl+C as their normal end.\n");
}

bool ParseGlobal(const QStringList& args, Context* c, QStringList* rest, int* exitCode)
{
    c->configPath = ConfigFile::path();
    static_cast<ToolSettings&>(*c) = ToolConfig::ReadSettings(c->configPath);
    int baud = c->line.baud;
    Parity parity = c->line.parity;
    bool dbGiven = false;

    auto usage = [&](const QString& message) {
        Error(message);
        *exitCode = ExitUsage;
        return false;
    };
    // The first word that is no option is the command; after it only the global options
    // are taken out, the rest is the command's.
    QStringList command;
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args.at(i);
        const bool option = a.startsWith(QLatin1String("--")) || a == QLatin1String("-h");
        if (command.isEmpty() ? !option : !IsGlobalOption(a)) {
            command << a;
            continue;
        }
        QString v;
        bool ok = true;
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            std::fputs(qPrintable(GlobalHelp()), stdout);
            *exitCode = ExitOk;
            return false;
        } else if (a == QLatin1String("--json")) {
            c->json = true;
        } else if (a == QLatin1String("--trace")) {
            c->trace = true;
        } else if (a == QLatin1String("--port")) {
            if (!TakeValue(args, &i, &v) || v.isEmpty())
                return usage(QStringLiteral("--port needs a port"));
            if (LooksLikeCom(v) && !ComNumber(v))
                return usage(QStringLiteral("--port %1: the COM numbers are COM1 to COM%2").arg(v).arg(kSioPortCount));
            // The simulated module's settings are checked here, not when the port is opened.
            QString why;
            ModuleEmulator::Options sim;
            if (v.startsWith(QLatin1String("sim:"), Qt::CaseInsensitive)
                && !ModuleEmulator::ParseOptions(v.mid(4).trimmed(), &sim, &why))
                return usage(QStringLiteral("--port %1: %2").arg(v, why));
            c->portArgs << v;
        } else if (a == QLatin1String("--ports")) {
            if (!TakeValue(args, &i, &v))
                return usage(QStringLiteral("--ports needs a range such as COM1-COM8"));
            const int from = ComNumber(v.section(QLatin1Char('-'), 0, 0));
            const int to = ComNumber(v.section(QLatin1Char('-'), 1, 1));
            if (!from || !to || to < from)
                return usage(QStringLiteral("--ports %1: give a range such as COM1-COM8").arg(v));
            for (int n = from; n <= to; ++n)
                c->portArgs << QStringLiteral("COM%1").arg(n);
        } else if (a == QLatin1String("--baud")) {
            if (!TakeValue(args, &i, &v) || CodeOfRate(baud = v.toInt(&ok)) == 0 || !ok)
                return usage(QStringLiteral("--baud %1: the modules run at 600, 1200, 2400, 4800, 9600, 19200, "
                                            "38400 or 57600").arg(v));
        } else if (a == QLatin1String("--parity")) {
            if (!TakeValue(args, &i, &v) || (parity = Profiles::ParityOfName(v)) == Parity::Unknown)
                return usage(QStringLiteral("--parity %1: none, even or odd").arg(v));
        } else if (a == QLatin1String("--edition")) {
            if (!TakeValue(args, &i, &v))
                return usage(QStringLiteral("--edition needs a keyword"));
            c->edition.keyword = v;
        } else if (a == QLatin1String("--timeout")) {
            if (!TakeValue(args, &i, &v) || (c->timeoutMs = v.toInt(&ok)) < 50 || !ok)
                return usage(QStringLiteral("--timeout %1: at least 50 ms").arg(v));
        } else if (a == QLatin1String("--gap")) {
            if (!TakeValue(args, &i, &v) || (c->gapMs = v.toInt(&ok)) < 10 || c->gapMs > 3000 || !ok)
                return usage(QStringLiteral("--gap %1: 10 to 3000 ms").arg(v));
        } else if (a == QLatin1String("--db")) {
            if (!TakeValue(args, &i, &v) || v.isEmpty())
                return usage(QStringLiteral("--db needs a location: sqlite:PATH or postgresql://USER@HOST[:PORT]/DBNAME"));
            c->database = v;
            dbGiven = true;
        } else if (a == QLatin1String("--station")) {
            if (!TakeValue(args, &i, &v) || v.trimmed().isEmpty())
                return usage(QStringLiteral("--station needs a name"));
            c->station = v.trimmed();
            c->stationGiven = true;
        } else {
            return usage(QStringLiteral("unknown option %1 (rfmodctl --help)").arg(a));
        }
    }
    if (baud == 0 || parity == Parity::Unknown)
        return usage(QStringLiteral("Config.ini [COM] names no baud rate or parity: give --baud and --parity"));
    c->line = SerialSettings{baud, parity};
    QString why;
    if (!DatabaseLocation::Parse(c->database, &c->db, &why))
        return usage((dbGiven ? QStringLiteral("--db ") : QStringLiteral("Config.ini [Production] Database: ")) + why);
    if (c->station.isEmpty())
        c->station = QSysInfo::machineHostName();

    // COM numbers: as given, or the next free ones for devices and simulated modules.
    if (c->portArgs.isEmpty())
        c->portArgs << QStringLiteral("COM%1").arg(c->port);
    for (const QString& portArg : c->portArgs) {
        const int n = ComNumber(portArg);
        if (n && c->ports.contains(n))
            return usage(QStringLiteral("--port %1 given twice").arg(portArg));
        c->ports << n;
    }
    for (int k = 0; k < c->ports.size(); ++k) {
        if (c->ports[k])
            continue;
        int n = 1;
        while (n <= kSioPortCount && c->ports.contains(n))
            ++n;
        if (n > kSioPortCount)
            return usage(QStringLiteral("more than %1 ports").arg(kSioPortCount));
        c->ports[k] = n;
        PortMapping::SetEntry(n, c->portArgs.at(k));
    }
    *rest = command;
    return true;
}

QString SpillPath(const Context& c)
{
    return QFileInfo(c.configPath).absoluteDir().filePath(QStringLiteral("production-spill.jsonl"));
}

int DatabaseRefused(const Context& c, const StoreError& e)
{
    const QString why = (e.text.startsWith(c.db.text()) ? e.text : c.db.text() + QStringLiteral(": ") + e.text).simplified();
    switch (e.kind) {
    case StoreError::Kind::Permission:
        Error(QStringLiteral("the production database refuses this role: %1 (see GRANT in the README)").arg(why));
        return ExitDatabase;
    case StoreError::Kind::NoSchema:
    case StoreError::Kind::OldSchema:
    case StoreError::Kind::NewerSchema:
        Error(why);
        return ExitDatabase;
    default: break;
    }
    Error(QStringLiteral("the production database cannot be reached: %1").arg(why));
    return ExitPort;
}

std::unique_ptr<ModuleClient> Open(const Context& c, int port)
{
    QString why;
    auto client = OpenQuietly(c, port, &why);
    if (!client)
        Error(why);
    return client;
}

void Trace(ModuleSession& s, int port)
{
    const qint64 startMs = SystemClock::monotonicMs();
    auto trace = [port, startMs](const QByteArray& bytes, bool received) {
        const FrameInfo info = DescribeFrame(bytes, received);
        std::fprintf(stderr, "%9.3f COM%d %s %s  %s\n", (SystemClock::monotonicMs() - startMs) / 1000.0, port, received ? "<" : ">",
                     qPrintable(HexText::BytesToHexText(bytes, true).trimmed()), qPrintable(info.meaning(received)));
    };
    QObject::connect(&s, &ModuleSession::frameSent, [trace](const QByteArray& f) { trace(f, false); });
    QObject::connect(&s, &ModuleSession::blockReceived, [trace](const QByteArray& b, WorkState) { trace(b, true); });
}

std::unique_ptr<ModuleClient> OpenQuietly(const Context& c, int port, QString* why)
{
    auto client = ModuleClient::Open(c.edition, port, c.line.line(), c.timeoutMs, c.gapMs, why);
    if (!client)
        return nullptr;
    ModuleSession& s = client->session();
    if (c.trace)
        Trace(s, port);
    return client;
}

bool Interrupted(const JobResult& r)
{
    return r.outcome == JobOutcome::Cancelled && r.transaction == TransactionOutcome::Cancelled;
}

int ExitOf(const JobResult& r)
{
    if (Interrupted(r)) {
        const InterruptWatch* watch = InterruptWatch::Current();
        return ExitInterrupted + (watch && watch->caught() ? watch->caught() : SIGINT);
    }
    switch (r.outcome) {
    case JobOutcome::Done: return ExitOk;
    case JobOutcome::NotFound: return ExitNoModule;
    case JobOutcome::Failed:
    case JobOutcome::Cancelled: break;
    }
    switch (r.transaction) {
    case TransactionOutcome::TimedOut: return ExitNoModule;
    case TransactionOutcome::Refused:
    case TransactionOutcome::PortLost: return ExitPort;
    default: return ExitRefused;
    }
}

QString Describe(const JobResult& r)
{
    const QString how = DescribeJob(r);
    const InterruptWatch* watch = InterruptWatch::Current();
    return Interrupted(r) && watch && watch->caught() ? how + QStringLiteral(" by ") + InterruptWatch::SignalName(watch->caught())
                                                      : how;
}

JobResult RunSync(ModuleClient& client, QList<JobStep> steps)
{
    // Interrupted already: nothing more goes out to the module.
    InterruptWatch* watch = InterruptWatch::Current();
    if (watch && watch->poll())
        return JobResult{JobOutcome::Cancelled, steps.isEmpty() ? Command::None : steps.first().command,
                         TransactionOutcome::Cancelled, LinkStatus::Ok};
    ModuleJob* job = client.begin(std::move(steps));
    JobResult result;
    QEventLoop loop;
    // Tied to the loop: nothing of this frame is reached once it has returned.
    QObject::connect(job, &ModuleJob::finished, &loop, [&](const JobResult& r) {
        result = r;
        loop.quit();
    });
    if (watch)
        watch->onInterrupt(&loop, [job = QPointer<ModuleJob>(job)] {
            if (job)
                job->cancel();
        });
    job->start();
    if (job->isRunning())
        loop.exec();
    return result;
}


void Print(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void PrintJson(const QJsonObject& object)
{
    std::fputs(QJsonDocument(object).toJson(QJsonDocument::Indented).constData(), stdout);
    std::fflush(stdout);
}

void Error(const QString& message)
{
    std::fprintf(stderr, "rfmodctl: %s\n", qPrintable(message));
    std::fflush(stderr);
}

} // namespace Cli
