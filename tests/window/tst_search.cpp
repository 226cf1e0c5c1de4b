// Radio search against the simulated module: stepping through the 21 line settings, the
// identify answer with the serial-number read that follows, failure, stop, closed port.
#include "support/TestWindow.h"

#include "app/Portset.h"
#include "app/Unit1.h"
#include "core/link/SimulatedPorts.h"
#include "app/commfunction.h"

#include <QComboBox>
#include <QElapsedTimer>
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

QString LongAnswer(const QString& code, const QString& payload)
{
    const QString body = QStringLiteral("5A5A00005A") + code
        + QStringLiteral("%1").arg(payload.size() / 2, 2, 16, QLatin1Char('0')).toUpper() + payload;
    return body + TCommFun::Checksum(body) + QStringLiteral("0D0A");
}

} // namespace

class RadioSearch : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        TCommFun().ClosePort(1);
        SimulatedPorts::reset();
        TForm1::SearchStepIntervalMs = 1100;
    }
    void cleanup() { TForm1::SearchStepIntervalMs = 1100; }

    void findsAModuleAtFourThousandEightHundredOdd()
    {
        TForm1::SearchStepIntervalMs = 250; // an answer at 4800 baud takes up to ~150 ms
        TestWindow w(Config("sim:baud=4800,parity=odd,model=35,band=433,version=0x12", 4, 2, "KTX=1\r\n"));
        TForm1* f = w.form;
        const QByteArray configBefore = w.configText();
        f->ShowPage(2);
        f->Session->setWorkState(WorkState(3));
        QCOMPARE(f->SearchStartIndex(), 15);

        f->SpeedButton20Click();
        QCOMPARE(int(f->State()), 1);
        QCOMPARE(f->PageControl1->currentIndex(), 0);
        QCOMPARE(f->PanelText(2), QStringLiteral("正在检测电台......"));
        QVERIFY(f->Timer4->isActive());
        QCOMPARE(f->Timer4->interval(), 250);
        QCOMPARE(f->PanelText(1), QStringLiteral("COM1,9600,NONE(无校验),8,1,1"));

        QVERIFY(TestWindow::waitFor([f] { return f->SearchFound; }, 8000));
        QCOMPARE(f->SearchTries, 18);
        QCOMPARE(f->SearchIndex, 11);
        QCOMPARE(w.portSet->ComboBox2->currentText(), QStringLiteral("4800"));
        QCOMPARE(w.portSet->ComboBox3->currentText(), QStringLiteral("ODD(奇校验)"));
        QCOMPARE(f->PanelText(1), QStringLiteral("COM1,4800,ODD(奇校验),8,1,1"));
        QCOMPARE(f->PanelText(3), QStringLiteral("KTX52X V1.2"));
        QCOMPARE(f->ReportedFamily, QStringLiteral("KTX52X"));
        QCOMPARE(f->ReportedBaseFrequency, QStringLiteral("433MHZ"));

        // the serial-number answer picks the exact row and the base frequency
        QVERIFY(TestWindow::waitFor([f] { return f->ComboBox15->currentIndex() == 10; }, 2000));
        QCOMPARE(f->ComboBox15->currentText(), QStringLiteral("KTX525"));
        QCOMPARE(f->ComboBox16->currentText(), QStringLiteral("433MHZ"));
        QCOMPARE(f->PanelText(2), QStringLiteral("成功检测到电台！(型号、基频读取成功)"));
        QVERIFY(f->IdentifyAfterSearch);
        QVERIFY(TestWindow::waitFor([f] { return !f->Timer4->isActive(); }, 1000));
        QCOMPARE(f->SearchTries, 18);
        QVERIFY(!f->Timer2->isActive());
        QVERIFY(w.ui.messages.isEmpty());
        QVERIFY(w.ui.questions.isEmpty());
        // found settings are in force but not saved
        QCOMPARE(w.configText(), configBefore);
        QCOMPARE(GlobleVar::PortSettings.baudCode, 10);
        QCOMPARE(GlobleVar::PortSettings.parityCode, 8);

        // and the module can be talked to at once
        f->SpeedButton2Click();
        QVERIFY(TestWindow::waitFor([f] { return f->PanelText(2) == QStringLiteral("读信道与频率成功!"); }, 2000));
        QCOMPARE(f->ComboBox4->currentIndex(), 0);
        QCOMPARE(f->Edit1->text(), QStringLiteral("430.2000MHZ"));
    }

    // A frame gap longer than a step: the identify answer is handed over after the search
    // would have moved on, yet the port ends where the module answered and the model is read.
    void frameGapLongerThanAStep()
    {
        TForm1::SearchStepIntervalMs = 250;
        QByteArray config = Config("sim:baud=4800,parity=odd,model=35,band=433", 4, 2);
        config.replace("Delay time=60", "Delay time=600");
        TestWindow w(config);
        TForm1* f = w.form;
        f->SpeedButton20Click();
        QVERIFY(TestWindow::waitFor([f] { return f->SearchFound && !f->Timer4->isActive(); }, 15000));
        QCOMPARE(f->SearchIndex, 11);
        QCOMPARE(w.portSet->ComboBox2->currentText(), QStringLiteral("4800"));
        QCOMPARE(w.portSet->ComboBox3->currentText(), QStringLiteral("ODD(奇校验)"));
        QCOMPARE(GlobleVar::PortSettings.baudCode, 10);
        QCOMPARE(GlobleVar::PortSettings.parityCode, 8);
        QVERIFY(TestWindow::waitFor([f] { return f->ComboBox15->currentIndex() == 10; }, 3000));
    }

    void realIntervalEndsTheSearchAtTheFirstTick()
    {
        TestWindow w(Config("sim:model=61,band=6", 4, 2, "CEO=EN\r\n"));
        TForm1* f = w.form;
        QElapsedTimer clock;
        clock.start();
        f->SpeedButton20Click();
        f->OperationLabel = QStringLiteral("Read"); // as the read-all starter leaves it
        QCOMPARE(f->Timer4->interval(), 1100);
        // found at the first step; the serial number is read at once
        QVERIFY(TestWindow::waitFor([f] { return f->ComboBox15->currentIndex() == 31; }, 900));
        QVERIFY(f->Timer4->isActive());
        QCOMPARE(f->SearchTries, 1);
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("The base frequency Not be found!2.4GHZ")});
        QCOMPARE(f->PanelText(2), QStringLiteral("RF Module(Radio) Searched OK!"));
        QVERIFY(TestWindow::waitFor([f] { return !f->Timer4->isActive(); }, 1500));
        QVERIFY(clock.elapsed() >= 1050);
        // the first tick hands over to the continuation timer
        QVERIFY(f->Timer2->isActive());
        f->Timer2->stop();
        QCOMPARE(f->SearchTries, 1);
    }

    void noModuleFailsAfterTwentyOneSteps()
    {
        TForm1::SearchStepIntervalMs = 30;
        TestWindow w(Config("sim:mute", 4, 2));
        TForm1* f = w.form;
        f->SpeedButton20Click();
        QVERIFY(TestWindow::waitFor([f] { return !f->Timer4->isActive(); }, 5000));
        QCOMPARE(f->SearchTries, 21);
        // the 21st tick moved the index on once more before giving up; the port stays at 14
        QCOMPARE(f->PanelText(2), QStringLiteral("未检测到电台！"));
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("未检测到电台，请检查电源或数据接线是否正常！")});
        // left at the last combination tried: 9600 odd
        QCOMPARE(SimulatedPorts::lastBaudCode(1), 12);
        QCOMPARE(SimulatedPorts::lastMode(1), 3 | 8);
        QCOMPARE(w.portSet->ComboBox3->currentText(), QStringLiteral("ODD(奇校验)"));
        TestWindow::pump(150);
        QCOMPARE(f->SearchTries, 21);

        // a new start begins at the dialog's combination, from the first row when it has none
        w.portSet->ComboBox2->setCurrentIndex(-1);
        w.portSet->ComboBox3->setCurrentIndex(-1);
        f->SpeedButton20Click();
        QCOMPARE(f->SearchIndex, 1);
        QCOMPARE(SimulatedPorts::lastBaudCode(1), 6);
        QVERIFY(TestWindow::waitFor([f] { return !f->Timer4->isActive(); }, 5000));
        QCOMPARE(SimulatedPorts::lastBaudCode(1), 14);
        QCOMPARE(SimulatedPorts::lastMode(1), 3);
    }

    void stopBetweenSteps()
    {
        TForm1::SearchStepIntervalMs = 100;
        TestWindow w(Config("sim:mute", 0, 0));
        TForm1* f = w.form;
        f->SpeedButton20Click();
        TestWindow::pump(250);
        f->SpeedButton30Click();
        const int tries = f->SearchTries;
        QVERIFY(tries >= 2 && tries < 21);
        QCOMPARE(f->PanelText(2), QStringLiteral("检测停止!"));
        TestWindow::pump(350);
        QCOMPARE(f->SearchTries, tries);
        QVERIFY(!f->Timer4->isActive());
        QCOMPARE(int(f->State()), 1);
        QVERIFY(w.ui.messages.isEmpty());
    }

    void closedPortStopsAtOnce()
    {
        TestWindow w(Config("sim", 4, 2));
        TForm1* f = w.form;
        w.portSet->SpeedButton2Click();
        f->ShowPage(1);
        f->SpeedButton20Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("检测出错，可能是串口未打开或打开出错！"));
        QVERIFY(!f->Timer4->isActive());
        QCOMPARE(f->PageControl1->currentIndex(), 1);
        QCOMPARE(int(f->State()), 1);
    }

    void identifyAnswerDecoding()
    {
        TestWindow w(Config("sim", 4, 2, "CEO=EN\r\n"));
        TForm1* f = w.form;
        f->SetPanel(3, QStringLiteral("-"));
        f->DispatchLongAnswer(LongAnswer("0000", "601306"));
        QVERIFY(f->SearchFound);
        for (QPushButton* b : {f->SpeedButton2, f->SpeedButton4, f->SpeedButton5})
            QVERIFY(b->isEnabled());
        QCOMPARE(f->ReportedFamily, QStringLiteral("320X"));
        QCOMPARE(f->ReportedBaseFrequency, QStringLiteral("2.4GHZ"));
        QCOMPARE(f->PanelText(2), QStringLiteral("RF Module(Radio) Searched OK!"));
        QCOMPARE(f->PanelText(3), QStringLiteral("-")); // version shown with the KTX naming only
        QCOMPARE(f->LastCommandCode, QStringLiteral("800B"));

        f->DispatchLongAnswer(LongAnswer("0000", "200101"));
        QCOMPARE(f->ReportedFamily, QStringLiteral("51X"));
        QCOMPARE(f->PanelText(2), QStringLiteral("RF Module(Radio) Searched OK!(Model read ok)"));

        // unknown codes and a payload cut short
        f->DispatchLongAnswer(LongAnswer("0000", "7712"));
        QVERIFY(f->ReportedFamily.isEmpty());
        QVERIFY(f->ReportedBaseFrequency.isEmpty());
        QCOMPARE(f->PanelText(2), QStringLiteral("RF Module(Radio) Searched OK!"));
    }
};

QTEST_MAIN(RadioSearch)
#include "tst_search.moc"
