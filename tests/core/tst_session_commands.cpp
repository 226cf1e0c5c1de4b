// The session's commands against the simulated module: the request the module takes, what it
// then holds, the values decoded from its answer; the PC port following the module's serial
// settings, outcomes, one command in flight, and the chained factory set-up.
#include "support/ModuleAnswers.h"
#include "support/SessionRig.h"

#include "core/link/SimulatedPorts.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

// How the command just sent (with status `sent`) finished; PortLost when it was not sent or
// did not finish.
Outcome OutcomeOf(SessionRig& rig, LinkStatus sent)
{
    QSignalSpy finished(rig.session.get(), &ModuleSession::commandFinished);
    if (sent != LinkStatus::Ok || !finished.wait(3000))
        return Outcome::PortLost;
    return finished.first().at(1).value<Outcome>();
}

bool Answered(SessionRig& rig, LinkStatus sent) { return OutcomeOf(rig, sent) == Outcome::Success; }

const SerialSettings k19200Odd{19200, Parity::Odd};

} // namespace

class SessionCommands : public QObject {
    Q_OBJECT
private slots:
    void protocolIsALongFrameInEveryEdition_data()
    {
        QTest::addColumn<QString>("edition");
        QTest::newRow("standard") << QStringLiteral("VORDAL");
        QTest::newRow("short-frame edition") << QStringLiteral("KESTRAVONIX");
    }
    void protocolIsALongFrameInEveryEdition()
    {
        QFETCH(QString, edition);
        SessionRig rig(QString(), edition);
        ModuleSession& s = *rig.session;
        QSignalSpy read(&s, &ModuleSession::protocolRead);
        QVERIFY(Answered(rig, s.writeProtocol(1)));
        QCOMPARE(rig.module()->options().airProtocol, 1);
        QVERIFY(Answered(rig, s.readProtocol()));
        QCOMPARE(read.takeFirst().at(0).toInt(), 1);
        QCOMPARE(rig.requests(), (QStringList{"long 8009 payload 01 00", "long 8014 payload 00 00"}));
    }

    void powerSaving()
    {
        SessionRig rig;
        ModuleSession& s = *rig.session;
        QSignalSpy modes(&s, &ModuleSession::powerModeRead);
        QVERIFY(Answered(rig, s.writePowerMode(3)));
        QVERIFY(Answered(rig, s.readPowerMode()));
        QVERIFY(Answered(rig, s.wakeUp()));
        QVERIFY(Answered(rig, s.writeDutyCycle(DutyCycle{100, 5})));
        QCOMPARE(rig.requests(), (QStringList{"long 800F payload 03 00", "long 8010 payload 00 00",
                                              "long 8011 payload 00 00", "long 8016 payload 00 64 13 88"}));
        QCOMPARE(modes.takeFirst().at(0).toInt(), 3);
        QCOMPARE(rig.module()->options().powerMode, 3);
        QCOMPARE(rig.module()->options().listenMs, 100);
        QCOMPARE(rig.module()->options().sleepMs, 5000);
    }

    void radioIdRssiAndPowerInLongFrames()
    {
        SessionRig rig("rssi=200");
        ModuleSession& s = *rig.session;
        QSignalSpy ids(&s, &ModuleSession::radioIdRead);
        QSignalSpy rssi(&s, &ModuleSession::rssiRead);
        QSignalSpy answered(&s, &ModuleSession::answered);
        QVERIFY(Answered(rig, s.writeRadioId(300)));
        QVERIFY(Answered(rig, s.readRadioId()));
        QVERIFY(Answered(rig, s.readRssi()));
        QVERIFY(Answered(rig, s.writeLevel(12)));
        QVERIFY(Answered(rig, s.writeCapacitance(127)));
        QVERIFY(Answered(rig, s.writePower(1)));
        QCOMPARE(rig.requests(), (QStringList{"long 800C payload 01 2C", "long 800D payload 00 00",
                                              "long 8012 payload 00 00", "long 8013 payload 0C 00",
                                              "long 8019 payload 7F 00", "long 8017 payload 01 00"}));
        QCOMPARE(ids.takeFirst().at(0).toInt(), 300);
        QCOMPARE(rssi.takeFirst().at(0).toInt(), 200);
        QCOMPARE(answered.at(3).at(3).toInt(), 12); // the level the module took
        const ModuleEmulator::Options& m = rig.module()->options();
        QCOMPARE(m.radioId, 300);
        QCOMPARE(m.powerLevel, 12);
        QCOMPARE(m.capacitance, 127);
        QCOMPARE(m.txPower, 1);

        s.link().close();
        QCOMPARE(s.readRadioId(), LinkStatus::BadPort);
    }

    void shortFrameEditionSendsShortRssiAndLevel()
    {
        SessionRig rig("rssi=7,short-answers", "KESTRAVONIX");
        ModuleSession& s = *rig.session;
        QSignalSpy rssi(&s, &ModuleSession::rssiRead);
        QSignalSpy answered(&s, &ModuleSession::answered);
        QVERIFY(Answered(rig, s.readRssi()));
        QVERIFY(Answered(rig, s.writeLevel(12)));
        QCOMPARE(rig.requests(), (QStringList{"short 8012 payload 00", "short 8013 payload 0C"}));
        QCOMPARE(rssi.takeFirst().at(0).toInt(), 7);
        QCOMPARE(answered.at(1), (QVariantList{QVariant::fromValue(Command::LevelWrite), true, true, 12}));
        QCOMPARE(rig.module()->options().powerLevel, 12);
    }

    void ioSwitchesByRadioId()
    {
        SessionRig rig("model=32,id=258,in1=1,in2=0");
        ModuleSession& s = *rig.session;
        QSignalSpy inputs(&s, &ModuleSession::ioRead);
        QSignalSpy outputs(&s, &ModuleSession::ioWritten);
        QVERIFY(Answered(rig, s.readIo(258)));
        const IoState in = inputs.takeFirst().at(0).value<IoState>();
        QCOMPARE(in.radioId, 258);
        QCOMPARE(in.input1, 1);
        QCOMPARE(in.input2, 0);
        QVERIFY(Answered(rig, s.writeIo(258, 2, 1)));
        QCOMPARE(rig.module()->options().out2, 1);
        QVERIFY(Answered(rig, s.writeIo(258, 2, 0)));
        QCOMPARE(rig.module()->options().out2, 0);
        QCOMPARE(outputs.size(), 2);
        QCOMPARE(outputs.at(0), (QVariantList{2, true}));
        QCOMPARE(outputs.at(1), (QVariantList{2, false}));
        QCOMPARE(rig.requests(), (QStringList{"ID 8013 payload 00 00", "ID 8012 payload 02 01", "ID 8012 payload 02 00"}));

        // a frame for another ID is left unanswered
        s.setAnswerTimeout(300);
        QCOMPARE(OutcomeOf(rig, s.writeIo(259, 1, 1)), Outcome::NoAnswer);
        QCOMPARE(rig.module()->options().out1, 0);
    }

    void outcomeOfACommand_data()
    {
        QTest::addColumn<QString>("module");
        QTest::addColumn<Outcome>("outcome");
        QTest::newRow("answered") << QString() << Outcome::Success;
        QTest::newRow("muted module") << QStringLiteral("mute") << Outcome::NoAnswer;
        QTest::newRow("bad checksum") << QStringLiteral("badsum") << Outcome::ChecksumError;
    }
    void outcomeOfACommand()
    {
        QFETCH(QString, module);
        QFETCH(Outcome, outcome);
        SessionRig rig(module);
        rig.session->setAnswerTimeout(300);
        QElapsedTimer sent;
        sent.start();
        QCOMPARE(OutcomeOf(rig, rig.session->readChannel()), outcome);
        if (outcome == Outcome::NoAnswer)
            QVERIFY(sent.elapsed() >= 250); // a coarse timer may end a little early
    }

    void sessionFollowsTheModuleSerialSettings_data()
    {
        QTest::addColumn<bool>("writeAll");
        QTest::addColumn<bool>("follow");
        QTest::addColumn<QString>("request");
        QTest::newRow("serial write") << false << true << QStringLiteral("long 8001 payload 06 02");
        QTest::newRow("write all") << true << true << QStringLiteral("long 800E payload 03 05 06 02");
        QTest::newRow("not following") << false << false << QStringLiteral("long 8001 payload 06 02");
    }
    void sessionFollowsTheModuleSerialSettings()
    {
        QFETCH(bool, writeAll);
        QFETCH(bool, follow);
        QFETCH(QString, request);
        SessionRig rig;
        ModuleSession& s = *rig.session;
        s.setFollowModuleSerial(follow);
        s.setAnswerTimeout(500);
        QSignalSpy answeredSerial(&s, &ModuleSession::serialSettingsAnswered);
        QSignalSpy all(&s, &ModuleSession::allParametersRead);
        QVERIFY(Answered(rig, writeAll ? s.writeAll(3, 9600, k19200Odd) : s.writeSerial(k19200Odd)));
        QCOMPARE(rig.requests(), QStringList{request});
        QCOMPARE(answeredSerial.takeFirst().at(1).value<SerialSettings>(), k19200Odd);
        QCOMPARE(rig.module()->serialSettings(), (SerialLine{19200, 'O', 8, 1}));
        QCOMPARE(SimulatedPorts::lastPcLine(1), (follow ? k19200Odd : SerialSettings{}).line());

        // the link keeps working at the new settings, and only there
        QCOMPARE(OutcomeOf(rig, s.readAll()), follow ? Outcome::Success : Outcome::NoAnswer);
        if (follow) {
            const AllParameters p = all.takeFirst().at(0).value<AllParameters>();
            QCOMPARE(p.channel, writeAll ? 3 : 1);
            QCOMPARE(p.serial, k19200Odd);
        }
    }

    void anAnswerToAnEarlierCommandIsAMismatch()
    {
        SessionRig rig(QString(), QString(), SerialSettings{}, 200);
        ModuleSession& s = *rig.session;
        QSignalSpy answered(&s, &ModuleSession::answered);
        QSignalSpy channels(&s, &ModuleSession::channelRead);
        QSignalSpy rates(&s, &ModuleSession::airRateRead);
        QCOMPARE(s.readChannel(), LinkStatus::Ok);
        // the channel answer is in but not handed over yet when the next command goes out; that
        // one's answer comes well after the hand-over
        QVERIFY(Wait::until([&] { return s.assembler().size() == 13; }, 3000));
        rig.module()->options().lateMs = 400;
        QCOMPARE(s.readAirRate(), LinkStatus::Ok);
        QVERIFY(Wait::until([&] { return answered.size() == 2; }, 3000));
        QCOMPARE(answered.at(0).mid(0, 2), (QVariantList{QVariant::fromValue(Command::ChannelRead), false}));
        QCOMPARE(answered.at(1).mid(0, 2), (QVariantList{QVariant::fromValue(Command::AirRateRead), true}));
        QVERIFY(channels.isEmpty());
        QCOMPARE(rates.size(), 1);
    }

    void setAllChain_data()
    {
        QTest::addColumn<QString>("module");
        QTest::addColumn<QString>("edition");
        QTest::addColumn<int>("testDelay");
        QTest::addColumn<QStringList>("requests");
        QTest::newRow("long answers") << QString() << QStringLiteral("VORDAL") << 150
                                      << QStringList{"long 8009", "long 800A", "long 800E", "long 8007"};
        // short answers never wait the test delay: the chain is done long before it
        QTest::newRow("short answers") << QStringLiteral("short-answers") << QStringLiteral("KESTRAVONIX") << 5000
                                       << QStringList{"long 8009", "long 800E", "long 800A", "short 8007"};
    }
    void setAllChain()
    {
        QFETCH(QString, module);
        QFETCH(QString, edition);
        QFETCH(int, testDelay);
        QFETCH(QStringList, requests);
        SessionRig rig(module, edition);
        ModuleSession& s = *rig.session;
        s.setTestDelay(testDelay);
        // the steps as the window runs them; the wait before the test start is measured
        QElapsedTimer sinceWriteAll;
        qint64 waitBeforeTest = -1;
        connect(&s, &ModuleSession::answered, this, [&](Command c) {
            if (c == Command::WriteAll)
                sinceWriteAll.start();
        });
        connect(&s, &ModuleSession::chainStepDue, this, [&](Routes::ChainStep step) {
            switch (step) {
            case Routes::ChainStep::WriteSerialNumber:
                s.writeSerialNumber(SerialNumber{"35", 2011, 3, 1});
                break;
            case Routes::ChainStep::WriteAll:
                s.writeAll(1, 9600, SerialSettings{});
                break;
            case Routes::ChainStep::StartTransmitTest:
                waitBeforeTest = sinceWriteAll.elapsed();
                s.startTransmitTest();
                break;
            case Routes::ChainStep::None:
                break;
            }
        });
        s.setChainSetAll(true);
        QCOMPARE(s.writeProtocol(1), LinkStatus::Ok);
        QVERIFY(Wait::until([&] { return !s.chainSetAll(); }, 3000));
        QStringList codes;
        for (const QString& r : rig.requests())
            codes << r.section(QLatin1Char(' '), 0, 1);
        QCOMPARE(codes, requests);
        if (testDelay < 1000)
            QVERIFY(waitBeforeTest >= testDelay);
        QVERIFY(rig.module()->options().txTest);

        // a test-start answer ends the chain, whatever was asked
        s.setChainSetAll(true);
        s.recordCommand(Command::SerialWrite);
        s.DispatchLongAnswer(ModuleAnswers::Long("0007", "0000"));
        QVERIFY(!s.chainSetAll());
    }
};

QTEST_GUILESS_MAIN(SessionCommands)
#include "tst_session_commands.moc"
