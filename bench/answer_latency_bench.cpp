// Event-driven reception against the 20 ms poll it replaced, both measured in one run:
//
//  1. Idle CPU. The real tool (rfmodtool, offscreen, COM1 a pseudo-terminal served by
//     rfmod-emu) and, at the same time, a baseline process that polls another rfmod-emu
//     pseudo-terminal every 20 ms as the old tool did (QSerialPort::waitForReadyRead(0) on a
//     QTimer) sit idle; their CPU time is the scheduler's count over all their threads.
//  2. Answer latency. From the moment the module emulator wrote an answer's last byte to the
//     pseudo-terminal to the session's `answered` signal, with a fixed frame gap of 60 ms and
//     of 333 ms (the configuration's default); the same for a 20 ms polling loop that hands a
//     block over once the line was quiet for longer than the gap. Rounds of the two alternate.
//
// The figures come last, as key=value lines; ratios are against the baseline of the same run.
//
//   answer_latency_bench [--idle-seconds 60] [--rounds 30] [--tool PATH] [--emu PATH]
//   answer_latency_bench --poll-baseline TTY   (the baseline process of step 1)
#include "core/config/ConfigFile.h"
#include "core/protocol/FrameAssembler.h"
#include "core/protocol/Frames.h"
#include "core/session/ModuleSession.h"
#include "support/Programs.h"
#include "tools/emulator/ModuleEmulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

qint64 MonotonicNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

qint64 MonotonicMs() { return MonotonicNs() / 1000000; }

// CPU nanoseconds of each thread of a process so far, from the scheduler.
QMap<QString, qint64> ThreadCpuNs(qint64 pid)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    QMap<QString, qint64> ns;
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (f.open(QIODevice::ReadOnly))
            ns[task] = f.readAll().split(' ').value(0).toLongLong();
    }
    return ns;
}

// CPU seconds the threads alive at the end used since `before`. A thread that ended in
// between takes its count with it (Qt's idle pool threads end after 30 s), and must not make
// the total go down.
double CpuSecondsSince(const QMap<QString, qint64>& before, const QMap<QString, qint64>& after)
{
    qint64 ns = 0;
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        ns += it.value() - before.value(it.key(), 0);
    return ns / 1e9;
}

// Runs the event loop for `ms`.
void RunFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `sender` emits `signal`, for `ms` at most.
template <typename Sender, typename Signal>
void RunUntil(int ms, const Sender* sender, Signal signal)
{
    QEventLoop loop;
    QObject::connect(sender, signal, &loop, &QEventLoop::quit);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A module emulator served on a pseudo-terminal from a thread of its own, as rfmod-emu serves
// one, noting when it wrote the last byte it had for the PC.
class PtyModule {
public:
    ~PtyModule()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
    }
    bool start()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return false;
        m_slavePath = QString::fromLocal8Bit(::ptsname(m_master));
        // Held open so the line settings stay and the master never hangs up.
        m_slave = ::open(m_slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        if (m_slave < 0 || ::tcgetattr(m_slave, &t) != 0)
            return false;
        cfmakeraw(&t);
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        t.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(m_slave, TCSANOW, &t);
        m_thread = std::thread([this] { run(); });
        return true;
    }
    QString slave() const { return m_slavePath; }
    qint64 lastByteNs() const { return m_lastByteNs; }

private:
    void run()
    {
        ModuleEmulator emu; // 9600 baud, no parity, the PC set alike
        QByteArray toPc;
        while (!m_stop) {
            qint64 now = MonotonicMs();
            const qint64 next = emu.nextEventMs();
            const int timeout = next < 0 ? 20 : int(qBound(qint64(1), next - now, qint64(20)));
            pollfd fd{m_master, short(POLLIN | (toPc.isEmpty() ? 0 : POLLOUT)), 0};
            const int r = ::poll(&fd, 1, timeout);
            now = MonotonicMs();
            if (r > 0 && (fd.revents & POLLIN)) {
                char buf[512];
                const ssize_t n = ::read(m_master, buf, sizeof buf);
                if (n > 0)
                    emu.receiveFromPc(QByteArray(buf, int(n)), emu.serialSettings(), now);
            }
            toPc += emu.takeForPc(now);
            if (!toPc.isEmpty()) {
                const ssize_t w = ::write(m_master, toPc.constData(), size_t(toPc.size()));
                if (w > 0)
                    toPc.remove(0, int(w));
                if (toPc.isEmpty())
                    m_lastByteNs = MonotonicNs();
            }
            emu.takeEvents();
        }
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_lastByteNs{0};
};

// Reception as the old tool did it: every 20 ms a look at the port that takes what the driver
// holds; bytes count as arrived at the look that found them, and a block is handed over at
// the first look after the line was quiet for longer than the gap.
class PollingReceiver : public QObject {
    Q_OBJECT
public:
    PollingReceiver(const QString& tty, int gapMs) : m_gap(gapMs)
    {
        m_port.setPortName(tty);
        connect(&m_timer, &QTimer::timeout, this, &PollingReceiver::look);
    }
    bool open()
    {
        if (!m_port.open(QIODevice::ReadWrite) || !m_port.setBaudRate(9600))
            return false;
        m_timer.start(20);
        return true;
    }
    void send(const QByteArray& frame)
    {
        m_port.write(frame);
        m_port.flush();
    }
    void setGap(int ms) { m_gap = ms; }

signals:
    void handedOver(const QByteArray& block);

private:
    void look()
    {
        m_port.waitForReadyRead(0);
        const qint64 now = MonotonicMs();
        m_rx.append(m_port.readAll(), now);
        if (m_rx.isComplete(now, m_gap))
            emit handedOver(m_rx.take());
    }

    QSerialPort m_port;
    QTimer m_timer;
    FrameAssembler m_rx;
    int m_gap;
};

struct Spread {
    double median = 0, p90 = 0, max = 0;
};

Spread SpreadOf(std::vector<double> v)
{
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[v.size() * 9 / 10], v.back()};
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser cli;
    cli.addHelpOption();
    cli.addOption({"idle-seconds", "length of the idle CPU measurement", "s", "60"});
    cli.addOption({"rounds", "answers timed per frame gap and receiver", "n", "30"});
    const QString buildDir = QCoreApplication::applicationDirPath() + QStringLiteral("/..");
    cli.addOption({"tool", "the tool (default ../rfmodtool)", "path", buildDir + QStringLiteral("/rfmodtool")});
    cli.addOption({"emu", "rfmod-emu (default $RFMOD_EMU or ../rfmod-emu)", "path",
                   qEnvironmentVariable("RFMOD_EMU", buildDir + QStringLiteral("/rfmod-emu"))});
    cli.addOption({"poll-baseline", "run as the polling baseline process on TTY", "tty"});
    cli.process(app);

    if (cli.isSet("poll-baseline")) {
        PollingReceiver baseline(cli.value("poll-baseline"), 333);
        if (!baseline.open())
            return 1;
        return app.exec();
    }
    const int idleSeconds = cli.value("idle-seconds").toInt();
    const int rounds = cli.value("rounds").toInt();

    // ---- 1. idle CPU ------------------------------------------------------------------------
    double toolPercent = 0, baselinePercent = 0;
    {
        const QStringList settings{QStringLiteral("baud=9600,parity=none")};
        Programs::Emulator toolModule(QString(), settings, cli.value("emu"));
        Programs::Emulator baselineModule(QString(), settings, cli.value("emu"));
        if (!toolModule.started || !baselineModule.started) {
            std::fprintf(stderr, "rfmod-emu did not start\n");
            return 1;
        }
        QTemporaryDir dir;
        QFile ini(dir.filePath(QStringLiteral("Config.ini")));
        ini.open(QIODevice::WriteOnly);
        ini.write(QStringLiteral("[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\n[Ports]\r\nCOM1=%1\r\n").arg(toolModule.tty).toUtf8());
        ini.close();
        QProcess tool, baseline;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        tool.setProcessEnvironment(env);
        tool.setWorkingDirectory(dir.path());
        tool.setStandardOutputFile(QProcess::nullDevice());
        tool.setStandardErrorFile(QProcess::nullDevice());
        tool.start(cli.value("tool"), {});
        baseline.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--poll-baseline"), baselineModule.tty});
        if (!tool.waitForStarted(5000) || !baseline.waitForStarted(5000)) {
            std::fprintf(stderr, "the tool or the baseline did not start\n");
            return 1;
        }
        QThread::sleep(5); // start-up is not idling
        if (tool.state() != QProcess::Running || baseline.state() != QProcess::Running) {
            std::fprintf(stderr, "the tool or the baseline ended early\n");
            return 1;
        }
        const auto tool0 = ThreadCpuNs(tool.processId());
        const auto base0 = ThreadCpuNs(baseline.processId());
        const qint64 t0 = MonotonicNs();
        QThread::sleep(idleSeconds);
        const double seconds = (MonotonicNs() - t0) / 1e9;
        toolPercent = 100 * CpuSecondsSince(tool0, ThreadCpuNs(tool.processId())) / seconds;
        baselinePercent = 100 * CpuSecondsSince(base0, ThreadCpuNs(baseline.processId())) / seconds;
        std::printf("idle %.0f s: tool %.4f %% of one core, 20 ms polling baseline %.4f %%\n", seconds, toolPercent,
                    baselinePercent);
        std::fflush(stdout);
        for (QProcess* p : {&tool, &baseline}) {
            p->terminate();
            if (!p->waitForFinished(3000))
                p->kill();
            p->waitForFinished(1000);
        }
    }

    // ---- 2. answer latency ------------------------------------------------------------------
    PtyModule sessionModule, baselineModule;
    if (!sessionModule.start() || !baselineModule.start()) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("Config.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write(QStringLiteral("[Ports]\r\nCOM1=%1\r\n").arg(sessionModule.slave()).toUtf8());
    ini.close();
    ConfigFile::setDirectory(dir.path());
    ModuleSession session(Edition{});
    if (session.openPort(1, LineSettings{9600}).status() != LinkStatus::Ok) {
        std::fprintf(stderr, "COM1 did not open\n");
        return 1;
    }
    PollingReceiver poller(baselineModule.slave(), 60);
    if (!poller.open()) {
        std::fprintf(stderr, "the polling receiver's port did not open\n");
        return 1;
    }
    const QByteArray request = Frames::BuildLongFrame(QStringLiteral("0000"), QStringLiteral("8004"), QStringLiteral("0000"));
    qint64 answeredNs = 0;
    QObject::connect(&session, &ModuleSession::answered, [&] { answeredNs = MonotonicNs(); });
    QObject::connect(&poller, &PollingReceiver::handedOver, [&] { answeredNs = MonotonicNs(); });

    struct Result {
        int gap;
        Spread session, baseline;
    };
    std::vector<Result> results;
    for (int gap : {60, 333}) {
        session.setFrameGapOption(true, gap);
        poller.setGap(gap);
        std::vector<double> sessionMs, baselineMs;
        for (int i = 0; i < 2 * rounds; ++i) {
            const bool bySession = i % 2 == 0;
            answeredNs = 0;
            if (bySession) {
                session.readAirRate();
                RunUntil(3000, &session, &ModuleSession::answered);
            } else {
                poller.send(request);
                RunUntil(3000, &poller, &PollingReceiver::handedOver);
            }
            if (answeredNs == 0) {
                std::fprintf(stderr, "no answer\n");
                return 1;
            }
            const qint64 lastByte = (bySession ? sessionModule : baselineModule).lastByteNs();
            (bySession ? sessionMs : baselineMs).push_back((answeredNs - lastByte) / 1e6);
            // Pauses of different lengths put the answers at every phase of the 20 ms poll.
            RunFor(30 + i * 7 % 20);
        }
        const Result r{gap, SpreadOf(sessionMs), SpreadOf(baselineMs)};
        std::printf("frame gap %3d ms, last byte to hand-over: session median %.1f ms, 90 %% %.1f, max %.1f; "
                    "20 ms polling median %.1f ms, 90 %% %.1f, max %.1f (%d rounds each)\n",
                    gap, r.session.median, r.session.p90, r.session.max, r.baseline.median, r.baseline.p90,
                    r.baseline.max, rounds);
        std::fflush(stdout);
        results.push_back(r);
    }
    session.link().close();
    ConfigFile::setDirectory(QString());

    // ---- the figures ------------------------------------------------------------------------
    // Latency figures are the time beyond the frame gap: the gap itself is the rule, not a cost.
    std::printf("idle_cpu_percent=%.4f baseline_percent=%.4f ratio=%.3f\n", toolPercent, baselinePercent,
                baselinePercent > 0 ? toolPercent / baselinePercent : 0.0);
    for (const Result& r : results)
        std::printf("gap_ms=%d over_gap_median_ms=%.1f over_gap_p90_ms=%.1f over_gap_max_ms=%.1f "
                    "baseline_over_gap_median_ms=%.1f baseline_over_gap_p90_ms=%.1f baseline_over_gap_max_ms=%.1f "
                    "median_ratio=%.3f\n",
                    r.gap, r.session.median - r.gap, r.session.p90 - r.gap, r.session.max - r.gap,
                    r.baseline.median - r.gap, r.baseline.p90 - r.gap, r.baseline.max - r.gap,
                    (r.session.median - r.gap) / qMax(0.1, r.baseline.median - r.gap));
    return 0;
}

#include "answer_latency_bench.moc"
