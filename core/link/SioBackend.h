// What stands behind one port number of the serial library: a device on QSerialPort, the
// built-in simulated module, or (in tests) a fake. Results are the library's status codes.
#pragma once

#include "LineSettings.h"

#include <functional>
#include <memory>

class SioBackend {
public:
    virtual ~SioBackend() = default;

    virtual int open() = 0;
    // Closing a port whose device has gone still succeeds: it is closed afterwards.
    virtual int close() = 0;
    virtual int ioctl(int baudCode, int mode) = 0;
    virtual int read(char* buf, int len) = 0;
    virtual int write(const char* buf, int len) = 0;
    virtual int iqueue() = 0;
    // Bytes written but not yet gone out on the line; 0 where the device cannot tell.
    virtual int oqueue() { return 0; }
    // Opened by the tool and not closed since (also while its device is lost).
    virtual bool isOpen() const = 0;
    // Open, but its device has gone (unplugged adapter, closed pty master).
    virtual bool isLost() const { return false; }
    // Called when bytes may be waiting or the device may have gone. It may be called from
    // inside the backend's own event handling, so it must only take note and return.
    virtual void setNotifier(std::function<void()> notify) { m_notify = std::move(notify); }

protected:
    void notify()
    {
        if (m_notify)
            m_notify();
    }

private:
    std::function<void()> m_notify;
};

namespace PCommBackends {

// Puts `backend` behind `port` in place of whatever the mapping says, until cleared. A port
// open on its mapped device is closed first.
void installOverride(int port, std::shared_ptr<SioBackend> backend);
void clearOverrides();
// Closes every open port (tests start clean).
void closeAll();

} // namespace PCommBackends
