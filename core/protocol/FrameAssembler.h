// Gathers received bytes into blocks. A block is complete once the line has been quiet for
// longer than the frame gap: no length, header or terminator is used, so two answers closer
// together than the gap are one block. A stream that never pauses (the data terminal) is
// also cut into bounded blocks, so it is shown at least every hold time and memory stays
// bounded; such a cut falls after a line end where there is one.
// Times are the caller's clock in milliseconds.
#pragma once

#include <QByteArray>

class FrameAssembler {
public:
    static constexpr int kBlockBytes = 1024; // a streamed block at most
    static constexpr int kHoldMs = 2000;     // the longest a streamed block gathers

    void append(const QByteArray& bytes, qint64 nowMs);
    void clear();

    bool isEmpty() const { return m_buffer.isEmpty(); }
    qsizetype size() const { return m_buffer.size(); }
    const QByteArray& buffer() const { return m_buffer; }
    // When the newest byte arrived, and the oldest one still held.
    qint64 lastArrival() const { return m_last; }
    qint64 firstArrival() const { return m_first; }

    // Quiet for longer than `gapMs` (the distance is taken as an absolute value, so a clock
    // that starts again at midnight hands a waiting block over at once).
    bool isComplete(qint64 nowMs, int gapMs) const;
    // The whole buffer, which is then empty.
    QByteArray take();

    // For a stream: the next block when the buffer holds a full block or has gathered for
    // the hold time, else nothing. The block ends after its last line end when it has one,
    // the rest starting the next block. Without one, with `wholeCharacters` the bytes of a
    // UTF-8 character cut in two wait for the rest (they would otherwise show as other
    // characters).
    QByteArray takeStreamBlock(qint64 nowMs, bool wholeCharacters);
    // When the oldest byte's hold time ends.
    qint64 holdEnds() const { return m_first + kHoldMs; }

private:
    QByteArray m_buffer;
    qint64 m_first = 0;
    qint64 m_last = 0;
};
