// The request frames of every command, as values a session sends: what is asked and the
// bytes that ask it. Commands that have a short frame go short in the short-frame edition.
#pragma once

#include "Command.h"

#include "core/model/Values.h"

#include <QByteArray>

struct CommandRequest {
    Command command = Command::None;
    QByteArray frame;
    // Whether answers are matched against it from now on; the search request and the
    // transmit-test start that follows a search leave the previous command in place.
    bool recorded = true;
};

namespace Requests {

CommandRequest Search(bool shortFrames);
CommandRequest ReadChannel(bool shortFrames);
CommandRequest WriteChannel(bool shortFrames, int channel);
CommandRequest ReadAirRate(bool shortFrames);
CommandRequest WriteAirRate(bool shortFrames, int rate);
CommandRequest ReadSerial(bool shortFrames);
// The short frame has no room for the parity; the module then runs without one.
CommandRequest WriteSerial(bool shortFrames, const SerialSettings& wanted);
CommandRequest ReadProtocol();
CommandRequest WriteProtocol(int protocol);
CommandRequest ReadPowerMode();
CommandRequest WritePowerMode(int mode);
CommandRequest WakeUp();
CommandRequest WriteDutyCycle(const DutyCycle& duty);
CommandRequest ReadAll();
CommandRequest WriteAll(int channel, int airRate, const SerialSettings& serial);
CommandRequest ReadSerialNumber();
CommandRequest WriteSerialNumber(const SerialNumber& number);
CommandRequest ReadRadioId();
CommandRequest WriteRadioId(int id);
CommandRequest WritePower(int row);
CommandRequest ReadRssi(bool shortFrames);
CommandRequest WriteLevel(bool shortFrames, int level);
CommandRequest WriteCapacitance(int value);
CommandRequest ReadIo(int targetId);
CommandRequest WriteIo(int targetId, int output, int level);
CommandRequest StartTransmitTest(bool shortFrames);
CommandRequest EndTransmitTest(bool shortFrames);
// The start sent once a search found the module: always long, and not recorded.
CommandRequest StartTransmitTestAfterSearch();

} // namespace Requests
