// While the pair test runs (work states 3 and 4) every module command of the parameter page
// is refused with the same warning and nothing reaches the port.
#include "support/ModuleTestUtil.h"

#include "app/Unit1.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using namespace CmdTest;

class PairTestGuard : public QObject {
    Q_OBJECT
private slots:
    void everyCommandRefused_data()
    {
        QTest::addColumn<WorkState>("state");
        QTest::newRow("pair test, send after return") << WorkState::PairTest;
        QTest::newRow("pair test, timed sending") << WorkState::PairTimed;
    }
    void everyCommandRefused()
    {
        QFETCH(WorkState, state);
        TestWindow w(SimConfig("", "[Ver]\r\ntype=VORDAL\r\n"));
        TForm1* f = w.form;
        // every field valid, so only the guard can refuse
        FillLists(f);
        for (QComboBox* c : {f->ComboBox4, f->ComboBox1, f->ComboBox2, f->ComboBox3})
            c->setCurrentIndex(1);
        f->ComboBox5->setCurrentIndex(1);
        f->ComboBox6->setCurrentIndex(1);
        f->Edit20->setText("100");
        f->Edit21->setText("5");
        f->Edit15->setText("300");
        f->ComboBox14->setCurrentIndex(0);
        f->ComboBox21->setCurrentIndex(3);
        f->Edit18->setText("64");
        f->Edit10->setText("1");
        f->ComboBox9->setCurrentIndex(1);
        f->ComboBox10->setCurrentIndex(1);
        f->ComboBox11->setCurrentIndex(1);
        f->ComboBox12->setEditText("2011");
        f->ComboBox13->setEditText("03");
        f->Edit2->setText("00001");
        f->N18->setChecked(false);
        w.sentHex();
        f->Session->setWorkState(state);
        f->Session->recordCommand(Command::AirRateRead);
        w.ui.clear();

        const QList<void (TForm1::*)()> handlers = {
            &TForm1::SpeedButton2Click,  &TForm1::SpeedButton8Click,  &TForm1::SpeedButton4Click,
            &TForm1::SpeedButton9Click,  &TForm1::SpeedButton5Click,  &TForm1::SpeedButton10Click,
            &TForm1::SpeedButton22Click, &TForm1::SpeedButton23Click, &TForm1::SpeedButton11Click,
            &TForm1::SpeedButton28Click, &TForm1::SpeedButton29Click, &TForm1::SpeedButton39Click,
            &TForm1::SpeedButton3Click,  &TForm1::SpeedButton21Click, &TForm1::SpeedButton19Click,
            &TForm1::BitBtn1Click,       &TForm1::SpeedButton24Click, &TForm1::SpeedButton25Click,
            &TForm1::SpeedButton26Click, &TForm1::SpeedButton27Click, &TForm1::SpeedButton33Click,
            &TForm1::Button1Click,       &TForm1::Button2Click,       &TForm1::SpeedButton40Click,
            &TForm1::SpeedButton13Click, &TForm1::SpeedButton12Click, &TForm1::SpeedButton32Click,
            &TForm1::SpeedButton14Click, &TForm1::SpeedButton15Click, &TForm1::N5Click,
            &TForm1::N6Click,            &TForm1::N8Click,            &TForm1::N15Click};
        for (auto h : handlers)
            (f->*h)();

        QCOMPARE(w.ui.messages.size(), handlers.size());
        for (const QString& m : w.ui.messages)
            QCOMPARE(m, QStringLiteral("请先停止对传测试!"));
        TestWindow::pump(50);
        QVERIFY(w.sentHex().isEmpty());
        QCOMPARE(f->State(), state);
        QCOMPARE(f->Session->lastCommand(), Command::AirRateRead);
        QVERIFY(!f->JobRunning());
        QVERIFY(f->OperationLabel.isEmpty());
        // reads clear nothing either
        QCOMPARE(f->ComboBox4->currentIndex(), 1);
        QCOMPARE(f->ComboBox5->currentIndex(), 1);
        QCOMPARE(f->Edit15->text(), QStringLiteral("300"));
        QCOMPARE(f->ComboBox9->currentIndex(), 1);
        QCOMPARE(f->Edit2->text(), QStringLiteral("00001"));
    }
};

QTEST_MAIN(PairTestGuard)
#include "tst_allparams_guard.moc"
