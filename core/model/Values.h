// The module's parameters as plain values, as they cross from the session to a front end and
// back. Rates are bits per second (0: not known); fields a module did not report are -1 (or
// empty).
#pragma once

#include "core/link/LineSettings.h"

#include <QString>

enum class Parity { None, Even, Odd, Unknown };

// Module codes: 0 none, 1 even, 2 odd.
int ParityCode(Parity parity);
Parity ParityOfCode(int code);
// 'N', 'E', 'O' ('N' for Unknown).
char ParityChar(Parity parity);
Parity ParityOfChar(char c);
// "none", "even", "odd", "unknown"
QString ParityName(Parity parity);

// Module rate codes 1..8 stand for 600, 1200, 2400, 4800, 9600, 19200, 38400 and 57600 bit/s,
// for the serial line and the air alike.
int RateOfCode(int code);
int CodeOfRate(int rate);

// The module's serial line.
struct SerialSettings {
    int baud = 9600;
    Parity parity = Parity::None;
    // The PC's line settings for talking to the module: 8 data bits, 1 stop bit.
    LineSettings line() const;
    bool operator==(const SerialSettings& o) const { return baud == o.baud && parity == o.parity; }
    bool operator!=(const SerialSettings& o) const { return !(*this == o); }
};

// Air wake-up duty cycle: listening time and sleeping time.
struct DutyCycle {
    int listenMs = 0;  // 1..65535
    int sleepS = 0;    // 1..65
};

// The factory serial number.
struct SerialNumber {
    QString modelCode; // two hex digits, the module model ("35" for a 525)
    int year = -1;     // 2000..2255 when read; only the last two digits are stored
    int month = -1;    // 0..255
    int sequence = -1; // 0..65534
};

// The year and month a serial number is written with, from an operator's text (window,
// options, [SN]): the year as four digits, 2000..2099 (the module keeps two); the month 1..12, a leading zero
// allowed. -1 when the text is no such year or month.
// The years a serial number can carry: the module keeps two digits and reads them back as 20xx.
inline constexpr int kFirstSerialYear = 2000;
inline constexpr int kLastSerialYear = 2099;
int SerialNumberYearOf(const QString& text);
int SerialNumberMonthOf(const QString& text);

// What a module tells about itself: family and firmware from the search answer, band, and
// the exact model from its serial number.
struct Identity {
    int familyCode = -1; // 0x10 310X .. 0x60 320X
    QString firmware;    // two hex digits, major and minor ("12" is 1.2)
    int band = -1;       // 1 230 MHz .. 6 2.4 GHz
    int modelRow = -1;   // row of the catalogue, from the serial number's model code
};

// IO-capable models: target ID and input levels (0 low, 1 high, -1 not reported).
struct IoState {
    int radioId = -1;
    int input1 = -1;
    int input2 = -1;
};

// Everything a module can be asked for. Unset fields are -1 (rates 0).
struct AllParameters {
    int channel = -1;    // 1..20
    int airRate = 0;     // bit/s
    SerialSettings serial{0, Parity::Unknown};
    int protocol = -1;   // 0 own, 1 compatible
    int powerMode = -1;  // 0..3
    int radioId = -1;    // 0..65535
    int power = -1;      // 1 W / 2 W row: 0, 1
    int rssi = -1;       // 0..255
    SerialNumber serialNumber;
    IoState io;
};

// What a module reported so far, gathered from its answers.
struct ModuleReadings {
    Identity identity;
    bool identified = false;
    SerialNumber serialNumber;
    bool hasSerialNumber = false;
    AllParameters params;
};
