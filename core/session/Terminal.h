// The data terminal: the module as a transparent radio modem. Data go out as they are;
// whatever the module delivers from the air comes back in blocks (a stream that never
// pauses in bounded blocks, see FrameAssembler).
#pragma once

#include "core/link/SerialLink.h"

#include <QByteArray>
#include <QObject>

class ModuleSession;

class Terminal : public QObject {
    Q_OBJECT
public:
    explicit Terminal(ModuleSession& session, QObject* parent = nullptr);

    // Sends `data` and enters the receiving state. Empty data is not sent.
    LinkStatus send(const QByteArray& data);
    // Enter (work state 5) or leave (idle) the receiving state.
    void setReceiving(bool on);
    bool isReceiving() const;
    // Blocks shown as text keep the bytes of a character together.
    void setShowAsText(bool text);

    qint64 bytesSent() const { return m_txBytes; }
    qint64 bytesReceived() const { return m_rxBytes; }

signals:
    void dataSent(const QByteArray& data);
    void sendRefused(LinkStatus status);
    void dataEmpty();
    void blockReceived(const QByteArray& block);

private:
    ModuleSession& m_session;
    qint64 m_txBytes = 0;
    qint64 m_rxBytes = 0;
};
