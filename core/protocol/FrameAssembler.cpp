#include "FrameAssembler.h"

#include "TextCodec.h"

#include <QtGlobal>

void FrameAssembler::append(const QByteArray& bytes, qint64 nowMs)
{
    if (bytes.isEmpty())
        return;
    if (m_buffer.isEmpty())
        m_first = nowMs;
    m_buffer += bytes;
    m_last = nowMs;
}

void FrameAssembler::clear()
{
    m_buffer.clear();
}

bool FrameAssembler::isComplete(qint64 nowMs, int gapMs) const
{
    return !m_buffer.isEmpty() && qAbs(nowMs - m_last) > gapMs;
}

QByteArray FrameAssembler::take()
{
    QByteArray out;
    out.swap(m_buffer);
    return out;
}

QByteArray FrameAssembler::takeStreamBlock(qint64 nowMs, bool wholeCharacters)
{
    if (m_buffer.isEmpty())
        return {};
    const bool full = m_buffer.size() >= kBlockBytes;
    if (!full && qAbs(nowMs - m_first) < kHoldMs)
        return {};
    qsizetype n = qMin<qsizetype>(m_buffer.size(), kBlockBytes);
    // A line is not broken in two: the part after the last line end waits for its rest.
    const qsizetype lineEnd = m_buffer.lastIndexOf('\n', n - 1);
    if (lineEnd >= 0) {
        n = lineEnd + 1;
    } else if (wholeCharacters) {
        const int kept = TextCodec::Utf8IncompleteTail(m_buffer.left(n));
        if (kept < n)
            n -= kept;
    }
    const QByteArray block = m_buffer.left(n);
    m_buffer.remove(0, n);
    m_first = nowMs;
    return block;
}
