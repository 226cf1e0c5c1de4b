// Read all, write all and the set-all chain against the simulated module: searching first,
// the PC port following the module, and the chain's order in both frame variants.
#include "support/ModuleTestUtil.h"

#include "app/Portset.h"
#include "app/Unit1.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

using namespace CmdTest;

namespace {


// Channel row, air-rate row, serial-rate row, parity row.
void Select(TForm1* f, int channel, int air, int serial, int parity)
{
    f->ComboBox4->setCurrentIndex(channel);
    f->ComboBox1->setCurrentIndex(air);
    f->ComboBox2->setCurrentIndex(serial);
    f->ComboBox3->setCurrentIndex(parity);
}

// What the set-all chain's serial-number write needs.
void PrepareSerialNumber(TForm1* f)
{
    f->ComboBox11->setCurrentIndex(10);
    f->ComboBox12->setEditText("2011");
    f->ComboBox13->setEditText("03");
    f->Edit2->setText("00001");
}

QStringList Codes(const QStringList& requests)
{
    QStringList out;
    for (const QString& r : requests)
        out << r.section(QLatin1Char(' '), 0, 1);
    return out;
}

} // namespace

class AllParamsModule : public QObject {
    Q_OBJECT
private slots:
    void init() { TForm1::SearchStepIntervalMs = 60; }
    void cleanup()
    {
        TForm1::SearchStepIntervalMs = 1100;
        ResetSimulatedModules();
    }

    void writeAllAnswerMovesThePcPort()
    {
        TestWindow w(SimConfig());
        FillLists(w.form);
        w.form->N18->setChecked(false);
        Select(w.form, 2, 3, 4, 1); // channel 3, 9600, 19200, odd
        TakeRequests();
        w.form->SpeedButton21Click();
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2) == QStringLiteral("参数全设成功!"); }, 3000));
        QCOMPARE(TakeRequests(), QStringList{"long 800E payload 03 05 06 02"});
        const LineSettings pc = SimulatedPorts::lastPcLine(1);
        QCOMPARE(pc.baud, 19200);
        QCOMPARE(pc.parity, 'O');
        QCOMPARE(Module()->serialSettings().baud, 19200);

        // the link keeps working at the new settings
        w.form->SpeedButton3Click();
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2) == QStringLiteral("参数全读成功!"); }, 3000));
        QCOMPARE(w.form->ComboBox4->currentIndex(), 2);
        QCOMPARE(w.form->ComboBox2->currentText(), QStringLiteral("19200"));
        QCOMPARE(w.form->ComboBox3->currentText(), QStringLiteral("奇校验"));
    }

    void searchFirstWriteAllWritesTheEarlierSelections()
    {
        // steps long enough for the identify answer to be handed over at the first one
        TForm1::SearchStepIntervalMs = 400;
        TestWindow w(SimConfig("model=35,channel=9"));
        FillLists(w.form);
        QVERIFY(w.form->N18->isChecked());
        Select(w.form, 4, 2, 3, 2); // channel 5, 4800, 9600, none
        w.form->Edit1->setText("431.000");
        TakeRequests();
        w.form->SpeedButton21Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("开始检测电台......"));
        QCOMPARE(w.form->OperationLabel, QStringLiteral("Write"));
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2) == QStringLiteral("参数全设成功!"); }, 6000));
        QCOMPARE(CommandRequests(TakeRequests()).filter(QStringLiteral("800E")),
                 QStringList{"long 800E payload 05 04 05 00"});
        QCOMPARE(Module()->options().channel, 5);
        QCOMPARE(w.form->ComboBox4->currentIndex(), 4);
        QCOMPARE(w.form->Edit1->text(), QStringLiteral("431.000"));
    }

    void searchFirstReadAllWithoutModuleSendsNothing()
    {
        TestWindow w(SimConfig("mute"));
        FillLists(w.form);
        Select(w.form, 1, 1, 1, 1);
        w.sentHex();
        w.ui.clear();
        w.form->SpeedButton3Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("正在读电台......"));
        QVERIFY(w.waitFor([&] { return !w.ui.messages.isEmpty(); }, 6000));
        w.pump(1300); // longer than the continuation timer
        for (const QString& frame : w.sentHex())
            QVERIFY2(frame.mid(10, 4) == QLatin1String("8000"), qPrintable(frame));
        QVERIFY(!w.form->Timer2->isActive());
        QCOMPARE(w.form->ComboBox4->currentIndex(), -1);
        QCOMPARE(w.form->OperationLabel, QStringLiteral("Read"));
    }

    void chainInLongFrames()
    {
        TestWindow w(SimConfig("", "[Ver]\r\ntype=VORDAL\r\n", "Test Delay Time=150\r\n"));
        QCOMPARE(GlobleVar::TestDelayTime, 150);
        FillLists(w.form);
        w.form->N18->setChecked(false);
        Select(w.form, 0, 3, 3, 2); // the module's own serial settings stay
        PrepareSerialNumber(w.form);
        w.form->ComboBox5->setCurrentIndex(1);
        TakeRequests();
        w.form->SpeedButton38Click();
        QVERIFY(w.form->ChainSetAll);
        QVERIFY(w.waitFor([&] { return !w.form->ChainSetAll; }, 6000));
        QCOMPARE(Codes(TakeRequests()), (QStringList{"long 8009", "long 800A", "long 800E", "long 8007"}));
        QCOMPARE(w.ui.sleeps, (QList<int>{10, 10, 150}));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("启动测试成功!"));
        QVERIFY(Module()->options().txTest);
    }

    void chainWithShortAnswers()
    {
        TestWindow w(SimConfig("short-answers", "[Ver]\r\ntype=KESTRAVONIX\r\n"));
        FillLists(w.form);
        w.form->N18->setChecked(false);
        Select(w.form, 0, 3, 3, 2);
        PrepareSerialNumber(w.form);
        w.form->ComboBox5->setCurrentIndex(0);
        TakeRequests();
        w.form->SpeedButton38Click();
        QVERIFY(w.waitFor([&] { return !w.form->ChainSetAll; }, 6000));
        QCOMPARE(Codes(TakeRequests()), (QStringList{"long 8009", "long 800E", "long 800A", "short 8007"}));
        QCOMPARE(w.ui.sleeps, (QList<int>{10, 10, 10}));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("启动测试成功!"));
    }
};

QTEST_MAIN(AllParamsModule)
#include "tst_allparams_module.moc"
