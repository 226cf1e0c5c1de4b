#include "Terminal.h"

#include "ModuleSession.h"

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
    return send(data) == LinkStatus::Ok;
}

void Terminal::setReceiving(bool on)
{
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
