// Answers as the module sends them, in the hex text the dispatchers take, for the tests of
// the parameter commands.
#pragma once

#include "link/commfunction.h"
#include "protocol/frames.h"

#include <QString>

namespace CmdTest {

// Long answer: 5A5A 0000 5A code length payload checksum 0D0A.
inline QString LongAnswer(const char* code, const QString& payload)
{
    return TCommFun::BytesToHexText(Frames::Long(QStringLiteral("0000"), QLatin1String(code), payload), false);
}

// Short answer: EDED code payload checksum.
inline QString ShortAnswer(const char* code, const QString& payload)
{
    return TCommFun::BytesToHexText(Frames::Short(QLatin1String(code), payload), false);
}

// ID-protocol answer from `radioId`: 4040 A6 id length code payload checksum 0D0A.
inline QString IdAnswer(int radioId, const char* code, const QString& payload)
{
    return TCommFun::BytesToHexText(
        Frames::Id(Frames::Hex4(radioId), QStringLiteral("A6"), QLatin1String(code), payload), false);
}

} // namespace CmdTest
