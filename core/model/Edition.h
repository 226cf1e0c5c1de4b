// The edition the tool runs as, from Config.ini's [Ver] section: which frame variant the
// protocol uses, which factory functions exist, how models are named.
#pragma once

#include <QString>

struct Edition {
    QString keyword;      // "KESTRAVONIX", "VORDAL", "GERMAN", "PLOVAR", "QOV" or another text
    QString modelKeyword; // only "KTX52ID" has an effect
    int prefixStyle = 0;  // 1 "KTX", 2 "QOM", other: no prefix

    bool is(const char* word) const { return keyword == QLatin1String(word); }
    // Short frames and their answers (the "KESTRAVONIX" edition).
    bool shortFrames() const { return is("KESTRAVONIX"); }
    // The factory test edition ("VORDAL"): serial-number writing, transmit test, set-all.
    bool testEdition() const { return is("VORDAL"); }
};
