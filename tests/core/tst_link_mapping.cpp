// Which device stands behind COMn: Config.ini entries first, then the default rules.
#include "core/link/PortMapping.h"
#include "core/config/ConfigFile.h"
#include "core/config/IniFile.h"

#include <QTemporaryDir>
#include <QtTest>

using PortMapping::Kind;

Q_DECLARE_METATYPE(PortMapping::Kind)

class TestLinkMapping : public QObject {
    Q_OBJECT
private slots:
    void resolve_data();
    void resolve();
    void usbAdaptersInComOrder();
    void describeSaysWhatStandsBehind();
    void configIniEntryIsReadEachTime();
};

void TestLinkMapping::resolve_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("configured");
    QTest::addColumn<QStringList>("adapters");
    QTest::addColumn<bool>("windows");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("simOptions");
    QTest::addColumn<bool>("fromConfig");

    const QStringList one{"/dev/ttyUSB0"};
    const QStringList two{"/dev/ttyACM0", "/dev/ttyUSB0"};
    QTest::newRow("entry beats an adapter") << 1 << "/dev/ttyS4" << one << false << Kind::Device << "/dev/ttyS4" << "" << true;
    QTest::newRow("entry path kept as given") << 2 << "  /tmp/pty link " << one << false << Kind::Device << "/tmp/pty link" << "" << true;
    QTest::newRow("entry beats Windows default") << 3 << "\\\\.\\COM12" << QStringList() << true << Kind::Device << "\\\\.\\COM12" << "" << true;
    QTest::newRow("sim alone: defaults") << 1 << "sim" << one << false << Kind::Simulated << "" << "" << true;
    QTest::newRow("SIM any case") << 1 << "SIM" << one << false << Kind::Simulated << "" << "" << true;
    QTest::newRow("sim with options") << 4 << "sim:model=35,band=433,baud=2400,parity=none" << QStringList() << false
                                      << Kind::Simulated << "" << "model=35,band=433,baud=2400,parity=none" << true;
    QTest::newRow("sim with empty options") << 4 << "sim:" << QStringList() << false << Kind::Simulated << "" << "" << true;
    QTest::newRow("one adapter is COM1") << 1 << "" << one << false << Kind::Device << "/dev/ttyUSB0" << "" << false;
    QTest::newRow("past the adapters: ttyS") << 2 << "" << one << false << Kind::Device << "/dev/ttyS1" << "" << false;
    QTest::newRow("no adapters: COM1 is ttyS0") << 1 << "" << QStringList() << false << Kind::Device << "/dev/ttyS0" << "" << false;
    QTest::newRow("second adapter") << 2 << "" << two << false << Kind::Device << "/dev/ttyUSB0" << "" << false;
    QTest::newRow("COM36 default") << 36 << "" << two << false << Kind::Device << "/dev/ttyS35" << "" << false;
    QTest::newRow("blank entry: default") << 1 << "   " << one << false << Kind::Device << "/dev/ttyUSB0" << "" << false;
    QTest::newRow("Windows: COMn") << 5 << "" << QStringList() << true << Kind::Device << "COM5" << "" << false;
    QTest::newRow("port 0") << 0 << "sim" << one << false << Kind::Invalid << "" << "" << false;
    QTest::newRow("port 37") << 37 << "" << one << false << Kind::Invalid << "" << "" << false;
}

void TestLinkMapping::resolve()
{
    QFETCH(int, port);
    QFETCH(QString, configured);
    QFETCH(QStringList, adapters);
    QFETCH(bool, windows);
    QFETCH(Kind, kind);
    QFETCH(QString, device);
    QFETCH(QString, simOptions);
    QFETCH(bool, fromConfig);
    const PortMapping::Target t = PortMapping::Resolve(port, configured, adapters, windows);
    QCOMPARE(t.kind, kind);
    QCOMPARE(t.device, device);
    QCOMPARE(t.simOptions, simOptions);
    QCOMPARE(t.fromConfig, fromConfig);
    if (kind == Kind::Invalid)
        QVERIFY(!t.error.isEmpty());
}

void TestLinkMapping::usbAdaptersInComOrder()
{
    const QStringList found{"/dev/ttyS0", "/dev/ttyUSB10", "/dev/ttyUSB2", "/dev/ttyACM0",
                            "/dev/ttyUSB0", "/dev/pts/3", "/dev/ttyUSB2", "/dev/ttyAMA0"};
    QCOMPARE(PortMapping::UsbAdapters(found),
             (QStringList{"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyUSB2", "/dev/ttyUSB10"}));
    QVERIFY(PortMapping::UsbAdapters({"/dev/ttyS0", "/dev/ttyS1"}).isEmpty());
}

void TestLinkMapping::describeSaysWhatStandsBehind()
{
    using PortMapping::Describe;
    using PortMapping::Resolve;
    const QString usb = Describe(1, Resolve(1, "", {"/dev/ttyACM0", "/dev/ttyUSB0"}, false));
    QVERIFY2(usb.startsWith("COM1") && usb.contains("/dev/ttyACM0") && usb.contains("USB"), qPrintable(usb));
    const QString sim = Describe(2, Resolve(2, "sim:model=35", {}, false));
    QVERIFY2(sim.startsWith("COM2") && sim.contains("simulated") && sim.contains("model=35"), qPrintable(sim));
    const QString entry = Describe(3, Resolve(3, "/dev/pts/7", {}, false));
    QVERIFY2(entry.contains("/dev/pts/7") && entry.contains("Config.ini"), qPrintable(entry));
    const QString plain = Describe(4, Resolve(4, "", {}, false));
    QVERIFY2(plain.contains("/dev/ttyS3") && !plain.contains("Config.ini"), qPrintable(plain));
}

void TestLinkMapping::configIniEntryIsReadEachTime()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ConfigFile::setDirectory(dir.path());

    // No file: the default rule.
    PortMapping::Target t = PortMapping::Lookup(3);
    QCOMPARE(t.kind, Kind::Device);
    QVERIFY(!t.fromConfig);

    {
        IniFile ini(ConfigFile::path());
        QVERIFY(ini.WriteString("Ports", "COM3", "sim:model=35,band=433"));
        QVERIFY(ini.WriteString("Ports", "COM4", "/dev/ttyUSB9"));
    }
    t = PortMapping::Lookup(3);
    QCOMPARE(t.kind, Kind::Simulated);
    QCOMPARE(t.simOptions, QStringLiteral("model=35,band=433"));
    QCOMPARE(PortMapping::Lookup(4).device, QStringLiteral("/dev/ttyUSB9"));
    QVERIFY(PortMapping::describe(4).contains("/dev/ttyUSB9"));

    {
        IniFile ini(ConfigFile::path());
        QVERIFY(ini.WriteString("Ports", "COM3", "/dev/ttyS7"));
    }
    QCOMPARE(PortMapping::Lookup(3).device, QStringLiteral("/dev/ttyS7"));
    ConfigFile::setDirectory(QString());
}

QTEST_GUILESS_MAIN(TestLinkMapping)
#include "tst_link_mapping.moc"
