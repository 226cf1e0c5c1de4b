// rfmodctl as a user runs it: against the built-in simulated module for what one process
// does, against rfmod-emu on pseudo-terminals for what several processes share (a module
// written by one and read by the next, the serial numbers, the production jig).
#include "support/ModuleAnswers.h"
#include "support/Programs.h"
#include "support/Pty.h"

#include "core/protocol/HexText.h"
#include "core/protocol/Requests.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using Programs::Ctl;

class TestRfmodctl : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString at(const char* name) const { return dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo(qEnvironmentVariable("RFMOD_CTL")).isExecutable());
        QVERIFY(QFileInfo(qEnvironmentVariable("RFMOD_EMU")).isExecutable());
    }

    void init() { Programs::WriteFile(at("Config.ini"), "[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\n"); }

    // The global options may come after the command as well.
    void searchFindsTheModuleAndIdentifiesIt()
    {
        const auto r = Ctl(dir.path(), {"search", "--port", "sim:baud=4800,parity=odd,model=35,band=433", "--json",
                                        "--step-ms", "200"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(o.value("baud").toInt(), 4800);
        QCOMPARE(o.value("parity").toString(), QStringLiteral("odd"));
        QCOMPARE(o.value("family").toString(), QStringLiteral("52X"));
        QCOMPARE(o.value("firmware").toString(), QStringLiteral("1.2"));
        QCOMPARE(o.value("band").toString(), QStringLiteral("433MHZ"));
        QCOMPARE(o.value("model").toString(), QStringLiteral("525"));
    }

    // Exit codes: nothing answers, no such device, a bad argument (nothing opened, nothing sent).
    void failuresHaveTheirExitCodes()
    {
        QCOMPARE(Ctl(dir.path(), {"--port", "sim:mute", "read"}).exitCode, 3);
        QCOMPARE(Ctl(dir.path(), {"--port", "sim:mute", "search", "--step-ms", "50"}).exitCode, 3);
        const auto missing = Ctl(dir.path(), {"--port", "/dev/ttyNoSuchAdapter", "read"});
        QCOMPARE(missing.exitCode, 4);
        QVERIFY(missing.err.contains("/dev/ttyNoSuchAdapter"));
        const auto channel = Ctl(dir.path(), {"--port", "/dev/ttyNoSuchAdapter", "write", "--model", "525", "--channel", "40"});
        QCOMPARE(channel.exitCode, 2);
        QVERIFY(channel.err.contains("channel 40"));
        QCOMPARE(Ctl(dir.path(), {"write", "--air-rate", "1234"}).exitCode, 2);
        Programs::WriteFile(at("bad.ini"), "[Profile]\r\nFormat=1\r\n[Parameters]\r\nChanel=3\r\n");
        const auto profile = Ctl(dir.path(), {"write", "--profile", at("bad.ini")});
        QCOMPARE(profile.exitCode, 2);
        QVERIFY(profile.err.contains("Chanel"));
        // A port lost during the pair test is named, not only told by the exit code.
        Programs::Emulator emu(at("pairmodule"), {"model=35"});
        QVERIFY(emu.started);
        QProcess pair;
        pair.setWorkingDirectory(dir.path());
        pair.start(qEnvironmentVariable("RFMOD_CTL"), {"--port", at("pairmodule"), "pair", "--role", "receive",
                                                       "--seconds", "60", "--report", "1"});
        QVERIFY(pair.waitForReadyRead(10000)); // the first counters: the port is open
        emu.kill();
        QVERIFY(pair.waitForFinished(10000));
        QCOMPARE(pair.exitCode(), 4);
        QVERIFY(pair.readAllStandardError().contains("port lost"));
    }

    // Played by the test on a pseudo-terminal: a module that answers the search but not the
    // serial-number read is not found (3), and one whose port goes while it is read after a
    // search is a lost port (4), not a crash.
    void readEndsWhenTheModuleFallsSilentOrGoes()
    {
        auto answer = [](const char* code, const char* payload) {
            return HexText::HexTextToBytes(ModuleAnswers::Long(code, QLatin1String(payload)));
        };
        for (const bool searched : {false, true}) {
            Pty module;
            QVERIFY(module.open());
            QProcess ctl;
            ctl.setWorkingDirectory(dir.path());
            ctl.start(qEnvironmentVariable("RFMOD_CTL"), QStringList{"--port", module.slave(), "--gap", "60", "--timeout",
                                                                     "300", "read"} + (searched ? QStringList{"--search"} : QStringList{}));
            const QByteArray search = Requests::Search(false).frame;
            QCOMPARE(module.read(int(search.size()), 10000), search);
            QVERIFY(module.write(answer("0000", "301233")));
            const QByteArray snRead = Requests::ReadSerialNumber().frame;
            QCOMPARE(module.read(int(snRead.size())), snRead);
            if (searched) {
                QVERIFY(module.write(answer("000B", "3526120001")));
                const QByteArray readAll = Requests::ReadAll().frame;
                QCOMPARE(module.read(int(readAll.size())), readAll);
                module.close();
            }
            QVERIFY(ctl.waitForFinished(20000));
            QCOMPARE(ctl.exitStatus(), QProcess::NormalExit);
            QVERIFY2(ctl.exitCode() == (searched ? 4 : 3), ctl.readAllStandardError().constData());
        }
    }

    // Ctrl+C or SIGTERM while a command waits for a module that never answers: the job ends as
    // cancelled, said on stderr, with 128 + the signal, long before the answer time-out.
    void interruptCancelsWhatWaits_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("message");
        QTest::newRow("read, Ctrl+C") << QStringList{"read"} << int(SIGINT) << "Search: cancelled by SIGINT";
        QTest::newRow("search, SIGTERM") << QStringList{"search", "--step-ms", "60000"} << int(SIGTERM)
                                         << "Search: cancelled by SIGTERM";
        QTest::newRow("sn read, Ctrl+C") << QStringList{"sn", "read"} << int(SIGINT)
                                         << "SerialNumberRead: cancelled by SIGINT";
    }
    void interruptCancelsWhatWaits()
    {
        QFETCH(QStringList, args);
        QFETCH(int, signal);
        QFETCH(QString, message);
        QProcess ctl;
        ctl.setWorkingDirectory(dir.path());
        ctl.start(qEnvironmentVariable("RFMOD_CTL"),
                  QStringList{"--port", "sim:mute", "--trace", "--timeout", "60000"} + args);
        // The first frame traced: the request is out and its answer awaited.
        QString err;
        QObject::connect(&ctl, &QProcess::readyReadStandardError, [&] { err += QString::fromUtf8(ctl.readAllStandardError()); });
        QTRY_VERIFY_WITH_TIMEOUT(err.contains(" > "), 20000);
        QCOMPARE(::kill(pid_t(ctl.processId()), signal), 0);
        QTRY_COMPARE_WITH_TIMEOUT(ctl.state(), QProcess::NotRunning, 20000);
        err += QString::fromUtf8(ctl.readAllStandardError());
        QCOMPARE(ctl.exitStatus(), QProcess::NormalExit);
        QCOMPARE(ctl.exitCode(), 128 + signal);
        QVERIFY2(err.contains("rfmodctl: " + message), qPrintable(err));
    }

    // Bad input is refused with exit 2 before a module is read or anything is sent.
    void badInputIsRefusedFirst_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("message");
        QTest::newRow("COM number out of range") << QStringList{"--port", "COM99999", "read"} << QByteArray() << "COM99999";
        QTest::newRow("simulated module settings") << QStringList{"--port", "sim:model=zz", "read"} << QByteArray() << "'zz'";
        QTest::newRow("read --out into a missing directory")
            << QStringList{"--port", "sim:mute", "read", "--out", at("missing/m.ini")} << QByteArray() << "no such directory";
        QTest::newRow("profile is a directory") << QStringList{"write", "--profile", dir.path()} << QByteArray() << "is a directory";
        QVERIFY(::mkfifo(qPrintable(at("fifo.ini")), 0600) == 0 || QFileInfo::exists(at("fifo.ini")));
        QTest::newRow("profile is a FIFO") << QStringList{"write", "--profile", at("fifo.ini")} << QByteArray() << "not a regular file";
        QFile big(at("big.ini"));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(2 * 1024 * 1024));
        QTest::newRow("profile over 1 MB") << QStringList{"write", "--profile", at("big.ini")} << QByteArray() << "larger than 1 MB";
        QTest::newRow("term --hex with text") << QStringList{"--port", "sim:far-echo", "term", "--hex"}
                                              << QByteArray("41 42\nhello\n") << "not hex text";
    }
    void badInputIsRefusedFirst()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QString, message);
        const auto r = Ctl(dir.path(), args, 20000, input);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty()); // nothing read, nothing echoed back
    }

    // A module whose model is not known cannot be checked: refused unless --any-model.
    void unknownModelIsRefused()
    {
        Programs::WriteFile(at("p.ini"), "[Profile]\r\nFormat=1\r\n[Parameters]\r\nChannel=40\r\n");
        const auto w = Ctl(dir.path(), {"--port", "sim:model=99", "write", "--profile", at("p.ini")});
        QCOMPARE(w.exitCode, 1);
        QVERIFY2(w.err.contains("model code 99"), qPrintable(w.err));
        QCOMPARE(Ctl(dir.path(), {"--port", "sim:model=99", "write", "--profile", at("p.ini"), "--any-model"}).exitCode, 0);
        const auto p = Ctl(dir.path(), {"--port", "sim:model=99", "--gap", "60", "program", "--profile", at("p.ini"),
                                        "--count", "1"}, 20000);
        QCOMPARE(p.exitCode, 1);
        QVERIFY2(p.err.contains("programmed 0, failed 1"), qPrintable(p.err));
    }

    // Written by one process, read by the next; a serial change moves the PC port along.
    void writeVerifyThenReadInAnotherProcess()
    {
        const QString link = at("module");
        Programs::Emulator emu(link, {"model=35"});
        QVERIFY(emu.started);
        const auto w = Ctl(dir.path(), {"--port", link, "--gap", "60", "write", "--channel", "5", "--serial-baud",
                                        "19200", "--serial-parity", "odd", "--verify"});
        QCOMPARE(w.exitCode, 0);
        const auto old = Ctl(dir.path(), {"--port", link, "--gap", "60", "read"});
        QCOMPARE(old.exitCode, 3); // the module no longer listens at 9600
        const auto r = Ctl(dir.path(), {"--port", link, "--baud", "19200", "--parity", "odd", "--gap", "60", "--json", "read"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(o.value("channel").toInt(), 5);
        QCOMPARE(o.value("frequency").toString(), QStringLiteral("434.6940MHZ"));
        QCOMPARE(o.value("serial_baud").toInt(), 19200);
    }

    // Three modules on a jig, the second one faulty: every module gets a CSV line, the good
    // ones serial numbers, and the faulty one none; the number its write took out is not
    // handed out again (it went to a module).
    void programNumbersModuleAfterModule()
    {
        const QString link = at("jig");
        Programs::Emulator jig(link, {"model=35", "--jig", "3", "--jig-faulty", "2", "--jig-gap", "1200"});
        QVERIFY(jig.started);
        Programs::WriteFile(at("Config.ini"), "[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\n[SN]\r\nModel=10\r\nYear=2026\r\nMonth=12\r\nNO=00041\r\n");
        Programs::WriteFile(at("p.ini"), "[Profile]\r\nFormat=1\r\n[Parameters]\r\nChannel=7\r\nRadioId=9\r\nSerialBaud=9600\r\nSerialParity=none\r\nAirRate=9600\r\n");
        const auto r = Ctl(dir.path(), {"--port", link, "--gap", "60", "--timeout", "300", "program", "--profile",
                                        at("p.ini"), "--sn-next", "--count", "3", "--log", at("run.csv"), "--order", "WO 7"},
                           90000);
        QCOMPARE(r.exitCode, 1); // one module failed
        const QStringList lines = QString::fromUtf8(Programs::ReadFile(at("run.csv"))).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[1].contains(",00042,7,") && lines[1].endsWith(",9,ok,,WO 7"));
        QVERIFY(lines[2].contains(",failed,") && lines[2].endsWith(",WO 7"));
        QVERIFY(lines[3].contains(",00044,7,") && lines[3].endsWith(",ok,,WO 7"));
        QVERIFY(Programs::ReadFile(at("Config.ini")).contains("NO=00044"));
        QVERIFY(r.err.contains("programmed 2, failed 1"));
    }

    void numbersThatCannotBeRecordedAreNotHandedOut()
    {
        const QByteArray config = "[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\nNotes=" + QByteArray(400, 'x') + "\r\n[SN]\r\nNO=00041\r\n";
        Programs::WriteFile(at("Config.ini"), config);
        Programs::WriteFile(at("p.ini"), "[Profile]\r\nFormat=1\r\n[Parameters]\r\nChannel=7\r\n");
        // Children inherit a 200-byte file size limit: Config.ini cannot be written, as on a full disk.
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 200;
        setrlimit(RLIMIT_FSIZE, &small);
        const auto next = Ctl(dir.path(), {"--port", "sim", "sn", "next", "--model", "525"});
        const auto program = Ctl(dir.path(), {"--port", "sim", "program", "--profile", at("p.ini"), "--sn-next"}, 10000);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
        QCOMPARE(next.exitCode, 1);
        QVERIFY2(next.err.contains("cannot be written"), qPrintable(next.err));
        QCOMPARE(program.exitCode, 1);
        QVERIFY2(program.err.contains("serial numbers cannot be recorded"), qPrintable(program.err));
        QCOMPARE(Programs::ReadFile(at("Config.ini")), config);
        QCOMPARE(Ctl(dir.path(), {"--port", "sim", "--json", "sn", "next", "--model", "525"}).exitCode, 0);
        QVERIFY(Programs::ReadFile(at("Config.ini")).contains("NO=00042"));
    }
};

QTEST_GUILESS_MAIN(TestRfmodctl)
#include "tst_rfmodctl.moc"
