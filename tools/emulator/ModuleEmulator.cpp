#include "tools/emulator/ModuleEmulator.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();

enum class Form { Long, Short, Id };

struct Frame {
    Form form = Form::Long;
    quint8 fn = 0;          // function number: request code 80 fn
    QByteArray address;     // long frames: the two address bytes, echoed in the answer
    quint8 type = 0xA6;     // ID frames: the type byte, echoed
    int targetId = 0;       // ID frames
    QByteArray payload;
};

quint8 sum8(const QByteArray& bytes, int count)
{
    unsigned s = 0;
    for (int i = 0; i < count; ++i)
        s += static_cast<quint8>(bytes[i]);
    return static_cast<quint8>(s & 0xFF);
}

quint8 at(const QByteArray& b, int i) { return static_cast<quint8>(b[i]); }

// Splits a packet into complete command frames; false when it is anything else (data).
bool parseFrames(const QByteArray& packet, QVector<Frame>* frames)
{
    int pos = 0;
    const int n = packet.size();
    while (pos < n) {
        const int left = n - pos;
        if (left < 2)
            return false;
        const QByteArray rest = packet.mid(pos);
        Frame f;
        int used = 0;
        if (at(rest, 0) == 0x5A && at(rest, 1) == 0x5A) {
            if (left < 11 || at(rest, 4) != 0x5A || at(rest, 5) != 0x80)
                return false;
            const int len = at(rest, 7);
            used = 11 + len;
            if (used > left || at(rest, used - 2) != 0x0D || at(rest, used - 1) != 0x0A
                || sum8(rest, 8 + len) != at(rest, 8 + len))
                return false;
            f.form = Form::Long;
            f.address = rest.mid(2, 2);
            f.fn = at(rest, 6);
            f.payload = rest.mid(8, len);
        } else if (at(rest, 0) == 0x40 && at(rest, 1) == 0x40) {
            if (left < 11)
                return false;
            const int len = at(rest, 5); // counts code, payload, checksum and terminator
            used = 6 + len;
            if (len < 5 || used > left || at(rest, 6) != 0x80 || at(rest, used - 2) != 0x0D
                || at(rest, used - 1) != 0x0A || sum8(rest, used - 3) != at(rest, used - 3))
                return false;
            f.form = Form::Id;
            f.type = at(rest, 2);
            f.targetId = (at(rest, 3) << 8) | at(rest, 4);
            f.fn = at(rest, 7);
            f.payload = rest.mid(8, len - 5);
        } else if (at(rest, 0) == 0xED && at(rest, 1) == 0xED) {
            // A short frame has no length: it must take the rest of the packet.
            if (left < 4 || sum8(rest, left - 1) != at(rest, left - 1))
                return false;
            used = left;
            f.form = Form::Short;
            f.fn = at(rest, 2);
            f.payload = rest.mid(3, left - 4);
        } else {
            return false;
        }
        frames->append(f);
        pos += used;
    }
    return !frames->isEmpty();
}

// Functions that have a short answer code.
bool hasShortAnswer(int fn) { return fn >= 0x01 && fn <= 0x17 && fn != 0x16; }
// Functions whose short frames carry a single value byte.
bool singleByteShort(int fn) { return (fn >= 0x01 && fn <= 0x08) || fn == 0x12 || fn == 0x13; }

QString hex(const QByteArray& b) { return QString::fromLatin1(b.toHex(' ').toUpper()); }

char parityChar(int code) { return code == 1 ? 'E' : code == 2 ? 'O' : 'N'; }

// splitmix64: small, fast and the same on every platform, so seeded runs repeat.
quint64 nextRandom(quint64* state)
{
    quint64 z = (*state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}
double randomUnit(quint64* state) { return (nextRandom(state) >> 11) * (1.0 / 9007199254740992.0); }

} // namespace

AirStats& AirStats::operator+=(const AirStats& o)
{
    sent += o.sent;
    lostBytes += o.lostBytes;
    delivered += o.delivered;
    dropped += o.dropped;
    truncated += o.truncated;
    corrupted += o.corrupted;
    unheard += o.unheard;
    return *this;
}

struct ModuleEmulator::Impl {
    ModuleEmulator* q = nullptr;
    Options o;

    // Serial settings in force are o.baud and o.parity; a written change waits in
    // `pending` until `switchAt`.
    bool switchPending = false;
    int pendingBaud = 5, pendingParity = 0;
    double switchAt = kNever;

    // From the PC: the packet being gathered and the time its last byte arrived.
    QByteArray inBuf;
    double inLast = -kNever;
    // Bytes the echoing PC side will write, in time order.
    struct Scheduled {
        double at;
        QByteArray bytes;
    };
    QVector<Scheduled> scheduled;

    // To the PC: bytes and the time each one has fully arrived.
    QByteArray outBytes;
    QVector<double> outReady;
    double outLineFree = -kNever;

    // Air side.
    double airFree = -kNever;
    quint64 rng = 1;
    AirStats stats;
    std::function<void(const AirFrame&)> sink;
    AirLink* link = nullptr;
    std::function<void()> wake;

    // A lone module's built-in far side (far-echo).
    std::unique_ptr<ModuleEmulator> far;
    std::unique_ptr<AirLink> farLink;

    QVector<Event> events;

    double charMs(int baudCode, int parityCode) const
    {
        const int rate = RateOfCode(baudCode);
        const int bits = parityCode == 0 ? 10 : 11;
        return rate > 0 ? bits * 1000.0 / rate : 10.0;
    }
    double charMs() const { return charMs(o.baud, o.parity); }
    double gapMs() const { return std::max(3.5 * charMs(), double(kMinGapMs)); }

    void log(double t, const QString& text)
    {
        events.append({qint64(std::ceil(t)), text});
        if (events.size() > 1000)
            events.remove(0, events.size() - 1000);
    }

    void queueToPc(const QByteArray& bytes, double start)
    {
        if (bytes.isEmpty())
            return;
        const double cm = charMs();
        double t = std::max(start, outLineFree);
        for (char c : bytes) {
            t += cm;
            outBytes.append(c);
            outReady.append(t);
        }
        outLineFree = t;
    }

    void answer(const Frame& req, quint8 fn, QByteArray payload, double t)
    {
        Form form = req.form;
        if (form == Form::Long && o.shortAnswers && hasShortAnswer(fn))
            form = Form::Short;
        if (form == Form::Short && fn == 0x00)
            form = Form::Long; // there is no short identify answer: the PC finds modules by the long one
        QByteArray f;
        if (form == Form::Long) {
            f = QByteArray::fromHex("5A5A") + (req.address.size() == 2 ? req.address : QByteArray(2, '\0'));
            f.append(char(0x5A));
            f.append(char(0x00));
            f.append(char(fn));
            f.append(char(payload.size()));
            f.append(payload);
            f.append(char(sum8(f, f.size())));
            f.append("\r\n");
        } else if (form == Form::Short) {
            if (singleByteShort(fn) && payload.size() > 1)
                payload = payload.left(1);
            f = QByteArray::fromHex("EDED");
            f.append(char(fn));
            f.append(payload);
            f.append(char(sum8(f, f.size())));
        } else {
            f = QByteArray::fromHex("4040");
            f.append(char(req.type));
            f.append(char((o.radioId >> 8) & 0xFF));
            f.append(char(o.radioId & 0xFF));
            f.append(char(payload.size() + 5));
            f.append(char(0x00));
            f.append(char(fn));
            f.append(payload);
            f.append(char(sum8(f, f.size())));
            f.append("\r\n");
        }
        if (o.badChecksum) {
            const int pos = form == Form::Short ? f.size() - 1 : f.size() - 3;
            f[pos] = char(quint8(f[pos]) + 1);
        }
        if (o.mute) {
            log(t, QStringLiteral("answer withheld (mute): %1").arg(hex(f)));
            return;
        }
        const double start = t + o.processingMs + o.lateMs;
        log(start, QStringLiteral("answer: %1").arg(hex(f)));
        if (o.splitMs > 0 && f.size() > 1) {
            const int half = f.size() / 2;
            queueToPc(f.left(half), start);
            queueToPc(f.mid(half), outLineFree + o.splitMs);
        } else {
            queueToPc(f, start);
        }
    }

    void scheduleSerialSwitch(int newBaud, int newParity, double t)
    {
        // The answer leaves at the old settings; the new ones hold once it is out.
        switchPending = true;
        pendingBaud = newBaud;
        pendingParity = newParity;
        switchAt = std::max(outLineFree, t + o.processingMs + o.lateMs);
    }

    void refuse(const Frame& f, double t, const QString& why)
    {
        log(t, QStringLiteral("command %1 refused: %2").arg(f.fn, 2, 16, QLatin1Char('0')).arg(why));
    }

    void handleCommand(const Frame& f, double t)
    {
        const QByteArray& p = f.payload;
        const bool isShort = f.form == Form::Short;
        // Short frames carry one value byte; missing bytes count as 0 there (the short
        // serial write therefore sets parity none). Long frames must carry what is read.
        auto need = [&](int n) {
            if (p.size() >= n || isShort)
                return true;
            refuse(f, t, QStringLiteral("payload too short"));
            return false;
        };
        auto b = [&](int i) -> int { return i < p.size() ? at(p, i) : 0; };
        auto pair = [](int v, int w) {
            QByteArray r;
            r.append(char(v & 0xFF));
            r.append(char(w & 0xFF));
            return r;
        };
        const QByteArray echo = p.isEmpty() ? pair(0, 0) : p;
        log(t, QStringLiteral("request %1 %2").arg(f.form == Form::Long ? "long" : f.form == Form::Short ? "short" : "ID")
                   .arg(QString::number(0x8000 | f.fn, 16).toUpper()) + (p.isEmpty() ? QString() : QStringLiteral(" payload ") + hex(p)));

        if (f.form == Form::Id) {
            if (f.targetId != o.radioId) {
                log(t, QStringLiteral("ID frame for %1 ignored (own ID %2)").arg(f.targetId).arg(o.radioId));
                return;
            }
            if (f.fn == 0x13) {
                answer(f, 0x13, pair(o.in1, o.in2), t);
            } else if (f.fn == 0x12) {
                if (!need(2))
                    return;
                if ((b(0) != 1 && b(0) != 2) || b(1) > 1)
                    return refuse(f, t, QStringLiteral("no such output or level"));
                (b(0) == 1 ? o.out1 : o.out2) = b(1);
                answer(f, 0x12, p.left(2), t);
            } else {
                refuse(f, t, QStringLiteral("unknown ID-protocol command"));
            }
            return;
        }

        // A faulty module: acknowledges every write, keeps its old values.
        static const quint8 kWrites[] = {0x01, 0x03, 0x05, 0x09, 0x0A, 0x0C, 0x0E, 0x0F, 0x13, 0x16, 0x17, 0x19};
        if (o.ignoreWrites && std::find(std::begin(kWrites), std::end(kWrites), f.fn) != std::end(kWrites)) {
            answer(f, f.fn, echo, t);
            return;
        }

        switch (f.fn) {
        case 0x00:
            answer(f, 0x00, QByteArray().append(char(o.familyCode())).append(char(o.version)).append(char(o.band)), t);
            break;
        case 0x01: {
            if (!need(2))
                return;
            const int nb = b(0), np = isShort ? 0 : b(1);
            if (RateOfCode(nb) == 0 || np > 2)
                return refuse(f, t, QStringLiteral("no such baud or parity code"));
            answer(f, 0x01, echo, t);
            scheduleSerialSwitch(nb, np, t);
            break;
        }
        case 0x02: answer(f, 0x02, pair(switchPending ? pendingBaud : o.baud, switchPending ? pendingParity : o.parity), t); break;
        case 0x03:
            if (!need(1))
                return;
            if (RateOfCode(b(0)) == 0)
                return refuse(f, t, QStringLiteral("no such air rate code"));
            o.airRate = b(0);
            answer(f, 0x03, echo, t);
            break;
        case 0x04: answer(f, 0x04, pair(o.airRate, 0), t); break;
        case 0x05:
            if (!need(1))
                return;
            if (b(0) == 0)
                return refuse(f, t, QStringLiteral("channel 0"));
            o.channel = b(0);
            answer(f, 0x05, echo, t);
            break;
        case 0x06: answer(f, 0x06, pair(o.channel, 0), t); break;
        case 0x07: o.txTest = true; answer(f, 0x07, echo, t); break;
        case 0x08: o.txTest = false; answer(f, 0x08, echo, t); break;
        case 0x09:
            if (!need(1))
                return;
            if (b(0) > 1)
                return refuse(f, t, QStringLiteral("no such air protocol"));
            o.airProtocol = b(0);
            answer(f, 0x09, echo, t);
            break;
        case 0x0A:
            if (!need(5))
                return;
            o.model = b(0);
            o.snYear = b(1);
            o.snMonth = b(2);
            o.snSequence = (b(3) << 8) | b(4);
            answer(f, 0x0A, echo, t);
            break;
        case 0x0B: {
            QByteArray r;
            r.append(char(o.model)).append(char(o.snYear)).append(char(o.snMonth));
            r.append(pair(o.snSequence >> 8, o.snSequence));
            answer(f, 0x0B, r, t);
            break;
        }
        case 0x0C:
            if (!need(2))
                return;
            o.radioId = (b(0) << 8) | b(1);
            answer(f, 0x0C, echo, t);
            break;
        case 0x0D: answer(f, 0x0D, pair(o.radioId >> 8, o.radioId), t); break;
        case 0x0E: {
            if (!need(4))
                return;
            if (b(0) == 0 || RateOfCode(b(1)) == 0 || RateOfCode(b(2)) == 0 || b(3) > 2)
                return refuse(f, t, QStringLiteral("value out of range"));
            o.channel = b(0);
            o.airRate = b(1);
            answer(f, 0x0E, echo, t);
            scheduleSerialSwitch(b(2), b(3), t);
            break;
        }
        case 0x0F:
            if (!need(1))
                return;
            if (b(0) > 3)
                return refuse(f, t, QStringLiteral("no such power mode"));
            o.powerMode = b(0);
            answer(f, 0x0F, echo, t);
            break;
        case 0x10: answer(f, 0x10, pair(o.powerMode, 0), t); break;
        case 0x11: answer(f, 0x11, echo, t); break;
        case 0x12: answer(f, 0x12, pair(o.rssi, 0), t); break;
        case 0x13:
            if (!need(1))
                return;
            if (b(0) > 15)
                return refuse(f, t, QStringLiteral("no such power level"));
            o.powerLevel = b(0);
            answer(f, 0x13, echo, t);
            break;
        case 0x14: answer(f, 0x14, pair(o.airProtocol, 0), t); break;
        case 0x15: {
            QByteArray r = pair(o.channel, o.airRate);
            r.append(pair(switchPending ? pendingBaud : o.baud, switchPending ? pendingParity : o.parity));
            answer(f, 0x15, r, t);
            break;
        }
        case 0x16:
            if (!need(4))
                return;
            o.listenMs = (b(0) << 8) | b(1);
            o.sleepMs = (b(2) << 8) | b(3);
            answer(f, 0x16, echo, t);
            break;
        case 0x17:
            if (!need(1))
                return;
            if (b(0) > 1)
                return refuse(f, t, QStringLiteral("no such power"));
            o.txPower = b(0);
            answer(f, 0x17, echo, t);
            break;
        case 0x19:
            if (!need(1))
                return;
            if (b(0) > 127)
                return refuse(f, t, QStringLiteral("capacitance above 127"));
            o.capacitance = b(0);
            answer(f, 0x19, echo, t);
            break;
        default:
            refuse(f, t, QStringLiteral("unknown command"));
            break;
        }
    }

    void sendOverAir(const QByteArray& data, double t)
    {
        const int rate = RateOfCode(o.airRate);
        const double airMs = data.size() * 10 * 1000.0 / (rate > 0 ? rate : 9600);
        const double start = std::max(t + o.processingMs, airFree);
        airFree = start + airMs;
        ++stats.sent;
        AirFrame frame;
        frame.bytes = data;
        frame.channel = o.channel;
        frame.airRateCode = o.airRate;
        frame.arrivalMs = qint64(std::ceil(airFree));
        if (o.dropRate > 0 && randomUnit(&rng) < o.dropRate) {
            ++stats.dropped;
            stats.lostBytes += data.size();
            log(t, QStringLiteral("air: %1 bytes dropped").arg(data.size()));
            return;
        }
        if (o.truncateRate > 0 && randomUnit(&rng) < o.truncateRate) {
            ++stats.truncated;
            const int cut = std::min<int>(std::max(o.truncateBytes, 1), frame.bytes.size());
            bool atStart = o.truncateAt == 'S' || (o.truncateAt == 'R' && (nextRandom(&rng) & 1));
            frame.bytes = atStart ? frame.bytes.mid(cut) : frame.bytes.left(frame.bytes.size() - cut);
            stats.lostBytes += cut;
            if (frame.bytes.isEmpty()) {
                ++stats.dropped;
                log(t, QStringLiteral("air: %1 bytes truncated to nothing").arg(data.size()));
                return;
            }
        }
        if (o.corruptRate > 0 && randomUnit(&rng) < o.corruptRate) {
            ++stats.corrupted;
            const int i = int(nextRandom(&rng) % quint64(frame.bytes.size()));
            frame.bytes[i] = char(quint8(frame.bytes[i]) ^ quint8(1 + nextRandom(&rng) % 255));
        }
        log(t, QStringLiteral("air out (%1 bytes): %2").arg(frame.bytes.size()).arg(hex(frame.bytes)));
        if (sink)
            sink(frame);
    }

    void handlePacket(double t)
    {
        const QByteArray packet = inBuf;
        inBuf.clear();
        QVector<Frame> frames;
        if (parseFrames(packet, &frames)) {
            for (const Frame& f : frames)
                handleCommand(f, t);
        } else {
            log(t, QStringLiteral("data from PC (%1 bytes)").arg(packet.size()));
            sendOverAir(packet, t);
        }
    }

    void appendInput(const QByteArray& bytes, double t)
    {
        inLast = std::max(t, inLast) + bytes.size() * charMs();
        inBuf.append(bytes);
    }

    void advanceSelf(double now)
    {
        for (;;) {
            const double tSwitch = switchPending ? switchAt : kNever;
            const double tPacket = inBuf.isEmpty() ? kNever : inLast + gapMs();
            const double tSched = scheduled.isEmpty() ? kNever : scheduled.first().at;
            const double t = std::min({tSwitch, tPacket, tSched});
            if (t > now)
                break;
            if (t == tSwitch) {
                switchPending = false;
                switchAt = kNever;
                o.baud = pendingBaud;
                o.parity = pendingParity;
                log(t, QStringLiteral("serial settings now %1 baud, parity %2").arg(RateOfCode(o.baud)).arg(parityChar(o.parity)));
            } else if (t == tPacket) {
                handlePacket(t);
            } else {
                const Scheduled s = scheduled.takeFirst();
                appendInput(s.bytes, s.at);
            }
        }
    }
};

int ModuleEmulator::RateOfCode(int code)
{
    static const int rates[] = {0, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600};
    return code >= 1 && code <= 8 ? rates[code] : 0;
}

int ModuleEmulator::CodeOfRate(int rate)
{
    for (int c = 1; c <= 8; ++c)
        if (RateOfCode(c) == rate)
            return c;
    return 0;
}

ModuleEmulator::ModuleEmulator() : ModuleEmulator(Options()) {}

ModuleEmulator::ModuleEmulator(const Options& options) : d(new Impl)
{
    d->q = this;
    d->o = options;
    if (!RateOfCode(d->o.baud))
        d->o.baud = 5;
    if (d->o.parity < 0 || d->o.parity > 2)
        d->o.parity = 0;
    d->rng = options.seed;
    if (options.farEcho) {
        Options farOptions = d->o;
        farOptions.farEcho = false;
        farOptions.echo = true;
        farOptions.mute = false;
        farOptions.seed = options.seed ^ 0x5A5A5A5AULL;
        d->far.reset(new ModuleEmulator(farOptions));
        d->farLink.reset(new AirLink(this, d->far.get()));
    }
}

ModuleEmulator::~ModuleEmulator()
{
    d->farLink.reset();
}

void ModuleEmulator::advance(qint64 nowMs)
{
    if (d->link)
        d->link->advance(nowMs);
    else
        d->advanceSelf(double(nowMs));
}

void ModuleEmulator::receiveFromPc(const QByteArray& bytes, const SerialLine& pcLine, qint64 nowMs)
{
    advance(nowMs);
    if (bytes.isEmpty())
        return;
    const SerialLine own = serialSettings();
    if (pcLine != own) {
        // Wrong baud rate or framing: the module sees only garbage, and loses what it gathered.
        d->log(nowMs, QStringLiteral("%1 bytes at %2 %3%4%5 not understood (module at %6 %7%8%9)")
                          .arg(bytes.size()).arg(pcLine.baud).arg(pcLine.dataBits).arg(pcLine.parity).arg(pcLine.stopBits)
                          .arg(own.baud).arg(own.dataBits).arg(own.parity).arg(own.stopBits));
        d->inBuf.clear();
        return;
    }
    d->appendInput(bytes, double(nowMs));
    wakeOwners();
}

int ModuleEmulator::bytesReadyForPc(qint64 nowMs)
{
    advance(nowMs);
    const auto it = std::upper_bound(d->outReady.cbegin(), d->outReady.cend(), double(nowMs));
    return int(it - d->outReady.cbegin());
}

QByteArray ModuleEmulator::takeForPc(qint64 nowMs, int maxBytes)
{
    int n = bytesReadyForPc(nowMs);
    if (maxBytes >= 0)
        n = std::min(n, maxBytes);
    const QByteArray out = d->outBytes.left(n);
    d->outBytes.remove(0, n);
    d->outReady.remove(0, n);
    return out;
}

qint64 ModuleEmulator::nextEventMs() const
{
    double t = kNever;
    if (!d->outReady.isEmpty())
        t = d->outReady.first();
    if (d->switchPending)
        t = std::min(t, d->switchAt);
    if (!d->inBuf.isEmpty())
        t = std::min(t, d->inLast + d->gapMs());
    if (!d->scheduled.isEmpty())
        t = std::min(t, d->scheduled.first().at);
    if (d->far) {
        const qint64 f = d->far->nextEventMs();
        if (f >= 0)
            t = std::min(t, double(f));
    }
    return t == kNever ? -1 : qint64(std::ceil(t));
}

qint64 ModuleEmulator::nextEventAfterMs(qint64 nowMs) const
{
    const double now = double(nowMs);
    double t = kNever;
    auto own = [&](const Impl& m) {
        const auto next = std::upper_bound(m.outReady.cbegin(), m.outReady.cend(), now);
        if (next != m.outReady.cend())
            t = std::min(t, *next);
        if (m.switchPending)
            t = std::min(t, m.switchAt);
        if (!m.inBuf.isEmpty())
            t = std::min(t, m.inLast + m.gapMs());
        if (!m.scheduled.isEmpty())
            t = std::min(t, m.scheduled.first().at);
    };
    own(*d);
    if (d->far) {
        const qint64 f = d->far->nextEventAfterMs(nowMs);
        if (f >= 0)
            t = std::min(t, double(f));
    }
    if (d->link) {
        const ModuleEmulator* peer = d->link->m_a == this ? d->link->m_b : d->link->m_a;
        if (peer != d->far.get())
            own(*peer->d);
    }
    return t == kNever ? -1 : qint64(std::ceil(t));
}

void ModuleEmulator::setWakeCallback(std::function<void()> wake) { d->wake = std::move(wake); }

void ModuleEmulator::wakeOwners()
{
    if (d->wake)
        d->wake();
    if (d->link) {
        ModuleEmulator* peer = d->link->m_a == this ? d->link->m_b : d->link->m_a;
        if (peer->d->wake)
            peer->d->wake();
    }
}

SerialLine ModuleEmulator::serialSettings() const
{
    SerialLine s;
    s.baud = RateOfCode(d->o.baud);
    s.parity = parityChar(d->o.parity);
    s.dataBits = 8;
    s.stopBits = 1;
    return s;
}

ModuleEmulator::Options& ModuleEmulator::options() { return d->o; }
const ModuleEmulator::Options& ModuleEmulator::options() const { return d->o; }

void ModuleEmulator::setAirSink(std::function<void(const AirFrame&)> sink) { d->sink = std::move(sink); }

void ModuleEmulator::receiveFromAir(const AirFrame& frame)
{
    if (frame.channel != d->o.channel || frame.airRateCode != d->o.airRate) {
        ++d->stats.unheard;
        d->log(frame.arrivalMs, QStringLiteral("air in (%1 bytes) unheard: channel %2 rate %3")
                                    .arg(frame.bytes.size()).arg(frame.channel).arg(frame.airRateCode));
        return;
    }
    ++d->stats.delivered;
    wakeOwners();
    d->log(frame.arrivalMs, QStringLiteral("air in (%1 bytes): %2").arg(frame.bytes.size()).arg(hex(frame.bytes)));
    if (d->o.echo) {
        // The PC side reads the whole block, pauses, and writes it back.
        const double at = frame.arrivalMs + frame.bytes.size() * d->charMs() + d->o.echoTurnMs;
        auto it = std::upper_bound(d->scheduled.begin(), d->scheduled.end(), at,
                                   [](double v, const Impl::Scheduled& s) { return v < s.at; });
        d->scheduled.insert(it, {at, frame.bytes});
        return;
    }
    if (d->o.mute)
        return;
    d->queueToPc(frame.bytes, double(frame.arrivalMs));
}

AirStats ModuleEmulator::airStats() const { return d->stats; }

void ModuleEmulator::resetAirStats()
{
    d->stats = AirStats();
    d->rng = d->o.seed;
}

QVector<ModuleEmulator::Event> ModuleEmulator::takeEvents()
{
    QVector<Event> e;
    e.swap(d->events);
    if (d->far) {
        for (const Event& fe : d->far->takeEvents())
            e.append({fe.timeMs, QStringLiteral("[far] ") + fe.text});
        std::stable_sort(e.begin(), e.end(), [](const Event& a, const Event& b) { return a.timeMs < b.timeMs; });
    }
    return e;
}

AirLink::AirLink(ModuleEmulator* a, ModuleEmulator* b) : m_a(a), m_b(b)
{
    a->d->link = this;
    b->d->link = this;
    a->setAirSink([b](const AirFrame& f) { b->receiveFromAir(f); });
    b->setAirSink([a](const AirFrame& f) { a->receiveFromAir(f); });
}

AirLink::~AirLink()
{
    m_a->d->link = nullptr;
    m_b->d->link = nullptr;
    m_a->setAirSink(nullptr);
    m_b->setAirSink(nullptr);
}

void AirLink::advance(qint64 nowMs)
{
    if (m_busy)
        return;
    m_busy = true;
    // Echoes may bounce a block back and forth within one step; repeat until both are due.
    for (int round = 0; round < 16; ++round) {
        const AirStats before = stats();
        m_a->d->advanceSelf(double(nowMs));
        m_b->d->advanceSelf(double(nowMs));
        const AirStats after = stats();
        if (after.sent == before.sent && after.delivered == before.delivered && after.unheard == before.unheard)
            break;
    }
    m_busy = false;
}

AirStats AirLink::stats() const
{
    AirStats s = m_a->airStats();
    s += m_b->airStats();
    return s;
}
