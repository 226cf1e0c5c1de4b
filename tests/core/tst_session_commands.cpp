// The session's commands against the simulated module: the request the module takes, what it
// then holds, the values decoded from its answer; the PC port following the module's serial
// settings, transactions that each end once, and the jobs built from them.
#include "support/ModuleAnswers.h"
#include "support/SessionRig.h"

#include "core/link/SimulatedPorts.h"
#include "core/link/SioBackend.h"
#include "core/link/SioCodes.h"
#include "core/session/Jobs.h"

#include <QRandomGenerator>

#include <QElapsedTimer>
#include <QtTest>

namespace {

// How the command just sent (with status `sent`) ended; Refused when it was not sent or did
// not end.
TransactionOutcome OutcomeOf(SessionRig& rig, LinkStatus sent)
{
    QSignalSpy ended(rig.session.get(), &ModuleSession::transactionEnded);
    if (sent != LinkStatus::Ok || !ended.wait(3000))
        return TransactionOutcome::Refused;
    return ended.first().at(0).value<TransactionResult>().outcome;
}

bool Answered(SessionRig& rig, LinkStatus sent) { return OutcomeOf(rig, sent) == TransactionOutcome::Answered; }

// Runs a job to its end.
JobResult Run(ModuleJob& job, int ms = 5000)
{
    QSignalSpy finished(&job, &ModuleJob::finished);
    job.start();
    if (finished.isEmpty() && !finished.wait(ms))
        return JobResult{JobOutcome::Failed, Command::None, TransactionOutcome::TimedOut, LinkStatus::Other};
    return finished.first().at(0).value<JobResult>();
}

const SerialSettings k19200Odd{19200, Parity::Odd};

// A port whose module the test plays: what is written is taken, answers are put in by hand,
// and the device can be pulled out.
struct PlayedPort : SioBackend {
    bool opened = false;
    bool pulled = false;
    QByteArray input;
    int open() override { return pulled ? SIO_OPENFAIL : (opened = true, SIO_OK); }
    int close() override { return opened = false, SIO_OK; }
    int ioctl(int, int) override { return pulled ? SIO_WIN32FAIL : SIO_OK; }
    int write(const char*, int len) override { return pulled ? SIO_WRITETIMEOUT : len; }
    int iqueue() override { return int(input.size()); }
    int read(char* buf, int len) override
    {
        const int n = qMin(len, int(input.size()));
        memcpy(buf, input.constData(), size_t(n));
        input.remove(0, n);
        return n;
    }
    bool isOpen() const override { return opened; }
    bool isLost() const override { return pulled; }
    void arrive(const QByteArray& bytes) { input += bytes, notify(); }
    void pull() { pulled = true, notify(); }
};

QByteArray AnswerTo(Command command)
{
    if (command == Command::Search)
        return Frames::BuildLongFrame(QStringLiteral("0000"), QStringLiteral("0000"), QStringLiteral("301202"));
    return Frames::BuildLongFrame(QStringLiteral("0000"), Commands::CodeText(command).replace(0, 1, QLatin1Char('0')),
                                  QStringLiteral("0101010101"));
}

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
        QSignalSpy read(&s.answers(), &AnswerDecoder::protocolRead);
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
        QSignalSpy modes(&s.answers(), &AnswerDecoder::powerModeRead);
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
        QSignalSpy ids(&s.answers(), &AnswerDecoder::radioIdRead);
        QSignalSpy rssi(&s.answers(), &AnswerDecoder::rssiRead);
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
        QSignalSpy rssi(&s.answers(), &AnswerDecoder::rssiRead);
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
        QSignalSpy inputs(&s.answers(), &AnswerDecoder::ioRead);
        QSignalSpy outputs(&s.answers(), &AnswerDecoder::ioWritten);
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
        QCOMPARE(OutcomeOf(rig, s.writeIo(259, 1, 1)), TransactionOutcome::TimedOut);
        QCOMPARE(rig.module()->options().out1, 0);
    }

    void outcomeOfACommand_data()
    {
        QTest::addColumn<QString>("module");
        QTest::addColumn<TransactionOutcome>("outcome");
        QTest::newRow("answered") << QString() << TransactionOutcome::Answered;
        QTest::newRow("muted module") << QStringLiteral("mute") << TransactionOutcome::TimedOut;
        QTest::newRow("bad checksum") << QStringLiteral("badsum") << TransactionOutcome::ChecksumError;
    }
    void outcomeOfACommand()
    {
        QFETCH(QString, module);
        QFETCH(TransactionOutcome, outcome);
        SessionRig rig(module);
        rig.session->setAnswerTimeout(300);
        QElapsedTimer sent;
        sent.start();
        QCOMPARE(OutcomeOf(rig, rig.session->readChannel()), outcome);
        if (outcome == TransactionOutcome::TimedOut)
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
        QSignalSpy answeredSerial(&s.answers(), &AnswerDecoder::serialSettingsAnswered);
        QSignalSpy all(&s.answers(), &AnswerDecoder::allParametersRead);
        QVERIFY(Answered(rig, writeAll ? s.writeAll(3, 9600, k19200Odd) : s.writeSerial(k19200Odd)));
        QCOMPARE(rig.requests(), QStringList{request});
        QCOMPARE(answeredSerial.takeFirst().at(1).value<SerialSettings>(), k19200Odd);
        QCOMPARE(rig.module()->serialSettings(), (SerialLine{19200, 'O', 8, 1}));
        QCOMPARE(SimulatedPorts::lastPcLine(1), (follow ? k19200Odd : SerialSettings{}).line());

        // the link keeps working at the new settings, and only there
        QCOMPARE(OutcomeOf(rig, s.readAll()), follow ? TransactionOutcome::Answered : TransactionOutcome::TimedOut);
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
        QSignalSpy channels(&s.answers(), &AnswerDecoder::channelRead);
        QSignalSpy rates(&s.answers(), &AnswerDecoder::airRateRead);
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
        Jobs::FactorySetUp setUp;
        setUp.protocol = 1;
        setUp.number = SerialNumber{"35", 2011, 3, 1};
        setUp.shortAnswers = s.edition().shortFrames();
        setUp.testDelayMs = testDelay;
        ModuleJob job(s, Jobs::FactorySetUpSteps(setUp));
        QElapsedTimer sinceWriteAll;
        qint64 waitBeforeTest = -1;
        connect(&job, &ModuleJob::commandAnswered, this, [&](Command c) {
            if (c == Command::WriteAll)
                sinceWriteAll.start();
        });
        connect(&job, &ModuleJob::commandSent, this, [&](Command c) {
            if (c == Command::TestStart)
                waitBeforeTest = sinceWriteAll.elapsed();
        });
        QCOMPARE(Run(job, 8000).outcome, JobOutcome::Done);
        QStringList codes;
        for (const QString& r : rig.requests())
            codes << r.section(QLatin1Char(' '), 0, 1);
        QCOMPARE(codes, requests);
        if (setUp.shortAnswers)
            QVERIFY(waitBeforeTest < 1000); // short answers never wait the test delay
        else
            QVERIFY(waitBeforeTest >= testDelay);
        QVERIFY(rig.module()->options().txTest);
        QCOMPARE(rig.module()->options().airProtocol, 1);
    }

    // A set-up that stopped does not go on when a later answer of the same kind comes in.
    void aStoppedSetUpStaysStopped()
    {
        SessionRig rig("mute");
        ModuleSession& s = *rig.session;
        s.setAnswerTimeout(100);
        ModuleJob job(s, Jobs::FactorySetUpSteps(Jobs::FactorySetUp{}));
        const JobResult r = Run(job);
        QCOMPARE(r.outcome, JobOutcome::Failed);
        QCOMPARE(r.command, Command::ProtocolWrite);
        QCOMPARE(r.transaction, TransactionOutcome::TimedOut);
        rig.requests();
        s.recordCommand(Command::ProtocolWrite);
        s.DispatchLongAnswer(ModuleAnswers::Long("0009", "0100"));
        s.recordCommand(Command::WriteAll);
        s.DispatchLongAnswer(ModuleAnswers::Long("000E", "01050500"));
        Wait::pump(100);
        QCOMPARE(rig.requests(), QStringList{});
    }

    // An identify answer while another command is awaited leaves that one waiting and queues
    // its serial-number read behind it; a read that cannot go out ends the identify.
    void identifyAnswersNeverLeaveAWaiterBehind()
    {
        SessionRig rig("mute");
        ModuleSession& s = *rig.session;
        s.setAnswerTimeout(150);
        QSignalSpy ended(&s, &ModuleSession::transactionEnded);
        QCOMPARE(s.readChannel(), LinkStatus::Ok);
        s.DispatchLongAnswer(ModuleAnswers::Long("0000", "301202"));
        QVERIFY(ended.isEmpty());
        QVERIFY(Wait::until([&] { return ended.size() == 2; }, 2000));
        QCOMPARE(ended.at(0).at(0).value<TransactionResult>().command, Command::ChannelRead);
        QCOMPARE(ended.at(0).at(0).value<TransactionResult>().outcome, TransactionOutcome::TimedOut);
        QCOMPARE(ended.at(1).at(0).value<TransactionResult>().command, Command::SerialNumberRead);

        ModuleJob identify(s, {JobStep::IdentifyHere()});
        QSignalSpy finished(&identify, &ModuleJob::finished);
        identify.start();
        QVERIFY(Wait::until([&] { return s.commandInFlight() == Command::Search; }, 1000));
        s.link().close();
        s.DispatchLongAnswer(ModuleAnswers::Long("0000", "301202"));
        QVERIFY(finished.wait(1000));
        const JobResult r = finished.first().at(0).value<JobResult>();
        QCOMPARE(r.command, Command::SerialNumberRead);
        QCOMPARE(r.transaction, TransactionOutcome::Refused);
        QVERIFY(!s.busy());
    }

    // A job cancelled at any of its steps leaves nothing in flight, and the port answers.
    void cancelledJobsLeaveThePortUsable()
    {
        SessionRig rig("late=80");
        ModuleSession& s = *rig.session;
        s.setAnswerTimeout(1000);
        // cancelled in the identify, the read-all, the pause and the channel read
        const QList<Command> under{Command::Search, Command::ReadAll, Command::None, Command::ChannelRead};
        for (int at = 0; at < under.size(); ++at) {
            ModuleJob job(s, {JobStep::IdentifyHere(), JobStep::Send(Requests::ReadAll()), JobStep::Pause(300),
                              JobStep::Send(Requests::ReadChannel(false))});
            QSignalSpy finished(&job, &ModuleJob::finished);
            int answered = 0;
            connect(&job, &ModuleJob::moduleFound, this, [&] { ++answered; });
            connect(&job, &ModuleJob::commandAnswered, this, [&] { ++answered; });
            job.start();
            QVERIFY(Wait::until([&] { return answered >= qMin(at, 2) && job.currentCommand() == under.at(at); }, 3000));
            Wait::pump(20);
            job.cancel();
            QCOMPARE(finished.size(), 1);
            QCOMPARE(finished.first().at(0).value<JobResult>().outcome, JobOutcome::Cancelled);
            QVERIFY(!s.busy());
            Wait::pump(150); // the late answer of the cancelled command comes in and is dropped
            QVERIFY(Answered(rig, s.readChannel()));
        }
    }

    // A lost port ends the command a job awaits as lost, not cancelled, and the job with it.
    void aLostPortEndsTheJobsCommandAsLost()
    {
        SessionRig rig("mute");
        ModuleSession& s = *rig.session;
        ModuleJob job(s, {JobStep::Send(Requests::ReadAll())});
        QSignalSpy ended(&s, &ModuleSession::transactionEnded);
        QSignalSpy finished(&job, &ModuleJob::finished);
        job.start();
        QVERIFY(Wait::until([&] { return job.currentCommand() == Command::ReadAll && s.busy(); }, 3000));
        emit s.link().lost();
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.first().at(0).value<TransactionResult>().outcome, TransactionOutcome::PortLost);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().at(0).value<JobResult>().transaction, TransactionOutcome::PortLost);
        QCOMPARE(finished.first().at(0).value<JobResult>().outcome, JobOutcome::Cancelled);
    }

    // The session waits for ever (as the window does), yet a job never does: it supersedes a
    // manual read the silent module leaves waiting, its own commands end at the line's
    // deadline, and a search whose model read is lost goes on to the next step.
    void aJobNeverWaitsForEver()
    {
        SessionRig rig("mute");
        ModuleSession& s = *rig.session;
        QSignalSpy ended(&s, &ModuleSession::transactionEnded);
        QCOMPARE(s.readChannel(), LinkStatus::Ok);
        ModuleJob job(s, {JobStep::SearchFrom(RadioSearch::IndexOf(SerialSettings{9600, Parity::None})),
                          JobStep::Send(Requests::ReadAll())});
        job.search().setStepInterval(300);
        QSignalSpy waiting(&job, &ModuleJob::waiting);
        QSignalSpy finished(&job, &ModuleJob::finished);
        job.start();
        QCOMPARE(ended.first().at(0).value<TransactionResult>().outcome, TransactionOutcome::Superseded);
        // the module is found, but its model read is never answered
        s.DispatchLongAnswer(ModuleAnswers::Long("0000", "301202"));
        QCOMPARE(s.commandInFlight(), Command::SerialNumberRead);
        QVERIFY(s.inFlightTimeout() > 0);
        QVERIFY(finished.wait(10000));
        const JobResult r = finished.first().at(0).value<JobResult>();
        QCOMPARE(r.command, Command::ReadAll);
        QCOMPARE(r.transaction, TransactionOutcome::TimedOut);
        QVERIFY(!s.busy());
        const int deadline = s.lineDeadline(Requests::ReadAll());
        QVERIFY(deadline > s.frameGap() && deadline < 5000);
        QCOMPARE(waiting.first().at(0).value<Command>(), Command::ReadAll);
        QCOMPARE(waiting.first().at(1).toInt(), deadline);
        QCOMPARE(waiting.last().at(0).value<Command>(), Command::None);
    }

    // A thousand seeded runs, each on its own virtual clock and a port the test plays: manual
    // commands, queued ones, jobs with an identify and a search, answers right, wrong, broken
    // and cut short, cancels, deadlines, and the device pulled out. Every transaction and every
    // job ends exactly once. A failing seed replays alone: RFMOD_SEED=n.
    void everyTransactionEndsExactlyOnce()
    {
        const int only = qEnvironmentVariableIntValue("RFMOD_SEED");
        for (int seed = only ? only : 1; seed <= (only ? only : 1000); ++seed) {
            QRandomGenerator random{quint32(seed)};
            auto port = std::make_shared<PlayedPort>();
            PCommBackends::installOverride(7, port);
            ManualClock clock;
            ModuleSession s{Edition{}};
            s.setClock(&clock);
            s.setFrameGapOption(true, 40);
            QCOMPARE(s.openPort(7, LineSettings{9600}).status(), LinkStatus::Ok);
            QHash<TransactionId, int> ends;
            QSet<TransactionId> started;
            QList<TransactionId> submitted;
            connect(&s, &ModuleSession::transactionStarted, this, [&](TransactionId id) { started.insert(id); });
            connect(&s, &ModuleSession::transactionEnded, this, [&](const TransactionResult& r) { ++ends[r.id]; });
            std::vector<std::unique_ptr<ModuleJob>> jobs;
            QHash<ModuleJob*, int> jobEnds;
            const QList<CommandRequest> requests{Requests::ReadChannel(false), Requests::ReadAll(),
                                                 Requests::ReadSerialNumber(), Requests::WriteProtocol(1)};
            auto request = [&] { return requests.at(random.bounded(requests.size())); };
            for (int step = 0; step < 40; ++step) {
                switch (random.bounded(10)) {
                case 0: s.send(request()); break;
                case 1: submitted << s.submit(request(), random.bounded(2) ? -1 : 50 + random.bounded(400)); break;
                case 2: {
                    QList<JobStep> steps{random.bounded(2) ? JobStep::IdentifyHere() : JobStep::SearchFrom(13)};
                    for (int k = random.bounded(3); k >= 0; --k)
                        steps << JobStep::Send(request());
                    jobs.push_back(std::make_unique<ModuleJob>(s, steps));
                    ModuleJob* job = jobs.back().get();
                    job->search().setStepInterval(24 * 3600 * 1000); // steps only on the module's answer
                    connect(job, &ModuleJob::finished, this, [&, job] { ++jobEnds[job]; });
                    job->start();
                    break;
                }
                case 3:
                case 4: port->arrive(AnswerTo(s.commandInFlight())); break;
                case 5: {
                    QByteArray wrong = AnswerTo(random.bounded(2) ? Command::RssiRead : s.commandInFlight());
                    if (random.bounded(2))
                        wrong[wrong.size() - 3] = char(wrong.at(wrong.size() - 3) ^ 0x5A); // checksum
                    else
                        wrong.chop(4); // cut short: no frame, nothing ends but the deadline
                    port->arrive(wrong);
                    break;
                }
                case 6:
                    if (!submitted.isEmpty())
                        s.cancel(submitted.at(random.bounded(submitted.size())));
                    else if (!jobs.empty())
                        jobs.at(random.bounded(int(jobs.size())))->cancel();
                    break;
                case 7:
                    if (random.bounded(12) == 0)
                        port->pull();
                    break;
                default: clock.ms += random.bounded(1500); break;
                }
                QCoreApplication::processEvents();
                clock.ms += 45; // past the frame gap: what arrived is an answer now
                s.receiveNow();
                s.transactions().expireDue();
                QCoreApplication::processEvents();
            }
            port->pull(); // the end of every run: the device goes, and everything with it
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            const QString at = QStringLiteral("seed %1").arg(seed);
            QVERIFY2(!s.busy(), qPrintable(at));
            for (const TransactionId id : submitted)
                QVERIFY2(ends.value(id) == 1, qPrintable(at));
            for (const TransactionId id : started)
                QVERIFY2(ends.value(id) == 1, qPrintable(at));
            for (auto it = ends.cbegin(); it != ends.cend(); ++it)
                QVERIFY2(it.value() == 1, qPrintable(at));
            for (const auto& job : jobs)
                QVERIFY2(jobEnds.value(job.get()) == 1, qPrintable(at));
            PCommBackends::clearOverrides();
        }
    }
};

QTEST_GUILESS_MAIN(SessionCommands)
#include "tst_session_commands.moc"
