// Replays every input the fuzzers found faults with (fuzz/regressions/<target>/) and the
// seed inputs (fuzz/corpus/<target>/) through the fuzz targets' own entry functions. A
// fault comes back as a crash (or a sanitizer report in the sanitizer build); a broken
// property (hex round trip, keys kept by an INI write, ...) as a failure naming it.
#include "fuzz_entries.h"

#include "core/config/IniFile.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QFile>
#include <QtTest>

class TestFuzzRegressions : public QObject {
    Q_OBJECT

private:
    QStringList broken;

    static void AddRows(const QString& folder)
    {
        const QDir root(QStringLiteral(RFMOD_FUZZ_DIR "/") + folder);
        for (const QString& target : FuzzEntries::Targets()) {
            QDirIterator it(root.filePath(target), QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = it.next();
                QTest::newRow(qPrintable(folder + QLatin1Char('/') + target + QLatin1Char('/') + it.fileName()))
                    << target << path;
            }
        }
    }

    void Replay()
    {
        QFETCH(QString, target);
        QFETCH(QString, path);
        QFile f(path);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
        broken.clear();
        QVERIFY(FuzzEntries::Run(target, f.readAll()));
        QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QLatin1String("; "))));
    }

private slots:
    void initTestCase()
    {
        FuzzEntries::SetFailureHandler([this](const QString& what) { broken << what; });
    }
    void cleanupTestCase()
    {
        FuzzEntries::SetFailureHandler(nullptr);
        FuzzEntries::Shutdown();
    }

    // Every kept fault-finding input runs clean now.
    void regressions_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("path");
        AddRows(QStringLiteral("regressions"));
    }
    void regressions() { Replay(); }

    // The seed frames run clean too, so the entries work in the ordinary build.
    void corpus_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("path");
        AddRows(QStringLiteral("corpus"));
    }
    void corpus() { Replay(); }

    // A NUL byte in Config.ini (a file damaged by a crash) used to end what the reader saw,
    // so the next write dropped every section after it.
    void iniWriteKeepsWhatFollowsANulByte()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Config.ini"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("[Ver]\r\ntype=VORDAL\r\n\0\0[Ports]\r\nCOM1=sim\r\n", 41));
        f.close();
        {
            IniFile ini(path);
            QCOMPARE(ini.ReadString(QStringLiteral("Ports"), QStringLiteral("COM1"), QString()), QStringLiteral("sim"));
            QVERIFY(ini.WriteInteger(QStringLiteral("Option"), QStringLiteral("Delay time"), 500));
        }
        IniFile again(path);
        QCOMPARE(again.ReadString(QStringLiteral("Ports"), QStringLiteral("COM1"), QString()), QStringLiteral("sim"));
        QCOMPARE(again.ReadString(QStringLiteral("Ver"), QStringLiteral("type"), QString()), QStringLiteral("VORDAL"));
        QCOMPARE(again.ReadInteger(QStringLiteral("Option"), QStringLiteral("Delay time"), 0), 500);
    }

    // Every target has seeds, so the fuzz runs start from real frames, not from nothing.
    void everyTargetHasSeeds()
    {
        for (const QString& target : FuzzEntries::Targets()) {
            const QDir seeds(QStringLiteral(RFMOD_FUZZ_DIR "/corpus/") + target);
            QVERIFY2(!seeds.entryList(QDir::Files).isEmpty(), qPrintable(target));
        }
        QVERIFY(!FuzzEntries::Run(QStringLiteral("no such target"), QByteArray("x")));
    }
};

QTEST_MAIN(TestFuzzRegressions)
#include "tst_fuzz_regressions.moc"
