// A whole main-send run through the simulated module, over the air to a second module whose
// PC side echoes every block, with faults injected by the air link.
#include "support/AirRig.h"

#include "app/GlobleVar.h"
#include "app/Unit1.h"
#include "core/link/PComm.h"
#include "core/link/SimulatedPorts.h"
#include "app/texts/radiotests_texts.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace RadioTestTexts;

namespace {
const QByteArray kBlock = "0123456789";

// The tool's window on COM1 and, over the air, a module whose PC echoes.
struct Rig : AirRig {
    Rig() : AirRig(true, 60)
    {
        // A short fixed frame gap keeps the exchanges quick.
        f->SpinEdit3->setValue(10);
        f->SpinEdit4->setValue(10);
        f->Edit4->setText(QString::fromLatin1(kBlock));
    }
    qint64 blocksOnAir() const { return near->airStats().sent; }
};
} // namespace

class PairAirLinkTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        sio_close(1);
        SimulatedPorts::reset();
    }

    void sendAfterReturnWithTruncatedEchoes()
    {
        Rig r;
        TForm1* f = r.f;
        f->SpeedButton17Click();
        QCOMPARE(int(f->State()), 3);
        QVERIFY(TestWindow::waitFor([&] { return f->SentCount >= 4; }, 5000));
        QCOMPARE(f->ErrorCount, 0);
        QCOMPARE(f->SuccessCount, f->ReceivedCount);

        // Every echo now loses three bytes at its end: repaired, still all good.
        r.peer->options().truncateRate = 1.0;
        r.peer->options().truncateBytes = 3;
        r.peer->options().truncateAt = 'E';
        const int received = f->ReceivedCount;
        QVERIFY(TestWindow::waitFor([&] { return f->ReceivedCount >= received + 4; }, 5000));
        QVERIFY(r.peer->airStats().truncated >= 3);
        QCOMPARE(f->ErrorCount, 0);
        QCOMPARE(f->Edit3->text(), QString::fromLatin1(kBlock));
        // And at the start.
        r.peer->options().truncateAt = 'S';
        const int received2 = f->ReceivedCount;
        QVERIFY(TestWindow::waitFor([&] { return f->ReceivedCount >= received2 + 3; }, 5000));
        QCOMPARE(f->ErrorCount, 0);

        // Stop right after a send: the echo still in the air arrives late, is counted and
        // judged, and is not answered.
        QVERIFY(TestWindow::waitFor([&] { return f->SentCount > f->ReceivedCount; }, 2000));
        f->SpeedButton18Click();
        const int sent = f->SentCount;
        QVERIFY(TestWindow::waitFor([&] { return f->ReceivedCount == sent; }, 2000));
        TestWindow::pump(300);
        QCOMPARE(f->SentCount, sent);
        // One block on the air per send: the late echo was not answered.
        QCOMPARE(r.blocksOnAir(), qint64(sent));
        QCOMPARE(int(f->State()), 0);

        // Every block came back and was judged good; the totals are bytes of whole blocks
        // (the repaired length on the receiving side).
        QCOMPARE(f->SuccessCount, sent);
        QCOMPARE(f->Edit9->text(), QStringLiteral("100.00%"));
        QCOMPARE(f->TxByteTotal, sent * 10);
        QCOMPARE(f->Label23->text(), QString::number(sent * 10));
        QCOMPARE(f->RxByteTotal, sent * 10);
        QCOMPARE(f->Label25->text(), QString::number(sent * 10));
        QCOMPARE(f->Memo1->blockCount(), sent);
        QCOMPARE(f->Memo2->blockCount(), sent);
    }

    void factoryEditionAndBadFramesAreErrors()
    {
        GlobleVar::TestEdition = false;
        Rig r;
        TForm1* f = r.f;
        GlobleVar::TestEdition = true; // read from the configuration; set here after start-up
        r.peer->options().truncateRate = 1.0;
        r.peer->options().truncateBytes = 2;
        f->SpeedButton17Click();
        QVERIFY(TestWindow::waitFor([&] { return f->ReceivedCount >= 3; }, 5000));
        f->SpeedButton18Click();
        TestWindow::pump(200);
        QCOMPARE(f->SuccessCount, 0);
        QCOMPARE(f->ErrorCount, f->ReceivedCount);
        QCOMPARE(f->Edit3->text(), QStringLiteral("01234567"));
        QCOMPARE(f->Edit9->text(), QStringLiteral("0.00%"));
        // The short frames count with their own length.
        QCOMPARE(f->RxByteTotal, 8 * f->ReceivedCount);
    }

    void lostEchoEndsTheExchange()
    {
        Rig r;
        TForm1* f = r.f;
        r.peer->options().dropRate = 1.0;
        f->SpeedButton17Click();
        TestWindow::pump(500);
        // Nothing came back, so nothing more was sent; the test still runs.
        QCOMPARE(f->SentCount, 1);
        QCOMPARE(f->ReceivedCount, 0);
        QCOMPARE(int(f->State()), 3);
        QCOMPARE(f->Edit9->text(), QStringLiteral("0.00%"));
    }

    void duplicateEchoesAreCappedAtTheNextSend()
    {
        Rig r;
        TForm1* f = r.f;
        f->RadioButton2->setChecked(true);
        f->RadioButton2Click();
        f->SpinEdit1->setValue(10000);
        f->SpeedButton17Click();
        QVERIFY(TestWindow::waitFor([&] { return f->SuccessCount == 1; }, 2000));
        // The far PC sends the same block twice more: good frames beyond the one sent.
        for (int i = 0; i < 2; ++i) {
            r.peer->receiveFromPc(kBlock, LineSettings{}, SimulatedPorts::nowMs());
            const int before = f->ReceivedCount;
            QVERIFY(TestWindow::waitFor([&] { return f->ReceivedCount > before; }, 2000));
        }
        QCOMPARE(f->SuccessCount, 3);
        QCOMPARE(f->Edit9->text(), QStringLiteral("300.00%"));
        // The next timed send brings the successes down to the sends.
        f->Timer3Timer();
        QCOMPARE(f->SentCount, 2);
        QCOMPARE(f->SuccessCount, 2);
        QCOMPARE(f->Edit7->text(), QStringLiteral("2"));
        QCOMPARE(f->Edit9->text(), QStringLiteral("100.00%"));
        f->SpeedButton18Click();
    }

    void timedSendingEvery100msUntilStop()
    {
        Rig r;
        TForm1* f = r.f;
        f->RadioButton2->setChecked(true);
        f->RadioButton2Click();
        f->SpinEdit1->setValue(100);
        f->SpeedButton17Click();
        QCOMPARE(int(f->State()), 4);
        QVERIFY(f->Timer3->isActive());
        QCOMPARE(f->Timer3->interval(), 100);
        QElapsedTimer t;
        t.start();
        TestWindow::pump(1000);
        const int sent = f->SentCount;
        // One at the start and one per tick, give or take a late tick on a busy machine.
        QVERIFY2(sent >= 4 && sent <= 12, qPrintable(QString::number(sent)));
        f->SpeedButton18Click();
        QVERIFY(!f->Timer3->isActive());
        TestWindow::pump(400);
        QCOMPARE(f->SentCount, sent);
        // In timed sending the echoes are judged and counted, never answered: one block on
        // the air per send.
        QCOMPARE(r.blocksOnAir(), qint64(sent));
        QVERIFY(f->ReceivedCount >= sent - 1);
        QCOMPARE(f->ErrorCount, 0);
        QCOMPARE(f->PanelText(1), Cn(ModeStopped));
    }
};

QTEST_MAIN(PairAirLinkTest)
#include "tst_pair_airlink.moc"
