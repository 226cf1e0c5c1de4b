// Payloads of the parameter commands as pure functions of the operator's choices, so that
// what goes on the wire can be checked without a window or a port. Every payload is
// upper-case hex text, two characters per byte, multi-byte numbers high byte first.
#pragma once

#include "core/model/Values.h"

#include <QString>

namespace Payloads {

// Decimal value of a typed field when it lies within [min, max]; -1 otherwise (empty text,
// not a number, or too many digits for one).
int DecimalInRange(const QString& text, int min, int max);

// The air wake-up duty cycle: listen time in ms (1..65535), sleep time in s (1..65).
enum class DutyCheck { Ok, Empty, ListenOutOfRange, SleepOutOfRange };
struct DutyCycleCheck {
    DutyCheck check = DutyCheck::Empty;
    ::DutyCycle value; // set when check is Ok
    QString payload;   // listen ms, sleep ms; empty unless check is Ok
};
DutyCycleCheck DutyCyclePayload(const QString& listenMs, const QString& sleepS);

// A one-byte value followed by 00 (air protocol, power-saving mode, 1 W/2 W power, level long).
QString RowAndZero(int row);
// Power level: long variant "0F00", short variant "0F".
QString LevelLong(int level);
QString LevelShort(int level);
// Capacitance value 0..127 followed by 00; empty when out of range.
QString Capacitance(int value);
constexpr int kCapacitanceMax = 127;

// Radio ID, target ID: 0..65535 as four hex digits; empty when out of range.
QString RadioId(int id);
constexpr int kRadioIdMax = 65535;

// IO output: output number (1, 2) and level (0 low, 1 high); empty when either is invalid.
QString IoOutput(int output, int level);

} // namespace Payloads
