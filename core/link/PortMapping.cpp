#include "PortMapping.h"

#include "PComm.h"
#include "core/config/ConfigFile.h"
#include "core/config/IniFile.h"

#include <QHash>
#include <QSerialPortInfo>

#include <algorithm>

namespace PortMapping {

namespace {

// "/dev/ttyUSB10" -> ("/dev/ttyUSB", 10); no trailing number gives -1.
std::pair<QString, long long> SplitNumber(const QString& path)
{
    int i = path.size();
    while (i > 0 && path.at(i - 1).isDigit())
        --i;
    bool ok = false;
    const long long n = path.mid(i).toLongLong(&ok);
    return {path.left(i), ok ? n : -1};
}

bool IsUsbAdapter(const QString& path)
{
    const QString name = path.section(QLatin1Char('/'), -1);
    return name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM"));
}

} // namespace

QString Target::key() const
{
    switch (kind) {
    case Kind::Device:
        return QStringLiteral("dev:") + device;
    case Kind::Simulated:
        return QStringLiteral("sim:") + simOptions;
    case Kind::Invalid:
        break;
    }
    return QString();
}

QStringList UsbAdapters(const QStringList& systemLocations)
{
    QStringList out;
    for (const QString& p : systemLocations)
        if (IsUsbAdapter(p) && !out.contains(p))
            out << p;
    std::sort(out.begin(), out.end(), [](const QString& a, const QString& b) {
        const auto x = SplitNumber(a);
        const auto y = SplitNumber(b);
        if (x.first != y.first)
            return x.first < y.first;
        return x.second < y.second;
    });
    return out;
}

Target Resolve(int port, const QString& configured, const QStringList& usbAdapters, bool windows)
{
    Target t;
    t.adapterCount = usbAdapters.size();
    if (port < 1 || port > kSioPortCount) {
        t.error = QStringLiteral("no port number %1").arg(port);
        return t;
    }
    const QString entry = configured.trimmed();
    if (!entry.isEmpty()) {
        t.fromConfig = true;
        if (entry.compare(QLatin1String("sim"), Qt::CaseInsensitive) == 0) {
            t.kind = Kind::Simulated;
        } else if (entry.startsWith(QLatin1String("sim:"), Qt::CaseInsensitive)) {
            t.kind = Kind::Simulated;
            t.simOptions = entry.mid(4).trimmed();
        } else {
            t.kind = Kind::Device;
            t.device = entry;
        }
        return t;
    }
    t.kind = Kind::Device;
    if (windows) {
        t.device = QStringLiteral("COM%1").arg(port);
    } else if (port <= usbAdapters.size()) {
        t.adapterIndex = port - 1;
        t.device = usbAdapters.at(port - 1);
    } else {
        t.device = QStringLiteral("/dev/ttyS%1").arg(port - 1);
    }
    return t;
}

QString Describe(int port, const Target& t)
{
    const QString com = QStringLiteral("COM%1").arg(port);
    const QString origin = t.given ? QString() : t.fromConfig ? QStringLiteral(" (Config.ini)") : QString();
    switch (t.kind) {
    case Kind::Simulated:
        return QStringLiteral("%1 = simulated module%2%3")
            .arg(com, t.simOptions.isEmpty() ? QString() : QStringLiteral(" ") + t.simOptions, origin);
    case Kind::Device:
        if (t.adapterIndex >= 0)
            return QStringLiteral("%1 = %2 (USB adapter %3 of %4)")
                .arg(com, t.device)
                .arg(t.adapterIndex + 1)
                .arg(t.adapterCount);
        return QStringLiteral("%1 = %2%3").arg(com, t.device, origin);
    case Kind::Invalid:
        break;
    }
    return QStringLiteral("%1: %2").arg(com, t.error);
}

namespace {
QHash<int, QString>& Entries()
{
    static QHash<int, QString> entries;
    return entries;
}
} // namespace

void SetEntry(int port, const QString& entry)
{
    if (entry.isNull())
        Entries().remove(port);
    else
        Entries().insert(port, entry);
}

QString ConfiguredEntry(int port)
{
    if (Entries().contains(port))
        return Entries().value(port);
    const IniFile ini(ConfigFile::path());
    return ini.ReadString(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(port), QString());
}

Target Lookup(int port)
{
    const QString entry = ConfiguredEntry(port);
#ifdef Q_OS_WIN
    const bool windows = true;
#else
    const bool windows = false;
#endif
    QStringList adapters;
    // Only the default mapping needs the adapter list, which costs a device scan.
    if (entry.trimmed().isEmpty() && !windows && port >= 1 && port <= kSioPortCount) {
        QStringList locations;
        const auto ports = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo& info : ports)
            locations << info.systemLocation();
        adapters = UsbAdapters(locations);
    }
    Target t = Resolve(port, entry, adapters, windows);
    t.given = Entries().contains(port);
    return t;
}

QString describe(int port) { return Describe(port, Lookup(port)); }

} // namespace PortMapping
