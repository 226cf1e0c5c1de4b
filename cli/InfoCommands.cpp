// ports, search, read: what is there and how it is set.
#include "Cli.h"
#include "CommandLine.h"

#include "core/link/PComm.h"
#include "core/link/PortMapping.h"
#include "core/model/Catalogue.h"
#include "core/model/Profile.h"
#include "core/session/Jobs.h"
#include "core/session/RadioSearch.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSerialPortInfo>

namespace Cli {

int Ports(const Context& c, const QStringList& args)
{
    CommandLine cl(QStringLiteral("ports"), QStringLiteral("The COM numbers and what each stands for on this computer."));
    int exit = ExitOk;
    if (!cl.parse(args, &exit))
        return exit;
    QHash<QString, QSerialPortInfo> infos;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        infos.insert(info.systemLocation(), info);
    QJsonArray list;
    for (int n = 1; n <= kSioPortCount; ++n) {
        const PortMapping::Target t = PortMapping::Lookup(n);
        // A COM number stands for something when it is configured, an adapter, or a device that is there.
        const bool present = t.fromConfig || t.adapterIndex >= 0
            || (t.kind == PortMapping::Kind::Device && QFileInfo::exists(t.device));
        if (!present)
            continue;
        const QSerialPortInfo info = infos.value(t.device);
        QStringList adapterWords;
        if (!info.isNull())
            for (const QString& w : {info.manufacturer(), info.description()})
                if (!w.trimmed().isEmpty())
                    adapterWords << w.trimmed();
        const QString adapter = adapterWords.join(QLatin1Char(' '));
        if (c.json) {
            QJsonObject o;
            o.insert(QStringLiteral("port"), QStringLiteral("COM%1").arg(n));
            o.insert(QStringLiteral("kind"), t.kind == PortMapping::Kind::Simulated ? QStringLiteral("simulated")
                                                                                     : QStringLiteral("device"));
            o.insert(QStringLiteral("device"), t.kind == PortMapping::Kind::Device ? t.device : t.simOptions);
            o.insert(QStringLiteral("adapter"), adapter);
            o.insert(QStringLiteral("configured"), t.fromConfig);
            list.append(o);
        } else {
            Print(PortMapping::Describe(n, t) + (adapter.isEmpty() ? QString() : QStringLiteral(" - ") + adapter));
        }
    }
    if (c.json)
        Print(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Indented)).trimmed());
    return ExitOk;
}

JobResult FindModule(ModuleClient& client, const Context& c, bool search, int stepMs)
{
    client.session().clearReadings();
    client.setSearchStepInterval(stepMs);
    JobResult r = RunSync(client, {search ? JobStep::SearchFrom(RadioSearch::IndexOf(c.line)) : JobStep::IdentifyHere()});
    // A search counts as found once the model read has ended, answered or not: without the
    // serial number the model is not known.
    if (r.outcome == JobOutcome::Done && !client.readings().hasSerialNumber)
        r = JobResult{JobOutcome::Failed, Command::SerialNumberRead, TransactionOutcome::TimedOut, LinkStatus::Ok};
    return r;
}

namespace {

bool PortTrouble(const JobResult& r)
{
    return r.transaction == TransactionOutcome::PortLost || r.transaction == TransactionOutcome::Refused;
}

} // namespace

int NoModule(const Context& c, const JobResult& r)
{
    if (PortTrouble(r))
        Error(QString::fromLatin1(OutcomeName(r.transaction)));
    else if (Interrupted(r))
        Error(Describe(r));
    else if (r.command == Command::Search)
        Error(QStringLiteral("no module answered at %1 baud, parity %2 (--search finds other settings)")
                  .arg(c.line.baud)
                  .arg(ParityName(c.line.parity)));
    else
        Error(Describe(r));
    return ExitOf(r);
}

int Search(const Context& c, const QStringList& args)
{
    CommandLine cl(QStringLiteral("search"),
                   QStringLiteral("Steps the port through the 21 baud/parity combinations from the given ones until the "
                                  "module answers, then identifies it. Exit 3 when nothing answers."));
    cl.addSearchStepOption();
    int exit = ExitOk, stepMs = 0;
    if (!cl.parse(args, &exit))
        return exit;
    if (!cl.searchStepMs(&stepMs))
        return ExitUsage;
    auto client = Open(c, c.ports.value(0));
    if (!client)
        return ExitPort;
    const JobResult r = FindModule(*client, c, true, stepMs);
    if (r.outcome != JobOutcome::Done) {
        if (r.outcome == JobOutcome::NotFound)
            Error(QStringLiteral("no module answered at any of the 21 settings"));
        else
            Error(PortTrouble(r) ? QString::fromLatin1(OutcomeName(r.transaction)) : Describe(r));
        return ExitOf(r);
    }
    const LineSettings line = client->session().link().line();
    if (c.json)
        PrintJson(ModuleJson(client->readings(), line, c.edition));
    else
        for (const QString& l : ModuleText(client->readings(), line, c.edition))
            Print(l);
    return ExitOk;
}

int Read(const Context& c, const QStringList& args)
{
    CommandLine cl(QStringLiteral("read"),
                   QStringLiteral("Reads all parameters at the given line settings (searching first only with --search)."));
    cl.parser.addOption({QStringLiteral("search"), QStringLiteral("search for the module's line settings first")});
    cl.addSearchStepOption();
    cl.parser.addOption({QStringLiteral("out"), QStringLiteral("write what was read as a profile"), QStringLiteral("file")});
    int exit = ExitOk, stepMs = 0;
    if (!cl.parse(args, &exit))
        return exit;
    if (!cl.searchStepMs(&stepMs))
        return ExitUsage;
    // Where the profile goes is checked before the module is read.
    if (cl.isSet(QStringLiteral("out"))) {
        const QFileInfo out(cl.value(QStringLiteral("out")));
        const QFileInfo folder(out.absolutePath());
        QString why;
        if (!folder.isDir())
            why = QStringLiteral("no such directory");
        else if (!folder.isWritable() || (out.exists() && (!out.isFile() || !out.isWritable())))
            why = QStringLiteral("cannot be written");
        if (!why.isEmpty()) {
            Error(QStringLiteral("%1: %2").arg(cl.value(QStringLiteral("out")), why));
            return ExitUsage;
        }
    }
    auto client = Open(c, c.ports.value(0));
    if (!client)
        return ExitPort;
    JobResult r = FindModule(*client, c, cl.isSet(QStringLiteral("search")), stepMs);
    if (r.outcome != JobOutcome::Done)
        return NoModule(c, r);
    r = RunSync(*client, Jobs::ReadEverything(client->session()));
    if (r.outcome != JobOutcome::Done) {
        Error(Describe(r));
        return ExitOf(r);
    }
    const ModuleReadings& rd = client->readings();
    if (cl.isSet(QStringLiteral("out"))) {
        QString error;
        if (!Profiles::Write(cl.value(QStringLiteral("out")), ProfileOf(rd), &error)) {
            Error(error);
            return ExitUsage;
        }
    }
    const LineSettings line = client->session().link().line();
    if (c.json)
        PrintJson(ModuleJson(rd, line, c.edition));
    else
        for (const QString& l : ModuleText(rd, line, c.edition))
            Print(l);
    return ExitOk;
}

} // namespace Cli
