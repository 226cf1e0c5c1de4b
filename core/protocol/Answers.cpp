#include "Answers.h"

#include "HexText.h"

namespace Answers {

namespace {
const QLatin1String kEnd("0D0A");

// Number of characters before the checksum digits.
int CoveredLength(const QString& text, bool isShort)
{
    const int n = text.size() - (isShort ? 2 : 6);
    return n < 0 ? 0 : n;
}
} // namespace

bool IsLong(const QString& text) { return text.startsWith(QLatin1String("5A5A")) && text.endsWith(kEnd); }
bool IsId(const QString& text) { return text.startsWith(QLatin1String("4040")) && text.endsWith(kEnd); }
bool IsShort(const QString& text) { return text.startsWith(QLatin1String("EDED")); }

bool ChecksumOk(const QString& text, bool isShort)
{
    const int covered = CoveredLength(text, isShort);
    if (text.size() < covered + 2)
        return false;
    return text.mid(covered, 2) == HexText::Checksum(text.left(covered));
}

static QString Field(const QString& text, int position, int length)
{
    if (position - 1 + length > text.size())
        return QString();
    return text.mid(position - 1, length);
}

QString LongCode(const QString& text) { return Field(text, 11, 4); }
QString IdCode(const QString& text) { return Field(text, 13, 4); }
QString ShortCode(const QString& text) { return Field(text, 5, 2); }

QString PayloadByteText(const QString& text, int k, bool isShort)
{
    if (k < 1)
        return QString();
    const int start = (isShort ? 7 : 17) + 2 * (k - 1); // 1-based
    if (start - 1 + 2 > CoveredLength(text, isShort))
        return QString();
    return text.mid(start - 1, 2);
}

int PayloadByte(const QString& text, int k, bool isShort)
{
    const QString t = PayloadByteText(text, k, isShort);
    return t.isEmpty() ? -1 : HexText::HexByteValue(t);
}

int IdField(const QString& text)
{
    const QString t = Field(text, 7, 4);
    if (t.isEmpty() || CoveredLength(text, false) < 10)
        return -1;
    return HexText::HexTextToInt(t);
}

} // namespace Answers
