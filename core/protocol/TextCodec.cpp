#include "TextCodec.h"

#include <QStringDecoder>

namespace TextCodec {

QByteArray TextToBytes(const QString& text)
{
    return text.toUtf8();
}

QString BytesToText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

QString HexAndAscii(const QByteArray& bytes)
{
    QString hex, text;
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        hex += QStringLiteral("%1 ").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        text += b >= 0x20 && b < 0x7F ? QChar(b) : QLatin1Char('.');
    }
    return hex + QLatin1Char(' ') + text;
}

int Utf8IncompleteTail(const QByteArray& bytes)
{
    const int n = int(bytes.size());
    for (int back = 1; back <= 3 && back <= n; ++back) {
        const auto b = static_cast<unsigned char>(bytes[n - back]);
        if ((b & 0xC0) == 0x80)
            continue; // a continuation byte: look further back for the lead
        const int need = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 1;
        return need > back ? back : 0;
    }
    return 0;
}

} // namespace TextCodec
