#include "Terminal.h"

#include "Clock.h"
#include "ModuleSession.h"

#include <cmath>

namespace {
// Line time handed to the port ahead of the line: enough that it never pauses between
// pieces, little enough that Cancel stops the file at once.
constexpr double kAheadMs = 200;
constexpr int kPumpMs = 20;
} // namespace

Terminal::Terminal(ModuleSession& session, QObject* parent) : QObject(parent), m_session(session)
{
    connect(&session, &ModuleSession::terminalBlockReceived, this, [this](const QByteArray& block) {
        m_rxBytes += block.size();
        const bool failed = m_save.isOpen() && (m_save.write(block) != block.size() || !m_save.flush());
        const QString reason = failed ? m_save.errorString() : QString();
        // A full disk or a file size limit: told once, as the file is closed.
        if (failed)
            m_save.close();
        emit blockReceived(block);
        if (failed)
            emit savingFailed(m_save.fileName(), reason);
    });
    m_fileTimer.setInterval(kPumpMs);
    connect(&m_fileTimer, &QTimer::timeout, this, &Terminal::pumpFile);
}

LinkStatus Terminal::send(const QByteArray& data)
{
    if (data.isEmpty()) {
        emit dataEmpty();
        return LinkStatus::BadParameter;
    }
    const LinkStatus status = m_session.sendData(data, WorkState::Terminal);
    if (status != LinkStatus::Ok) {
        emit sendRefused(status);
        return status;
    }
    m_txBytes += data.size();
    emit dataSent(data);
    return status;
}

bool Terminal::startSaving(const QString& path, QString* error)
{
    stopSaving();
    m_save.setFileName(path);
    if (m_save.open(QIODevice::WriteOnly | QIODevice::Append))
        return true;
    *error = QStringLiteral("%1: %2").arg(path, m_save.errorString());
    return false;
}

void Terminal::stopSaving()
{
    m_save.close();
}

bool Terminal::sendFile(const QString& path, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, f.errorString());
        return false;
    }
    if (f.size() > kMaxFileBytes) {
        *error = QStringLiteral("%1: %2 bytes, more than %3").arg(path).arg(f.size()).arg(kMaxFileBytes);
        return false;
    }
    const QByteArray data = f.readAll();
    if (data.isEmpty()) {
        *error = QStringLiteral("%1: empty").arg(path);
        return false;
    }
    cancelFile();
    m_file = data;
    m_fileHanded = 0;
    m_fileLeft = 0;
    m_lineFreeAt = 0;
    m_fileStartNs = SystemClock::monotonicNs();
    m_fileTimer.start();
    emit fileProgress(0, m_file.size());
    pumpFile();
    return true;
}

void Terminal::cancelFile()
{
    if (isSendingFile())
        finishFile(FileSendOutcome::Cancelled, m_fileHanded);
}

void Terminal::pumpFile()
{
    if (!isSendingFile())
        return;
    const qint64 total = m_file.size();
    const double now = double(SystemClock::monotonicNs() - m_fileStartNs) / 1e6;
    const LineSettings line = m_session.link().line();
    const int bitsPerByte = 1 + line.dataBits + (line.parity == 'N' ? 0 : 1) + line.stopBits;
    const double bytesPerMs = double(qMax(line.baud, 1)) / (bitsPerByte * 1000.0);
    // Gone: handed over, out of the port's queue, and its time on the line has passed (a
    // driver or a pseudo-terminal takes far more than the line carries).
    const qint64 onLine = qint64(std::ceil(qMax(0.0, m_lineFreeAt - now) * bytesPerMs));
    const qint64 held = qMax<qint64>(onLine, m_session.link().pendingOutput());
    const qint64 gone = qMax<qint64>(m_fileLeft, m_fileHanded - held);
    if (gone > m_fileLeft) {
        m_fileLeft = gone;
        emit fileProgress(gone, total);
        if (!isSendingFile())
            return; // cancelled by whoever was told
    }
    if (gone >= total) {
        emit dataSent(m_file);
        finishFile(FileSendOutcome::Sent, total);
        return;
    }
    // Refilled once half of it has gone, so pieces are not a byte or two each.
    const qint64 ahead = qMax<qint64>(32, qint64(bytesPerMs * kAheadMs));
    const qint64 inFlight = m_fileHanded - gone;
    if (m_fileHanded >= total || inFlight > ahead / 2)
        return;
    const QByteArray piece = m_file.mid(m_fileHanded, qMin(total - m_fileHanded, ahead - inFlight));
    const LinkStatus status = m_session.sendData(piece, WorkState::Terminal);
    if (status != LinkStatus::Ok) {
        emit sendRefused(status);
        finishFile(FileSendOutcome::Failed, gone);
        return;
    }
    m_fileHanded += piece.size();
    m_txBytes += piece.size();
    m_lineFreeAt = qMax(m_lineFreeAt, now) + piece.size() / bytesPerMs;
}

void Terminal::finishFile(FileSendOutcome outcome, qint64 sent)
{
    m_fileTimer.stop();
    const qint64 total = m_file.size();
    m_file.clear();
    emit fileFinished(outcome, sent, total);
}

void Terminal::setReceiving(bool on)
{
    if (!on)
        cancelFile();
    m_session.setWorkState(on ? WorkState::Terminal : WorkState::Idle);
}

bool Terminal::isReceiving() const
{
    return m_session.workState() == WorkState::Terminal;
}

void Terminal::setShowAsText(bool text)
{
    m_session.setTerminalText(text);
}
