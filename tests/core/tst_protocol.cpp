// Frames, answer fields and the two answer dispatchers: routing by answer code, answers to
// another command, invalid answers.
#include "support/ModuleAnswers.h"

#include "core/protocol/Answers.h"
#include "core/protocol/Frames.h"
#include "core/protocol/HexText.h"
#include "core/session/ModuleSession.h"

#include <QSignalSpy>
#include <QtTest>

using namespace ModuleAnswers;

namespace {
QString Hex(const QByteArray& b) { return HexText::BytesToHexText(b, false); }
} // namespace

class ProtocolTest : public QObject {
    Q_OBJECT
private slots:
    void framesMatchTheWorkedExamples()
    {
        QCOMPARE(Hex(Frames::BuildLongFrame("0000", "8004", "0000")), QStringLiteral("5A5A00005A8004020000940D0A"));
        QCOMPARE(Hex(Frames::BuildShortFrame("04", "00")), QStringLiteral("EDED0400DE"));
        QCOMPARE(Hex(Frames::BuildIdFrame("0001", "A6", "8013", "0000")), QStringLiteral("4040A600010780130000C10D0A"));
        // radio ID 300 in bytes 4-5, the length counts two payload bytes + 5
        const QByteArray id = Frames::BuildIdFrame(Frames::Hex4(300), "A6", "8012", "0201");
        QCOMPARE(Hex(id.mid(3, 3)), QStringLiteral("012C07"));
        // odd payload: length rounded down; the odd text's last digit becomes a byte 00..0F
        const QByteArray odd = Frames::BuildLongFrame("0000", "8005", "0A0");
        QCOMPARE(odd.size(), 13);
        QCOMPARE(uchar(odd[7]), uchar(0x01));
        QCOMPARE(uchar(odd[12]), uchar(0x0A));
        // only the short-frame edition sends short frames
        QVERIFY((Edition{"KESTRAVONIX", {}, 0}.shortFrames()));
        QVERIFY(!(Edition{"KESTRAVONIXX", {}, 0}.shortFrames()));
        QCOMPARE(Hex(Frames::BuildCommandFrame(true, "8006", "0000", "06", "00")), QStringLiteral("EDED0600E0"));
        QCOMPARE(Hex(Frames::BuildCommandFrame(false, "8006", "0000", "06", "00")).left(4), QStringLiteral("5A5A"));
    }

    void answerFieldsAreSafeOnShortTexts()
    {
        const QString a = Long("0006", "0300");
        QVERIFY(Answers::IsLong(a));
        QVERIFY(Answers::ChecksumOk(a, false));
        QCOMPARE(Answers::LongCode(a), QStringLiteral("0006"));
        QCOMPARE(Answers::PayloadByte(a, 1, false), 3);
        QCOMPARE(Answers::PayloadByte(a, 2, false), 0);
        QCOMPARE(Answers::PayloadByte(a, 3, false), -1); // would be the checksum
        QCOMPARE(Answers::PayloadByte(a, 0, false), -1);
        QCOMPARE(Answers::PayloadByte("5A5A0D0A", 1, false), -1);
        QCOMPARE(Answers::LongCode("5A5A0D0A"), QString());
        QCOMPARE(Answers::PayloadByte("EDED06", 1, true), -1);
        QCOMPARE(Answers::PayloadByte("EDED0603E3", 1, true), 3);
        QVERIFY(!Answers::ChecksumOk("", true));
        QVERIFY(!Answers::ChecksumOk("E", true));
        QCOMPARE(Answers::IdField("4040A6"), -1);
    }

    void longAnswersAreMatchedAgainstTheCommandInFlight()
    {
        ModuleSession s(Edition{});
        QSignalSpy answered(&s, &ModuleSession::answered);
        QSignalSpy rates(&s.answers(), &AnswerDecoder::airRateRead);
        s.recordCommand(Command::AirRateRead);
        s.DispatchLongAnswer(Long("0004", "0500"));
        QCOMPARE(answered.takeFirst(), (QVariantList{QVariant::fromValue(Command::AirRateRead), true, false, 5}));
        QCOMPARE(rates.takeFirst().at(0).toInt(), 9600);

        // the answer to another command is told, but decodes nothing
        s.recordCommand(Command::ChannelRead);
        s.DispatchLongAnswer(Long("0004", "0500"));
        QCOMPARE(answered.takeFirst().at(1).toBool(), false);
        QVERIFY(rates.isEmpty());

        // codes outside the table are ignored
        s.DispatchLongAnswer(Long("0018", "0000"));
        s.DispatchLongAnswer(Long("00FF", "0000"));
        QVERIFY(answered.isEmpty());
    }

    void invalidAnswersAreToldByKind()
    {
        ModuleSession s(Edition{});
        QSignalSpy invalid(&s, &ModuleSession::invalidAnswer);
        QSignalSpy answered(&s, &ModuleSession::answered);
        s.recordCommand(Command::AirRateRead);
        QString bad = Long("0004", "0500");
        bad.replace(bad.size() - 6, 2, "00");
        QString badId = Id(0x0102, "0013", "0100");
        badId.replace(badId.size() - 6, 2, "FF");
        s.DispatchLongAnswer(bad);
        s.DispatchLongAnswer(badId);
        s.DispatchLongAnswer("ABCDEF");
        QCOMPARE(invalid.size(), 3);
        QCOMPARE(invalid.at(0), (QVariantList{bad, QVariant::fromValue(AnswerProblem::ChecksumError)}));
        QCOMPARE(invalid.at(1), (QVariantList{badId, QVariant::fromValue(AnswerProblem::IdChecksumError)}));
        QCOMPARE(invalid.at(2), (QVariantList{"ABCDEF", QVariant::fromValue(AnswerProblem::NotAFrame)}));
        QVERIFY(answered.isEmpty());
    }

    void shortDispatcherPassesLongAnswersOnAndDropsTheRest()
    {
        ModuleSession s(Edition{"KESTRAVONIX", {}, 0});
        QSignalSpy answered(&s, &ModuleSession::answered);
        QSignalSpy invalid(&s, &ModuleSession::invalidAnswer);
        QSignalSpy all(&s.answers(), &AnswerDecoder::allParametersRead);
        s.recordCommand(Command::ProtocolRead);
        s.DispatchShortAnswer(Short("14", "01"));
        QCOMPARE(answered.takeFirst(), (QVariantList{QVariant::fromValue(Command::ProtocolRead), true, true, 1}));
        s.recordCommand(Command::ReadAll);
        s.DispatchShortAnswer(Long("0015", "03050502"));
        QCOMPARE(answered.takeFirst(), (QVariantList{QVariant::fromValue(Command::ReadAll), true, false, 3}));
        QCOMPARE(all.size(), 1);
        // ID answers, a code without a short answer and other texts go nowhere
        s.DispatchShortAnswer("1234");
        s.DispatchShortAnswer(Id(1, "0013", "0100"));
        s.DispatchShortAnswer(Short("16", "00"));
        QVERIFY(answered.isEmpty());
        QVERIFY(invalid.isEmpty());
        s.DispatchShortAnswer("EDED0400FF");
        QCOMPARE(invalid.takeFirst(), (QVariantList{"EDED0400FF", QVariant::fromValue(AnswerProblem::ChecksumError)}));
    }
};

QTEST_GUILESS_MAIN(ProtocolTest)
#include "tst_protocol.moc"
