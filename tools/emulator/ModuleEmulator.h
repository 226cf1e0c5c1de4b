// A radio data module as the PC sees it on its serial port: it keeps the module's state,
// answers command frames, passes other bytes over a simulated air link, and only
// understands the PC when the PC's line settings match its own serial settings.
//
// The same class is the tool's built-in simulated module, the peer in tests and the heart
// of the pseudo-terminal program rfmod-emu. It is driven by the caller's clock: every call
// passes the current time in milliseconds (any monotonic clock).
#pragma once

#include <QByteArray>
#include <QString>

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

class ModuleEmulator {
public:
    struct Options; // defined in ModuleEmulatorOptions.h

    // Parses a settings text such as "model=35,band=433,baud=4800,parity=odd";
    // returns false and an explanation for a setting it does not know.
    static bool ParseOptions(const QString& text, Options* out, QString* error);

    ModuleEmulator();
    explicit ModuleEmulator(const Options& options);
    ~ModuleEmulator();

    // The PC wrote `bytes` at `nowMs` with line settings `pcLine`.
    void receiveFromPc(const QByteArray& bytes, const LineSettings& pcLine, qint64 nowMs);
    // Number of bytes that have reached the PC side by `nowMs`.
    int bytesReadyForPc(qint64 nowMs);
    // Takes up to `maxBytes` of them (all when negative).
    QByteArray takeForPc(qint64 nowMs, int maxBytes = -1);

    // The module's own serial settings, as currently in force.
    LineSettings serialSettings() const;

    Options& options();

private:
    struct Impl;
    Impl* d;
};
