#include "SioCodes.h"

int SioBaudRate(int baudCode)
{
    static const int rates[] = {50,   75,   110,  134,  150,  300,   600,   1200,  1800,
                                2400, 4800, 7200, 9600, 19200, 38400, 57600, 115200};
    if (baudCode < 0 || baudCode >= static_cast<int>(sizeof rates / sizeof rates[0]))
        return 0;
    return rates[baudCode];
}

int SioBaudCode(int baud)
{
    for (int code = 0; code <= B_115200; ++code)
        if (SioBaudRate(code) == baud)
            return code;
    return -1;
}

int SioLineMode(const LineSettings& line)
{
    int mode = (line.dataBits - 5) & 0x03;
    if (line.stopBits == 2)
        mode |= STOP_2;
    switch (line.parity) {
    case 'E': mode |= P_EVEN; break;
    case 'O': mode |= P_ODD; break;
    case 'S': mode |= P_SPC; break;
    case 'M': mode |= P_MRK; break;
    default: break;
    }
    return mode;
}

bool SioDecodeLine(int baudCode, int mode, LineSettings* out)
{
    const int rate = SioBaudRate(baudCode);
    if (rate == 0 || (mode & ~0x3F) != 0)
        return false;
    LineSettings line;
    line.baud = rate;
    line.dataBits = 5 + (mode & 0x03);
    line.stopBits = (mode & STOP_2) ? 2 : 1;
    switch (mode & 0x38) {
    case P_NONE: line.parity = 'N'; break;
    case P_ODD: line.parity = 'O'; break;
    case P_EVEN: line.parity = 'E'; break;
    case P_MRK: line.parity = 'M'; break;
    case P_SPC: line.parity = 'S'; break;
    default: return false; // 0x10, 0x20, 0x30 are no parity setting
    }
    if (out)
        *out = line;
    return true;
}
