// The fixed knowledge about the 36 module models: one table of rows, the family and
// base-frequency codes a module reports, row naming by prefix style and the list items
// that follow from a row. Pure data and functions for both front ends.
#pragma once

#include <QString>
#include <QStringList>

namespace Catalogue {

constexpr int kRowCount = 36;

struct ModelRow {
    const char* series;     // "511" ... "3205"
    const char* family;     // "51X", "52X", "53X", "54X", "310X", "320X"
    const char* modelCode;  // the byte of the serial-number answer, two hex digits
    int baseList;           // index into the base lists (BaseList)
    // channel-list length: ordinary editions, "KESTRAVONIX", "VORDAL", "PLOVAR"
    int channels;
    int channelsKestravonix;
    int channelsVordal;
    int channelsPlovar;
    int rateCeiling;        // 19200, 38400 or 57600
    bool power;             // transmit-power controls
    bool io;                // IO switch buttons
    bool txRxFields;        // TX/RX fields in edition "KESTRAVONIX"
    bool baseStation;       // base-station option in edition "KESTRAVONIX"
};

// Row 0..35, nullptr outside.
const ModelRow* Row(int row);

// "KTX" for style 1, "QOM" for style 2, nothing for every other style.
QString Prefix(int prefixStyle);
QString RowText(int row, int prefixStyle);

// Module model code "21".."65" to its row; -1 for every other text.
int ModelCodeToRow(const QString& code);
// Row to its model code; empty for an index that is no row.
QString RowToModelCode(int row);

// Base-frequency entries a row offers, in list order; empty for an index that is no row.
QStringList BaseFrequencies(int row);
// The five entries of the base list before any row is applied.
QStringList InitialBaseFrequencies();

// Number of channels the row's channel list holds in the given edition.
int ChannelCount(int row, const QString& edition);
// "1200" ... "19200", then "38400" and "57600" as far as the ceiling reaches.
QStringList RateItems(int row);

// Family label of a reported family code ("52X", "KTX52X" with prefix style 1), empty for
// an unknown code.
QString FamilyLabel(int familyCode, int prefixStyle);
// Base-frequency text of a reported code 1..6, empty otherwise.
QString BaseFrequencyText(int code);

} // namespace Catalogue
