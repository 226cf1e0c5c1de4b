// The serial link and the serial library under it: statuses, reads and word of waiting bytes
// on a port the test plays itself, and the real-port backend on pseudo-terminals whose master
// side the test holds (the link opens the slave through the port mapping in Config.ini).
#include "core/link/PComm.h"
#include "core/link/SerialLink.h"
#include "core/link/SioBackend.h"
#include "core/protocol/Frames.h"
#include "support/LinkRig.h"
#include "support/Pty.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <termios.h>

using LinkRig::Collect;
using LinkRig::MapPort;

namespace {

constexpr int kPort = 2;     // a pseudo-terminal
constexpr int kFakePort = 4; // a FakePort

// A port whose answers the test chooses; received bytes wait in `queue`.
class FakePort : public SioBackend {
public:
    int status = SIO_OK; // answer of open, close, ioctl and write
    int readStatus = 0;  // negative: every read fails so
    bool opened = false;
    bool lost = false;
    QByteArray queue;
    QByteArray written;
    int reads = 0;

    int open() override { return (opened = status == SIO_OK) ? SIO_OK : status; }
    int close() override
    {
        if (status == SIO_OK)
            opened = false;
        return status;
    }
    bool isOpen() const override { return opened; }
    bool isLost() const override { return lost; }
    int ioctl(int baud, int mode) override { return SioDecodeLine(baud, mode, nullptr) ? status : SIO_BADPARM; }
    int write(const char* buf, int len) override
    {
        if (status != SIO_OK)
            return status;
        written.append(buf, len);
        return len;
    }
    int iqueue() override { return int(queue.size()); }
    int read(char* buf, int len) override
    {
        ++reads;
        if (readStatus < 0)
            return readStatus;
        const int n = std::min(len, int(queue.size()));
        std::memcpy(buf, queue.constData(), size_t(n));
        queue.remove(0, n);
        return n;
    }
    void poke() { notify(); }
};

LineSettings Line(int baud, char parity, int dataBits = 8, int stopBits = 1)
{
    return LineSettings{baud, parity, dataBits, stopBits};
}

QByteArray AllByteValues()
{
    QByteArray b;
    for (int i = 0; i < 256; ++i)
        b.append(static_cast<char>(i));
    return b;
}

// Polls sio_iqueue without ever running the event loop until `count` bytes wait.
int WaitQueued(int port, int count, int ms = 2000)
{
    QElapsedTimer t;
    t.start();
    int n = 0;
    while ((n = sio_iqueue(port)) < count && t.elapsed() < ms)
        QThread::msleep(2);
    return n;
}

} // namespace

class TestLinkSerial : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    Pty m_pty;
    std::shared_ptr<FakePort> m_fake;

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        ConfigFile::setDirectory(m_dir.path());
        QFile::remove(ConfigFile::path());
        PCommBackends::closeAll();
        m_fake = std::make_shared<FakePort>();
        PCommBackends::installOverride(kFakePort, m_fake);
        QVERIFY(m_pty.open());
        QVERIFY(MapPort(kPort, m_pty.slave()));
    }

    void cleanup()
    {
        PCommBackends::clearOverrides();
        PCommBackends::closeAll();
        m_pty.close();
        ConfigFile::setDirectory(QString());
    }

    void libraryCodesBecomeStatuses()
    {
        const QList<QPair<int, LinkStatus>> codes{
            {SIO_BADPORT, LinkStatus::BadPort},       {SIO_OPENFAIL, LinkStatus::OpenFail},
            {SIO_BADPARM, LinkStatus::BadParameter},  {SIO_WIN32FAIL, LinkStatus::SystemFail},
            {SIO_ABORTWRITE, LinkStatus::WriteAborted}, {SIO_WRITETIMEOUT, LinkStatus::Other},
            {SIO_FAIL, LinkStatus::Other}};
        SerialLink link;
        for (const auto& [code, status] : codes) {
            m_fake->status = code;
            QCOMPARE(link.open(kFakePort), status);
            QVERIFY(!link.isOpen());
            m_fake->status = SIO_OK;
            QCOMPARE(link.open(kFakePort), LinkStatus::Ok);
            m_fake->status = code;
            QCOMPARE(link.configure(Line(2400, 'E')), status);
            QCOMPARE(link.send("x"), status);
            QCOMPARE(link.close(), status);
            QVERIFY(link.isOpen());
            m_fake->status = SIO_OK;
            QCOMPARE(link.close(), LinkStatus::Ok);
        }
        QVERIFY(m_fake->written.isEmpty());
    }

    void lineChangesOnlyWhenTaken()
    {
        SerialLink link;
        QCOMPARE(link.open(kFakePort), LinkStatus::Ok);
        QCOMPARE(link.line(), LineSettings{});
        QCOMPARE(link.configure(Line(2400, 'E')), LinkStatus::Ok);
        QCOMPARE(link.configure(Line(12345, 'N')), LinkStatus::BadParameter); // no such rate
        m_fake->status = SIO_WIN32FAIL;
        QCOMPARE(link.configure(Line(4800, 'O')), LinkStatus::SystemFail);
        QCOMPARE(link.line(), Line(2400, 'E'));

        // Opened again while open: the device keeps its settings, and the link says so.
        SerialLink pty;
        QCOMPARE(pty.open(kPort), LinkStatus::Ok);
        QCOMPARE(pty.configure(Line(2400, 'O')), LinkStatus::Ok);
        QCOMPARE(pty.open(kPort), LinkStatus::Ok);
        QCOMPARE(pty.line(), Line(2400, 'O'));
        QVERIFY(m_pty.cflag() & PARODD);
    }

    void readsTakeWhatWaits()
    {
        SerialLink link;
        QVERIFY(link.read().isEmpty()); // not open
        QCOMPARE(link.open(kFakePort), LinkStatus::Ok);
        QVERIFY(link.read().isEmpty());
        QCOMPARE(m_fake->reads, 0); // nothing waits: no read at all

        QByteArray burst = AllByteValues();
        while (burst.size() < SerialLink::kReadChunk + 500)
            burst += burst;
        m_fake->queue = burst;
        QCOMPARE(link.read(10), burst.left(10));
        const QByteArray first = link.read();
        QCOMPARE(first.size(), SerialLink::kReadChunk); // the rest waits in the driver
        QCOMPARE(link.read(), burst.mid(10 + first.size()));

        m_fake->queue = "gone";
        m_fake->readStatus = SIO_WIN32FAIL;
        QVERIFY(link.read().isEmpty());
    }

    void wordComesFromTheEventLoop()
    {
        SerialLink link;
        QSignalSpy ready(&link, &SerialLink::readyRead);
        QSignalSpy lost(&link, &SerialLink::lost);
        m_fake->queue = "early";
        QCOMPARE(link.open(kFakePort), LinkStatus::Ok);
        QCOMPARE(ready.count(), 0); // never from inside a call
        Wait::pump(20);
        QCOMPARE(ready.count(), 1); // bytes that came before anyone listened

        link.read();
        m_fake->poke();
        Wait::pump(20);
        QCOMPARE(ready.count(), 1); // nothing waits: no word
        m_fake->queue = "abc";
        m_fake->poke();
        m_fake->poke();
        Wait::pump(20);
        QCOMPARE(ready.count(), 2);

        m_fake->lost = true;
        m_fake->poke();
        Wait::pump(20);
        m_fake->poke();
        Wait::pump(20);
        QCOMPARE(lost.count(), 1);
        QCOMPARE(ready.count(), 2);

        // A write that finds the device gone tells, although the port said nothing.
        m_fake->lost = false;
        m_fake->queue.clear();
        QCOMPARE(link.open(kFakePort), LinkStatus::Ok);
        m_fake->lost = true;
        m_fake->status = SIO_BADPORT;
        QCOMPARE(link.send("x"), LinkStatus::BadPort);
        Wait::pump(20);
        QCOMPARE(lost.count(), 2);

        m_fake->status = SIO_OK;
        m_fake->lost = false;
        QCOMPARE(link.close(), LinkStatus::Ok);
        m_fake->poke();
        Wait::pump(20);
        QCOMPARE(ready.count(), 2);
        QCOMPARE(lost.count(), 2);
    }

    void libraryRefusesBadPortsAndParameters()
    {
        char buf[4] = {};
        for (int port : {0, -1, 37, 1000}) {
            QCOMPARE(sio_open(port), int(SIO_BADPORT));
            QCOMPARE(sio_close(port), int(SIO_BADPORT));
            QCOMPARE(sio_ioctl(port, B_2400, BIT_8), int(SIO_BADPORT));
            QCOMPARE(sio_write(port, "a", 1), int(SIO_BADPORT));
            QCOMPARE(sio_read(port, buf, 4), int(SIO_BADPORT));
            QCOMPARE(sio_iqueue(port), int(SIO_BADPORT));
            QCOMPARE(sio_cnt_irq(port, [](int) {}), int(SIO_BADPORT));
        }
        QCOMPARE(sio_close(9), int(SIO_BADPORT)); // valid, but not open
        QCOMPARE(sio_write(9, "a", 1), int(SIO_BADPORT));
        QCOMPARE(sio_open(kFakePort), 0);
        QCOMPARE(sio_write(kFakePort, "a", -1), int(SIO_BADPARM));
        QCOMPARE(sio_read(kFakePort, nullptr, 5), int(SIO_BADPARM));

        QCOMPARE(sio_open(kPort), 0);
        QCOMPARE(sio_ioctl(kPort, B_115200 + 1, BIT_8), int(SIO_BADPARM));
        QCOMPARE(sio_ioctl(kPort, -1, BIT_8), int(SIO_BADPARM));
        QCOMPARE(sio_ioctl(kPort, B_2400, 0x10 | BIT_8), int(SIO_BADPARM));
        QCOMPARE(sio_ioctl(kPort, B_2400, 0x40 | BIT_8), int(SIO_BADPARM));
        QCOMPARE(sio_ioctl(kPort, B_2400, BIT_8), 0);
    }

    void ptyCarriesEveryByteValue()
    {
        SerialLink link;
        QCOMPARE(link.open(kPort), LinkStatus::Ok);
        QCOMPARE(link.configure(Line(2400, 'N')), LinkStatus::Ok);
        Wait::pump(20); // the open's own look at the port is over
        QVERIFY(link.read().isEmpty());
        const QByteArray all = AllByteValues();
        QVERIFY(m_pty.write(all));
        QCOMPARE(Collect(link, 256, 2000), all); // word without anyone polling
        QCOMPARE(link.send(all), LinkStatus::Ok);
        QCOMPARE(m_pty.read(256), all);
    }

    void ptyBurstBeyondOneChunk()
    {
        SerialLink link;
        QCOMPARE(link.open(kPort), LinkStatus::Ok);
        QByteArray sent;
        for (int i = 0; i < 5000; ++i)
            sent.append(static_cast<char>((i * 31) ^ (i >> 8)));
        QVERIFY(m_pty.write(sent));
        QCOMPARE(WaitQueued(kPort, 5000), 5000); // the driver is asked without an event loop
        const QByteArray first = link.read();
        QCOMPARE(first.size(), SerialLink::kReadChunk);
        QCOMPARE(first + link.read(), sent);
    }

    void lineSettingsOnAPty_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<char>("parity");
        QTest::addColumn<int>("dataBits");
        QTest::addColumn<int>("stopBits");
        QTest::addColumn<int>("speed");
        QTest::newRow("2400 even 8 1 (parity only)") << 2400 << 'E' << 8 << 1 << int(B2400);
        QTest::newRow("2400 odd 8 1") << 2400 << 'O' << 8 << 1 << int(B2400);
        QTest::newRow("9600 space 8 1") << 9600 << 'S' << 8 << 1 << int(B9600);
        QTest::newRow("9600 mark 8 2") << 9600 << 'M' << 8 << 2 << int(B9600);
        QTest::newRow("4800 even 7 1") << 4800 << 'E' << 7 << 1 << int(B4800);
        QTest::newRow("57600 none 8 2") << 57600 << 'N' << 8 << 2 << int(B57600);
        QTest::newRow("600 odd 8 1") << 600 << 'O' << 8 << 1 << int(B600);
    }

    void lineSettingsOnAPty()
    {
        QFETCH(int, baud);
        QFETCH(char, parity);
        QFETCH(int, dataBits);
        QFETCH(int, stopBits);
        QFETCH(int, speed);
        SerialLink link;
        QCOMPARE(link.open(kPort), LinkStatus::Ok);
        // A search changes the settings of the open port one step after another.
        QCOMPARE(link.configure(Line(2400, 'N')), LinkStatus::Ok);
        QCOMPARE(link.configure(Line(baud, parity, dataBits, stopBits)), LinkStatus::Ok);
        termios tio{};
        tio.c_cflag = m_pty.cflag();
        // What the pty driver keeps: the speed, odd and mark/space bits, two stop bits.
        QCOMPARE(int(cfgetospeed(&tio) & CBAUD), speed);
        QCOMPARE(bool(tio.c_cflag & CSTOPB), stopBits == 2);
        QCOMPARE(bool(tio.c_cflag & PARODD), parity == 'O' || parity == 'M');
        QCOMPARE(bool(tio.c_cflag & CMSPAR), parity == 'S' || parity == 'M');
        QVERIFY(m_pty.write("ping"));
        QCOMPARE(Collect(link, 4, 2000), QByteArray("ping"));
        QCOMPARE(link.send("pong"), LinkStatus::Ok);
        QCOMPARE(m_pty.read(4), QByteArray("pong"));
    }

    void parityOffClearsOddBit()
    {
        SerialLink link;
        QCOMPARE(link.open(kPort), LinkStatus::Ok);
        QCOMPARE(link.configure(Line(2400, 'O')), LinkStatus::Ok);
        QVERIFY(m_pty.cflag() & PARODD);
        QCOMPARE(link.configure(Line(2400, 'N')), LinkStatus::Ok);
        QVERIFY(!(m_pty.cflag() & PARODD));
        QCOMPARE(link.configure(Line(2400, 'M')), LinkStatus::Ok);
        QCOMPARE(link.configure(Line(2400, 'E')), LinkStatus::Ok);
        QVERIFY(!(m_pty.cflag() & (PARODD | CMSPAR)));
    }

    void reopenWhileOpenKeepsThePort()
    {
        SerialLink link;
        QCOMPARE(link.open(kPort), LinkStatus::Ok);
        QVERIFY(m_pty.write("abc"));
        QCOMPARE(WaitQueued(kPort, 3), 3);
        QCOMPARE(link.open(kPort), LinkStatus::Ok); // the dialog may open the port that is open
        QCOMPARE(link.read(), QByteArray("abc"));
        QCOMPARE(link.close(), LinkStatus::Ok);
        QCOMPARE(link.close(), LinkStatus::BadPort);
    }

    void mappingReadAtEachOpen()
    {
        constexpr int other = 3;
        QVERIFY(MapPort(other, m_dir.filePath("unplugged")));
        SerialLink link;
        QCOMPARE(link.open(other), LinkStatus::OpenFail);

        // Config.ini edited while the tool runs: the next open uses the new entry.
        QVERIFY(MapPort(other, m_pty.slave()));
        QCOMPARE(link.open(other), LinkStatus::Ok);
        QCOMPARE(link.send("one"), LinkStatus::Ok);
        QCOMPARE(m_pty.read(3), QByteArray("one"));

        // Moved to another device while open: reopening switches to it.
        Pty second;
        QVERIFY(second.open());
        QVERIFY(MapPort(other, second.slave()));
        QCOMPARE(link.open(other), LinkStatus::Ok);
        QCOMPARE(link.send("two"), LinkStatus::Ok);
        QCOMPARE(second.read(3), QByteArray("two"));
        QCOMPARE(m_pty.read(3, 50), QByteArray());
    }

    void busyDeviceFailsToOpen()
    {
        constexpr int other = 5;
        QVERIFY(MapPort(other, m_pty.slave()));
        QCOMPARE(sio_open(kPort), 0);
        QCOMPARE(sio_open(other), int(SIO_OPENFAIL));
        QCOMPARE(sio_close(kPort), 0);
        QCOMPARE(sio_open(other), 0);
    }

    // A link that goes while its port is open closes it: the device is free for another open.
    void destroyedLinkClosesItsPort()
    {
        constexpr int other = 5;
        QVERIFY(MapPort(other, m_pty.slave()));
        {
            SerialLink link;
            QCOMPARE(link.open(kPort), LinkStatus::Ok);
        }
        QCOMPARE(sio_open(other), 0);
    }

    void masterClosedThenReplugged()
    {
        // Reached through a link, as a udev name stays when an adapter comes back.
        const QString name = m_dir.filePath("ttyRF");
        QVERIFY(QFile::link(m_pty.slave(), name));
        QVERIFY(MapPort(kPort, name));
        SerialLink link;
        QSignalSpy lost(&link, &SerialLink::lost);
        QCOMPARE(link.open(kPort), LinkStatus::Ok);
        QCOMPARE(link.configure(Line(2400, 'N')), LinkStatus::Ok);
        Wait::pump(20); // the open's own look at the port is over

        m_pty.close(); // unplugged
        QVERIFY(lost.wait(2000)); // without anyone polling
        QVERIFY(link.isLost());
        QElapsedTimer t;
        t.start();
        QVERIFY(link.read().isEmpty());
        QCOMPARE(link.send("lost"), LinkStatus::BadPort);
        QCOMPARE(link.configure(Line(2400, 'N')), LinkStatus::BadPort);
        QVERIFY(t.elapsed() < 1000); // nothing waits on the missing device
        Wait::pump(50);
        QCOMPARE(lost.count(), 1);

        // Plugged in again under the same name: opening works at once.
        QVERIFY(m_pty.open());
        QFile::remove(name);
        QVERIFY(QFile::link(m_pty.slave(), name));
        QCOMPARE(link.open(kPort), LinkStatus::Ok);
        QVERIFY(!link.isLost());
        QCOMPARE(link.send("back"), LinkStatus::Ok);
        QCOMPARE(m_pty.read(4), QByteArray("back"));
        Wait::pump(20);

        // Lost again, then closed by the operator: the close succeeds.
        m_pty.close();
        QVERIFY(lost.wait(2000));
        QCOMPARE(link.close(), LinkStatus::Ok);
        QCOMPARE(sio_write(kPort, "x", 1), int(SIO_BADPORT));
    }

    void fullDriverQueueIsNoLoss()
    {
        // A slow line fills the driver's queue and writing to it says EAGAIN, which
        // QSerialPort reports as ResourceError: the device is still there, and every byte
        // must still go out in order.
        SerialLink link;
        QSignalSpy lost(&link, &SerialLink::lost);
        QCOMPARE(link.open(kPort), LinkStatus::Ok);
        QCOMPARE(link.configure(Line(2400, 'N')), LinkStatus::Ok);
        QByteArray sent;
        for (int i = 0; i < 8; ++i) {
            const QByteArray block(16 * 1024, char('a' + i));
            QCOMPARE(link.send(block), LinkStatus::Ok);
            sent += block;
        }
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (got.size() < sent.size() && t.elapsed() < 5000) {
            Wait::pump(5);
            got += m_pty.read(int(sent.size() - got.size()), 20);
        }
        QVERIFY(got == sent);
        QVERIFY(!link.isLost());
        QCOMPARE(lost.count(), 0);
    }

    void searchStepsOverTheEmulatorProgram()
    {
        const QString program = qEnvironmentVariable("RFMOD_EMU");
        if (program.isEmpty() || !QFile::exists(program))
            QSKIP("RFMOD_EMU does not name the emulator program");
        QProcess emu;
        emu.start(program, {QStringLiteral("baud=2400,parity=none,channel=5")});
        QVERIFY(emu.waitForStarted(3000));
        QVERIFY(emu.waitForReadyRead(3000));
        const QString slave = QString::fromLocal8Bit(emu.readLine()).trimmed();
        QVERIFY2(slave.startsWith('/'), qPrintable(slave));
        constexpr int port = 8;
        QVERIFY(MapPort(port, slave));

        const QByteArray readChannel = Frames::BuildLongFrame("0000", "8006", "0000");
        const QByteArray answer = Frames::BuildLongFrame("0000", "0006", "0500");
        SerialLink link;
        QCOMPARE(link.open(port), LinkStatus::Ok);
        auto ask = [&](const LineSettings& line, int ms) {
            if (link.configure(line) != LinkStatus::Ok || link.send(readChannel) != LinkStatus::Ok)
                return QByteArray("failed");
            return Collect(link, int(answer.size()), ms);
        };
        // Search order: a wrong rate, then odd, then none at the module's rate.
        QCOMPARE(ask(Line(9600, 'N'), 250), QByteArray());
        QCOMPARE(ask(Line(2400, 'O'), 250), QByteArray());
        QCOMPARE(ask(Line(2400, 'N'), 2000), answer);
        QCOMPARE(link.close(), LinkStatus::Ok);
        emu.terminate();
        QVERIFY(emu.waitForFinished(3000));
    }
};

QTEST_GUILESS_MAIN(TestLinkSerial)
#include "tst_link_serial.moc"
