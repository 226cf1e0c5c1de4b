// Config.ini as the tool reads and writes it: values that do not read give the defaults,
// writing the options keeps everything else in the file as it was, and a write that fails or
// meets a reader leaves a whole file behind.
#include "core/config/SerialNumberStore.h"
#include "core/config/ToolConfig.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <sys/resource.h>
#include <thread>

namespace {

struct ConfigFile {
    explicit ConfigFile(const QByteArray& text)
    {
        QFile f(path());
        if (f.open(QIODevice::WriteOnly))
            f.write(text);
    }
    QString path() const { return QDir(dir.path()).filePath(QStringLiteral("Config.ini")); }
    QByteArray text() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

} // namespace

class ToolConfigTest : public QObject {
    Q_OBJECT
private slots:
    void valuesThatDoNotReadGiveTheDefaults_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("testDelay");
        QTest::newRow("garbage") << QByteArray("[Option]\r\nDelay time=abc\r\nRX timer=\r\nTest Delay Time=1.5\r\n"
                                               "Search before R/W=yes\r\n")
                                 << 1500;
        QTest::newRow("huge") << QByteArray("[Option]\nDelay time=99999999999999999999\nRX timer=-99999999999\n"
                                            "Test Delay Time=2000000000\n")
                              << 10000;
        QTest::newRow("negative") << QByteArray("[Option]\nTest Delay Time=-5\n") << 0;
        QTest::newRow("no sections") << QByteArray("just text\r\n==\r\n[\r\n") << 1500;
    }

    void valuesThatDoNotReadGiveTheDefaults()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, testDelay);
        const ToolConfig::Options o = ToolConfig::ReadOptions(ConfigFile(file).path());
        // the set-all chain waits this long before the transmit test
        QCOMPARE(o.testDelayTime, testDelay);
        if (file.contains("abc")) {
            QCOMPARE(o.delayTime, 333);
            QCOMPARE(o.rxTimer, 30);
            QVERIFY(o.searchBeforeRW);
        }
    }

    void writingOptionsKeepsTheRestOfTheFile()
    {
        ConfigFile crlf("; operator notes\r\n[Custom]\r\nKey With Space=a/b\r\nRaw=\xB2\xE2\xCA\xD4\r\n"
                        "[Ports]\r\nCOM1=sim\r\n[Option]\r\nTest Delay Time=700\r\n");
        ToolConfig::Options o;
        o.delayTime = 60;
        o.rxTimer = 500;
        QVERIFY(ToolConfig::WriteOptions(crlf.path(), o));
        const QByteArray text = crlf.text();
        for (const char* kept : {"; operator notes", "Key With Space=a/b", "Raw=\xB2\xE2\xCA\xD4", "COM1=sim",
                                 "Test Delay Time=700", "\r\n"})
            QVERIFY2(text.contains(kept), kept);
        QVERIFY(text.indexOf("[Custom]") < text.indexOf("[Option]"));
        // the keys exactly as the tool has always written them
        for (const char* line : {"Delay time=60", "RX timer=500", "RX/TX conversion=20", "Frame delay=0",
                                 "Search before R/W=1"})
            QVERIFY2(text.contains(line), line);
        QVERIFY(!text.contains("%20"));

        // a byte-order mark neither hides the section nor goes; an LF file stays LF
        ConfigFile lf("\xEF\xBB\xBF[Option]\nFrame delay=1\n");
        QVERIFY(ToolConfig::ReadOptions(lf.path()).frameDelay);
        QVERIFY(ToolConfig::WriteOptions(lf.path(), o));
        QVERIFY(lf.text().startsWith("\xEF\xBB\xBF"));
        QVERIFY(!lf.text().contains("\r\n"));
    }

    void aWriteThatFailsLeavesTheFileAsItWas()
    {
        QByteArray text = "[Ports]\r\nCOM1=sim\r\n[SN]\r\nNO=00041\r\n[Option]\r\nDelay time=60\r\n";
        text += "Notes=" + QByteArray(600, 'x') + "\r\n";
        ConfigFile config(text);
        // Files may not grow past 200 bytes: as on a full disk, writing Config.ini fails.
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 200;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        SerialNumberStore store(config.path());
        QString error, checkError;
        const bool writable = store.checkWritable(&checkError);
        const int taken = store.take(&error);
        IniWriteError optionsError;
        const bool optionsWritten = ToolConfig::WriteOptions(config.path(), ToolConfig::Options{}, &optionsError);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);

        QVERIFY(!writable);
        QVERIFY2(checkError.contains(QLatin1String("cannot be written")), qPrintable(checkError));
        QCOMPARE(taken, -1);
        QVERIFY(error.contains(config.path()));
        QVERIFY(!optionsWritten);
        QCOMPARE(optionsError.kind, IniWriteError::Kind::WriteFailed);
        QCOMPARE(config.text(), text);
        // once the disk has room the sequence goes on where it was
        QCOMPARE(store.take(&error), 42);
    }

    void aReaderNeverSeesAHalfWrittenFile()
    {
        ConfigFile config("[SN]\r\nNO=00041\r\n[Option]\r\nDelay time=60\r\n");
        std::atomic<bool> done{false};
        std::atomic<int> emptyReads{0};
        std::thread reader([&] {
            while (!done)
                if (ToolConfig::ReadSn(config.path()).number != QLatin1String("00041"))
                    ++emptyReads;
        });
        ToolConfig::Options o;
        for (int i = 0; i < 300; ++i) {
            o.delayTime = i;
            ToolConfig::WriteOptions(config.path(), o);
        }
        done = true;
        reader.join();
        QCOMPARE(emptyReads.load(), 0);
        QCOMPARE(ToolConfig::ReadOptions(config.path()).delayTime, 299);
    }

    void handNumbersAreClaimedBeforeTheyGoOut()
    {
        ConfigFile config("[SN]\r\nNO=00041\r\nReleased=00030\r\n");
        SerialNumberStore store(config.path());
        QString error;
        int last = -1;
        QCOMPARE(store.claim(30, false, &last, &error), SerialNumberStore::Claim::Claimed); // given back: free
        QCOMPARE(store.claim(41, false, &last, &error), SerialNumberStore::Claim::AlreadyHandedOut);
        QCOMPARE(last, 41);
        QCOMPARE(store.claim(41, true, &last, &error), SerialNumberStore::Claim::Claimed);
        QCOMPARE(store.claim(45, false, &last, &error), SerialNumberStore::Claim::Claimed);
        // the window's choice never lowers the sequence
        QVERIFY(store.keepChoice({10, QStringLiteral("2026"), QStringLiteral("12")}, 43, &error));
        QCOMPARE(ToolConfig::ReadSn(config.path()).number, QStringLiteral("00045"));
        QCOMPARE(store.take(&error), 46);

        // a lock that cannot be made is no other program's
        QCOMPARE(SerialNumberStore(config.dir.filePath("gone/Config.ini")).take(&error), -1);
        QVERIFY2(error.contains(QLatin1String("cannot be created")), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(ToolConfigTest)
#include "tst_toolconfig.moc"
