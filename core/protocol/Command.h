// The commands of the module protocol and their codes. A command's four-digit code goes out in
// the request ("8005"); the module answers with the code less 8000 ("0005" long, "05" short).
// The two commands of the ID protocol are known by their eight-digit codes.
#pragma once

#include <QString>

enum class Command : quint32 {
    None = 0,
    Search = 0x8000,
    SerialWrite = 0x8001,
    SerialRead = 0x8002,
    AirRateWrite = 0x8003,
    AirRateRead = 0x8004,
    ChannelWrite = 0x8005,
    ChannelRead = 0x8006,
    TestStart = 0x8007,
    TestEnd = 0x8008,
    ProtocolWrite = 0x8009,
    SerialNumberWrite = 0x800A,
    SerialNumberRead = 0x800B,
    RadioIdWrite = 0x800C,
    RadioIdRead = 0x800D,
    WriteAll = 0x800E,
    PowerModeWrite = 0x800F,
    PowerModeRead = 0x8010,
    WakeUp = 0x8011,
    RssiRead = 0x8012,
    LevelWrite = 0x8013,
    ProtocolRead = 0x8014,
    ReadAll = 0x8015,
    DutyCycleWrite = 0x8016,
    PowerWrite = 0x8017,
    Capacitance = 0x8019,
    IoWrite = 0x40408012,  // ID protocol
    IoRead = 0x40408013,   // ID protocol
};

namespace Commands {

// "8005", or "40408012" for the ID protocol; empty for None.
QString CodeText(Command command);
// The four-digit code of the request ("8012" for IoWrite too).
QString RequestCode(Command command);
// The two-digit code of the short request ("05").
QString ShortCode(Command command);
// The command whose code text this is; None for any other text.
Command FromCodeText(const QString& text);
// A name for traces and logs ("ChannelRead").
QString Name(Command command);

} // namespace Commands
