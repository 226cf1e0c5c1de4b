// The real-port backend over pseudo-terminals this test opens itself: the test holds the
// master side, the serial link opens the slave through the port mapping in Config.ini.
#include "core/link/PComm.h"
#include "core/link/SioBackend.h"
#include "app/commfunction.h"
#include "app/GlobleVar.h"
#include "core/config/IniFile.h"
#include "support/FakeUi.h"
#include "support/Pty.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kPort = 2;

// Polls sio_iqueue without ever running an event loop until `count` bytes wait.
int WaitQueued(int port, int count, int ms = 2000)
{
    QElapsedTimer t;
    t.start();
    int n = 0;
    while ((n = sio_iqueue(port)) < count && t.elapsed() < ms)
        QThread::msleep(2);
    return n;
}

QByteArray AllByteValues()
{
    QByteArray b;
    for (int i = 0; i < 256; ++i)
        b.append(static_cast<char>(i));
    return b;
}

} // namespace

class TestLinkSerial : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    FakeUi* m_ui = nullptr;
    Pty m_pty;

    void mapPort(int port, const QString& device)
    {
        IniFile ini(GlobleVar::ConfigPath());
        QVERIFY(ini.WriteString("Ports", QStringLiteral("COM%1").arg(port), device));
    }

private slots:
    void init();
    void cleanup();

    void bytesArriveWithoutEventLoop();
    void writeReachesTheDevice();
    void moreThanOneBufferAcrossPolls();
    void lineSettingsOnAPty_data();
    void lineSettingsOnAPty();
    void parityOffClearsOddBit();
    void unknownCodesAreBadParameters();
    void reopenWhileOpenKeepsThePort();
    void mappingReadAtEachOpen();
    void busyDeviceFailsToOpen();
    void masterClosedThenReplugged();
    void searchStepsOverTheEmulatorProgram();
};

void TestLinkSerial::init()
{
    QVERIFY(m_dir.isValid());
    GlobleVar::ResetAll();
    GlobleVar::StartDirectory = m_dir.path();
    QFile::remove(GlobleVar::ConfigPath());
    PCommBackends::closeAll();
    m_ui = new FakeUi;
    QVERIFY(m_pty.open());
    mapPort(kPort, m_pty.slave());
}

void TestLinkSerial::cleanup()
{
    PCommBackends::closeAll();
    m_pty.close();
    delete m_ui;
    m_ui = nullptr;
    GlobleVar::ResetAll();
}

void TestLinkSerial::bytesArriveWithoutEventLoop()
{
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    QVERIFY(link.ConfigurePort(kPort, B_2400, P_NONE, BIT_8, STOP_1));
    QCOMPARE(sio_iqueue(kPort), 0);
    QByteArray nothing;
    link.ReadData(kPort, nothing);
    QVERIFY(nothing.isEmpty());

    const QByteArray answer("\x5A\x00\x80\x81\xFE\xFF\x00\x7F\x01\xC3\xA9\x0D\x0A", 13);
    QVERIFY(m_pty.write(answer));
    QCOMPARE(WaitQueued(kPort, 13), 13);
    QByteArray out;
    link.ReadData(kPort, out);
    QCOMPARE(out, answer);
    QCOMPARE(sio_iqueue(kPort), 0);
    QVERIFY2(m_ui->messages.isEmpty(), qPrintable(m_ui->messages.join(" | ")));
}

void TestLinkSerial::writeReachesTheDevice()
{
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    QVERIFY(link.ConfigurePort(kPort, B_9600, P_NONE, BIT_8, STOP_1));
    const QByteArray frame = TCommFun::HexTextToBytes(QStringLiteral("5A5A00005A8004020000940D0A"));
    QVERIFY(link.SendData(kPort, frame, frame.size()));
    QCOMPARE(m_pty.read(frame.size()), frame);
    const QByteArray all = AllByteValues();
    QCOMPARE(sio_write(kPort, all.constData(), static_cast<int>(all.size())), 256);
    QCOMPARE(m_pty.read(256), all);
}

void TestLinkSerial::moreThanOneBufferAcrossPolls()
{
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    QByteArray sent;
    for (int i = 0; i < 3000; ++i)
        sent.append(static_cast<char>((i * 31) ^ (i >> 8)));
    QVERIFY(m_pty.write(sent));
    QCOMPARE(WaitQueued(kPort, 3000), 3000);

    QByteArray got;
    QList<int> sizes;
    QElapsedTimer t;
    t.start();
    while (got.size() < sent.size() && t.elapsed() < 2000) {
        QByteArray chunk;
        link.ReadData(kPort, chunk);
        if (!chunk.isEmpty())
            sizes << static_cast<int>(chunk.size());
        got += chunk;
    }
    QCOMPARE(got, sent);
    QCOMPARE(sizes, (QList<int>{1025, 1025, 950}));
}

void TestLinkSerial::lineSettingsOnAPty_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("speed");
    QTest::newRow("2400 even 8 1 (parity only)") << 9 << 24 << 3 << 0 << int(B2400);
    QTest::newRow("2400 odd 8 1") << 9 << 8 << 3 << 0 << int(B2400);
    QTest::newRow("9600 space 8 1") << 12 << 56 << 3 << 0 << int(B9600);
    QTest::newRow("9600 mark 8 2") << 12 << 40 << 3 << 4 << int(B9600);
    QTest::newRow("4800 even 7 1") << 10 << 24 << 2 << 0 << int(B4800);
    QTest::newRow("38400 none 8 1") << 14 << 0 << 3 << 0 << int(B38400);
    QTest::newRow("57600 none 8 2") << 15 << 0 << 3 << 4 << int(B57600);
    QTest::newRow("600 odd 8 1") << 6 << 8 << 3 << 0 << int(B600);
}

void TestLinkSerial::lineSettingsOnAPty()
{
    QFETCH(int, baud);
    QFETCH(int, parity);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    QFETCH(int, speed);
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    // A search changes the settings of the open port one step after another.
    QVERIFY(link.ConfigurePort(kPort, B_2400, P_NONE, BIT_8, STOP_1));
    QVERIFY(link.ConfigurePort(kPort, baud, parity, dataBits, stopBits));
    QVERIFY2(m_ui->messages.isEmpty(), qPrintable(m_ui->messages.join(" | ")));
    termios tio {};
    tio.c_cflag = m_pty.cflag();
    // What the pty driver keeps: the speed, odd and mark/space bits, two stop bits.
    QCOMPARE(int(cfgetospeed(&tio) & CBAUD), speed);
    QCOMPARE(bool(tio.c_cflag & CSTOPB), stopBits == STOP_2);
    QCOMPARE(bool(tio.c_cflag & PARODD), parity == P_ODD || parity == P_MRK);
    QCOMPARE(bool(tio.c_cflag & CMSPAR), parity == P_SPC || parity == P_MRK);
    // And the port still carries data both ways.
    QVERIFY(m_pty.write("ping"));
    QCOMPARE(WaitQueued(kPort, 4), 4);
    QByteArray in;
    link.ReadData(kPort, in);
    QCOMPARE(in, QByteArray("ping"));
    QVERIFY(link.SendData(kPort, "pong", 4));
    QCOMPARE(m_pty.read(4), QByteArray("pong"));
}

void TestLinkSerial::parityOffClearsOddBit()
{
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    QVERIFY(link.ConfigurePort(kPort, B_2400, P_ODD, BIT_8, STOP_1));
    QVERIFY(m_pty.cflag() & PARODD);
    QVERIFY(link.ConfigurePort(kPort, B_2400, P_NONE, BIT_8, STOP_1));
    QVERIFY(!(m_pty.cflag() & PARODD));
    QVERIFY(link.ConfigurePort(kPort, B_2400, P_MRK, BIT_8, STOP_1));
    QVERIFY(link.ConfigurePort(kPort, B_2400, P_EVEN, BIT_8, STOP_1));
    QVERIFY(!(m_pty.cflag() & (PARODD | CMSPAR)));
}

void TestLinkSerial::unknownCodesAreBadParameters()
{
    QCOMPARE(sio_open(kPort), 0);
    QCOMPARE(sio_ioctl(kPort, 17, BIT_8), int(SIO_BADPARM));
    QCOMPARE(sio_ioctl(kPort, -1, BIT_8), int(SIO_BADPARM));
    QCOMPARE(sio_ioctl(kPort, B_2400, 0x10 | BIT_8), int(SIO_BADPARM));
    QCOMPARE(sio_ioctl(kPort, B_2400, 0x40 | BIT_8), int(SIO_BADPARM));
    QCOMPARE(sio_ioctl(kPort, B_2400, BIT_8), 0);
    QCOMPARE(SioBaudRate(B_600), 600);
    QCOMPARE(SioBaudRate(B_57600), 57600);
    QCOMPARE(SioBaudRate(B_115200), 115200);
    QCOMPARE(SioBaudRate(99), 0);
}

void TestLinkSerial::reopenWhileOpenKeepsThePort()
{
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    QVERIFY(m_pty.write("abc"));
    QCOMPARE(WaitQueued(kPort, 3), 3);
    QVERIFY(link.OpenPort(kPort)); // the dialog may open the port that is already open
    QByteArray in;
    link.ReadData(kPort, in);
    QCOMPARE(in, QByteArray("abc"));
    QVERIFY(link.ClosePort(kPort));
    QVERIFY(!link.ClosePort(kPort)); // closing twice: not open
    QVERIFY(m_ui->messages.isEmpty());
}

void TestLinkSerial::mappingReadAtEachOpen()
{
    constexpr int other = 3;
    mapPort(other, m_dir.filePath("unplugged"));
    TCommFun link;
    QVERIFY(!link.OpenPort(other));
    QCOMPARE(m_ui->messages.size(), 1);

    // Config.ini edited while the tool runs: the next open uses the new entry.
    mapPort(other, m_pty.slave());
    QVERIFY(link.OpenPort(other));
    QVERIFY(link.SendData(other, "one", 3));
    QCOMPARE(m_pty.read(3), QByteArray("one"));

    // Moved to another device while open: reopening switches to it.
    Pty second;
    QVERIFY(second.open());
    mapPort(other, second.slave());
    QVERIFY(link.OpenPort(other));
    QVERIFY(link.SendData(other, "two", 3));
    QCOMPARE(second.read(3), QByteArray("two"));
    QCOMPARE(m_pty.read(3, 50), QByteArray());
    QCOMPARE(m_ui->messages.size(), 1);
}

void TestLinkSerial::busyDeviceFailsToOpen()
{
    constexpr int other = 5;
    mapPort(other, m_pty.slave());
    QCOMPARE(sio_open(kPort), 0);
    QCOMPARE(sio_open(other), int(SIO_OPENFAIL));
    QCOMPARE(sio_close(kPort), 0);
    QCOMPARE(sio_open(other), 0);
}

void TestLinkSerial::masterClosedThenReplugged()
{
    // The device is reached through a link, as a udev name stays when an adapter returns.
    const QString link = m_dir.filePath("ttyRF");
    QVERIFY(QFile::link(m_pty.slave(), link));
    mapPort(kPort, link);

    TCommFun serial;
    QVERIFY(serial.OpenPort(kPort));
    QVERIFY(serial.ConfigurePort(kPort, B_2400, P_NONE, BIT_8, STOP_1));
    QVERIFY(m_pty.write("x"));
    QCOMPARE(WaitQueued(kPort, 1), 1);

    m_pty.close(); // unplugged
    QElapsedTimer t;
    t.start();
    QCOMPARE(sio_iqueue(kPort), 0);
    QByteArray in;
    serial.ReadData(kPort, in);
    QVERIFY(in.isEmpty());
    QVERIFY(!serial.SendData(kPort, "lost", 4));
    QCOMPARE(m_ui->messages, QStringList{"The Port NOT be opened!"});
    QCOMPARE(sio_write(kPort, "lost", 4), int(SIO_BADPORT));
    QCOMPARE(sio_iqueue(kPort), 0);
    QVERIFY(t.elapsed() < 1000); // nothing waits on the missing device

    // Plugged in again under the same name: opening works at once.
    QVERIFY(m_pty.open());
    QFile::remove(link);
    QVERIFY(QFile::link(m_pty.slave(), link));
    QVERIFY(serial.OpenPort(kPort));
    QVERIFY(serial.ConfigurePort(kPort, B_2400, P_NONE, BIT_8, STOP_1));
    QVERIFY(serial.SendData(kPort, "back", 4));
    QCOMPARE(m_pty.read(4), QByteArray("back"));

    // Lost again, then closed by the operator: the close succeeds.
    m_pty.close();
    QVERIFY(!serial.SendData(kPort, "lost", 4));
    QVERIFY(serial.ClosePort(kPort));
    QCOMPARE(sio_write(kPort, "x", 1), int(SIO_BADPORT));
    QCOMPARE(m_ui->messages.size(), 2);
}

void TestLinkSerial::searchStepsOverTheEmulatorProgram()
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
    mapPort(port, slave);

    const QString body = QStringLiteral("5A5A00005A8006020000");
    const QByteArray readChannel =
        TCommFun::HexTextToBytes(body + TCommFun::Checksum(body) + QStringLiteral("0D0A"));
    const QString answerBody = QStringLiteral("5A5A00005A0006020500");
    const QByteArray answer =
        TCommFun::HexTextToBytes(answerBody + TCommFun::Checksum(answerBody) + QStringLiteral("0D0A"));
    auto ask = [&](int baud, int parity, int ms) {
        TCommFun link;
        QByteArray got;
        if (!link.ConfigurePort(port, baud, parity, BIT_8, STOP_1) || !link.SendData(port, readChannel, readChannel.size()))
            return got;
        QElapsedTimer t;
        t.start();
        while (got.size() < answer.size() && t.elapsed() < ms) {
            QByteArray chunk;
            link.ReadData(port, chunk);
            got += chunk;
            QThread::msleep(10);
        }
        return got;
    };
    TCommFun link;
    QVERIFY(link.OpenPort(port));
    // Search order: a wrong rate, then odd, then none at the module's rate.
    QCOMPARE(ask(B_9600, P_NONE, 250), QByteArray());
    QCOMPARE(ask(B_2400, P_ODD, 250), QByteArray());
    QCOMPARE(ask(B_2400, P_NONE, 2000), answer);
    QVERIFY2(m_ui->messages.isEmpty(), qPrintable(m_ui->messages.join(" | ")));
    QVERIFY(link.ClosePort(port));
    emu.terminate();
    QVERIFY(emu.waitForFinished(3000));
}

QTEST_MAIN(TestLinkSerial)
#include "tst_link_serial.moc"
