// The serial link of one module session: the port it talks on, its line settings, and word
// when bytes arrive or the device goes away. Every call goes through the serial library
// (PComm.h); failures come back as statuses, and telling the operator is the front end's job.
#pragma once

#include "LineSettings.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

enum class LinkStatus {
    Ok,
    BadPort,      // port number invalid or port not opened
    OpenFail,     // no such device, or another program has it
    BadParameter, // bad parameter
    SystemFail,   // the operating system call failed
    WriteAborted, // write aborted
    Other,
};

// The status of a serial library result code.
LinkStatus LinkStatusOf(int sioStatus);

class SerialLink : public QObject {
    Q_OBJECT
public:
    // Largest block read at once; more waiting bytes are read in further blocks.
    static constexpr int kReadChunk = 4096;

    explicit SerialLink(QObject* parent = nullptr);
    // Closes this link's port when it is open.
    ~SerialLink() override;

    // Opens COMn (1..36) on what the port mapping says and makes it this link's port. The
    // port used before stays open until it is closed. Opening this link's open port again
    // keeps its line settings.
    LinkStatus open(int port);
    // Line settings of this link's port.
    LinkStatus configure(const LineSettings& line);
    // Closes COMn, this link's port or another one.
    LinkStatus close(int port);
    LinkStatus close() { return close(m_port); }
    // Sends every byte of `data` on this link's port.
    LinkStatus send(const QByteArray& data);
    // What waits now, at most `max` bytes; empty when nothing waits.
    QByteArray read(int max = kReadChunk);
    // Bytes sent that have not yet left for the line (0 where the device cannot tell).
    int pendingOutput() const;

    int port() const { return m_port; }
    // The settings last given to configure (9600 8N1 after the open of a closed or lost port).
    LineSettings line() const { return m_line; }
    bool isOpen() const { return m_open; }
    // Open, but the device has gone (adapter pulled out, other end of a pty closed).
    bool isLost() const;
    // After the device went away, try every second to open it again (at the same line
    // settings) until it is back.
    void setReopenWhenBack(bool on);
    bool reopensWhenBack() const { return m_reopen; }

signals:
    // Bytes may be waiting (always delivered from the event loop, never from inside a call).
    void readyRead();
    // The device of this link's port went away.
    void lost();
    // It came back and the port is open again (setReopenWhenBack).
    void reopened();

private:
    void watch(int port);
    void unwatch();
    void onActivity();
    void service();

    int m_port = 0;
    int m_watched = 0;
    bool m_open = false;
    bool m_lostReported = false;
    bool m_servicePending = false;
    LineSettings m_line;
    bool m_reopen = false;
    QTimer m_reopenTimer;
};
