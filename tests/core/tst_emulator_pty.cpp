// The program rfmod-emu on a pseudo-terminal, opened like a serial port with plain termios.
#include <QtTest>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString emulatorPath() { return QString::fromLocal8Bit(qgetenv("RFMOD_EMU")); }

// Starts rfmod-emu and returns the slave path it prints, or an empty text.
QString startEmulator(QProcess& p, const QStringList& args)
{
    p.start(emulatorPath(), args);
    if (!p.waitForStarted(3000))
        return QString();
    for (int i = 0; i < 50 && !p.canReadLine(); ++i)
        p.waitForReadyRead(100);
    return QString::fromLocal8Bit(p.readLine()).trimmed();
}

int openPort(const QString& path, speed_t speed, bool parity, bool odd)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    termios t;
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    t.c_cflag &= ~(PARENB | PARODD | CSTOPB | CSIZE);
    t.c_cflag |= CS8 | CLOCAL | CREAD | (parity ? PARENB : 0) | (odd ? PARODD : 0);
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

// Reads until `expected` bytes came or `ms` passed.
QByteArray readFor(int fd, int ms, int expected)
{
    QByteArray got;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms && got.size() < expected) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) > 0) {
            char buf[256];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                got.append(buf, int(n));
        }
    }
    return got;
}

const QByteArray kReadAir = QByteArray::fromHex("5A5A00005A8004020000940D0A");

} // namespace

class TestEmulatorPty : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void answersOnlyAtItsSettings();
    void oddParityIsTold();
    void udpAirLinkBetweenPrograms();
    void badSettingsAreRefused();
};

void TestEmulatorPty::initTestCase()
{
    QVERIFY2(QFileInfo(emulatorPath()).isExecutable(), "RFMOD_EMU must name the built rfmod-emu");
}

void TestEmulatorPty::answersOnlyAtItsSettings()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyMODULE");
    QProcess emu;
    const QString slave = startEmulator(emu, {"baud=4800,channel=6", "--link", link});
    QVERIFY(slave.startsWith("/dev/"));
    QCOMPARE(QFileInfo(link).symLinkTarget(), slave);

    int fd = openPort(link, B4800, false, false);
    QVERIFY(fd >= 0);
    QVERIFY(::write(fd, kReadAir.constData(), kReadAir.size()) == kReadAir.size());
    QCOMPARE(readFor(fd, 1000, 13), QByteArray::fromHex("5A5A00005A0004020500190D0A"));
    ::close(fd);

    fd = openPort(link, B9600, false, false);
    QVERIFY(::write(fd, kReadAir.constData(), kReadAir.size()) == kReadAir.size());
    QCOMPARE(readFor(fd, 300, 1), QByteArray());
    ::close(fd);

    // Closing and reopening the port does not disturb the module.
    fd = openPort(slave, B4800, false, false);
    const QByteArray readChannel = QByteArray::fromHex("5A5A00005A8006020000960D0A");
    QVERIFY(::write(fd, readChannel.constData(), readChannel.size()) == readChannel.size());
    QCOMPARE(readFor(fd, 1000, 13), QByteArray::fromHex("5A5A00005A00060206001C0D0A"));
    ::close(fd);

    emu.terminate();
    QVERIFY(emu.waitForFinished(3000));
    QCOMPARE(emu.exitStatus(), QProcess::NormalExit);
    QCOMPARE(emu.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

void TestEmulatorPty::oddParityIsTold()
{
    QProcess emu;
    const QString slave = startEmulator(emu, {"parity=odd"});
    QVERIFY(!slave.isEmpty());
    int fd = openPort(slave, B9600, true, false); // even
    QVERIFY(::write(fd, kReadAir.constData(), kReadAir.size()) == kReadAir.size());
    QCOMPARE(readFor(fd, 300, 1), QByteArray());
    ::close(fd);
    fd = openPort(slave, B9600, true, true); // odd
    QVERIFY(::write(fd, kReadAir.constData(), kReadAir.size()) == kReadAir.size());
    QCOMPARE(readFor(fd, 1000, 13).size(), 13);
    ::close(fd);
    emu.terminate();
    QVERIFY(emu.waitForFinished(3000));
}

void TestEmulatorPty::udpAirLinkBetweenPrograms()
{
    // Two free UDP ports on the loopback.
    quint16 ports[2];
    {
        QUdpSocket s1, s2;
        QVERIFY(s1.bind(QHostAddress::LocalHost, 0));
        QVERIFY(s2.bind(QHostAddress::LocalHost, 0));
        ports[0] = s1.localPort();
        ports[1] = s2.localPort();
    }
    QProcess a, b;
    const QString slaveA = startEmulator(a, {"id=1", "--air-listen", QString::number(ports[0]), "--air-peer",
                                             QString::number(ports[1])});
    const QString slaveB = startEmulator(b, {"id=2", "--air-listen", QString::number(ports[1]), "--air-peer",
                                             QString::number(ports[0])});
    QVERIFY(!slaveA.isEmpty() && !slaveB.isEmpty());
    const int fa = openPort(slaveA, B9600, false, false);
    const int fb = openPort(slaveB, B9600, false, false);
    const QByteArray data = "pair test block 0123456789";
    QVERIFY(::write(fa, data.constData(), data.size()) == data.size());
    QCOMPARE(readFor(fb, 1500, data.size()), data);
    QVERIFY(::write(fb, "back", 4) == 4);
    QCOMPARE(readFor(fa, 1500, 4), QByteArray("back"));
    ::close(fa);
    ::close(fb);
    a.terminate();
    b.terminate();
    QVERIFY(a.waitForFinished(3000) && b.waitForFinished(3000));
    QCOMPARE(a.exitCode(), 0);
}

void TestEmulatorPty::badSettingsAreRefused()
{
    QProcess emu;
    emu.start(emulatorPath(), {"band=500"});
    QVERIFY(emu.waitForFinished(3000));
    QCOMPARE(emu.exitCode(), 2);
    QVERIFY(emu.readAllStandardError().contains("band"));
}

QTEST_GUILESS_MAIN(TestEmulatorPty)
#include "tst_emulator_pty.moc"
