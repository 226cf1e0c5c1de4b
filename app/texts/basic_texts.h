// Messages of the basic parameter commands (channel, air rate, serial settings) and of the
// factory serial number. The answers' acknowledgement texts are the dispatcher's.
#pragma once

#include "app/GlobleVar.h"

namespace BasicTexts {

// checks before a command goes out
inline constexpr TMsg ChooseModelFirst{"请先选择型号及基频或先检测电台!", "Please Choose Model/Base Fre. or Search FIRST!"};
inline constexpr TMsg WrongModel{"当前所选的产品型号与实际不符,请选择正确型号及基频或先检测电台!",
                                 "The Model you chose is wrong,Please Choose Correct Model/Base Fre. or Search FIRST!"};
inline constexpr TMsg ChannelNull{"信道为空!", "Channel is NULL!"};
inline constexpr TMsg AirRateNull{"波特率为空!", "Baud Rate is NULL!"};
inline constexpr TMsg SerialRateNull{"串口波特率为空!", "COM Baud Rate is NULL!"};
inline constexpr TMsg ParityNull{"串口校验为空!", "COM Verify is NULL!"};

// progress
inline constexpr TMsg ChannelReading{"正在读取信道与频率......", "Reading Channel and Frequency......"};
inline constexpr TMsg ChannelWriting{"设置信道与频率......", "Writing Channel and frequency......"};
inline constexpr TMsg AirRateReading{"正在读取空中波特率......", "Reading RF Baud Rate......"};
inline constexpr TMsg AirRateWriting{"设置空中波特率......", "Writing RF Baud Rate......"};
inline constexpr TMsg SerialReading{"正在读取串口波特率......", "Read COM Baud Rate......"};
inline constexpr TMsg SerialWriting{"设置串口波特率......", "Writing COM Baud Rate......"};

// refused sends: message panel, then the warning box
inline constexpr TMsg ChannelReadFail{"正在读取与频率失败!", "Read Channel and Frequency fail!"};
inline constexpr TMsg ChannelWriteFail{"设置信道与频率失败!", "Write Channel and frequency Fail!"};
inline constexpr TMsg AirRateReadFail{"读取空中波特率失败!", "Read RF Baud Rate Fail!"};
inline constexpr TMsg AirRateWriteFail{"设置空中波特率失败!", "Write RF Baud Rate fail!"};
inline constexpr TMsg SerialReadFail{"读取串口波特率失败!", "Read COM Baud Rate Fail!"};
inline constexpr TMsg SerialWriteFail{"设置串口波特率失败!", "Write COM Baud Rate Fail!"};
inline constexpr TMsg ReadFailBox{"读取失败!", "Read Fail!"};
inline constexpr TMsg WriteFailBox{"设置失败!", "Write Fail!"};
inline constexpr TMsg SetFailBox{"设置失败!", "Set fail!"};

// factory serial number
inline constexpr TMsg SnReading{"正在读取出厂系列号......", "Read SN......"};
inline constexpr TMsg SnReadFail{"出厂系列号读取空中协议失败!", "Read SN Fail!"};
inline constexpr TMsg SnYearNull{"年份序号不能为空!", "Year is NULL!"};
inline constexpr TMsg SnMonthNull{"月份序号不能为空!", "Month is NULL!"};
inline constexpr TMsg SnNull{"序号不能为空!", "SN is NULL!"};
inline constexpr TMsg SnOutOfRange{"序号超出范围!", "SN out of Range!"};
inline constexpr TMsg SnModelNull{"电台型号参数为空!", "Model is Null!"};
inline constexpr TMsg SnWriting{"设置出厂系列号......", "Writing SN......"};
inline constexpr TMsg SnWriteFail{"设置出厂系列号失败！!", "Writ SN Fail!"};
// Free-text year and month lists: texts that give no byte are refused before sending.
inline constexpr TMsg SnYearInvalid{"年份必须是2000到2099之间的四位数字：", "Year must be four digits from 2000 to 2099: "};
inline constexpr TMsg SnMonthInvalid{"月份必须是1到12之间的数字：", "Month must be a number from 1 to 12: "};
inline constexpr TMsg SnSequenceInvalid{"序号必须是数字：", "SN must be a number: "};
// the sequence is shared with rfmodctl through Config.ini
inline constexpr TMsg SnAlreadyHandedOut{"序号 %1 已经分配过（Config.ini 中最后分配的序号为 %2）。仍要写入吗？",
                                         "Serial number %1 has already been handed out (the last one in Config.ini is %2). Write it anyway?"};
inline constexpr TMsg SnNotRecorded{"序号无法记入 Config.ini，未写入电台：",
                                    "The serial number cannot be recorded in Config.ini, nothing was written: "};
inline constexpr TMsg ProductionUnreachable{"无法连接生产数据库，未写入系列号：",
                                            "Production database unreachable, no serial number written: "};
inline constexpr TMsg ProductionNotRecorded{"生产记录未能保存：", "The production record could not be kept: "};
// another station holds the typed number: the next free one is written only on purpose
inline constexpr TMsg SnTakenWriteNext{"序号 %1 已被占用，将改为写入下一个空闲序号 %2。要写入吗？",
                                       "Serial number %1 is taken; the next free one, %2, would be written instead. Write it?"};
inline constexpr TMsg ProductionRefused{"生产数据库拒绝了序号，未写入系列号：",
                                        "The production database refused the serial number, none written: "};

} // namespace BasicTexts
