// Hex text and the additive checksum on which the module protocol rests; invalid hex counts 0.
#include "core/protocol/HexText.h"

#include <QtTest>

using namespace HexText;

class TestLinkHex : public QObject {
    Q_OBJECT
private slots:
    void digitsAndBytes()
    {
        const QList<QPair<QChar, int>> digits{{u'0', 0},  {u'9', 9},  {u'A', 10}, {u'F', 15}, {u'a', 10},
                                              {u'f', 15}, {u'G', 0},  {u'g', 0},  {u':', 0},  {u'@', 0},
                                              {u' ', 0},  {QChar(0xFF11), 0}}; // full-width 1
        for (const auto& [digit, value] : digits)
            QCOMPARE(HexDigitValue(digit), value);

        QCOMPARE(HexByteValue("ff"), 255);
        QCOMPARE(HexByteValue("5A"), 0x5A);
        QCOMPARE(HexByteValue("A"), 0xA0); // a missing second digit is 0
        QCOMPARE(HexByteValue(""), 0);
        QCOMPARE(HexByteValue("G1"), 0x01);
        QCOMPARE(HexByteValue("1G"), 0x10);
        QCOMPARE(HexByteValue("8012"), 0x80);
    }

    void removeSpacesOnly()
    {
        QCOMPARE(RemoveSpaces("5A 5A 00 "), QStringLiteral("5A5A00"));
        QCOMPARE(RemoveSpaces("   "), QString());
        QCOMPARE(RemoveSpaces("5A\t01\r\n 02"), QStringLiteral("5A\t01\r\n02"));
    }

    void hexTextToBytes()
    {
        QCOMPARE(HexTextToBytes("5A 5A 00"), QByteArray("\x5A\x5A\x00", 3));
        QCOMPARE(HexTextToBytes("5 A0 1"), QByteArray("\x5A\x01"));
        QCOMPARE(HexTextToBytes("5A5"), QByteArray("\x5A\x05")); // a last digit alone: low nibble
        QCOMPARE(HexTextToBytes("F"), QByteArray("\x0F"));
        QCOMPARE(HexTextToBytes(""), QByteArray());
        QCOMPARE(HexTextToBytes("G1"), QByteArray("\x01"));
        QCOMPARE(HexTextToBytes("ff0d0a"), QByteArray("\xFF\x0D\x0A"));
    }

    void bytesToHexText()
    {
        QCOMPARE(BytesToHexText(QByteArray("\x0D\x0A"), true), QStringLiteral("0D 0A "));
        QCOMPARE(BytesToHexText(QByteArray("\x0D\x0A"), false), QStringLiteral("0D0A"));
        QCOMPARE(BytesToHexText(QByteArray(), true), QString());
        QCOMPARE(BytesToHexText(QByteArray("\x00\x80\xab\xFF", 4), false), QStringLiteral("0080ABFF"));

        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        const QString joined = BytesToHexText(all, false);
        QCOMPARE(joined.size(), 512);
        QCOMPARE(HexTextToBytes(joined), all);
        QCOMPARE(HexTextToBytes(joined.toLower()), all);
        QCOMPARE(HexTextToBytes(BytesToHexText(all, true)), all);
    }

    void numbers()
    {
        QCOMPARE(HexTextToInt("03E8"), 1000);
        QCOMPARE(HexTextToInt("c"), 12);
        QCOMPARE(HexTextToInt(""), 0);
        QCOMPARE(HexTextToInt("1Z"), 0x10);
        QCOMPARE(HexTextToInt("1 0"), 0x100);
        QCOMPARE(HexTextToInt("7FFFFFFF"), 2147483647);
        QCOMPARE(HexTextToInt("FFFFFFFF"), -1);
        QCOMPARE(HexTextToInt("100000001"), 1); // wraps, no overflow

        QCOMPARE(IntPower(16, 0), 1);
        QCOMPARE(IntPower(16, 3), 4096);
        QCOMPARE(IntPower(0, 0), 1);
        QCOMPARE(IntPower(16, -2), 1);
        QCOMPARE(IntPower(-2, 3), -8);
    }

    void checksum()
    {
        QCOMPARE(Checksum("5A5A00005A8004020000"), QStringLiteral("94"));
        QCOMPARE(Checksum("EDED0400"), QStringLiteral("DE"));
        QCOMPARE(Checksum("ABC"), QStringLiteral("C6")); // odd length: a 0 in front
        QCOMPARE(Checksum("7"), QStringLiteral("07"));
        QCOMPARE(Checksum(""), QStringLiteral("00"));
        QCOMPARE(Checksum("FF01"), QStringLiteral("00"));
        QCOMPARE(Checksum("fa01"), QStringLiteral("FB"));
        QCOMPARE(Checksum("ZZ05"), QStringLiteral("05"));
    }
};

QTEST_APPLESS_MAIN(TestLinkHex)
#include "tst_link_hex.moc"
