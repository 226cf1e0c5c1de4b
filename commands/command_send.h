// The common tail of every command button: record the code, send, and report.
#pragma once

#include "app/Unit1.h"

namespace CommandSend {

// Records `code` as the last command, sends `frame`; accepted: work state 1 and the progress
// text in the message panel; refused: the failure text there and the failure warning.
inline bool Send(TForm1& w, const char* code, const QByteArray& frame, const TMsg& progress,
                 const TMsg& failPanel, const TMsg& failBox)
{
    w.LastCommandCode = QLatin1String(code);
    if (w.SendFrame(frame)) {
        w.WorkState = 1;
        w.SetPanel(2, Tr(progress));
        return true;
    }
    w.SetPanel(2, Tr(failPanel));
    w.Warn(failBox);
    return false;
}

// A long frame with address 0000, as most commands of the parameter page use in every edition.
inline QByteArray Long(const TForm1& w, const char* code, const QString& payload)
{
    return w.BuildLongFrame(QStringLiteral("0000"), QLatin1String(code), payload);
}

} // namespace CommandSend
