// The built-in simulated module behind a port number: what the tool asks of the line, a
// module that answers at its own settings and keeps its state, and a port that sleeps until
// the module's next byte is due.
#include "core/link/PComm.h"
#include "core/link/SimulatedPorts.h"
#include "core/link/SioBackend.h"
#include "core/protocol/Frames.h"
#include "support/LinkRig.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using LinkRig::Collect;
using LinkRig::MapPort;

namespace {

constexpr int kPort = 6;

QByteArray ReadChannel()
{
    return Frames::BuildLongFrame("0000", "8006", "0000");
}

QByteArray ChannelAnswer(int channel)
{
    return Frames::BuildLongFrame("0000", "0006", Frames::Hex2(channel) + "00");
}

// Counts the timer events of every object of the main thread while it lives.
class TimerCounter : public QObject {
public:
    int count = 0;
    TimerCounter() { QCoreApplication::instance()->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Timer)
            ++count;
        return false;
    }
};

} // namespace

class TestLinkSimulated : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        ConfigFile::setDirectory(m_dir.path());
        QFile::remove(ConfigFile::path());
        PCommBackends::closeAll();
        SimulatedPorts::reset();
    }

    void cleanup()
    {
        PCommBackends::closeAll();
        SimulatedPorts::reset();
        ConfigFile::setDirectory(QString());
    }

    void configureRecordsWhatTheToolAsked_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<char>("parity");
        QTest::addColumn<int>("dataBits");
        QTest::addColumn<int>("stopBits");
        QTest::addColumn<int>("baudCode");
        QTest::addColumn<int>("mode");
        QTest::newRow("2400 even 8 1") << 2400 << 'E' << 8 << 1 << 9 << 27;
        QTest::newRow("9600 none 8 1") << 9600 << 'N' << 8 << 1 << 12 << 3;
        QTest::newRow("19200 odd 7 2") << 19200 << 'O' << 7 << 2 << 13 << 14;
        QTest::newRow("38400 space 8 1") << 38400 << 'S' << 8 << 1 << 14 << 59;
        QTest::newRow("600 mark 6 2") << 600 << 'M' << 6 << 2 << 6 << 45;
    }

    void configureRecordsWhatTheToolAsked()
    {
        QFETCH(int, baud);
        QFETCH(char, parity);
        QFETCH(int, dataBits);
        QFETCH(int, stopBits);
        QFETCH(int, baudCode);
        QFETCH(int, mode);
        QVERIFY(MapPort(kPort, "sim"));
        SerialLink link;
        QCOMPARE(link.open(kPort), LinkStatus::Ok);
        QCOMPARE(SimulatedPorts::lastMode(kPort), -1);
        const LineSettings line{baud, parity, dataBits, stopBits};
        QCOMPARE(link.configure(line), LinkStatus::Ok);
        QCOMPARE(SimulatedPorts::lastBaudCode(kPort), baudCode);
        QCOMPARE(SimulatedPorts::lastMode(kPort), mode);
        QCOMPARE(SimulatedPorts::lastPcLine(kPort), line);
    }

    void answersOnlyAtItsSettings()
    {
        QVERIFY(MapPort(kPort, "sim:baud=38400,parity=even,channel=9"));
        SerialLink link;
        QCOMPARE(link.open(kPort), LinkStatus::Ok);
        QCOMPARE(link.configure({38400, 'N', 8, 1}), LinkStatus::Ok);
        QCOMPARE(link.send(ReadChannel()), LinkStatus::Ok);
        QCOMPARE(Collect(link, 1, 150), QByteArray());
        // The step a search would take next: the right parity gets the answer.
        QCOMPARE(link.configure({38400, 'E', 8, 1}), LinkStatus::Ok);
        QCOMPARE(link.send(ReadChannel()), LinkStatus::Ok);
        QCOMPARE(Collect(link, 13, 1000), ChannelAnswer(9));
    }

    void moduleKeepsStateAcrossReopen()
    {
        QVERIFY(MapPort(kPort, "sim:baud=38400"));
        SerialLink link;
        QCOMPARE(link.open(kPort), LinkStatus::Ok);
        ModuleEmulator* emu = SimulatedPorts::emulator(kPort);
        QVERIFY(emu);
        emu->options().channel = 17;
        QCOMPARE(link.close(), LinkStatus::Ok);
        QCOMPARE(link.send("x"), LinkStatus::BadPort);

        QCOMPARE(link.open(kPort), LinkStatus::Ok);
        QCOMPARE(SimulatedPorts::emulator(kPort), emu);
        // Reopened at the library's default line; the tool configures it as the dialog does.
        QCOMPARE(SimulatedPorts::lastPcLine(kPort), LineSettings{});
        QCOMPARE(link.configure({38400, 'N', 8, 1}), LinkStatus::Ok);
        QCOMPARE(link.send(ReadChannel()), LinkStatus::Ok);
        QCOMPARE(Collect(link, 13, 1000), ChannelAnswer(17));
    }

    void newOptionsMakeANewModule()
    {
        QVERIFY(MapPort(kPort, "sim:channel=3"));
        QCOMPARE(sio_open(kPort), 0);
        QCOMPARE(SimulatedPorts::emulator(kPort)->options().channel, 3);
        QCOMPARE(sio_close(kPort), 0);
        QVERIFY(MapPort(kPort, "sim:channel=4"));
        QCOMPARE(sio_open(kPort), 0);
        QCOMPARE(SimulatedPorts::emulator(kPort)->options().channel, 4);
        // Another port number has a module of its own.
        QVERIFY(MapPort(kPort + 1, "sim"));
        QCOMPARE(sio_open(kPort + 1), 0);
        QVERIFY(SimulatedPorts::emulator(kPort + 1) != SimulatedPorts::emulator(kPort));
    }

    void unknownOptionsFailToOpen()
    {
        QVERIFY(MapPort(kPort, "sim:no-such-setting=1"));
        SerialLink link;
        QCOMPARE(link.open(kPort), LinkStatus::OpenFail);
        QVERIFY(!SimulatedPorts::emulator(kPort));
    }

    void sleepsUntilTheAnswerIsDue()
    {
        QVERIFY(MapPort(kPort, "sim:baud=1200,channel=4"));
        SerialLink link;
        QSignalSpy ready(&link, &SerialLink::readyRead);
        QCOMPARE(link.open(kPort), LinkStatus::Ok);
        QCOMPARE(link.configure({1200, 'N', 8, 1}), LinkStatus::Ok);
        ModuleEmulator* emu = SimulatedPorts::emulator(kPort);
        {
            TimerCounter timers;
            Wait::pump(200);
            QCOMPARE(timers.count, 0);
        }
        QCOMPARE(ready.count(), 0);

        // At 1200 baud the answer takes a while; the reader hears of it as soon as it is there.
        const QByteArray answer = ChannelAnswer(4);
        QByteArray got;
        connect(&link, &SerialLink::readyRead, this, [&] { got += link.read(); });
        QCOMPARE(link.send(ReadChannel()), LinkStatus::Ok);
        int looksSinceAllDue = -1;
        QVERIFY(Wait::until(
            [&] {
                if (looksSinceAllDue >= 0)
                    ++looksSinceAllDue;
                else if (got.size() + emu->bytesReadyForPc(SystemClock::monotonicMs()) >= answer.size())
                    looksSinceAllDue = 0;
                return got.size() >= answer.size();
            },
            2000));
        QCOMPARE(got, answer);
        QVERIFY2(looksSinceAllDue <= 4, qPrintable(QString::number(looksSinceAllDue)));

        TimerCounter timers;
        Wait::pump(200);
        QCOMPARE(timers.count, 0);
    }
};

QTEST_GUILESS_MAIN(TestLinkSimulated)
#include "tst_link_simulated.moc"
