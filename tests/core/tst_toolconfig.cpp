// Config.ini as the tool reads and writes it: values that do not read give the defaults, and
// writing the options keeps everything else in the file as it was.
#include "core/config/ToolConfig.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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
};

QTEST_GUILESS_MAIN(ToolConfigTest)
#include "tst_toolconfig.moc"
