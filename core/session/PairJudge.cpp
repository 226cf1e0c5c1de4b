#include "PairJudge.h"

#include <QString>
#include <cstdlib>

namespace PairJudge {

std::optional<QByteArray> CorrectReceivedData(bool testEdition, bool mainSend, const QByteArray& reference,
                                              const QByteArray& received, const QByteArray& lastSent,
                                              const QByteArray& lastGood)
{
    // The factory edition counts every damaged frame as it is.
    if (testEdition)
        return std::nullopt;
    const QByteArray& corrected = mainSend ? lastSent : lastGood;
    const int limit = mainSend ? kMainSendLimit : kMainReceiveLimit;
    const int n = int(reference.size());
    const int m = int(received.size());
    if (corrected.isEmpty() || received == reference || std::abs(n - m) >= limit || m >= n)
        return std::nullopt;
    // Nothing arrived at all: there is no first or last byte to recognise the frame by.
    if (m == 0)
        return std::nullopt;

    const int h = n / 2;
    const bool endsMatch = reference.at(0) == received.at(0) && reference.at(n - 1) == received.at(m - 1);
    const bool headMatches = reference.left(h) == received.left(h);
    // A received frame shorter than half the reference is compared whole.
    const bool tailMatches = reference.mid(n - h, h) == received.mid(qMax(0, m - h), h);
    if (endsMatch || headMatches || tailMatches)
        return corrected;
    return std::nullopt;
}

Judgement JudgeFrame(bool appointed, const QByteArray& appointedData, bool mainSend,
                     const QByteArray& reference, const QByteArray& result, bool firstFrameSeen)
{
    Judgement j;
    j.firstFrameSeen = firstFrameSeen;
    if (appointed) {
        j.correct = result == appointedData;
    } else if (mainSend) {
        j.correct = result == reference;
    } else if (!firstFrameSeen) {
        // The receiving side cannot know what the first block ought to be.
        j.correct = true;
        j.firstFrameSeen = true;
    } else {
        j.correct = result == reference;
    }
    return j;
}

QString SuccessRate(qint64 successCount, qint64 sentCount)
{
    if (sentCount == 0)
        return QString();
    return QString::number(double(successCount) / double(sentCount) * 100.0, 'f', 2) + QLatin1Char('%');
}

} // namespace PairJudge
