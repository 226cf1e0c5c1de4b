#include "Jobs.h"

#include "ModuleSession.h"

#include "core/model/Catalogue.h"
#include "core/protocol/Routes.h"

namespace Jobs {

QList<JobStep> SearchThen(int searchStart, QList<JobStep> then)
{
    QList<JobStep> steps{JobStep::SearchFrom(searchStart), JobStep::Pause(kContinuationMs)};
    return steps + then;
}

QList<JobStep> ReadEverything(const ModuleSession& session)
{
    const ModuleSession* s = &session;
    QList<JobStep> steps{JobStep::Send(Requests::ReadAll()), JobStep::Send(Requests::ReadProtocol()),
                         JobStep::Send(Requests::ReadPowerMode()), JobStep::Send(Requests::ReadRadioId()),
                         JobStep::Send(Requests::ReadRssi(s->edition().shortFrames()))};
    // The IO models answer to their radio ID, read just before.
    JobStep io = JobStep::Send(Command::IoRead, [s] { return Requests::ReadIo(qMax(0, s->readings().params.radioId)); });
    io.when = [s] {
        const Catalogue::ModelRow* model = Catalogue::Row(s->readings().identity.modelRow);
        return model && model->io;
    };
    steps << io;
    return steps;
}

QList<JobStep> WriteProfile(const ModuleSession& session, const Profile& p)
{
    const ModuleSession* s = &session;
    const bool shortFrames = session.edition().shortFrames();
    QList<JobStep> steps;
    const bool wholeSerial = p.serialBaud > 0 && p.serialParity != Parity::Unknown;
    if (p.channel >= 0 && p.airRate > 0 && wholeSerial) {
        steps << JobStep::Send(Requests::WriteAll(p.channel, p.airRate, SerialSettings{p.serialBaud, p.serialParity}));
    } else {
        if (p.channel >= 0)
            steps << JobStep::Send(Requests::WriteChannel(shortFrames, p.channel));
        if (p.airRate > 0)
            steps << JobStep::Send(Requests::WriteAirRate(shortFrames, p.airRate));
        if (p.hasSerial()) {
            if (!wholeSerial)
                steps << JobStep::Send(Requests::ReadSerial(shortFrames));
            steps << JobStep::Send(Command::SerialWrite, [s, p, shortFrames] {
                const SerialSettings now = s->readings().params.serial;
                return Requests::WriteSerial(shortFrames,
                                             SerialSettings{p.serialBaud > 0 ? p.serialBaud : now.baud,
                                                            p.serialParity != Parity::Unknown ? p.serialParity : now.parity});
            });
        }
    }
    if (p.protocol >= 0)
        steps << JobStep::Send(Requests::WriteProtocol(p.protocol));
    if (p.powerMode >= 0)
        steps << JobStep::Send(Requests::WritePowerMode(p.powerMode));
    if (p.radioId >= 0)
        steps << JobStep::Send(Requests::WriteRadioId(p.radioId));
    if (p.power >= 0)
        steps << JobStep::Send(Requests::WritePower(p.power));
    if (p.powerLevel >= 0)
        steps << JobStep::Send(Requests::WriteLevel(shortFrames, p.powerLevel));
    return steps;
}

QList<JobStep> VerifyProfile(const Profile& p)
{
    QList<JobStep> steps;
    if (p.protocol >= 0)
        steps << JobStep::Send(Requests::ReadProtocol());
    if (p.powerMode >= 0)
        steps << JobStep::Send(Requests::ReadPowerMode());
    if (p.radioId >= 0)
        steps << JobStep::Send(Requests::ReadRadioId());
    steps << JobStep::Send(Requests::ReadAll());
    return steps;
}

QStringList Differences(const Profile& w, const ModuleReadings& r)
{
    QStringList out;
    const AllParameters& p = r.params;
    auto differs = [&](const char* what, bool wanted, const QString& is, const QString& want) {
        if (wanted && is != want)
            out << QStringLiteral("%1 is %2, wanted %3")
                       .arg(QLatin1String(what), is.isEmpty() ? QStringLiteral("unknown") : is, want);
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

QList<JobStep> FactorySetUpSteps(const FactorySetUp& u)
{
    QList<JobStep> steps{JobStep::Send(Requests::WriteProtocol(u.protocol))};
    // The links follow the answer table: after each answer, its next command.
    Command answered = Command::ProtocolWrite;
    for (int guard = 0; guard < 4; ++guard) {
        const Routes::ChainLink link = Routes::ChainAfter(answered, u.shortAnswers);
        if (link.ends || link.next == Routes::ChainStep::None)
            break;
        steps << JobStep::Pause(link.afterTestDelay ? u.testDelayMs : Routes::kChainStepWaitMs);
        switch (link.next) {
        case Routes::ChainStep::WriteSerialNumber:
            steps << JobStep::Send(Requests::WriteSerialNumber(u.number));
            answered = Command::SerialNumberWrite;
            break;
        case Routes::ChainStep::WriteAll: {
            const JobStep write = JobStep::Send(Requests::WriteAll(u.values.channel, u.values.airRate, u.values.serial));
            steps << (u.searchBeforeWriteAll ? SearchThen(u.searchStart, {write}) : QList<JobStep>{write});
            answered = Command::WriteAll;
            break;
        }
        case Routes::ChainStep::StartTransmitTest:
            steps << JobStep::Send(Requests::StartTransmitTest(u.shortAnswers));
            answered = Command::TestStart;
            break;
        case Routes::ChainStep::None:
            break;
        }
    }
    return steps;
}

} // namespace Jobs
