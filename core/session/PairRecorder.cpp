#include "PairRecorder.h"

#include "Clock.h"
#include "core/config/Csv.h"

#include <QDateTime>

PairRecorder::PairRecorder(PairTest& pair, QObject* parent) : QObject(parent), m_pair(pair)
{
    m_runStartNs = SystemClock::monotonicNs();
    m_timer.setInterval(5000);
    connect(&m_timer, &QTimer::timeout, this, &PairRecorder::takePoint);
    m_timer.start();
    connect(&pair, &PairTest::frameReceived, this, [this](const QByteArray& result, bool corrected) {
        m_pendingResult = result;
        m_pendingCorrected = corrected;
    });
    connect(&pair, &PairTest::frameJudged, this, &PairRecorder::record);
    connect(&pair, &PairTest::started, this, &PairRecorder::startRun);
    connect(&pair, &PairTest::dataSent, this, [this] { m_awaitingReply = m_pair.role() == PairRole::MainSend; });
    connect(&pair, &PairTest::dataSent, this, &PairRecorder::blockSent);
    connect(&pair, &PairTest::frameJudged, this, [this] { m_awaitingReply = false; });
}

PairRecorder::~PairRecorder()
{
    stopFile();
}

namespace {

QString Now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
}

} // namespace

void PairRecorder::blockSent(const QByteArray& data)
{
    if (m_pair.role() != PairRole::MainSend)
        return; // the receiving side's blocks are echoes, not questions
    m_unanswered.append(SentBlock{Now(), int(data.size()), m_pair.counters()});
    // After return, a block goes out again only when the one before got no reply in time;
    // timed, a reply may still come after the next block, but not after the one after that.
    writeUnanswered(m_pair.timedSending() ? 2 : 1);
}

void PairRecorder::writeUnanswered(int keep)
{
    while (m_unanswered.size() > keep) {
        const SentBlock b = m_unanswered.takeFirst();
        writeRow({b.time, QString::number(b.bytes), QStringLiteral("0"), QStringLiteral("wrong"), QStringLiteral("no"),
                  QString::number(b.counters.sent), QString::number(b.counters.received),
                  QString::number(b.counters.success), QString::number(b.counters.error)});
    }
}

void PairRecorder::writeRow(const QStringList& row)
{
    if (!m_file.isOpen())
        return;
    m_file.write(Csv::Row(row).toUtf8());
    m_file.flush();
}

void PairRecorder::startRun()
{
    // The run before has ended: what it still waited for never came.
    writeUnanswered(0);
    m_runStartNs = SystemClock::monotonicNs();
    m_last = PairCounters{};
    m_awaitingReply = false;
    ++m_run;
}

qint64 PairRecorder::settled(const PairCounters& c) const
{
    return qMax<qint64>(0, c.sent - (m_awaitingReply ? 1 : 0));
}

QStringList PairRecorder::CsvHeader()
{
    return {QStringLiteral("time"),    QStringLiteral("sent_bytes"), QStringLiteral("received_bytes"),
            QStringLiteral("judgement"), QStringLiteral("corrected"), QStringLiteral("sent"),
            QStringLiteral("received"), QStringLiteral("success"),  QStringLiteral("error")};
}

bool PairRecorder::startFile(const QString& path, QString* error)
{
    stopFile();
    m_file.setFileName(path);
    const bool fresh = !m_file.exists() || m_file.size() == 0;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = QStringLiteral("%1: %2").arg(path, m_file.errorString());
        return false;
    }
    if (fresh)
        m_file.write(Csv::Row(CsvHeader()).toUtf8());
    m_file.flush();
    return true;
}

void PairRecorder::stopFile()
{
    // A stopped run sends nothing more; a reply still on its way would come too late for
    // the file anyway.
    if (m_pair.stopped())
        writeUnanswered(0);
    m_file.close();
}

void PairRecorder::record(bool correct)
{
    // The reply answers the oldest block still waiting (a late one may find none).
    if (!m_unanswered.isEmpty() && m_pair.role() == PairRole::MainSend)
        m_unanswered.removeFirst();
    // The judging of a frame comes after the block it answers was sent; the count of the
    // frame just judged is already in the counters.
    const PairCounters& c = m_pair.counters();
    const QStringList row{Now(),
                          QString::number(m_pair.lastSentSize()),
                          QString::number(m_pendingResult.size()),
                          correct ? QStringLiteral("good") : QStringLiteral("wrong"),
                          m_pendingCorrected ? QStringLiteral("yes") : QStringLiteral("no"),
                          QString::number(c.sent),
                          QString::number(c.received),
                          QString::number(c.success),
                          QString::number(c.error)};
    writeRow(row);
}

void PairRecorder::setInterval(int ms)
{
    m_timer.setInterval(qMax(100, ms));
}

void PairRecorder::clearPoints()
{
    m_points.clear();
    m_last = m_pair.counters();
    m_last.sent = settled(m_last);
    emit pointAdded();
}

void PairRecorder::takePoint()
{
    PairCounters c = m_pair.counters();
    c.sent = settled(c);
    // Counters set back without a new start: the interval counts from there.
    if (c.sent < m_last.sent || c.success < m_last.success)
        m_last = PairCounters{};
    const qint64 sent = c.sent - m_last.sent;
    if (sent <= 0)
        return; // nothing judged yet: a rate of nothing has no meaning
    Point p;
    p.seconds = (SystemClock::monotonicNs() - m_runStartNs) / 1000000 / 1000.0; // whole ms
    p.intervalRate = qMin(100.0, 100.0 * double(c.success - m_last.success) / double(sent));
    p.cumulativeRate = qMin(100.0, 100.0 * double(c.success) / double(c.sent));
    p.run = m_run;
    m_last = c;
    m_points.append(p);
    if (m_points.size() > kMaxPoints) {
        // The older half at half the resolution; the recent half as it is.
        const int half = int(m_points.size()) / 2;
        QVector<Point> merged;
        merged.reserve(kMaxPoints);
        int i = 0;
        while (i + 1 < half) {
            const Point& a = m_points[i];
            const Point& b = m_points[i + 1];
            // Points of two runs stay apart: each run keeps its own curve.
            if (a.run != b.run) {
                merged.append(a);
                ++i;
                continue;
            }
            merged.append(Point{(a.seconds + b.seconds) / 2, (a.intervalRate + b.intervalRate) / 2, b.cumulativeRate,
                                b.run});
            i += 2;
        }
        for (; i < m_points.size(); ++i)
            merged.append(m_points[i]);
        // Many short runs leave little to merge: the oldest points go.
        if (merged.size() > kMaxPoints)
            merged.remove(0, merged.size() - kMaxPoints);
        m_points = merged;
    }
    emit pointAdded();
}
