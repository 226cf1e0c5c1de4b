#include "ModuleReport.h"

#include "core/model/Catalogue.h"
#include "core/model/ChannelPlans.h"

QString UnknownModel(const ModuleReadings& r, const Edition& e)
{
    if (Catalogue::Row(r.identity.modelRow))
        return QString();
    QStringList told;
    const QString family = Catalogue::FamilyLabel(r.identity.familyCode, e.prefixStyle);
    if (!family.isEmpty())
        told << QStringLiteral("family ") + family;
    else if (r.identity.familyCode >= 0)
        told << QStringLiteral("family code %1").arg(QString::number(r.identity.familyCode, 16).toUpper().rightJustified(2, QLatin1Char('0')));
    if (!r.identity.firmware.isEmpty())
        told << QStringLiteral("firmware ") + r.identity.firmware.left(1) + QLatin1Char('.') + r.identity.firmware.mid(1);
    if (!Catalogue::BaseFrequencyText(r.identity.band).isEmpty())
        told << QStringLiteral("band ") + Catalogue::BaseFrequencyText(r.identity.band);
    told << (r.hasSerialNumber ? QStringLiteral("model code ") + r.serialNumber.modelCode
                               : QStringLiteral("no serial number read"));
    return QStringLiteral("the module's model is not known (%1); --any-model writes to it unchecked")
        .arg(told.join(QStringLiteral(", ")));
}

Profile ProfileOf(const ModuleReadings& r)
{
    Profile p;
    p.modelRow = r.identity.modelRow;
    p.base = Catalogue::BaseFrequencyText(r.identity.band);
    p.channel = r.params.channel;
    p.airRate = r.params.airRate;
    p.serialBaud = r.params.serial.baud;
    p.serialParity = r.params.serial.parity;
    p.protocol = r.params.protocol;
    p.powerMode = r.params.powerMode;
    p.radioId = r.params.radioId;
    return p;
}

ModuleReadings ReadBack(const ModuleReadings& found, const ModuleReadings& read)
{
    ModuleReadings r = found;
    r.params = read.params;
    if (read.hasSerialNumber) {
        r.serialNumber = read.serialNumber;
        r.hasSerialNumber = true;
        r.identity.modelRow = read.identity.modelRow;
    }
    return r;
}

QString Frequency(const ModuleReadings& r, const Edition& e)
{
    const int row = r.identity.modelRow;
    const int channel = r.params.channel;
    if (!Catalogue::Row(row) || channel < 1 || channel > ChannelPlans::kSlots)
        return QString();
    const ChannelPlans::Plan plan = ChannelPlans::Build(Catalogue::RowText(row, e.prefixStyle),
                                                        Catalogue::BaseFrequencyText(r.identity.band), e.keyword, row, false);
    return plan[channel - 1];
}

namespace {

QString Firmware(const QString& byte)
{
    return byte.size() == 2 ? byte.left(1) + QLatin1Char('.') + byte.mid(1) : byte;
}

QString Pad(int value, int width)
{
    return value < 0 ? QString() : QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

} // namespace

QJsonObject ModuleJson(const ModuleReadings& r, const LineSettings& line, const Edition& e)
{
    QJsonObject o;
    o.insert(QStringLiteral("baud"), line.baud);
    o.insert(QStringLiteral("parity"), ParityName(ParityOfChar(line.parity)));
    auto text = [&](const char* key, const QString& value) {
        o.insert(QLatin1String(key), value.isEmpty() ? QJsonValue() : QJsonValue(value));
    };
    auto number = [&](const char* key, int value) {
        o.insert(QLatin1String(key), value < 0 ? QJsonValue() : QJsonValue(value));
    };
    text("family", Catalogue::FamilyLabel(r.identity.familyCode, e.prefixStyle));
    text("firmware", Firmware(r.identity.firmware));
    text("band", Catalogue::BaseFrequencyText(r.identity.band));
    text("model", Catalogue::RowText(r.identity.modelRow, e.prefixStyle));
    const AllParameters& p = r.params;
    number("channel", p.channel);
    text("frequency", Frequency(r, e));
    number("air_rate", p.airRate > 0 ? p.airRate : -1);
    number("serial_baud", p.serial.baud > 0 ? p.serial.baud : -1);
    text("serial_parity", p.serial.parity == Parity::Unknown ? QString() : ParityName(p.serial.parity));
    text("protocol", Profiles::ProtocolName(p.protocol));
    text("power_save", Profiles::PowerModeName(p.powerMode));
    number("radio_id", p.radioId);
    number("rssi", p.rssi);
    text("serial_number", r.hasSerialNumber ? Pad(r.serialNumber.sequence, 5) : QString());
    text("sn_year", r.hasSerialNumber ? Pad(r.serialNumber.year, 4) : QString());
    text("sn_month", r.hasSerialNumber ? Pad(r.serialNumber.month, 2) : QString());
    if (p.io.radioId >= 0) {
        number("input1", p.io.input1);
        number("input2", p.io.input2);
    }
    return o;
}

QStringList ModuleText(const ModuleReadings& r, const LineSettings& line, const Edition& e)
{
    const QJsonObject o = ModuleJson(r, line, e);
    static const char* const kOrder[] = {"baud",       "parity",   "family",   "firmware",      "band",
                                         "model",      "channel",  "frequency", "air_rate",     "serial_baud",
                                         "serial_parity", "protocol", "power_save", "radio_id", "rssi",
                                         "serial_number", "sn_year", "sn_month", "input1",       "input2"};
    QStringList lines;
    for (const char* key : kOrder) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isNull() || v.isUndefined())
            continue;
        lines << QStringLiteral("%1: %2").arg(QLatin1String(key), v.isDouble() ? QString::number(v.toInt()) : v.toString());
    }
    return lines;
}

QJsonObject ProfileJson(const Profile& p, const Edition& e)
{
    QJsonObject o;
    if (p.modelRow >= 0)
        o.insert(QStringLiteral("model"), Catalogue::RowText(p.modelRow, e.prefixStyle));
    if (!p.base.isEmpty())
        o.insert(QStringLiteral("band"), p.base);
    if (p.channel >= 0)
        o.insert(QStringLiteral("channel"), p.channel);
    if (p.airRate > 0)
        o.insert(QStringLiteral("air_rate"), p.airRate);
    if (p.serialBaud > 0)
        o.insert(QStringLiteral("serial_baud"), p.serialBaud);
    if (p.serialParity != Parity::Unknown)
        o.insert(QStringLiteral("serial_parity"), ParityName(p.serialParity));
    if (p.protocol >= 0)
        o.insert(QStringLiteral("protocol"), Profiles::ProtocolName(p.protocol));
    if (p.powerMode >= 0)
        o.insert(QStringLiteral("power_save"), Profiles::PowerModeName(p.powerMode));
    if (p.radioId >= 0)
        o.insert(QStringLiteral("radio_id"), p.radioId);
    if (p.power >= 0)
        o.insert(QStringLiteral("power"), Profiles::PowerName(p.power));
    if (p.powerLevel >= 0)
        o.insert(QStringLiteral("power_level"), p.powerLevel);
    return o;
}

QString DescribeJob(const JobResult& r)
{
    const QString how = QLatin1String(OutcomeName(r.transaction));
    // Between steps (a pause) no command is awaited.
    return r.command == Command::None ? how : QStringLiteral("%1: %2").arg(Commands::Name(r.command), how);
}
