// Throughput and resource use of the pair test and the data terminal over real pseudo-
// terminals: this program is the tool (its real window, message boxes answered by a stand-in),
// COM1 is an rfmod-emu module, and over the UDP air link a second rfmod-emu module whose PC
// side echoes every block. The modules run in their own processes, so the CPU time and memory
// measured here are the tool's.
//
//   pair_bench [--baud 38400] [--block 32] [--rate-seconds 20] [--soak-seconds 600]
//              [--period 100] [--emu PATH] [--soak-only] [--with-tools]
//
// Phases: (1) pair test, send after return, fastest fixed frame gap (60 ms), then the gap the
// tool works out itself; (2) terminal, a block sent as soon as the previous echo is shown;
// (3) timed pair test every `period` ms for `soak-seconds`, sampling CPU and resident memory;
// with --with-tools the frame monitor and the pair-test chart are open all the while.
#include "support/FakeUi.h"
#include "support/ProcessStats.h"
#include "support/Programs.h"
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
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>
#include <cstdio>
#include <memory>

namespace {

struct Window {
    FakeUi ui;
    std::unique_ptr<TForm1> form;
    TfrmPortSet* portSet = nullptr;
};

// Runs the event loop for `ms` as the running tool does: asleep until something is due. The
// tests' pump looks every millisecond, which would cost more than the tool itself.
void RunEventLoop(qint64 ms)
{
    QEventLoop loop;
    QTimer::singleShot(int(ms), &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser cli;
    cli.addHelpOption();
    cli.addOption({"baud", "serial and air rate", "n", "38400"});
    cli.addOption({"block", "pair-test block size in bytes", "n", "32"});
    cli.addOption({"term-block", "terminal block size in bytes", "n", "256"});
    cli.addOption({"rate-seconds", "length of each throughput phase", "s", "20"});
    cli.addOption({"soak-seconds", "length of the timed pair test", "s", "600"});
    cli.addOption({"period", "timed sending period in ms", "ms", "100"});
    cli.addOption({"soak-only", "only the timed pair test (phase 3)"});
    cli.addOption({"with-tools", "the frame monitor and the pair-test chart open during phase 3"});
    // The build puts benchmarks in bench/ and the emulator program one level up.
    const QString defaultEmu = qEnvironmentVariable("RFMOD_EMU", QCoreApplication::applicationDirPath() + "/../rfmod-emu");
    cli.addOption({"emu", "rfmod-emu program (default $RFMOD_EMU or ../rfmod-emu)", "path", defaultEmu});
    cli.process(app);
    const int baud = cli.value("baud").toInt();
    const int block = cli.value("block").toInt();
    const int termBlock = cli.value("term-block").toInt();
    const int rateMs = cli.value("rate-seconds").toInt() * 1000;
    const int soakMs = cli.value("soak-seconds").toInt() * 1000;
    const int period = cli.value("period").toInt();
    const QStringList rates{"600", "1200", "2400", "4800", "9600", "19200", "38400"};
    const int rateIndex = int(rates.indexOf(QString::number(baud)));
    if (rateIndex < 0) {
        std::fprintf(stderr, "baud rate %d is not offered by the port dialog\n", baud);
        return 2;
    }
    // 8 data bits, no parity, 1 stop bit: 10 bits on the wire per byte.
    const double lineBytesPerSec = baud / 10.0;

    const QString settings = QStringLiteral("model=35,band=433,baud=%1,air=%1,parity=none").arg(baud);
    Programs::Emulator near(QString(), {settings, "--air-listen", "47471", "--air-peer", "47472"}, cli.value("emu"));
    Programs::Emulator far(QString(), {settings + ",echo", "--air-listen", "47472", "--air-peer", "47471"}, cli.value("emu"));
    if (!near.started || !far.started) {
        std::fprintf(stderr, "rfmod-emu did not start\n");
        return 1;
    }

    QTemporaryDir dir;
    QFile ini(dir.filePath("Config.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write(QStringLiteral("[COM]\r\nPort=0\r\nRate=%1\r\nVerify=2\r\n[Ports]\r\nCOM1=%2\r\n")
                  .arg(rateIndex).arg(near.tty).toUtf8());
    ini.close();
    QDir::setCurrent(dir.path());

    Window w;
    GlobleVar::ResetAll();
    w.form = std::make_unique<TForm1>();
    TForm1* f = w.form.get();
    w.portSet = new TfrmPortSet(f);
    f->frmPortSet = w.portSet;
    w.portSet->FormCreate();
    if (!w.ui.messages.isEmpty()) {
        std::fprintf(stderr, "port: %s\n", qPrintable(w.ui.messages.join("; ")));
        return 1;
    }
    std::printf("line %d 8N1: limit %.0f bytes/s each way; tool on %s\n", baud, lineBytesPerSec,
                qPrintable(near.tty));

    QByteArray blockData;
    for (int i = 0; i < block; ++i)
        blockData.append(char('A' + i % 26));
    f->Edit4->setText(QString::fromLatin1(blockData));

    // (1) send after return
    auto pairRun = [&](bool fixedGap, const char* label) {
        f->CheckBox2->setChecked(fixedGap);
        f->SpinEdit2->setValue(60);
        f->RadioButton1->setChecked(true);
        f->SpeedButton17Click();
        QElapsedTimer t;
        t.start();
        TestWindow::pump(rateMs);
        f->SpeedButton18Click();
        const double s = t.elapsed() / 1000.0;
        TestWindow::pump(500);
        const PairCounters& c = f->Pair->counters();
        const double fps = c.received / s;
        const double bytesPerSec = (c.txBytes + c.rxBytes) / s;
        std::printf("pair test, send after return, %s (gap %d ms), %d-byte blocks: %lld sent, %lld back, "
                    "%lld good, %.2f frames/s, %.0f bytes/s both ways = %.1f%% of the line (%.0f B/s)\n",
                    label, f->Session->frameGap(), block, c.sent, c.received, c.success, fps, bytesPerSec,
                    100.0 * bytesPerSec / lineBytesPerSec, lineBytesPerSec);
    };
    const bool soakOnly = cli.isSet("soak-only");
    if (!soakOnly) {
        pairRun(true, "fixed frame gap");
        pairRun(false, "worked-out frame gap");
    }

    // (2) terminal
    if (!soakOnly) {
        QByteArray t;
        for (int i = 0; i < termBlock; ++i)
            t.append(char('a' + i % 26));
        f->Memo3->setPlainText(QString::fromLatin1(t));
        f->CheckBox2->setChecked(true);
        f->SpinEdit2->setValue(60);
        f->Memo4->clear();
        f->CheckBox3->setChecked(true);
        f->CheckBox3Click();
        qint64 bytesBack = 0;
        int blocks = 0;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < rateMs) {
            const int before = f->Memo4->blockCount() + (f->Memo4->toPlainText().isEmpty() ? -1 : 0);
            f->SpeedButton37Click();
            ++blocks;
            if (!TestWindow::waitFor([&] { return f->Memo4->blockCount() + (f->Memo4->toPlainText().isEmpty() ? -1 : 0) > before; },
                         5000))
                break;
            bytesBack += f->Memo4->document()->lastBlock().text().toLatin1().size();
        }
        const double s = clock.elapsed() / 1000.0;
        const double sentPerSec = blocks * double(termBlock) / s;
        const double backPerSec = bytesBack / s;
        std::printf("terminal, %d-byte blocks echoed: %d blocks, %.0f bytes/s out + %.0f bytes/s back = "
                    "%.1f%% of the line each way\n",
                    termBlock, blocks, sentPerSec, backPerSec, 100.0 * sentPerSec / lineBytesPerSec);
        f->CheckBox3->setChecked(false);
        f->CheckBox3Click();
    }

    // (3) timed sending, CPU and memory
    {
        f->RadioButton15->setChecked(true);
        f->RadioButton2->setChecked(true);
        f->RadioButton2Click();
        f->SpinEdit1->setValue(period);
        // The worked-out gap (over 300 ms for any block) is longer than the period, so the
        // echoes would run together and never be handed over: use the shortest fixed gap.
        f->CheckBox2->setChecked(true);
        f->SpinEdit2->setValue(60);
        f->Memo1->clear();
        f->Memo2->clear();
        if (cli.isSet("with-tools")) {
            f->N22Click();
            f->N25Click();
            f->PairRecord->setInterval(1000);
        }
        TestWindow::pump(2000);
        const long rss0 = ProcessStats::RssKiB();
        const double cpu0 = ProcessStats::CpuSeconds();
        QElapsedTimer clock;
        clock.start();
        f->SpeedButton17Click();
        long rssMax = rss0, rssHalf = -1;
        int maxMemo1 = 0, maxMemo2 = 0;
        while (clock.elapsed() < soakMs) {
            RunEventLoop(qMin<qint64>(5000, soakMs - clock.elapsed()));
            rssMax = qMax(rssMax, ProcessStats::RssKiB());
            maxMemo1 = qMax(maxMemo1, f->Memo1->blockCount());
            maxMemo2 = qMax(maxMemo2, f->Memo2->blockCount());
            if (rssHalf < 0 && clock.elapsed() >= soakMs / 2)
                rssHalf = ProcessStats::RssKiB();
        }
        f->SpeedButton18Click();
        const double s = clock.elapsed() / 1000.0;
        const double cpu = ProcessStats::CpuSeconds() - cpu0;
        const long rss1 = ProcessStats::RssKiB();
        const PairCounters& c = f->Pair->counters();
        std::printf("timed pair test every %d ms for %.0f s: %lld sent (%.2f/s), %lld back, %lld good, rate %s; "
                    "CPU %.2f s = %.1f%% of one core; RSS %ld kB at start, %ld kB half-way, "
                    "max %ld kB, %ld kB at end; memo lines at most %d / %d\n",
                    period, s, c.sent, c.sent / s, c.received, c.success,
                    qPrintable(f->Edit9->text()), cpu, 100.0 * cpu / s, rss0, rssHalf, rssMax, rss1,
                    maxMemo1, maxMemo2);
        // What the wrong frames were: lengths of the frames in the receive log.
        QMap<int, int> lengths;
        for (QTextBlock b = f->Memo2->document()->begin(); b.isValid(); b = b.next())
            ++lengths[int(b.text().toLatin1().size())];
        QStringList parts;
        for (auto it = lengths.cbegin(); it != lengths.cend(); ++it)
            parts << QStringLiteral("%1 bytes x%2").arg(it.key()).arg(it.value());
        std::printf("  received frame lengths in the log: %s\n", qPrintable(parts.join(", ")));
    }
    return 0;
}
