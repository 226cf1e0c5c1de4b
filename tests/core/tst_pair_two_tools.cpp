// Two pair-test stations (rfmodctl pair), each in its own process with its own module:
// main-send against main-receive through two rfmod-emu modules joined over the UDP air link.
// The counters of the two stations must match each other.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString Emu() { return qEnvironmentVariable("RFMOD_EMU"); }
QString Station() { return qEnvironmentVariable("RFMOD_CTL"); }

QMap<QString, int> Counters(const QByteArray& out)
{
    QMap<QString, int> m;
    for (const QByteArray& line : out.split('\n')) {
        if (!line.startsWith("counters "))
            continue;
        for (const QByteArray& kv : line.mid(9).split(' ')) {
            const int eq = kv.indexOf('=');
            if (eq > 0)
                m[QString::fromLatin1(kv.left(eq))] = kv.mid(eq + 1).toInt();
        }
    }
    return m;
}

// rfmod-emu on a pseudo-terminal; returns the slave path.
QString StartEmu(QProcess& p, const QStringList& args)
{
    p.start(Emu(), args);
    if (!p.waitForStarted(5000) || !p.waitForReadyRead(5000))
        return QString();
    return QString::fromLocal8Bit(p.readLine()).trimmed();
}

} // namespace

class PairTwoTools : public QObject {
    Q_OBJECT
private slots:
    void mainSendAgainstMainReceive()
    {
        if (Emu().isEmpty() || !QFile::exists(Station()))
            QSKIP("rfmod-emu or rfmodctl not built");
        const QString portA = QString::number(47600 + QCoreApplication::applicationPid() % 200 * 2);
        const QString portB = QString::number(portA.toInt() + 1);
        const QString settings = QStringLiteral("baud=38400,parity=none,air=19200,channel=5");
        QProcess emuA, emuB;
        const QString ptyA = StartEmu(emuA, {settings, "--air-listen", portA, "--air-peer", portB});
        const QString ptyB = StartEmu(emuB, {settings, "--air-listen", portB, "--air-peer", portA});
        QVERIFY(!ptyA.isEmpty() && !ptyB.isEmpty());

        QTemporaryDir dirA, dirB;
        for (auto [dir, pty] : {std::pair<QTemporaryDir*, QString>{&dirA, ptyA}, {&dirB, ptyB}}) {
            QFile f(dir->filePath("Config.ini"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QStringLiteral("[Ports]\r\nCOM1=%1\r\n[COM]\r\nRate=6\r\n").arg(pty).toUtf8());
        }
        QProcess receiver, sender;
        receiver.setWorkingDirectory(dirB.path());
        sender.setWorkingDirectory(dirA.path());
        receiver.start(Station(), {"--gap", "60", "pair", "--role", "receive", "--seconds", "9"});
        QVERIFY(receiver.waitForStarted());
        QTest::qWait(1500);
        sender.start(Station(), {"--gap", "60", "pair", "--role", "send", "--seconds", "5", "--data", "PAIR-TEST-0123456789"});
        QVERIFY(sender.waitForStarted());
        QVERIFY(sender.waitForFinished(30000));
        QVERIFY(receiver.waitForFinished(30000));
        const QByteArray sOut = sender.readAllStandardOutput();
        const QByteArray rOut = receiver.readAllStandardOutput();
        const auto s = Counters(sOut);
        const auto r = Counters(rOut);
        QVERIFY2(!s.isEmpty() && !r.isEmpty(), (sOut + rOut + sender.readAllStandardError()).constData());
        qInfo("sender %s", sOut.trimmed().constData());
        qInfo("receiver %s", rOut.trimmed().constData());

        QVERIFY(s["sent"] >= 5);
        QCOMPARE(r["received"], s["sent"]);    // every block reached main-receive
        QCOMPARE(r["sent"], r["received"]);    // and was sent back
        QCOMPARE(s["received"], r["sent"]);    // every echo came home
        QCOMPARE(s["success"], s["received"]);
        QCOMPARE(s["error"], 0);
        QCOMPARE(r["error"], 0);
        QCOMPARE(s["tx"], s["sent"] * 20);
        QCOMPARE(r["rx"], s["tx"]);
        QCOMPARE(s["rx"], r["tx"]);

        emuA.terminate();
        emuB.terminate();
        emuA.waitForFinished(3000);
        emuB.waitForFinished(3000);
    }
};

QTEST_GUILESS_MAIN(PairTwoTools)
#include "tst_pair_two_tools.moc"
