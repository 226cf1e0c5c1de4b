// Hex text and the additive checksum, on which the whole module protocol rests: protocol data
// are upper-case hex text, two characters a byte, turned into bytes only when sent. Invalid
// hex counts as 0.
#pragma once

#include <QByteArray>
#include <QString>

namespace HexText {

int HexDigitValue(QChar digit);
int HexByteValue(const QString& pair);
QString RemoveSpaces(const QString& text);
// A last digit on its own is the low nibble of a byte.
QByteArray HexTextToBytes(const QString& hex);
// "41 42 " with separators (a space after every byte), "4142" without.
QString BytesToHexText(const QByteArray& bytes, bool separator);
// Wraps (unsigned arithmetic) for texts longer than eight digits.
int HexTextToInt(const QString& hex);
int IntPower(int base, int exponent);
// Sum of the bytes modulo 256 as two digits; a text of odd length is read with a leading 0.
QString Checksum(const QString& hex);

} // namespace HexText
