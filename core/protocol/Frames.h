// The three command frame kinds, as pure functions of hex texts. Every frame is assembled as
// upper-case hex text, closed with the additive checksum, and turned into bytes at the end.
#pragma once

#include <QByteArray>
#include <QString>

namespace Frames {

// 5A5A address 5A code length payload checksum 0D0A
QByteArray BuildLongFrame(const QString& address, const QString& code, const QString& payload);
// EDED code payload checksum
QByteArray BuildShortFrame(const QString& code, const QString& payload);
// 4040 type radioId length code payload checksum 0D0A; length counts the bytes after it
QByteArray BuildIdFrame(const QString& radioId, const QString& type, const QString& code, const QString& payload);
// The short frame in the short-frame edition, otherwise the long frame with address 0000.
QByteArray BuildCommandFrame(bool shortFrames, const QString& longCode, const QString& longPayload,
                             const QString& shortCode, const QString& shortPayload);

// The four-digit text of a number 0..65535, high byte first ("012C" for 300).
QString Hex4(int value);
// The two-digit text of a byte.
QString Hex2(int value);

} // namespace Frames
