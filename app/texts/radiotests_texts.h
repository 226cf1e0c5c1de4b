// Messages and changing captions of the pair test and the data terminal.
#pragma once

#include "app/GlobleVar.h"

namespace RadioTestTexts {

// pair test
inline constexpr TMsg StartDataEmpty{"发送内容不能为空!", "Data is NULL!"};
inline constexpr TMsg SendDataEmpty{"发送数据不能为空!", "Data is NULL!"};
inline constexpr TMsg ModeMainSend{"工作模式：主发对传", "Work Mode：Main TX"};
inline constexpr TMsg ModeMainReceive{"工作模式：主收对传", "Work mode：Main RX"};
inline constexpr TMsg ModeTimed{"工作模式：定时对传", "Work mode：Transmit Both Sides timing"};
inline constexpr TMsg PairDataSent{"对传测试:数据已被发送!", "Transmit Both Sides:Data have been sent ok!"};
inline constexpr TMsg PairStoppedText{"对传测试已停止！", "Transmit Both Sides is stopped！"};
inline constexpr TMsg ModeStopped{"工作模式：停止工作", "Work mode：Stop work"};
inline constexpr TMsg PairHexKeyOnly{"请输入十六进制数！", "Please input HEX character！"};
inline constexpr TMsg PairNotHex{"发送数据中存在非十六进制字符！", "NOT HEX character！"};

// start button captions (main-window caption language)
inline constexpr TMsg CaptionSend{"发送", "Send"};
inline constexpr TMsg CaptionReceive{"接收", "Receive"};
// the German edition's start caption at program start
inline constexpr const char* CaptionSendGerman = "SENDEN";

// data terminal
inline constexpr TMsg ModeTerminal{"工作模式：数据通讯", "Work mode：Data Communication"};
inline constexpr TMsg TerminalDataSent{"数据已被发送!", "Data have been sent!"};
inline constexpr TMsg TerminalDataEmpty{"发送数据不能为空!", "Data is Null!"};
inline constexpr TMsg AskLeaveTerminal{"正在数据通讯状态中,你希望退出吗？", "Data Transmiting,Will you exit it?"};
inline constexpr TMsg TerminalHexKeyOnly{"请输入十六进制数！", "Please input HEX character!"};

} // namespace RadioTestTexts
