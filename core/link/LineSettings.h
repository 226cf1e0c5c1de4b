// Line settings of a serial port: what both ends must agree on for bytes to get through.
#pragma once

struct LineSettings {
    int baud = 9600;
    char parity = 'N'; // 'N', 'E', 'O', 'S', 'M'
    int dataBits = 8;
    int stopBits = 1;
    bool operator==(const LineSettings& o) const
    {
        return baud == o.baud && parity == o.parity && dataBits == o.dataBits && stopBits == o.stopBits;
    }
    bool operator!=(const LineSettings& o) const { return !(*this == o); }
};
