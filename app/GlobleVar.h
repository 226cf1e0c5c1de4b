// Program-wide values: the port settings every send uses, and the configuration values
// that are read once at start and never change afterwards.
#pragma once

#include <QString>
#include <array>

struct TPortSettings {
    int portNumber = 0;   // 1..36, COMn is n; 0 before the first open
    int baudCode = 0;     // serial library codes (6 = 600 ... 15 = 57600)
    int parityCode = 0;   // 24 even, 8 odd, 0 none, 56 space, 40 mark
    int dataBitsCode = 0; // 3 = 8 bits, 2 = 7, 1 = 6, 0 = 5
    int stopBitsCode = 0; // 0 = 1 stop bit, 4 = 2
};

// What a search-first write-all (and the operator's serial-number read) puts aside.
struct TSavedSelections {
    int channel = 0;
    int airRate = 0;
    int serialRate = 0;
    int parity = 0;
    QString frequency;
};

namespace GlobleVar {

constexpr int kPortCount = 36;

extern TPortSettings PortSettings;
extern std::array<bool, kPortCount> portOpenFlags;

// Configuration values (section "Ver" and "Option" of Config.ini).
extern QString EditionKeyword;  // "GERMAN", "VORDAL", "KESTRAVONIX", "PLOVAR", "QOV" or other
extern QString ModelKeyword;    // only "KTX52ID" has an effect
extern QString LanguageCode;    // "EN" selects English messages
extern int PrefixStyle;         // 1 "KTX", 2 "QOM", other: no prefix
extern int TestDelayTime;       // ms before the chained transmit test
constexpr int kMaxTestDelayMs = 10000;
extern bool TestEdition;        // true only in the "VORDAL" edition

// Directory where Config.ini and readme.doc are looked for.
extern QString StartDirectory;

// Puts every value back to its program-start state (a new window in a test starts clean).
void ResetAll();

inline bool IsEdition(const char* keyword) { return EditionKeyword == QLatin1String(keyword); }
inline bool IsShortFrameEdition() { return IsEdition("KESTRAVONIX"); }
// Messages, status texts, the port dialog and the about box: English only for exactly "EN".
inline bool MessagesInEnglish() { return LanguageCode == QLatin1String("EN"); }
// Main-window captions: English when the code starts with "EN".
inline bool CaptionsInEnglish() { return LanguageCode.left(2) == QLatin1String("EN"); }

// Path of Config.ini in the start directory.
QString ConfigPath();

// Typed text to the bytes sent (UTF-8), and received bytes to display text: UTF-8 when the
// bytes are valid UTF-8, otherwise one character per byte, so no byte is ever dropped.
QByteArray TextToBytes(const QString& text);
QString BytesToText(const QByteArray& bytes);
// Number of bytes at the end that begin a UTF-8 character without finishing it (0..3).
int Utf8IncompleteTail(const QByteArray& bytes);

} // namespace GlobleVar

// A text in both languages; every message pair of the tool is one of these.
struct TMsg {
    const char* cn;
    const char* en;
};

// English when the language code is exactly "EN", Chinese otherwise.
inline QString Tr(const TMsg& m)
{
    return QString::fromUtf8(GlobleVar::MessagesInEnglish() ? m.en : m.cn);
}
// The Chinese text whatever the language (short answers "01" to "08").
inline QString Cn(const TMsg& m) { return QString::fromUtf8(m.cn); }
