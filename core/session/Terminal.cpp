#include "Terminal.h"

#include "ModuleSession.h"

Terminal::Terminal(ModuleSession& session, QObject* parent) : QObject(parent), m_session(session)
{
    connect(&session, &ModuleSession::terminalBlockReceived, this, [this](const QByteArray& block) {
        m_rxBytes += block.size();
        emit blockReceived(block);
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
