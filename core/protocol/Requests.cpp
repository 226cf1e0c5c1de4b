#include "Requests.h"

#include "Frames.h"
#include "Payloads.h"

namespace Requests {

namespace {

const QString kAddress = QStringLiteral("0000");
const QString kNoPayload = QStringLiteral("0000");
const QString kNoShortPayload = QStringLiteral("00");
const QString kIdFrameType = QStringLiteral("A6");

CommandRequest Long(Command command, const QString& payload)
{
    return {command, Frames::BuildLongFrame(kAddress, Commands::RequestCode(command), payload)};
}

CommandRequest Either(bool shortFrames, Command command, const QString& longPayload, const QString& shortPayload)
{
    return {command, Frames::BuildCommandFrame(shortFrames, Commands::RequestCode(command), longPayload,
                                               Commands::ShortCode(command), shortPayload)};
}

CommandRequest Id(Command command, int targetId, const QString& payload)
{
    return {command, Frames::BuildIdFrame(Payloads::RadioId(targetId), kIdFrameType, Commands::RequestCode(command),
                                          payload)};
}

} // namespace

CommandRequest Search(bool s)
{
    CommandRequest r = Either(s, Command::Search, kNoPayload, kNoShortPayload);
    r.recorded = false;
    return r;
}

CommandRequest ReadChannel(bool s) { return Either(s, Command::ChannelRead, kNoPayload, kNoShortPayload); }

CommandRequest WriteChannel(bool s, int channel)
{
    const QString c = Frames::Hex2(channel);
    return Either(s, Command::ChannelWrite, c + QStringLiteral("00"), c);
}

CommandRequest ReadAirRate(bool s) { return Either(s, Command::AirRateRead, kNoPayload, kNoShortPayload); }

CommandRequest WriteAirRate(bool s, int rate)
{
    const QString r = Frames::Hex2(CodeOfRate(rate));
    return Either(s, Command::AirRateWrite, r + QStringLiteral("00"), r);
}

CommandRequest ReadSerial(bool s) { return Either(s, Command::SerialRead, kNoPayload, kNoShortPayload); }

CommandRequest WriteSerial(bool s, const SerialSettings& wanted)
{
    const QString baud = Frames::Hex2(CodeOfRate(wanted.baud));
    return Either(s, Command::SerialWrite, baud + Frames::Hex2(ParityCode(wanted.parity)), baud);
}

CommandRequest ReadProtocol() { return Long(Command::ProtocolRead, kNoPayload); }
CommandRequest WriteProtocol(int protocol) { return Long(Command::ProtocolWrite, Payloads::RowAndZero(protocol)); }
CommandRequest ReadPowerMode() { return Long(Command::PowerModeRead, kNoPayload); }
CommandRequest WritePowerMode(int mode) { return Long(Command::PowerModeWrite, Payloads::RowAndZero(mode)); }
CommandRequest WakeUp() { return Long(Command::WakeUp, kNoPayload); }

CommandRequest WriteDutyCycle(const DutyCycle& duty)
{
    return Long(Command::DutyCycleWrite, Frames::Hex4(duty.listenMs) + Frames::Hex4(duty.sleepS * 1000));
}

CommandRequest ReadAll() { return Long(Command::ReadAll, kNoPayload); }

CommandRequest WriteAll(int channel, int airRate, const SerialSettings& serial)
{
    return Long(Command::WriteAll, Frames::Hex2(channel) + Frames::Hex2(CodeOfRate(airRate))
                                       + Frames::Hex2(CodeOfRate(serial.baud)) + Frames::Hex2(ParityCode(serial.parity)));
}

CommandRequest ReadSerialNumber() { return Long(Command::SerialNumberRead, kNoPayload); }

CommandRequest WriteSerialNumber(const SerialNumber& n)
{
    return Long(Command::SerialNumberWrite,
                n.modelCode + Frames::Hex2(n.year % 100) + Frames::Hex2(n.month) + Frames::Hex4(n.sequence));
}

CommandRequest ReadRadioId() { return Long(Command::RadioIdRead, kNoPayload); }
CommandRequest WriteRadioId(int id) { return Long(Command::RadioIdWrite, Payloads::RadioId(id)); }
CommandRequest WritePower(int row) { return Long(Command::PowerWrite, Payloads::RowAndZero(row)); }
CommandRequest ReadRssi(bool s) { return Either(s, Command::RssiRead, kNoPayload, kNoShortPayload); }

CommandRequest WriteLevel(bool s, int level)
{
    return Either(s, Command::LevelWrite, Payloads::LevelLong(level), Payloads::LevelShort(level));
}

CommandRequest WriteCapacitance(int value) { return Long(Command::Capacitance, Payloads::Capacitance(value)); }
CommandRequest ReadIo(int targetId) { return Id(Command::IoRead, targetId, kNoPayload); }

CommandRequest WriteIo(int targetId, int output, int level)
{
    return Id(Command::IoWrite, targetId, Payloads::IoOutput(output, level));
}

CommandRequest StartTransmitTest(bool s) { return Either(s, Command::TestStart, kNoPayload, kNoShortPayload); }
CommandRequest EndTransmitTest(bool s) { return Either(s, Command::TestEnd, kNoPayload, kNoShortPayload); }

CommandRequest StartTransmitTestAfterSearch()
{
    CommandRequest r = Long(Command::TestStart, kNoPayload);
    r.recorded = false;
    return r;
}

} // namespace Requests
