// Texts of the "工具" menu and the windows it opens: frame monitor, parameter profiles, the
// pair test's record and chart, the terminal's options.
#pragma once

#include "app/GlobleVar.h"
#include "core/protocol/Command.h"

namespace ToolsTexts {

// menu (the German edition's menu caption is "WERKZEUGE")
inline constexpr TMsg Menu{"工具", "Tools"};
inline constexpr TMsg MonitorItem{"帧监视器…", "Frame monitor…"};
inline constexpr TMsg SaveProfileItem{"保存参数到文件…", "Save parameters to file…"};
inline constexpr TMsg LoadProfileItem{"从文件载入参数…", "Load parameters from file…"};
inline constexpr TMsg ChartItem{"对传测试记录与曲线…", "Pair-test record and chart…"};
inline constexpr TMsg TerminalItem{"数据通讯选项…", "Terminal options…"};

// common
inline constexpr TMsg CsvFiles{"CSV文件 (*.csv)", "CSV files (*.csv)"};
inline constexpr TMsg FileFail{"文件无法写入：", "The file cannot be written: "};
inline constexpr TMsg FileSaved{"文件已保存：", "File saved: "};

// frame monitor
inline constexpr TMsg MonitorTitle{"帧监视器", "Frame monitor"};
inline constexpr TMsg Pause{"暂停", "Pause"};
inline constexpr TMsg Resume{"继续", "Resume"};
inline constexpr TMsg Clear{"清除", "Clear"};
inline constexpr TMsg SaveCsv{"保存为CSV…", "Save as CSV…"};
inline constexpr TMsg KindLabel{"类型：", "Kind:"};
inline constexpr TMsg AllKinds{"全部", "All"};
inline constexpr TMsg KindLong{"长帧", "Long"};
inline constexpr TMsg KindShort{"短帧", "Short"};
inline constexpr TMsg KindId{"ID帧", "ID"};
inline constexpr TMsg KindData{"数据", "Data"};
inline constexpr TMsg ColTime{"时间(ms)", "Time (ms)"};
inline constexpr TMsg ColDirection{"方向", "Dir"};
inline constexpr TMsg ColLine{"串口参数", "Line"};
inline constexpr TMsg ColKind{"类型", "Kind"};
inline constexpr TMsg ColData{"数据(HEX)", "Data (hex)"};
inline constexpr TMsg ColMeaning{"含义", "Meaning"};
inline constexpr TMsg ColChecksum{"校验", "Checksum"};
inline constexpr TMsg Out{"发", "out"};
inline constexpr TMsg In{"收", "in"};
inline constexpr TMsg ChecksumOk{"正确", "ok"};
inline constexpr TMsg ChecksumWrong{"错误", "wrong"};
inline constexpr TMsg SearchRequest{"检测请求", "search request"};
inline constexpr TMsg IdentifyAnswer{"检测应答", "identify answer"};
inline constexpr TMsg RequestOf{"请求：", "request: "};
inline constexpr TMsg AnswerOf{"应答：", "answer: "};
inline constexpr TMsg Unknown{"未知", "unknown"};
// command names, as the monitor shows them
struct CommandName {
    Command command;
    TMsg name;
};
inline constexpr CommandName kCommandNames[] = {
    {Command::SerialWrite, {"写串口参数", "write serial settings"}},
    {Command::SerialRead, {"读串口参数", "read serial settings"}},
    {Command::AirRateWrite, {"写空中速率", "write air rate"}},
    {Command::AirRateRead, {"读空中速率", "read air rate"}},
    {Command::ChannelWrite, {"写信道", "write channel"}},
    {Command::ChannelRead, {"读信道", "read channel"}},
    {Command::TestStart, {"启动测试", "start transmit test"}},
    {Command::TestEnd, {"结束测试", "end transmit test"}},
    {Command::ProtocolWrite, {"写空中协议", "write air protocol"}},
    {Command::SerialNumberWrite, {"写出厂系列号", "write serial number"}},
    {Command::SerialNumberRead, {"读出厂系列号", "read serial number"}},
    {Command::RadioIdWrite, {"写电台ID", "write radio ID"}},
    {Command::RadioIdRead, {"读电台ID", "read radio ID"}},
    {Command::WriteAll, {"参数全写", "write all"}},
    {Command::PowerModeWrite, {"写省电模式", "write power saving"}},
    {Command::PowerModeRead, {"读省电模式", "read power saving"}},
    {Command::WakeUp, {"串口唤醒", "serial wake-up"}},
    {Command::RssiRead, {"读场强", "read RSSI"}},
    {Command::LevelWrite, {"写功率等级", "write power level"}},
    {Command::ProtocolRead, {"读空中协议", "read air protocol"}},
    {Command::ReadAll, {"参数全读", "read all"}},
    {Command::DutyCycleWrite, {"写占空比时间", "write duty cycle"}},
    {Command::PowerWrite, {"写功率", "write power"}},
    {Command::Capacitance, {"电容校准", "capacitance"}},
    {Command::IoWrite, {"写IO开关量", "write IO"}},
    {Command::IoRead, {"读IO开关量", "read IO"}},
};

inline constexpr TMsg Shown{"显示 %1 帧（共 %2 帧，最多保留 %3 帧）", "%1 frames shown (%2 in all, the newest %3 kept)"};

// parameter profiles
inline constexpr TMsg ProfileFiles{"参数文件 (*.ini)", "Parameter files (*.ini)"};
inline constexpr TMsg ProfileOverConfig{"参数不能保存到本工具自己的配置文件 Config.ini，请另选文件名。",
                                        "Parameters cannot be saved over the tool's own Config.ini; choose another name."};
inline constexpr TMsg ReplaceFile{"%1 已存在，要替换它吗？", "%1 already exists. Replace it?"};
inline constexpr TMsg ProfileLocked{"参数已锁定：信道、空中波特率、串口波特率、串口校验和空中协议保持不变。",
                                    "Parameters are locked: channel, air rate, serial baud rate, parity and air protocol were left as they were."};
inline constexpr TMsg ProfileSaved{"参数已保存到文件：", "Parameters saved to: "};
inline constexpr TMsg ProfileBad{"参数文件无法使用，页面未改变：\n", "The parameter file cannot be used; nothing was changed:\n"};
inline constexpr TMsg ProfileLoaded{"参数已载入，按设置按钮写入电台", "Parameters loaded; a write button puts them into the module"};
inline constexpr TMsg ProfileNotForModel{"以下数值不适用于所选型号，已留空：\n", "These values do not suit the chosen model and were left empty:\n"};
// why a file is no usable profile; %1 is the file
inline constexpr TMsg ReadNoFile{"%1：文件不存在", "%1: no such file"};
inline constexpr TMsg ReadDirectory{"%1：这是一个文件夹", "%1: is a directory"};
inline constexpr TMsg ReadNotRegular{"%1：不是普通文件", "%1: not a regular file"};
inline constexpr TMsg ReadTooLarge{"%1：大于 1 MB，不是参数文件", "%1: larger than 1 MB: not a profile"};
inline constexpr TMsg ReadNotProfile{"%1：不是参数文件（没有 [Profile] Format）", "%1: not a parameter profile (no [Profile] Format)"};
inline constexpr TMsg ReadBadFormat{"%1：Format=%2 不是参数文件格式", "%1: Format=%2 is not a profile format"};
inline constexpr TMsg ReadNewerFormat{"%1：Format=%2 比本工具能读的格式（%3）新", "%1: Format=%2 is newer than this tool reads (%3)"};
inline constexpr TMsg ReadNoModel{"%1：Model=%2 不是已知型号", "%1: Model=%2 is no model"};
inline constexpr TMsg ReadNoBase{"%1：Base=%2 不是已知基频", "%1: Base=%2 is no base frequency"};
inline constexpr TMsg ReadUnknownKey{"%1：未知的键 [Parameters] %2（可用的键：%3）", "%1: unknown key [Parameters] %2 (known: %3)"};
inline constexpr TMsg ReadBadValue{"%1：%2=%3 不是可取的值", "%1: %2=%3 is not a value it takes"};
inline constexpr TMsg ProfileEmpty{"页面上没有型号也没有参数值，未保存文件。请先选择型号或读取电台参数。",
                                   "The page has no model and no values; nothing was saved. Choose a model or read the module first."};
inline constexpr TMsg ProblemModel{"文件为型号 %1 所存，所选型号为 %2", "the file was saved for model %1, the chosen model is %2"};
inline constexpr TMsg ProblemChannel{"信道 %1（型号 %2 的信道为 %3）", "channel %1 (model %2 has channels %3)"};
inline constexpr TMsg ProblemAirRate{"空中波特率 %1（型号 %2 可选 %3）", "air rate %1 (model %2 takes %3)"};
inline constexpr TMsg ProblemSerialBaud{"串口波特率 %1（型号 %2 可选 %3）", "serial baud rate %1 (model %2 takes %3)"};
inline constexpr TMsg ProblemPower{"功率 %1（型号 %2 无功率设置）", "power %1 (model %2 has no power setting)"};
inline constexpr TMsg ProblemBase{"基频 %1（型号 %2 可选 %3）", "base frequency %1 (model %2 takes %3)"};

// pair-test record and chart
inline constexpr TMsg ChartTitle{"对传测试记录与曲线", "Pair-test record and chart"};
inline constexpr TMsg RateInterval{"区间成功率", "Success rate per interval"};
inline constexpr TMsg RateCumulative{"累计成功率", "Cumulative success rate"};
inline constexpr TMsg AxisTime{"时间(秒)", "Time (s)"};
inline constexpr TMsg AxisRate{"成功率(%)", "Success rate (%)"};
inline constexpr TMsg Record{"记录到文件…", "Record to file…"};
inline constexpr TMsg StopRecord{"停止记录", "Stop recording"};
inline constexpr TMsg SavePng{"保存为PNG…", "Save as PNG…"};
inline constexpr TMsg PngFiles{"PNG图片 (*.png)", "PNG pictures (*.png)"};
inline constexpr TMsg ClearChart{"清除曲线", "Clear chart"};
inline constexpr TMsg IntervalLabel{"区间(秒)：", "Interval (s):"};
inline constexpr TMsg Recording{"正在记录：", "Recording to: "};

// terminal options
inline constexpr TMsg TerminalTitle{"数据通讯选项", "Terminal options"};
inline constexpr TMsg Timestamps{"接收数据加时间戳", "Time stamp each received block"};
inline constexpr TMsg HexAscii{"HEX + ASCII 显示", "HEX + ASCII display"};
inline constexpr TMsg Reopen{"串口断开后自动重新打开", "Reopen the port when it comes back"};
inline constexpr TMsg SaveReceived{"保存接收数据到文件…", "Save received data to file…"};
inline constexpr TMsg StopSaving{"停止保存", "Stop saving"};
inline constexpr TMsg SendFile{"发送文件…", "Send a file…"};
inline constexpr TMsg AllFiles{"所有文件 (*)", "All files (*)"};
inline constexpr TMsg FileNotSent{"文件未发送：", "The file was not sent: "};
inline constexpr TMsg PortBack{"串口已重新打开", "COM port open again"};
inline constexpr TMsg Saving{"正在保存：", "Saving to: "};
inline constexpr TMsg SavingFailed{"接收数据无法写入文件，已停止保存：", "Received data could not be written, saving stopped: "};
inline constexpr TMsg CancelSending{"取消发送", "Cancel sending"};
inline constexpr TMsg SendingFile{"正在发送文件：%1 / %2 字节", "Sending the file: %1 of %2 bytes"};
inline constexpr TMsg FileCancelled{"文件发送已取消：已发送 %1 / %2 字节", "File sending cancelled: %1 of %2 bytes sent"};

} // namespace ToolsTexts
