#include "Values.h"

int ParityCode(Parity parity)
{
    switch (parity) {
    case Parity::None: return 0;
    case Parity::Even: return 1;
    case Parity::Odd: return 2;
    case Parity::Unknown: break;
    }
    return -1;
}

Parity ParityOfCode(int code)
{
    switch (code) {
    case 0: return Parity::None;
    case 1: return Parity::Even;
    case 2: return Parity::Odd;
    default: return Parity::Unknown;
    }
}

char ParityChar(Parity parity)
{
    switch (parity) {
    case Parity::Even: return 'E';
    case Parity::Odd: return 'O';
    default: return 'N';
    }
}

Parity ParityOfChar(char c)
{
    switch (c) {
    case 'N': return Parity::None;
    case 'E': return Parity::Even;
    case 'O': return Parity::Odd;
    default: return Parity::Unknown;
    }
}

QString ParityName(Parity parity)
{
    switch (parity) {
    case Parity::None: return QStringLiteral("none");
    case Parity::Even: return QStringLiteral("even");
    case Parity::Odd: return QStringLiteral("odd");
    case Parity::Unknown: break;
    }
    return QStringLiteral("unknown");
}

int RateOfCode(int code)
{
    static const int rates[] = {600, 1200, 2400, 4800, 9600, 19200, 38400, 57600};
    return code >= 1 && code <= 8 ? rates[code - 1] : 0;
}

int CodeOfRate(int rate)
{
    for (int code = 1; code <= 8; ++code)
        if (RateOfCode(code) == rate)
            return code;
    return 0;
}

LineSettings SerialSettings::line() const
{
    LineSettings l;
    l.baud = baud;
    l.parity = ParityChar(parity);
    return l;
}

namespace {

// The value of a text of digits only (no sign, no spaces), -1 otherwise.
int DigitsValue(const QString& text)
{
    if (text.isEmpty() || text.size() > 9)
        return -1;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
    return text.toInt();
}

} // namespace

int SerialNumberYearOf(const QString& text)
{
    const int year = text.size() == 4 ? DigitsValue(text) : -1;
    return year >= kFirstSerialYear && year <= kLastSerialYear ? year : -1;
}

int SerialNumberMonthOf(const QString& text)
{
    const int month = DigitsValue(text);
    return month >= 1 && month <= 12 ? month : -1;
}
