// Replays every input the fuzzers found faults with (fuzz/regressions/<target>/) and the
// seed inputs (fuzz/corpus/<target>/) through the fuzz targets' own entry functions. A
// fault comes back as a crash (or a sanitizer report in the sanitizer build); a broken
// property (hex round trip, keys kept by an INI write, ...) as a failure naming it.
#include "fuzz_entries.h"

#include <QDir>
#include <QDirIterator>
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
