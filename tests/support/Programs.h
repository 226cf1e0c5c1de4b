// The project's programs run as a user runs them: rfmodctl in a working directory of its
// own, rfmod-emu serving a module on a pseudo-terminal.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace Programs {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// rfmodctl with `args` in `dir` (which holds its Config.ini); `input`, when given, is its
// whole standard input.
inline Run Ctl(const QString& dir, const QStringList& args, int timeoutMs = 60000, const QByteArray& input = QByteArray())
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(qEnvironmentVariable("RFMOD_CTL"), args);
    if (!input.isNull()) {
        p.write(input);
        p.closeWriteChannel();
    }
    Run r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("timed out");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// rfmod-emu serving one module (or a jig of them), behind a fixed link path when one is given.
class Emulator {
public:
    Emulator(const QString& link, const QStringList& args, const QString& program = qEnvironmentVariable("RFMOD_EMU"))
    {
        m_proc.setProcessChannelMode(QProcess::SeparateChannels);
        m_proc.start(program, link.isEmpty() ? args : args + QStringList{QStringLiteral("--link"), link});
        started = m_proc.waitForStarted(5000) && m_proc.waitForReadyRead(5000);
        tty = QString::fromLocal8Bit(m_proc.readLine()).trimmed();
        started = started && !tty.isEmpty();
    }
    ~Emulator() { stop(); }
    void kill()
    {
        m_proc.kill();
        m_proc.waitForFinished(3000);
    }
    void stop()
    {
        if (m_proc.state() != QProcess::NotRunning) {
            m_proc.terminate();
            if (!m_proc.waitForFinished(3000))
                kill();
        }
    }
    // What it said on stderr so far (the jig's "module N on/off").
    QString log()
    {
        m_log += QString::fromUtf8(m_proc.readAllStandardError());
        return m_log;
    }
    bool started = false;
    QString tty; // the pseudo-terminal it serves

private:
    QProcess m_proc;
    QString m_log;
};

inline void WriteFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(text);
}

inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace Programs
