// Acknowledgement texts of the module's answers: success when the answer belongs to the last
// command sent, the other text when it belongs to an earlier one.
#pragma once

#include "app/GlobleVar.h"

namespace ProtocolTexts {

inline constexpr TMsg SearchFoundOk{"成功检测到电台！", "RF Module(Radio) Searched OK!"};
inline constexpr TMsg SerialSetOk{"串口参数设置成功!", "Parameters of Com Port Set OK!"};
inline constexpr TMsg SerialSetOther{"返回串口设置应答!", "answer data is error!"};
inline constexpr TMsg SerialReadOk{"串口参数读取成功!", "COM Parameters Read OK!"};
inline constexpr TMsg SerialReadOther{"返回串口参数读取应答!", "Recieved answer data!"};
inline constexpr TMsg AirRateSetOk{"空中参数设置成功!", "RF Parameters Write OK!"};
inline constexpr TMsg AirRateSetOther{"返回空中参数设置应答!", "Answer data is error!"};
inline constexpr TMsg AirRateReadOk{"空中参数读取成功!", "RF Parameters Read OK!"};
inline constexpr TMsg AirRateReadOther{"返回空中参数读取应答!", "Answer data is error!"};
inline constexpr TMsg ChannelSetOk{"信道参数设置成功!", "Channel and frequency Write OK!"};
inline constexpr TMsg ChannelSetOther{"返回信道参数设置应答!", "Answer data is error!"};
inline constexpr TMsg ChannelReadOk{"读信道与频率成功!", "Read Channel and frequency OK!"};
inline constexpr TMsg ChannelReadOther{"返回信道参数读取应答!", "Answer data is error!"};
inline constexpr TMsg TestStartOk{"启动测试成功!", "TX Test OK!"};
inline constexpr TMsg TestStartOther{"返回测试应答!", "Answer data is error!"};
inline constexpr TMsg TestEndOk{"结束测试成功!", "End TX test OK!"};
inline constexpr TMsg TestEndOther{"返回结束测试应答!", "Answer data is error!"};
inline constexpr TMsg ProtocolSetOk{"空中协议设置成功!", "Write RF Protocol OK!"};
inline constexpr TMsg ProtocolSetOther{"返回空中协议设置应答!", "Answer data is error!"};
inline constexpr TMsg SerialNumberSetOk{"出厂系列号设置成功!", "Write SN OK!"};
inline constexpr TMsg SerialNumberSetOther{"返回出厂系列号应答!", "Answer data is error!"};
inline constexpr TMsg SerialNumberReadOk{"出厂系列号读取成功!", "Read SN OK!"};
inline constexpr TMsg SerialNumberReadOther{"返回出厂系列号读取应答!", "Answer data is error!"};
inline constexpr TMsg RadioIdSetOk{"电台ID号设置成功!", "Write ID OK!"};
inline constexpr TMsg RadioIdSetOther{"返回电台ID号设置应答!", "Answer data is error!"};
inline constexpr TMsg RadioIdReadOk{"电台ID号读取成功!", "Read ID OK!"};
inline constexpr TMsg RadioIdReadOther{"返回电台ID号读取应答!", "Answer data is error!"};
inline constexpr TMsg WriteAllOk{"参数全设成功!", "Write All Parameters OK!"};
inline constexpr TMsg WriteAllOther{"返回参数全写应答!", "Answer data is error!"};
inline constexpr TMsg PowerModeSetOk{"省电模式设置成功!", "Write PowerSaved Mode OK!"};
inline constexpr TMsg PowerModeSetOther{"返回省电模式设置应答!", "Answer data is error!"};
inline constexpr TMsg PowerModeReadOk{"省电模式读取成功!", "Read PowerSaved Mode OK!"};
inline constexpr TMsg PowerModeReadOther{"返回省电模式读取应答!", "Answer data is error!"};
inline constexpr TMsg WakeUpOk{"串口唤醒成功!", "COM Wake up OK!"};
inline constexpr TMsg WakeUpOther{"返回串口唤醒成功应答!", "Answer data is error!"};
inline constexpr TMsg RssiReadOk{"场强读取成功！", "Read OK!"};
inline constexpr TMsg LevelSetOk{"功率设置成功,功率值为：", "Power be set OK!"};
inline constexpr TMsg ProtocolReadOk{"空中协议读取成功!", "Read RF Protocol OK!"};
inline constexpr TMsg ProtocolReadOther{"返回空中协议读取应答!", "Answer data is error!"};
inline constexpr TMsg ReadAllOk{"参数全读成功!", "Read All Parameters OK!"};
inline constexpr TMsg ReadAllOther{"返回参数全读命令!", "Recieved All Parameters Setting Command !"};
inline constexpr TMsg DutyCycleSetOk{"休眠占空比时间设置成功!", "Sleep interval be set OK!"};
inline constexpr TMsg DutyCycleSetOther{"返回休眠占空比时间设置应答!", "Sleep interval Set error!"};
inline constexpr TMsg PowerSetOk{"功率设置成功!", "Power be set OK!"};
inline constexpr TMsg CapacitanceOk{"电容工作频率校准成功!", "The capacitance frequency adjust OK!"};
inline constexpr TMsg IoSetOk{"IO开关量设置成功!", "Write IO OK!"};
inline constexpr TMsg IoSetOther{"返回IO开关量设置成功应答!", "Answer data is error!"};
inline constexpr TMsg IoReadOk{"IO开关量读取成功!", "Read IO status OK!"};
inline constexpr TMsg IoReadOther{"返回IO开关量读取应答!", "Answer data is error!"};

} // namespace ProtocolTexts
