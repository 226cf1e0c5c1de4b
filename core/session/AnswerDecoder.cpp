#include "AnswerDecoder.h"

#include "core/model/Catalogue.h"
#include "core/protocol/Answers.h"

namespace {

// An input level byte: 0 low, 1 high, -1 for anything else.
int InputLevel(const QString& byteText)
{
    if (byteText == QLatin1String("00"))
        return 0;
    if (byteText == QLatin1String("01"))
        return 1;
    return -1;
}

} // namespace

void AnswerDecoder::noteIdentity(const Identity& identity)
{
    m_readings.identity.familyCode = identity.familyCode;
    m_readings.identity.firmware = identity.firmware;
    m_readings.identity.band = identity.band;
    m_readings.identified = true;
}

std::optional<SerialSettings> AnswerDecoder::decode(Command command, const QString& a, bool isShort, bool afterIdentify)
{
    std::optional<SerialSettings> follow;
    auto byte = [&](int k) { return Answers::PayloadByte(a, k, isShort); };
    auto serialAt = [&](int baudByte, bool parityPresent) {
        const int baud = byte(baudByte);
        // The short serial answers carry no parity: the module then runs without one.
        const int parity = parityPresent ? byte(baudByte + 1) : 0;
        const SerialSettings s{RateOfCode(baud), ParityOfCode(parity)};
        const bool complete = baud >= 0 && parity >= 0;
        if (command == Command::SerialRead && complete)
            m_readings.params.serial = s;
        emit serialSettingsAnswered(command, s, complete);
        if (complete)
            follow = s;
    };

    switch (command) {
    case Command::SerialWrite:
    case Command::SerialRead:
        serialAt(1, !isShort);
        break;
    case Command::WriteAll:
        serialAt(3, true);
        break;
    case Command::AirRateRead:
        m_readings.params.airRate = RateOfCode(byte(1));
        emit airRateRead(RateOfCode(byte(1)));
        break;
    case Command::ChannelRead:
        m_readings.params.channel = byte(1);
        emit channelRead(byte(1));
        break;
    case Command::ProtocolRead:
        m_readings.params.protocol = byte(1);
        emit protocolRead(byte(1));
        break;
    case Command::PowerModeRead:
        m_readings.params.powerMode = byte(1);
        emit powerModeRead(byte(1));
        break;
    case Command::SerialNumberWrite:
        emit serialNumberWritten();
        break;
    case Command::SerialNumberRead: {
        SerialNumber n;
        n.modelCode = Answers::PayloadByteText(a, 1, isShort);
        const int year = byte(2);
        n.year = year >= 0 ? 2000 + year : -1;
        n.month = byte(3);
        const int high = byte(4);
        const int low = byte(5);
        n.sequence = high >= 0 && low >= 0 ? high * 256 + low : -1;
        m_readings.serialNumber = n;
        m_readings.hasSerialNumber = true;
        m_readings.identity.modelRow = Catalogue::ModelCodeToRow(n.modelCode);
        m_readings.params.serialNumber = n;
        emit serialNumberRead(n, afterIdentify);
        break;
    }
    case Command::RadioIdRead: {
        const int high = byte(1);
        const int low = byte(2);
        if (high >= 0 && low >= 0) {
            m_readings.params.radioId = high * 256 + low;
            emit radioIdRead(high * 256 + low);
        }
        break;
    }
    case Command::RssiRead:
        if (byte(1) >= 0) {
            m_readings.params.rssi = byte(1);
            emit rssiRead(byte(1));
        }
        break;
    case Command::ReadAll: {
        AllParameters p;
        p.channel = byte(1);
        p.airRate = RateOfCode(byte(2));
        const int baud = byte(3);
        const int parity = byte(4);
        p.serial = SerialSettings{RateOfCode(baud), ParityOfCode(parity)};
        const bool complete = baud >= 0 && parity >= 0;
        m_readings.params.channel = p.channel;
        m_readings.params.airRate = p.airRate;
        if (complete)
            m_readings.params.serial = p.serial;
        emit allParametersRead(p, complete);
        if (complete)
            follow = p.serial;
        break;
    }
    case Command::IoWrite: {
        // A truncated answer says nothing about the output.
        const QString level = Answers::PayloadByteText(a, 2, false);
        if (!level.isEmpty())
            emit ioWritten(byte(1), level == QLatin1String("01"));
        break;
    }
    case Command::IoRead: {
        IoState s;
        s.radioId = Answers::IdField(a);
        s.input1 = InputLevel(Answers::PayloadByteText(a, 1, false));
        s.input2 = InputLevel(Answers::PayloadByteText(a, 2, false));
        m_readings.params.io = s;
        emit ioRead(s);
        break;
    }
    default:
        break; // the acknowledgement is all there is
    }
    return follow;
}
