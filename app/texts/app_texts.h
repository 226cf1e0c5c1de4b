// Messages of the application shell: main window, port dialog, configuration and help.
#pragma once

#include "GlobleVar.h"

namespace AppTexts {

inline constexpr TMsg StopPairTestFirst{"请先停止对传测试!", "Please Stop Transmiting both sides!"};
inline constexpr TMsg AskStopPairTest{"正在进行对传测试,你确定停止对传测试吗？", "Will you stop Transmiting both sides?"};
inline constexpr TMsg AskStopTerminal{"正在进行数据通讯,您需要停止该状态吗!", "Will you stop Data transmitting?"};
inline constexpr TMsg AskEnterTerminal{"你希望进入数据通讯状态吗？", "Will you change into Data transmiting?"};

// port dialog
inline constexpr TMsg PortOutOfRange{"端口的选项超过可选范围！", "COM port is out of range！"};
inline constexpr TMsg BaudOutOfRange{"波特率的选项超过可选范围！", "Baud rate is out of range！"};
inline constexpr TMsg PortOpenFail{"打开端口失败！", "COM port Open fail！"};
inline constexpr TMsg PortOpenFailPanel{"串口打开失败！", "COM port Open fail！"};
inline constexpr TMsg PortCloseFail{"关闭端口失败！", "COM port Close fail！"};
inline constexpr TMsg PortCloseFailPanel{"串口关闭失败！", "COM port Close fail！"};
inline constexpr TMsg PortSetFail{"串口参数设置失败！", "COM port settings fail！"};

// the port dialog's note of what stands behind the chosen COM port
inline constexpr TMsg PortSimulated{"%1 = 模拟电台%2", "%1 = simulated module%2"};
inline constexpr TMsg PortUsbAdapter{"%1 = %2（USB串口适配器，第 %3 个，共 %4 个）", "%1 = %2 (USB adapter %3 of %4)"};

inline constexpr TMsg PortLost{"串口已断开，请检查连线后重新打开！", "COM port lost, check the cable and open it again!"};

// Config.ini that cannot be written is left as it was; the reason follows
inline constexpr TMsg ConfigNotSaved{"Config.ini 未能保存，原文件保持不变：", "Config.ini could not be saved, it is left as it was: "};

// help
inline constexpr TMsg HelpOpenFail{"文件打开出错！", " File opend fail！"};
// the manual is there, but the desktop has no program for it
inline constexpr TMsg HelpNoProgram{"帮助文件 %1 存在，但系统中没有设置打开它的程序（请安装或指定一个能打开 .doc 文件的文字处理程序）。",
                                    "The help file %1 is there, but no program is set to open it (install or choose a word processor for .doc files)."};

// the window title of one station of a pair on one desktop (rfmodtool --station A)
inline constexpr TMsg StationTitle{"%1  -  %2站", "%1  -  station %2"};

// serial link
inline constexpr TMsg SendFail{"数据发送失败！", "Sending data fail！"};

// reception
inline constexpr TMsg PairDataReceived{"对传测试:数据已被接收!", "Transmit both sides: Data received!!"};
inline constexpr TMsg ChecksumError{"返回应答校验出错！", "Checksum is error!"};
inline constexpr TMsg IdChecksumError{"返回应答校验出错！", "Shecksum is error!"};

} // namespace AppTexts
