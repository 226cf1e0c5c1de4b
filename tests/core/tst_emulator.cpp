// The module emulator at frame level: answers, state, line settings, timing and faults.
#include "tools/emulator/ModuleEmulator.h"

#include <QtTest>

namespace {

QByteArray hexBytes(const char* text) { return QByteArray::fromHex(text); }

QByteArray withSum(QByteArray f)
{
    unsigned s = 0;
    for (char c : f)
        s += quint8(c);
    f.append(char(s & 0xFF));
    return f;
}

QByteArray longFrame(int code, const QByteArray& payload)
{
    QByteArray f = hexBytes("5A5A00005A");
    f.append(char(code >> 8));
    f.append(char(code & 0xFF));
    f.append(char(payload.size()));
    f.append(payload);
    return withSum(f) + "\r\n";
}

QByteArray shortFrame(int code, const QByteArray& payload)
{
    QByteArray f = hexBytes("EDED");
    f.append(char(code));
    return withSum(f + payload);
}

QByteArray idFrame(int id, int code, const QByteArray& payload)
{
    QByteArray f = hexBytes("4040A6");
    f.append(char(id >> 8));
    f.append(char(id & 0xFF));
    f.append(char(payload.size() + 5));
    f.append(char(code >> 8));
    f.append(char(code & 0xFF));
    f.append(payload);
    return withSum(f) + "\r\n";
}

SerialLine line(int baud, char parity = 'N', int dataBits = 8, int stopBits = 1)
{
    SerialLine l;
    l.baud = baud;
    l.parity = parity;
    l.dataBits = dataBits;
    l.stopBits = stopBits;
    return l;
}

// Sends one request at `t` and collects everything the module sends within a second.
QByteArray exchange(ModuleEmulator& emu, const QByteArray& request, qint64 t, const SerialLine& l = line(9600))
{
    emu.receiveFromPc(request, l, t);
    return emu.takeForPc(t + 1000);
}

// Payload of a long answer with code 00fn, or a null array when it is not one.
QByteArray longPayload(const QByteArray& answer, int fn)
{
    if (answer.size() < 11 || !answer.startsWith(hexBytes("5A5A")) || !answer.endsWith("\r\n"))
        return QByteArray();
    if (quint8(answer[5]) != 0x00 || quint8(answer[6]) != fn)
        return QByteArray();
    const int len = quint8(answer[7]);
    if (answer.size() != 11 + len || withSum(answer.left(8 + len)) != answer.left(9 + len))
        return QByteArray();
    return answer.mid(8, len);
}

} // namespace

Q_DECLARE_METATYPE(SerialLine)

class TestEmulator : public QObject {
    Q_OBJECT
private slots:
    void workedExampleAndTiming();
    void writesAreReadBack_data();
    void writesAreReadBack();
    void identifyReportsFamilyVersionBand();
    void refusesBadOrShortWrites();
    void wrongSerialLineAreIgnored_data();
    void wrongSerialLineAreIgnored();
    void serialWriteSwitchesAfterAnswering();
    void writeAllSwitchesAndReadsBack();
    void shortFrames();
    void shortAnswersOption();
    void idProtocolFrames();
    void packetDelimiting();
    void faults();
    void parseOptionsValues();
    void parseOptionsErrors_data();
    void parseOptionsErrors();
};

void TestEmulator::workedExampleAndTiming()
{
    ModuleEmulator emu;
    emu.receiveFromPc(hexBytes("5A5A00005A8004020000940D0A"), line(9600), 1000);
    // 13 bytes in at 9600 8N1 (13.5 ms), a 3.6 ms quiet gap, 3 ms of processing, 13.5 ms out.
    QCOMPARE(emu.bytesReadyForPc(1020), 0);
    const int partial = emu.bytesReadyForPc(1030);
    QVERIFY(partial > 0 && partial < 13);
    QCOMPARE(emu.bytesReadyForPc(1033), 12);
    QCOMPARE(emu.bytesReadyForPc(1034), 13);
    QCOMPARE(emu.takeForPc(1034, 4), hexBytes("5A5A0000"));
    QCOMPARE(emu.takeForPc(1034), hexBytes("5A0004020500190D0A"));
    QCOMPARE(emu.bytesReadyForPc(5000), 0);
    QCOMPARE(emu.nextEventMs(), qint64(-1));
}

void TestEmulator::writesAreReadBack_data()
{
    QTest::addColumn<int>("writeCode");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<int>("readCode");
    QTest::addColumn<QByteArray>("readBack");
    QTest::newRow("channel") << 0x8005 << hexBytes("0A00") << 0x8006 << hexBytes("0A00");
    QTest::newRow("air rate") << 0x8003 << hexBytes("0700") << 0x8004 << hexBytes("0700");
    QTest::newRow("air protocol") << 0x8009 << hexBytes("0100") << 0x8014 << hexBytes("0100");
    QTest::newRow("power mode") << 0x800F << hexBytes("0300") << 0x8010 << hexBytes("0300");
    QTest::newRow("serial number") << 0x800A << hexBytes("320B030001") << 0x800B << hexBytes("320B030001");
    QTest::newRow("radio id") << 0x800C << hexBytes("012C") << 0x800D << hexBytes("012C");
    QTest::newRow("channel in read-all") << 0x8005 << hexBytes("1000") << 0x8015 << hexBytes("10050500");
}

void TestEmulator::writesAreReadBack()
{
    QFETCH(int, writeCode);
    QFETCH(QByteArray, written);
    QFETCH(int, readCode);
    QFETCH(QByteArray, readBack);
    ModuleEmulator emu;
    QCOMPARE(longPayload(exchange(emu, longFrame(writeCode, written), 0), writeCode & 0xFF), written);
    QCOMPARE(longPayload(exchange(emu, longFrame(readCode, hexBytes("0000")), 2000), readCode & 0xFF), readBack);
}

void TestEmulator::identifyReportsFamilyVersionBand()
{
    ModuleEmulator::Options o;
    QString err;
    QVERIFY(ModuleEmulator::ParseOptions("model=45,band=490,version=0x21", &o, &err));
    ModuleEmulator emu(o);
    QCOMPARE(longPayload(exchange(emu, longFrame(0x8000, hexBytes("0000")), 0), 0x00), hexBytes("402103"));
    // The serial number names the model the identify answer's family comes from.
    QCOMPARE(longPayload(exchange(emu, longFrame(0x800B, hexBytes("0000")), 2000), 0x0B), hexBytes("450B030001"));

    emu.options().family = 0x60;
    emu.options().band = 6;
    QCOMPARE(longPayload(exchange(emu, longFrame(0x8000, hexBytes("0000")), 4000), 0x00), hexBytes("602106"));

    // Small write-only commands answer with what was written and keep it.
    QCOMPARE(longPayload(exchange(emu, longFrame(0x8016, hexBytes("00641388")), 6000), 0x16), hexBytes("00641388"));
    QCOMPARE(emu.options().listenMs, 100);
    QCOMPARE(emu.options().sleepMs, 5000);
    QCOMPARE(longPayload(exchange(emu, longFrame(0x8019, hexBytes("7F00")), 8000), 0x19), hexBytes("7F00"));
    QCOMPARE(emu.options().capacitance, 127);
    QCOMPARE(longPayload(exchange(emu, longFrame(0x8017, hexBytes("0100")), 10000), 0x17), hexBytes("0100"));
    QCOMPARE(emu.options().txPower, 1);
    QCOMPARE(longPayload(exchange(emu, longFrame(0x8013, hexBytes("0A00")), 12000), 0x13), hexBytes("0A00"));
    QCOMPARE(emu.options().powerLevel, 10);
    QCOMPARE(longPayload(exchange(emu, longFrame(0x8012, hexBytes("0000")), 14000), 0x12), hexBytes("5A00"));
    QCOMPARE(longPayload(exchange(emu, longFrame(0x8007, hexBytes("0000")), 16000), 0x07), hexBytes("0000"));
    QVERIFY(emu.options().txTest);
    QCOMPARE(longPayload(exchange(emu, longFrame(0x8008, hexBytes("0000")), 18000), 0x08), hexBytes("0000"));
    QVERIFY(!emu.options().txTest);
    QCOMPARE(longPayload(exchange(emu, longFrame(0x8011, hexBytes("0000")), 20000), 0x11), hexBytes("0000"));
}

void TestEmulator::refusesBadOrShortWrites()
{
    ModuleEmulator emu;
    // Values the module has no setting for, and payloads too short to hold the values.
    QCOMPARE(exchange(emu, longFrame(0x8001, hexBytes("0900")), 0), QByteArray());
    QCOMPARE(exchange(emu, longFrame(0x8001, hexBytes("0503")), 2000), QByteArray());
    QCOMPARE(exchange(emu, longFrame(0x800E, hexBytes("030506")), 4000), QByteArray());
    QCOMPARE(exchange(emu, longFrame(0x800A, hexBytes("3201")), 6000), QByteArray());
    QCOMPARE(exchange(emu, longFrame(0x8005, hexBytes("0000")), 8000), QByteArray());
    QCOMPARE(exchange(emu, longFrame(0x8019, hexBytes("8000")), 10000), QByteArray());
    QCOMPARE(exchange(emu, longFrame(0x8013, QByteArray()), 12000), QByteArray());
    QCOMPARE(exchange(emu, longFrame(0x8018, hexBytes("0000")), 14000), QByteArray()); // no function 18
    QCOMPARE(emu.serialSettings(), line(9600));
    QCOMPARE(emu.options().channel, 1);
    QCOMPARE(emu.options().capacitance, 64);
    // Still fully working afterwards.
    QCOMPARE(longPayload(exchange(emu, longFrame(0x8006, hexBytes("0000")), 16000), 0x06), hexBytes("0100"));
}

void TestEmulator::wrongSerialLineAreIgnored_data()
{
    QTest::addColumn<SerialLine>("pc");
    QTest::newRow("baud") << line(4800, 'O');
    QTest::newRow("parity none") << line(9600, 'N');
    QTest::newRow("parity even") << line(9600, 'E');
    QTest::newRow("data bits") << line(9600, 'O', 7);
    QTest::newRow("stop bits") << line(9600, 'O', 8, 2);
}

void TestEmulator::wrongSerialLineAreIgnored()
{
    QFETCH(SerialLine, pc);
    ModuleEmulator::Options o;
    o.parity = 2;
    ModuleEmulator emu(o);
    ModuleEmulator peer;
    AirLink link(&emu, &peer);
    QCOMPARE(exchange(emu, longFrame(0x8004, hexBytes("0000")), 0, pc), QByteArray());
    QCOMPARE(exchange(emu, QByteArray("hello"), 2000, pc), QByteArray());
    QCOMPARE(emu.airStats().sent, qint64(0));
    QCOMPARE(peer.takeForPc(5000), QByteArray());
    // At its own settings it answers.
    QCOMPARE(longPayload(exchange(emu, longFrame(0x8004, hexBytes("0000")), 6000, line(9600, 'O')), 0x04), hexBytes("0500"));
}

void TestEmulator::serialWriteSwitchesAfterAnswering()
{
    ModuleEmulator emu;
    emu.receiveFromPc(longFrame(0x8001, hexBytes("0602")), line(9600), 0);
    // The answer leaves at 9600 8N1; until it is out the module keeps those settings.
    emu.advance(25);
    QCOMPARE(emu.serialSettings(), line(9600));
    QCOMPARE(longPayload(emu.takeForPc(100), 0x01), hexBytes("0602"));
    QCOMPARE(emu.serialSettings(), line(19200, 'O'));
    QCOMPARE(emu.options().baud, 6);
    QCOMPARE(emu.options().parity, 2);
    // The old settings no longer work, the new ones do.
    QCOMPARE(exchange(emu, longFrame(0x8002, hexBytes("0000")), 200, line(9600)), QByteArray());
    QCOMPARE(longPayload(exchange(emu, longFrame(0x8002, hexBytes("0000")), 2000, line(19200, 'O')), 0x02),
             hexBytes("0602"));
}

void TestEmulator::writeAllSwitchesAndReadsBack()
{
    ModuleEmulator emu;
    QCOMPARE(longPayload(exchange(emu, longFrame(0x800E, hexBytes("03050602")), 0), 0x0E), hexBytes("03050602"));
    QCOMPARE(exchange(emu, longFrame(0x8015, hexBytes("0000")), 2000), QByteArray());
    QCOMPARE(longPayload(exchange(emu, longFrame(0x8015, hexBytes("0000")), 4000, line(19200, 'O')), 0x15),
             hexBytes("03050602"));
    QCOMPARE(emu.options().channel, 3);
}

void TestEmulator::shortFrames()
{
    ModuleEmulator::Options o;
    o.parity = 1;
    ModuleEmulator emu(o);
    const SerialLine even = line(9600, 'E');
    QCOMPARE(exchange(emu, hexBytes("EDED0400DE"), 0, even), hexBytes("EDED0405E3"));
    QCOMPARE(exchange(emu, shortFrame(0x05, hexBytes("0A")), 2000, even), shortFrame(0x05, hexBytes("0A")));
    QCOMPARE(exchange(emu, shortFrame(0x06, hexBytes("00")), 4000, even), shortFrame(0x06, hexBytes("0A")));
    QCOMPARE(exchange(emu, shortFrame(0x12, hexBytes("00")), 6000, even), shortFrame(0x12, hexBytes("5A")));
    QCOMPARE(exchange(emu, shortFrame(0x13, hexBytes("0F")), 8000, even), shortFrame(0x13, hexBytes("0F")));
    // There is no short identify answer: the module answers the short search in long form.
    QCOMPARE(longPayload(exchange(emu, shortFrame(0x00, hexBytes("00")), 10000, even), 0x00), hexBytes("301202"));
    // The short serial write has no parity byte: the module ends at no parity.
    QCOMPARE(exchange(emu, shortFrame(0x01, hexBytes("06")), 12000, even), shortFrame(0x01, hexBytes("06")));
    QCOMPARE(emu.serialSettings(), line(19200, 'N'));
    QCOMPARE(exchange(emu, shortFrame(0x02, hexBytes("00")), 14000, line(19200)), shortFrame(0x02, hexBytes("06")));
    // A short frame with a wrong checksum is not a command.
    QCOMPARE(exchange(emu, hexBytes("EDED0400DF"), 16000, line(19200)), QByteArray());
}

void TestEmulator::shortAnswersOption()
{
    ModuleEmulator::Options o;
    o.shortAnswers = true;
    ModuleEmulator emu(o);
    // The set-all chain of that edition: 09, 0E, 0A, 07 come back short.
    QCOMPARE(exchange(emu, longFrame(0x8009, hexBytes("0100")), 0), shortFrame(0x09, hexBytes("0100")));
    QCOMPARE(exchange(emu, longFrame(0x800E, hexBytes("02050500")), 2000), shortFrame(0x0E, hexBytes("02050500")));
    QCOMPARE(exchange(emu, longFrame(0x800A, hexBytes("350B030002")), 4000), shortFrame(0x0A, hexBytes("350B030002")));
    QCOMPARE(exchange(emu, longFrame(0x8007, hexBytes("0000")), 6000), shortFrame(0x07, hexBytes("00")));
    // Codes without a short answer stay long.
    QCOMPARE(longPayload(exchange(emu, longFrame(0x8000, hexBytes("0000")), 8000), 0x00), hexBytes("301202"));
    QCOMPARE(longPayload(exchange(emu, longFrame(0x8016, hexBytes("00010001")), 10000), 0x16), hexBytes("00010001"));
}

void TestEmulator::idProtocolFrames()
{
    ModuleEmulator::Options o;
    o.radioId = 0x0102;
    o.in1 = 1;
    ModuleEmulator emu(o);
    // Another module's ID: not for us, and not data either.
    QCOMPARE(exchange(emu, hexBytes("4040A600010780130000C10D0A"), 0), QByteArray());
    QCOMPARE(emu.airStats().sent, qint64(0));
    QCOMPARE(exchange(emu, idFrame(0x0102, 0x8013, hexBytes("0000")), 2000), idFrame(0x0102, 0x0013, hexBytes("0100")));
    QCOMPARE(exchange(emu, idFrame(0x0102, 0x8012, hexBytes("0201")), 4000), idFrame(0x0102, 0x0012, hexBytes("0201")));
    QCOMPARE(emu.options().out2, 1);
    QCOMPARE(emu.options().out1, 0);
    QCOMPARE(exchange(emu, idFrame(0x0102, 0x8012, hexBytes("0301")), 6000), QByteArray()); // no output 3
    // The answer carries the module's own ID, also after the ID has been rewritten.
    QCOMPARE(longPayload(exchange(emu, longFrame(0x800C, hexBytes("0001")), 8000), 0x0C), hexBytes("0001"));
    QCOMPARE(exchange(emu, hexBytes("4040A600010780130000C10D0A"), 10000), idFrame(0x0001, 0x0013, hexBytes("0100")));
}

void TestEmulator::packetDelimiting()
{
    ModuleEmulator emu;
    const QByteArray req = longFrame(0x8006, hexBytes("0000"));
    // A frame in two pieces with no real pause is still one frame.
    emu.receiveFromPc(req.left(5), line(9600), 0);
    emu.receiveFromPc(req.mid(5), line(9600), 1);
    QCOMPARE(longPayload(emu.takeForPc(1000), 0x06), hexBytes("0100"));
    // With a long pause the two pieces are two packets of data: no answer.
    emu.receiveFromPc(req.left(5), line(9600), 2000);
    emu.receiveFromPc(req.mid(5), line(9600), 2050);
    QCOMPARE(emu.takeForPc(3000), QByteArray());
    QCOMPARE(emu.airStats().sent, qint64(2));
    // Two frames in one write: two answers in order.
    const QByteArray two = exchange(emu, req + longFrame(0x8004, hexBytes("0000")), 4000);
    QCOMPARE(longPayload(two.left(13), 0x06), hexBytes("0100"));
    QCOMPARE(longPayload(two.mid(13), 0x04), hexBytes("0500"));
    // A frame with a wrong checksum or length is data.
    QByteArray bad = req;
    bad[10] = char(bad[10] + 1);
    QCOMPARE(exchange(emu, bad, 6000), QByteArray());
    QByteArray badLen = req;
    badLen[7] = 3;
    QCOMPARE(exchange(emu, badLen, 8000), QByteArray());
    QCOMPARE(emu.airStats().sent, qint64(4));
}

void TestEmulator::faults()
{
    const QByteArray req = longFrame(0x8004, hexBytes("0000"));
    const QByteArray good = hexBytes("5A5A00005A0004020500190D0A");
    {
        ModuleEmulator::Options o;
        o.badChecksum = true;
        ModuleEmulator emu(o);
        const QByteArray a = exchange(emu, req, 0);
        QCOMPARE(a.size(), good.size());
        QCOMPARE(a.left(10), good.left(10));
        QCOMPARE(quint8(a[10]), quint8(0x1A));
        QCOMPARE(a.right(2), QByteArray("\r\n"));
    }
    {
        ModuleEmulator::Options o;
        o.splitMs = 100;
        ModuleEmulator emu(o);
        emu.receiveFromPc(req, line(9600), 0);
        QCOMPARE(emu.takeForPc(40), good.left(6));
        QCOMPARE(emu.takeForPc(120), QByteArray());
        QCOMPARE(emu.takeForPc(200), good.mid(6));
    }
    {
        ModuleEmulator::Options o;
        o.lateMs = 500;
        ModuleEmulator emu(o);
        emu.receiveFromPc(req, line(9600), 0);
        QCOMPARE(emu.bytesReadyForPc(519), 0);
        QCOMPARE(emu.takeForPc(540), good);
    }
    {
        ModuleEmulator::Options o;
        o.mute = true;
        ModuleEmulator emu(o);
        QCOMPARE(exchange(emu, longFrame(0x8005, hexBytes("0700")), 0), QByteArray());
        QCOMPARE(emu.options().channel, 7); // it hears and obeys, it only does not answer
        emu.options().mute = false;
        QCOMPARE(longPayload(exchange(emu, req, 2000), 0x04), hexBytes("0500"));
    }
}

void TestEmulator::parseOptionsValues()
{
    ModuleEmulator::Options o;
    QCOMPARE(o.model, 0x35);
    QCOMPARE(o.band, 2);
    QCOMPARE(o.baud, 5);
    QCOMPARE(o.parity, 0);
    QCOMPARE(o.channel, 1);
    QCOMPARE(o.airRate, 5);
    QCOMPARE(o.radioId, 1);
    QCOMPARE(o.familyCode(), 0x30);
    QString err = "x";
    QVERIFY(ModuleEmulator::ParseOptions(
        "model=35,band=433,baud=4800,parity=odd,channel=3,air=9600,id=258,rssi=0x5A,in1=1,in2=0,"
        "version=0x12,family=0x30,short-answers,badsum,split=100,late=500,mute",
        &o, &err));
    QVERIFY(err.isEmpty());
    QCOMPARE(o.model, 0x35);
    QCOMPARE(o.band, 2);
    QCOMPARE(o.baud, 4);
    QCOMPARE(o.parity, 2);
    QCOMPARE(o.channel, 3);
    QCOMPARE(o.airRate, 5);
    QCOMPARE(o.radioId, 258);
    QCOMPARE(o.rssi, 0x5A);
    QCOMPARE(o.in1, 1);
    QCOMPARE(o.in2, 0);
    QCOMPARE(o.version, 0x12);
    QCOMPARE(o.family, 0x30);
    QVERIFY(o.shortAnswers && o.badChecksum && o.mute);
    QCOMPARE(o.splitMs, 100);
    QCOMPARE(o.lateMs, 500);

    ModuleEmulator::Options p;
    QVERIFY(ModuleEmulator::ParseOptions(" model=62 , band=2400, baud=57600, air=1200, parity=even, mute=0,"
                                         "drop=0.25,truncate=0.5,truncate-bytes=3,truncate-at=start,corrupt=1,seed=99,"
                                         "echo,year=2019,month=12,seq=65534,power=2W",
                                         &p, &err));
    QCOMPARE(p.familyCode(), 0x60); // follows the model code
    QCOMPARE(p.band, 6);
    QCOMPARE(p.baud, 8);
    QCOMPARE(p.airRate, 2);
    QCOMPARE(p.parity, 1);
    QVERIFY(!p.mute && p.echo);
    QCOMPARE(p.dropRate, 0.25);
    QCOMPARE(p.truncateRate, 0.5);
    QCOMPARE(p.truncateBytes, 3);
    QCOMPARE(p.truncateAt, 'S');
    QCOMPARE(p.corruptRate, 1.0);
    QCOMPARE(p.seed, quint64(99));
    QCOMPARE(p.snYear, 19);
    QCOMPARE(p.snMonth, 12);
    QCOMPARE(p.snSequence, 65534);
    QCOMPARE(p.txPower, 1);
    QVERIFY(ModuleEmulator::ParseOptions("", &p, &err)); // nothing to change
}

void TestEmulator::parseOptionsErrors_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("unknown key") << "model=35,colour=red" << "colour";
    QTest::newRow("band") << "band=500" << "band";
    QTest::newRow("baud") << "baud=1000" << "baud";
    QTest::newRow("parity") << "parity=mark" << "parity";
    QTest::newRow("channel 0") << "channel=0" << "channel";
    QTest::newRow("id too big") << "id=70000" << "id";
    QTest::newRow("model not hex") << "model=3G" << "model";
    QTest::newRow("missing value") << "late=" << "late";
    QTest::newRow("rate above 1") << "drop=1.5" << "drop";
    QTest::newRow("flag value") << "mute=perhaps" << "mute";
    QTest::newRow("not a number") << "split=soon" << "split";
}

void TestEmulator::parseOptionsErrors()
{
    QFETCH(QString, text);
    QFETCH(QString, mentions);
    ModuleEmulator::Options o;
    o.channel = 9;
    QString err;
    QVERIFY(!ModuleEmulator::ParseOptions(text, &o, &err));
    QVERIFY2(err.contains(mentions), qPrintable(err));
    QCOMPARE(o.channel, 9); // untouched on failure
}

QTEST_APPLESS_MAIN(TestEmulator)
#include "tst_emulator.moc"
