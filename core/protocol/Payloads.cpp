#include "Payloads.h"

#include "Frames.h"

namespace Payloads {

int DecimalInRange(const QString& text, int min, int max)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return -1;
    for (QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
    bool ok = false;
    const qulonglong v = t.toULongLong(&ok); // fails for more digits than a number holds
    if (!ok || v < qulonglong(qMax(0, min)) || v > qulonglong(max))
        return -1;
    return int(v);
}

DutyCycleCheck DutyCyclePayload(const QString& listenMs, const QString& sleepS)
{
    DutyCycleCheck r;
    if (listenMs.isEmpty() || sleepS.isEmpty()) {
        r.check = DutyCheck::Empty;
        return r;
    }
    const int listen = DecimalInRange(listenMs, 1, 65535);
    if (listen < 0) {
        r.check = DutyCheck::ListenOutOfRange;
        return r;
    }
    const int sleep = DecimalInRange(sleepS, 1, 65);
    if (sleep < 0) {
        r.check = DutyCheck::SleepOutOfRange;
        return r;
    }
    r.check = DutyCheck::Ok;
    r.value = ::DutyCycle{listen, sleep};
    r.payload = Frames::Hex4(listen) + Frames::Hex4(sleep * 1000);
    return r;
}

QString RowAndZero(int row)
{
    return Frames::Hex2(row) + QStringLiteral("00");
}

QString LevelLong(int level)
{
    return RowAndZero(level);
}

QString LevelShort(int level)
{
    return Frames::Hex2(level);
}

QString Capacitance(int value)
{
    if (value < 0 || value > kCapacitanceMax)
        return QString();
    return RowAndZero(value);
}

QString RadioId(int id)
{
    if (id < 0 || id > kRadioIdMax)
        return QString();
    return Frames::Hex4(id);
}

QString IoOutput(int output, int level)
{
    if ((output != 1 && output != 2) || (level != 0 && level != 1))
        return QString();
    return Frames::Hex2(output) + Frames::Hex2(level);
}

} // namespace Payloads
