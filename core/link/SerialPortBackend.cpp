#include "SerialPortBackend.h"

#include "SioCodes.h"

#include <QFileInfo>
#include <QSerialPort>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// Unix98 pty slaves (/dev/pts/N) have majors 136..143; old BSD ones live at /dev/ttyp*.
bool IsPseudoTerminal(int fd, const QString& path)
{
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode)) {
        const unsigned maj = major(st.st_rdev);
        if (maj >= 136 && maj <= 143)
            return true;
    }
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.startsWith(QLatin1String("/dev/pts/")) || real.startsWith(QLatin1String("/dev/ttyp"));
}
#endif

QSerialPort::Parity ParityOf(char p)
{
    switch (p) {
    case 'E': return QSerialPort::EvenParity;
    case 'O': return QSerialPort::OddParity;
    case 'S': return QSerialPort::SpaceParity;
    case 'M': return QSerialPort::MarkParity;
    default: return QSerialPort::NoParity;
    }
}

} // namespace

SerialPortBackend::SerialPortBackend(const QString& device) : m_device(device) {}

SerialPortBackend::~SerialPortBackend()
{
    if (m_port)
        m_port->close();
}

int SerialPortBackend::open()
{
    if (m_open && !m_lost)
        return SIO_OK;
    if (m_port)
        m_port->close();
    m_port = std::make_unique<QSerialPort>();
    m_port->setPortName(m_device);
    m_open = false;
    m_lost = false;
    if (!m_port->open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port->error();
        m_port.reset();
        switch (error) {
        case QSerialPort::DeviceNotFoundError:
        case QSerialPort::PermissionError: // busy: another program (or port number) has it
        case QSerialPort::OpenError:
        case QSerialPort::UnsupportedOperationError: // not a serial device at all
            return SIO_OPENFAIL;
        default:
            return SIO_WIN32FAIL;
        }
    }
    m_open = true;
#ifdef Q_OS_UNIX
    m_pty = IsPseudoTerminal(static_cast<int>(m_port->handle()), m_device);
#endif
    // The event loop reads the driver's bytes into the port's buffer and tells; a device
    // that goes away shows as an error.
    QObject::connect(m_port.get(), &QSerialPort::readyRead, [this] { notify(); });
    QObject::connect(m_port.get(), &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError e) {
        if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError)
            notify();
    });
    return SIO_OK;
}

int SerialPortBackend::close()
{
    if (!m_open)
        return SIO_BADPORT;
    if (m_port)
        m_port->close();
    m_port.reset();
    m_open = false;
    m_lost = false;
    return SIO_OK;
}

void SerialPortBackend::markLost()
{
    // Let go of the descriptor and the lock at once so the device can be reopened when it
    // comes back; the port stays open as far as the tool knows until it closes it.
    m_lost = true;
    if (m_port)
        m_port->close();
    m_port.reset();
}

bool SerialPortBackend::checkLost()
{
    switch (m_port->error()) {
    case QSerialPort::ResourceError:
        // QSerialPort also says ResourceError for EAGAIN: a driver queue that is full, or a
        // read woken for bytes something else took first. Only a hung-up device is gone.
        if (!hungUp()) {
            m_port->clearError();
            // It stops telling of new bytes after a ResourceError; this starts it again.
            m_port->setReadBufferSize(m_port->readBufferSize());
            return false;
        }
        markLost();
        return true;
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::NotOpenError:
        markLost();
        return true;
    default:
        return false;
    }
}

bool SerialPortBackend::hungUp() const
{
#ifdef Q_OS_UNIX
    // A device that went away (adapter pulled, pty master closed) polls as hung up.
    pollfd pfd{};
    pfd.fd = static_cast<int>(m_port->handle());
    return ::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL));
#else
    return true;
#endif
}

int SerialPortBackend::ioctl(int baudCode, int mode)
{
    if (!m_open || m_lost)
        return SIO_BADPORT;
    LineSettings line;
    if (!SioDecodeLine(baudCode, mode, &line))
        return SIO_BADPARM;

    // Each setter is one tcsetattr. A pseudo-terminal's driver clears PARENB and forces 8 data
    // bits, and the C library then reports EINVAL although the rest was applied: on a pty
    // that is success, or a search over pseudo-terminals could never change parity.
    auto apply = [this](bool ok) -> int {
        const int err = errno;
        if (ok)
            return SIO_OK;
        if (m_pty && m_port->error() == QSerialPort::UnsupportedOperationError && err == EINVAL) {
            m_port->clearError();
            return SIO_OK;
        }
        if (checkLost())
            return SIO_BADPORT;
        m_port->clearError();
        return SIO_WIN32FAIL;
    };
    errno = 0;
    int status = apply(m_port->setBaudRate(line.baud));
    if (status == SIO_OK) {
        errno = 0;
        status = apply(m_port->setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits)));
    }
    if (status == SIO_OK) {
        errno = 0;
        status = apply(m_port->setParity(ParityOf(line.parity)));
    }
#ifdef Q_OS_UNIX
    if (status == SIO_OK && !tidyParityBits(line.parity))
        status = checkLost() ? SIO_BADPORT : SIO_WIN32FAIL;
#endif
    if (status == SIO_OK) {
        errno = 0;
        status = apply(m_port->setStopBits(line.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop));
    }
    if (status == SIO_OK) {
        errno = 0;
        status = apply(m_port->setFlowControl(QSerialPort::NoFlowControl));
    }
    return status;
}

#ifdef Q_OS_UNIX
bool SerialPortBackend::tidyParityBits(char parity)
{
    // QSerialPort leaves PARODD (and CMSPAR) behind when it turns parity off or to even. A
    // real UART ignores them without PARENB, but whatever reads the settings from a
    // pseudo-terminal's other side would still see odd parity after "none".
    const int fd = static_cast<int>(m_port->handle());
    termios tio {};
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    tcflag_t unwanted = 0;
#ifdef CMSPAR
    if (parity != 'S' && parity != 'M')
        unwanted |= CMSPAR;
#endif
    if (parity == 'N' || parity == 'E')
        unwanted |= PARODD;
    if ((tio.c_cflag & unwanted) == 0)
        return true;
    tio.c_cflag &= ~unwanted;
    if (::tcsetattr(fd, TCSANOW, &tio) == 0)
        return true;
    return m_pty && errno == EINVAL; // the pty driver's own PARENB clearing, as above
}
#endif

bool SerialPortBackend::pullIn()
{
#ifdef Q_OS_UNIX
    // Ask the driver first: most polls find nothing and cost one system call.
    pollfd pfd{};
    pfd.fd = static_cast<int>(m_port->handle());
    pfd.events = POLLIN;
    const int r = ::poll(&pfd, 1, 0);
    if (r < 0)
        return errno == EINTR;
    if (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) {
        markLost();
        return false;
    }
    if (!(pfd.revents & POLLIN))
        return true;
#endif
    // Reads what the driver holds into the port's buffer without waiting. Finding nothing
    // is a TimeoutError, which is no fault of the port.
    if (!m_port->waitForReadyRead(0)) {
        if (checkLost())
            return false;
        m_port->clearError();
    }
    return true;
}

int SerialPortBackend::iqueue()
{
    if (!m_open)
        return SIO_BADPORT;
    if (m_lost || !pullIn())
        return 0;
    return static_cast<int>(std::min<qint64>(m_port->bytesAvailable(), INT_MAX));
}

int SerialPortBackend::oqueue()
{
    if (!m_open)
        return SIO_BADPORT;
    if (m_lost)
        return 0;
    qint64 waiting = m_port->bytesToWrite();
#ifdef Q_OS_UNIX
    // What the driver still holds for the UART (a pty tells 0).
    int driver = 0;
    if (::ioctl(int(m_port->handle()), TIOCOUTQ, &driver) == 0 && driver > 0)
        waiting += driver;
#endif
    return static_cast<int>(std::min<qint64>(waiting, INT_MAX));
}

int SerialPortBackend::read(char* buf, int len)
{
    if (!m_open)
        return SIO_BADPORT;
    if (len < 0 || (len > 0 && !buf))
        return SIO_BADPARM;
    if (m_lost || len == 0)
        return 0;
    if (m_port->bytesAvailable() == 0 && !pullIn())
        return 0;
    const qint64 n = m_port->read(buf, len);
    if (n < 0) {
        if (!checkLost())
            m_port->clearError();
        return 0;
    }
    return static_cast<int>(n);
}

int SerialPortBackend::write(const char* buf, int len)
{
    if (!m_open || m_lost)
        return SIO_BADPORT;
    if (len < 0 || (len > 0 && !buf))
        return SIO_BADPARM;
    if (len == 0)
        return 0;
    // An error the event loop met since the last call either means the device has gone or
    // is over; it must not be taken for a fault of this write.
    if (m_port->error() != QSerialPort::NoError) {
        if (checkLost())
            return SIO_BADPORT;
        m_port->clearError();
    }
    const qint64 queued = m_port->write(buf, len);
    // Hand the bytes to the driver now: the tool may block its thread before the event
    // loop would get to them.
    if (queued >= 0)
        m_port->flush();
    const QSerialPort::SerialPortError error = m_port->error();
    if (queued < 0 || (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)) {
        if (checkLost())
            return SIO_BADPORT;
        m_port->clearError();
        // A full driver queue: the port keeps the bytes and writes them as the line drains.
        if (queued >= 0 && error == QSerialPort::ResourceError)
            return static_cast<int>(queued);
        return SIO_WIN32FAIL;
    }
    return static_cast<int>(queued);
}
