#include "Profile.h"

#include "Catalogue.h"
#include "core/config/IniFile.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kProfile = QStringLiteral("Profile");
constexpr qint64 kMaxProfileBytes = 1024 * 1024;
const QString kParameters = QStringLiteral("Parameters");
const QStringList kParameterKeys{QStringLiteral("Channel"),    QStringLiteral("AirRate"),  QStringLiteral("SerialBaud"),
                                 QStringLiteral("SerialParity"), QStringLiteral("Protocol"), QStringLiteral("PowerSave"),
                                 QStringLiteral("RadioId"),    QStringLiteral("Power"),    QStringLiteral("PowerLevel")};

int IndexOfName(const QString& name, const QStringList& names)
{
    const QString n = name.trimmed().toLower();
    bool number = false;
    const int value = n.toInt(&number);
    if (number)
        return value >= 0 && value < names.size() ? value : -1;
    return int(names.indexOf(n));
}

const QStringList kProtocols{QStringLiteral("own"), QStringLiteral("compatible")};
const QStringList kPowerModes{QStringLiteral("none"), QStringLiteral("hardware"), QStringLiteral("serial"),
                              QStringLiteral("air")};
const QStringList kPowers{QStringLiteral("1w"), QStringLiteral("2w")};

} // namespace

bool Profile::isEmpty() const
{
    return channel < 0 && airRate <= 0 && !hasSerial() && protocol < 0 && powerMode < 0 && radioId < 0 && power < 0
        && powerLevel < 0;
}

bool Profile::operator==(const Profile& o) const
{
    return modelRow == o.modelRow && base == o.base && channel == o.channel && airRate == o.airRate
        && serialBaud == o.serialBaud && serialParity == o.serialParity && protocol == o.protocol
        && powerMode == o.powerMode && radioId == o.radioId && power == o.power && powerLevel == o.powerLevel;
}

namespace Profiles {

int ProtocolOfName(const QString& name) { return IndexOfName(name, kProtocols); }
int PowerModeOfName(const QString& name) { return IndexOfName(name, kPowerModes); }
int PowerOfName(const QString& name) { return int(kPowers.indexOf(name.trimmed().toLower())); }

Parity ParityOfName(const QString& name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("none"))
        return Parity::None;
    if (n == QLatin1String("even"))
        return Parity::Even;
    if (n == QLatin1String("odd"))
        return Parity::Odd;
    return Parity::Unknown;
}

QString ProtocolName(int protocol) { return kProtocols.value(protocol); }
QString PowerModeName(int mode) { return kPowerModes.value(mode); }
QString PowerName(int power) { return kPowers.value(power).toUpper(); }

int ModelRowOfName(const QString& name)
{
    QString series = name.trimmed().toUpper();
    for (const char* prefix : {"KTX", "QOM"})
        if (series.startsWith(QLatin1String(prefix)))
            series.remove(0, 3);
    for (int row = 0; row < Catalogue::kRowCount; ++row)
        if (series == QLatin1String(Catalogue::Row(row)->series))
            return row;
    return -1;
}

bool Read(const QString& path, Profile* out, ReadProblem* problem)
{
    auto fail = [&](ReadProblem::Kind kind, const QString& key = QString(), const QString& value = QString(),
                    const QString& allowed = QString()) {
        if (problem)
            *problem = ReadProblem{kind, path, key, value, allowed};
        return false;
    };
    const QFileInfo info(path);
    if (!info.exists())
        return fail(ReadProblem::NoFile);
    if (info.isDir())
        return fail(ReadProblem::Directory);
    // A FIFO or a device would be read for ever; a profile is a few lines.
    if (!info.isFile())
        return fail(ReadProblem::NotRegular);
    if (info.size() > kMaxProfileBytes)
        return fail(ReadProblem::TooLarge);
    const IniFile ini(path);
    const QString format = ini.ReadString(kProfile, QStringLiteral("Format"), QString());
    if (format.isEmpty())
        return fail(ReadProblem::NotProfile);
    bool number = false;
    const int version = format.toInt(&number);
    if (!number || version < 1)
        return fail(ReadProblem::BadFormat, QStringLiteral("Format"), format);
    if (version > Profile::kFormat)
        return fail(ReadProblem::NewerFormat, QStringLiteral("Format"), QString::number(version),
                    QString::number(Profile::kFormat));

    Profile p;
    const QString model = ini.ReadString(kProfile, QStringLiteral("Model"), QString());
    if (!model.isEmpty() && (p.modelRow = ModelRowOfName(model)) < 0)
        return fail(ReadProblem::NoModel, QStringLiteral("Model"), model);
    p.base = ini.ReadString(kProfile, QStringLiteral("Base"), QString()).trimmed().toUpper();
    if (!p.base.isEmpty() && !Catalogue::InitialBaseFrequencies().contains(p.base)
        && (p.modelRow < 0 || !Catalogue::BaseFrequencies(p.modelRow).contains(p.base)))
        return fail(ReadProblem::NoBase, QStringLiteral("Base"), p.base);

    for (const QString& key : ini.Keys(kParameters)) {
        const QString value = ini.ReadString(kParameters, key, QString()).trimmed();
        auto number = [&](int min, int max, int* to) {
            bool ok = false;
            const int v = value.toInt(&ok);
            if (!ok || v < min || v > max)
                return false;
            *to = v;
            return true;
        };
        bool ok = true;
        const QString k = key.trimmed();
        if (k.compare(QLatin1String("Channel"), Qt::CaseInsensitive) == 0)
            ok = number(1, 255, &p.channel);
        else if (k.compare(QLatin1String("AirRate"), Qt::CaseInsensitive) == 0)
            ok = number(1, 1000000, &p.airRate) && CodeOfRate(p.airRate) > 0;
        else if (k.compare(QLatin1String("SerialBaud"), Qt::CaseInsensitive) == 0)
            ok = number(1, 1000000, &p.serialBaud) && CodeOfRate(p.serialBaud) > 0;
        else if (k.compare(QLatin1String("SerialParity"), Qt::CaseInsensitive) == 0)
            ok = (p.serialParity = ParityOfName(value)) != Parity::Unknown;
        else if (k.compare(QLatin1String("Protocol"), Qt::CaseInsensitive) == 0)
            ok = (p.protocol = ProtocolOfName(value)) >= 0;
        else if (k.compare(QLatin1String("PowerSave"), Qt::CaseInsensitive) == 0)
            ok = (p.powerMode = PowerModeOfName(value)) >= 0;
        else if (k.compare(QLatin1String("RadioId"), Qt::CaseInsensitive) == 0)
            ok = number(0, 65535, &p.radioId);
        else if (k.compare(QLatin1String("Power"), Qt::CaseInsensitive) == 0)
            ok = (p.power = PowerOfName(value)) >= 0;
        else if (k.compare(QLatin1String("PowerLevel"), Qt::CaseInsensitive) == 0)
            ok = number(0, 15, &p.powerLevel);
        else
            return fail(ReadProblem::UnknownKey, k, QString(), kParameterKeys.join(QLatin1String(", ")));
        if (!ok)
            return fail(ReadProblem::BadValue, k, value);
    }
    *out = p;
    return true;
}

bool Read(const QString& path, Profile* out, QString* error)
{
    ReadProblem problem;
    if (Read(path, out, &problem))
        return true;
    if (error)
        *error = Describe(problem);
    return false;
}

QString Describe(const ReadProblem& p)
{
    QString why;
    switch (p.kind) {
    case ReadProblem::None: return QString();
    case ReadProblem::NoFile: why = QStringLiteral("no such file"); break;
    case ReadProblem::Directory: why = QStringLiteral("is a directory"); break;
    case ReadProblem::NotRegular: why = QStringLiteral("not a regular file"); break;
    case ReadProblem::TooLarge: why = QStringLiteral("larger than 1 MB: not a profile"); break;
    case ReadProblem::NotProfile: why = QStringLiteral("not a parameter profile (no [Profile] Format)"); break;
    case ReadProblem::BadFormat: why = QStringLiteral("Format=%1 is not a profile format").arg(p.value); break;
    case ReadProblem::NewerFormat:
        why = QStringLiteral("Format=%1 is newer than this tool reads (%2)").arg(p.value, p.allowed);
        break;
    case ReadProblem::NoModel: why = QStringLiteral("Model=%1 is no model").arg(p.value); break;
    case ReadProblem::NoBase: why = QStringLiteral("Base=%1 is no base frequency").arg(p.value); break;
    case ReadProblem::UnknownKey: why = QStringLiteral("unknown key [Parameters] %1 (known: %2)").arg(p.key, p.allowed); break;
    case ReadProblem::BadValue: why = QStringLiteral("%1=%2 is not a value it takes").arg(p.key, p.value); break;
    }
    return QStringLiteral("%1: %2").arg(p.path, why);
}

bool Write(const QString& path, const Profile& p, QString* error)
{
    // Written anew, so nothing of an older profile stays behind.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    QStringList lines{QStringLiteral("; rfmodtool parameter profile"), QStringLiteral("[Profile]"),
                      QStringLiteral("Format=%1").arg(Profile::kFormat)};
    if (const Catalogue::ModelRow* row = Catalogue::Row(p.modelRow))
        lines << QStringLiteral("Model=%1").arg(QLatin1String(row->series));
    if (!p.base.isEmpty())
        lines << QStringLiteral("Base=%1").arg(p.base);
    lines << QStringLiteral("[Parameters]");
    if (p.channel >= 0)
        lines << QStringLiteral("Channel=%1").arg(p.channel);
    if (p.airRate > 0)
        lines << QStringLiteral("AirRate=%1").arg(p.airRate);
    if (p.serialBaud > 0)
        lines << QStringLiteral("SerialBaud=%1").arg(p.serialBaud);
    if (p.serialParity != Parity::Unknown)
        lines << QStringLiteral("SerialParity=%1").arg(ParityName(p.serialParity));
    if (p.protocol >= 0)
        lines << QStringLiteral("Protocol=%1").arg(ProtocolName(p.protocol));
    if (p.powerMode >= 0)
        lines << QStringLiteral("PowerSave=%1").arg(PowerModeName(p.powerMode));
    if (p.radioId >= 0)
        lines << QStringLiteral("RadioId=%1").arg(p.radioId);
    if (p.power >= 0)
        lines << QStringLiteral("Power=%1").arg(PowerName(p.power));
    if (p.powerLevel >= 0)
        lines << QStringLiteral("PowerLevel=%1").arg(p.powerLevel);
    const QByteArray text = (lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n")).toUtf8();
    if (file.write(text) != text.size()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

QList<Problem> CheckValues(const Profile& p, int row, const QString& edition)
{
    QList<Problem> problems;
    const Catalogue::ModelRow* model = Catalogue::Row(row);
    // Nothing can be checked against a model that is not known: that is a problem itself.
    if (!model) {
        const Catalogue::ModelRow* wanted = Catalogue::Row(p.modelRow);
        problems << Problem{Problem::Model, wanted ? QLatin1String(wanted->series) : QString(), QString(), QString()};
        return problems;
    }
    const QString name = QLatin1String(model->series);
    if (p.modelRow >= 0 && p.modelRow != row)
        problems << Problem{Problem::Model, QLatin1String(Catalogue::Row(p.modelRow)->series), name, QString()};
    const int channels = Catalogue::ChannelCount(row, edition);
    if (p.channel >= 0 && (p.channel < 1 || p.channel > channels))
        problems << Problem{Problem::Channel, QString::number(p.channel), name, QStringLiteral("1 - %1").arg(channels)};
    const QStringList rates = Catalogue::RateItems(row);
    if (p.airRate > 0 && !rates.contains(QString::number(p.airRate)))
        problems << Problem{Problem::AirRate, QString::number(p.airRate), name, rates.join(QLatin1String(", "))};
    if (p.serialBaud > 0 && !rates.contains(QString::number(p.serialBaud)))
        problems << Problem{Problem::SerialBaud, QString::number(p.serialBaud), name, rates.join(QLatin1String(", "))};
    if (p.power >= 0 && !model->power)
        problems << Problem{Problem::Power, PowerName(p.power), name, QString()};
    if (!p.base.isEmpty() && !Catalogue::BaseFrequencies(row).contains(p.base))
        problems << Problem{Problem::Base, p.base, name, Catalogue::BaseFrequencies(row).join(QLatin1String(", "))};
    return problems;
}

QString Describe(const Problem& pr)
{
    switch (pr.field) {
    case Problem::Model:
        if (pr.model.isEmpty())
            return QStringLiteral("the module's model is not known");
        return QStringLiteral("the profile is for model %1, the module is %2").arg(pr.value, pr.model);
    case Problem::Channel: return QStringLiteral("channel %1: model %2 has channels %3").arg(pr.value, pr.model, pr.allowed);
    case Problem::AirRate: return QStringLiteral("air rate %1: model %2 takes %3").arg(pr.value, pr.model, pr.allowed);
    case Problem::SerialBaud:
        return QStringLiteral("serial baud rate %1: model %2 takes %3").arg(pr.value, pr.model, pr.allowed);
    case Problem::Power: return QStringLiteral("power %1: model %2 has no power setting").arg(pr.value, pr.model);
    case Problem::Base: return QStringLiteral("base frequency %1: model %2 has %3").arg(pr.value, pr.model, pr.allowed);
    }
    return QString();
}

QStringList Check(const Profile& p, int row, const QString& edition)
{
    QStringList out;
    for (const Problem& pr : CheckValues(p, row, edition))
        out << Describe(pr);
    return out;
}

} // namespace Profiles
