// Answers as the module sends them, in the hex text the dispatchers take.
#pragma once

#include "core/protocol/Frames.h"
#include "core/protocol/HexText.h"

#include <QString>

namespace ModuleAnswers {

// Long answer: 5A5A 0000 5A code length payload checksum 0D0A.
inline QString Long(const char* code, const QString& payload)
{
    return HexText::BytesToHexText(Frames::BuildLongFrame(QStringLiteral("0000"), QLatin1String(code), payload), false);
}

// Short answer: EDED code payload checksum.
inline QString Short(const char* code, const QString& payload)
{
    return HexText::BytesToHexText(Frames::BuildShortFrame(QLatin1String(code), payload), false);
}

// ID-protocol answer from `radioId`: 4040 A6 id length code payload checksum 0D0A.
inline QString Id(int radioId, const char* code, const QString& payload)
{
    return HexText::BytesToHexText(
        Frames::BuildIdFrame(Frames::Hex4(radioId), QStringLiteral("A6"), QLatin1String(code), payload), false);
}

} // namespace ModuleAnswers
