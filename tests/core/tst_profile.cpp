// Parameter profiles: the file as people read and edit it, what a broken or foreign one is
// told with, and the checks against a model that the window and rfmodctl share.
#include "core/model/Catalogue.h"
#include "core/model/Profile.h"
#include "support/Programs.h"

#include <QtTest>

class TestProfile : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString write(const QByteArray& text)
    {
        const QString path = dir.filePath("p.ini");
        Programs::WriteFile(path, text);
        return path;
    }

private slots:
    void roundTrip()
    {
        Profile p;
        p.modelRow = Profiles::ModelRowOfName("KTX525");
        p.base = "433MHZ";
        p.channel = 7;
        p.airRate = 19200;
        p.serialBaud = 4800;
        p.serialParity = Parity::Odd;
        p.protocol = 1;
        p.powerMode = 3;
        p.radioId = 65535;
        p.power = 1;
        p.powerLevel = 0;
        const QString path = dir.filePath("rt.ini");
        QString error;
        QVERIFY(Profiles::Write(path, p, &error));
        const QString text = QString::fromUtf8(Programs::ReadFile(path));
        QVERIFY(text.contains("Model=525\r\n") && text.contains("SerialParity=odd") && text.contains("Power=2W"));
        Profile back;
        QVERIFY2(Profiles::Read(path, &back, &error), qPrintable(error));
        QVERIFY(back == p);
    }

    void brokenFilesAreNamedAndChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("named");
        QTest::newRow("foreign") << QByteArray("[COM]\r\nPort=0\r\n") << "not a parameter profile";
        QTest::newRow("newer") << QByteArray("[Profile]\r\nFormat=2\r\n") << "Format=2 is newer";
        QTest::newRow("typo") << QByteArray("[Profile]\r\nFormat=1\r\n[Parameters]\r\nChanel=3\r\n") << "Chanel";
        QTest::newRow("rate") << QByteArray("[Profile]\r\nFormat=1\r\n[Parameters]\r\nAirRate=9601\r\n") << "AirRate=9601";
        QTest::newRow("id") << QByteArray("[Profile]\r\nFormat=1\r\n[Parameters]\r\nRadioId=65536\r\n") << "RadioId=65536";
        QTest::newRow("model") << QByteArray("[Profile]\r\nFormat=1\r\nModel=999\r\n") << "Model=999";
    }
    void brokenFilesAreNamedAndChangeNothing()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, named);
        Profile p;
        p.channel = 3;
        QString error;
        QVERIFY(!Profiles::Read(write(text), &p, &error));
        QVERIFY2(error.contains(named), qPrintable(error));
        QCOMPARE(p.channel, 3);
        QVERIFY(!Profiles::Read(dir.filePath("missing.ini"), &p, &error));
    }

    // The window words a broken file in its own language: the problem comes typed.
    void readProblemsComeTyped()
    {
        Profile p;
        Profiles::ReadProblem problem;
        const QString path = write("[Profile]\r\nFormat=1\r\n[Parameters]\r\nChannel=300\r\n");
        QVERIFY(!Profiles::Read(path, &p, &problem));
        QCOMPARE(problem.kind, Profiles::ReadProblem::BadValue);
        QCOMPARE(problem.key, QStringLiteral("Channel"));
        QCOMPARE(problem.value, QStringLiteral("300"));
        QCOMPARE(Profiles::Describe(problem), path + QStringLiteral(": Channel=300 is not a value it takes"));
    }

    void checksAgainstTheModel()
    {
        const int k525 = Profiles::ModelRowOfName("525"); // 16 channels, rates to 38400, power
        const int k511 = Profiles::ModelRowOfName("511"); // 4 channels, rates to 19200, no power
        Profile p;
        p.channel = 16;
        p.airRate = 38400;
        p.power = 0;
        QVERIFY(Profiles::CheckValues(p, k525, QString()).isEmpty());
        const QList<Profiles::Problem> problems = Profiles::CheckValues(p, k511, QString());
        QCOMPARE(problems.size(), 3);
        QCOMPARE(problems[0].field, Profiles::Problem::Channel);
        QCOMPARE(problems[0].allowed, QStringLiteral("1 - 4"));
        QCOMPARE(Profiles::Check(p, k511, QString()).value(1), QStringLiteral("air rate 38400: model 511 takes 1200, 2400, 4800, 9600, 19200"));
        // the test edition has 17 channels on a 525
        p.channel = 17;
        QVERIFY(Profiles::CheckValues(p, k525, QStringLiteral("VORDAL")).isEmpty());
        QCOMPARE(Profiles::CheckValues(p, k525, QString()).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
