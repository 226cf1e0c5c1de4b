#include "Steps.h"

#include "core/model/Catalogue.h"

namespace Cli {

namespace {

using Step = ModuleClient::Step;

Step Of(ModuleSession& s, Command c, LinkStatus (ModuleSession::*read)())
{
    return Step{c, [&s, read] { return (s.*read)(); }};
}

} // namespace

QList<Step> ReadSteps(ModuleClient& client)
{
    ModuleSession& s = client.session();
    QList<Step> steps{Of(s, Command::ReadAll, &ModuleSession::readAll),
                      Of(s, Command::ProtocolRead, &ModuleSession::readProtocol),
                      Of(s, Command::PowerModeRead, &ModuleSession::readPowerMode),
                      Of(s, Command::RadioIdRead, &ModuleSession::readRadioId),
                      Of(s, Command::RssiRead, &ModuleSession::readRssi)};
    const Catalogue::ModelRow* model = Catalogue::Row(client.readings.identity.modelRow);
    // The IO models answer to their radio ID, read just before.
    if (model && model->io)
        steps << Step{Command::IoRead, [&client] { return client.session().readIo(qMax(0, client.readings.params.radioId)); }};
    return steps;
}

QList<Step> WriteSteps(ModuleClient& client, const Profile& p)
{
    ModuleSession& s = client.session();
    QList<Step> steps;
    const bool wholeSerial = p.serialBaud > 0 && p.serialParity != Parity::Unknown;
    if (p.channel >= 0 && p.airRate > 0 && wholeSerial) {
        steps << Step{Command::WriteAll, [&s, p] {
            return s.writeAll(p.channel, p.airRate, SerialSettings{p.serialBaud, p.serialParity});
        }};
    } else {
        if (p.channel >= 0)
            steps << Step{Command::ChannelWrite, [&s, p] { return s.writeChannel(p.channel); }};
        if (p.airRate > 0)
            steps << Step{Command::AirRateWrite, [&s, p] { return s.writeAirRate(p.airRate); }};
        if (p.hasSerial()) {
            if (!wholeSerial)
                steps << Of(s, Command::SerialRead, &ModuleSession::readSerial);
            steps << Step{Command::SerialWrite, [&client, p] {
                const SerialSettings now = client.readings.params.serial;
                return client.session().writeSerial(SerialSettings{p.serialBaud > 0 ? p.serialBaud : now.baud,
                                                                   p.serialParity != Parity::Unknown ? p.serialParity
                                                                                                     : now.parity});
            }};
        }
    }
    if (p.protocol >= 0)
        steps << Step{Command::ProtocolWrite, [&s, p] { return s.writeProtocol(p.protocol); }};
    if (p.powerMode >= 0)
        steps << Step{Command::PowerModeWrite, [&s, p] { return s.writePowerMode(p.powerMode); }};
    if (p.radioId >= 0)
        steps << Step{Command::RadioIdWrite, [&s, p] { return s.writeRadioId(p.radioId); }};
    if (p.power >= 0)
        steps << Step{Command::PowerWrite, [&s, p] { return s.writePower(p.power); }};
    if (p.powerLevel >= 0)
        steps << Step{Command::LevelWrite, [&s, p] { return s.writeLevel(p.powerLevel); }};
    return steps;
}

QList<Step> VerifySteps(ModuleClient& client, const Profile& p)
{
    ModuleSession& s = client.session();
    // Read-all last: it is the read-back that tells a jig the module is done.
    QList<Step> steps;
    if (p.protocol >= 0)
        steps << Of(s, Command::ProtocolRead, &ModuleSession::readProtocol);
    if (p.powerMode >= 0)
        steps << Of(s, Command::PowerModeRead, &ModuleSession::readPowerMode);
    if (p.radioId >= 0)
        steps << Of(s, Command::RadioIdRead, &ModuleSession::readRadioId);
    steps << Of(s, Command::ReadAll, &ModuleSession::readAll);
    return steps;
}

QStringList Differences(const Profile& w, const Readings& r)
{
    QStringList out;
    const AllParameters& p = r.params;
    auto differs = [&](const char* what, bool wanted, const QString& is, const QString& want) {
        if (wanted && is != want)
            out << QStringLiteral("%1 is %2, wanted %3").arg(QLatin1String(what), is.isEmpty() ? QStringLiteral("unknown") : is, want);
    };
    differs("channel", w.channel >= 0, QString::number(p.channel), QString::number(w.channel));
    differs("air rate", w.airRate > 0, QString::number(p.airRate), QString::number(w.airRate));
    differs("serial baud rate", w.serialBaud > 0, QString::number(p.serial.baud), QString::number(w.serialBaud));
    differs("serial parity", w.serialParity != Parity::Unknown, ParityName(p.serial.parity), ParityName(w.serialParity));
    differs("air protocol", w.protocol >= 0, Profiles::ProtocolName(p.protocol), Profiles::ProtocolName(w.protocol));
    differs("power saving", w.powerMode >= 0, Profiles::PowerModeName(p.powerMode), Profiles::PowerModeName(w.powerMode));
    differs("radio ID", w.radioId >= 0, QString::number(p.radioId), QString::number(w.radioId));
    return out;
}

QString UnknownModel(const Readings& r, const Edition& e)
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

Profile ProfileOf(const Readings& r)
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

} // namespace Cli
