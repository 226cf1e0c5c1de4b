// The port dialog: the automatic open at start, the summary, the saved positions, failures,
// and the whole tool talking to the emulator program over a real pseudo-terminal.
#include "support/TestWindow.h"

#include "app/GlobleVar.h"
#include "core/config/IniFile.h"
#include "app/Portset.h"
#include "app/Unit1.h"
#include "core/link/PComm.h"
#include "core/link/SimulatedPorts.h"
#include "core/link/SioBackend.h"

#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

class PortSetTest : public QObject {
    Q_OBJECT
private slots:
    void startOpensComOneAt2400WithoutParity()
    {
        TestWindow w("[Ports]\r\nCOM1=sim\r\n");
        QVERIFY(w.ui.messages.isEmpty());
        const TPortSettings& ps = GlobleVar::PortSettings;
        QCOMPARE(ps.portNumber, 1);
        QVERIFY(ps.line == (LineSettings{2400, 'N', 8, 1}));
        QCOMPARE(SimulatedPorts::lastBaudCode(1), 9);
        QCOMPARE(SimulatedPorts::lastMode(1), 3);
        QCOMPARE(w.form->PanelText(1), QString::fromUtf8("COM1,2400,NONE(无校验),8,1"));
        QVERIFY(GlobleVar::portOpenFlags[0]);
        QVERIFY(!w.portSet->SpeedButton1->isEnabled());
        QVERIFY(w.portSet->SpeedButton2->isEnabled());
        QVERIFY(w.portSet->DeviceLabel->text().startsWith(QString::fromUtf8("COM1 = 模拟电台")));
        // the open saved the positions; the file holds nothing else of ours yet
        IniFile ini(w.configPath());
        QCOMPARE(ini.ReadInteger("COM", "Port", -1), 0);
        QCOMPARE(ini.ReadInteger("COM", "Rate", -1), 2);
        QCOMPARE(ini.ReadInteger("COM", "Verify", -1), 2);
        w.form->close();
        QVERIFY(IniFile(w.configPath()).HasKey("Option", "Search before R/W"));
    }

    void englishSummaryAndEvenParityMode()
    {
        TestWindow w("[Ports]\r\nCOM1=sim\r\n[Ver]\r\nCEO=EN\r\n[COM]\r\nVerify=0\r\n");
        QCOMPARE(w.form->PanelText(1), QStringLiteral("COM1,2400,EVEN,8,1"));
        QCOMPARE(SimulatedPorts::lastMode(1), 27); // 24 | 3 | 0
        QCOMPARE(w.portSet->windowTitle(), QStringLiteral("COM Option"));
        QCOMPARE(w.portSet->SpeedButton1->text(), QStringLiteral("Open"));
    }

    void storedPositionsOutOfRange()
    {
        TestWindow w("[Ports]\r\nCOM3=sim\r\n[COM]\r\nPort=2\r\nRate=9\r\n");
        QCOMPARE(w.ui.messages, QStringList{QString::fromUtf8("波特率的选项超过可选范围！")});
        QCOMPARE(GlobleVar::PortSettings.portNumber, 0); // names only a port that was opened
        QVERIFY(!GlobleVar::portOpenFlags[2]);

        TestWindow p("[COM]\r\nPort=40\r\n");
        QCOMPARE(p.ui.messages, QStringList{QString::fromUtf8("端口的选项超过可选范围！")});
        QCOMPARE(GlobleVar::PortSettings.portNumber, 0);
    }

    void refusedOpenLeavesFlagsAndReports()
    {
        TestWindow w("[Ports]\r\nCOM1=/nonexistent/ttyNothing\r\n");
        QCOMPARE(w.ui.messages.size(), 2);
        QCOMPARE(w.ui.messages[0],
                 QStringLiteral("The port open fail,the port NOT exist or other software have used it!"));
        QCOMPARE(w.ui.messages[1], QString::fromUtf8("打开端口失败！"));
        QCOMPARE(w.form->PanelText(1), QString::fromUtf8("串口打开失败！"));
        QVERIFY(!GlobleVar::portOpenFlags[0]);
        QCOMPARE(w.form->Session->readAirRate(), LinkStatus::BadPort);
    }

    void refusedSettingsLeaveThePortClosed()
    {
        // A port that opens but takes no line settings.
        struct Refusing : SioBackend {
            bool opened = false;
            int open() override { return opened = true, SIO_OK; }
            int close() override { return opened = false, SIO_OK; }
            int ioctl(int, int) override { return SIO_WIN32FAIL; }
            int read(char*, int) override { return 0; }
            int write(const char*, int len) override { return len; }
            int iqueue() override { return 0; }
            bool isOpen() const override { return opened; }
        };
        TestWindow w;
        PCommBackends::installOverride(3, std::make_shared<Refusing>());
        w.ui.clear();
        w.portSet->ComboBox1->setCurrentIndex(2);
        w.portSet->SpeedButton1Click();
        QCOMPARE(w.ui.messages, (QStringList{"Call Win32 funtion fail!", QString::fromUtf8("串口参数设置失败！")}));
        QCOMPARE(w.form->PanelText(1), QString::fromUtf8("串口参数设置失败！"));
        QVERIFY(!GlobleVar::portOpenFlags[2]);
        QVERIFY(!w.form->Session->link().isOpen());
        QVERIFY(w.portSet->SpeedButton1->isEnabled());
    }

    // A failed open of another port leaves the port in use in use, and the dialog shows it;
    // a module that moves to settings the port cannot follow has the dialog reopen it from
    // the event loop, not from inside the answer.
    void theDialogAlwaysNamesThePortInUse()
    {
        TestWindow w("[Ports]\r\nCOM1=sim\r\nCOM9=/nonexistent/ttyNothing\r\n");
        w.portSet->ComboBox1->setCurrentIndex(8);
        w.portSet->SpeedButton1Click();
        QCOMPARE(w.ui.messages.size(), 2);
        QCOMPARE(w.form->PanelText(1), QString::fromUtf8("串口打开失败！"));
        QCOMPARE(w.portSet->ComboBox1->currentText(), QStringLiteral("COM1"));
        QVERIFY(!w.portSet->SpeedButton1->isEnabled());
        QVERIFY(w.portSet->SpeedButton2->isEnabled());
        QCOMPARE(GlobleVar::PortSettings.portNumber, 1);
        QCOMPARE(w.form->Session->link().port(), 1);

        w.ui.clear();
        emit w.form->Session->portFollowed(SerialSettings{2400, Parity::Unknown}, LinkStatus::BadParameter);
        QVERIFY(w.ui.messages.isEmpty());
        QTRY_VERIFY(w.form->Session->link().isOpen());
        QCOMPARE(GlobleVar::PortSettings.portNumber, 1);
    }

    void openingAnotherPortClosesTheFirstAfterwards()
    {
        TestWindow w("[Ports]\r\nCOM3=sim\r\nCOM5=sim\r\n[COM]\r\nPort=2\r\n");
        QVERIFY(GlobleVar::portOpenFlags[2]);
        w.portSet->ComboBox1->setCurrentIndex(4);
        w.portSet->SpeedButton1Click();
        QCOMPARE(GlobleVar::PortSettings.portNumber, 5);
        QVERIFY(GlobleVar::portOpenFlags[4]);
        QVERIFY(!GlobleVar::portOpenFlags[2]);
        w.portSet->ComboBox1->setCurrentIndex(2);
        w.portSet->ComboBox1Click();
        QVERIFY(w.portSet->SpeedButton1->isEnabled());
        QVERIFY(!w.portSet->SpeedButton2->isEnabled());
        // the close button closes the port in use
        w.portSet->ComboBox1->setCurrentIndex(4);
        w.portSet->SpeedButton2Click();
        QVERIFY(!GlobleVar::portOpenFlags[4]);
        QVERIFY(!w.form->Session->link().isOpen());
        // a parity change only rewrites the summary
        w.portSet->ComboBox3->setCurrentIndex(1);
        w.portSet->ComboBox3Click();
        QCOMPARE(w.form->PanelText(1), QString::fromUtf8("COM5,2400,ODD(奇校验),8,1"));
        QCOMPARE(GlobleVar::PortSettings.line.parity, 'N');
    }

    void toolTalksToTheEmulatorProgramOverAPseudoTerminal()
    {
        const QString emu = qEnvironmentVariable("RFMOD_EMU");
        if (emu.isEmpty())
            QSKIP("RFMOD_EMU not set");
        QProcess proc;
        proc.start(emu, {"model=35,band=433,baud=2400,parity=none,air=4800"});
        QVERIFY(proc.waitForStarted());
        QVERIFY(proc.waitForReadyRead(5000));
        const QString pty = QString::fromLocal8Bit(proc.readLine()).trimmed();
        QVERIFY(pty.startsWith("/dev/"));
        {
            TestWindow w(QStringLiteral("[Ports]\r\nCOM1=%1\r\n[Option]\r\nFrame delay=1\r\nDelay time=60\r\n")
                             .arg(pty).toUtf8());
            QVERIFY2(w.ui.messages.isEmpty(), qPrintable(w.ui.messages.join('|')));
            TForm1* f = w.form;
            QCOMPARE(f->Session->readAirRate(), LinkStatus::Ok);
            QVERIFY(TestWindow::waitFor([&] { return f->PanelText(2) == QString::fromUtf8("空中参数读取成功!"); }, 15000));
            QCOMPARE(TForm1::MemoLineCount(f->Memo2), 0);

            // at a wrong baud rate nothing comes back
            w.portSet->ComboBox2->setCurrentIndex(4); // 9600
            w.portSet->SpeedButton1Click();
            f->SetPanel(2, "waiting");
            QCOMPARE(f->Session->readAirRate(), LinkStatus::Ok);
            TestWindow::pump(600);
            QCOMPARE(f->PanelText(2), QStringLiteral("waiting"));
            QVERIFY(f->Session->assembler().isEmpty());

            // nor at a wrong parity
            w.portSet->ComboBox2->setCurrentIndex(2);
            w.portSet->ComboBox3->setCurrentIndex(1); // odd
            w.portSet->SpeedButton1Click();
            QCOMPARE(f->Session->readAirRate(), LinkStatus::Ok);
            TestWindow::pump(600);
            QCOMPARE(f->PanelText(2), QStringLiteral("waiting"));

            // back at the module's settings it answers again
            w.portSet->ComboBox3->setCurrentIndex(2);
            w.portSet->SpeedButton1Click();
            QCOMPARE(f->Session->readAirRate(), LinkStatus::Ok);
            QVERIFY(TestWindow::waitFor([&] { return f->PanelText(2) == QString::fromUtf8("空中参数读取成功!"); }, 15000));
        }
        proc.terminate();
        QVERIFY(proc.waitForFinished(10000));
    }
};

QTEST_MAIN(PortSetTest)
#include "tst_portset.moc"
