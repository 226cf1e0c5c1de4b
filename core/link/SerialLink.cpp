#include "SerialLink.h"

#include "PComm.h"

#include <QMetaObject>

LinkStatus LinkStatusOf(int sioStatus)
{
    if (sioStatus >= 0)
        return LinkStatus::Ok;
    switch (sioStatus) {
    case SIO_BADPORT: return LinkStatus::BadPort;
    case SIO_OPENFAIL: return LinkStatus::OpenFail;
    case SIO_BADPARM: return LinkStatus::BadParameter;
    case SIO_WIN32FAIL: return LinkStatus::SystemFail;
    case SIO_ABORTWRITE: return LinkStatus::WriteAborted;
    default: return LinkStatus::Other;
    }
}

SerialLink::SerialLink(QObject* parent) : QObject(parent)
{
    m_reopenTimer.setInterval(1000);
    connect(&m_reopenTimer, &QTimer::timeout, this, [this] {
        if (!m_open || !isLost()) {
            m_reopenTimer.stop();
            return;
        }
        const LineSettings line = m_line;
        if (open(m_port) != LinkStatus::Ok)
            return;
        m_reopenTimer.stop();
        configure(line);
        emit reopened();
    });
}

void SerialLink::setReopenWhenBack(bool on)
{
    m_reopen = on;
    if (!on)
        m_reopenTimer.stop();
    else if (m_open && isLost())
        m_reopenTimer.start();
}

SerialLink::~SerialLink()
{
    // The port goes with its link: left open, no other link or program could have it.
    if (m_open)
        close(m_port);
    unwatch();
}

LinkStatus SerialLink::open(int port)
{
    // The library leaves a port that is open (and not lost) as it is, line settings and all.
    const bool again = m_open && port == m_port && !isLost();
    const LinkStatus status = LinkStatusOf(sio_open(port));
    if (status != LinkStatus::Ok)
        return status;
    m_port = port;
    m_open = true;
    m_lostReported = false;
    if (again)
        configure(m_line); // the same settings, also when the mapping moved it to another device
    else
        m_line = LineSettings{};
    watch(port);
    // Bytes that came while nobody listened are there to be read.
    onActivity();
    return status;
}

LinkStatus SerialLink::configure(const LineSettings& line)
{
    const int baud = SioBaudCode(line.baud);
    const LinkStatus status = LinkStatusOf(sio_ioctl(m_port, baud < 0 ? 0x7FFF : baud, SioLineMode(line)));
    if (status == LinkStatus::Ok)
        m_line = line;
    else if (isLost())
        onActivity();
    return status;
}

LinkStatus SerialLink::close(int port)
{
    const LinkStatus status = LinkStatusOf(sio_close(port));
    if (status == LinkStatus::Ok && port == m_port) {
        m_open = false;
        unwatch();
    }
    return status;
}

LinkStatus SerialLink::send(const QByteArray& data)
{
    const LinkStatus status = LinkStatusOf(sio_write(m_port, data.constData(), int(data.size())));
    if (status != LinkStatus::Ok && isLost())
        onActivity();
    return status;
}

QByteArray SerialLink::read(int max)
{
    const int waiting = sio_iqueue(m_port);
    if (waiting <= 0 || max <= 0)
        return {};
    QByteArray out(qMin(waiting, max), Qt::Uninitialized);
    const int got = sio_read(m_port, out.data(), int(out.size()));
    out.resize(qBound(0, got, int(out.size())));
    return out;
}

int SerialLink::pendingOutput() const
{
    return qMax(0, sio_oqueue(m_port));
}

bool SerialLink::isLost() const
{
    return sio_lost(m_port);
}

void SerialLink::watch(int port)
{
    if (m_watched == port)
        return;
    unwatch();
    m_watched = port;
    sio_cnt_irq(port, [this](int) { onActivity(); });
}

void SerialLink::unwatch()
{
    if (m_watched)
        sio_cnt_irq(m_watched, nullptr);
    m_watched = 0;
}

void SerialLink::onActivity()
{
    // Only take note here: the port layer may be inside its own event handling.
    if (m_servicePending)
        return;
    m_servicePending = true;
    QMetaObject::invokeMethod(this, &SerialLink::service, Qt::QueuedConnection);
}

void SerialLink::service()
{
    m_servicePending = false;
    if (!m_open)
        return;
    // Asking for the queue notices a device that went away.
    const int waiting = sio_iqueue(m_port);
    if (sio_lost(m_port)) {
        if (!m_lostReported) {
            m_lostReported = true;
            emit lost();
            if (m_reopen)
                m_reopenTimer.start();
        }
        return;
    }
    if (waiting > 0)
        emit readyRead();
}
