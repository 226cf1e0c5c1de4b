// Serial-link tests: what stands behind COMn, and what arrives on a link gathered as the
// session gathers it, only when the link says bytes are waiting.
#pragma once

#include "Wait.h"

#include "core/config/ConfigFile.h"
#include "core/config/IniFile.h"
#include "core/link/SerialLink.h"

namespace LinkRig {

// COMn behind `entry` (a device path, "sim" or "sim:<options>") in Config.ini.
inline bool MapPort(int port, const QString& entry)
{
    IniFile ini(ConfigFile::path());
    return ini.WriteString(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(port), entry);
}

// Runs the event loop, reading on readyRead, until `count` bytes came or `ms` passed.
inline QByteArray Collect(SerialLink& link, int count, int ms)
{
    QByteArray got;
    const auto c = QObject::connect(&link, &SerialLink::readyRead, [&] { got += link.read(); });
    Wait::until([&] { return got.size() >= count; }, ms);
    QObject::disconnect(c);
    return got;
}

} // namespace LinkRig
