// Hex text and checksum conversions of the serial link.
#include "app/commfunction.h"

#include <QtTest>

class TestLinkHex : public QObject {
    Q_OBJECT
private slots:
    void hexDigitValue_data();
    void hexDigitValue();
    void hexByteValue_data();
    void hexByteValue();
    void removeSpaces_data();
    void removeSpaces();
    void hexTextToBytes_data();
    void hexTextToBytes();
    void bytesToHexText_data();
    void bytesToHexText();
    void everyByteRoundTrips();
    void hexTextToInt_data();
    void hexTextToInt();
    void intPower_data();
    void intPower();
    void checksum_data();
    void checksum();
};

void TestLinkHex::hexDigitValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("9") << "9" << 9;
    QTest::newRow("A") << "A" << 10;
    QTest::newRow("F") << "F" << 15;
    QTest::newRow("a") << "a" << 10;
    QTest::newRow("f") << "f" << 15;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("G") << "G" << 0;
    QTest::newRow("g") << "g" << 0;
    QTest::newRow("two digits") << "1A" << 0;
    QTest::newRow("space") << " " << 0;
    QTest::newRow("full-width 1") << QString::fromUtf8("\xEF\xBC\x91") << 0;
}

void TestLinkHex::hexDigitValue()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(TCommFun::HexDigitValue(text), value);
}

void TestLinkHex::hexByteValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("ff") << "ff" << 255;
    QTest::newRow("5A") << "5A" << 0x5A;
    QTest::newRow("00") << "00" << 0;
    QTest::newRow("A alone: missing digit is 0") << "A" << 160;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("bad first digit") << "G1" << 1;
    QTest::newRow("bad second digit") << "1G" << 16;
    QTest::newRow("characters after the second ignored") << "8012" << 0x80;
}

void TestLinkHex::hexByteValue()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(TCommFun::HexByteValue(text), value);
}

void TestLinkHex::removeSpaces_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("spaced bytes") << "5A 5A 00 " << "5A5A00";
    QTest::newRow("no spaces") << "5A5A" << "5A5A";
    QTest::newRow("only spaces") << "   " << "";
    QTest::newRow("tabs and new lines stay") << "5A\t01\r\n 02" << "5A\t01\r\n02";
    QTest::newRow("empty") << "" << "";
}

void TestLinkHex::removeSpaces()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(TCommFun::RemoveSpaces(text), expected);
}

void TestLinkHex::hexTextToBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("spaced") << "5A 5A 00" << QByteArray("\x5A\x5A\x00", 3);
    QTest::newRow("odd length: last digit alone") << "5A5" << QByteArray("\x5A\x05", 2);
    QTest::newRow("single digit") << "F" << QByteArray("\x0F", 1);
    QTest::newRow("empty") << "" << QByteArray();
    QTest::newRow("bad digit counts 0") << "G1" << QByteArray("\x01", 1);
    QTest::newRow("lower case") << "ff0d0a" << QByteArray("\xFF\x0D\x0A", 3);
    QTest::newRow("whole frame") << "5A5A00005A8004020000940D0A"
                                 << QByteArray("\x5A\x5A\x00\x00\x5A\x80\x04\x02\x00\x00\x94\x0D\x0A", 13);
    QTest::newRow("spaces inside a byte") << "5 A0 1" << QByteArray("\x5A\x01", 2);
}

void TestLinkHex::hexTextToBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(TCommFun::HexTextToBytes(text), bytes);
}

void TestLinkHex::bytesToHexText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("separator");
    QTest::addColumn<QString>("text");
    QTest::newRow("0D0A separated") << QByteArray("\x0D\x0A", 2) << true << "0D 0A ";
    QTest::newRow("0D0A joined") << QByteArray("\x0D\x0A", 2) << false << "0D0A";
    QTest::newRow("5A01 separated") << QByteArray("\x5A\x01", 2) << true << "5A 01 ";
    QTest::newRow("empty separated") << QByteArray() << true << "";
    QTest::newRow("empty joined") << QByteArray() << false << "";
    QTest::newRow("high bytes upper case") << QByteArray("\x00\x80\xab\xFF", 4) << false << "0080ABFF";
}

void TestLinkHex::bytesToHexText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, separator);
    QFETCH(QString, text);
    QCOMPARE(TCommFun::BytesToHexText(bytes, separator), text);
}

void TestLinkHex::everyByteRoundTrips()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString joined = TCommFun::BytesToHexText(all, false);
    QCOMPARE(joined.size(), 512);
    QCOMPARE(TCommFun::HexTextToBytes(joined), all);
    QCOMPARE(TCommFun::HexTextToBytes(TCommFun::BytesToHexText(all, true)), all);
    QCOMPARE(TCommFun::HexTextToBytes(joined.toLower()), all);
}

void TestLinkHex::hexTextToInt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("03E8") << "03E8" << 1000;
    QTest::newRow("1Z: bad digit counts 0") << "1Z" << 16;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("single digit") << "c" << 12;
    QTest::newRow("four digits max") << "FFFF" << 65535;
    QTest::newRow("largest positive") << "7FFFFFFF" << 2147483647;
    QTest::newRow("eight F wrap to -1") << "FFFFFFFF" << -1;
    QTest::newRow("nine digits wrap, no crash") << "100000001" << 1;
    QTest::newRow("spaces count 0") << "1 0" << 0x100;
}

void TestLinkHex::hexTextToInt()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(TCommFun::HexTextToInt(text), value);
}

void TestLinkHex::intPower_data()
{
    QTest::addColumn<int>("base");
    QTest::addColumn<int>("exponent");
    QTest::addColumn<int>("value");
    QTest::newRow("16^0") << 16 << 0 << 1;
    QTest::newRow("16^3") << 16 << 3 << 4096;
    QTest::newRow("10^2") << 10 << 2 << 100;
    QTest::newRow("0^0") << 0 << 0 << 1;
    QTest::newRow("negative exponent") << 16 << -2 << 1;
    QTest::newRow("negative base") << -2 << 3 << -8;
}

void TestLinkHex::intPower()
{
    QFETCH(int, base);
    QFETCH(int, exponent);
    QFETCH(int, value);
    QCOMPARE(TCommFun::IntPower(base, exponent), value);
}

void TestLinkHex::checksum_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sum");
    QTest::newRow("long frame") << "5A5A00005A8004020000" << "94";
    QTest::newRow("short frame") << "EDED0400" << "DE";
    QTest::newRow("odd length padded in front") << "ABC" << "C6";
    QTest::newRow("empty") << "" << "00";
    QTest::newRow("wraps modulo 256") << "FF01" << "00";
    QTest::newRow("single byte") << "0A" << "0A";
    QTest::newRow("lower case in, upper case out") << "fa01" << "FB";
    QTest::newRow("one digit") << "7" << "07";
    QTest::newRow("bad digits count 0") << "ZZ05" << "05";
}

void TestLinkHex::checksum()
{
    QFETCH(QString, text);
    QFETCH(QString, sum);
    QCOMPARE(TCommFun::Checksum(text), sum);
}

QTEST_APPLESS_MAIN(TestLinkHex)
#include "tst_link_hex.moc"
