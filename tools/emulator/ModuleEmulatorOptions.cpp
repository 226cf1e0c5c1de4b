// The settings text of the emulator: comma-separated key=value items and bare flags.
#include "tools/emulator/ModuleEmulator.h"

#include <QStringList>

namespace {

bool toInt(const QString& v, int lo, int hi, int* out)
{
    bool ok = false;
    const qlonglong n = v.trimmed().toLongLong(&ok, 0); // 0x.. hex, plain decimal
    if (!ok || n < lo || n > hi)
        return false;
    *out = int(n);
    return true;
}

bool toRate(const QString& v, double* out)
{
    bool ok = false;
    const double r = v.trimmed().toDouble(&ok);
    if (!ok || !(r >= 0.0 && r <= 1.0))
        return false;
    *out = r;
    return true;
}

bool toFlag(const QString& v, bool hasValue, bool* out)
{
    if (!hasValue) {
        *out = true;
        return true;
    }
    const QString s = v.trimmed().toLower();
    if (s == "1" || s == "yes" || s == "on" || s == "true") {
        *out = true;
        return true;
    }
    if (s == "0" || s == "no" || s == "off" || s == "false") {
        *out = false;
        return true;
    }
    return false;
}

// A rate in bit/s (600..57600) or directly a module code 1..8.
bool toRateCode(const QString& v, int* out)
{
    int n = 0;
    if (!toInt(v, 1, 1000000, &n))
        return false;
    const int code = n <= 8 ? n : ModuleEmulator::CodeOfRate(n);
    if (code == 0)
        return false;
    *out = code;
    return true;
}

} // namespace

bool ModuleEmulator::ParseOptions(const QString& text, Options* out, QString* error)
{
    Options o = out ? *out : Options();
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QStringList items = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& raw : items) {
        const QString item = raw.trimmed();
        if (item.isEmpty())
            continue;
        const int eq = item.indexOf(QLatin1Char('='));
        const QString key = (eq < 0 ? item : item.left(eq)).trimmed().toLower();
        const QString value = eq < 0 ? QString() : item.mid(eq + 1).trimmed();
        const bool hasValue = eq >= 0;
        auto bad = [&](const QString& expected) {
            return fail(QStringLiteral("bad value '%1' for '%2' (expected %3)").arg(value, key, expected));
        };
        auto needValue = [&]() { return hasValue && !value.isEmpty(); };
        auto intKey = [&](int lo, int hi, int* field) {
            if (!needValue() || !toInt(value, lo, hi, field))
                return bad(QStringLiteral("a number from %1 to %2").arg(lo).arg(hi));
            return true;
        };
        auto flagKey = [&](bool* field) {
            if (!toFlag(value, hasValue, field))
                return bad(QStringLiteral("nothing, 1 or 0"));
            return true;
        };
        auto rateKey = [&](double* field) {
            if (!needValue() || !toRate(value, field))
                return bad(QStringLiteral("a rate from 0 to 1"));
            return true;
        };
        bool ok = true;
        if (key == "model") {
            // The module model code is two hex digits, e.g. 35 for the 525.
            bool okHex = false;
            QString v = value;
            if (v.startsWith("0x", Qt::CaseInsensitive))
                v = v.mid(2);
            const int m = v.toInt(&okHex, 16);
            if (!needValue() || !okHex || v.size() > 2 || m < 0)
                return bad(QStringLiteral("two hex digits such as 35"));
            o.model = m;
        } else if (key == "family") {
            ok = intKey(0, 255, &o.family);
        } else if (key == "version") {
            ok = intKey(0, 255, &o.version);
        } else if (key == "band") {
            int n = 0;
            if (!needValue() || !toInt(value, 0, 100000, &n))
                return bad(QStringLiteral("230, 433, 490, 868, 915, 2400 or a code 1..6"));
            static const int mhz[] = {0, 230, 433, 490, 868, 915, 2400};
            int code = 0;
            for (int c = 1; c <= 6; ++c)
                if (n == mhz[c] || n == c)
                    code = c;
            if (code == 0)
                return bad(QStringLiteral("230, 433, 490, 868, 915, 2400 or a code 1..6"));
            o.band = code;
        } else if (key == "baud") {
            if (!needValue() || !toRateCode(value, &o.baud))
                return bad(QStringLiteral("600, 1200, 2400, 4800, 9600, 19200, 38400, 57600 or a code 1..8"));
        } else if (key == "air") {
            if (!needValue() || !toRateCode(value, &o.airRate))
                return bad(QStringLiteral("600, 1200, 2400, 4800, 9600, 19200, 38400, 57600 or a code 1..8"));
        } else if (key == "parity") {
            const QString v = value.toLower();
            if (v == "none" || v == "n" || v == "0")
                o.parity = 0;
            else if (v == "even" || v == "e" || v == "1")
                o.parity = 1;
            else if (v == "odd" || v == "o" || v == "2")
                o.parity = 2;
            else
                return bad(QStringLiteral("none, even or odd"));
        } else if (key == "channel") {
            ok = intKey(1, 255, &o.channel);
        } else if (key == "id") {
            ok = intKey(0, 65535, &o.radioId);
        } else if (key == "rssi") {
            ok = intKey(0, 255, &o.rssi);
        } else if (key == "in1") {
            ok = intKey(0, 1, &o.in1);
        } else if (key == "in2") {
            ok = intKey(0, 1, &o.in2);
        } else if (key == "out1") {
            ok = intKey(0, 1, &o.out1);
        } else if (key == "out2") {
            ok = intKey(0, 1, &o.out2);
        } else if (key == "protocol") {
            ok = intKey(0, 1, &o.airProtocol);
        } else if (key == "mode") {
            ok = intKey(0, 3, &o.powerMode);
        } else if (key == "listen") {
            ok = intKey(0, 65535, &o.listenMs);
        } else if (key == "sleep") {
            ok = intKey(0, 65535, &o.sleepMs);
        } else if (key == "power") {
            const QString v = value.toLower();
            if (v == "1w" || v == "0")
                o.txPower = 0;
            else if (v == "2w" || v == "1")
                o.txPower = 1;
            else
                return bad(QStringLiteral("1W or 2W"));
        } else if (key == "level") {
            ok = intKey(0, 15, &o.powerLevel);
        } else if (key == "cap") {
            ok = intKey(0, 127, &o.capacitance);
        } else if (key == "year") {
            int y = 0;
            if (!needValue() || !toInt(value, 0, 2099, &y) || (y > 99 && y < 2000))
                return bad(QStringLiteral("2000..2099 or 0..99"));
            o.snYear = y % 100;
        } else if (key == "month") {
            ok = intKey(1, 12, &o.snMonth);
        } else if (key == "seq") {
            ok = intKey(0, 65535, &o.snSequence);
        } else if (key == "txtest") {
            ok = flagKey(&o.txTest);
        } else if (key == "short-answers") {
            ok = flagKey(&o.shortAnswers);
        } else if (key == "badsum") {
            ok = flagKey(&o.badChecksum);
        } else if (key == "mute") {
            ok = flagKey(&o.mute);
        } else if (key == "ignore-writes") {
            ok = flagKey(&o.ignoreWrites);
        } else if (key == "echo") {
            ok = flagKey(&o.echo);
        } else if (key == "far-echo") {
            ok = flagKey(&o.farEcho);
        } else if (key == "split") {
            ok = intKey(0, 60000, &o.splitMs);
        } else if (key == "late") {
            ok = intKey(0, 60000, &o.lateMs);
        } else if (key == "delay") {
            ok = intKey(0, 60000, &o.processingMs);
        } else if (key == "echo-turn") {
            ok = intKey(0, 60000, &o.echoTurnMs);
        } else if (key == "drop") {
            ok = rateKey(&o.dropRate);
        } else if (key == "truncate") {
            ok = rateKey(&o.truncateRate);
        } else if (key == "truncate-bytes") {
            ok = intKey(1, 65535, &o.truncateBytes);
        } else if (key == "truncate-at") {
            const QString v = value.toLower();
            if (v == "start")
                o.truncateAt = 'S';
            else if (v == "end")
                o.truncateAt = 'E';
            else if (v == "random" || v == "either")
                o.truncateAt = 'R';
            else
                return bad(QStringLiteral("start, end or random"));
        } else if (key == "corrupt") {
            ok = rateKey(&o.corruptRate);
        } else if (key == "seed") {
            bool okSeed = false;
            const qulonglong s = value.toULongLong(&okSeed, 0);
            if (!needValue() || !okSeed)
                return bad(QStringLiteral("a number"));
            o.seed = s;
        } else {
            return fail(QStringLiteral("unknown setting '%1'").arg(key));
        }
        if (!ok)
            return false;
    }
    if (out)
        *out = o;
    if (error)
        error->clear();
    return true;
}
