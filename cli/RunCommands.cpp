// program, pair, term: the commands that run until they are done or stopped.
#include "Cli.h"
#include "CommandLine.h"
#include "InterruptWatch.h"
#include "Production.h"

#include "core/config/SerialNumberStore.h"
#include "core/link/PortMapping.h"
#include "core/protocol/HexText.h"
#include "core/protocol/TextCodec.h"
#include "core/session/PairTest.h"
#include "core/session/Terminal.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Cli {

namespace {

// Ctrl+C (or SIGTERM) ends the run as its normal end does, with its summary.
void CatchInterrupt(const std::function<void()>& onStop, QObject* context)
{
    if (InterruptWatch* watch = InterruptWatch::Current())
        watch->onInterrupt(context, onStop);
}

// A path that exists and is no terminal: a FIFO, a file, a directory, /dev/null.
bool IsNoSerialDevice(const QString& path)
{
    struct stat st;
    const QByteArray p = QFile::encodeName(path);
    if (::stat(p.constData(), &st) != 0)
        return false;
    if (!S_ISCHR(st.st_mode))
        return true;
    // A device the system will not open for us (busy, no rights) is left to the workers.
    const int fd = ::open(p.constData(), O_RDWR | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    const bool terminal = ::isatty(fd);
    ::close(fd);
    return !terminal;
}

// A hex line as term --hex takes it: hex digits and spaces (a line end may be CR LF).
bool IsHexLine(const QByteArray& line)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f \r]*$"));
    return hex.match(QString::fromLatin1(line)).hasMatch();
}

} // namespace

int Program(const Context& c, const QStringList& args)
{
    CommandLine cl(QStringLiteral("program"),
                   QStringLiteral("The production loop on every --port: wait until a module answers (searching), write "
                                  "the profile, give it the next serial number (--sn-next), read back and verify, log "
                                  "one CSV line, wait until the module is taken away; then the next. Ends after "
                                  "--count modules a port, or on Ctrl+C, with a summary.\nWith a production database "
                                  "(--db or [Production] Database) the numbers come from it, and every module is "
                                  "recorded in it before it counts as done; a record the database cannot take waits "
                                  "in production-spill.jsonl beside Config.ini."));
    cl.parser.addOption({QStringLiteral("profile"), QStringLiteral("the profile to write"), QStringLiteral("file")});
    cl.parser.addOption({QStringLiteral("sn-next"), QStringLiteral("give each module the next serial number")});
    cl.parser.addOption({QStringLiteral("model"), QStringLiteral("model of the serial numbers"), QStringLiteral("m")});
    cl.parser.addOption({QStringLiteral("year"), QStringLiteral("year of the serial numbers"), QStringLiteral("y")});
    cl.parser.addOption({QStringLiteral("month"), QStringLiteral("month of the serial numbers"), QStringLiteral("m")});
    cl.parser.addOption({QStringLiteral("start"),
                         QStringLiteral("first number of a series new to the production database (default: "
                                        "Config.ini [SN] NO + 1)"),
                         QStringLiteral("n")});
    cl.parser.addOption({QStringLiteral("count"), QStringLiteral("modules a port, 0 until stopped"), QStringLiteral("n"),
                         QStringLiteral("0")});
    cl.parser.addOption({QStringLiteral("log"), QStringLiteral("CSV file, one line a module"), QStringLiteral("file")});
    cl.parser.addOption({QStringLiteral("order"), QStringLiteral("work order or lot, recorded with every module"),
                         QStringLiteral("text")});
    cl.parser.addOption({QStringLiteral("any-model"),
                         QStringLiteral("program modules whose model is not known (nothing is checked)")});
    cl.addSearchStepOption();
    int exit = ExitOk;
    if (!cl.parse(args, &exit))
        return exit;
    ProductionSetup setup;
    if (!cl.isSet(QStringLiteral("profile"))) {
        Error(QStringLiteral("program needs --profile"));
        return ExitUsage;
    }
    QString error;
    if (!Profiles::Read(cl.value(QStringLiteral("profile")), &setup.profile, &error)) {
        Error(error);
        return ExitUsage;
    }
    if (setup.profile.isEmpty()) {
        Error(QStringLiteral("program: %1 has no [Parameters] to write").arg(cl.value(QStringLiteral("profile"))));
        return ExitUsage;
    }
    setup.anyModel = cl.isSet(QStringLiteral("any-model"));
    setup.workOrder = cl.value(QStringLiteral("order")).trimmed();
    int stepMs = 0;
    if (!cl.integer(QStringLiteral("count"), 0, 1000000, &setup.count)
        || !cl.searchStepMs(&stepMs))
        return ExitUsage;
    setup.numbered = cl.isSet(QStringLiteral("sn-next"));
    setup.snModel = cl.value(QStringLiteral("model"));
    if (!setup.snModel.isEmpty() && Profiles::ModelRowOfName(setup.snModel) < 0) {
        Error(QStringLiteral("--model %1 is no model").arg(setup.snModel));
        return ExitUsage;
    }
    if (cl.isSet(QStringLiteral("year")) && (setup.snYear = SerialNumberYearOf(cl.value(QStringLiteral("year")))) < 0) {
        Error(QStringLiteral("--year %1: give 2000 to 2099").arg(cl.value(QStringLiteral("year"))));
        return ExitUsage;
    }
    if (cl.isSet(QStringLiteral("month")) && (setup.snMonth = SerialNumberMonthOf(cl.value(QStringLiteral("month")))) < 0) {
        Error(QStringLiteral("--month %1: give 1 to 12").arg(cl.value(QStringLiteral("month"))));
        return ExitUsage;
    }
    if (cl.isSet(QStringLiteral("start"))) {
        if (!c.db.isSet()) {
            Error(QStringLiteral("--start needs a production database (--db)"));
            return ExitUsage;
        }
        if (!cl.integer(QStringLiteral("start"), 0, ProductionStore::kMaxSequence, &setup.first))
            return ExitUsage;
    }
    ProductionLog log;
    if (cl.isSet(QStringLiteral("log")) && !log.open(cl.value(QStringLiteral("log")), &error)) {
        Error(error);
        return ExitUsage;
    }
    // Reached before any module is touched: without it no number is taken and nothing recorded.
    std::unique_ptr<ProductionStore> db;
    if (c.db.isSet()) {
        db = std::make_unique<ProductionStore>(c.db, SpillPath(c));
        db->setStation(c.station);
        if (!db->open(&error))
            return DatabaseRefused(c, db->lastError());
    }

    // A device that is gone may come back and is waited for; one that is there and is no
    // serial device never will be.
    for (int port : c.ports) {
        const PortMapping::Target target = PortMapping::Lookup(port);
        if (target.kind == PortMapping::Kind::Device && IsNoSerialDevice(target.device)) {
            Error(QStringLiteral("%1 cannot be opened: no serial device").arg(PortMapping::Describe(port, target)));
            return ExitPort;
        }
    }

    setup.edition = c.edition;
    setup.line = c.line.line();
    setup.timeoutMs = c.timeoutMs;
    setup.gapMs = c.gapMs;
    setup.searchStepMs = stepMs;
    setup.configPath = c.configPath;
    setup.station = c.station;
    setup.spillPath = SpillPath(c);
    const std::unique_ptr<SerialNumberPool> pool = db ? SerialNumberPools::OfStore(db.get())
                                                      : SerialNumberPools::OfConfig(c.configPath);
    // Found out before the first module: a number that cannot be recorded is never written.
    if (setup.numbered && !db && !SerialNumberStore(c.configPath).checkWritable(&error)) {
        Error(QStringLiteral("serial numbers cannot be recorded: %1").arg(error));
        return ExitRefused;
    }
    QList<ProductionJig*> workers;
    QObject owner;
    for (int port : c.ports) {
        workers << new ProductionJig(setup, port, pool.get(), db.get(), &log, &owner);
        if (c.trace)
            QObject::connect(workers.last(), &ProductionJig::portOpened, &owner,
                             [port](ModuleSession* s) { Trace(*s, port); });
    }
    ProgressBoard board(workers);
    QEventLoop loop;
    auto allDone = [&] {
        for (ProductionJig* w : workers)
            if (!w->isFinished())
                return false;
        return true;
    };
    for (ProductionJig* w : workers)
        QObject::connect(w, &ProductionJig::finished, &loop, [&] {
            if (allDone())
                loop.quit();
        });
    CatchInterrupt([&] {
        for (ProductionJig* w : workers)
            w->stop();
    }, &owner);
    for (ProductionJig* w : workers)
        w->start();
    board.draw();
    loop.exec();

    int ok = 0, failed = 0;
    ProductionJig::Times t;
    for (ProductionJig* w : workers) {
        ok += w->programmed();
        failed += w->failed();
        t.search += w->times().search;
        t.write += w->times().write;
        t.verify += w->times().verify;
        t.removal += w->times().removal;
        t.answers += w->times().answers;
    }
    std::fprintf(stderr, "programmed %d, failed %d; time in search %.1f s, writing %.1f s, verifying %.1f s, "
                         "waiting for removal %.1f s; %d answers, %.1f s of it quiet frame gaps\n",
                 ok, failed, t.search / 1000.0, t.write / 1000.0, t.verify / 1000.0, t.removal / 1000.0, t.answers,
                 t.answers * c.gapMs / 1000.0);
    // Records that waited for the database go in now if it is back; else they wait for the next run.
    if (db && db->spilledCount() > 0)
        db->open(&error);
    const int waiting = db ? db->spilledCount() : 0;
    if (waiting > 0)
        Error(QStringLiteral("%1 records wait in %2 for the production database %3: the next run or db check commits them")
                  .arg(waiting)
                  .arg(SpillPath(c), c.db.text()));
    if (c.json) {
        QJsonObject o;
        o.insert(QStringLiteral("programmed"), ok);
        o.insert(QStringLiteral("failed"), failed);
        o.insert(QStringLiteral("search_ms"), double(t.search));
        o.insert(QStringLiteral("write_ms"), double(t.write));
        o.insert(QStringLiteral("verify_ms"), double(t.verify));
        o.insert(QStringLiteral("removal_ms"), double(t.removal));
        o.insert(QStringLiteral("answers"), t.answers);
        PrintJson(o);
    }
    if (waiting > 0)
        return ExitWaiting;
    return failed ? ExitRefused : ExitOk;
}

int Pair(const Context& c, const QStringList& args)
{
    CommandLine cl(QStringLiteral("pair"),
                   QStringLiteral("One station of the pair transmission test. The main-send side sends a block and "
                                  "judges what comes back; the main-receive side judges what arrives and sends it back."));
    cl.parser.addOption({QStringLiteral("role"), QStringLiteral("send or receive"), QStringLiteral("role")});
    cl.parser.addOption({QStringLiteral("seconds"), QStringLiteral("how long (default 10)"), QStringLiteral("s"),
                         QStringLiteral("10")});
    cl.parser.addOption({QStringLiteral("data"), QStringLiteral("the test block (default 0123456789ABCDEF)"),
                         QStringLiteral("text"), QStringLiteral("0123456789ABCDEF")});
    cl.parser.addOption({QStringLiteral("hex"), QStringLiteral("--data is hex text")});
    cl.parser.addOption({QStringLiteral("timed"), QStringLiteral("send every MS instead of after each return"),
                         QStringLiteral("ms"), QStringLiteral("0")});
    cl.parser.addOption({QStringLiteral("report"), QStringLiteral("print the counters every S seconds"),
                         QStringLiteral("s"), QStringLiteral("0")});
    cl.parser.addOption({QStringLiteral("turnaround"), QStringLiteral("RX/TX turn-round pause (default 20)"),
                         QStringLiteral("ms"), QStringLiteral("20")});
    int exit = ExitOk, seconds = 0, timed = 0, report = 0, turnaround = 0;
    if (!cl.parse(args, &exit))
        return exit;
    const QString role = cl.value(QStringLiteral("role"));
    if (role != QLatin1String("send") && role != QLatin1String("receive")) {
        Error(QStringLiteral("pair: --role send or --role receive"));
        return ExitUsage;
    }
    if (!cl.integer(QStringLiteral("seconds"), 1, 30 * 24 * 3600, &seconds)
        || !cl.integer(QStringLiteral("timed"), 0, 10000, &timed) || !cl.integer(QStringLiteral("report"), 0, 86400, &report)
        || !cl.integer(QStringLiteral("turnaround"), 0, 10000, &turnaround))
        return ExitUsage;
    if (timed > 0 && timed < 100) {
        Error(QStringLiteral("--timed %1: 100 to 10000 ms").arg(timed));
        return ExitUsage;
    }
    const QString dataText = cl.value(QStringLiteral("data"));
    if (cl.isSet(QStringLiteral("hex")) && !QRegularExpression(QStringLiteral("^[0-9A-Fa-f ]+$")).match(dataText).hasMatch()) {
        Error(QStringLiteral("--data %1: not hex text").arg(dataText));
        return ExitUsage;
    }
    const QByteArray data =
        cl.isSet(QStringLiteral("hex")) ? HexText::HexTextToBytes(dataText) : TextCodec::TextToBytes(dataText);
    if (data.isEmpty()) {
        Error(QStringLiteral("--data is empty"));
        return ExitUsage;
    }

    // Declared before the client: the session's connections below reach it to the end.
    bool lost = false;
    auto client = Open(c, c.ports.value(0));
    if (!client)
        return ExitPort;
    ModuleSession& s = client->session();
    PairTest pair(s);
    const bool send = role == QLatin1String("send");
    pair.setRole(send ? PairRole::MainSend : PairRole::MainReceive);
    pair.setTimedSending(send && timed > 0);
    if (timed > 0)
        pair.setTimedPeriod(timed);
    pair.setTurnaround(turnaround);
    QObject::connect(&s, &ModuleSession::portLost, [&] { lost = true; });

    auto counters = [&] {
        const PairCounters& k = pair.counters();
        const QString rate = pair.successRate();
        if (c.json) {
            QJsonObject o;
            o.insert(QStringLiteral("sent"), double(k.sent));
            o.insert(QStringLiteral("received"), double(k.received));
            o.insert(QStringLiteral("success"), double(k.success));
            o.insert(QStringLiteral("error"), double(k.error));
            o.insert(QStringLiteral("tx_bytes"), double(k.txBytes));
            o.insert(QStringLiteral("rx_bytes"), double(k.rxBytes));
            o.insert(QStringLiteral("success_rate"), rate);
            PrintJson(o);
        } else {
            Print(QStringLiteral("counters sent=%1 received=%2 success=%3 error=%4 tx=%5 rx=%6 rate=%7")
                      .arg(k.sent).arg(k.received).arg(k.success).arg(k.error).arg(k.txBytes).arg(k.rxBytes)
                      .arg(rate.isEmpty() ? QStringLiteral("0") : rate));
        }
    };

    pair.resetForStart();
    if (send) {
        if (!pair.startSending(data)) {
            Error(QStringLiteral("the first block could not be sent"));
            return ExitPort;
        }
    } else {
        pair.startReceiving();
    }
    QEventLoop loop;
    QObject owner;
    QTimer reporter;
    QObject::connect(&reporter, &QTimer::timeout, counters);
    if (report > 0)
        reporter.start(report * 1000);
    bool stopping = false;
    auto finish = [&] {
        if (stopping)
            return;
        stopping = true;
        reporter.stop();
        pair.stop();
        // Late frames still count after the stop.
        QTimer::singleShot(1500, &loop, &QEventLoop::quit);
    };
    QTimer::singleShot(seconds * 1000, &owner, finish);
    CatchInterrupt(finish, &owner);
    QObject::connect(&s, &ModuleSession::portLost, &loop, finish);
    loop.exec();
    counters();
    if (lost) {
        Error(QStringLiteral("port lost"));
        return ExitPort;
    }
    return ExitOk;
}

int Term(const Context& c, const QStringList& args)
{
    CommandLine cl(QStringLiteral("term"),
                   QStringLiteral("The data terminal for pipes and scripts: standard input goes to the module, what the "
                                  "module delivers goes to standard output. Ends at the end of the input (after waiting "
                                  "--linger ms for answers) or on Ctrl+C."));
    cl.parser.addOption({QStringLiteral("hex"), QStringLiteral("input lines are hex text; output blocks as hex lines")});
    cl.parser.addOption({QStringLiteral("timestamps"), QStringLiteral("each received block after its time")});
    cl.parser.addOption({QStringLiteral("linger"), QStringLiteral("wait after the input ends (default 1000)"),
                         QStringLiteral("ms"), QStringLiteral("1000")});
    int exit = ExitOk, linger = 0;
    if (!cl.parse(args, &exit))
        return exit;
    if (!cl.integer(QStringLiteral("linger"), 0, 3600000, &linger))
        return ExitUsage;
    const bool hex = cl.isSet(QStringLiteral("hex"));
    const bool stamps = cl.isSet(QStringLiteral("timestamps"));

    auto client = Open(c, c.ports.value(0));
    if (!client)
        return ExitPort;
    ModuleSession& s = client->session();
    Terminal term(s);
    term.setShowAsText(!hex);
    term.setReceiving(true);
    QObject::connect(&term, &Terminal::blockReceived, [&](const QByteArray& block) {
        if (stamps)
            std::fprintf(stdout, "%s ", qPrintable(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz"))));
        if (hex)
            std::fprintf(stdout, "%s\n", qPrintable(HexText::BytesToHexText(block, false)));
        else
            std::fwrite(block.constData(), 1, size_t(block.size()), stdout);
        if (stamps && !hex)
            std::fputc('\n', stdout);
        std::fflush(stdout);
    });

    QEventLoop loop;
    QObject owner;
    bool lost = false, refused = false;
    QObject::connect(&s, &ModuleSession::portLost, &loop, [&] {
        lost = true;
        loop.quit();
    });
    QByteArray pending; // a hex line not finished yet
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    auto sendBytes = [&](const QByteArray& bytes) {
        if (!bytes.isEmpty() && term.send(bytes) != LinkStatus::Ok)
            refused = true;
    };
    // Text that is not hex is refused, not sent as zero bytes: the run ends there.
    QByteArray notHex;
    auto hexLines = [&](const QByteArray& lines) {
        for (const QByteArray& line : lines.split('\n'))
            if (!IsHexLine(line)) {
                notHex = line;
                input.setEnabled(false);
                loop.quit();
                return false;
            }
        return true;
    };
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buf[4096];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            input.setEnabled(false);
            if (hex && !hexLines(pending))
                return;
            if (hex)
                sendBytes(HexText::HexTextToBytes(QString::fromLatin1(pending).remove(QLatin1Char('\r'))));
            QTimer::singleShot(linger, &loop, &QEventLoop::quit);
            return;
        }
        if (!hex) {
            sendBytes(QByteArray(buf, int(n)));
            return;
        }
        pending.append(buf, int(n));
        const int end = int(pending.lastIndexOf('\n'));
        if (end >= 0) {
            if (!hexLines(pending.left(end)))
                return;
            sendBytes(HexText::HexTextToBytes(QString::fromLatin1(pending.left(end))
                                                  .replace(QLatin1Char('\n'), QLatin1Char(' '))
                                                  .remove(QLatin1Char('\r'))));
            pending.remove(0, end + 1);
        }
    });
    CatchInterrupt([&] { loop.quit(); }, &owner);
    loop.exec();
    if (!notHex.isNull()) {
        Error(QStringLiteral("%1: not hex text").arg(QString::fromLatin1(notHex).trimmed()));
        return ExitUsage;
    }
    if (lost) {
        Error(QStringLiteral("port lost"));
        return ExitPort;
    }
    return refused ? ExitPort : ExitOk;
}

} // namespace Cli
