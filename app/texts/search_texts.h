// Messages of the radio search.
#pragma once

#include "app/GlobleVar.h"

namespace SearchTexts {

inline constexpr TMsg Searching{"正在检测电台......", "Searching......"};
inline constexpr TMsg SearchError{"检测出错，可能是串口未打开或打开出错！", "Search Error，Maybe COM Port not Opened or Error！"};
inline constexpr TMsg SearchFailed{"未检测到电台！", "Search Fail！"};
inline constexpr TMsg SearchFailedBox{"未检测到电台，请检查电源或数据接线是否正常！",
                                      "Not Searched Radio，Please check Power or Data line！"};
inline constexpr TMsg SearchStopped{"检测停止!", "Search stoped!"};
inline constexpr TMsg FoundRadio{"成功检测到电台！", "RF Module(Radio) Searched OK!"};

} // namespace SearchTexts
