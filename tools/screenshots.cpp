// Takes pictures of the window in the situations an operator sees, for reviewing the layout
// without a display:  build/rfmod-screenshots OUTPUT_DIR
// Each scenario runs the real window against the built-in simulated module.
#include "support/AirRig.h"
#include "support/TestWindow.h"

#include "app/FrameMonitor.h"
#include "app/PairChart.h"
#include "app/StartOptions.h"
#include "app/StationWindow.h"
#include "core/config/ToolConfig.h"
#include "support/Programs.h"
#include "support/Wait.h"
#include "app/Portset.h"
#include "app/TerminalOptions.h"
#include "app/Unit1.h"
#include "app/Unit_about2.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

QString g_out;

void Save(QWidget* w, const QString& name)
{
    const QString path = QDir(g_out).filePath(name + QStringLiteral(".png"));
    w->grab().save(path);
    std::printf("%s\n", qPrintable(path));
}

// `readChannel`: also read the channel, so the message panel shows that answer instead of
// the search's.
void AfterSearch(const QByteArray& ver, const QString& name, bool readChannel = true)
{
    TestWindow w("[Ports]\r\nCOM1=sim:model=35,band=433,baud=4800,parity=odd,channel=3\r\n[COM]\r\nRate=4\r\n[Ver]\r\n" + ver);
    w.form->show();
    w.form->SearchStepMs = 700; // room for the answer and the 333 ms frame gap
    w.form->SpeedButton20Click();
    TestWindow::waitFor([&] { return !w.form->JobRunning(); }, 15000);
    TestWindow::pump(300);
    if (readChannel) {
        w.form->SpeedButton2Click();
        TestWindow::pump(600);
    }
    Save(w.form, name);
}

// The factory set-up chain run to its end after a search.
void SetAllDone()
{
    TestWindow w("[Ports]\r\nCOM1=sim:model=35,band=433,baud=4800,parity=odd\r\n[COM]\r\nRate=4\r\n"
                 "[Ver]\r\ntype=VORDAL\r\nKTX=1\r\n[Option]\r\nSearch before R/W=0\r\n");
    TForm1* f = w.form;
    f->show();
    f->SearchStepMs = 700;
    f->SpeedButton20Click();
    TestWindow::waitFor([&] { return !f->JobRunning(); }, 15000);
    TestWindow::pump(300);
    for (QComboBox* c : {f->ComboBox4, f->ComboBox1, f->ComboBox2, f->ComboBox3, f->ComboBox5})
        c->setCurrentIndex(1);
    f->ComboBox12->setEditText(QStringLiteral("2026"));
    f->ComboBox13->setEditText(QStringLiteral("12"));
    f->Edit2->setText(QStringLiteral("00042"));
    f->SpeedButton38Click();
    TestWindow::waitFor([&] { return !f->JobRunning(); }, 15000);
    TestWindow::pump(600);
    Save(f, QStringLiteral("set-all-done"));
}

void PairTestMainSend(const QByteArray& ver, const QString& name)
{
    TestWindow w("[Ports]\r\nCOM1=sim:far-echo,baud=2400\r\n[Ver]\r\n" + ver);
    w.form->show();
    w.form->ShowPage(1);
    w.form->Edit4->setText(QStringLiteral("0123456789"));
    w.form->SpeedButton17Click();
    TestWindow::pump(3000);
    Save(w.form, name);
    w.form->SpeedButton18Click();
}

// The main-receive side: the far station sends, this one judges and sends each block back.
void PairTestMainReceive(const QString& name)
{
    AirRig r(false, 100);
    r.f->show();
    r.f->ShowPage(1);
    r.f->RadioButton16->setChecked(true);
    r.f->RadioButton16Click();
    r.f->SpeedButton17Click();
    for (int i = 0; i < 6; ++i) {
        r.peer->receiveFromPc(QByteArrayLiteral("0123456789"), SerialLine{}, SystemClock::monotonicMs());
        TestWindow::pump(500);
        r.peer->takeForPc(SystemClock::monotonicMs());
    }
    Save(r.f, name);
    r.f->SpeedButton18Click();
}

void TerminalPage(const QByteArray& ver, const QString& name)
{
    TestWindow w("[Ports]\r\nCOM1=sim:far-echo,baud=2400\r\n[Ver]\r\n" + ver);
    w.form->show();
    w.form->ShowPage(2);
    w.form->RadioButton8->setChecked(true);
    w.form->Memo3->setPlainText(QStringLiteral("AB"));
    w.form->SpeedButton37Click();
    TestWindow::pump(1500);
    Save(w.form, name);
}

// A 28 kB file on its way out at 2400 baud: the terminal page with its status line and the
// terminal options in front, showing the progress and the cancel button.
void TerminalSendingFile(const QByteArray& ver, const QString& name)
{
    TestWindow w("[Ports]\r\nCOM1=sim:far-echo,baud=2400\r\n[Ver]\r\n" + ver);
    TForm1* f = w.form;
    f->show();
    f->ShowPage(2);
    f->N26Click();
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("log.txt")));
    file.open(QIODevice::WriteOnly);
    for (int i = 0; file.size() < 28 * 1024; ++i)
        file.write(QByteArray("line ") + QByteArray::number(i) + "\r\n");
    file.close();
    f->CheckBox3->setChecked(true);
    QString error;
    f->Term->sendFile(file.fileName(), &error);
    TestWindow::pump(6000);
    QPixmap shot = f->grab();
    const QPixmap dialog = f->TerminalOptions->grab();
    QPainter p(&shot);
    const QPoint at(shot.width() - dialog.width() - 24, shot.height() - dialog.height() - 60);
    p.drawPixmap(at, dialog);
    p.setPen(Qt::darkGray);
    p.drawRect(QRect(at, dialog.size()).adjusted(-1, -1, 0, 0));
    p.end();
    const QString path = QDir(g_out).filePath(name + QStringLiteral(".png"));
    shot.save(path);
    std::printf("%s\n", qPrintable(path));
    f->Term->cancelFile();
}

// The Tools menu and the windows it opens, after a search and a pair test have run.
void Extras(const QByteArray& ver, const QString& suffix)
{
    TestWindow w("[Ports]\r\nCOM1=sim:far-echo,model=35,band=433,channel=3\r\n[COM]\r\nRate=4\r\n[Option]\r\nFrame delay=1\r\n"
                 "Delay time=60\r\n[Ver]\r\n" + ver);
    TForm1* f = w.form;
    f->show();
    f->SearchStepMs = 400;
    f->SpeedButton20Click();
    TestWindow::waitFor([&] { return !f->JobRunning(); }, 15000);
    f->SpeedButton2Click();
    TestWindow::pump(300);
    f->N22Click();
    TestWindow::pump(400);
    Save(f->MonitorWindow, "frame-monitor" + suffix);

    f->PairRecord->setInterval(250);
    f->ShowPage(1);
    f->Edit4->setText(QStringLiteral("0123456789"));
    // Two runs with a pause between: each is a curve from its own start.
    f->SpeedButton17Click();
    TestWindow::pump(6000);
    f->SpeedButton18Click();
    TestWindow::pump(1500);
    f->SpeedButton17Click();
    TestWindow::pump(4000);
    f->SpeedButton18Click();
    f->N25Click();
    f->ChartWindow->resize(720, 420);
    TestWindow::pump(400);
    Save(f->ChartWindow, "pair-chart" + suffix);

    f->N26Click();
    TestWindow::pump(200);
    Save(f->TerminalOptions, "terminal-options" + suffix);

    f->N21->popup(f->mapToGlobal(QPoint(260, 22)));
    TestWindow::pump(300);
    Save(f->N21, "tools-menu" + suffix);
    f->N21->hide();
}

// A warning box as the operator sees it, with Qt's own button texts in the interface language:
// saving a profile from a page nobody filled in.
void EmptyProfileWarning(const QByteArray& ver, const QString& name)
{
    TestWindow w("[Ports]\r\nCOM1=sim\r\n[Ver]\r\n" + ver);
    UseQtTranslations();
    w.form->show();
    w.form->N23Click();
    QMessageBox box(QMessageBox::Warning, w.form->windowTitle(), w.ui.lastMessage(), QMessageBox::Ok, w.form);
    box.show();
    TestWindow::pump(200);
    Save(&box, name);
}

// The production station with four jigs (rfmod-emu beside this program): two good, one whose
// first module is faulty, one with no module behind its port. Set-up, the tiles while they
// run, the records with one opened, and the chart.
void StationScenes(const QByteArray& ver, const QString& suffix)
{
    QTemporaryDir dir;
    const QString emu = QCoreApplication::applicationDirPath() + QStringLiteral("/rfmod-emu");
    auto at = [&](const char* name) { return dir.filePath(QLatin1String(name)); };
    const QStringList jigArgs[] = {{"--jig", "4", "--jig-gap", "2500"},
                                   {"--jig", "3", "--jig-faulty", "2", "--jig-gap", "2500"},
                                   {"--jig", "4", "--jig-gap", "3000"}};
    std::vector<std::unique_ptr<Programs::Emulator>> jigs;
    QByteArray ports;
    for (int i = 0; i < 4; ++i) {
        const QString link = dir.filePath(QStringLiteral("jig%1").arg(i + 1));
        if (i < 3)
            jigs.push_back(std::make_unique<Programs::Emulator>(link, QStringList{"model=35"} + jigArgs[i], emu));
        ports += QStringLiteral("COM%1=%2\r\n").arg(i + 1).arg(link).toUtf8();
    }
    Programs::WriteFile(at("p.ini"), "[Profile]\r\nFormat=1\r\n[Parameters]\r\nChannel=4\r\nRadioId=3\r\n");
    Programs::WriteFile(at("Config.ini"), "[COM]\r\nPort=0\r\nRate=4\r\n[SN]\r\nYear=2026\r\nMonth=12\r\nNO=00099\r\n"
                                          "[Production]\r\nStation=LINE-2\r\n[Ports]\r\n" + ports
                                          + "[Station]\r\nProfile=" + at("p.ini").toUtf8()
                                          + "\r\nPorts=1,2,3,4\r\nGap=60\r\nTimeout=300\r\nOrder=WO-2612-07\r\nLog="
                                          + at("run.csv").toUtf8() + "\r\n[Ver]\r\n" + ver);
    GlobleVar::ResetAll();
    GlobleVar::SetStartDirectory(dir.path());
    GlobleVar::Settings = ToolConfig::ReadSettings(GlobleVar::ConfigPath());
    ProductionStationWindow w;
    w.resize(1280, 800);
    w.show();
    Wait::pump(300);
    Save(&w, "station-setup" + suffix);
    w.StartClick();
    ProductionStation& s = w.station();
    // The faulty module recorded and the good ones on their second module.
    Wait::until([&] { return s.countsOf(1).failed == 1 && s.jigs()[1]->state() == JigState::TakeAway; }, 40000);
    Wait::pump(500);
    Save(&w, "station-running" + suffix);
    for (int row = 0; row < w.TableRecords->rowCount(); ++row)
        if (!s.recent().value(row).record.ok) {
            w.ShowRecord(row);
            break;
        }
    Wait::pump(300);
    if (auto* detail = w.findChild<QDialog*>(QStringLiteral("RecordDetail")))
        Save(detail, "station-record" + suffix);
    w.Tabs->setCurrentIndex(2);
    Wait::pump(300);
    Save(&w, "station-chart" + suffix);
    w.StopClick();
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(g_out);

    // The ordinary edition as scripts/run.sh starts it, right after the search.
    AfterSearch("", "search-found", false);
    AfterSearch("type=VORDAL\r\nKTX=1\r\n", "search-found-vordal");
    SetAllDone();
    AfterSearch("type=VORDAL\r\nCEO=EN\r\nKTX=1\r\n", "search-found-vordal-english");
    AfterSearch("CEO=EN\r\nKTX=1\r\n", "search-found-english");
    AfterSearch("CEO=EN\r\ntype=GERMAN\r\n", "search-found-german");
    AfterSearch("type=KESTRAVONIX\r\nKTX=1\r\n", "search-found-kestravonix");
    AfterSearch("type=KESTRAVONIX\r\nCEO=EN\r\n", "search-found-kestravonix-english");

    {
        TestWindow w("[Ports]\r\nCOM1=sim\r\n[Ver]\r\nCEO=EN\r\n");
        w.portSet->show();
        TestWindow::pump(100);
        Save(w.portSet, "port-dialog-english");
        w.portSet->hide();
        TFrm_about about(w.form);
        about.show();
        TestWindow::pump(100);
        Save(&about, "about-english");
    }
    {
        TestWindow w("[Ports]\r\nCOM1=sim\r\n");
        w.portSet->show();
        TestWindow::pump(100);
        Save(w.portSet, "port-dialog-chinese");
    }
    PairTestMainSend("type=VORDAL\r\n", "pair-test-running");
    PairTestMainSend("CEO=EN\r\nKTX=1\r\n", "pair-test-english");
    PairTestMainReceive("pair-test-receive");
    TerminalPage("", "terminal");
    TerminalPage("CEO=EN\r\nKTX=1\r\n", "terminal-english");
    TerminalSendingFile("", "terminal-sending-file");
    TerminalSendingFile("CEO=EN\r\n", "terminal-sending-file-english");
    TerminalSendingFile("CEO=EN\r\ntype=GERMAN\r\n", "terminal-sending-file-german");
    Extras("", "");
    Extras("CEO=EN\r\n", "-english");
    Extras("CEO=EN\r\ntype=GERMAN\r\n", "-german");
    StationScenes("", "");
    StationScenes("CEO=EN\r\n", "-english");
    StationScenes("CEO=EN\r\ntype=GERMAN\r\n", "-german");
    EmptyProfileWarning("", "warning-chinese");
    EmptyProfileWarning("CEO=EN\r\n", "warning-english");
    return 0;
}
