// Radio search on the simulated module: stepping through the 21 line settings, the identify
// answer with the serial-number read that follows, failure, stop, and a step held while an
// answer is being gathered.
#include "support/SessionRig.h"

#include "core/link/SimulatedPorts.h"
#include "core/session/RadioSearch.h"

#include <QtTest>

namespace {

const SerialSettings k9600None{9600, Parity::None};
const SerialSettings k4800Odd{4800, Parity::Odd};

QList<int> SteppedIndexes(const QSignalSpy& spy)
{
    QList<int> out;
    for (const QList<QVariant>& args : spy)
        out << args.at(0).toInt();
    return out;
}

} // namespace

class SearchTest : public QObject {
    Q_OBJECT
private slots:
    void foundAtFourThousandEightHundredOdd()
    {
        SessionRig rig("baud=4800,parity=odd,model=35,band=433,version=0x12");
        ModuleSession& s = *rig.session;
        RadioSearch search(s);
        search.setStepInterval(250); // an answer at 4800 baud takes up to ~150 ms
        QSignalSpy stepped(&search, &RadioSearch::stepped);
        QSignalSpy finished(&search, &RadioSearch::finished);
        QSignalSpy identified(&s, &ModuleSession::identified);
        QSignalSpy serialNumber(&s.answers(), &AnswerDecoder::serialNumberRead);

        QCOMPARE(RadioSearch::IndexOf(k9600None), 15);
        search.start(15);
        QVERIFY(search.isRunning());
        QVERIFY(Wait::until([&] { return search.found(); }, 8000));
        // found in the 18th step, 15..21 then 1..11; stepping stops there
        QCOMPARE(search.tries(), 18);
        QCOMPARE(search.index(), 11);
        QCOMPARE(SteppedIndexes(stepped).first(), 15);
        QCOMPARE(SteppedIndexes(stepped).last(), 11);
        QCOMPARE(stepped.size(), 18);
        QCOMPARE(s.link().line(), k4800Odd.line());
        QCOMPARE(identified.size(), 1);
        const Identity id = identified.first().at(0).value<Identity>();
        QCOMPARE(id.familyCode, 0x30);
        QCOMPARE(id.firmware, QStringLiteral("12"));
        QCOMPARE(id.band, 2);

        // the search ends once the serial number that tells the exact model is in
        QVERIFY(finished.wait(2000));
        QCOMPARE(serialNumber.size(), 1);
        QCOMPARE(serialNumber.first().at(0).value<SerialNumber>().modelCode, QStringLiteral("35"));
        QVERIFY(serialNumber.first().at(1).toBool());
        QCOMPARE(rig.requests(true), QStringList{"long 800B payload 00 00"});
        QVERIFY(!search.isRunning());
        QCOMPARE(finished.size(), 1);
        QVERIFY(finished.first().at(0).toBool());
        QCOMPARE(search.tries(), 18);
        QCOMPARE(s.link().line(), k4800Odd.line());
        QVERIFY(!s.busy());
    }

    void mutedModuleFailsAfterTwentyOneSteps()
    {
        SessionRig rig("mute");
        RadioSearch search(*rig.session);
        search.setStepInterval(30);
        QSignalSpy stepped(&search, &RadioSearch::stepped);
        QSignalSpy finished(&search, &RadioSearch::finished);
        search.start(15);
        QVERIFY(Wait::until([&] { return !search.isRunning(); }, 5000));
        QCOMPARE(search.tries(), 21);
        QCOMPARE(stepped.size(), 21);
        QCOMPARE(finished.size(), 1);
        QVERIFY(!finished.first().at(0).toBool());
        // the port stays at the last combination tried, 14: 9600 odd
        QCOMPARE(SteppedIndexes(stepped).last(), 14);
        QCOMPARE(RadioSearch::Combination(14), (SerialSettings{9600, Parity::Odd}));
        QCOMPARE(SimulatedPorts::lastPcLine(1), RadioSearch::Combination(14).line());
        Wait::pump(150);
        QCOMPARE(stepped.size(), 21);

        // a start outside 1..21 (no choice in the port dialog) begins at the first
        stepped.clear();
        QCOMPARE(RadioSearch::IndexOf(SerialSettings{0, Parity::Unknown}), 1);
        search.start(0);
        QCOMPARE(search.index(), 1);
        QCOMPARE(SimulatedPorts::lastPcLine(1), (SerialSettings{600, Parity::Even}).line());
        QVERIFY(Wait::until([&] { return !search.isRunning(); }, 5000));
        QCOMPARE(SteppedIndexes(stepped).last(), 21);
        QCOMPARE(SimulatedPorts::lastPcLine(1), (SerialSettings{38400, Parity::None}).line());
    }

    void stopBetweenSteps()
    {
        SessionRig rig("mute");
        RadioSearch search(*rig.session);
        search.setStepInterval(100);
        QSignalSpy finished(&search, &RadioSearch::finished);
        search.start(1);
        Wait::pump(250);
        search.stop();
        const int tries = search.tries();
        QVERIFY(tries >= 2 && tries < 21);
        Wait::pump(350);
        QCOMPARE(search.tries(), tries);
        QVERIFY(!search.isRunning());
        QVERIFY(finished.isEmpty());
    }

    // A frame gap longer than a step: the identify answer is handed over after the search
    // would have moved on, yet the port ends where the module answered and the model is read.
    void frameGapLongerThanAStepHoldsTheStep()
    {
        SessionRig rig("baud=4800,parity=odd,model=35,band=433", QString(), k9600None, 600);
        RadioSearch search(*rig.session);
        search.setStepInterval(250);
        QSignalSpy serialNumber(&rig.session.get()->answers(), &AnswerDecoder::serialNumberRead);
        search.start(15);
        QVERIFY(Wait::until([&] { return search.found() && !search.isRunning(); }, 15000));
        QCOMPARE(search.index(), 11);
        QCOMPARE(rig.session->link().line(), k4800Odd.line());
        QVERIFY(Wait::until([&] { return !serialNumber.isEmpty(); }, 3000));
        QCOMPARE(serialNumber.first().at(0).value<SerialNumber>().modelCode, QStringLiteral("35"));
    }
};

QTEST_GUILESS_MAIN(SearchTest)
#include "tst_search.moc"
