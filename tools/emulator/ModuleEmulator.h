// A radio data module as the PC sees it on its serial port: it keeps the module's state,
// answers command frames, passes other bytes over a simulated air link, and only
// understands the PC when the PC's line settings match its own serial settings.
//
// The same class is the tool's built-in simulated module, the peer in tests and the heart
// of the pseudo-terminal program rfmod-emu. It is driven by the caller's clock: every call
// passes the current time in milliseconds (any monotonic clock, the same for every object
// that is joined by an air link). No threads, no event loop.
//
// Packet delimiting: bytes from the PC are gathered until the line has been quiet for
// 3.5 character times at the module's serial rate, but at least kMinGapMs. The gathered
// packet is then either one or more complete command frames (answered) or data (sent over
// the air). A caller writing a whole frame in one call therefore gets it handled as a frame.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>


// The line settings of the module's serial side, and those the PC uses.
struct SerialLine {
    int baud = 9600;
    char parity = 'N'; // 'N', 'E', 'O', 'S', 'M'
    int dataBits = 8;
    int stopBits = 1;
    bool operator==(const SerialLine& o) const
    {
        return baud == o.baud && parity == o.parity && dataBits == o.dataBits && stopBits == o.stopBits;
    }
    bool operator!=(const SerialLine& o) const { return !(*this == o); }
};

// One block of data on the air.
struct AirFrame {
    QByteArray bytes;
    int channel = 1;
    int airRateCode = 5;
    qint64 arrivalMs = 0; // when its last bit reaches the receiver
};

// Counters of the air link. The sending module counts sent, dropped, truncated and
// corrupted; the receiving module counts delivered (handed to its PC side) and unheard
// (ignored because channel or air rate differ).
struct AirStats {
    qint64 sent = 0;
    qint64 delivered = 0;
    qint64 dropped = 0;
    qint64 truncated = 0;
    qint64 corrupted = 0;
    qint64 unheard = 0;
    qint64 lostBytes = 0; // bytes of dropped frames and bytes cut off truncated ones
    AirStats& operator+=(const AirStats& o);
};

class AirLink;

class ModuleEmulator {
public:
    static constexpr int kMinGapMs = 3;

    // The module's whole state plus the fault switches. The emulator works on its own
    // copy (options()); commands that write parameters update that copy, so options()
    // always shows the module's current parameters, and a caller may change any field
    // (faults, RSSI, inputs, even baud/parity) between calls. Serial settings written by a
    // command come into force only after the answer has left (see serialSettings()).
    // farEcho is read only by the constructor.
    struct Options {
        // identity
        int family = -1;      // 0x10 310X, 0x20 51X, 0x30 52X, 0x40 53X, 0x50 54X, 0x60 320X; -1: from model
        int version = 0x12;   // firmware version byte, major.minor in the two hex digits
        int band = 2;         // 1 230MHz, 2 433, 3 490, 4 868, 5 915, 6 2.4GHz
        int model = 0x35;     // module model code byte ("35" = 525); also the serial number's model
        int snYear = 11;      // serial number: year byte (2011 = 11), month, sequence
        int snMonth = 3;
        int snSequence = 1;
        // radio and serial parameters (module codes)
        int channel = 1;
        int airRate = 5;      // 1 600, 2 1200, 3 2400, 4 4800, 5 9600, 6 19200, 7 38400, 8 57600
        int baud = 5;         // same codes as the air rate
        int parity = 0;       // 0 none, 1 even, 2 odd
        int airProtocol = 0;  // 0 own, 1 compatible
        int powerMode = 0;    // 0 no sleep .. 3 air wake-up
        int listenMs = 0;     // air wake-up duty cycle
        int sleepMs = 0;
        int radioId = 1;      // 0..65535
        int txPower = 0;      // 0 = 1 W, 1 = 2 W
        int rssi = 0x5A;
        int powerLevel = 15;  // 0..15
        int capacitance = 64; // 0..127
        int in1 = 0, in2 = 0, out1 = 0, out2 = 0;
        bool txTest = false;  // transmit test mode
        // behaviour
        bool shortAnswers = false; // answer long requests in short form where a short code exists
        int processingMs = 3;      // delay between the end of a request and the answer's first bit
        bool echo = false;         // this module's PC side echoes every block received over the air
        bool farEcho = false;      // a lone module gets a built-in far module whose PC echoes
        int echoTurnMs = 20;       // echoing PC's pause between receiving and sending back
        // answer faults
        bool badChecksum = false;
        int splitMs = 0;  // answer delivered in two pieces with this pause between them
        int lateMs = 0;   // extra delay before answering
        bool mute = false; // the module sends nothing to the PC (no answers, no air data)
        bool ignoreWrites = false; // write commands are answered but change nothing
        // air faults, applied by the sending module, repeatable by seed
        double dropRate = 0.0;
        double truncateRate = 0.0;
        int truncateBytes = 1;
        char truncateAt = 'E'; // 'S' start, 'E' end, 'R' either, chosen at random
        double corruptRate = 0.0;
        quint64 seed = 1;

        int familyCode() const { return family >= 0 ? family : (model & 0xF0); }
    };

    // Parses a settings text such as "model=35,band=433,baud=4800,parity=odd" into `out`
    // (starting from the values already in `out`); returns false and an explanation for a
    // setting it does not know or a value it cannot use.
    static bool ParseOptions(const QString& text, Options* out, QString* error);
    // Rate in bit/s of a module baud or air-rate code (1..8), 0 for another code.
    static int RateOfCode(int code);
    // Module code of a rate in bit/s, 0 when the module has no such rate.
    static int CodeOfRate(int rate);

    ModuleEmulator();
    explicit ModuleEmulator(const Options& options);
    ~ModuleEmulator();
    ModuleEmulator(const ModuleEmulator&) = delete;
    ModuleEmulator& operator=(const ModuleEmulator&) = delete;

    // The PC wrote `bytes` at `nowMs` with line settings `pcLine`. Bytes written while the
    // line settings differ from the module's are lost (and spoil a packet being gathered).
    void receiveFromPc(const QByteArray& bytes, const SerialLine& pcLine, qint64 nowMs);
    // Number of bytes that have reached the PC side by `nowMs`.
    int bytesReadyForPc(qint64 nowMs);
    // Takes up to `maxBytes` of them (all when negative).
    QByteArray takeForPc(qint64 nowMs, int maxBytes = -1);
    // Handles everything due by `nowMs` (the other calls do this themselves).
    void advance(qint64 nowMs);
    // The earliest time after which something will change (a byte becomes readable, a
    // packet completes, settings switch), or -1 when nothing is pending. For timers.
    qint64 nextEventMs() const;
    // The same, counting only what happens after `nowMs` (bytes already readable do not
    // count), and including the module joined by an air link. For a timer that wakes the
    // PC side when the next byte arrives.
    qint64 nextEventAfterMs(qint64 nowMs) const;
    // Called whenever new input reaches this module or the module joined to it by an air
    // link (from its PC or from the air), so an owner sleeping on nextEventAfterMs() wakes.
    void setWakeCallback(std::function<void()> wake);

    // The module's own serial settings, as currently in force.
    SerialLine serialSettings() const;

    Options& options();
    const Options& options() const;

    // Air side. The sink receives every frame this module puts on the air (after the air
    // faults); receiveFromAir takes a frame from the peer.
    void setAirSink(std::function<void(const AirFrame&)> sink);
    void receiveFromAir(const AirFrame& frame);
    AirStats airStats() const;
    void resetAirStats();

    // Frames this module has answered and data packets it has sent, for logging.
    struct Event {
        qint64 timeMs;
        QString text;
    };
    QVector<Event> takeEvents();

private:
    friend class AirLink;
    void wakeOwners();
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Joins two emulators in one process: data one receives from its PC reaches the other,
// which delivers it to its own PC side after the air time. Both must outlive the link.
class AirLink {
public:
    AirLink(ModuleEmulator* a, ModuleEmulator* b);
    ~AirLink();
    AirLink(const AirLink&) = delete;
    AirLink& operator=(const AirLink&) = delete;

    // Brings both modules up to `nowMs` (each module's own calls do this too).
    void advance(qint64 nowMs);
    // Sum of both modules' counters.
    AirStats stats() const;

private:
    friend class ModuleEmulator;
    ModuleEmulator* m_a;
    ModuleEmulator* m_b;
    bool m_busy = false;
};
