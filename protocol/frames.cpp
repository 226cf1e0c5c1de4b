#include "frames.h"

#include "app/Unit1.h"
#include "link/commfunction.h"

namespace Frames {

QString Hex2(int value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

QString Hex4(int value)
{
    return QStringLiteral("%1").arg(value & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
}

QByteArray Long(const QString& address, const QString& code, const QString& payload)
{
    QString text = QStringLiteral("5A5A") + address + QStringLiteral("5A") + code
        + Hex2(payload.size() / 2) + payload;
    text += TCommFun::Checksum(text) + QStringLiteral("0D0A");
    return TCommFun::HexTextToBytes(text);
}

QByteArray Short(const QString& code, const QString& payload)
{
    QString text = QStringLiteral("EDED") + code + payload;
    text += TCommFun::Checksum(text);
    return TCommFun::HexTextToBytes(text);
}

QByteArray Id(const QString& radioId, const QString& type, const QString& code, const QString& payload)
{
    QString text = QStringLiteral("4040") + type + radioId + Hex2(payload.size() / 2 + 5) + code + payload;
    text += TCommFun::Checksum(text) + QStringLiteral("0D0A");
    return TCommFun::HexTextToBytes(text);
}

} // namespace Frames

QByteArray TForm1::BuildLongFrame(const QString& address, const QString& code, const QString& payload) const
{
    return Frames::Long(address, code, payload);
}

QByteArray TForm1::BuildShortFrame(const QString& code, const QString& payload) const
{
    return Frames::Short(code, payload);
}

QByteArray TForm1::BuildIdFrame(const QString& radioId, const QString& type, const QString& code,
                                const QString& payload) const
{
    return Frames::Id(radioId, type, code, payload);
}

QByteArray TForm1::BuildCommandFrame(const QString& longCode, const QString& longPayload,
                                     const QString& shortCode, const QString& shortPayload) const
{
    if (GlobleVar::IsShortFrameEdition())
        return BuildShortFrame(shortCode, shortPayload);
    return BuildLongFrame(QStringLiteral("0000"), longCode, longPayload);
}
