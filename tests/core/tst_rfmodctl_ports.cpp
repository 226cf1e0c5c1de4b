// rfmodctl on many ports at once: one worker a port in one process, one serial-number
// sequence for every worker and every process, one CSV file, and a port that goes away
// while the others go on.
#include "support/Programs.h"
#include "support/Wait.h"

#include <QSet>
#include <QtTest>

using Programs::Ctl;

namespace {
const QByteArray kProfile = "[Profile]\r\nFormat=1\r\n[Parameters]\r\nChannel=4\r\nRadioId=3\r\n";
const QByteArray kConfig = "[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\n[SN]\r\nYear=2026\r\nMonth=12\r\nNO=00099\r\n";

// The serial numbers in the CSV lines that say ok.
QList<int> NumbersOf(const QString& csv)
{
    QList<int> out;
    for (const QString& line : csv.split("\r\n", Qt::SkipEmptyParts))
        if (line.section(',', 17, 17) == "ok")
            out << line.section(',', 8, 8).toInt();
    std::sort(out.begin(), out.end());
    return out;
}
} // namespace

class TestRfmodctlPorts : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString at(const QString& name) const { return dir.filePath(name); }

private slots:
    void init()
    {
        Programs::WriteFile(at("Config.ini"), kConfig);
        Programs::WriteFile(at("p.ini"), kProfile);
        QFile::remove(at("run.csv"));
    }

    void threePortsInParallel()
    {
        QList<std::shared_ptr<Programs::Emulator>> jigs;
        QStringList args;
        for (int i = 0; i < 3; ++i) {
            jigs << std::make_shared<Programs::Emulator>(at(QStringLiteral("jig%1").arg(i)), QStringList{"model=35", "--jig", "1"});
            QVERIFY(jigs.last()->started);
            args << "--port" << at(QStringLiteral("jig%1").arg(i));
        }
        const auto r = Ctl(dir.path(), args + QStringList{"--gap", "60", "--timeout", "300", "program", "--profile",
                                                           at("p.ini"), "--sn-next", "--count", "1", "--log", at("run.csv")});
        QCOMPARE(r.exitCode, 0);
        const QString csv = QString::fromUtf8(Programs::ReadFile(at("run.csv")));
        QCOMPARE(csv.count("\r\n"), 4); // header and one whole line a port
        QCOMPARE(NumbersOf(csv), (QList<int>{100, 101, 102}));
        for (const char* port : {",COM1,", ",COM2,", ",COM3,"})
            QVERIFY(csv.contains(port));
    }

    // A run ends with its last module recorded; a module swapped in faster than a poll sees
    // the jig empty is still a new module; a port that is no serial device ends it at once.
    void programEndsAndSeesEveryModule()
    {
        Programs::Emulator stays(at("stays"), {"model=35"});
        QVERIFY(stays.started);
        const auto one = Ctl(dir.path(), {"--port", at("stays"), "--gap", "60", "--timeout", "300", "program",
                                          "--profile", at("p.ini"), "--count", "1"}, 20000);
        QCOMPARE(one.exitCode, 0);
        Programs::Emulator jig(at("jig"), {"model=35", "--jig", "2", "--jig-gap", "0"});
        QVERIFY(jig.started);
        const auto two = Ctl(dir.path(), {"--port", at("jig"), "--gap", "60", "--timeout", "300", "program", "--profile",
                                          at("p.ini"), "--sn-next", "--count", "2", "--log", at("run.csv")}, 20000);
        QCOMPARE(two.exitCode, 0);
        QCOMPARE(NumbersOf(QString::fromUtf8(Programs::ReadFile(at("run.csv")))), (QList<int>{100, 101}));
        QCOMPARE(Ctl(dir.path(), {"--port", "/dev/null", "program", "--profile", at("p.ini")}, 10000).exitCode, 4);
    }

    // The jig's next module, alike in identity and serial number, put on while a removal poll
    // waited (a silent poll, then an answer): its parameters tell it from the one just
    // programmed, and it is programmed too instead of being waited on for ever; so is one
    // swapped in faster than any poll could find the jig empty.
    void programTellsAnAlikeModuleFromTheOneProgrammed_data()
    {
        QTest::addColumn<QString>("swapMs");
        QTest::addColumn<QString>("timeoutMs");
        QTest::newRow("swap while a poll waits") << "1400" << "2000";
        QTest::newRow("swap between polls") << "100" << "1000";
    }
    void programTellsAnAlikeModuleFromTheOneProgrammed()
    {
        QFETCH(QString, swapMs);
        QFETCH(QString, timeoutMs);
        Programs::Emulator jig(at("jig"), {"model=35", "--jig", "2", "--jig-gap", swapMs});
        QVERIFY(jig.started);
        QProcess ctl;
        ctl.setWorkingDirectory(dir.path());
        ctl.start(qEnvironmentVariable("RFMOD_CTL"), {"--port", at("jig"), "--gap", "60", "--timeout", timeoutMs, "program",
                                                      "--profile", at("p.ini"), "--count", "2"});
        QString err;
        QObject::connect(&ctl, &QProcess::readyReadStandardError, [&] { err += QString::fromUtf8(ctl.readAllStandardError()); });
        QVERIFY(Wait::until([&] { return ctl.state() == QProcess::NotRunning; }, 40000));
        ctl.terminate(); // as Ctrl+C, when it still runs
        ctl.waitForFinished(10000);
        err += QString::fromUtf8(ctl.readAllStandardError());
        QVERIFY2(err.contains("programmed 2, failed 0"), qPrintable(err.right(300)));
        // A profile that writes nothing is refused.
        Programs::WriteFile(at("empty.ini"), "[Profile]\r\nFormat=1\r\n");
        QCOMPARE(Ctl(dir.path(), {"--port", "sim", "program", "--profile", at("empty.ini"), "--count", "1"}, 20000).exitCode, 2);
    }

    // Two processes taking numbers against each other never get the same one.
    void twoProcessesShareOneSequence()
    {
        QList<int> numbers;
        for (int round = 0; round < 8; ++round) {
            QList<std::shared_ptr<QProcess>> procs;
            for (int p = 0; p < 2; ++p) {
                auto proc = std::make_shared<QProcess>();
                proc->setWorkingDirectory(dir.path());
                proc->start(qEnvironmentVariable("RFMOD_CTL"), {"--port", "sim", "--gap", "60", "sn", "next"});
                procs << proc;
            }
            for (auto& proc : procs) {
                QVERIFY(proc->waitForFinished(20000));
                QCOMPARE(proc->exitCode(), 0);
                const QString out = QString::fromUtf8(proc->readAllStandardOutput());
                numbers << out.section("serial_number: ", 1).trimmed().toInt();
            }
        }
        std::sort(numbers.begin(), numbers.end());
        QList<int> expected;
        for (int n = 100; n < 116; ++n)
            expected << n;
        QCOMPARE(numbers, expected);
    }

    // The emulator behind one port dies: that port is reported, the others finish.
    void aPortGoesAwayTheOthersGoOn()
    {
        Programs::Emulator a(at("a"), {"model=35", "--jig", "2", "--jig-gap", "1200"});
        Programs::Emulator b(at("b"), {"model=35", "--jig", "2", "--jig-gap", "1200"});
        QVERIFY(a.started && b.started);
        QProcess ctl;
        ctl.setWorkingDirectory(dir.path());
        ctl.start(qEnvironmentVariable("RFMOD_CTL"), {"--port", at("a"), "--port", at("b"), "--gap", "60", "--timeout",
                                                      "300", "program", "--profile", at("p.ini"), "--count", "2",
                                                      "--log", at("run.csv")});
        QVERIFY(ctl.waitForStarted());
        QString err;
        QObject::connect(&ctl, &QProcess::readyReadStandardError, [&] { err += QString::fromUtf8(ctl.readAllStandardError()); });
        // Killed while its first module is on: that port is lost, the other one goes on.
        QVERIFY(Wait::until([&] { return Programs::ReadFile(at("run.csv")).contains(",COM2,"); }, 15000));
        b.kill();
        QVERIFY(Wait::until([&] { return Programs::ReadFile(at("run.csv")).count(",COM1,") == 2; }, 20000));
        QVERIFY(Wait::until([&] { return err.contains("COM2: 1 ok, 0 failed - port lost"); }, 5000));
        ctl.terminate(); // as Ctrl+C: the run ends with its summary
        QVERIFY(ctl.waitForFinished(10000));
        err += QString::fromUtf8(ctl.readAllStandardError());
        QVERIFY2(err.contains("programmed 3, failed 0"), qPrintable(err.right(300)));
        QCOMPARE(ctl.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRfmodctlPorts)
#include "tst_rfmodctl_ports.moc"
