// The serial link as the window uses it: port operations on the core's link, each telling
// the operator about a failure with the link's own message box. The messages are English,
// or German in that edition.
#pragma once

#include "core/link/SerialLink.h"

class TCommFun {
public:
    explicit TCommFun(SerialLink& link) : m_link(link) {}

    // Opening and setting the line is the session's (ModuleSession::openPort).
    bool ClosePort(int port);

    // The messages of failed calls made through the core.
    static void ShowOpenFailure(LinkStatus status);
    static void ShowConfigureFailure(LinkStatus status);
    static void ShowCloseFailure(LinkStatus status);
    static void ShowSendFailure(LinkStatus status);

private:
    SerialLink& m_link;
};
