// The serial library: each port number is served by a backend chosen from the port mapping
// when the port is opened.
#include "PComm.h"

#include "PortMapping.h"
#include "SerialPortBackend.h"
#include "SimulatedPorts.h"
#include "SioBackend.h"

#include <array>

namespace {

struct PortSlot {
    std::shared_ptr<SioBackend> backend;
    QString key; // mapping the backend was made for
};

std::array<PortSlot, kSioPortCount + 1> g_ports;
std::array<std::shared_ptr<SioBackend>, kSioPortCount + 1> g_overrides;
std::array<std::function<void(int)>, kSioPortCount + 1> g_callbacks;

// The port's callback, if any, behind its current backend.
void AttachCallback(int port)
{
    SioBackend* b = g_ports[static_cast<size_t>(port)].backend.get();
    if (!b)
        return;
    const std::function<void(int)>& cb = g_callbacks[static_cast<size_t>(port)];
    if (cb)
        b->setNotifier([port] {
            if (const auto& c = g_callbacks[static_cast<size_t>(port)])
                c(port);
        });
    else
        b->setNotifier(nullptr);
}

bool ValidPort(int port) { return port >= 1 && port <= kSioPortCount; }

// The backend of an open port, null when the port number is bad or the port is not open.
SioBackend* OpenBackend(int port)
{
    if (!ValidPort(port))
        return nullptr;
    SioBackend* b = g_ports[static_cast<size_t>(port)].backend.get();
    return (b && b->isOpen()) ? b : nullptr;
}

} // namespace

int sio_open(int port)
{
    if (!ValidPort(port))
        return SIO_BADPORT;
    PortSlot& slot = g_ports[static_cast<size_t>(port)];

    std::shared_ptr<SioBackend> next;
    QString key;
    if (auto& fake = g_overrides[static_cast<size_t>(port)]) {
        next = fake;
        key = QStringLiteral("override");
    } else {
        // Config.ini may have changed since the last open.
        const PortMapping::Target target = PortMapping::Lookup(port);
        key = target.key();
        if (slot.backend && slot.backend->isOpen() && !slot.backend->isLost() && slot.key == key)
            return SIO_OK; // already open on the same device: it stays as it is
        switch (target.kind) {
        case PortMapping::Kind::Device:
            next = std::make_shared<SerialPortBackend>(target.device);
            break;
        case PortMapping::Kind::Simulated:
            next = SimulatedPorts::makeBackend(port, target.simOptions, nullptr);
            break;
        case PortMapping::Kind::Invalid:
            break;
        }
    }
    // A port whose device has gone stays open (and lost) until a new open succeeds: it can
    // be tried again, and closed. Its backend has let go of the device already.
    const std::shared_ptr<SioBackend> lost =
        slot.backend && slot.backend != next && slot.backend->isOpen() && slot.backend->isLost() ? slot.backend
                                                                                                 : nullptr;
    if (!lost) {
        if (slot.backend && slot.backend != next && slot.backend->isOpen())
            slot.backend->close();
        slot.backend.reset();
        slot.key.clear();
    }
    if (!next)
        return SIO_OPENFAIL;
    if (next->isOpen())
        next->close();
    const int status = next->open();
    if (status != SIO_OK)
        return status;
    if (lost)
        lost->close();
    slot.backend = next;
    slot.key = key;
    AttachCallback(port);
    return SIO_OK;
}

int sio_close(int port)
{
    SioBackend* b = OpenBackend(port);
    if (!b)
        return SIO_BADPORT;
    const int status = b->close();
    if (status == SIO_OK) {
        b->setNotifier(nullptr);
        g_ports[static_cast<size_t>(port)].backend.reset();
        g_ports[static_cast<size_t>(port)].key.clear();
    }
    return status;
}

int sio_ioctl(int port, int baud, int mode)
{
    SioBackend* b = OpenBackend(port);
    return b ? b->ioctl(baud, mode) : SIO_BADPORT;
}

int sio_read(int port, char* buf, int len)
{
    SioBackend* b = OpenBackend(port);
    if (!b)
        return SIO_BADPORT;
    if (len < 0 || (len > 0 && !buf))
        return SIO_BADPARM;
    return b->read(buf, len);
}

int sio_write(int port, const char* buf, int len)
{
    SioBackend* b = OpenBackend(port);
    if (!b)
        return SIO_BADPORT;
    if (len < 0 || (len > 0 && !buf))
        return SIO_BADPARM;
    return b->write(buf, len);
}

int sio_iqueue(int port)
{
    SioBackend* b = OpenBackend(port);
    return b ? b->iqueue() : SIO_BADPORT;
}

int sio_oqueue(int port)
{
    SioBackend* b = OpenBackend(port);
    return b ? b->oqueue() : SIO_BADPORT;
}

int sio_cnt_irq(int port, std::function<void(int)> callback)
{
    if (!ValidPort(port))
        return SIO_BADPORT;
    g_callbacks[static_cast<size_t>(port)] = std::move(callback);
    AttachCallback(port);
    return SIO_OK;
}

bool sio_lost(int port)
{
    SioBackend* b = OpenBackend(port);
    return b && b->isLost();
}

namespace PCommBackends {

void installOverride(int port, std::shared_ptr<SioBackend> backend)
{
    if (!ValidPort(port))
        return;
    PortSlot& slot = g_ports[static_cast<size_t>(port)];
    if (slot.backend && slot.backend != backend && slot.backend->isOpen())
        slot.backend->close();
    slot.backend.reset();
    slot.key.clear();
    g_overrides[static_cast<size_t>(port)] = std::move(backend);
}

void clearOverrides()
{
    for (int port = 1; port <= kSioPortCount; ++port)
        if (g_overrides[static_cast<size_t>(port)])
            installOverride(port, nullptr);
}

void closeAll()
{
    for (PortSlot& slot : g_ports) {
        if (slot.backend && slot.backend->isOpen())
            slot.backend->close();
        slot.backend.reset();
        slot.key.clear();
    }
}

} // namespace PCommBackends
