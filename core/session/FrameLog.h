// Every frame a session sends and receives, newest last, for a frame monitor: bounded (the
// oldest go first), cheap to add to, described once when added.
#pragma once

#include "core/link/LineSettings.h"
#include "core/protocol/FrameInfo.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <deque>

class ModuleSession;

struct FrameRecord {
    qint64 timeMs = 0;  // since the log was made
    bool received = false;
    LineSettings line;
    QByteArray bytes;
    FrameInfo info;
    // CSV fields: time_ms, direction, line, kind, hex, meaning, checksum
    QStringList csvFields() const;
};

class FrameLog : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultCapacity = 10000;

    explicit FrameLog(int capacity = kDefaultCapacity, QObject* parent = nullptr);

    // Takes every frame of `session` from now on (until it is destroyed).
    void watch(ModuleSession& session);
    void add(const QByteArray& bytes, bool received, const LineSettings& line);
    // Forgets every frame; the count starts again at 0.
    void clear();

    int size() const { return int(m_records.size()); }
    int capacity() const { return m_capacity; }
    const FrameRecord& at(int i) const { return m_records[size_t(i)]; }
    // Frames added since the log was made or cleared (also those the bound has let go).
    qint64 total() const { return m_total; }

    static QStringList CsvHeader();
    // Writes the log (or, with `kind`, only frames of that kind) as CSV; false with the reason.
    bool saveCsv(const QString& path, QString* error, const FrameKind* kind = nullptr) const;

signals:
    void added();
    void cleared();

private:
    int m_capacity;
    qint64 m_total = 0;
    qint64 m_start = 0;
    std::deque<FrameRecord> m_records;
};
