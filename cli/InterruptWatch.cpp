#include "InterruptWatch.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace Cli {

namespace {

volatile std::sig_atomic_t g_writeFd = -1;
InterruptWatch* g_current = nullptr;

// Async-signal-safe: one write() to a non-blocking pipe (a full pipe loses nothing that counts).
void OnSignal(int signal)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    const int fd = g_writeFd;
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

InterruptWatch::InterruptWatch(QObject* parent) : QObject(parent)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the default handling stays: a signal ends the process as before
    m_read = fds[0];
    m_write = fds[1];
    g_writeFd = m_write;
    g_current = this;
    m_notifier = new QSocketNotifier(m_read, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InterruptWatch::drain);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    // A read or write on the port goes on where it was; the event loop sees the pipe.
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, &m_oldInt);
    sigaction(SIGTERM, &sa, &m_oldTerm);
}

InterruptWatch::~InterruptWatch()
{
    if (m_read < 0)
        return;
    sigaction(SIGINT, &m_oldInt, nullptr);
    sigaction(SIGTERM, &m_oldTerm, nullptr);
    g_writeFd = -1;
    if (g_current == this)
        g_current = nullptr;
    delete m_notifier;
    ::close(m_read);
    ::close(m_write);
}

InterruptWatch* InterruptWatch::Current()
{
    return g_current;
}

void InterruptWatch::drain()
{
    unsigned char bytes[64];
    ssize_t n;
    int first = 0;
    while ((n = ::read(m_read, bytes, sizeof bytes)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0 && !first)
            first = bytes[0];
    if (first && !m_signal) {
        m_signal = first;
        emit interrupted(m_signal);
    }
}

bool InterruptWatch::poll()
{
    if (!m_signal && m_read >= 0)
        drain();
    return m_signal != 0;
}

void InterruptWatch::onInterrupt(QObject* context, std::function<void()> then)
{
    if (m_signal) {
        QMetaObject::invokeMethod(context, std::move(then), Qt::QueuedConnection);
        return;
    }
    connect(this, &InterruptWatch::interrupted, context, [then = std::move(then)](int) { then(); });
}

QString InterruptWatch::SignalName(int signal)
{
    switch (signal) {
    case SIGINT: return QStringLiteral("SIGINT");
    case SIGTERM: return QStringLiteral("SIGTERM");
    }
    return QStringLiteral("signal %1").arg(signal);
}

} // namespace Cli
