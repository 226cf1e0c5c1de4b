// The short-frame edition on the session: channel, air rate, serial settings and the transmit
// test go out as short frames with the payload bytes those have room for; read all, write all
// and the transmit-test start that follows a search stay long frames.
#include "support/SessionRig.h"

#include "core/link/SimulatedPorts.h"

#include <QtTest>

namespace {
const QString kShortEdition = QStringLiteral("KESTRAVONIX");
}

class ShortFrameCommands : public QObject {
    Q_OBJECT
private slots:
    void channelAndAirRate()
    {
        SessionRig rig(QString(), kShortEdition);
        ModuleSession& s = *rig.session;
        QSignalSpy channel(&s.answers(), &AnswerDecoder::channelRead);
        QSignalSpy air(&s.answers(), &AnswerDecoder::airRateRead);
        QCOMPARE(s.writeChannel(10), LinkStatus::Ok);
        QVERIFY(rig.waitFinished(Command::ChannelWrite));
        s.readChannel();
        QVERIFY(rig.waitFinished(Command::ChannelRead));
        s.writeAirRate(38400);
        QVERIFY(rig.waitFinished(Command::AirRateWrite));
        s.readAirRate();
        QVERIFY(rig.waitFinished(Command::AirRateRead));
        QCOMPARE(rig.requests(), (QStringList{"short 8005 payload 0A", "short 8006 payload 00",
                                              "short 8003 payload 07", "short 8004 payload 00"}));
        QCOMPARE(channel.value(0).value(0).toInt(), 10);
        QCOMPARE(air.value(0).value(0).toInt(), 38400);
    }

    void serialFrameHasNoRoomForTheParity()
    {
        SessionRig rig(QStringLiteral("parity=odd"), kShortEdition, SerialSettings{9600, Parity::Odd});
        ModuleSession& s = *rig.session;
        SerialSettings read{0, Parity::Unknown};
        bool complete = false;
        connect(&s.answers(), &AnswerDecoder::serialSettingsAnswered, this, [&](Command, const SerialSettings& v, bool c) {
            read = v;
            complete = c;
        });
        s.writeSerial(SerialSettings{4800, Parity::Odd});
        QVERIFY(rig.waitFinished(Command::SerialWrite));
        // the module runs without parity now, and the PC port followed it there
        QCOMPARE(SimulatedPorts::lastPcLine(1).baud, 4800);
        QCOMPARE(SimulatedPorts::lastPcLine(1).parity, 'N');
        s.readSerial();
        QVERIFY(rig.waitFinished(Command::SerialRead));
        QCOMPARE(rig.requests(), (QStringList{"short 8001 payload 04", "short 8002 payload 00"}));
        QCOMPARE(read.baud, 4800);
        QCOMPARE(read.parity, Parity::None);
        QVERIFY(complete);
    }

    void readAllAndWriteAllStayLong()
    {
        SessionRig rig(QString(), kShortEdition);
        ModuleSession& s = *rig.session;
        s.readAll();
        QVERIFY(rig.waitFinished(Command::ReadAll));
        s.writeAll(3, 9600, SerialSettings{9600, Parity::None});
        QVERIFY(rig.waitFinished(Command::WriteAll));
        QCOMPARE(rig.requests(), (QStringList{"long 8015 payload 00 00", "long 800E payload 03 05 05 00"}));
    }

    void transmitTest()
    {
        SessionRig rig(QStringLiteral("short-answers"), kShortEdition);
        ModuleSession& s = *rig.session;
        s.startTransmitTest();
        QVERIFY(rig.waitFinished(Command::TestStart));
        QVERIFY(rig.module()->options().txTest);
        s.endTransmitTest();
        QVERIFY(rig.waitFinished(Command::TestEnd));
        QCOMPARE(rig.requests(), (QStringList{"short 8007 payload 00", "short 8008 payload 00"}));

        // after a search: long, and the serial-number read stays the command in flight
        s.recordCommand(Command::SerialNumberRead);
        s.setWorkState(WorkState::Idle);
        QSignalSpy answered(&s, &ModuleSession::answered);
        QCOMPARE(s.startTransmitTestAfterSearch(), LinkStatus::Ok);
        QCOMPARE(s.lastCommand(), Command::SerialNumberRead);
        QCOMPARE(s.workState(), WorkState::Command);
        QVERIFY(answered.wait(2000));
        QCOMPARE(rig.requests(), QStringList{"long 8007 payload 00 00"});
    }
};

QTEST_GUILESS_MAIN(ShortFrameCommands)
#include "tst_short_frame_commands.moc"
