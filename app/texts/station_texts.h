// Texts of the production station window, in Chinese, English and German: the operators at a
// line read the tiles from two metres, in their own language.
#pragma once

#include "app/GlobleVar.h"

struct TMsg3 {
    const char* cn;
    const char* en;
    const char* de;
};

// German in the German edition with English captions, English with English captions,
// Chinese otherwise.
inline QString Tr3(const TMsg3& m)
{
    if (!GlobleVar::CaptionsInEnglish())
        return QString::fromUtf8(m.cn);
    return QString::fromUtf8(GlobleVar::IsEdition("GERMAN") ? m.de : m.en);
}

namespace StationTexts {

inline constexpr TMsg3 MenuItem{"生产工位…", "Production station…", "Produktionsplatz…"};
inline constexpr TMsg3 Title{"生产工位", "Production station", "Produktionsplatz"};

// totals and buttons
inline constexpr TMsg3 StartAll{"全部开始 (F5)", "Start all (F5)", "Alle starten (F5)"};
inline constexpr TMsg3 StopAll{"全部停止 (F6)", "Stop all (F6)", "Alle stoppen (F6)"};
inline constexpr TMsg3 ShiftReset{"换班清零", "New shift", "Neue Schicht"};
inline constexpr TMsg3 Passed{"通过", "Passed", "Bestanden"};
inline constexpr TMsg3 Failed{"失败", "Failed", "Fehler"};
inline constexpr TMsg3 Yield{"良率", "Yield", "Ausbeute"};
inline constexpr TMsg3 PerHour{"每小时(近10分钟)", "An hour (last 10 min)", "Pro Stunde (10 Min.)"};
inline constexpr TMsg3 Running{"运行时间", "Running", "Laufzeit"};

// tiles
inline constexpr TMsg3 Jig{"工位%1 · %2", "Jig %1 · %2", "Platz %1 · %2"};
inline constexpr TMsg3 Pause{"暂停", "Pause", "Pause"};
inline constexpr TMsg3 Resume{"继续", "Resume", "Weiter"};
inline constexpr TMsg3 Counts{"通过 %1   失败 %2", "Passed %1   Failed %2", "OK %1   Fehler %2"};
inline constexpr TMsg3 CycleSeconds{"%1 秒", "%1 s", "%1 s"};
inline constexpr TMsg3 SnOf{"序列号 %1", "SN %1", "SN %1"};

inline constexpr TMsg3 StateIdle{"启动中", "Starting", "Startet"};
inline constexpr TMsg3 StateWaiting{"等待模块", "Waiting for a module", "Warte auf Modul"};
inline constexpr TMsg3 StateSearching{"搜索中", "Searching", "Suche"};
inline constexpr TMsg3 StateWriting{"写入中", "Writing", "Schreiben"};
inline constexpr TMsg3 StateNumbering{"写序列号", "Writing the number", "Nummer schreiben"};
inline constexpr TMsg3 StateVerifying{"校验中", "Verifying", "Prüfen"};
inline constexpr TMsg3 StatePass{"通过", "PASS", "BESTANDEN"};
inline constexpr TMsg3 StateFail{"失败", "FAIL", "FEHLER"};
inline constexpr TMsg3 TakeAway{"请取下模块", "Take the module away", "Modul entnehmen"};
inline constexpr TMsg3 TakeAwayEmpty{"请取下模块（须见空工位）", "Take the module away (jig must be seen empty)",
                                      "Modul entnehmen (Platz muss leer sein)"};
inline constexpr TMsg3 StateKeeping{"保存记录中", "Keeping the record", "Speichere Datensatz"};
inline constexpr TMsg3 StateDatabase{"等待数据库", "Waiting for the database", "Warte auf Datenbank"};
inline constexpr TMsg3 StatePort{"端口丢失", "Port lost", "Port verloren"};
inline constexpr TMsg3 StateNoPort{"端口无法打开", "Port will not open", "Port öffnet nicht"};
inline constexpr TMsg3 StatePaused{"已暂停", "Paused", "Pausiert"};
inline constexpr TMsg3 StateDone{"完成", "Done", "Fertig"};
inline constexpr TMsg3 StateStopped{"已停止", "Stopped", "Gestoppt"};

inline constexpr TMsg3 ReasonUnknownModel{"型号未知", "Unknown model", "Unbekanntes Modell"};
inline constexpr TMsg3 ReasonProfile{"参数不适合此型号", "Profile does not fit the model", "Profil passt nicht zum Modell"};
inline constexpr TMsg3 ReasonNoAnswer{"模块无应答", "No answer", "Keine Antwort"};
inline constexpr TMsg3 ReasonRefused{"应答错误", "Wrong answer", "Falsche Antwort"};
inline constexpr TMsg3 ReasonPort{"端口故障", "Port failure", "Portfehler"};
inline constexpr TMsg3 ReasonMismatch{"回读不符", "Read-back differs", "Rücklesen weicht ab"};
inline constexpr TMsg3 ReasonTaken{"序列号已被占用", "Serial number taken", "Seriennummer vergeben"};
inline constexpr TMsg3 ReasonDatabase{"数据库拒绝", "Database refused", "Datenbank verweigert"};
inline constexpr TMsg3 ReasonInterrupted{"中断，模块可能带有序列号", "Interrupted: the module may carry the number",
                                          "Unterbrochen: Modul trägt evtl. die Nummer"};

inline constexpr TMsg3 Hint{"在“设置”中选择参数文件和端口，然后按“全部开始 (F5)”。",
                             "Choose the profile and the ports in Set-up, then press Start all (F5).",
                             "Profil und Ports unter Einrichtung wählen, dann Alle starten (F5) drücken."};

// set-up
inline constexpr TMsg3 SetupTab{"设置", "Set-up", "Einrichtung"};
inline constexpr TMsg3 RecordsTab{"记录", "Records", "Datensätze"};
inline constexpr TMsg3 ChartTab{"图表", "Chart", "Diagramm"};
inline constexpr TMsg3 Profile{"参数文件：", "Profile:", "Profil:"};
inline constexpr TMsg3 Browse{"浏览…", "Browse…", "Durchsuchen…"};
inline constexpr TMsg3 ProfileFiles{"参数文件 (*.ini)", "Profiles (*.ini)", "Profile (*.ini)"};
inline constexpr TMsg3 LogFiles{"CSV文件 (*.csv)", "CSV files (*.csv)", "CSV-Dateien (*.csv)"};
inline constexpr TMsg3 Station{"工位名称：", "Station:", "Platzname:"};
inline constexpr TMsg3 Order{"工单/批号：", "Work order / lot:", "Auftrag / Los:"};
inline constexpr TMsg3 Line{"串口参数：", "Line:", "Leitung:"};
inline constexpr TMsg3 GapPrefix{"帧间隔 ", "Gap ", "Pause "};
inline constexpr TMsg3 TimeoutPrefix{"超时 ", "Time-out ", "Timeout "};
inline constexpr TMsg3 Numbers{"序列号：", "Serial numbers:", "Seriennummern:"};
inline constexpr TMsg3 Numbered{"为每个模块写入下一个序列号", "Give each module the next number",
                                 "Jedem Modul die nächste Nummer geben"};
inline constexpr TMsg3 FromConfig{"来自 Config.ini", "From Config.ini", "Aus Config.ini"};
inline constexpr TMsg3 FromDatabase{"来自生产数据库 %1", "From the production database %1", "Aus der Produktionsdatenbank %1"};
inline constexpr TMsg3 NoDatabase{"（Config.ini 的 [Production] 未设数据库）", "(no database in [Production] of Config.ini)",
                                   "(keine Datenbank in [Production] der Config.ini)"};
inline constexpr TMsg3 Log{"CSV日志：", "CSV log:", "CSV-Protokoll:"};
inline constexpr TMsg3 Beep{"失败时鸣响", "Beep on a failure", "Signalton bei Fehler"};
inline constexpr TMsg3 Ports{"端口（最多16个）：", "Ports (up to 16):", "Ports (bis 16):"};
inline constexpr TMsg3 ColPort{"端口", "Port", "Port"};
inline constexpr TMsg3 ColDevice{"设备", "Device", "Gerät"};
inline constexpr TMsg3 ColStable{"固定名称 (by-path)", "Stable name (by-path)", "Fester Name (by-path)"};
inline constexpr TMsg3 ColAdapter{"适配器", "Adapter", "Adapter"};
inline constexpr TMsg3 ColSerial{"适配器序列号", "Adapter serial", "Adapter-Seriennr."};
inline constexpr TMsg3 Simulated{"内置模拟模块", "Built-in simulated module", "Eingebautes Simulationsmodul"};
inline constexpr TMsg3 Pin{"固定所选端口到 by-path 名称", "Pin the chosen ports to their by-path names",
                            "Gewählte Ports auf by-path-Namen festlegen"};
inline constexpr TMsg3 Pinned{"已写入 Config.ini [Ports]：%1", "Written to Config.ini [Ports]: %1",
                               "In Config.ini [Ports] geschrieben: %1"};
inline constexpr TMsg3 NothingToPin{"所选端口都没有 by-path 名称。", "None of the chosen ports has a by-path name.",
                                     "Keiner der gewählten Ports hat einen by-path-Namen."};

// records
inline constexpr TMsg3 FilterAll{"全部", "All", "Alle"};
inline constexpr TMsg3 FilterPassed{"通过", "Passed", "Bestanden"};
inline constexpr TMsg3 FilterFailed{"失败", "Failed", "Fehler"};
inline constexpr TMsg3 ShowLabel{"显示：", "Show:", "Zeigen:"};
inline constexpr TMsg3 ColTime{"时间", "Time", "Zeit"};
inline constexpr TMsg3 ColSn{"序列号", "SN", "SN"};
inline constexpr TMsg3 ColModel{"型号", "Model", "Modell"};
inline constexpr TMsg3 ColResult{"结果", "Result", "Ergebnis"};
inline constexpr TMsg3 ColDetail{"原因", "Reason", "Grund"};
inline constexpr TMsg3 ColOrder{"工单", "Order", "Auftrag"};
inline constexpr TMsg3 DetailTitle{"记录 %1", "Record %1", "Datensatz %1"};
inline constexpr TMsg3 ColKey{"项目", "Item", "Feld"};
inline constexpr TMsg3 ColWritten{"写入", "Written", "Geschrieben"};
inline constexpr TMsg3 ColReadBack{"回读", "Read back", "Zurückgelesen"};
inline constexpr TMsg3 ChartPassed{"通过", "Passed", "Bestanden"};
inline constexpr TMsg3 ChartFailed{"失败", "Failed", "Fehler"};
inline constexpr TMsg3 ChartTitle{"每10分钟通过与失败", "Passes and failures per 10 minutes",
                                   "Bestanden und Fehler je 10 Minuten"};

// problems and questions
inline constexpr TMsg3 AskClose{"工位仍在运行，停止所有工位并关闭？", "Jigs are running. Stop them all and close?",
                                 "Plätze laufen noch. Alle stoppen und schließen?"};
inline constexpr TMsg3 NoPorts{"请至少选择一个端口。", "Choose at least one port.", "Bitte mindestens einen Port wählen."};
inline constexpr TMsg3 TooManyPorts{"最多16个端口。", "At most 16 ports.", "Höchstens 16 Ports."};
inline constexpr TMsg3 NoProfile{"请选择参数文件。", "Choose a profile.", "Bitte ein Profil wählen."};
inline constexpr TMsg3 EmptyProfile{"参数文件没有要写入的参数。", "The profile has no parameters to write.",
                                     "Das Profil enthält keine Parameter."};
inline constexpr TMsg3 LogUnwritable{"CSV日志无法写入：%1", "The CSV log cannot be written: %1",
                                      "Das CSV-Protokoll kann nicht geschrieben werden: %1"};
inline constexpr TMsg3 ConfigUnwritable{"序列号无法记录：%1", "Serial numbers cannot be recorded: %1",
                                         "Seriennummern können nicht gespeichert werden: %1"};
inline constexpr TMsg3 DatabaseRefused{"生产数据库无法使用：%1", "The production database cannot be used: %1",
                                        "Die Produktionsdatenbank ist nicht nutzbar: %1"};
inline constexpr TMsg3 NoticeDbLost{"%1：生产数据库丢失（%2），恢复前不写序列号", "%1: the production database is lost (%2): no numbers until it is back",
                                     "%1: Produktionsdatenbank verloren (%2): keine Nummern bis sie zurück ist"};
inline constexpr TMsg3 NoticeDbBack{"%1：生产数据库已恢复", "%1: the production database is back", "%1: Produktionsdatenbank wieder da"};
inline constexpr TMsg3 NoticeHeld{"%1：记录无法保存（%2），重试中", "%1: the record cannot be kept (%2), trying again",
                                   "%1: Datensatz nicht speicherbar (%2), neuer Versuch"};
inline constexpr TMsg3 NoticeSpilled{"%1：记录暂存于本地文件，等待数据库（%2）", "%1: the record waits in the spill file for the database (%2)",
                                      "%1: Datensatz wartet in der Ausweichdatei auf die Datenbank (%2)"};
inline constexpr TMsg3 NoticeTaken{"%1：%2", "%1: %2", "%1: %2"};
inline constexpr TMsg3 NoticeLost{"%1：记录丢失：%2", "%1: a record could not be kept: %2", "%1: Datensatz nicht gespeichert: %2"};
inline constexpr TMsg3 Waiting{"%1 条记录等待数据库", "%1 records wait for the database", "%1 Datensätze warten auf die Datenbank"};

} // namespace StationTexts
