// Messages of the parameter commands: air protocol, power saving, wake-up, duty cycle, read
// all, write all, radio ID, transmit power, RSSI, power level, capacitance and IO switches.
// The acknowledgement texts of the answers live with the dispatcher (protocol_texts.h).
#pragma once

#include "app/GlobleVar.h"

namespace CommandTexts {

// ---- shared refusal dialogs ---------------------------------------------------------------
inline constexpr TMsg ReadFailBox{"读取失败!", "Read Fail!"};
inline constexpr TMsg SetFailBox{"设置失败!", "Set fail!"};
inline constexpr TMsg WriteFailBox{"设置失败!", "Write Fail!"};

// ---- air protocol ---------------------------------------------------------------------------
inline constexpr TMsg ProtocolReading{"读取空中协议......", "Read RF protocol......"};
inline constexpr TMsg ProtocolReadFail{"读取空中协议失败!", "Read RF protocol fail!"};
inline constexpr TMsg ProtocolWriting{"正在设置空中协议......", "Writing RF protocol......"};
inline constexpr TMsg ProtocolWriteFail{"设置空中协议失败!", "Writing RF protocol Fail!"};
// Our own: the protocol list has no selection (after a read that got no answer).
inline constexpr TMsg ProtocolNotChosen{"请先选择空中协议!", "Please choose the RF protocol first!"};

// ---- power-saving mode and serial wake-up ---------------------------------------------------
inline constexpr TMsg PowerModeReading{"正在读取省电模式......", "Reading Power Save Mode......"};
inline constexpr TMsg PowerModeReadFail{"省电模式读取失败!", "Read Fail!"};
inline constexpr TMsg PowerModeWriting{"正在设置省电模式......", "Writing powersaved mode......"};
inline constexpr TMsg PowerModeWriteFail{"设置省电模式失败", "Write powersaved mode fail!"};
inline constexpr TMsg PowerModeWriteFailBox{"设置省电模式失败!", "Write powersaved mode fail!"};
// Our own: the mode list has no selection.
inline constexpr TMsg PowerModeNotChosen{"请先选择省电模式!", "Please choose the power saving mode first!"};
inline constexpr TMsg WakeUpSending{"正在进行串口唤醒......", "Waking up from COM Port......"};
inline constexpr TMsg WakeUpFail{"串口唤醒失败!", "Wake up from COM Port Fail"};
inline constexpr TMsg WakeUpFailBox{"串口唤醒失败!", "Wake up from COM Port Fail!"};

// ---- air wake-up duty cycle -----------------------------------------------------------------
inline constexpr TMsg DutyCycleEmpty{"占空比时间为空，请输入!", "Time is NULL!"};
inline constexpr TMsg DutyListenOutOfRange{"数值超出范围（1-65535毫秒）！", "Time value out of scope(1-65535MS)!"};
inline constexpr TMsg DutySleepOutOfRange{"数值超出范围（1-65秒）！", "Time value out of scope(1-65S)!"};
// Our own progress and refusal panel texts.
inline constexpr TMsg DutyCycleWriting{"正在设置空中唤醒占空比时间......", "Writing sleep interval......"};
inline constexpr TMsg DutyCycleWriteFail{"设置空中唤醒占空比时间失败!", "Write sleep interval fail!"};

// ---- read all, write all --------------------------------------------------------------------
inline constexpr TMsg ReadAllSearching{"正在读电台......", "Reading......"};
inline constexpr TMsg ReadAllReading{"正在全读电台参数......", "Reading All Parameters......"};
inline constexpr TMsg ReadAllFail{"全读电台参数失败!", "Read All Parameters Fail!"};
inline constexpr TMsg WriteAllSearching{"开始检测电台......", "Searching......"};
inline constexpr TMsg WriteAllWriting{"正在全写电台.....", "Write all Parameters....."};
inline constexpr TMsg WriteAllFail{"全写电台失败!", "Write all Parameters Fail!"};
// Empty lists at write-all.
inline constexpr TMsg WriteAllChannelEmpty{"信道不能为空！", "Channel is NULL！"};
inline constexpr TMsg WriteAllAirRateEmpty{"空中波特率不能为空！", "RF Baud Rate is NULL！"};
inline constexpr TMsg WriteAllBaudEmpty{"串口波特率不能为空！", "COM Baud rate is NULL！"};
inline constexpr TMsg WriteAllParityEmpty{"串口校验不能为空！", "COM verify is NULL！"};
// Empty lists at the write-all that follows a search (English spelled differently).
inline constexpr TMsg DeferredChannelEmpty{"信道不能为空！", "Channel is NULL！"};
inline constexpr TMsg DeferredAirRateEmpty{"空中波特率不能为空！", "RF Baud Rate is NULL！"};
inline constexpr TMsg DeferredBaudEmpty{"串口波特率不能为空！", "COM Banud Rate is NULL！"};
inline constexpr TMsg DeferredParityEmpty{"串口校验不能为空！", "COM Verify is NULL！"};

// ---- radio ID, transmit power, RSSI, level, capacitance ------------------------------------
inline constexpr TMsg RadioIdReading{"正在读取电台ID......", "Reading ID......"};
inline constexpr TMsg RadioIdReadFail{"读取电台ID失败!", "Read ID Fail!"};
inline constexpr TMsg RadioIdEmpty{"ID号不能为空!", "ID is NULL!"};
// Our own: the ID field holds two bytes.
inline constexpr TMsg RadioIdOutOfRange{"ID号超出范围（0-65535）!", "ID out of range (0-65535)!"};
inline constexpr TMsg RadioIdWriting{"正在设置电台ID......", "Write ID......"};
inline constexpr TMsg RadioIdWriteFail{"设置电台ID失败!", "Write ID Fail!"};

inline constexpr TMsg PowerEmpty{"功率不能为空!", "Power is NULL!"};
inline constexpr TMsg PowerWritingKtx{"正在设置电台功率（仅对KTX525）......", "Set Power......"};
inline constexpr TMsg PowerWriting{"正在设置电台功率（仅对525）......", "Set Power......"};
inline constexpr TMsg PowerWriteFail{"设置电台功率失败!", "Set Power Fail!"};

inline constexpr TMsg RssiReading{"正在读取场强......", "Reading ......"};
inline constexpr TMsg RssiReadFail{"正在读取场强失败!", "Read Fail!"};

inline constexpr TMsg ValueEmpty{"数值不能为空！", "The value is null!"};
inline constexpr TMsg ValueOutOfRange{"数值超出范围！", "The value is out of range!"};
inline constexpr TMsg LevelWriting{"正在设置功率......", "Reading ......"};
inline constexpr TMsg LevelWriteFail{"设置功率失败!", "Read Fail!"};

inline constexpr TMsg CapacitanceWriting{"正在校准电容工作频率......", "Adjusting Capacitance......"};
inline constexpr TMsg CapacitanceFail{"电容工作频率校准失败!", "Adjusting Capacitance Fail!"};

// ---- IO switches ----------------------------------------------------------------------------
inline constexpr TMsg IoTargetEmpty{"目标地址不能为空!", "ID is NULL!"};
// Our own: the target ID travels in two bytes.
inline constexpr TMsg IoTargetOutOfRange{"目标ID超出范围（0-65535）!", "Target ID out of range (0-65535)!"};
// Our own: the output's level list has no selection (after a read).
inline constexpr TMsg IoLevelNotChosen{"请先选择输出电平!", "Please choose the output level first!"};
inline constexpr TMsg IoReading{"正在读取IO开关量......", "Read IO status......"};
inline constexpr TMsg IoReadFail{"IO开关量读取失败!", "IO status Read Fail!"};
inline constexpr TMsg IoWriting{"正在设置输出开关量(o口)......", "Writing output status......"};
inline constexpr TMsg IoWriteFail{"输出开关量(o口)读取失败!", "Write output statusRead Fail!"};

// ---- the set-up chain stopped by an answer (our own) ------------------------------------------
inline constexpr TMsg SetAllStopped{"全设(G-8-W-A)在“%1”一步停止：%2", "Set all (G-8-W-A) stopped at \"%1\": %2"};
inline constexpr TMsg StepProtocol{"空中协议设置", "RF protocol"};
inline constexpr TMsg StepSerialNumber{"出厂系列号设置", "serial number"};
inline constexpr TMsg StepWriteAll{"参数全设", "write all parameters"};
inline constexpr TMsg StepTestStart{"启动测试", "start the TX test"};
inline constexpr TMsg StepSearch{"电台检测", "search"};
inline constexpr TMsg StoppedMismatch{"电台的应答不是这条命令的", "the module answered another command"};
inline constexpr TMsg StoppedChecksum{"应答校验和错误", "the answer's checksum is wrong"};
inline constexpr TMsg StoppedNoAnswer{"电台无应答", "no answer"};
// A search-first read-all or write-all whose command did not end answered (our own).
inline constexpr TMsg JobStopped{"“%1”未完成：%2", "\"%1\" not completed: %2"};
inline constexpr TMsg StepReadAll{"参数全读", "read all parameters"};
inline constexpr TMsg StepSerialNumberRead{"出厂系列号读取", "serial number read"};
// What a job waits for, beside the status panels (our own).
inline constexpr TMsg WaitingAnswer{"等待应答：%1（最长%2秒）", "Waiting for the answer: %1 (up to %2 s)"};
inline constexpr TMsg WaitingPause{"等待%1秒", "Waiting %1 s"};

} // namespace CommandTexts
