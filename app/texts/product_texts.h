// Product, maker and customer names shown in the window title, the status bar and the about
// box. Invented names: they stand for no real company.
#pragma once

namespace ProductTexts {

inline constexpr const char* TitleCn = "无线数传模块设置软件";
inline constexpr const char* TitleEn = "RF Data Module Setup";
inline constexpr const char* TitleDe = "FUNKDATENMODUL EINSTELLUNG";
inline constexpr const char* Version = "V3.16";
inline constexpr const char* FullVersion = " V3.16.14";
inline constexpr const char* ReleaseDate = "2014-8-10";

inline constexpr const char* BrandCn = "凯斯特";
inline constexpr const char* MakerCn = "凯斯特无线电工坊";
inline constexpr const char* MakerEn = "Kestra Radio Workshop";
inline constexpr const char* CustomerName = "Kestravonix";

inline constexpr const char* AddressCn = "地址：示例市样板区测试路18号";
inline constexpr const char* AddressEn = "Add: No.18 Sample Road, Example District,\n    Example City";
inline constexpr const char* PhoneCn = "电话：000-0000 0000";
inline constexpr const char* PhoneEn = "Tel: +00-000-0000 0000";
inline constexpr const char* WebAddress = "http://www.example.com/rfmodule";
inline constexpr const char* ModelLine = "for KTX51X/KTX52X/KTX53X/KTX310X";

} // namespace ProductTexts
