// Messages of the model catalogue: base-frequency change, identification results and the
// empty-list warnings.
#pragma once

#include "app/GlobleVar.h"

namespace CatalogueTexts {

inline constexpr TMsg ConfirmBaseChange{"你确定为此频率吗？", "Do you Confirm changing the frequency?"};
inline constexpr TMsg ModelReadOk{"(型号读取成功)", "(Model read ok)"};
inline constexpr TMsg BaseNotFound{"找不到相应的基频！", "The base frequency Not be found!"};
inline constexpr TMsg ModelBaseReadOk{"(型号、基频读取成功)", "(Model,base frequency read ok)"};
inline constexpr TMsg ChannelListEmpty{"信道频率为空，请先选择型号基频或先检测电台!",
                                       "NO channel,Please choose Modle/Base fre. or Search Firstly!"};
inline constexpr TMsg AirRateListEmpty{"空中速率为空，请先选择型号基频或先检测电台!",
                                       "NO RF rate List,Please choose Modle/Base fre. or Search Firstly !"};
inline constexpr TMsg SerialRateListEmpty{"串口速率为空，请先选择型号基频或先检测电台!",
                                          "NO Baud rate List,Please choose Modle/Base fre. or Search Firstly!"};

} // namespace CatalogueTexts
