// What a frame on the line is, for traces and the frame monitor: its kind, the command it
// asks for or answers, and whether its checksum holds.
#pragma once

#include "Command.h"

#include <QByteArray>
#include <QString>

enum class FrameKind { Long, Short, Id, Data };

struct FrameInfo {
    FrameKind kind = FrameKind::Data;
    Command command = Command::None; // asked for (sent) or answered (received)
    bool search = false;             // the search request or its identify answer
    bool checksumOk = false;
    // "long", "short", "ID", "data"
    QString kindName() const;
    // "ChannelRead request", "answer to ChannelRead", "identify answer", "data"
    QString meaning(bool received) const;
};

// `received`: from the module (answer codes) rather than to it (request codes).
FrameInfo DescribeFrame(const QByteArray& bytes, bool received);
