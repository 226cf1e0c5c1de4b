// One station of a pair test run without a person: the module session in its own process,
// on the port its Config.ini names, in the role given, for a given time. Two of these
// against two linked rfmod-emu modules are two copies of the tool testing a radio link.
//
//   rfmod-pairstation --dir DIR --role send|receive [--seconds N] [--data TEXT]
//                     [--timed MS] [--gap MS] [--sample-seconds S]
//
// Prints "sample t=.. cpu=.. rss=.." lines while it runs (CPU in % of one core since the last
// sample, resident memory in KiB) and, after the stop and a short wait for late frames, one
// line "counters sent=.. received=.. success=.. error=.. tx=.. rx=.. rate=..".
#include "core/config/ConfigFile.h"
#include "core/config/ToolConfig.h"
#include "core/protocol/TextCodec.h"
#include "core/session/ModuleSession.h"
#include "core/session/PairTest.h"
#include "tests/support/ProcessStats.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser cli;
    cli.addHelpOption();
    cli.addOption({"dir", "working directory holding Config.ini", "dir"});
    cli.addOption({"role", "send or receive", "role", "send"});
    cli.addOption({"seconds", "how long the test runs", "s", "10"});
    cli.addOption({"data", "test data (ASCII)", "text", "0123456789ABCDEF"});
    cli.addOption({"timed", "timed sending every MS instead of send after return", "ms", "0"});
    cli.addOption({"gap", "fixed frame gap in ms", "ms", "60"});
    cli.addOption({"sample-seconds", "seconds between resource samples", "s", "60"});
    cli.process(app);

    ConfigFile::setDirectory(cli.value("dir"));
    const QString config = ConfigFile::path();
    const ToolConfig::Com com = ToolConfig::ReadCom(config);
    ModuleSession session(ToolConfig::ReadVer(config).edition());
    const SerialSettings line{ToolConfig::BaudOfRow(com.rate), ToolConfig::ParityOfRow(com.verify)};
    if (session.openPort(com.port + 1, line.line()) != LinkStatus::Ok) {
        std::fprintf(stderr, "COM%d could not be opened\n", com.port + 1);
        return 4;
    }
    session.setFrameGapOption(true, cli.value("gap").toInt());

    PairTest pair(session);
    const bool send = cli.value("role") == QLatin1String("send");
    pair.setRole(send ? PairRole::MainSend : PairRole::MainReceive);
    const int timed = cli.value("timed").toInt();
    pair.setTimedSending(send && timed > 0);
    if (timed > 0)
        pair.setTimedPeriod(timed);
    pair.resetForStart();
    if (send)
        pair.startSending(TextCodec::TextToBytes(cli.value("data")));
    else
        pair.startReceiving();

    const qint64 total = cli.value("seconds").toLongLong() * 1000;
    const qint64 every = qMax<qint64>(1, cli.value("sample-seconds").toLongLong()) * 1000;
    QElapsedTimer run;
    run.start();
    double lastCpu = ProcessStats::CpuSeconds();
    qint64 lastSample = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const qint64 now = run.elapsed();
        const double cpu = ProcessStats::CpuSeconds();
        std::printf("sample t=%lld cpu=%.2f rss=%ld\n", now / 1000, 100.0 * (cpu - lastCpu) * 1000 / (now - lastSample),
                    ProcessStats::RssKiB());
        std::fflush(stdout);
        lastCpu = cpu;
        lastSample = now;
    });
    sampler.start(int(every));
    QTimer::singleShot(int(total), [&] {
        sampler.stop();
        pair.stop();
        // late frames still count after the stop
        QTimer::singleShot(1500, &app, &QCoreApplication::quit);
    });
    app.exec();

    const PairCounters& c = pair.counters();
    const QString rate = pair.successRate();
    std::printf("counters sent=%lld received=%lld success=%lld error=%lld tx=%lld rx=%lld rate=%s\n", c.sent, c.received,
                c.success, c.error, c.txBytes, c.rxBytes, rate.isEmpty() ? "0" : qPrintable(rate));
    std::fflush(stdout);
    return 0;
}
