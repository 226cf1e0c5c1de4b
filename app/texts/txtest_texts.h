// Messages of the transmit test mode.
#pragma once

#include "app/GlobleVar.h"

namespace TxTestTexts {

inline constexpr TMsg StartRunning{"正在测试电台.....", "Searching......"};
inline constexpr TMsg StartFail{"测试电台失败!", "Search Fail!"};
inline constexpr TMsg StartFailBox{"读取失败!", "Search Fail!"};
inline constexpr TMsg EndStarting{"正在结束测试......", "Stoping TX test......"};
inline constexpr TMsg EndRunning{"正在结束测试.....", "Stoping TX test......"};
inline constexpr TMsg EndFail{"结束测试电台失败!", "Stoping TX test Fail!"};
inline constexpr TMsg EndFailBox{"结束结束失败!", "Stoping TX test Fail!"};

// The start that follows a search.
inline constexpr TMsg DeferredStarting{"正在进行发射测试......", "Writing TX Test......"};
inline constexpr TMsg DeferredSent{"设置发射状态......", "Setting TX test......"};
inline constexpr TMsg DeferredFail{"设置发射状态失败!", "Setting TX test Fail!"};
inline constexpr TMsg DeferredFailBox{"设置失败!", "Set fail!"};

} // namespace TxTestTexts
