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

std::unique_ptr<ModuleClient> OpenQuietly(const Context& c, int port, QString* why)
{
    // The answer comes after the quiet gap that ends it: the time-out counts from there.
    auto client = std::make_unique<ModuleClient>(c.edition, c.timeoutMs + c.gapMs);
    ModuleSession& s = client->session();
    s.setFrameGapOption(true, c.gapMs);
    const LinkStatus status = s.openPort(port, c.line.line()).status();
    if (status != LinkStatus::Ok) {
        const PortMapping::Target target = PortMapping::Lookup(port);
        QString reason;
        switch (status) {
        case LinkStatus::OpenFail: reason = QStringLiteral("no such device, or another program has it"); break;
        case LinkStatus::BadParameter: reason = QStringLiteral("the line settings are refused"); break;
        default: reason = QStringLiteral("the system refused it"); break;
        }
        *why = QStringLiteral("%1 cannot be opened: %2").arg(PortMapping::Describe(port, target), reason);
        return nullptr;
    }
    if (c.trace) {
        const qint64 startMs = SystemClock::monotonicMs();
        auto trace = [port, startMs](const QByteArray& bytes, bool received) {
            const FrameInfo info = DescribeFrame(bytes, received);
            std::fprintf(stderr, "%9.3f COM%d %s %s  %s\n", (SystemClock::monotonicMs() - startMs) / 1000.0, port, received ? "<" : ">",
                         qPrintable(HexText::BytesToHexText(bytes, true).trimmed()), qPrintable(info.meaning(received)));
        };
        QObject::connect(&s, &ModuleSession::frameSent, [trace](const QByteArray& f) { trace(f, false); });
        QObject::connect(&s, &ModuleSession::blockReceived, [trace](const QByteArray& b, WorkState) { trace(b, true); });
    }
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
    QString how = QLatin1String(OutcomeName(r.transaction));
    const InterruptWatch* watch = InterruptWatch::Current();
    if (Interrupted(r) && watch && watch->caught())
        how += QStringLiteral(" by ") + InterruptWatch::SignalName(watch->caught());
    // Between steps (a pause) no command is awaited.
    return r.command == Command::None ? how : QStringLiteral("%1: %2").arg(Commands::Name(r.command), how);
}

QString UnknownModel(const ModuleReadings& r, const Edition& e)
{
    if (Catalogue::Row(r.identity.modelRow))
        return QString();
    QStringList told;
    const QString family = Catalogue::FamilyLabel(r.identity.familyCode, e.prefixStyle);
    if (!family.isEmpty())
        told << QStringLiteral("family ") + family;
    else if (r.identity.familyCode >= 0)
        told << QStringLiteral("family code %1").arg(QString::number(r.identity.familyCode, 16).toUpper().rightJustified(2, QLatin1Char('0')));
    if (!r.identity.firmware.isEmpty())
        told << QStringLiteral("firmware ") + r.identity.firmware.left(1) + QLatin1Char('.') + r.identity.firmware.mid(1);
    if (!Catalogue::BaseFrequencyText(r.identity.band).isEmpty())
        told << QStringLiteral("band ") + Catalogue::BaseFrequencyText(r.identity.band);
    told << (r.hasSerialNumber ? QStringLiteral("model code ") + r.serialNumber.modelCode
                               : QStringLiteral("no serial number read"));
    return QStringLiteral("the module's model is not known (%1); --any-model writes to it unchecked")
        .arg(told.join(QStringLiteral(", ")));
}

Profile ProfileOf(const ModuleReadings& r)
{
    Profile p;
    p.modelRow = r.identity.modelRow;
    p.base = Catalogue::BaseFrequencyText(r.identity.band);
    p.channel = r.params.channel;
    p.airRate = r.params.airRate;
    p.serialBaud = r.params.serial.baud;
    p.serialParity = r.params.serial.parity;
    p.protocol = r.params.protocol;
    p.powerMode = r.params.powerMode;
    p.radioId = r.params.radioId;
    return p;
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

ModuleReadings ReadBack(const ModuleReadings& found, const ModuleReadings& read)
{
    ModuleReadings r = found;
    r.params = read.params;
    if (read.hasSerialNumber) {
        r.serialNumber = read.serialNumber;
        r.hasSerialNumber = true;
        r.identity.modelRow = read.identity.modelRow;
    }
    return r;
}

QString Frequency(const ModuleReadings& r, const Edition& e)
{
    const int row = r.identity.modelRow;
    const int channel = r.params.channel;
    if (!Catalogue::Row(row) || channel < 1 || channel > ChannelPlans::kSlots)
        return QString();
    const ChannelPlans::Plan plan = ChannelPlans::Build(Catalogue::RowText(row, e.prefixStyle),
                                                        Catalogue::BaseFrequencyText(r.identity.band), e.keyword, row, false);
    return plan[channel - 1];
}

namespace {

QString Firmware(const QString& byte)
{
    return byte.size() == 2 ? byte.left(1) + QLatin1Char('.') + byte.mid(1) : byte;
}

QString Pad(int value, int width)
{
    return value < 0 ? QString() : QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

} // namespace

QJsonObject ModuleJson(const ModuleReadings& r, const LineSettings& line, const Edition& e)
{
    QJsonObject o;
    o.insert(QStringLiteral("baud"), line.baud);
    o.insert(QStringLiteral("parity"), ParityName(ParityOfChar(line.parity)));
    auto text = [&](const char* key, const QString& value) {
        o.insert(QLatin1String(key), value.isEmpty() ? QJsonValue() : QJsonValue(value));
    };
    auto number = [&](const char* key, int value) {
        o.insert(QLatin1String(key), value < 0 ? QJsonValue() : QJsonValue(value));
    };
    text("family", Catalogue::FamilyLabel(r.identity.familyCode, e.prefixStyle));
    text("firmware", Firmware(r.identity.firmware));
    text("band", Catalogue::BaseFrequencyText(r.identity.band));
    text("model", Catalogue::RowText(r.identity.modelRow, e.prefixStyle));
    const AllParameters& p = r.params;
    number("channel", p.channel);
    text("frequency", Frequency(r, e));
    number("air_rate", p.airRate > 0 ? p.airRate : -1);
    number("serial_baud", p.serial.baud > 0 ? p.serial.baud : -1);
    text("serial_parity", p.serial.parity == Parity::Unknown ? QString() : ParityName(p.serial.parity));
    text("protocol", Profiles::ProtocolName(p.protocol));
    text("power_save", Profiles::PowerModeName(p.powerMode));
    number("radio_id", p.radioId);
    number("rssi", p.rssi);
    text("serial_number", r.hasSerialNumber ? Pad(r.serialNumber.sequence, 5) : QString());
    text("sn_year", r.hasSerialNumber ? Pad(r.serialNumber.year, 4) : QString());
    text("sn_month", r.hasSerialNumber ? Pad(r.serialNumber.month, 2) : QString());
    if (p.io.radioId >= 0) {
        number("input1", p.io.input1);
        number("input2", p.io.input2);
    }
    return o;
}

QStringList ModuleText(const ModuleReadings& r, const LineSettings& line, const Edition& e)
{
    const QJsonObject o = ModuleJson(r, line, e);
    static const char* const kOrder[] = {"baud",       "parity",   "family",   "firmware",      "band",
                                         "model",      "channel",  "frequency", "air_rate",     "serial_baud",
                                         "serial_parity", "protocol", "power_save", "radio_id", "rssi",
                                         "serial_number", "sn_year", "sn_month", "input1",       "input2"};
    QStringList lines;
    for (const char* key : kOrder) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isNull() || v.isUndefined())
            continue;
        lines << QStringLiteral("%1: %2").arg(QLatin1String(key), v.isDouble() ? QString::number(v.toInt()) : v.toString());
    }
    return lines;
}

} // namespace Cli
