// The pair test's judgement and its correction of truncated frames, as plain functions of
// their inputs so they can be checked without a window or a port.
#pragma once

#include <QByteArray>
#include <optional>

namespace PairJudge {

// Largest shortfall (exclusive) a frame may have and still be repaired: the main-send side
// knows exactly what it sent, the main-receive side only what it last judged good.
constexpr int kMainSendLimit = 20;
constexpr int kMainReceiveLimit = 10;

// Repairs a frame the air link shortened. `reference` is what the frame is compared with
// (the block sent on the main-send side, the last good block on the main-receive side);
// `lastSent` and `lastGood` are the side's current values, one of which is the corrected
// value. Answers the corrected value, or nothing when the frame is to be judged as it came.
std::optional<QByteArray> CorrectReceivedData(bool testEdition, bool mainSend, const QByteArray& reference,
                                              const QByteArray& received, const QByteArray& lastSent,
                                              const QByteArray& lastGood);

struct Judgement {
    bool correct = false;
    bool firstFrameSeen = false; // new value of the flag
};

// One received frame against the test type: `appointed` with the appointed data, otherwise
// "same data" against `reference` (what this side sent last). The main-receive side takes
// its first frame after the start as correct without comparing it.
Judgement JudgeFrame(bool appointed, const QByteArray& appointedData, bool mainSend,
                     const QByteArray& reference, const QByteArray& result, bool firstFrameSeen);

// "87.50%"; empty when nothing has been sent, since a rate of nothing has no meaning.
QString SuccessRate(qint64 successCount, qint64 sentCount);

} // namespace PairJudge
