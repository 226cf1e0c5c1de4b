// A line of stations on PostgreSQL under faults: stations interrupted and killed and started
// again, commits whose answer is lost, connections frozen and reset, the server stopped for a
// while, and `sn next` beside them. Then what every module really carries (the jigs' own
// record) is held against the production record: no number on two modules, every number a
// module carries recorded ok once or listed as unconfirmed, no record twice. The faults come
// from a seed that is printed (RFMOD_CHAOS_SEED gives another).
#include "support/Programs.h"
#include "support/Wait.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <csignal>
#include <memory>
#include <random>
#include <vector>

namespace {

const QByteArray kProfile = "[Profile]\r\nFormat=1\r\n[Parameters]\r\nChannel=4\r\nRadioId=3\r\n";
const QByteArray kConfig = "[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\n[SN]\r\nYear=2026\r\nMonth=12\r\nNO=00099\r\n";
constexpr int kStations = 3;
constexpr int kModulesPerJig = 18;
constexpr qint64 kChaosMs = 45000;   // faults are injected this long
constexpr qint64 kDeadlineMs = 150000; // every module off its jig by then

// The throwaway cluster's URL, with the database and port given.
QString UrlOf(const QString& url, const QString& database, int port = 0)
{
    QString out = url.section(QLatin1Char('/'), 0, -2) + QLatin1Char('/') + database;
    if (port)
        out.replace(QRegularExpression(QStringLiteral(":\\d+/")), QStringLiteral(":%1/").arg(port));
    return out;
}

// A database of its own, so the other production tests' tables are not touched.
bool FreshDatabase(const QString& url, const QString& name, QString* why)
{
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("@([^:/]+):(\\d+)/")).match(url);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("chaos-admin"));
    db.setHostName(m.captured(1));
    db.setPort(m.captured(2).toInt());
    db.setUserName(QStringLiteral("postgres"));
    db.setDatabaseName(QStringLiteral("postgres"));
    bool ok = db.open();
    if (ok) {
        QSqlQuery q(db);
        ok = q.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name))
             && q.exec(QStringLiteral("CREATE DATABASE %1 OWNER rfmod").arg(name));
        *why = q.lastError().text();
    } else {
        *why = db.lastError().text();
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("chaos-admin"));
    return ok;
}

// "2026-12-00104": one serial number of the one model the jigs make.
QString Key(int year, int month, int sequence)
{
    return QStringLiteral("%1-%2-%3").arg(year).arg(month, 2, 10, QLatin1Char('0')).arg(sequence, 5, 10, QLatin1Char('0'));
}

struct Station {
    QString dir, name;
    QStringList ports;
    std::unique_ptr<QProcess> proc;
    QElapsedTimer down; // since it ended, for the start again
    int runs = 0;
};

} // namespace

class ProductionChaos : public QObject {
    Q_OBJECT
private slots:
    void stationsUnderFaults()
    {
        const QString pgDir = qEnvironmentVariable("RFMOD_PG_DIR"), script = qEnvironmentVariable("RFMOD_PG_SCRIPT");
        const QString serverUrl = QString::fromUtf8(Programs::ReadFile(pgDir + QStringLiteral("/url"))).trimmed();
        QVERIFY2(!serverUrl.isEmpty(), "no PostgreSQL: the test run starts one (scripts/pg-throwaway.sh)");
        QString why;
        QVERIFY2(FreshDatabase(serverUrl, QStringLiteral("rfmod_chaos"), &why), qPrintable(why));
        const QString direct = UrlOf(serverUrl, QStringLiteral("rfmod_chaos"));

        const uint seed = qEnvironmentVariableIsSet("RFMOD_CHAOS_SEED") ? qEnvironmentVariable("RFMOD_CHAOS_SEED").toUInt() : 20261203u;
        qInfo("chaos seed %u (RFMOD_CHAOS_SEED repeats a run)", seed);
        std::mt19937 rng(seed);
        auto random = [&](int from, int to) { return std::uniform_int_distribution<int>(from, to)(rng); };

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        auto keep = qScopeGuard([&] {
            if (QTest::currentTestFailed()) {
                dir.setAutoRemove(false);
                qInfo("the run is kept in %s", qPrintable(dir.path()));
            }
        });
        const QString base = dir.path();
        Programs::WriteFile(dir.filePath(QStringLiteral("p.ini")), kProfile);
        Programs::WriteFile(dir.filePath(QStringLiteral("Config.ini")), kConfig);
        auto init = Programs::Ctl(base, {QStringLiteral("--db"), direct, QStringLiteral("db"), QStringLiteral("init")});
        QVERIFY2(init.exitCode == 0, qPrintable(init.err));

        QProcess proxy;
        proxy.start(qEnvironmentVariable("RFMOD_PROXY"), {QStringLiteral("--target"), direct.section(QLatin1Char('@'), 1).section(QLatin1Char('/'), 0, 0)});
        QVERIFY(proxy.waitForStarted(5000) && Wait::until([&] { return proxy.canReadLine(); }, 10000));
        const QString viaProxy = UrlOf(serverUrl, QStringLiteral("rfmod_chaos"), proxy.readLine().trimmed().toInt());
        QByteArray answer;
        auto command = [&](const QByteArray& line) {
            proxy.write(line + '\n');
            answer = Wait::until([&] { return proxy.canReadLine(); }, 10000) ? proxy.readLine().trimmed() : QByteArray();
            return answer.startsWith("ok");
        };

        // Every station has two jigs; most put on a faulty module, or one taken off in the middle
        // of its programming. After such a module the jig stays empty until the station has
        // given up on it and seen it gone: a new module in the same state is taken for it.
        QList<std::shared_ptr<Programs::Emulator>> jigs;
        QStringList records;
        std::vector<Station> stations(kStations);
        for (int s = 0; s < kStations; ++s) {
            Station& st = stations[s];
            st.name = QStringLiteral("S%1").arg(s);
            st.dir = dir.filePath(st.name);
            QVERIFY(QDir(base).mkpath(st.name));
            Programs::WriteFile(st.dir + QStringLiteral("/Config.ini"), kConfig);
            for (int j = 0; j < 2; ++j) {
                const int n = jigs.size();
                records << dir.filePath(QStringLiteral("jig%1.txt").arg(n));
                QStringList args{QStringLiteral("model=35"), QStringLiteral("--jig"), QString::number(kModulesPerJig),
                                 QStringLiteral("--jig-gap"), QStringLiteral("150"), QStringLiteral("--jig-bad-gap"),
                                 QStringLiteral("5000"), QStringLiteral("--jig-record"), records.last()};
                if (n % 3)
                    args << (n % 3 == 1 ? QStringLiteral("--jig-faulty") : QStringLiteral("--jig-pull")) << QString::number(random(2, kModulesPerJig));
                jigs << std::make_shared<Programs::Emulator>(dir.filePath(QStringLiteral("jig%1").arg(n)), args);
                QVERIFY(jigs.last()->started);
                st.ports << QStringLiteral("--port") << dir.filePath(QStringLiteral("jig%1").arg(n));
            }
        }
        auto start = [&](Station& st) {
            st.proc = std::make_unique<QProcess>();
            st.proc->setWorkingDirectory(st.dir);
            st.proc->setStandardOutputFile(st.dir + QStringLiteral("/out.txt"), QIODevice::Append);
            st.proc->setStandardErrorFile(st.dir + QStringLiteral("/err.txt"), QIODevice::Append);
            st.proc->start(qEnvironmentVariable("RFMOD_CTL"),
                           QStringList{QStringLiteral("--db"), viaProxy, QStringLiteral("--station"), st.name} + st.ports
                               + QStringList{QStringLiteral("--gap"), QStringLiteral("60"), QStringLiteral("--timeout"), QStringLiteral("300"),
                                             QStringLiteral("program"), QStringLiteral("--profile"), dir.filePath(QStringLiteral("p.ini")),
                                             QStringLiteral("--sn-next")});
            st.runs++;
            st.down.invalidate();
        };
        auto running = [](const Station& st) { return st.proc && st.proc->state() != QProcess::NotRunning; };
        for (Station& st : stations)
            start(st);
        auto jigsDone = [&] {
            for (int j = 0; j < 2 * kStations; ++j)
                if (QString::fromUtf8(Programs::ReadFile(records[j])).count(QLatin1Char('\n')) < kModulesPerJig)
                    return false;
            return true;
        };
        // Runs the event loop for `ms`, starting again every station that ended a moment ago.
        auto tend = [&](int ms) {
            QElapsedTimer t;
            t.start();
            do {
                for (Station& st : stations) {
                    if (running(st))
                        continue;
                    if (!st.down.isValid())
                        st.down.start();
                    else if (st.down.elapsed() > 500)
                        start(st);
                }
                Wait::pump(50);
            } while (t.elapsed() < ms && !jigsDone());
        };

        // `sn next` on a module of its own, once, beside the stations.
        QVERIFY(QDir(base).mkpath(QStringLiteral("sn")));
        Programs::WriteFile(dir.filePath(QStringLiteral("sn/Config.ini")), kConfig);
        records << dir.filePath(QStringLiteral("sn.txt"));
        jigs << std::make_shared<Programs::Emulator>(dir.filePath(QStringLiteral("snjig")),
                                                     QStringList{QStringLiteral("model=35"), QStringLiteral("--jig-record"), records.last()});
        QVERIFY(jigs.last()->started);
        QProcess snNext;
        snNext.setWorkingDirectory(dir.filePath(QStringLiteral("sn")));
        bool snStarted = false;

        QMap<QString, int> faults;
        QElapsedTimer clock;
        clock.start();
        bool paused = false;
        auto resume = qScopeGuard([&] {
            if (paused)
                QProcess::execute(script, {QStringLiteral("resume"), pgDir});
        });
        while (clock.elapsed() < kChaosMs && !jigsDone()) {
            tend(random(1500, 3500));
            if (!snStarted && (snStarted = true))
                snNext.start(qEnvironmentVariable("RFMOD_CTL"), {QStringLiteral("--db"), viaProxy, QStringLiteral("sn"), QStringLiteral("next"),
                                                                  QStringLiteral("--port"), dir.filePath(QStringLiteral("snjig"))});
            Station& st = stations[random(0, kStations - 1)];
            const int kind = faults.value(QStringLiteral("server pause")) == 0 && clock.elapsed() > kChaosMs / 3 ? 5 : random(0, 4);
            if (kind == 0 && running(st)) {
                ::kill(pid_t(st.proc->processId()), SIGINT);
                faults[QStringLiteral("SIGINT")]++;
            } else if (kind == 1 && running(st)) {
                st.proc->kill();
                faults[QStringLiteral("SIGKILL")]++;
            } else if (kind == 2) {
                QVERIFY(command("drop-after-commit " + QByteArray::number(random(1, 2))));
                faults[QStringLiteral("commit answer dropped")]++;
            } else if (kind == 3) {
                QVERIFY(command("freeze"));
                tend(random(2000, 4000));
                QVERIFY(command("thaw"));
                faults[QStringLiteral("freeze")]++;
            } else if (kind == 4) {
                QVERIFY(command("reset"));
                faults[QStringLiteral("reset")]++;
            } else if (kind == 5) {
                QCOMPARE(QProcess::execute(script, {QStringLiteral("pause"), pgDir}), 0);
                paused = true;
                tend(2000);
                QCOMPARE(QProcess::execute(script, {QStringLiteral("resume"), pgDir}), 0);
                paused = false;
                faults[QStringLiteral("server pause")]++;
            }
        }
        QVERIFY(command("drop-after-commit 0") && command("thaw") && command("stats"));
        qInfo("proxy: %s", answer.constData());
        for (auto it = faults.cbegin(); it != faults.cend(); ++it)
            qInfo("fault %s: %d", qPrintable(it.key()), it.value());

        QStringList violations;
        tend(int(kDeadlineMs - clock.elapsed()));
        if (!jigsDone())
            violations << QStringLiteral("modules still on their jigs after %1 s").arg(kDeadlineMs / 1000);
        Wait::pump(1500); // the last record on its way
        for (Station& st : stations) {
            if (!running(st))
                continue;
            ::kill(pid_t(st.proc->processId()), SIGINT);
            if (!st.proc->waitForFinished(30000)) {
                violations << st.name + QStringLiteral(" did not end on SIGINT");
                st.proc->kill();
                st.proc->waitForFinished(5000);
            }
        }
        if (snNext.state() != QProcess::NotRunning && !snNext.waitForFinished(30000))
            violations << QStringLiteral("sn next did not end");
        for (auto& j : jigs)
            j->stop(); // the module on the jig is written down as it is

        // What waits in the spill files goes in as each station would send it.
        for (const Station& st : stations)
            Programs::Ctl(st.dir, {QStringLiteral("--db"), viaProxy, QStringLiteral("db"), QStringLiteral("check"), QStringLiteral("--json")});
        proxy.closeWriteChannel(); // its end
        proxy.waitForFinished(5000);
        const auto check = Programs::Ctl(base, {QStringLiteral("--db"), direct, QStringLiteral("db"), QStringLiteral("check"), QStringLiteral("--json")});
        const auto history = Programs::Ctl(base, {QStringLiteral("--db"), direct, QStringLiteral("history"), QStringLiteral("--json"),
                                                  QStringLiteral("--limit"), QStringLiteral("100000")});
        QVERIFY2(check.exitCode == 0 || check.exitCode == 1, qPrintable(check.err));
        QCOMPARE(history.exitCode, 0);
        if (check.exitCode == 1)
            violations << QStringLiteral("db check finds duplicates: ") + check.out.simplified();
        for (const Station& st : stations)
            if (!Programs::ReadFile(st.dir + QStringLiteral("/production-spill.jsonl")).trimmed().isEmpty())
                violations << st.name + QStringLiteral(": records left in the spill file");

        QSet<QString> unconfirmed;
        for (const QJsonValue v : QJsonDocument::fromJson(check.out.toUtf8()).object().value(QStringLiteral("unconfirmed")).toArray()) {
            const QJsonObject o = v.toObject();
            unconfirmed << Key(o.value(QStringLiteral("year")).toInt(), o.value(QStringLiteral("month")).toInt(),
                               o.value(QStringLiteral("serial_number")).toString().toInt());
        }
        QHash<QString, int> okRecords;
        QSet<QString> ids;
        const QJsonArray all = QJsonDocument::fromJson(history.out.toUtf8()).array();
        for (const QJsonValue v : all) {
            const QJsonObject o = v.toObject();
            const QString id = o.value(QStringLiteral("id")).toString();
            if (id.isEmpty() || ids.contains(id))
                violations << QStringLiteral("record id twice or none: ") + id;
            ids << id;
            const QString key = Key(o.value(QStringLiteral("year")).toInt(), o.value(QStringLiteral("month")).toInt(),
                                    o.value(QStringLiteral("serial_number")).toString().toInt());
            if (o.value(QStringLiteral("result")).toString() == QLatin1String("ok") && ++okRecords[key] == 2)
                violations << QStringLiteral("two ok records of ") + key;
        }

        // The jigs' word: "INDEX MODEL YEAR MONTH SEQUENCE" for every module that left.
        QHash<QString, QString> carriedBy;
        int modules = 0;
        for (const QString& r : records) {
            const QStringList lines = QString::fromUtf8(Programs::ReadFile(r)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            modules += lines.size();
            for (const QString& line : lines) {
                const QStringList f = line.split(QLatin1Char(' '));
                if (f.size() != 5 || f[1] != QLatin1String("35") || f[2] != QLatin1String("26") || f[3] != QLatin1String("12"))
                    continue; // not numbered by the stations (a faulty module keeps its own)
                const QString key = Key(2000 + f[2].toInt(), f[3].toInt(), f[4].toInt());
                const QString who = QFileInfo(r).baseName() + QStringLiteral(" module ") + f[0];
                if (carriedBy.contains(key))
                    violations << QStringLiteral("%1 on two modules: %2 and %3").arg(key, carriedBy[key], who);
                carriedBy[key] = who;
                if (okRecords.value(key) != 1 && !unconfirmed.contains(key))
                    violations << QStringLiteral("%1 carries %2: %3 ok records, not unconfirmed").arg(who, key).arg(okRecords.value(key));
            }
        }
        qInfo("%d modules, %d numbered, %lld records, %lld unconfirmed, station runs %d/%d/%d, %lld s",
              modules, int(carriedBy.size()), qlonglong(all.size()), qlonglong(unconfirmed.size()), stations[0].runs,
              stations[1].runs, stations[2].runs, clock.elapsed() / 1000);
        for (const QString& v : violations)
            qWarning("violation: %s", qPrintable(v));
        QVERIFY2(violations.isEmpty(), qPrintable(QStringLiteral("%1 violations (above)").arg(violations.size())));
        QVERIFY2(carriedBy.size() >= kStations * 2 * kModulesPerJig / 2, "too few modules numbered to judge");
    }
};

QTEST_GUILESS_MAIN(ProductionChaos)
#include "tst_production_chaos.moc"
