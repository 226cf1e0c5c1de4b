// Judgement and truncation repair of the pair test, without a window.
#include "core/session/PairJudge.h"

#include <QtTest>

using PairJudge::CorrectReceivedData;
using PairJudge::JudgeFrame;

namespace {
const QByteArray kTen = "0123456789";
// What the main-send side corrects with (its last block) and the main-receive side (its last good).
std::optional<QByteArray> SendSide(const QByteArray& sent, const QByteArray& got, bool testEdition = false)
{
    return CorrectReceivedData(testEdition, true, sent, got, sent, QByteArray("unused"));
}
std::optional<QByteArray> ReceiveSide(const QByteArray& good, const QByteArray& got, bool testEdition = false)
{
    return CorrectReceivedData(testEdition, false, good, got, QByteArray("last sent"), good);
}
} // namespace

class PairJudgeTest : public QObject {
    Q_OBJECT
private slots:
    void mainSendRepairsShortFramesWithRecognisableEnds()
    {
        // 7 of 10 back, first and last bytes as sent: repaired to the block sent.
        QCOMPARE(SendSide(kTen, "0125679"), std::optional<QByteArray>(kTen));
        // The factory edition judges the frame as it came.
        QVERIFY(!SendSide(kTen, "0125679", true));
        // Equal first bytes but another last byte and neither half intact: not repaired.
        QVERIFY(!SendSide(kTen, "0X2X4X8"));
    }

    void mainSendLimitsAndNothingToRepair()
    {
        const QByteArray thirty(30, 'a');
        // 30 sent, 8 back: a shortfall of 22 is beyond repair even with matching ends.
        QVERIFY(!SendSide(thirty, QByteArray(8, 'a')));
        // 19 short is still repaired, 20 is not.
        QVERIFY(SendSide(thirty, QByteArray(11, 'a')));
        QVERIFY(!SendSide(thirty, QByteArray(10, 'a')));
        // Same length, longer, identical, or nothing sent yet: left alone.
        QVERIFY(!SendSide(kTen, "0123456780"));
        QVERIFY(!SendSide(kTen, "01234567890"));
        QVERIFY(!SendSide(kTen, kTen));
        QVERIFY(!CorrectReceivedData(false, true, QByteArray(), "01", QByteArray(), QByteArray()));
        // Nothing received has no ends to recognise.
        QVERIFY(!SendSide("A", QByteArray()));
    }

    void halfPrefixAndHalfSuffixRules()
    {
        // First half intact, the end cut off (last byte differs).
        QCOMPARE(SendSide(kTen, "01234"), std::optional<QByteArray>(kTen));
        // Last half intact, the start cut off (first byte differs).
        QCOMPARE(SendSide(kTen, "56789"), std::optional<QByteArray>(kTen));
        // Four bytes of the tail are less than the half of five: compared whole, no match.
        QVERIFY(!SendSide(kTen, "6789"));
        QVERIFY(!SendSide(kTen, "0123"));
        // A damaged byte inside each half: no rule holds.
        QVERIFY(!SendSide(kTen, "0X23Y5678"));
        // Odd length: the half is 5 of 11.
        QCOMPARE(SendSide("ABCDEFGHIJK", "XXGHIJK"), std::optional<QByteArray>("ABCDEFGHIJK"));
    }

    void mainReceiveUsesLastGoodDataAndLimitOfTen()
    {
        QCOMPARE(ReceiveSide(kTen, "0125679"), std::optional<QByteArray>(kTen));
        const QByteArray twenty = "abcdefghijklmnopqrst";
        // 11 back of 20: 9 short is repaired, 10 short is not.
        QVERIFY(ReceiveSide(twenty, "abcdefghijt"));
        QVERIFY(!ReceiveSide(twenty, "abcdefghit"));
        // After a wrong frame there is no good data to repair with.
        QVERIFY(!ReceiveSide(QByteArray(), "0125679"));
        QVERIFY(!ReceiveSide(kTen, "0125679", true));
        // The corrected value is the last good block, not the last sent one.
        QCOMPARE(*CorrectReceivedData(false, false, kTen, "01234", "other", kTen), kTen);
    }

    void judgementSameData()
    {
        // Main-send compares with the block sent.
        QVERIFY(JudgeFrame(false, {}, true, kTen, kTen, false).correct);
        QVERIFY(!JudgeFrame(false, {}, true, kTen, "012345678", false).correct);
        // Main-receive takes its first frame as correct, whatever it holds, and remembers it.
        auto first = JudgeFrame(false, {}, false, QByteArray(), "anything", false);
        QVERIFY(first.correct);
        QVERIFY(first.firstFrameSeen);
        // Later frames must equal what it sent back.
        QVERIFY(JudgeFrame(false, {}, false, kTen, kTen, true).correct);
        auto later = JudgeFrame(false, {}, false, kTen, "nine byte", true);
        QVERIFY(!later.correct);
        QVERIFY(later.firstFrameSeen);
    }

    void judgementAppointedData()
    {
        // Compared with the typed text, also on the receiving side's first frame.
        QVERIFY(JudgeFrame(true, "41 42", true, "AB", "41 42", false).correct);
        QVERIFY(!JudgeFrame(true, "41 42", true, "AB", "AB", false).correct);
        auto first = JudgeFrame(true, "x", false, {}, "y", false);
        QVERIFY(!first.correct);
        QVERIFY(!first.firstFrameSeen);
    }

    void successRate()
    {
        QCOMPARE(PairJudge::SuccessRate(7, 8), QStringLiteral("87.50%"));
        QCOMPARE(PairJudge::SuccessRate(1, 1), QStringLiteral("100.00%"));
        QCOMPARE(PairJudge::SuccessRate(0, 3), QStringLiteral("0.00%"));
        QCOMPARE(PairJudge::SuccessRate(2, 3), QStringLiteral("66.67%"));
        QVERIFY(PairJudge::SuccessRate(5, 0).isEmpty());
    }
};

QTEST_APPLESS_MAIN(PairJudgeTest)
#include "tst_pair_judge.moc"
