#include "Routes.h"

namespace Routes {

namespace {

// Commands answered by a long answer whose code is the command's code less 8000.
constexpr Command kLongRoutes[] = {
    Command::SerialWrite,    Command::SerialRead,       Command::AirRateWrite,      Command::AirRateRead,
    Command::ChannelWrite,   Command::ChannelRead,      Command::TestStart,         Command::TestEnd,
    Command::ProtocolWrite,  Command::SerialNumberWrite, Command::SerialNumberRead, Command::RadioIdWrite,
    Command::RadioIdRead,    Command::WriteAll,         Command::PowerModeWrite,    Command::PowerModeRead,
    Command::WakeUp,         Command::RssiRead,         Command::LevelWrite,        Command::ProtocolRead,
    Command::ReadAll,        Command::DutyCycleWrite,   Command::PowerWrite,        Command::Capacitance,
};

bool HasShortAnswer(Command c)
{
    return c != Command::DutyCycleWrite && c != Command::Capacitance;
}

} // namespace

Command OfLongAnswer(const QString& code)
{
    for (Command c : kLongRoutes)
        if (code == Commands::CodeText(c).replace(0, 1, QLatin1Char('0')))
            return c;
    return Command::None;
}

Command OfShortAnswer(const QString& code)
{
    for (Command c : kLongRoutes)
        if (HasShortAnswer(c) && code == Commands::ShortCode(c))
            return c;
    return Command::None;
}

Command OfIdAnswer(const QString& code)
{
    if (code == QLatin1String("0012"))
        return Command::IoWrite;
    if (code == QLatin1String("0013"))
        return Command::IoRead;
    return Command::None;
}

ChainLink ChainAfter(Command answered, bool shortAnswer)
{
    ChainLink link;
    if (answered == Command::TestStart) {
        link.ends = true;
        return link;
    }
    switch (answered) {
    case Command::ProtocolWrite:
        link.next = shortAnswer ? ChainStep::WriteAll : ChainStep::WriteSerialNumber;
        break;
    case Command::SerialNumberWrite:
        link.next = shortAnswer ? ChainStep::StartTransmitTest : ChainStep::WriteAll;
        break;
    case Command::WriteAll:
        link.next = shortAnswer ? ChainStep::WriteSerialNumber : ChainStep::StartTransmitTest;
        link.afterTestDelay = !shortAnswer;
        break;
    default:
        break;
    }
    return link;
}

} // namespace Routes
