// Radio search on the window: the port dialog and status bar following each step, the texts,
// the model row and base frequency adopted, the page switch and the continuation that a
// search-first read or write waits for.
#include "support/TestWindow.h"

#include "app/Portset.h"
#include "app/Unit1.h"
#include "support/ModuleAnswers.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

namespace {

// COM1 is the simulated module; the dialog starts at baud row `rate` and parity row `verify`.
QByteArray Config(const QString& sim, int rate, int verify, const char* ver = "")
{
    return QStringLiteral("[Ports]\r\nCOM1=%1\r\n[COM]\r\nPort=0\r\nRate=%2\r\nVerify=%3\r\n"
                          "[Option]\r\nFrame delay=1\r\nDelay time=60\r\n[Ver]\r\n%4")
        .arg(sim)
        .arg(rate)
        .arg(verify)
        .arg(QLatin1String(ver))
        .toUtf8();
}

} // namespace

class SearchWindowTest : public QObject {
    Q_OBJECT
private slots:
    void foundModuleIsShownAndAdopted()
    {
        TestWindow w(Config("sim:baud=4800,parity=odd,model=35,band=433,version=0x12", 4, 2, "KTX=1\r\n"));
        TForm1* f = w.form;
        const QByteArray configBefore = w.configText();
        QCOMPARE(f->SearchStepMs, 1100);
        f->SearchStepMs = 250; // an answer at 4800 baud takes up to ~150 ms
        f->ShowPage(2);
        f->Session->setWorkState(WorkState::PairTest);

        f->SpeedButton20Click();
        QCOMPARE(f->State(), WorkState::Command);
        QCOMPARE(f->PageControl1->currentIndex(), 0);
        QCOMPARE(f->PanelText(2), QStringLiteral("正在检测电台......"));
        QVERIFY(f->SearchRunning());
        QStringList stepPanels{f->PanelText(1)};
        connect(&f->Job->search(), &RadioSearch::stepped, this, [&] { stepPanels << f->PanelText(1); });

        QVERIFY(TestWindow::waitFor([f] { return f->Job->search().found(); }, 8000));
        QCOMPARE(stepPanels.size(), 18);
        QCOMPARE(stepPanels.first(), QStringLiteral("COM1,9600,NONE(无校验),8,1,1"));
        QCOMPARE(stepPanels.last(), QStringLiteral("COM1,4800,ODD(奇校验),8,1,1"));
        QCOMPARE(w.portSet->ComboBox2->currentText(), QStringLiteral("4800"));
        QCOMPARE(w.portSet->ComboBox3->currentText(), QStringLiteral("ODD(奇校验)"));
        QCOMPARE(f->PanelText(3), QStringLiteral("KTX52X V1.2"));
        QCOMPARE(f->ReportedFamily, QStringLiteral("KTX52X"));
        QCOMPARE(f->ReportedBaseFrequency, QStringLiteral("433MHZ"));

        // the serial-number answer picks the exact row and the base frequency
        QVERIFY(TestWindow::waitFor([f] { return f->ComboBox15->currentIndex() == 10; }, 2000));
        QCOMPARE(f->ComboBox15->currentText(), QStringLiteral("KTX525"));
        QCOMPARE(f->ComboBox16->currentText(), QStringLiteral("433MHZ"));
        QCOMPARE(f->PanelText(2), QStringLiteral("成功检测到电台！(型号、基频读取成功)"));
        QVERIFY(TestWindow::waitFor([f] { return !f->JobRunning(); }, 1000));
        QVERIFY(w.ui.messages.isEmpty());
        QVERIFY(w.ui.questions.isEmpty());
        QCOMPARE(w.configText(), configBefore); // in force, not saved

        // and the module can be talked to at once
        f->SpeedButton2Click();
        QVERIFY(TestWindow::waitFor([f] { return f->PanelText(2) == QStringLiteral("读信道与频率成功!"); }, 2000));
        QCOMPARE(f->ComboBox4->currentIndex(), 0);
        QCOMPARE(f->Edit1->text(), QStringLiteral("430.2000MHZ"));
    }

    void searchFirstReadContinuesAfterTheSearch()
    {
        TestWindow w(Config("sim:model=61,band=6", 4, 2, "CEO=EN\r\n"));
        TForm1* f = w.form;
        f->SearchStepMs = 300;
        f->SpeedButton19Click();
        // found at the first step; the serial number is read at once
        QVERIFY(TestWindow::waitFor([f] { return f->ComboBox15->currentIndex() == 31; }, 1000));
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("The base frequency Not be found!2.4GHZ")});
        QCOMPARE(f->PanelText(2), QStringLiteral("RF Module(Radio) Searched OK!"));
        QVERIFY(!f->Job->search().isRunning());
        // the read-all follows a second later
        QVERIFY(f->JobRunning());
        QCOMPARE(f->Session->lastCommand(), Command::SerialNumberRead);
        QVERIFY(TestWindow::waitFor([f] { return !f->JobRunning(); }, 2000));
        QCOMPARE(f->PanelText(2), QStringLiteral("Read All Parameters OK!"));
    }

    void noModuleFailsWithABox()
    {
        TestWindow w(Config("sim:mute", 4, 2));
        TForm1* f = w.form;
        f->SearchStepMs = 30;
        f->SpeedButton20Click();
        QVERIFY(TestWindow::waitFor([f] { return !f->JobRunning(); }, 5000));
        TestWindow::pump(20);
        QCOMPARE(f->PanelText(2), QStringLiteral("未检测到电台！"));
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("未检测到电台，请检查电源或数据接线是否正常！")});
        // the dialog shows the last combination tried: 9600 odd
        QCOMPARE(w.portSet->ComboBox2->currentText(), QStringLiteral("9600"));
        QCOMPARE(w.portSet->ComboBox3->currentText(), QStringLiteral("ODD(奇校验)"));

        // a dialog without a choice starts at the first combination
        w.portSet->ComboBox2->setCurrentIndex(-1);
        w.portSet->ComboBox3->setCurrentIndex(-1);
        QCOMPARE(f->SearchStartIndex(), 1);
    }

    void stopAndClosedPort()
    {
        TestWindow w(Config("sim:mute", 4, 2));
        TForm1* f = w.form;
        f->SpeedButton20Click();
        QVERIFY(f->SearchRunning());
        f->SpeedButton30Click();
        QVERIFY(!f->JobRunning());
        QCOMPARE(f->PanelText(2), QStringLiteral("检测停止!"));
        QVERIFY(w.ui.messages.isEmpty());

        // a closed port ends the search at its first step; the page stays
        w.portSet->SpeedButton2Click();
        f->ShowPage(1);
        f->SpeedButton20Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("检测出错，可能是串口未打开或打开出错！"));
        QVERIFY(!f->JobRunning());
        TestWindow::pump(20);
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("The Port NOT be opened!")});
        QCOMPARE(f->PageControl1->currentIndex(), 1);
        QCOMPARE(f->State(), WorkState::Command);
    }

    void identifyAnswerTexts()
    {
        TestWindow w(Config("sim", 4, 2, "CEO=EN\r\n"));
        TForm1* f = w.form;
        f->SetPanel(3, QStringLiteral("-"));
        f->Session->DispatchLongAnswer(ModuleAnswers::Long("0000", "601306"));
        for (QPushButton* b : {f->SpeedButton2, f->SpeedButton4, f->SpeedButton5})
            QVERIFY(b->isEnabled());
        QCOMPARE(f->ReportedFamily, QStringLiteral("320X"));
        QCOMPARE(f->ReportedBaseFrequency, QStringLiteral("2.4GHZ"));
        QCOMPARE(f->PanelText(2), QStringLiteral("RF Module(Radio) Searched OK!"));
        QCOMPARE(f->PanelText(3), QStringLiteral("-")); // version shown with the KTX naming only

        f->Session->DispatchLongAnswer(ModuleAnswers::Long("0000", "200101"));
        QCOMPARE(f->ReportedFamily, QStringLiteral("51X"));
        QCOMPARE(f->PanelText(2), QStringLiteral("RF Module(Radio) Searched OK!(Model read ok)"));

        // unknown codes and a payload cut short
        f->Session->DispatchLongAnswer(ModuleAnswers::Long("0000", "7712"));
        QVERIFY(f->ReportedFamily.isEmpty());
        QVERIFY(f->ReportedBaseFrequency.isEmpty());
        QCOMPARE(f->PanelText(2), QStringLiteral("RF Module(Radio) Searched OK!"));
    }

    // The identify answer forgets the model reported before; its serial-number read, when it
    // cannot go out, says why.
    void identifyAnswerForgetsTheModelBefore()
    {
        TestWindow w(Config("sim", 4, 2));
        TForm1* f = w.form;
        f->ReportedModelRow = 10;
        w.portSet->SpeedButton2Click();
        w.ui.clear();
        f->Session->DispatchLongAnswer(ModuleAnswers::Long("0000", "301202"));
        QCOMPARE(f->ReportedModelRow, -1);
        TestWindow::pump(20);
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("The Port NOT be opened!")});
    }
};

QTEST_MAIN(SearchWindowTest)
#include "tst_search_window.moc"
