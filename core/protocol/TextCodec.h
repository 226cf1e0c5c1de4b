// Typed text and the bytes of a data block: what the operator types goes out as UTF-8, and
// received bytes are shown as UTF-8 when they are valid UTF-8, otherwise one character a
// byte, so no byte is ever dropped.
#pragma once

#include <QByteArray>
#include <QString>

namespace TextCodec {

QByteArray TextToBytes(const QString& text);
QString BytesToText(const QByteArray& bytes);
// Number of bytes at the end that begin a UTF-8 character without finishing it (0..3).
int Utf8IncompleteTail(const QByteArray& bytes);
// "41 42 0D 0A  AB.." : the bytes in hex, then as characters (dots for the unprintable).
QString HexAndAscii(const QByteArray& bytes);

} // namespace TextCodec
