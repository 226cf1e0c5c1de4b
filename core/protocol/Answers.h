// Validation of the module's answers and safe access to their fields. Answers are hex text;
// positions count text characters from 1. A field past the end of a short answer is absent
// (-1 or an empty text), never read from beyond the text.
#pragma once

#include <QString>

namespace Answers {

bool IsLong(const QString& text);  // "5A5A" ... "0D0A"
bool IsId(const QString& text);    // "4040" ... "0D0A"
bool IsShort(const QString& text); // "EDED" ...

// Checksum digits against the sum of everything before them: before "0D0A" for long and
// ID answers, at the very end for short ones.
bool ChecksumOk(const QString& text, bool isShort);

// Answer code: characters 11-14 (long), 13-16 (ID), 5-6 (short); empty when the text is
// too short to hold it.
QString LongCode(const QString& text);
QString IdCode(const QString& text);
QString ShortCode(const QString& text);

// Payload byte k (1-based): long and ID answers from position 17, short ones from 7. Only
// characters before the checksum count; -1 when the byte is not there.
int PayloadByte(const QString& text, int k, bool isShort);
QString PayloadByteText(const QString& text, int k, bool isShort);

// Radio ID of an ID-protocol answer (characters 7-10), -1 when absent.
int IdField(const QString& text);

} // namespace Answers
