// Program-wide values of the window: the port the port dialog last opened, and the tool's
// settings, read from Config.ini once at start (the options' controls then hold their own).
#pragma once

#include "core/config/ToolSettings.h"
#include "core/link/LineSettings.h"
#include "core/model/Edition.h"

#include <QString>
#include <array>

struct TPortSettings {
    int portNumber = 0; // 1..36, COMn is n; 0 before the first open
    LineSettings line;  // as chosen in the dialog (the serial library's codes come from it)
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

// Set by the port dialog's open.
extern TPortSettings PortSettings;
extern std::array<bool, kPortCount> portOpenFlags;

// What the window runs with: the edition, the language, the options at start.
extern ToolSettings Settings;

// Directory where Config.ini is looked for (Help looks for readme.doc in the working directory).
extern QString StartDirectory;
// Sets StartDirectory; Config.ini is looked for there from then on.
void SetStartDirectory(const QString& dir);

// Puts every value back to its program-start state (a new window in a test starts clean).
void ResetAll();

// The edition as the core takes it.
inline const Edition& CurrentEdition() { return Settings.edition; }
inline const QString& EditionKeyword() { return Settings.edition.keyword; }
inline int PrefixStyle() { return Settings.edition.prefixStyle; }
inline bool IsEdition(const char* keyword) { return Settings.edition.is(keyword); }
// The factory test edition ("VORDAL").
inline bool TestEdition() { return Settings.edition.testEdition(); }
inline bool IsShortFrameEdition() { return IsEdition("KESTRAVONIX"); }
// Messages, status texts, the port dialog and the about box: English only for exactly "EN".
inline bool MessagesInEnglish() { return Settings.language == QLatin1String("EN"); }
// Main-window captions: English when the code starts with "EN".
inline bool CaptionsInEnglish() { return Settings.language.left(2) == QLatin1String("EN"); }

// Path of Config.ini in the start directory.
QString ConfigPath();

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
