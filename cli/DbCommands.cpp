// history and db: the production record, read back.
#include "Cli.h"
#include "CommandLine.h"

#include "core/config/Csv.h"
#include "core/model/Catalogue.h"

#include <QDate>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace Cli {

namespace {

bool NeedsDatabase(const Context& c, const QString& command)
{
    if (c.db.isSet())
        return true;
    Error(QStringLiteral("%1 needs a production database: --db LOCATION, or [Production] Database= in Config.ini")
              .arg(command));
    return false;
}

// A full serial number, MODEL-YYYY-MM-NNNNN (the model as its code, 35, or its name, KTX525),
// or a sequence alone; false when it is neither.
bool ParseSerialNumber(const QString& text, HistoryFilter* f)
{
    const QStringList parts = text.split(QLatin1Char('-'));
    bool ok = false;
    if (parts.size() == 1) {
        f->sequence = text.toInt(&ok);
        return ok && f->sequence >= 0 && f->sequence <= ProductionStore::kMaxSequence;
    }
    if (parts.size() < 4)
        return false;
    const int n = int(parts.size());
    const QString model = parts.mid(0, n - 3).join(QLatin1Char('-'));
    const int row = Profiles::ModelRowOfName(model);
    f->series.modelCode = row >= 0 ? Catalogue::RowToModelCode(row) : model.toUpper();
    f->series.year = SerialNumberYearOf(parts[n - 3]);
    f->series.month = SerialNumberMonthOf(parts[n - 2]);
    f->sequence = parts[n - 1].toInt(&ok);
    return ok && !f->series.modelCode.isEmpty() && f->series.year > 0 && f->series.month > 0 && f->sequence >= 0
        && f->sequence <= ProductionStore::kMaxSequence;
}

// Local time with its offset, so a record read in another zone is not an hour out.
QString LocalTimeText(const QDateTime& t)
{
    const QDateTime local = t.toLocalTime();
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}

QString Pad(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// One record as history shows it: the parameters as read back (the names read --json uses)
// with the record's own keys over them.
QJsonObject HistoryJson(const ModuleRecord& r, const Edition& e)
{
    QJsonObject o = r.readBack;
    o.insert(QStringLiteral("id"), r.id);
    o.insert(QStringLiteral("time"), r.time.toUTC().toString(Qt::ISODateWithMs));
    o.insert(QStringLiteral("station"), r.station);
    o.insert(QStringLiteral("port"), r.port);
    if (!r.workOrder.isEmpty())
        o.insert(QStringLiteral("work_order"), r.workOrder);
    QString model = r.readBack.value(QStringLiteral("model")).toString();
    if (model.isEmpty())
        model = Catalogue::RowText(r.identity.modelRow, e.prefixStyle);
    if (model.isEmpty())
        model = Catalogue::RowText(Catalogue::ModelCodeToRow(r.number.modelCode), e.prefixStyle);
    o.insert(QStringLiteral("model"), model.isEmpty() ? QJsonValue() : QJsonValue(model));
    const SerialNumber& n = r.number;
    o.insert(QStringLiteral("serial_number"), n.sequence >= 0 ? QJsonValue(Pad(n.sequence, 5)) : QJsonValue());
    o.insert(QStringLiteral("year"), n.sequence >= 0 && n.year > 0 ? QJsonValue(n.year) : QJsonValue());
    o.insert(QStringLiteral("month"), n.sequence >= 0 && n.month > 0 ? QJsonValue(n.month) : QJsonValue());
    o.insert(QStringLiteral("result"), r.ok ? QStringLiteral("ok") : QStringLiteral("failed"));
    o.insert(QStringLiteral("detail"), r.detail);
    return o;
}

QString Text(const QJsonValue& v)
{
    return v.isDouble() ? QString::number(v.toInt()) : v.toString();
}

// Plain columns, each as wide as its widest value; the last (detail) as it is.
void PrintColumns(const QList<QStringList>& rows)
{
    QList<int> widths;
    for (const QStringList& row : rows)
        for (int i = 0; i < row.size(); ++i) {
            if (widths.size() <= i)
                widths << 0;
            widths[i] = std::max(widths[i], int(row[i].size()));
        }
    for (const QStringList& row : rows) {
        QString line;
        for (int i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i];
        Print(line.trimmed());
    }
}

} // namespace

int History(const Context& c, const QStringList& args)
{
    CommandLine cl(QStringLiteral("history"),
                   QStringLiteral("The modules recorded in the production database (--db or [Production] Database), "
                                  "newest first: plain columns, with --json an array of objects (the parameters as "
                                  "read back under the names read --json uses), with --csv a file a spreadsheet "
                                  "opens (on standard output, or --csv FILE)."));
    cl.parser.addOption({QStringLiteral("sn"),
                         QStringLiteral("only the modules with this serial number: MODEL-YYYY-MM-NNNNN (35-2026-12-00100, "
                                        "KTX525-2026-12-00100), or the sequence alone in every series"),
                         QStringLiteral("number")});
    cl.parser.addOption({QStringLiteral("limit"), QStringLiteral("at most this many records, newest first (default 100, 0: all)"),
                         QStringLiteral("n")});
    cl.parser.addOption({QStringLiteral("since"),
                         QStringLiteral("only records from this day (YYYY-MM-DD, local time) or this ISO date-time on"),
                         QStringLiteral("date")});
    cl.parser.addOption({QStringLiteral("station"), QStringLiteral("only the records of this station"),
                         QStringLiteral("name")});
    cl.parser.addOption({QStringLiteral("order"), QStringLiteral("only the records of this work order or lot"),
                         QStringLiteral("text")});
    cl.parser.addOption({QStringLiteral("failed"), QStringLiteral("only the modules that failed")});
    cl.parser.addOption({QStringLiteral("csv"), QStringLiteral("CSV on standard output, or into FILE (--csv FILE)")});
    QCommandLineOption csvFile(QStringLiteral("csv-file"), QString(), QStringLiteral("file"));
    csvFile.setFlags(QCommandLineOption::HiddenFromHelp);
    cl.parser.addOption(csvFile);
    // --csv takes a file when one follows it.
    QStringList own;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i].startsWith(QLatin1String("--csv="))) {
            own << QStringLiteral("--csv") << QStringLiteral("--csv-file") << args[i].mid(6);
        } else if (args[i] == QLatin1String("--csv") && i + 1 < args.size() && !args[i + 1].startsWith(QLatin1Char('-'))) {
            own << args[i] << QStringLiteral("--csv-file") << args[i + 1];
            ++i;
        } else {
            own << args[i];
        }
    }
    int exit = ExitOk;
    if (!cl.parse(own, &exit))
        return exit;
    if (!NeedsDatabase(c, QStringLiteral("history")))
        return ExitUsage;
    HistoryFilter filter;
    if (cl.isSet(QStringLiteral("sn")) && !ParseSerialNumber(cl.value(QStringLiteral("sn")), &filter)) {
        Error(QStringLiteral("--sn %1: give MODEL-YYYY-MM-NNNNN (35-2026-12-00100) or a sequence 0..%2")
                  .arg(cl.value(QStringLiteral("sn")))
                  .arg(ProductionStore::kMaxSequence));
        return ExitUsage;
    }
    filter.limit = 100;
    if (cl.isSet(QStringLiteral("limit")) && !cl.integer(QStringLiteral("limit"), 0, 100000000, &filter.limit))
        return ExitUsage;
    if (cl.isSet(QStringLiteral("since"))) {
        const QString v = cl.value(QStringLiteral("since"));
        const QDate day = QDate::fromString(v, Qt::ISODate);
        filter.since = v.size() == 10 && day.isValid() ? day.startOfDay() : QDateTime::fromString(v, Qt::ISODateWithMs);
        if (!filter.since.isValid()) {
            Error(QStringLiteral("--since %1: give a day (2026-12-01) or an ISO date-time (2026-12-01T08:00)").arg(v));
            return ExitUsage;
        }
    }
    // --station is taken out with the global options: given, it is the filter here.
    if (c.stationGiven)
        filter.station = c.station;
    filter.failedOnly = cl.isSet(QStringLiteral("failed"));
    filter.workOrder = cl.value(QStringLiteral("order"));

    ProductionStore store(c.db, SpillPath(c));
    store.setStation(c.station);
    QString error;
    if (!store.open(&error))
        return DatabaseRefused(c, store.lastError());
    QList<ModuleRecord> records;
    if (!store.history(filter, &records, &error))
        return DatabaseRefused(c, store.lastError());

    if (cl.isSet(QStringLiteral("csv"))) {
        static const char* const kColumns[] = {
            "time",  "station",  "port",     "model",     "serial_number", "year",         "month",
            "result", "detail",  "baud",     "parity",    "family",        "firmware",     "band",
            "channel", "frequency", "air_rate", "serial_baud", "serial_parity", "protocol", "power_save",
            "radio_id", "work_order"};
        QStringList header;
        for (const char* key : kColumns)
            header << QLatin1String(key);
        QString text = Csv::Row(header);
        for (const ModuleRecord& r : records) {
            const QJsonObject o = HistoryJson(r, c.edition);
            QStringList fields;
            for (const char* key : kColumns)
                fields << Text(o.value(QLatin1String(key)));
            text += Csv::Row(fields);
        }
        const QString path = cl.value(QStringLiteral("csv-file"));
        if (path.isEmpty()) {
            std::fputs(text.toUtf8().constData(), stdout);
            std::fflush(stdout);
            return ExitOk;
        }
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text.toUtf8()) < 0) {
            Error(QStringLiteral("%1: %2").arg(path, f.errorString()));
            return ExitUsage;
        }
        return ExitOk;
    }
    if (c.json) {
        QJsonArray a;
        for (const ModuleRecord& r : records)
            a << HistoryJson(r, c.edition);
        std::fputs(QJsonDocument(a).toJson(QJsonDocument::Indented).constData(), stdout);
        std::fflush(stdout);
        return ExitOk;
    }
    if (records.isEmpty()) {
        Print(QStringLiteral("no records"));
        return ExitOk;
    }
    QList<QStringList> rows{{QStringLiteral("time"), QStringLiteral("station"), QStringLiteral("port"),
                             QStringLiteral("model"), QStringLiteral("serial_number"), QStringLiteral("year-month"),
                             QStringLiteral("result"), QStringLiteral("detail")}};
    for (const ModuleRecord& r : records) {
        const QJsonObject o = HistoryJson(r, c.edition);
        const QString made = o.value(QStringLiteral("year")).isDouble()
            ? QStringLiteral("%1-%2").arg(r.number.year).arg(Pad(r.number.month, 2))
            : QString();
        rows << QStringList{LocalTimeText(r.time), r.station, r.port,
                            Text(o.value(QStringLiteral("model"))), Text(o.value(QStringLiteral("serial_number"))), made,
                            Text(o.value(QStringLiteral("result"))), r.detail};
    }
    PrintColumns(rows);
    return ExitOk;
}

int Db(const Context& c, const QStringList& args)
{
    // "db --help" has no action word.
    const QString action = args.value(0).startsWith(QLatin1Char('-')) ? QString() : args.value(0);
    CommandLine cl(QStringLiteral("db ") + action,
                   QStringLiteral("db check | db init\nThe production database (--db or [Production] Database).\n"
                                  "check: which one, its schema version, the serial-number series (model, year, month, "
                                  "next number, numbers given back), the records (all, failed), the claims sent and never "
                                  "confirmed (the module may carry the number), numbers on more than one module, the "
                                  "records waiting in the spill file beside Config.ini (they go in now when the database "
                                  "takes them) and who holds a lock. Exit 1 when a number is on more than one module, 4 "
                                  "when the database cannot be reached, 5 when it refuses.\n"
                                  "init: makes or upgrades the tables, as the database's owner; stations and viewers "
                                  "need only rights on them."));
    int exit = ExitOk;
    if (!cl.parse(action.isEmpty() ? args : args.mid(1), &exit))
        return exit;
    if (action != QLatin1String("check") && action != QLatin1String("init")) {
        Error(QStringLiteral("db: give check or init (db --help)"));
        return ExitUsage;
    }
    if (!NeedsDatabase(c, QStringLiteral("db ") + action))
        return ExitUsage;
    ProductionStore store(c.db, SpillPath(c));
    store.setStation(c.station);
    QString error;
    if (action == QLatin1String("init")) {
        if (!store.initialize(&error))
            return DatabaseRefused(c, store.lastError());
        Print(QStringLiteral("%1: schema version %2").arg(c.db.text()).arg(ProductionStore::kSchemaVersion));
        return ExitOk;
    }
    StoreSummary s;
    if (!store.summary(&s, &error)) {
        const int waiting = store.spilledCount();
        if (waiting > 0)
            Error(QStringLiteral("%1 records wait in %2").arg(waiting).arg(SpillPath(c)));
        return DatabaseRefused(c, store.lastError());
    }
    auto modelOf = [&](const QString& code) {
        return Catalogue::RowText(Catalogue::ModelCodeToRow(code), c.edition.prefixStyle);
    };
    auto claimJson = [&](const ClaimInfo& i) {
        return QJsonObject{{QStringLiteral("serial_number"), Pad(i.claim.sequence, 5)},
                           {QStringLiteral("model_code"), i.claim.series.modelCode},
                           {QStringLiteral("year"), i.claim.series.year},
                           {QStringLiteral("month"), i.claim.series.month},
                           {QStringLiteral("station"), i.station},
                           {QStringLiteral("port"), i.port},
                           {QStringLiteral("time"), i.time.toString(Qt::ISODateWithMs)},
                           {QStringLiteral("claim"), i.claim.id}};
    };
    auto numberText = [&](const QString& model, int year, int month, int sequence) {
        return QStringLiteral("%1-%2-%3-%4").arg(model).arg(year).arg(Pad(month, 2), Pad(sequence, 5));
    };
    const int result = s.duplicates.isEmpty() ? ExitOk : ExitRefused;
    if (c.json) {
        QJsonObject o;
        o.insert(QStringLiteral("database"), s.database);
        o.insert(QStringLiteral("schema_version"), s.schemaVersion);
        QJsonArray series;
        for (const SeriesState& x : s.series)
            series << QJsonObject{{QStringLiteral("model"), modelOf(x.series.modelCode)},
                                  {QStringLiteral("model_code"), x.series.modelCode},
                                  {QStringLiteral("year"), x.series.year},
                                  {QStringLiteral("month"), x.series.month},
                                  {QStringLiteral("next"), x.nextSequence},
                                  {QStringLiteral("given_back"), x.givenBack}};
        o.insert(QStringLiteral("series"), series);
        o.insert(QStringLiteral("records"), s.records);
        o.insert(QStringLiteral("failed"), s.failed);
        QJsonArray unconfirmed, givenBack, duplicates, locks;
        for (const ClaimInfo& i : s.unconfirmed)
            unconfirmed << claimJson(i);
        for (const ClaimInfo& i : s.givenBack)
            givenBack << claimJson(i);
        for (const DuplicateNumber& d : s.duplicates)
            duplicates << QJsonObject{{QStringLiteral("serial_number"), Pad(d.number.sequence, 5)},
                                      {QStringLiteral("model_code"), d.number.modelCode},
                                      {QStringLiteral("year"), d.number.year},
                                      {QStringLiteral("month"), d.number.month},
                                      {QStringLiteral("claims"), d.claims}};
        for (const LockHolder& l : s.locks)
            locks << QJsonObject{{QStringLiteral("who"), l.who}, {QStringLiteral("state"), l.state},
                                 {QStringLiteral("held_ms"), double(l.heldMs)}};
        o.insert(QStringLiteral("unconfirmed"), unconfirmed);
        o.insert(QStringLiteral("given_back"), givenBack);
        o.insert(QStringLiteral("duplicates"), duplicates);
        o.insert(QStringLiteral("locks"), locks);
        o.insert(QStringLiteral("spilled"), s.spilled);
        o.insert(QStringLiteral("spill_file"), SpillPath(c));
        PrintJson(o);
        return result;
    }
    Print(QStringLiteral("database: %1").arg(s.database));
    Print(QStringLiteral("schema version: %1").arg(s.schemaVersion));
    if (s.series.isEmpty())
        Print(QStringLiteral("series: none"));
    for (const SeriesState& x : s.series)
        Print(QStringLiteral("series: model %1 (%2) %3-%4, next %5, %6 given back")
                  .arg(modelOf(x.series.modelCode), x.series.modelCode)
                  .arg(x.series.year)
                  .arg(Pad(x.series.month, 2), Pad(x.nextSequence, 5))
                  .arg(x.givenBack));
    Print(QStringLiteral("records: %1, %2 failed").arg(s.records).arg(s.failed));
    Print(QStringLiteral("sent, never confirmed (the module may carry the number): %1").arg(s.unconfirmed.size()));
    for (const ClaimInfo& i : s.unconfirmed)
        Print(QStringLiteral("  %1  station %2 %3  %4")
                  .arg(numberText(i.claim.series.modelCode, i.claim.series.year, i.claim.series.month, i.claim.sequence),
                       i.station, i.port, LocalTimeText(i.time)));
    Print(QStringLiteral("given back, to be handed out again: %1").arg(s.givenBack.size()));
    Print(QStringLiteral("on more than one module: %1").arg(s.duplicates.size()));
    for (const DuplicateNumber& d : s.duplicates)
        Print(QStringLiteral("  %1  %2 claims")
                  .arg(numberText(d.number.modelCode, d.number.year, d.number.month, d.number.sequence))
                  .arg(d.claims));
    Print(QStringLiteral("waiting in the spill file: %1 (%2)").arg(s.spilled).arg(SpillPath(c)));
    for (const LockHolder& l : s.locks)
        Print(QStringLiteral("lock held by %1 (%2) for %3 s").arg(l.who, l.state).arg(l.heldMs / 1000.0, 0, 'f', 1));
    return result;
}

} // namespace Cli
