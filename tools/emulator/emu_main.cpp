// rfmod-emu: serves one emulated module on a Linux pseudo-terminal, so the tool (or any
// serial program) can open the printed slave path like a real serial port.
//
//   rfmod-emu [OPTIONS-TEXT] [--link PATH] [--air-listen PORT --air-peer PORT] [--verbose]
//             [--jig N [--jig-gap MS] [--jig-faulty K,L,...] [--jig-pull K,L,...] [--jig-bad-gap MS]]
//             [--jig-record FILE]
//
// --jig plays a production jig: N modules, all made from the settings, are put on the line
// one after another. A module is taken off once it has answered a read-all that came after a
// write (the read-back that ends its programming); the next is put on --jig-gap ms later.
// Modules named by --jig-faulty acknowledge writes but keep their values. Modules named by
// --jig-pull are taken off in the middle of their programming, once their first write has
// been answered; after either the jig stays empty for --jig-bad-gap ms (default --jig-gap),
// long enough for the PC to see the bad module gone. --jig-record appends a line for every
// module that leaves the jig, and for the one on it at the end: "INDEX MODEL YEAR MONTH
// SEQUENCE" (e.g. "3 35 26 12 00104"), the serial number it really carries, so a test can
// hold the production record against it.
//
// The PC's line settings are read from the master side with tcgetattr on every read.
// Measured on this machine (Linux 6.x pty driver, also through QSerialPort):
//   - the baud rate set on the slave is seen unchanged on the master;
//   - PARENB is always cleared and CSIZE is forced to CS8, so even parity looks exactly
//     like none, and 7 data bits look like 8;
//   - PARODD survives, so odd parity is seen; CMSPAR (mark/space) and CSTOPB survive too;
//   - QSerialPort::setParity(NoParity) clears only PARENB: after odd, "none" still shows
//     PARODD and is taken for odd here. Setting the port to even (or reopening it, since
//     QSerialPort restores the saved settings on close) clears it.
// So "none" and "even" match each other, odd is detected by PARODD, two stop bits by CSTOPB.
//
// The air link between two programs is UDP on 127.0.0.1: each datagram is "RFA1", the
// channel byte, the air-rate code byte, the arrival time (CLOCK_MONOTONIC ms, 8 bytes
// big-endian; the clock is the same for every process) and the data.
#include "tools/emulator/ModuleEmulator.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QUdpSocket>
#include <QtEndian>

#include <cerrno>
#include <memory>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile sig_atomic_t g_stop = 0;

void onSignal(int) { g_stop = 1; }

qint64 monotonicMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int speedToBaud(speed_t s)
{
    switch (s) {
    case B300: return 300;
    case B600: return 600;
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return 0;
    }
}

speed_t baudToSpeed(int baud)
{
    switch (baud) {
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    default: return B9600;
    }
}

// The PC's line settings as far as the master side shows them (see the top of the file).
SerialLine pcLineFromMaster(const termios& t, char moduleParity)
{
    SerialLine l;
    l.baud = speedToBaud(cfgetospeed(&t));
    l.dataBits = 8;
    l.stopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
    if (t.c_cflag & CMSPAR)
        l.parity = (t.c_cflag & PARODD) ? 'M' : 'S';
    else if (t.c_cflag & PARODD)
        l.parity = 'O';
    else // none or even: indistinguishable, take whichever the module uses
        l.parity = (moduleParity == 'E' || moduleParity == 'N') ? moduleParity : 'N';
    return l;
}

void usage()
{
    std::fprintf(stderr,
                 "usage: rfmod-emu [SETTINGS] [--link PATH] [--air-listen PORT --air-peer PORT] [--verbose]\n"
                 "                 [--jig N [--jig-gap MS] [--jig-faulty K,L,...] [--jig-pull K,L,...] [--jig-bad-gap MS]]\n"
                 "                 [--jig-record FILE]\n"
                 "  SETTINGS  e.g. model=35,band=433,baud=9600,parity=none,channel=1,air=9600,id=1\n"
                 "  prints the pseudo-terminal slave path on stdout; SIGTERM or SIGINT end it\n");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString optionText;
    QString linkPath;
    int airListen = 0, airPeer = 0;
    int jigModules = 0, jigGapMs = 1500, jigBadGapMs = -1;
    QList<int> jigFaulty, jigPull;
    QString recordPath;
    bool verbose = false;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto next = [&](QString* out) {
            if (i + 1 >= args.size())
                return false;
            *out = args[++i];
            return true;
        };
        QString v;
        bool okNum = true;
        if (a == "--link") {
            if (!next(&linkPath))
                return usage(), 2;
        } else if (a == "--air-listen") {
            if (!next(&v) || (airListen = v.toInt(&okNum), !okNum) || airListen <= 0 || airListen > 65535)
                return usage(), 2;
        } else if (a == "--air-peer") {
            if (!next(&v) || (airPeer = v.toInt(&okNum), !okNum) || airPeer <= 0 || airPeer > 65535)
                return usage(), 2;
        } else if (a == "--jig") {
            if (!next(&v) || (jigModules = v.toInt(&okNum), !okNum) || jigModules <= 0)
                return usage(), 2;
        } else if (a == "--jig-gap") {
            if (!next(&v) || (jigGapMs = v.toInt(&okNum), !okNum) || jigGapMs < 0)
                return usage(), 2;
        } else if (a == "--jig-bad-gap") {
            if (!next(&v) || (jigBadGapMs = v.toInt(&okNum), !okNum) || jigBadGapMs < 0)
                return usage(), 2;
        } else if (a == "--jig-faulty" || a == "--jig-pull") {
            if (!next(&v))
                return usage(), 2;
            for (const QString& k : v.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                (a == "--jig-pull" ? jigPull : jigFaulty) << k.toInt(&okNum);
                if (!okNum)
                    return usage(), 2;
            }
        } else if (a == "--jig-record") {
            if (!next(&recordPath))
                return usage(), 2;
        } else if (a == "--verbose" || a == "-v") {
            verbose = true;
        } else if (a == "--help" || a == "-h") {
            usage();
            return 0;
        } else if (a.startsWith("--")) {
            std::fprintf(stderr, "rfmod-emu: unknown argument %s\n", qPrintable(a));
            return usage(), 2;
        } else {
            optionText += (optionText.isEmpty() ? "" : ",") + a;
        }
    }
    if ((airListen == 0) != (airPeer == 0)) {
        std::fprintf(stderr, "rfmod-emu: --air-listen and --air-peer go together\n");
        return 2;
    }

    ModuleEmulator::Options options;
    QString error;
    if (!ModuleEmulator::ParseOptions(optionText, &options, &error)) {
        std::fprintf(stderr, "rfmod-emu: %s\n", qPrintable(error));
        return 2;
    }
    // The module on the line; a jig puts one after another, with none between them.
    int jigIndex = 1;
    auto makeModule = [&](int index) {
        ModuleEmulator::Options o = options;
        o.ignoreWrites = o.ignoreWrites || jigFaulty.contains(index);
        return std::make_unique<ModuleEmulator>(o);
    };
    std::unique_ptr<ModuleEmulator> module = makeModule(jigIndex);
    ModuleEmulator& first = *module;

    FILE* record = nullptr;
    if (!recordPath.isEmpty() && !(record = std::fopen(recordPath.toLocal8Bit().constData(), "a"))) {
        std::perror("rfmod-emu: --jig-record");
        return 1;
    }
    // Flushed at once: the test reads it while the next module is on.
    auto recordLeaving = [&](const ModuleEmulator& m) {
        if (!record)
            return;
        const ModuleEmulator::Options& o = m.options();
        std::fprintf(record, "%d %02X %02d %02d %05d\n", jigIndex, o.model, o.snYear, o.snMonth, o.snSequence);
        std::fflush(record);
    };

    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("rfmod-emu: pseudo-terminal");
        return 1;
    }
    const char* slavePath = ptsname(master);
    if (!slavePath) {
        std::perror("rfmod-emu: ptsname");
        return 1;
    }
    const QByteArray slaveName(slavePath);
    // Holding the slave open ourselves keeps the master from hanging up when the PC side
    // closes, and keeps the line settings between the PC's opens.
    const int slave = open(slaveName.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0) {
        std::perror("rfmod-emu: open slave");
        return 1;
    }
    termios t;
    if (tcgetattr(slave, &t) == 0) {
        cfmakeraw(&t); // no echo, no line editing: the slave must pass bytes unchanged
        const SerialLine own = first.serialSettings();
        cfsetispeed(&t, baudToSpeed(own.baud));
        cfsetospeed(&t, baudToSpeed(own.baud));
        t.c_cflag |= CLOCAL | CREAD;
        if (own.parity == 'O')
            t.c_cflag |= PARODD;
        tcsetattr(slave, TCSANOW, &t);
    }

    if (!linkPath.isEmpty()) {
        const QByteArray lp = linkPath.toLocal8Bit();
        struct stat st;
        if (lstat(lp.constData(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                std::fprintf(stderr, "rfmod-emu: %s exists and is not a symbolic link\n", lp.constData());
                return 1;
            }
            unlink(lp.constData());
        }
        if (symlink(slaveName.constData(), lp.constData()) != 0) {
            std::perror("rfmod-emu: symlink");
            return 1;
        }
    }

    QUdpSocket udp;
    if (airListen) {
        if (!udp.bind(QHostAddress::LocalHost, quint16(airListen))) {
            std::fprintf(stderr, "rfmod-emu: cannot listen on UDP port %d: %s\n", airListen,
                         qPrintable(udp.errorString()));
            return 1;
        }
        first.setAirSink([&udp, airPeer](const AirFrame& f) {
            QByteArray dg("RFA1");
            dg.append(char(f.channel));
            dg.append(char(f.airRateCode));
            char when[8];
            qToBigEndian<qint64>(f.arrivalMs, when);
            dg.append(when, 8);
            dg.append(f.bytes);
            udp.writeDatagram(dg, QHostAddress::LocalHost, quint16(airPeer));
        });
    }

    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::printf("%s\n", slaveName.constData());
    std::fflush(stdout);

    QByteArray toPc; // taken from the emulator but not yet accepted by the pty
    const qint64 t0 = monotonicMs();
    bool sawWrite = false, programmed = false;
    qint64 nextModuleAt = -1;
    AirStats air;
    if (jigModules)
        std::fprintf(stderr, "jig: module 1 on\n");
    while (!g_stop) {
        qint64 now = monotonicMs();
        if (!module && nextModuleAt >= 0 && now >= nextModuleAt) {
            module = makeModule(jigIndex);
            nextModuleAt = -1;
            sawWrite = programmed = false;
            std::fprintf(stderr, "jig: module %d on\n", jigIndex);
        }
        int timeout = 20;
        const qint64 next = module ? module->nextEventMs() : -1;
        if (next >= 0)
            timeout = int(std::max<qint64>(0, std::min<qint64>(20, next - now)));
        pollfd fds[2];
        fds[0] = {master, short(POLLIN | (toPc.isEmpty() ? 0 : POLLOUT)), 0};
        int nfds = 1;
        if (airListen) {
            fds[1] = {int(udp.socketDescriptor()), POLLIN, 0};
            nfds = 2;
        }
        const int r = poll(fds, nfds, timeout);
        if (r < 0 && errno != EINTR) {
            std::perror("rfmod-emu: poll");
            break;
        }
        now = monotonicMs();
        if (r > 0 && (fds[0].revents & POLLIN)) {
            char buf[4096];
            const ssize_t n = read(master, buf, sizeof buf);
            if (n > 0 && module) {
                termios pcTerm;
                tcgetattr(master, &pcTerm);
                const SerialLine pc = pcLineFromMaster(pcTerm, module->serialSettings().parity);
                module->receiveFromPc(QByteArray(buf, int(n)), pc, now);
                if (verbose)
                    std::fprintf(stderr, "%8lld PC wrote %zd bytes at %d %d%c%d: %s\n", (long long)(now - t0), n, pc.baud,
                                 pc.dataBits, pc.parity, pc.stopBits, QByteArray(buf, int(n)).toHex(' ').toUpper().constData());
            }
        }
        if (airListen && r > 0 && (fds[1].revents & POLLIN)) {
            while (udp.hasPendingDatagrams()) {
                QByteArray dg(int(udp.pendingDatagramSize()), '\0');
                const qint64 got = udp.readDatagram(dg.data(), dg.size());
                if (got < 14 || !dg.startsWith("RFA1"))
                    continue;
                AirFrame f;
                f.channel = quint8(dg[4]);
                f.airRateCode = quint8(dg[5]);
                f.arrivalMs = std::max(qFromBigEndian<qint64>(dg.constData() + 6), now);
                f.bytes = dg.mid(14, int(got) - 14);
                if (module)
                    module->receiveFromAir(f);
            }
        }
        if (module)
            toPc += module->takeForPc(now);
        if (!toPc.isEmpty()) {
            const ssize_t w = write(master, toPc.constData(), size_t(toPc.size()));
            if (w > 0)
                toPc.remove(0, int(w));
            if (toPc.size() > 65536) // nobody reads the slave: keep only the newest bytes
                toPc.remove(0, toPc.size() - 65536);
        }
        if (!module)
            continue;
        const auto events = module->takeEvents();
        if (verbose)
            for (const auto& e : events)
                std::fprintf(stderr, "%8lld %s\n", (long long)(e.timeMs - t0), qPrintable(e.text));
        if (!jigModules)
            continue;
        for (const auto& e : events) {
            static const QStringList kWrites{"8001", "8003", "8005", "8009", "800A", "800C",
                                             "800E", "800F", "8013", "8016", "8017", "8019"};
            if (!e.text.startsWith(QLatin1String("request ")))
                continue;
            const QString code = e.text.section(QLatin1Char(' '), 2, 2);
            sawWrite = sawWrite || kWrites.contains(code);
            programmed = programmed || (sawWrite && code == QLatin1String("8015"));
        }
        // Off the jig once the read-back's answer has gone out (a pulled one: the first write's).
        if ((programmed || (sawWrite && jigPull.contains(jigIndex))) && toPc.isEmpty() && module->nextEventMs() < 0) {
            air += module->airStats();
            recordLeaving(*module);
            module.reset();
            std::fprintf(stderr, "jig: module %d %s\n", jigIndex, programmed ? "off" : "pulled");
            const bool bad = jigFaulty.contains(jigIndex) || jigPull.contains(jigIndex);
            if (++jigIndex <= jigModules)
                nextModuleAt = now + (bad && jigBadGapMs >= 0 ? jigBadGapMs : jigGapMs);
        }
    }

    // What this module's air side counted, for soak runs that check nothing went missing.
    if (module) {
        air += module->airStats();
        recordLeaving(*module);
    }
    if (record)
        std::fclose(record);
    std::fprintf(stderr, "air sent=%lld delivered=%lld dropped=%lld truncated=%lld corrupted=%lld unheard=%lld lostbytes=%lld\n",
                 (long long)air.sent, (long long)air.delivered, (long long)air.dropped, (long long)air.truncated,
                 (long long)air.corrupted, (long long)air.unheard, (long long)air.lostBytes);

    if (!linkPath.isEmpty())
        unlink(linkPath.toLocal8Bit().constData());
    close(slave);
    close(master);
    return 0;
}
