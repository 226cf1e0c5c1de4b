// The master side of a pseudo-terminal that a test opens itself; the tool opens the slave
// through the port mapping in Config.ini.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QThread>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

// The master side of a pseudo-terminal.
class Pty {
public:
    ~Pty() { close(); }
    bool open()
    {
        m_fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0 || ::grantpt(m_fd) != 0 || ::unlockpt(m_fd) != 0)
            return false;
        // Not handed to the programs a test starts: closing it must hang up the slave.
        ::fcntl(m_fd, F_SETFD, FD_CLOEXEC);
        m_slave = QString::fromLocal8Bit(::ptsname(m_fd));
        return true;
    }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    QString slave() const { return m_slave; }
    bool write(const QByteArray& bytes)
    {
        qsizetype done = 0;
        QElapsedTimer t;
        t.start();
        while (done < bytes.size() && t.elapsed() < 2000) {
            const ssize_t n = ::write(m_fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (n > 0)
                done += n;
            else
                QThread::msleep(1);
        }
        return done == bytes.size();
    }
    // What the slave side wrote, waiting up to `ms` for `count` bytes.
    QByteArray read(int count, int ms = 2000)
    {
        QByteArray out;
        QElapsedTimer t;
        t.start();
        char buf[512];
        while (out.size() < count && t.elapsed() < ms) {
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n > 0)
                out.append(buf, static_cast<int>(n));
            else
                QThread::msleep(1);
        }
        return out;
    }
    // The slave's termios as the master sees it.
    tcflag_t cflag() const
    {
        termios tio {};
        ::tcgetattr(m_fd, &tio);
        return tio.c_cflag;
    }

private:
    int m_fd = -1;
    QString m_slave;
};
