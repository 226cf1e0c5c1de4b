#include "ToolConfig.h"

#include "IniFile.h"

namespace ToolConfig {

namespace {
const QString kCom = QStringLiteral("COM");
const QString kVer = QStringLiteral("Ver");
const QString kOption = QStringLiteral("Option");
const QString kSn = QStringLiteral("SN");

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

bool WriteCom(const QString& path, const Com& com)
{
    IniFile ini(path);
    bool ok = ini.WriteInteger(kCom, QStringLiteral("Port"), com.port);
    ok &= ini.WriteInteger(kCom, QStringLiteral("Rate"), com.rate);
    ok &= ini.WriteInteger(kCom, QStringLiteral("Verify"), com.verify);
    return ok;
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

bool WriteOptions(const QString& path, const Options& o)
{
    IniFile ini(path);
    bool ok = ini.WriteInteger(kOption, QStringLiteral("Delay time"), o.delayTime);
    ok &= ini.WriteInteger(kOption, QStringLiteral("RX timer"), o.rxTimer);
    ok &= ini.WriteInteger(kOption, QStringLiteral("RX/TX conversion"), o.rxTxConversion);
    ok &= ini.WriteBool(kOption, QStringLiteral("Frame delay"), o.frameDelay);
    ok &= ini.WriteBool(kOption, QStringLiteral("Search before R/W"), o.searchBeforeRW);
    return ok;
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

bool WriteSn(const QString& path, const Sn& sn)
{
    IniFile ini(path);
    bool ok = ini.WriteInteger(kSn, QStringLiteral("Model"), sn.model);
    ok &= ini.WriteString(kSn, QStringLiteral("Year"), sn.year);
    ok &= ini.WriteString(kSn, QStringLiteral("Month"), sn.month);
    ok &= ini.WriteString(kSn, QStringLiteral("NO"), sn.number);
    return ok;
}

} // namespace ToolConfig
