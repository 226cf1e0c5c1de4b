// The model catalogue and channel plans as data: rows, channel counts per edition, lists,
// reported codes and every plan's texts.
#include "core/model/Catalogue.h"
#include "core/model/ChannelPlans.h"

#include <QtTest>

using namespace Catalogue;

class CatalogueData : public QObject {
    Q_OBJECT
private slots:
    void channelCountsPerEdition()
    {
        // rows 0..35: ordinary, KESTRAVONIX, VORDAL, PLOVAR
        const int ordinary[kRowCount] = {4, 8, 8, 8, 8, 8, 8, 16, 16, 16, 16, 16, 16, 16, 8, 8, 8, 8,
                                         8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8};
        for (int r = 0; r < kRowCount; ++r) {
            int kes = ordinary[r], vor = ordinary[r], plo = ordinary[r];
            if (r == 6)
                kes = 10;
            if (r >= 7 && r <= 10)
                kes = 10, vor = 17;
            if (r >= 11 && r <= 13)
                vor = 17;
            if (r == 2)
                plo = 16;
            QCOMPARE(ChannelCount(r, QString()), ordinary[r]);
            QCOMPARE(ChannelCount(r, QStringLiteral("QOV")), ordinary[r]);
            QCOMPARE(ChannelCount(r, QStringLiteral("KESTRAVONIX")), kes);
            QCOMPARE(ChannelCount(r, QStringLiteral("VORDAL")), vor);
            QCOMPARE(ChannelCount(r, QStringLiteral("PLOVAR")), plo);
        }
        QCOMPARE(ChannelCount(-1, QString()), 0);
        QCOMPARE(ChannelCount(36, QString()), 0);
        // the edition keyword is compared exactly
        QCOMPARE(ChannelCount(7, QStringLiteral("vordal")), 16);
    }

    void rateListsFollowTheCeiling()
    {
        const QStringList low{"1200", "2400", "4800", "9600", "19200"};
        for (int r = 0; r < kRowCount; ++r) {
            QStringList expected = low;
            if ((r >= 6 && r <= 13) || r >= 23)
                expected << "38400";
            if (r >= 31)
                expected << "57600";
            QCOMPARE(RateItems(r), expected);
        }
        QVERIFY(RateItems(36).isEmpty());
    }

    void baseListsAndRowTexts()
    {
        const QStringList abc{"433MHZ", "915MHZ", "868MHZ"};
        for (int r = 0; r <= 13; ++r)
            QCOMPARE(BaseFrequencies(r), abc);
        for (int r : {14, 15, 16, 17, 22})
            QCOMPARE(BaseFrequencies(r), QStringList{"490MHZ"});
        for (int r = 18; r <= 21; ++r)
            QCOMPARE(BaseFrequencies(r), QStringList{"230MHZ"});
        for (int r = 23; r <= 30; ++r)
            QCOMPARE(BaseFrequencies(r), (QStringList{"490MHZ", "433MHZ"}));
        for (int r = 31; r <= 35; ++r)
            QCOMPARE(BaseFrequencies(r), QStringList{"2400MHZ"});
        QCOMPARE(InitialBaseFrequencies(), (QStringList{"433MHZ", "490MHZ", "915MHZ", "868MHZ", "230MHZ"}));

        QCOMPARE(RowText(0, 0), QStringLiteral("511"));
        QCOMPARE(RowText(18, 0), QStringLiteral("310A"));
        QCOMPARE(RowText(22, 0), QStringLiteral("536"));
        QCOMPARE(RowText(23, 0), QStringLiteral("541"));
        QCOMPARE(RowText(35, 0), QStringLiteral("3205"));
        QCOMPARE(RowText(0, 1), QStringLiteral("KTX511"));
        QCOMPARE(RowText(0, 2), QStringLiteral("QOM511"));
        QCOMPARE(RowText(35, 2), QStringLiteral("QOM3205"));
        QCOMPARE(RowText(35, 5), QStringLiteral("3205"));
        QCOMPARE(RowText(36, 0), QString());
    }

    void extraControlGroups()
    {
        for (int r = 0; r < kRowCount; ++r) {
            QCOMPARE(Row(r)->power, r == 10 || r == 17 || r == 20);
            QCOMPARE(Row(r)->io, r == 7 || r == 8);
            QCOMPARE(Row(r)->txRxFields, r >= 6 && r <= 10);
            QCOMPARE(Row(r)->baseStation, r == 6);
        }
        QVERIFY(!Row(-1));
    }

    void modelCodesBothWays()
    {
        const char* codes[kRowCount] = {"21", "22", "23", "24", "25", "26", "31", "32", "33", "34", "35", "36",
                                        "37", "38", "41", "42", "43", "45", "11", "12", "13", "14", "46", "51",
                                        "52", "53", "54", "55", "56", "57", "58", "61", "62", "63", "64", "65"};
        for (int r = 0; r < kRowCount; ++r) {
            QCOMPARE(ModelCodeToRow(QLatin1String(codes[r])), r);
            QCOMPARE(RowToModelCode(r), QLatin1String(codes[r]));
        }
        for (const char* bad : {"", "44", "27", "39", "66", "10", "5", "215", "3a"})
            QCOMPARE(ModelCodeToRow(QLatin1String(bad)), -1);
        QCOMPARE(RowToModelCode(-1), QString());
        QCOMPARE(RowToModelCode(36), QString());
    }

    void reportedCodes()
    {
        QCOMPARE(FamilyLabel(0x10, 0), QStringLiteral("310X"));
        QCOMPARE(FamilyLabel(0x20, 0), QStringLiteral("51X"));
        QCOMPARE(FamilyLabel(0x30, 2), QStringLiteral("52X"));
        QCOMPARE(FamilyLabel(0x30, 1), QStringLiteral("KTX52X"));
        QCOMPARE(FamilyLabel(0x40, 0), QStringLiteral("53X"));
        QCOMPARE(FamilyLabel(0x50, 0), QStringLiteral("54X"));
        QCOMPARE(FamilyLabel(0x60, 1), QStringLiteral("KTX320X"));
        for (int bad : {0, 0x21, 0x70, -1, 0xFF})
            QCOMPARE(FamilyLabel(bad, 1), QString());
        const QStringList bands{"", "230MHZ", "433MHZ", "490MHZ", "868MHZ", "915MHZ", "2.4GHZ", ""};
        for (int c = 0; c < bands.size(); ++c)
            QCOMPARE(BaseFrequencyText(c), bands[c]);
        QCOMPARE(BaseFrequencyText(-1), QString());
    }

    void familyKeys()
    {
        QCOMPARE(ChannelPlans::FamilyKey("511"), QStringLiteral("51"));
        QCOMPARE(ChannelPlans::FamilyKey("KTX511"), QStringLiteral("51"));
        QCOMPARE(ChannelPlans::FamilyKey("536"), QStringLiteral("53"));
        QCOMPARE(ChannelPlans::FamilyKey("528"), QStringLiteral("52"));
        QCOMPARE(ChannelPlans::FamilyKey("QOM548"), QStringLiteral("54"));
        QCOMPARE(ChannelPlans::FamilyKey("310C"), QStringLiteral("310"));
        QCOMPARE(ChannelPlans::FamilyKey("KTX310A"), QStringLiteral("310"));
        QCOMPARE(ChannelPlans::FamilyKey("QOM3204"), QStringLiteral("320"));
        QCOMPARE(ChannelPlans::FamilyKey(""), QString());
        QCOMPARE(ChannelPlans::FamilyKey("ABCDEF"), QStringLiteral("ABCD"));
    }

    void plansFirstAndLastTexts_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("edition");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::newRow("A433") << "511" << "433MHZ" << "" << 8 << "428.0028MHZ" << "433.5308MHZ";
        QTest::newRow("A433 KTX") << "KTX511" << "433MHZ" << "" << 8 << "428.0028MHZ" << "433.5308MHZ";
        QTest::newRow("A915") << "516" << "915MHZ" << "" << 8 << "912.5340MHZ" << "916.6812MHZ";
        QTest::newRow("A868") << "512" << "868MHZ" << "" << 8 << "868.2972MHZ" << "870.7548MHZ";
        QTest::newRow("A868 qov lower case") << "512" << "868MHZ" << "qov" << 8 << "868.2972MHZ" << "870.7548MHZ";
        QTest::newRow("A868Q") << "512" << "868MHZ" << "QOV" << 8 << "865.2252MHZ" << "866.9148MHZ";
        QTest::newRow("B433") << "522" << "433MHZ" << "" << 17 << "430.2000MHZ" << "428.0028MHZ";
        QTest::newRow("B433 VORDAL") << "528" << "433MHZ" << "VORDAL" << 17 << "430.2000MHZ" << "428.0028MHZ";
        QTest::newRow("B915") << "521" << "915MHZ" << "KESTRAVONIX" << 8 << "912.2000MHZ" << "915.9260MHZ";
        QTest::newRow("B868") << "525" << "868MHZ" << "" << 8 << "868.0500MHZ" << "869.9260MHZ";
        QTest::newRow("C490 53") << "535" << "490MHZ" << "" << 8 << "487.5072MHZ" << "492.4388MHZ";
        QTest::newRow("C490 536") << "536" << "490MHZ" << "" << 8 << "487.5072MHZ" << "492.4388MHZ";
        QTest::newRow("C490 54") << "544" << "490MHZ" << "" << 8 << "487.5072MHZ" << "492.4388MHZ";
        QTest::newRow("54 at 433") << "541" << "433MHZ" << "" << 8 << "430.2000MHZ" << "433.9260MHZ";
        QTest::newRow("E230") << "310C" << "230MHZ" << "" << 8 << "230.2251MHZ" << "226.9752MHZ";
        QTest::newRow("2400") << "QOM3204" << "2400MHZ" << "" << 8 << "2400MHZ" << "2400MHZ";
        QTest::newRow("52 at 490") << "522" << "490MHZ" << "" << 0 << "" << "";
        QTest::newRow("320 at 2.4GHZ") << "3201" << "2.4GHZ" << "" << 0 << "" << "";
        QTest::newRow("53 at 433") << "531" << "433MHZ" << "" << 0 << "" << "";
        QTest::newRow("no base") << "511" << "" << "" << 0 << "" << "";
        QTest::newRow("no row") << "" << "433MHZ" << "" << 0 << "" << "";
    }

    void plansFirstAndLastTexts()
    {
        QFETCH(QString, row);
        QFETCH(QString, base);
        QFETCH(QString, edition);
        QFETCH(int, count);
        QFETCH(QString, first);
        QFETCH(QString, last);
        const ChannelPlans::Plan plan = ChannelPlans::Build(row, base, edition, 7, false);
        for (int i = 0; i < ChannelPlans::kSlots; ++i)
            QCOMPARE(plan[i].isEmpty(), i >= count);
        if (count > 0) {
            QCOMPARE(plan[0], first);
            QCOMPARE(plan[count - 1], last);
        }
    }

    void plansMiddleEntries()
    {
        const auto b433 = ChannelPlans::Build("522", "433MHZ", "", 7, false);
        QCOMPARE(b433[15], QStringLiteral("462.1250MHZ"));
        QCOMPARE(b433[8], QStringLiteral("458.5250MHZ"));
        const auto qov = ChannelPlans::Build("511", "868MHZ", "QOV", 0, false);
        QCOMPARE(qov[4], QStringLiteral("867.6828MHZ"));
        QCOMPARE(qov[5], QStringLiteral("866.4540MHZ"));
        const auto c490 = ChannelPlans::Build("531", "490MHZ", "", 14, false);
        QCOMPARE(c490[1], QStringLiteral("488.4289MHZ"));
    }

    void duplexPlansOfTheShortFrameEdition()
    {
        const QString k = QStringLiteral("KESTRAVONIX");
        const auto row6 = ChannelPlans::Build("521", "433MHZ", k, 6, false);
        QCOMPARE(row6[0], QStringLiteral("420.125MHz"));
        QCOMPARE(row6[1], QStringLiteral("402.625MHz"));
        QCOMPARE(row6[9], QStringLiteral("449.760MHz"));
        QCOMPARE(row6[10], QStringLiteral("430.125MHz"));
        QCOMPARE(row6[16], QStringLiteral("405.275MHZ"));
        QCOMPARE(row6[19], QStringLiteral("406.825MHz"));

        const auto d = ChannelPlans::Build("521", "433MHZ", k, 6, true);
        QCOMPARE(d[0], QStringLiteral("430.125MHz"));
        QCOMPARE(d[6], QStringLiteral("445.675MHZ"));
        QCOMPARE(d[10], QStringLiteral("420.125MHz"));
        QCOMPARE(d[11], QStringLiteral("414.125MHz"));
        QCOMPARE(d[16], QStringLiteral("445.675MHz"));
        QCOMPARE(d[19], QStringLiteral("449.760MHz"));
        // every other 52X row loads D whatever the box says
        QCOMPARE(ChannelPlans::Build("528", "433MHZ", k, 13, false), d);
        QCOMPARE(ChannelPlans::Build("KTX522", "433MHZ", k, 7, false), d);
        // the duplex plans are 433 MHz only
        QCOMPARE(ChannelPlans::Build("521", "915MHZ", k, 6, false)[10], QString());
    }

    void baseStationToggleTables()
    {
        const auto clear = ChannelPlans::BaseStationToggle(false);
        const auto ticked = ChannelPlans::BaseStationToggle(true);
        QCOMPARE(clear[0], QStringLiteral("420.125MHz"));
        QCOMPARE(clear[3], QStringLiteral("441.750MHz"));
        QCOMPARE(clear[10], QStringLiteral("430.125MHz"));
        QCOMPARE(clear[16], QStringLiteral("420.125MHZ"));
        QCOMPARE(ticked[0], QStringLiteral("430.125MHz"));
        QCOMPARE(ticked[6], QStringLiteral("420.125MHZ"));
        QCOMPARE(ticked[13], QStringLiteral("441.750MHz"));
        // the two tables are the TX/RX swap of each other
        for (int k = 0; k < 10; ++k) {
            QCOMPARE(ticked[k], clear[k + 10]);
            QCOMPARE(ticked[k + 10], clear[k]);
        }
        // and differ from the plan the same row gets when it is applied
        QVERIFY(clear != ChannelPlans::Build("521", "433MHZ", "KESTRAVONIX", 6, false));
    }
};

QTEST_APPLESS_MAIN(CatalogueData)
#include "tst_catalogue.moc"
