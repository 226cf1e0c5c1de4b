#include "HexText.h"

namespace HexText {

int HexDigitValue(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return c.unicode() - '0';
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        return c.unicode() - 'A' + 10;
    if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        return c.unicode() - 'a' + 10;
    return 0;
}

int HexByteValue(const QString& pair)
{
    const int high = pair.size() > 0 ? HexDigitValue(pair.at(0)) : 0;
    const int low = pair.size() > 1 ? HexDigitValue(pair.at(1)) : 0;
    return 16 * high + low;
}

QString RemoveSpaces(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (c != QLatin1Char(' '))
            out.append(c);
    return out;
}

QByteArray HexTextToBytes(const QString& hex)
{
    const QString t = RemoveSpaces(hex);
    QByteArray out;
    out.reserve((t.size() + 1) / 2);
    int i = 0;
    for (; i + 1 < t.size(); i += 2)
        out.append(static_cast<char>(16 * HexDigitValue(t.at(i)) + HexDigitValue(t.at(i + 1))));
    if (i < t.size())
        out.append(static_cast<char>(HexDigitValue(t.at(i))));
    return out;
}

QString BytesToHexText(const QByteArray& bytes, bool separator)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size() * (separator ? 3 : 2));
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out.append(QLatin1Char(digits[b >> 4]));
        out.append(QLatin1Char(digits[b & 0x0F]));
        if (separator)
            out.append(QLatin1Char(' '));
    }
    return out;
}

int HexTextToInt(const QString& hex)
{
    quint32 sum = 0;
    quint32 weight = 1; // 16 to the power of the distance from the end
    for (int i = hex.size() - 1; i >= 0; --i) {
        sum += static_cast<quint32>(HexDigitValue(hex.at(i))) * weight;
        weight *= 16;
    }
    return static_cast<int>(sum);
}

int IntPower(int base, int exponent)
{
    quint32 result = 1;
    for (int i = 0; i < exponent; ++i)
        result *= static_cast<quint32>(base);
    return static_cast<int>(result);
}

QString Checksum(const QString& hex)
{
    if (hex.isEmpty())
        return QStringLiteral("00");
    const QString t = (hex.size() % 2) ? QStringLiteral("0") + hex : hex;
    int sum = 0;
    for (int i = 0; i + 1 < t.size(); i += 2)
        sum = (sum + HexByteValue(t.mid(i, 2))) & 0xFF;
    return QStringLiteral("%1").arg(sum, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace HexText
