// The data terminal: the module as a transparent radio modem. Data go out as they are;
// whatever the module delivers from the air comes back in blocks (a stream that never
// pauses in bounded blocks, see FrameAssembler).
#pragma once

#include "core/link/SerialLink.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QTimer>

class ModuleSession;

// How a file's sending ended.
enum class FileSendOutcome {
    Sent,      // the last byte has left the port
    Cancelled, // stopped by the operator (or by leaving the terminal)
    Failed,    // the port refused a piece (sendRefused tells why)
};

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
    // Starts sending a file's contents (at most kMaxFileBytes) in pieces paced by the line, so
    // the port never holds more than a few tenths of a second of it; false with the reason.
    // fileProgress follows the bytes that have left, fileFinished ends it.
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;
    bool sendFile(const QString& path, QString* error);
    // Nothing more of the file is handed to the port (what it already holds still goes).
    void cancelFile();
    bool isSendingFile() const { return m_fileTimer.isActive(); }

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
    // Bytes of the file that have left the port so far.
    void fileProgress(qint64 sent, qint64 total);
    // `sent`: bytes that have left or will leave (all of them when Sent). dataSent comes
    // with the whole file just before a Sent outcome.
    void fileFinished(FileSendOutcome outcome, qint64 sent, qint64 total);

private:
    void pumpFile();
    void finishFile(FileSendOutcome outcome, qint64 sent);

    ModuleSession& m_session;
    QByteArray m_file;        // the file being sent
    qint64 m_fileHanded = 0;  // bytes given to the port
    qint64 m_fileLeft = 0;    // bytes told as gone
    qint64 m_fileStartNs = 0; // on SystemClock, when the file's sending began
    double m_lineFreeAt = 0;  // ms since m_fileStartNs when the line has carried what was handed
    QTimer m_fileTimer;
    QFile m_save;
    qint64 m_txBytes = 0;
    qint64 m_rxBytes = 0;
};
