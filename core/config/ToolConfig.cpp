#include "ToolConfig.h"

#include "IniFile.h"


namespace ToolConfig {

namespace {
const QString kCom = QStringLiteral("COM");
const QString kVer = QStringLiteral("Ver");
const QString kOption = QStringLiteral("Option");
const QString kSn = QStringLiteral("SN");
const QString kProduction = QStringLiteral("Production");

constexpr int kBauds[kBaudRows] = {600, 1200, 2400, 4800, 9600, 19200, 38400};
constexpr Parity kParities[3] = {Parity::Even, Parity::Odd, Parity::None};
} // namespace

Com ReadCom(const QString& path)
{
    const IniFile ini(path);
    Com c;
    c.port = ini.ReadInteger(kCom, QStringLiteral("Port"), 0);
    c.rate = ini.ReadInteger(kCom, QStringLiteral("Rate"), 2);
    c.verify = ini.ReadInteger(kCom, QStringLiteral("Verify"), 2);
    return c;
}

bool WriteCom(const QString& path, const Com& com, IniWriteError* error)
{
    return IniFile::Update(
        path,
        [&](IniFile& ini) {
            ini.SetInteger(kCom, QStringLiteral("Port"), com.port);
            ini.SetInteger(kCom, QStringLiteral("Rate"), com.rate);
            ini.SetInteger(kCom, QStringLiteral("Verify"), com.verify);
            return true;
        },
        error);
}

int BaudOfRow(int row)
{
    return row >= 0 && row < kBaudRows ? kBauds[row] : 0;
}

Parity ParityOfRow(int row)
{
    return row >= 0 && row < 3 ? kParities[row] : Parity::Unknown;
}

int RowOfBaud(int baud)
{
    for (int i = 0; i < kBaudRows; ++i)
        if (kBauds[i] == baud)
            return i;
    return -1;
}

int RowOfParity(Parity parity)
{
    for (int i = 0; i < 3; ++i)
        if (kParities[i] == parity)
            return i;
    return -1;
}

Ver ReadVer(const QString& path)
{
    const IniFile ini(path);
    Ver v;
    v.type = ini.ReadString(kVer, QStringLiteral("type"), QString());
    v.model = ini.ReadString(kVer, QStringLiteral("Model"), QString());
    v.ceo = ini.ReadString(kVer, QStringLiteral("CEO"), QStringLiteral("CN"));
    v.ktx = ini.ReadInteger(kVer, QStringLiteral("KTX"), 0);
    return v;
}

Options ReadOptions(const QString& path)
{
    const IniFile ini(path);
    Options o;
    o.frameDelay = ini.ReadBool(kOption, QStringLiteral("Frame delay"), false);
    o.delayTime = ini.ReadInteger(kOption, QStringLiteral("Delay time"), 333);
    o.rxTimer = ini.ReadInteger(kOption, QStringLiteral("RX timer"), 30);
    o.rxTxConversion = ini.ReadInteger(kOption, QStringLiteral("RX/TX conversion"), 20);
    o.searchBeforeRW = ini.ReadBool(kOption, QStringLiteral("Search before R/W"), true);
    // The chain waits this long: a mistyped huge value would hold it for hours.
    o.testDelayTime = qBound(0, ini.ReadInteger(kOption, QStringLiteral("Test Delay Time"), 1500), kMaxTestDelayMs);
    return o;
}

bool WriteOptions(const QString& path, const Options& o, IniWriteError* error)
{
    return IniFile::Update(
        path,
        [&](IniFile& ini) {
            ini.SetInteger(kOption, QStringLiteral("Delay time"), o.delayTime);
            ini.SetInteger(kOption, QStringLiteral("RX timer"), o.rxTimer);
            ini.SetInteger(kOption, QStringLiteral("RX/TX conversion"), o.rxTxConversion);
            ini.SetBool(kOption, QStringLiteral("Frame delay"), o.frameDelay);
            ini.SetBool(kOption, QStringLiteral("Search before R/W"), o.searchBeforeRW);
            return true;
        },
        error);
}

Sn ReadSn(const QString& path)
{
    const IniFile ini(path);
    Sn s;
    s.model = ini.ReadInteger(kSn, QStringLiteral("Model"), 0);
    s.year = ini.ReadString(kSn, QStringLiteral("Year"), QString());
    s.month = ini.ReadString(kSn, QStringLiteral("Month"), QString());
    s.number = ini.ReadString(kSn, QStringLiteral("NO"), QString());
    return s;
}

Production ReadProduction(const QString& path)
{
    const IniFile ini(path);
    Production p;
    p.database = ini.ReadString(kProduction, QStringLiteral("Database"), QString()).trimmed();
    p.station = ini.ReadString(kProduction, QStringLiteral("Station"), QString()).trimmed();
    return p;
}

ToolSettings ReadSettings(const QString& path)
{
    const Com com = ReadCom(path);
    const Options o = ReadOptions(path);
    ToolSettings s;
    s.port = com.port + 1;
    s.line = SerialSettings{BaudOfRow(com.rate), ParityOfRow(com.verify)};
    const Ver ver = ReadVer(path);
    s.edition = ver.edition();
    s.language = ver.ceo;
    s.fixedGap = o.frameDelay;
    s.gapMs = qBound(60, o.delayTime, 3000);
    s.receivePeriodMs = qBound(10, o.rxTimer, 500);
    s.rxTxPauseMs = qBound(10, o.rxTxConversion, 1000);
    s.searchFirst = o.searchBeforeRW;
    s.testDelayMs = o.testDelayTime;
    const Production p = ReadProduction(path);
    s.database = p.database;
    s.station = p.station;
    return s;
}

} // namespace ToolConfig
