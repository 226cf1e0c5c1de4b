#include "commfunction.h"
#include "PComm.h"
bool TCommFun::OpenPort(int port) { return sio_open(port) == 0; }
bool TCommFun::ConfigurePort(int port, int b, int p, int d, int s) { return sio_ioctl(port, b, p | d | s) == 0; }
bool TCommFun::ClosePort(int port) { return sio_close(port) == 0; }
bool TCommFun::SendData(int port, const QByteArray& data, int count) { return sio_write(port, data.constData(), count) >= 0; }
void TCommFun::ReadData(int, QByteArray&) {}
int TCommFun::HexDigitValue(const QString& d)
{
    if (d.size() != 1) return 0;
    const ushort c = d[0].unicode();
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}
int TCommFun::HexByteValue(const QString& p) { return 16 * HexDigitValue(p.mid(0, 1)) + HexDigitValue(p.mid(1, 1)); }
QString TCommFun::RemoveSpaces(const QString& t) { QString r = t; r.remove(QLatin1Char(' ')); return r; }
QByteArray TCommFun::HexTextToBytes(const QString& hex)
{
    const QString t = RemoveSpaces(hex);
    QByteArray out;
    int i = 0;
    for (; i + 1 < t.size(); i += 2) out.append(char(HexByteValue(t.mid(i, 2))));
    if (i < t.size()) out.append(char(HexByteValue(QStringLiteral("0") + t.mid(i, 1))));
    return out;
}
QString TCommFun::BytesToHexText(const QByteArray& b, bool sep)
{
    QString out;
    for (char c : b) { out += QStringLiteral("%1").arg(uchar(c), 2, 16, QLatin1Char('0')).toUpper(); if (sep) out += QLatin1Char(' '); }
    return out;
}
int TCommFun::HexTextToInt(const QString& hex)
{
    int sum = 0;
    for (int i = 0; i < hex.size(); ++i) sum += HexDigitValue(hex.mid(hex.size() - 1 - i, 1)) * IntPower(16, i);
    return sum;
}
int TCommFun::IntPower(int base, int e) { int r = 1; for (int i = 0; i < e; ++i) r *= base; return r; }
QString TCommFun::Checksum(const QString& hex)
{
    if (hex.isEmpty()) return QStringLiteral("00");
    const QString t = hex.size() % 2 ? QStringLiteral("0") + hex : hex;
    int sum = 0;
    for (int i = 0; i < t.size(); i += 2) sum += HexByteValue(t.mid(i, 2));
    return QStringLiteral("%1").arg(sum % 256, 2, 16, QLatin1Char('0')).toUpper();
}
