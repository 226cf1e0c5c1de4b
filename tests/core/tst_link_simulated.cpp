// The built-in simulated module behind a port number: what the tool asks of the line, and
// a module that answers, keeps its state and can be given faults.
#include "core/link/PComm.h"
#include "core/link/SimulatedPorts.h"
#include "core/link/SioBackend.h"
#include "app/commfunction.h"
#include "app/GlobleVar.h"
#include "core/config/IniFile.h"
#include "support/FakeUi.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {

constexpr int kPort = 6;

// The long read-channel request and the module's answer for channel `ch`.
QByteArray ReadChannelFrame()
{
    const QString body = QStringLiteral("5A5A00005A8006020000");
    return TCommFun::HexTextToBytes(body + TCommFun::Checksum(body) + QStringLiteral("0D0A"));
}

QByteArray ChannelAnswer(int ch)
{
    const QString body = QStringLiteral("5A5A00005A000602%1").arg(ch, 2, 16, QLatin1Char('0')).toUpper() + QStringLiteral("00");
    return TCommFun::HexTextToBytes(body + TCommFun::Checksum(body) + QStringLiteral("0D0A"));
}

// Polls like the reception timer until `count` bytes came or `ms` passed.
QByteArray Collect(TCommFun& link, int port, int count, int ms)
{
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (got.size() < count && t.elapsed() < ms) {
        QByteArray chunk;
        link.ReadData(port, chunk);
        got += chunk;
        QThread::msleep(5);
    }
    return got;
}

} // namespace

class TestLinkSimulated : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    FakeUi* m_ui = nullptr;

    void mapPort(int port, const QString& entry)
    {
        IniFile ini(GlobleVar::ConfigPath());
        QVERIFY(ini.WriteString("Ports", QStringLiteral("COM%1").arg(port), entry));
    }

private slots:
    void init();
    void cleanup();

    void configureRecordsWhatTheToolAsked_data();
    void configureRecordsWhatTheToolAsked();
    void moduleAnswersAtItsSettings();
    void wrongLineSettingsGetNoAnswer();
    void moduleKeepsStateAcrossReopen();
    void newOptionsMakeANewModule();
    void faultsCanBeSwitched();
    void unknownOptionsFailToOpen();
};

void TestLinkSimulated::init()
{
    QVERIFY(m_dir.isValid());
    GlobleVar::ResetAll();
    GlobleVar::StartDirectory = m_dir.path();
    QFile::remove(GlobleVar::ConfigPath());
    PCommBackends::closeAll();
    SimulatedPorts::reset();
    m_ui = new FakeUi;
}

void TestLinkSimulated::cleanup()
{
    PCommBackends::closeAll();
    SimulatedPorts::reset();
    delete m_ui;
    m_ui = nullptr;
    GlobleVar::ResetAll();
}

void TestLinkSimulated::configureRecordsWhatTheToolAsked_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("rate");
    QTest::addColumn<char>("parityChar");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("stops");
    QTest::newRow("even 8 1 is mode 27") << 9 << 24 << 3 << 0 << 27 << 2400 << 'E' << 8 << 1;
    QTest::newRow("none 8 1 is mode 3") << 12 << 0 << 3 << 0 << 3 << 9600 << 'N' << 8 << 1;
    QTest::newRow("odd 7 2") << 13 << 8 << 2 << 4 << 14 << 19200 << 'O' << 7 << 2;
    QTest::newRow("space 8 1") << 14 << 56 << 3 << 0 << 59 << 38400 << 'S' << 8 << 1;
    QTest::newRow("mark 5 1") << 6 << 40 << 0 << 0 << 40 << 600 << 'M' << 5 << 1;
}

void TestLinkSimulated::configureRecordsWhatTheToolAsked()
{
    QFETCH(int, baud);
    QFETCH(int, parity);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    QFETCH(int, mode);
    QFETCH(int, rate);
    QFETCH(char, parityChar);
    QFETCH(int, bits);
    QFETCH(int, stops);
    mapPort(kPort, "sim");
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    QVERIFY(SimulatedPorts::emulator(kPort));
    QCOMPARE(SimulatedPorts::lastMode(kPort), -1);
    QVERIFY(link.ConfigurePort(kPort, baud, parity, dataBits, stopBits));
    QCOMPARE(SimulatedPorts::lastBaudCode(kPort), baud);
    QCOMPARE(SimulatedPorts::lastMode(kPort), mode);
    const LineSettings line = SimulatedPorts::lastPcLine(kPort);
    QCOMPARE(line.baud, rate);
    QCOMPARE(line.parity, parityChar);
    QCOMPARE(line.dataBits, bits);
    QCOMPARE(line.stopBits, stops);
    QVERIFY(m_ui->messages.isEmpty());
}

void TestLinkSimulated::moduleAnswersAtItsSettings()
{
    mapPort(kPort, "sim:baud=38400,parity=none,channel=9");
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    QVERIFY(link.ConfigurePort(kPort, B_38400, P_NONE, BIT_8, STOP_1));
    const QByteArray frame = ReadChannelFrame();
    QVERIFY(link.SendData(kPort, frame, frame.size()));
    const QByteArray expected = ChannelAnswer(9);
    QCOMPARE(Collect(link, kPort, expected.size(), 1000), expected);
    QVERIFY(m_ui->messages.isEmpty());
}

void TestLinkSimulated::wrongLineSettingsGetNoAnswer()
{
    mapPort(kPort, "sim:baud=38400,parity=even");
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    QVERIFY(link.ConfigurePort(kPort, B_38400, P_NONE, BIT_8, STOP_1));
    const QByteArray frame = ReadChannelFrame();
    QVERIFY(link.SendData(kPort, frame, frame.size()));
    QCOMPARE(Collect(link, kPort, 1, 150), QByteArray());
    // The step a search would take next: the right parity gets the answer.
    QVERIFY(link.ConfigurePort(kPort, B_38400, P_EVEN, BIT_8, STOP_1));
    QVERIFY(link.SendData(kPort, frame, frame.size()));
    QCOMPARE(Collect(link, kPort, 13, 1000), ChannelAnswer(1));
}

void TestLinkSimulated::moduleKeepsStateAcrossReopen()
{
    mapPort(kPort, "sim:baud=38400");
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    ModuleEmulator* emu = SimulatedPorts::emulator(kPort);
    QVERIFY(emu);
    emu->options().channel = 17;
    QVERIFY(link.ClosePort(kPort));
    QVERIFY(!link.SendData(kPort, "x", 1));
    QCOMPARE(m_ui->messages, QStringList{"The Port NOT be opened!"});

    QVERIFY(link.OpenPort(kPort));
    QCOMPARE(SimulatedPorts::emulator(kPort), emu);
    // Reopened at the library's default line; the tool configures it as the dialog does.
    QCOMPARE(SimulatedPorts::lastPcLine(kPort), LineSettings{});
    QVERIFY(link.ConfigurePort(kPort, B_38400, P_NONE, BIT_8, STOP_1));
    const QByteArray frame = ReadChannelFrame();
    QVERIFY(link.SendData(kPort, frame, frame.size()));
    QCOMPARE(Collect(link, kPort, 13, 1000), ChannelAnswer(17));
}

void TestLinkSimulated::newOptionsMakeANewModule()
{
    mapPort(kPort, "sim:channel=3");
    QCOMPARE(sio_open(kPort), 0);
    ModuleEmulator* first = SimulatedPorts::emulator(kPort);
    QVERIFY(first);
    QCOMPARE(first->options().channel, 3);
    QCOMPARE(sio_close(kPort), 0);
    mapPort(kPort, "sim:channel=4");
    QCOMPARE(sio_open(kPort), 0);
    QCOMPARE(SimulatedPorts::emulator(kPort)->options().channel, 4);
    // Another port number has a module of its own.
    mapPort(kPort + 1, "sim");
    QCOMPARE(sio_open(kPort + 1), 0);
    QVERIFY(SimulatedPorts::emulator(kPort + 1) != SimulatedPorts::emulator(kPort));
}

void TestLinkSimulated::faultsCanBeSwitched()
{
    mapPort(kPort, "sim:baud=38400");
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    QVERIFY(link.ConfigurePort(kPort, B_38400, P_NONE, BIT_8, STOP_1));
    SimulatedPorts::emulator(kPort)->options().mute = true;
    const QByteArray frame = ReadChannelFrame();
    QVERIFY(link.SendData(kPort, frame, frame.size()));
    QCOMPARE(Collect(link, kPort, 1, 150), QByteArray());

    SimulatedPorts::emulator(kPort)->options().mute = false;
    SimulatedPorts::emulator(kPort)->options().badChecksum = true;
    QVERIFY(link.SendData(kPort, frame, frame.size()));
    const QByteArray answer = Collect(link, kPort, 13, 1000);
    QCOMPARE(answer.size(), 13);
    QVERIFY(answer != ChannelAnswer(1));
    QCOMPARE(answer.left(10), ChannelAnswer(1).left(10));
}

void TestLinkSimulated::unknownOptionsFailToOpen()
{
    mapPort(kPort, "sim:no-such-setting=1");
    TCommFun link;
    QVERIFY(!link.OpenPort(kPort));
    QCOMPARE(m_ui->messages,
             QStringList{"The port open fail,the port NOT exist or other software have used it!"});
    QVERIFY(!SimulatedPorts::emulator(kPort));
}

QTEST_MAIN(TestLinkSimulated)
#include "tst_link_simulated.moc"
