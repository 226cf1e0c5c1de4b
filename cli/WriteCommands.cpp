// write and sn: putting values into a module.
#include "Cli.h"
#include "CommandLine.h"
#include "InterruptWatch.h"

#include "core/config/SerialNumberStore.h"
#include "core/config/ToolConfig.h"
#include "core/model/Catalogue.h"
#include "core/production/SerialNumberPool.h"
#include "core/session/Jobs.h"

#include <QDate>
#include <QDateTime>

namespace Cli {

namespace {

// The options of write as a profile over the --profile file; false after a message.
bool ProfileFromOptions(const CommandLine& cl, Profile* p)
{
    if (cl.isSet(QStringLiteral("profile"))) {
        QString error;
        if (!Profiles::Read(cl.value(QStringLiteral("profile")), p, &error)) {
            Error(error);
            return false;
        }
    }
    auto set = [&](const char* name, int min, int max, int* to) {
        return !cl.isSet(QLatin1String(name)) || cl.integer(QLatin1String(name), min, max, to);
    };
    auto rate = [&](const char* name, int* to) {
        if (!cl.isSet(QLatin1String(name)))
            return true;
        const int r = cl.value(QLatin1String(name)).toInt();
        if (CodeOfRate(r) == 0) {
            Error(QStringLiteral("--%1 %2: the modules run at 600, 1200, 2400, 4800, 9600, 19200, 38400 or 57600")
                      .arg(QLatin1String(name), cl.value(QLatin1String(name))));
            return false;
        }
        *to = r;
        return true;
    };
    auto named = [&](const char* name, int (*of)(const QString&), const char* values, int* to) {
        if (!cl.isSet(QLatin1String(name)))
            return true;
        const int v = of(cl.value(QLatin1String(name)));
        if (v < 0) {
            Error(QStringLiteral("--%1 %2: give %3").arg(QLatin1String(name), cl.value(QLatin1String(name)),
                                                        QLatin1String(values)));
            return false;
        }
        *to = v;
        return true;
    };
    if (!set("channel", 1, 255, &p->channel) || !rate("air-rate", &p->airRate) || !rate("serial-baud", &p->serialBaud)
        || !named("protocol", Profiles::ProtocolOfName, "own or compatible", &p->protocol)
        || !named("power-save", Profiles::PowerModeOfName, "none, hardware, serial or air", &p->powerMode)
        || !set("radio-id", 0, 65535, &p->radioId) || !named("power", Profiles::PowerOfName, "1W or 2W", &p->power)
        || !set("power-level", 0, 15, &p->powerLevel))
        return false;
    if (cl.isSet(QStringLiteral("serial-parity"))) {
        p->serialParity = Profiles::ParityOfName(cl.value(QStringLiteral("serial-parity")));
        if (p->serialParity == Parity::Unknown) {
            Error(QStringLiteral("--serial-parity %1: give none, even or odd").arg(cl.value(QStringLiteral("serial-parity"))));
            return false;
        }
    }
    if (cl.isSet(QStringLiteral("model")) && (p->modelRow = Profiles::ModelRowOfName(cl.value(QStringLiteral("model")))) < 0) {
        Error(QStringLiteral("--model %1 is no model").arg(cl.value(QStringLiteral("model"))));
        return false;
    }
    return true;
}

// The model's own checks; false after naming every value it cannot take.
bool FitsModel(const Profile& p, int row, const Edition& e)
{
    const QStringList problems = Profiles::Check(p, row, e.keyword);
    for (const QString& problem : problems)
        Error(problem);
    return problems.isEmpty();
}

} // namespace

int Write(const Context& c, const QStringList& args)
{
    CommandLine cl(QStringLiteral("write"),
                   QStringLiteral("Writes the given parameters (or a profile). The values are checked against the "
                                  "module's model (read first, or --model) before anything is written."));
    for (auto [name, what] : std::initializer_list<std::pair<const char*, const char*>>{
             {"channel", "channel number"},
             {"air-rate", "air data rate, bit/s"},
             {"serial-baud", "serial baud rate (the PC port follows)"},
             {"serial-parity", "serial parity: none, even, odd (the PC port follows)"},
             {"protocol", "air protocol: own, compatible"},
             {"power-save", "power saving: none, hardware, serial, air"},
             {"radio-id", "radio ID 0..65535"},
             {"power", "transmit power: 1W, 2W"},
             {"power-level", "power level 0..15"},
             {"profile", "a profile file; the options above override its values"},
             {"model", "check against this model (525, KTX525) instead of reading it"}})
        cl.parser.addOption({QLatin1String(name), QLatin1String(what), QStringLiteral("value")});
    cl.parser.addOption({QStringLiteral("search"), QStringLiteral("search for the module's line settings first")});
    cl.parser.addOption({QStringLiteral("verify"), QStringLiteral("read back and fail on any difference")});
    cl.parser.addOption({QStringLiteral("any-model"),
                         QStringLiteral("write to a module whose model is not known (nothing is checked)")});
    int exit = ExitOk;
    if (!cl.parse(args, &exit))
        return exit;
    Profile wanted;
    if (!ProfileFromOptions(cl, &wanted))
        return ExitUsage;
    if (wanted.isEmpty()) {
        Error(QStringLiteral("write: nothing to write (write --help)"));
        return ExitUsage;
    }
    // A model named beforehand is checked before the port is even opened.
    if (wanted.modelRow >= 0 && !FitsModel(wanted, wanted.modelRow, c.edition))
        return ExitUsage;

    auto client = Open(c, c.ports.value(0));
    if (!client)
        return ExitPort;
    JobResult r = FindModule(*client, c, cl.isSet(QStringLiteral("search")), c.stepMs);
    if (r.outcome != JobOutcome::Done)
        return NoModule(c, r);
    const ModuleReadings found = client->readings();
    const QString unknown = UnknownModel(found, c.edition);
    if (!unknown.isEmpty() && !cl.isSet(QStringLiteral("any-model"))) {
        Error(unknown);
        return ExitRefused;
    }
    if (unknown.isEmpty() && !FitsModel(wanted, found.identity.modelRow, c.edition))
        return ExitUsage;
    r = RunSync(*client, Jobs::WriteProfile(client->session(), wanted));
    if (r.outcome == JobOutcome::Done && cl.isSet(QStringLiteral("verify"))) {
        // Only what is read back now counts.
        client->session().clearReadings();
        r = RunSync(*client, Jobs::VerifyProfile(wanted));
        const QStringList differences =
            r.outcome == JobOutcome::Done ? Jobs::Differences(wanted, client->readings()) : QStringList();
        for (const QString& d : differences)
            Error(QStringLiteral("verification failed: ") + d);
        if (!differences.isEmpty())
            return ExitRefused;
    }
    if (r.outcome != JobOutcome::Done) {
        Error(Describe(r));
        return ExitOf(r);
    }
    if (c.json)
        PrintJson(ModuleJson(ReadBack(found, client->readings()), client->session().link().line(), c.edition));
    else
        Print(QStringLiteral("written") + (cl.isSet(QStringLiteral("verify")) ? QStringLiteral(" and verified") : QString()));
    return ExitOk;
}

// ---- serial numbers -------------------------------------------------------------------------

namespace {

struct SnChoice {
    QString modelCode;
    int year = -1;
    int month = -1;
};

// Model, year and month of the serial number: options first, then [SN], then today (year and
// month) or the module's own model.
bool ChooseSn(const CommandLine& cl, const QString& configPath, const ModuleReadings& module, SnChoice* out)
{
    const ToolConfig::Sn sn = ToolConfig::ReadSn(configPath);
    int row = -1;
    if (cl.isSet(QStringLiteral("model"))) {
        row = Profiles::ModelRowOfName(cl.value(QStringLiteral("model")));
        if (row < 0) {
            Error(QStringLiteral("--model %1 is no model").arg(cl.value(QStringLiteral("model"))));
            return false;
        }
    }
    out->modelCode = row >= 0 ? Catalogue::RowToModelCode(row) : module.serialNumber.modelCode;
    if (out->modelCode.isEmpty())
        out->modelCode = Catalogue::RowToModelCode(sn.model);
    if (out->modelCode.isEmpty()) {
        Error(QStringLiteral("sn: no model for the serial number (--model)"));
        return false;
    }
    const QString year = cl.isSet(QStringLiteral("year")) ? cl.value(QStringLiteral("year")) : sn.year;
    out->year = year.isEmpty() ? QDate::currentDate().year() : SerialNumberYearOf(year);
    if (out->year < 0) {
        Error(QStringLiteral("year %1: give four digits, 2000 to 2099").arg(year));
        return false;
    }
    const QString month = cl.isSet(QStringLiteral("month")) ? cl.value(QStringLiteral("month")) : sn.month;
    out->month = month.isEmpty() ? QDate::currentDate().month() : SerialNumberMonthOf(month);
    if (out->month < 0) {
        Error(QStringLiteral("month %1: give 1 to 12").arg(month));
        return false;
    }
    return true;
}

} // namespace

int SerialNumbers(const Context& c, const QStringList& args)
{
    // "sn --help" has no action word.
    const QString action = args.value(0).startsWith(QLatin1Char('-')) ? QString() : args.value(0);
    CommandLine cl(QStringLiteral("sn ") + action,
                   QStringLiteral("sn read | sn write --seq N [--model M --year Y --month M] | sn next [--model M "
                                  "--year Y --month M]\nThe factory serial number. 'next' writes the number after "
                                  "the last one handed out and keeps it: from the production database (--db or [Production] "
                                  "Database) when there is one, else from Config.ini [SN], shared with the window. "
                                  "'write' refuses a number handed out already unless --again is given."));
    cl.parser.addOption({QStringLiteral("model"), QStringLiteral("model of the number (525, KTX525)"), QStringLiteral("m")});
    cl.parser.addOption({QStringLiteral("year"), QStringLiteral("year, four digits"), QStringLiteral("y")});
    cl.parser.addOption({QStringLiteral("month"), QStringLiteral("month 1..12"), QStringLiteral("m")});
    cl.parser.addOption({QStringLiteral("seq"), QStringLiteral("sequence number 0..65534"), QStringLiteral("n")});
    cl.parser.addOption({QStringLiteral("again"),
                         QStringLiteral("write --seq even when the number was handed out already (a second time)")});
    int exit = ExitOk;
    if (!cl.parse(action.isEmpty() ? args : args.mid(1), &exit))
        return exit;
    if (action != QLatin1String("read") && action != QLatin1String("write") && action != QLatin1String("next")) {
        Error(QStringLiteral("sn: give read, write or next (sn --help)"));
        return ExitUsage;
    }
    int sequence = -1;
    if (action == QLatin1String("write")
        && (!cl.isSet(QStringLiteral("seq"))
            || !cl.integer(QStringLiteral("seq"), 0, SerialNumberStore::kMaxSequence, &sequence))) {
        if (!cl.isSet(QStringLiteral("seq")))
            Error(QStringLiteral("sn write needs --seq"));
        return ExitUsage;
    }
    // What the options say is checked before anything is sent; [SN] and the module fill in the rest.
    SnChoice choice;
    ModuleReadings anyModel;
    anyModel.serialNumber.modelCode = QStringLiteral("00");
    if (action != QLatin1String("read") && !ChooseSn(cl, c.configPath, anyModel, &choice))
        return ExitUsage;
    // Numbers come from the production database when there is one, else from Config.ini; one
    // that cannot be recorded is not written to a module.
    std::unique_ptr<ProductionStore> db;
    std::unique_ptr<SerialNumberPool> pool;
    QString error;
    if (action != QLatin1String("read")) {
        if (c.db.isSet()) {
            db = std::make_unique<ProductionStore>(c.db, SpillPath(c));
            db->setStation(c.station);
            if (!db->open(&error))
                return DatabaseRefused(c, db->lastError());
            pool = SerialNumberPools::OfStore(db.get());
        } else {
            if (!SerialNumberStore(c.configPath).checkWritable(&error)) {
                Error(error);
                return ExitRefused;
            }
            pool = SerialNumberPools::OfConfig(c.configPath);
        }
    }

    auto client = Open(c, c.ports.value(0));
    if (!client)
        return ExitPort;
    JobResult r = RunSync(*client, {JobStep::Send(Requests::ReadSerialNumber())});
    if (r.outcome == JobOutcome::Done && action != QLatin1String("read")) {
        if (!ChooseSn(cl, c.configPath, client->readings(), &choice))
            return ExitUsage;
        const ModuleReadings found = client->readings();
        const SerialSeries series{choice.modelCode, choice.year, choice.month};
        const ClaimOwner owner{c.station, c.portArgs.value(0)};
        SerialClaim claim;
        StoreError e;
        const bool claimed = action == QLatin1String("next")
            ? pool->take(series, std::max(ToolConfig::ReadSn(c.configPath).number.toInt(), 0) + 1, owner, &claim, &e)
            : pool->takeNumber(series, sequence, owner, cl.isSet(QStringLiteral("again")), &claim, &e);
        if (!claimed) {
            if (e.kind == StoreError::Kind::Taken) {
                Error(e.text + QStringLiteral(": give --again to write it a second time"));
                return ExitRefused;
            }
            if (db)
                return DatabaseRefused(c, e);
            Error(e.text);
            return ExitRefused;
        }
        // Interrupted while the number was taken (the database may be slow): it never went out.
        if (InterruptWatch* watch = InterruptWatch::Current(); watch && watch->poll()) {
            StoreError ignored;
            pool->giveBack(&claim, &ignored);
            r = JobResult{JobOutcome::Cancelled, Command::SerialNumberWrite, TransactionOutcome::Cancelled, LinkStatus::Ok};
            Error(Describe(r));
            return ExitOf(r);
        }
        // Marked sent before the write goes out: from then on the number never goes back.
        if (!pool->advance(&claim, ClaimState::Sent, &e)) {
            StoreError ignored;
            pool->giveBack(&claim, &ignored);
            return db ? DatabaseRefused(c, e) : (Error(e.text), ExitRefused);
        }
        const qint64 started = QDateTime::currentMSecsSinceEpoch();
        r = RunSync(*client, {JobStep::Send(Requests::WriteSerialNumber(claim.number())), JobStep::Send(Requests::ReadSerialNumber())});
        if (r.outcome != JobOutcome::Done && r.command == Command::SerialNumberWrite
            && r.transaction == TransactionOutcome::Refused) {
            // Refused by the port, the write never left the PC: its number goes back.
            StoreError ignored;
            pool->withdraw(&claim, &ignored);
            Error(Describe(r));
            return ExitOf(r);
        }
        const SerialNumber& back = client->readings().serialNumber;
        const bool took = r.outcome == JobOutcome::Done && back.sequence == claim.sequence
            && back.modelCode == claim.series.modelCode && back.year % 100 == claim.series.year % 100
            && back.month == claim.series.month;
        const ClaimState outcome = r.outcome != JobOutcome::Done ? ClaimState::Unconfirmed
            : took                                               ? ClaimState::Confirmed
                                                                 : ClaimState::Failed;
        QString detail;
        if (r.outcome != JobOutcome::Done)
            detail = Describe(r) + QStringLiteral(": the module may carry the number");
        else if (!took)
            detail = QStringLiteral("the module reads back number %1, not %2").arg(back.sequence).arg(claim.sequence);
        if (db) {
            // Recorded like a module of a production run, so history and db check know it.
            ModuleRecord record;
            record.id = ProductionStore::NewId();
            record.claimId = claim.id;
            record.claimState = outcome;
            record.time = QDateTime::currentDateTimeUtc();
            record.station = c.station;
            record.port = c.portArgs.value(0);
            record.line = SerialSettings{client->session().link().line().baud,
                                         ParityOfChar(client->session().link().line().parity)};
            record.identity = found.identity;
            record.number = claim.number();
            record.readBack = ModuleJson(client->readings(), client->session().link().line(), c.edition);
            record.ok = took;
            record.detail = detail;
            record.durationMs = QDateTime::currentMSecsSinceEpoch() - started;
            if (!db->record(record, &error))
                Error(QStringLiteral("the record of the module cannot be kept: %1").arg(error));
            else if (db->lastError().kind == StoreError::Kind::Taken) {
                Error(error);
                return ExitRefused;
            } else if (!error.isEmpty())
                Error(QStringLiteral("the production database did not take the record (%1): it waits in %2")
                          .arg(error, SpillPath(c)));
        } else {
            pool->advance(&claim, outcome, nullptr);
        }
        if (r.outcome == JobOutcome::Done && !took) {
            Error(QStringLiteral("verification failed: ") + detail);
            return ExitRefused;
        }
    }
    if (r.outcome != JobOutcome::Done) {
        Error(Describe(r));
        return ExitOf(r);
    }
    const SerialNumber& n = client->readings().serialNumber;
    const int row = Catalogue::ModelCodeToRow(n.modelCode);
    if (c.json) {
        QJsonObject o;
        o.insert(QStringLiteral("model"), Catalogue::RowText(row, c.edition.prefixStyle));
        o.insert(QStringLiteral("model_code"), n.modelCode);
        o.insert(QStringLiteral("year"), n.year);
        o.insert(QStringLiteral("month"), n.month);
        o.insert(QStringLiteral("serial_number"), QStringLiteral("%1").arg(n.sequence, 5, 10, QLatin1Char('0')));
        PrintJson(o);
    } else {
        Print(QStringLiteral("model: %1 (%2)").arg(Catalogue::RowText(row, c.edition.prefixStyle), n.modelCode));
        Print(QStringLiteral("year: %1").arg(n.year));
        Print(QStringLiteral("month: %1").arg(n.month, 2, 10, QLatin1Char('0')));
        Print(QStringLiteral("serial_number: %1").arg(n.sequence, 5, 10, QLatin1Char('0')));
    }
    return ExitOk;
}

} // namespace Cli
