// The "工具" menu on the window: parameter profiles saved from and loaded into the page, the
// frame monitor fed by the session, the terminal's display options, the menu's captions.
#include "support/ModuleTestUtil.h"
#include "support/Programs.h"

#include "app/FrameMonitor.h"
#include "app/PairChart.h"
#include "app/Unit1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

namespace {
void ChooseModel(TForm1* f, const char* name)
{
    f->ComboBox15->setCurrentIndex(f->ComboBox15->findText(QLatin1String(name)));
    f->ApplyModelRow();
}

// The window itself shows `text` (not only the main window's status bar beneath it).
bool Shows(QWidget* window, const QString& text)
{
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->text() == text && l->isVisibleTo(window))
            return true;
    return false;
}
} // namespace

class TestToolsMenu : public QObject {
    Q_OBJECT
    QTemporaryDir files;

private slots:
    void init() { CmdTest::ResetSimulatedModules(); }

    void profileSavedAndLoadedAgainstTheModel()
    {
        TestWindow w(CmdTest::SimConfig());
        TForm1* f = w.form;
        ChooseModel(f, "525");
        f->ComboBox4->setCurrentIndex(15); // channel 16
        f->ComboBox1->setCurrentIndex(f->ComboBox1->findText("38400"));
        f->ComboBox3->setCurrentIndex(1); // odd
        f->Edit15->setText("300");
        const QString path = files.filePath("p.ini");
        w.ui.files << path;
        f->N23Click();
        const QByteArray saved = Programs::ReadFile(path);
        QVERIFY(saved.contains("Model=525") && saved.contains("Channel=16") && saved.contains("AirRate=38400")
                && saved.contains("SerialParity=odd") && saved.contains("RadioId=300"));

        // into a 511: channel 16 and 38400 do not exist there; the rest is filled, nothing sent
        CmdTest::TakeRequests();
        ChooseModel(f, "511");
        w.ui.files << path;
        f->N24Click();
        QCOMPARE(f->ComboBox4->currentIndex(), -1);
        QCOMPARE(f->ComboBox1->currentIndex(), -1);
        QCOMPARE(f->ComboBox3->currentIndex(), 1);
        QCOMPARE(f->Edit15->text(), QStringLiteral("300"));
        QVERIFY(w.ui.lastMessage().contains(QString::fromUtf8("信道 16（型号 511 的信道为 1 - 4）")));
        QVERIFY(w.ui.lastMessage().contains(QString::fromUtf8("空中波特率 38400")));
        QVERIFY(CmdTest::TakeRequests().isEmpty());

        // a foreign file is named and changes nothing
        Programs::WriteFile(files.filePath("x.ini"), "[COM]\r\nPort=0\r\n");
        w.ui.files << files.filePath("x.ini");
        f->N24Click();
        QVERIFY(w.ui.lastMessage().startsWith(QString::fromUtf8("参数文件无法使用，页面未改变：")));
        QCOMPARE(f->Edit15->text(), QStringLiteral("300"));
    }

    void profilesKeepOffConfigAndLockedLists()
    {
        TestWindow w(CmdTest::SimConfig());
        TForm1* f = w.form;
        ChooseModel(f, "525");
        f->ComboBox4->setCurrentIndex(4); // channel 5
        const QByteArray config = w.configText();
        w.ui.files << w.configPath();
        f->N23Click();
        QCOMPARE(w.ui.lastMessage(), QString::fromUtf8("参数不能保存到本工具自己的配置文件 Config.ini，请另选文件名。"));
        QCOMPARE(w.configText(), config);
        w.ui.files << files.filePath("bench");
        f->N23Click();
        QVERIFY(Programs::ReadFile(files.filePath("bench.ini")).contains("Channel=5"));

        // the parameter lock keeps channel and rates as they are
        f->ComboBox4->setCurrentIndex(0);
        f->CheckBox4->setChecked(true);
        f->CheckBox4Click();
        w.ui.files << files.filePath("bench.ini");
        f->N24Click();
        QCOMPARE(f->ComboBox4->currentIndex(), 0);
        QVERIFY(w.ui.lastMessage().startsWith(QString::fromUtf8("参数已锁定")));
    }

    // Save dialogs add the file type's suffix and tell the saved file; an empty page is no profile.
    void savesAddTheSuffixAndAreConfirmed()
    {
        TestWindow w(CmdTest::SimConfig());
        TForm1* f = w.form;
        f->N23Click();
        QCOMPARE(w.ui.lastMessage(), QString::fromUtf8("页面上没有型号也没有参数值，未保存文件。请先选择型号或读取电台参数。"));

        f->N22Click();
        w.ui.files << files.filePath("frames");
        f->MonitorWindow->SaveClick();
        const QString saved = files.filePath("frames.csv");
        QVERIFY(QFile::exists(saved));
        const QString told = QString::fromUtf8("文件已保存：") + QDir::toNativeSeparators(saved);
        QCOMPARE(f->PanelText(2), told);
        QVERIFY(Shows(f->MonitorWindow, told));

        // the chart's picture is told in the chart, which the pair test's status does not overwrite
        f->N25Click();
        w.ui.files << files.filePath("chart");
        f->ChartWindow->SavePngClick();
        const QString png = files.filePath("chart.png");
        QVERIFY(QFile::exists(png));
        QVERIFY(Shows(f->ChartWindow, QString::fromUtf8("文件已保存：") + QDir::toNativeSeparators(png)));
    }

    void monitorAndTerminalOptions()
    {
        TestWindow w(CmdTest::SimConfig());
        TForm1* f = w.form;
        f->N22Click();
        f->SpeedButton29Click(); // serial wake-up
        QVERIFY(TestWindow::waitFor([&] { return f->FrameHistory->size() == 2; }, 3000));
        f->MonitorWindow->model().refresh();
        QCOMPARE(f->MonitorWindow->model().data(f->MonitorWindow->model().index(1, 5), Qt::DisplayRole).toString(),
                 QString::fromUtf8("应答：串口唤醒"));

        f->TerminalHexAscii = true;
        f->TerminalTimestamps = true;
        f->ShowTerminalBlock("AB\r\n");
        QVERIFY(QRegularExpression(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] 41 42 0D 0A  AB\\.\\.$"))
                    .match(f->Memo4->toPlainText())
                    .hasMatch());
    }

    // Pause freezes the view, not the log; the monitor opens and stays at the newest frame.
    void monitorPausesTheViewOnlyAndFollowsTheNewest()
    {
        TestWindow w(CmdTest::SimConfig());
        TForm1* f = w.form;
        auto add = [&](int n) {
            for (int i = 0; i < n; ++i)
                f->FrameHistory->add(QByteArray::number(i), true, LineSettings{});
        };
        add(100);
        f->N22Click();
        FrameMonitorWindow* m = f->MonitorWindow;
        QScrollBar* scroll = m->findChild<QTableView*>()->verticalScrollBar();
        const auto atNewest = [&] { return scroll->maximum() > 0 && scroll->value() == scroll->maximum(); };
        QVERIFY(TestWindow::waitFor(atNewest, 2000));

        m->PauseClick();
        add(5);
        TestWindow::pump(700);
        QCOMPARE(m->model().rowCount(), 100);
        m->PauseClick();
        QCOMPARE(m->model().rowCount(), 105);
        QVERIFY(TestWindow::waitFor(atNewest, 2000));
        QCOMPARE(f->FrameHistory->size(), 105); // what the CSV holds

        scroll->setValue(0); // the operator scrolls up: new frames leave the view where it is
        add(5);
        TestWindow::pump(700);
        QCOMPARE(m->model().rowCount(), 110);
        QCOMPARE(scroll->value(), 0);

        m->ClearClick();
        QVERIFY(m->findChild<QLabel*>("FrameCount")->text().startsWith(QString::fromUtf8("显示 0 帧（共 0 帧")));
    }

    void menuCaptions()
    {
        TestWindow cn(CmdTest::SimConfig());
        QCOMPARE(cn.form->N21->title(), QString::fromUtf8("工具"));
        TestWindow en(CmdTest::SimConfig("", "[Ver]\r\nCEO=EN\r\n"));
        QCOMPARE(en.form->N21->title(), QStringLiteral("Tools"));
        QCOMPARE(en.form->N23->text(), QStringLiteral("Save parameters to file…"));
        TestWindow de(CmdTest::SimConfig("", "[Ver]\r\nCEO=EN\r\ntype=GERMAN\r\n"));
        QCOMPARE(de.form->N21->title(), QStringLiteral("WERKZEUGE"));
    }
};

QTEST_MAIN(TestToolsMenu)
#include "tst_tools_menu.moc"
