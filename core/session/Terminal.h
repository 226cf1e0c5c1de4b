// The data terminal: the module as a transparent radio modem. Data go out as they are;
// whatever the module delivers from the air comes back in blocks (a stream that never
// pauses in bounded blocks, see FrameAssembler).
#pragma once

#include "core/link/SerialLink.h"

#include <QByteArray>
#include <QFile>
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

    // Every received byte, as received, also into a file (appended); false with the reason.
    bool startSaving(const QString& path, QString* error);
    void stopSaving();
    bool isSaving() const { return m_save.isOpen(); }
    // Sends a file's contents as one block (at most kMaxFileBytes); false with the reason.
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;
    bool sendFile(const QString& path, QString* error);

    qint64 bytesSent() const { return m_txBytes; }
    qint64 bytesReceived() const { return m_rxBytes; }

signals:
    void dataSent(const QByteArray& data);
    void sendRefused(LinkStatus status);
    void dataEmpty();
    void blockReceived(const QByteArray& block);
    // Received data could not be written into the file (`reason` as the system tells it):
    // saving has stopped, the terminal goes on.
    void savingFailed(const QString& path, const QString& reason);

private:
    ModuleSession& m_session;
    QFile m_save;
    qint64 m_txBytes = 0;
    qint64 m_rxBytes = 0;
};
