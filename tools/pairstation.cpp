// One station of a pair test run without a person: the tool's real window, in its own
// process, on the port its Config.ini names, in the role given, for a given time. Two of these
// against two linked rfmod-emu modules are two copies of the tool testing a radio link.
//
//   rfmod-pairstation --dir DIR --role send|receive [--seconds N] [--data TEXT]
//                     [--timed MS] [--gap MS] [--sample-seconds S]
//
// Prints "sample t=.. cpu=.. rss=.." lines while it runs (CPU in % of one core since the last
// sample, resident memory in KiB) and, after the stop and a short wait for late frames, one
// line "counters sent=.. received=.. success=.. error=.. tx=.. rx=.. rate=..".
#include "support/FakeUi.h"
#include "support/ProcessStats.h"
#include "support/TestWindow.h"

#include "app/GlobleVar.h"
#include "app/Portset.h"
#include "app/Unit1.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QThread>

#include <sys/resource.h>
#include <cstdio>

namespace {




} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
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

    QDir::setCurrent(cli.value("dir"));
    FakeUi ui; // every question answered Yes, every box recorded
    TForm1 form;
    TfrmPortSet portSet(&form);
    form.frmPortSet = &portSet;
    portSet.FormCreate();
    for (const QString& m : ui.messages)
        std::fprintf(stderr, "box: %s\n", qPrintable(m));

    form.CheckBox2->setChecked(true);
    form.SpinEdit2->setValue(cli.value("gap").toInt());
    form.ShowPage(1);
    const bool send = cli.value("role") == QLatin1String("send");
    (send ? form.RadioButton15 : form.RadioButton16)->click();
    const int timed = cli.value("timed").toInt();
    if (send && timed > 0) {
        form.RadioButton2->click();
        form.SpinEdit1->setValue(timed);
    }
    form.Edit4->setText(cli.value("data"));
    form.SpeedButton17->click();

    QElapsedTimer run;
    run.start();
    const qint64 total = cli.value("seconds").toLongLong() * 1000;
    const qint64 every = qMax<qint64>(1, cli.value("sample-seconds").toLongLong()) * 1000;
    double lastCpu = ProcessStats::CpuSeconds();
    qint64 lastSample = 0;
    while (run.elapsed() < total) {
        TestWindow::pump(50);
        if (run.elapsed() - lastSample >= every) {
            const double cpu = ProcessStats::CpuSeconds();
            const qint64 now = run.elapsed();
            std::printf("sample t=%lld cpu=%.2f rss=%ld\n", now / 1000, 100.0 * (cpu - lastCpu) * 1000 / (now - lastSample),
                        ProcessStats::RssKiB());
            std::fflush(stdout);
            lastCpu = cpu;
            lastSample = now;
        }
    }
    form.SpeedButton18->click();
    TestWindow::pump(1500); // late frames still count after the stop
    std::printf("counters sent=%lld received=%lld success=%lld error=%lld tx=%lld rx=%lld rate=%s\n", form.SentCount,
                form.ReceivedCount, form.SuccessCount, form.ErrorCount, form.TxByteTotal, form.RxByteTotal,
                qPrintable(form.Edit9->text()));
    std::fflush(stdout);
    return 0;
}
