// Ctrl+C (SIGINT) and SIGTERM as an event of the event loop: the handler only writes the
// signal's number into a pipe, a socket notifier reads it. One watch for the whole run of a
// command that waits for a module; what waits gives up as cancelled instead of the process
// dying mid-command (a port left half-configured, a serial number neither kept nor recorded).
#pragma once

#include <QObject>

#include <csignal>
#include <functional>

class QSocketNotifier;

namespace Cli {

class InterruptWatch : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; the one of this run until it goes, then the earlier handling is back.
    explicit InterruptWatch(QObject* parent = nullptr);
    ~InterruptWatch() override;

    // The watch of this run, null when none is installed.
    static InterruptWatch* Current();

    // True once a signal has come; one still in the pipe counts (read now, told at once).
    bool poll();
    // The first signal that came, 0 before one came.
    int caught() const { return m_signal; }
    // `then` is called in the event loop while `context` lives, once, when the first signal
    // comes; soon after this call when it has come already.
    void onInterrupt(QObject* context, std::function<void()> then);

    static QString SignalName(int signal);

signals:
    // The first signal only: those after it have nothing more to stop.
    void interrupted(int signal);

private:
    void drain();

    int m_read = -1;
    int m_write = -1;
    int m_signal = 0;
    QSocketNotifier* m_notifier = nullptr;
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
};

} // namespace Cli
