#include "SimulatedPorts.h"

#include "SioCodes.h"
#include "SioBackend.h"

#include <QTimer>

#include <array>
#include <cstring>


namespace SimulatedPorts {

namespace {

struct Slot {
    std::shared_ptr<ModuleEmulator> emu;
    QString options;
    LineSettings line;
    int baudCode = -1;
    int mode = -1;
    QList<QByteArray> written; // every write of the tool, newest last (bounded)
};

std::array<Slot, kSioPortCount + 1> g_slots;

Slot* SlotOf(int port)
{
    if (port < 1 || port > kSioPortCount)
        return nullptr;
    return &g_slots[static_cast<size_t>(port)];
}

class SimulatedBackend : public SioBackend {
public:
    SimulatedBackend(int port, std::shared_ptr<ModuleEmulator> emu) : m_port(port), m_emu(std::move(emu))
    {
        // Sleeps until the module's next byte is due, so an idle simulated port costs nothing.
        m_wakeTimer.setSingleShot(true);
        m_wakeTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_wakeTimer, &QTimer::timeout, [this] { service(); });
    }
    ~SimulatedBackend() override
    {
        if (m_open)
            m_emu->setWakeCallback(nullptr);
    }

    int open() override
    {
        m_open = true;
        Slot* s = SlotOf(m_port);
        s->line = LineSettings{};
        m_emu->setWakeCallback([this] { m_wakeTimer.start(0); });
        service();
        return SIO_OK;
    }
    int close() override
    {
        if (!m_open)
            return SIO_BADPORT;
        m_open = false;
        m_wakeTimer.stop();
        m_emu->setWakeCallback(nullptr);
        return SIO_OK;
    }
    bool isOpen() const override { return m_open; }

    int ioctl(int baudCode, int mode) override
    {
        if (!m_open)
            return SIO_BADPORT;
        Slot* s = SlotOf(m_port);
        LineSettings line;
        if (!SioDecodeLine(baudCode, mode, &line))
            return SIO_BADPARM;
        s->baudCode = baudCode;
        s->mode = mode;
        s->line = line;
        return SIO_OK;
    }

    int write(const char* buf, int len) override
    {
        if (!m_open)
            return SIO_BADPORT;
        if (len < 0 || (len > 0 && !buf))
            return SIO_BADPARM;
        Slot* s = SlotOf(m_port);
        if (len > 0) {
            const QByteArray bytes(buf, len);
            s->written.append(bytes);
            if (s->written.size() > 10000)
                s->written.removeFirst();
            m_emu->receiveFromPc(bytes, SerialLine{s->line.baud, s->line.parity, s->line.dataBits, s->line.stopBits},
                                 SystemClock::monotonicMs());
        }
        return len;
    }

    int iqueue() override
    {
        if (!m_open)
            return SIO_BADPORT;
        return m_emu->bytesReadyForPc(SystemClock::monotonicMs());
    }

    int read(char* buf, int len) override
    {
        if (!m_open)
            return SIO_BADPORT;
        if (len < 0 || (len > 0 && !buf))
            return SIO_BADPARM;
        if (len == 0)
            return 0;
        const QByteArray bytes = m_emu->takeForPc(SystemClock::monotonicMs(), len);
        const int n = static_cast<int>(std::min<qsizetype>(bytes.size(), len));
        std::memcpy(buf, bytes.constData(), static_cast<size_t>(n));
        return n;
    }

private:
    // Tells when bytes are readable, then sleeps until the module's next event.
    void service()
    {
        if (!m_open)
            return;
        ModuleEmulator* emu = m_emu.get();
        const qint64 now = SystemClock::monotonicMs();
        if (emu->bytesReadyForPc(now) > 0)
            notify();
        const qint64 next = emu->nextEventAfterMs(now);
        if (next < 0)
            m_wakeTimer.stop();
        else
            m_wakeTimer.start(int(qBound(qint64(0), next - now, qint64(24) * 3600 * 1000)));
    }

    int m_port;
    // Shared, so a backend outlives neither its module nor the forgetting of all modules.
    std::shared_ptr<ModuleEmulator> m_emu;
    bool m_open = false;
    QTimer m_wakeTimer;
};

} // namespace

ModuleEmulator* emulator(int port)
{
    Slot* s = SlotOf(port);
    return s ? s->emu.get() : nullptr;
}

LineSettings lastPcLine(int port)
{
    Slot* s = SlotOf(port);
    return s ? s->line : LineSettings{};
}

int lastBaudCode(int port)
{
    Slot* s = SlotOf(port);
    return s ? s->baudCode : -1;
}

int lastMode(int port)
{
    Slot* s = SlotOf(port);
    return s ? s->mode : -1;
}

QList<QByteArray> takeWritten(int port)
{
    Slot* s = SlotOf(port);
    if (!s)
        return {};
    QList<QByteArray> w;
    w.swap(s->written);
    return w;
}

void reset()
{
    for (Slot& s : g_slots)
        s = Slot{};
}

std::unique_ptr<SioBackend> makeBackend(int port, const QString& options, QString* error)
{
    Slot* s = SlotOf(port);
    if (!s) {
        if (error)
            *error = QStringLiteral("no port number %1").arg(port);
        return nullptr;
    }
    if (!s->emu || s->options != options) {
        if (options.isEmpty()) {
            s->emu = std::make_shared<ModuleEmulator>();
        } else {
            ModuleEmulator::Options parsed;
            QString why;
            if (!ModuleEmulator::ParseOptions(options, &parsed, &why)) {
                if (error)
                    *error = why;
                return nullptr;
            }
            s->emu = std::make_shared<ModuleEmulator>(parsed);
        }
        s->options = options;
        s->baudCode = -1;
        s->mode = -1;
    }
    return std::make_unique<SimulatedBackend>(port, s->emu);
}

} // namespace SimulatedPorts
