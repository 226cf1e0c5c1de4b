#include "Command.h"

#include "Frames.h"

namespace Commands {

namespace {

struct Entry {
    Command command;
    const char* name;
};

constexpr Entry kAll[] = {
    {Command::Search, "Search"},
    {Command::SerialWrite, "SerialWrite"},
    {Command::SerialRead, "SerialRead"},
    {Command::AirRateWrite, "AirRateWrite"},
    {Command::AirRateRead, "AirRateRead"},
    {Command::ChannelWrite, "ChannelWrite"},
    {Command::ChannelRead, "ChannelRead"},
    {Command::TestStart, "TestStart"},
    {Command::TestEnd, "TestEnd"},
    {Command::ProtocolWrite, "ProtocolWrite"},
    {Command::SerialNumberWrite, "SerialNumberWrite"},
    {Command::SerialNumberRead, "SerialNumberRead"},
    {Command::RadioIdWrite, "RadioIdWrite"},
    {Command::RadioIdRead, "RadioIdRead"},
    {Command::WriteAll, "WriteAll"},
    {Command::PowerModeWrite, "PowerModeWrite"},
    {Command::PowerModeRead, "PowerModeRead"},
    {Command::WakeUp, "WakeUp"},
    {Command::RssiRead, "RssiRead"},
    {Command::LevelWrite, "LevelWrite"},
    {Command::ProtocolRead, "ProtocolRead"},
    {Command::ReadAll, "ReadAll"},
    {Command::DutyCycleWrite, "DutyCycleWrite"},
    {Command::PowerWrite, "PowerWrite"},
    {Command::Capacitance, "Capacitance"},
    {Command::IoWrite, "IoWrite"},
    {Command::IoRead, "IoRead"},
};

} // namespace

QString CodeText(Command command)
{
    if (command == Command::None)
        return QString();
    const quint32 v = quint32(command);
    return v > 0xFFFF ? QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper() : Frames::Hex4(int(v));
}

QString RequestCode(Command command)
{
    return Frames::Hex4(int(quint32(command) & 0xFFFF));
}

QString ShortCode(Command command)
{
    return Frames::Hex2(int(quint32(command) & 0xFF));
}

Command FromCodeText(const QString& text)
{
    for (const Entry& e : kAll)
        if (CodeText(e.command) == text)
            return e.command;
    return Command::None;
}

QString Name(Command command)
{
    for (const Entry& e : kAll)
        if (e.command == command)
            return QLatin1String(e.name);
    return QStringLiteral("None");
}

} // namespace Commands
