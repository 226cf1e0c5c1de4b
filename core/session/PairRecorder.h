// A record of a pair test: every exchange into a CSV file (when asked), a block sent and never
// answered included, and the success rate over time for a chart, per interval and since the
// start, each run counted from its own start.
// The chart's points are bounded: when there are too many, the older half is merged two by two.
#pragma once

#include "PairTest.h"

#include <QFile>
#include <QObject>
#include <QTimer>
#include <QVector>

class PairRecorder : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxPoints = 1000;

    struct Point {
        double seconds = 0;        // since the run started
        double intervalRate = 0;   // % of the blocks sent in the interval judged good
        double cumulativeRate = 0; // % since the run started
        int run = 0;               // which run: each is a curve of its own
    };

    explicit PairRecorder(PairTest& pair, QObject* parent = nullptr);
    ~PairRecorder() override;

    static QStringList CsvHeader();
    bool startFile(const QString& path, QString* error);
    // After the run's stop, the blocks still unanswered are written as failed first.
    void stopFile();
    bool isRecording() const { return m_file.isOpen(); }

    // How often a point is taken (default 5 s).
    void setInterval(int ms);
    int interval() const { return m_timer.interval(); }
    const QVector<Point>& points() const { return m_points; }
    // Takes a point now (the timer does this by itself).
    void takePoint();
    void clearPoints();

signals:
    void pointAdded();

private:
    // A main-send block whose reply has not come (yet), as it was when it went out.
    struct SentBlock {
        QString time;
        int bytes = 0;
        PairCounters counters;
    };

    void record(bool correct);
    void blockSent(const QByteArray& data);
    // Rows for the blocks that will get no reply any more: judged failed, nothing received.
    void writeUnanswered(int keep);
    void writeRow(const QStringList& row);
    void startRun();
    // Blocks sent whose outcome is known: the main-send side's block still waiting for its
    // reply is neither good nor failed yet.
    qint64 settled(const PairCounters& c) const;

    PairTest& m_pair;
    QFile m_file;
    QTimer m_timer;
    qint64 m_runStartNs = 0;  // on SystemClock
    QVector<Point> m_points;
    PairCounters m_last;
    QByteArray m_pendingResult;
    bool m_pendingCorrected = false;
    bool m_awaitingReply = false;
    QVector<SentBlock> m_unanswered; // oldest first
    int m_run = 0;
};
