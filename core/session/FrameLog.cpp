#include "FrameLog.h"

#include "Clock.h"
#include "ModuleSession.h"
#include "core/config/Csv.h"
#include "core/protocol/HexText.h"

#include <QFile>

namespace {

QString LineText(const LineSettings& l)
{
    return QStringLiteral("%1 %2%3%4").arg(l.baud).arg(l.dataBits).arg(QLatin1Char(l.parity)).arg(l.stopBits);
}

} // namespace

QStringList FrameRecord::csvFields() const
{
    const bool frame = info.kind != FrameKind::Data;
    return {QString::number(timeMs),
            received ? QStringLiteral("in") : QStringLiteral("out"),
            LineText(line),
            info.kindName(),
            HexText::BytesToHexText(bytes, true).trimmed(),
            info.meaning(received),
            frame ? (info.checksumOk ? QStringLiteral("ok") : QStringLiteral("wrong")) : QString()};
}

FrameLog::FrameLog(int capacity, QObject* parent) : QObject(parent), m_capacity(qMax(1, capacity)), m_start(SystemClock::monotonicMs())
{
}

void FrameLog::watch(ModuleSession& session)
{
    connect(&session, &ModuleSession::frameSent, this, [this, &session](const QByteArray& f) {
        add(f, false, session.link().line());
    });
    connect(&session, &ModuleSession::blockReceived, this, [this, &session](const QByteArray& b, WorkState) {
        add(b, true, session.link().line());
    });
}

void FrameLog::add(const QByteArray& bytes, bool received, const LineSettings& line)
{
    FrameRecord r;
    r.timeMs = SystemClock::monotonicMs() - m_start;
    r.received = received;
    r.line = line;
    r.bytes = bytes;
    r.info = DescribeFrame(bytes, received);
    m_records.push_back(std::move(r));
    while (int(m_records.size()) > m_capacity)
        m_records.pop_front();
    ++m_total;
    emit added();
}

void FrameLog::clear()
{
    m_records.clear();
    m_total = 0;
    emit cleared();
}

QStringList FrameLog::CsvHeader()
{
    return {QStringLiteral("time_ms"), QStringLiteral("direction"), QStringLiteral("line"),    QStringLiteral("kind"),
            QStringLiteral("hex"),     QStringLiteral("meaning"),   QStringLiteral("checksum")};
}

bool FrameLog::saveCsv(const QString& path, QString* error, const FrameKind* kind) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    QByteArray out = Csv::Row(CsvHeader()).toUtf8();
    for (const FrameRecord& r : m_records) {
        if (kind && r.info.kind != *kind)
            continue;
        out += Csv::Row(r.csvFields()).toUtf8();
    }
    if (file.write(out) != out.size()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
