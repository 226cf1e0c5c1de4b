// The serial library's status, baud-rate and line-mode codes, and the one place line settings
// become those codes and back. Kept apart from the library's calls so that a backend behind
// the library can use them without including the library.
#pragma once

#include "LineSettings.h"

// Port numbers COM1..COM36.
constexpr int kSioPortCount = 36;

enum SioStatus {
    SIO_OK = 0,
    SIO_BADPORT = -1,      // port number invalid or port not opened
    SIO_OUTCONTROL = -2,
    SIO_NODATA = -4,
    SIO_OPENFAIL = -5,     // no such device, or the device is busy
    SIO_RTS_BY_HW = -6,
    SIO_BADPARM = -7,      // bad parameter
    SIO_WIN32FAIL = -8,    // the operating system call failed
    SIO_BOARDNOTSUPPORT = -9,
    SIO_FAIL = -10,
    SIO_ABORTWRITE = -11,  // write aborted
    SIO_WRITETIMEOUT = -12,
};

// Baud-rate codes.
enum SioBaud {
    B_50 = 0, B_75 = 1, B_110 = 2, B_134 = 3, B_150 = 4, B_300 = 5,
    B_600 = 6, B_1200 = 7, B_1800 = 8, B_2400 = 9, B_4800 = 10, B_7200 = 11,
    B_9600 = 12, B_19200 = 13, B_38400 = 14, B_57600 = 15, B_115200 = 16,
};

// Line-mode bits: data bits | stop bits | parity.
enum SioMode {
    BIT_5 = 0x00, BIT_6 = 0x01, BIT_7 = 0x02, BIT_8 = 0x03,
    STOP_1 = 0x00, STOP_2 = 0x04,
    P_EVEN = 0x18, P_ODD = 0x08, P_SPC = 0x38, P_MRK = 0x28, P_NONE = 0x00,
};

// Line settings as the library's codes and back: the only place the codes above are made
// from a baud rate, parity, data and stop bits, or taken apart again.
// Baud rate in bits per second of a baud code, 0 for an unknown code.
int SioBaudRate(int baudCode);
// Baud code of a rate, -1 for a rate the library lacks.
int SioBaudCode(int baud);
// Line mode (data bits | stop bits | parity) of line settings.
int SioLineMode(const LineSettings& line);
// Line settings of a baud code and a line mode; false for a code or mode bits the library
// does not know.
bool SioDecodeLine(int baudCode, int mode, LineSettings* out);
