#include "Frames.h"

#include "HexText.h"

namespace Frames {

QString Hex2(int value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

QString Hex4(int value)
{
    return QStringLiteral("%1").arg(value & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
}

QByteArray BuildLongFrame(const QString& address, const QString& code, const QString& payload)
{
    QString text = QStringLiteral("5A5A") + address + QStringLiteral("5A") + code + Hex2(payload.size() / 2) + payload;
    text += HexText::Checksum(text) + QStringLiteral("0D0A");
    return HexText::HexTextToBytes(text);
}

QByteArray BuildShortFrame(const QString& code, const QString& payload)
{
    QString text = QStringLiteral("EDED") + code + payload;
    text += HexText::Checksum(text);
    return HexText::HexTextToBytes(text);
}

QByteArray BuildIdFrame(const QString& radioId, const QString& type, const QString& code, const QString& payload)
{
    QString text = QStringLiteral("4040") + type + radioId + Hex2(payload.size() / 2 + 5) + code + payload;
    text += HexText::Checksum(text) + QStringLiteral("0D0A");
    return HexText::HexTextToBytes(text);
}

QByteArray BuildCommandFrame(bool shortFrames, const QString& longCode, const QString& longPayload,
                             const QString& shortCode, const QString& shortPayload)
{
    if (shortFrames)
        return BuildShortFrame(shortCode, shortPayload);
    return BuildLongFrame(QStringLiteral("0000"), longCode, longPayload);
}

} // namespace Frames
