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

int Unreachable(const Context& c, const QString& why)
{
    Error(QStringLiteral("the production database cannot be reached: %1")
              .arg((why.startsWith(c.db.text()) ? why : c.db.text() + QStringLiteral(": ") + why).simplified()));
    return ExitPort;
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
    o.insert(QStringLiteral("time"), r.time.toUTC().toString(Qt::ISODateWithMs));
    o.insert(QStringLiteral("station"), r.station);
    o.insert(QStringLiteral("port"), r.port);
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
    cl.parser.addOption({QStringLiteral("sn"), QStringLiteral("only the modules with this serial number (the sequence)"),
                         QStringLiteral("sequence")});
    cl.parser.addOption({QStringLiteral("since"),
                         QStringLiteral("only records from this day (YYYY-MM-DD, local time) or this ISO date-time on"),
                         QStringLiteral("date")});
    cl.parser.addOption({QStringLiteral("station"), QStringLiteral("only the records of this station"),
                         QStringLiteral("name")});
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
    if (cl.isSet(QStringLiteral("sn")) && !cl.integer(QStringLiteral("sn"), 0, ProductionStore::kMaxSequence, &filter.sequence))
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

    ProductionStore store(c.db, SpillPath(c));
    QString error;
    if (!store.open(&error))
        return Unreachable(c, error);
    QList<ModuleRecord> records;
    if (!store.history(filter, &records, &error))
        return Unreachable(c, error);

    if (cl.isSet(QStringLiteral("csv"))) {
        static const char* const kColumns[] = {
            "time",  "station",  "port",     "model",     "serial_number", "year",         "month",
            "result", "detail",  "baud",     "parity",    "family",        "firmware",     "band",
            "channel", "frequency", "air_rate", "serial_baud", "serial_parity", "protocol", "power_save",
            "radio_id"};
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
        rows << QStringList{r.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), r.station, r.port,
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
                   QStringLiteral("db check\nThe production database (--db or [Production] Database): which one, its "
                                  "schema version, the serial-number series (model, year, month, next number, numbers "
                                  "given back), the records (all, failed) and the records waiting in the spill file "
                                  "beside Config.ini, which go in now when the database takes them. Exit 4 when it "
                                  "cannot be reached."));
    int exit = ExitOk;
    if (!cl.parse(action.isEmpty() ? args : args.mid(1), &exit))
        return exit;
    if (action != QLatin1String("check")) {
        Error(QStringLiteral("db: give check (db --help)"));
        return ExitUsage;
    }
    if (!NeedsDatabase(c, QStringLiteral("db check")))
        return ExitUsage;
    ProductionStore store(c.db, SpillPath(c));
    StoreSummary s;
    QString error;
    if (!store.summary(&s, &error)) {
        const int waiting = store.spilledCount();
        if (waiting > 0)
            Error(QStringLiteral("%1 records wait in %2").arg(waiting).arg(SpillPath(c)));
        return Unreachable(c, error);
    }
    s.spilled = store.spilledCount(); // after the connection committed what it could
    auto modelOf = [&](const QString& code) {
        return Catalogue::RowText(Catalogue::ModelCodeToRow(code), c.edition.prefixStyle);
    };
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
        o.insert(QStringLiteral("spilled"), s.spilled);
        o.insert(QStringLiteral("spill_file"), SpillPath(c));
        PrintJson(o);
        return ExitOk;
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
    Print(QStringLiteral("waiting in the spill file: %1 (%2)").arg(s.spilled).arg(SpillPath(c)));
    return ExitOk;
}

} // namespace Cli
