#include "Catalogue.h"

namespace Catalogue {

namespace {

enum BaseListId { B433_915_868 = 0, B490 = 1, B230 = 2, B490_433 = 3, B2400 = 4 };

const char* const kBaseLists[][3] = {
    {"433MHZ", "915MHZ", "868MHZ"},
    {"490MHZ", nullptr, nullptr},
    {"230MHZ", nullptr, nullptr},
    {"490MHZ", "433MHZ", nullptr},
    {"2400MHZ", nullptr, nullptr},
};

// series, family, code, base list, channels (other, KESTRAVONIX, VORDAL, PLOVAR), ceiling,
// power, io, TX/RX fields, base station
const ModelRow kRows[kRowCount] = {
    {"511", "51X", "21", B433_915_868, 4, 4, 4, 4, 19200, false, false, false, false},
    {"512", "51X", "22", B433_915_868, 8, 8, 8, 8, 19200, false, false, false, false},
    {"513", "51X", "23", B433_915_868, 8, 8, 8, 16, 19200, false, false, false, false},
    {"514", "51X", "24", B433_915_868, 8, 8, 8, 8, 19200, false, false, false, false},
    {"515", "51X", "25", B433_915_868, 8, 8, 8, 8, 19200, false, false, false, false},
    {"516", "51X", "26", B433_915_868, 8, 8, 8, 8, 19200, false, false, false, false},
    {"521", "52X", "31", B433_915_868, 8, 10, 8, 8, 38400, false, false, true, true},
    {"522", "52X", "32", B433_915_868, 16, 10, 17, 16, 38400, false, true, true, false},
    {"523", "52X", "33", B433_915_868, 16, 10, 17, 16, 38400, false, true, true, false},
    {"524", "52X", "34", B433_915_868, 16, 10, 17, 16, 38400, false, false, true, false},
    {"525", "52X", "35", B433_915_868, 16, 10, 17, 16, 38400, true, false, true, false},
    {"526", "52X", "36", B433_915_868, 16, 16, 17, 16, 38400, false, false, false, false},
    {"527", "52X", "37", B433_915_868, 16, 16, 17, 16, 38400, false, false, false, false},
    {"528", "52X", "38", B433_915_868, 16, 16, 17, 16, 38400, false, false, false, false},
    {"531", "53X", "41", B490, 8, 8, 8, 8, 19200, false, false, false, false},
    {"532", "53X", "42", B490, 8, 8, 8, 8, 19200, false, false, false, false},
    {"533", "53X", "43", B490, 8, 8, 8, 8, 19200, false, false, false, false},
    {"535", "53X", "45", B490, 8, 8, 8, 8, 19200, true, false, false, false},
    {"310A", "310X", "11", B230, 8, 8, 8, 8, 19200, false, false, false, false},
    {"310B", "310X", "12", B230, 8, 8, 8, 8, 19200, false, false, false, false},
    {"310C", "310X", "13", B230, 8, 8, 8, 8, 19200, true, false, false, false},
    {"310D", "310X", "14", B230, 8, 8, 8, 8, 19200, false, false, false, false},
    // 536 belongs to 53X but was added after the 310X rows
    {"536", "53X", "46", B490, 8, 8, 8, 8, 19200, false, false, false, false},
    {"541", "54X", "51", B490_433, 8, 8, 8, 8, 38400, false, false, false, false},
    {"542", "54X", "52", B490_433, 8, 8, 8, 8, 38400, false, false, false, false},
    {"543", "54X", "53", B490_433, 8, 8, 8, 8, 38400, false, false, false, false},
    {"544", "54X", "54", B490_433, 8, 8, 8, 8, 38400, false, false, false, false},
    {"545", "54X", "55", B490_433, 8, 8, 8, 8, 38400, false, false, false, false},
    {"546", "54X", "56", B490_433, 8, 8, 8, 8, 38400, false, false, false, false},
    {"547", "54X", "57", B490_433, 8, 8, 8, 8, 38400, false, false, false, false},
    {"548", "54X", "58", B490_433, 8, 8, 8, 8, 38400, false, false, false, false},
    {"3201", "320X", "61", B2400, 8, 8, 8, 8, 57600, false, false, false, false},
    {"3202", "320X", "62", B2400, 8, 8, 8, 8, 57600, false, false, false, false},
    {"3203", "320X", "63", B2400, 8, 8, 8, 8, 57600, false, false, false, false},
    {"3204", "320X", "64", B2400, 8, 8, 8, 8, 57600, false, false, false, false},
    {"3205", "320X", "65", B2400, 8, 8, 8, 8, 57600, false, false, false, false},
};

} // namespace

const ModelRow* Row(int row)
{
    return row >= 0 && row < kRowCount ? &kRows[row] : nullptr;
}

QString Prefix(int prefixStyle)
{
    switch (prefixStyle) {
    case 1: return QStringLiteral("KTX");
    case 2: return QStringLiteral("QOM");
    default: return QString();
    }
}

QString RowText(int row, int prefixStyle)
{
    const ModelRow* r = Row(row);
    return r ? Prefix(prefixStyle) + QLatin1String(r->series) : QString();
}

int ModelCodeToRow(const QString& code)
{
    for (int i = 0; i < kRowCount; ++i)
        if (code == QLatin1String(kRows[i].modelCode))
            return i;
    return -1;
}

QString RowToModelCode(int row)
{
    const ModelRow* r = Row(row);
    return r ? QString::fromLatin1(r->modelCode) : QString();
}

QStringList BaseFrequencies(int row)
{
    QStringList out;
    if (const ModelRow* r = Row(row))
        for (const char* t : kBaseLists[r->baseList])
            if (t)
                out << QString::fromLatin1(t);
    return out;
}

QStringList InitialBaseFrequencies()
{
    return {QStringLiteral("433MHZ"), QStringLiteral("490MHZ"), QStringLiteral("915MHZ"),
            QStringLiteral("868MHZ"), QStringLiteral("230MHZ")};
}

int ChannelCount(int row, const QString& edition)
{
    const ModelRow* r = Row(row);
    if (!r)
        return 0;
    if (edition == QLatin1String("KESTRAVONIX"))
        return r->channelsKestravonix;
    if (edition == QLatin1String("VORDAL"))
        return r->channelsVordal;
    if (edition == QLatin1String("PLOVAR"))
        return r->channelsPlovar;
    return r->channels;
}

QStringList RateItems(int row)
{
    const ModelRow* r = Row(row);
    if (!r)
        return {};
    QStringList out{QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                    QStringLiteral("9600"), QStringLiteral("19200")};
    if (r->rateCeiling >= 38400)
        out << QStringLiteral("38400");
    if (r->rateCeiling >= 57600)
        out << QStringLiteral("57600");
    return out;
}

QString FamilyLabel(int familyCode, int prefixStyle)
{
    const char* label = nullptr;
    switch (familyCode) {
    case 0x10: label = "310X"; break;
    case 0x20: label = "51X"; break;
    case 0x30: label = "52X"; break;
    case 0x40: label = "53X"; break;
    case 0x50: label = "54X"; break;
    case 0x60: label = "320X"; break;
    default: return QString();
    }
    return (prefixStyle == 1 ? QStringLiteral("KTX") : QString()) + QLatin1String(label);
}

QString BaseFrequencyText(int code)
{
    static const char* const kTexts[] = {"230MHZ", "433MHZ", "490MHZ", "868MHZ", "915MHZ", "2.4GHZ"};
    return code >= 1 && code <= 6 ? QString::fromLatin1(kTexts[code - 1]) : QString();
}

} // namespace Catalogue
