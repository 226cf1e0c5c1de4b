// Work states, page-change prompts, the menu's check mark, languages, about box and help.
#include "support/TestWindow.h"

#include "app/GlobleVar.h"
#include "app/Portset.h"
#include "app/StartOptions.h"
#include "app/Unit1.h"
#include "app/Unit_about2.h"
#include "app/texts/product_texts.h"

#include <QLineEdit>
#include <QPlainTextEdit>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

namespace {
// A pair-test run with timed sending, as the page starts one.
void StartTimedPairTest(TForm1* f)
{
    f->RadioButton2->click();
    f->Edit4->setText("x");
    f->SpeedButton17Click();
    QVERIFY(f->Pair->isTimerActive());
}
} // namespace

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void leavingThePairTestAsksFirst()
    {
        TestWindow w("[Ports]\r\nCOM1=sim\r\n");
        TForm1* f = w.form;
        StartTimedPairTest(f);
        f->ShowPage(0);
        f->SetPanel(1, "mode");
        w.ui.answers = {false};
        f->PageControl1Change(0);
        QCOMPARE(f->PageControl1->currentIndex(), 1);
        QCOMPARE(f->State(), WorkState::PairTimed);
        QCOMPARE(w.ui.questions.last(), QString::fromUtf8("正在进行对传测试,你确定停止对传测试吗？"));
        w.ui.answers = {true};
        f->ShowPage(0);
        f->PageControl1Change(0);
        QCOMPARE(f->State(), WorkState::Idle);
        QVERIFY(!f->Pair->isTimerActive());
        QCOMPARE(f->PanelText(1), QString());
    }

    // Leaving the parameter page ends its job; "检测停止!" only when a search was stopped.
    void leavingThePageStopsTheJob()
    {
        TestWindow w("[Ports]\r\nCOM1=sim:mute\r\n");
        TForm1* f = w.form;
        f->StartJob(TForm1::JobPurpose::ReadAll, {JobStep::Send(Requests::ReadAll())}); // never answered
        QVERIFY(TestWindow::waitFor([&] { return f->Session->busy(); }, 3000));
        f->SetPanel(2, QStringLiteral("waiting"));
        f->ShowPage(1);
        f->PageControl1Change(1);
        QVERIFY(!f->JobRunning());
        QCOMPARE(f->PanelText(2), QStringLiteral("waiting"));
        f->ShowPage(0);
        f->SpeedButton20Click();
        QVERIFY(f->SearchRunning());
        f->ShowPage(1);
        f->PageControl1Change(1);
        QVERIFY(!f->JobRunning());
        QCOMPARE(f->PanelText(2), QString::fromUtf8("检测停止!"));
    }

    void theTerminalPageAsksOnTheWayInAndOut()
    {
        TestWindow w("[Ports]\r\nCOM1=sim\r\n[Ver]\r\nCEO=EN\r\n");
        TForm1* f = w.form;
        f->ShowPage(2);
        w.ui.answers = {false};
        f->PageControl1Change(2);
        QCOMPARE(w.ui.questions.last(), QStringLiteral("Will you change into Data transmiting?"));
        QCOMPARE(int(f->State()), 1);
        QVERIFY(!f->CheckBox3->isChecked());
        w.ui.answers = {true};
        f->PageControl1Change(2);
        QVERIFY(f->CheckBox3->isChecked());
        QCOMPARE(int(f->State()), 5);
        // asked again although already receiving
        f->PageControl1Change(2);
        QCOMPARE(w.ui.questions.size(), 3);
        // leaving: No returns to the terminal page
        f->ShowPage(0);
        w.ui.answers = {false};
        f->PageControl1Change(0);
        QCOMPARE(f->PageControl1->currentIndex(), 2);
        QCOMPARE(w.ui.questions.last(), QStringLiteral("Will you stop Data transmitting?"));
        QCOMPARE(int(f->State()), 5);
        f->ShowPage(1);
        w.ui.answers = {true};
        f->PageControl1Change(1);
        QCOMPARE(int(f->State()), 0);
        QVERIFY(!f->CheckBox3->isChecked());
    }

    void searchBeforeReadWriteToggles()
    {
        TestWindow w("", false);
        QVERIFY(w.form->N18->isChecked());
        w.form->N18->trigger();
        QVERIFY(!w.form->N18->isChecked());
        w.form->N18->trigger();
        QVERIFY(w.form->N18->isChecked());
    }

    void englishCaptionsAndMessages()
    {
        TestWindow w("[Ports]\r\nCOM1=sim\r\n[Ver]\r\nCEO=EN\r\n");
        TForm1* f = w.form;
        QCOMPARE(f->PageControl1->tabText(0), QStringLiteral("Radio Parameters"));
        QCOMPARE(f->GroupBox2->title(), QStringLiteral("COM Parameters"));
        QCOMPARE(f->SpeedButton27->text(), QStringLiteral("Write&I)"));
        QCOMPARE(f->Label13->text(), QStringLiteral("TX "));
        QCOMPARE(f->ComboBox3->itemText(2), QStringLiteral("NONE"));
        QCOMPARE(f->ComboBox21->count(), 16);
        QCOMPARE(f->ComboBox21->itemText(15), QStringLiteral("Level 15"));
        QCOMPARE(f->ComboBox4->toolTip(),
                 QStringLiteral("Two Attachable Communication RF Module/radio Must have Same channel and RF Rate!  "));
        QCOMPARE(f->SpeedButton9->toolTip(),
                 QStringLiteral("Two Attachable Communication RF Module/radio Must have Same channel and RF Rate! "));
        QVERIFY(f->SpeedButton6->isHidden());
        QVERIFY(!f->N20->isVisible());
        QCOMPARE(f->GroupBox19->title(), QStringLiteral("Radio ID and 525/535/310C power"));
        QVERIFY(f->windowTitle().endsWith("  V3.16"));
        QCOMPARE(f->PanelText(0), QString());
        // the model row is laid out again: no overlaps
        QVERIFY(f->Label39->x() >= f->Label41->x() + f->Label41->width() + 10);
        QVERIFY(f->ComboBox15->x() >= f->Label39->x() + f->Label39->width());
        QVERIFY(f->ComboBox16->x() >= f->Label40->x() + f->Label40->width());
        QCOMPARE(w.portSet->Label1->text(), QStringLiteral("COM Port"));
        w.form->ShowPage(2);
        w.ui.answers = {false};
        w.form->PageControl1Change(2);
        QCOMPARE(w.ui.questions.last(), QStringLiteral("Will you change into Data transmiting?"));
    }

    void longerEnglishCodeGivesEnglishCaptionsOnly()
    {
        TestWindow w("[Ports]\r\nCOM1=sim\r\n[Ver]\r\nCEO=ENGLISH\r\n");
        QCOMPARE(w.form->PageControl1->tabText(0), QStringLiteral("Radio Parameters"));
        QCOMPARE(w.portSet->Label1->text(), QString::fromUtf8("串口"));
        QCOMPARE(w.portSet->ComboBox3->itemText(2), QString::fromUtf8("NONE(无校验)"));
        TFrm_about about(w.form);
        QCOMPARE(about.Label8->text(), QString::fromUtf8("网址："));
        w.form->ShowPage(2);
        w.ui.answers = {false};
        w.form->PageControl1Change(2);
        QCOMPARE(w.ui.questions.last(), QString::fromUtf8("你希望进入数据通讯状态吗？"));
    }

    void germanEdition()
    {
        {
            TestWindow w("[Ports]\r\nCOM1=sim\r\n[Ver]\r\nCEO=EN\r\ntype=GERMAN\r\n");
            QCOMPARE(w.form->PageControl1->tabText(0), QStringLiteral("FUNK EINSTELLUNGEN"));
            QCOMPARE(w.form->GroupBox2->title(), QStringLiteral("COM Parameters"));
            QCOMPARE(w.form->SpeedButton8->text(), QStringLiteral("SCHREIBEN"));
            QCOMPARE(w.portSet->SpeedButton1->text(), QStringLiteral("OEFFNEN"));
            QCOMPARE(w.portSet->Label1->text(), QStringLiteral("COM Port"));
        }
        {
            TestWindow w("[Ports]\r\nCOM1=/nonexistent/tty\r\n[Ver]\r\nCEO=CN\r\ntype=GERMAN\r\n");
            QCOMPARE(w.form->PageControl1->tabText(0), QString::fromUtf8("电台参数"));
            QCOMPARE(w.ui.messages.value(0), QStringLiteral("KEIN PORT GEFUNDEN!"));
            QCOMPARE(w.ui.messages.value(1), QString::fromUtf8("打开端口失败！"));
        }
    }

    void modelNamingInChinese()
    {
        {
            TestWindow w("", false);
            QCOMPARE(w.form->GroupBox19->title(), QString::fromUtf8("电台ID与525功率"));
            QCOMPARE(w.form->GroupBox6->title(), QString::fromUtf8("IO开关量(仅对 522/523 ID 协议)"));
            QCOMPARE(w.form->Label33->text(), QString::fromUtf8("525/535/310C功率"));
            QCOMPARE(w.form->PanelText(0), QString());
            QVERIFY(!w.form->N11->isVisible());
            QVERIFY(w.form->windowTitle().endsWith("   V3.16"));
        }
        {
            TestWindow w("[Ver]\r\nKTX=1\r\ntype=KESTRAVONIX\r\n", false);
            QCOMPARE(w.form->GroupBox19->title(), QString::fromUtf8("电台ID与KTX525功率"));
            QVERIFY(!w.form->PanelText(0).isEmpty());
            QVERIFY(w.form->N11->isVisible());
            QVERIFY(w.form->windowTitle().contains("   V3.16  For  "));
        }
    }

    void aboutBoxInEnglish()
    {
        TestWindow w("[Ver]\r\nCEO=EN\r\nKTX=1\r\n", false);
        TFrm_about about(w.form);
        QCOMPARE(about.Label8->text(), QStringLiteral("Web:"));
        QCOMPARE(about.Label5->text(), QStringLiteral("Ver: V3.16"));
        QCOMPARE(about.Label4->text(), QLatin1String(ProductTexts::PhoneEn)); // not the Chinese line
        QTimer::singleShot(50, &about, [&] {
            QCOMPARE(about.Label5->text(), QStringLiteral(" V3.16.14"));
            QCOMPARE(about.Label9->text(), QStringLiteral("2014-8-10"));
            about.Label7MouseMove();
            QVERIFY(about.Label7->font().underline());
            about.Label7MouseLeave();
            QVERIFY(!about.Label7->font().underline());
            // a click on a label, the address included, leaves the box open
            QTest::mouseClick(about.Label7, Qt::LeftButton);
            QTest::mouseClick(about.Label2, Qt::LeftButton);
            QVERIFY(about.isVisible());
            QTest::mouseClick(&about, Qt::LeftButton, {}, QPoint(400, 280));
        });
        about.exec();
        QCOMPARE(w.ui.openedUrls.size(), 1);
        QVERIFY(!about.isVisible());
    }

    // However the operator changes the page, the page-change questions are asked; the
    // program's own changes ask nothing.
    void keyboardPageChangesRunTheHandler()
    {
        TestWindow w("[Ports]\r\nCOM1=sim\r\n");
        TForm1* f = w.form;
        QTest::keyClick(f->Edit1, Qt::Key_Tab, Qt::ControlModifier);
        QTest::keyClick(f->Edit1, Qt::Key_Tab, Qt::ControlModifier);
        TestWindow::pump(20);
        QCOMPARE(f->PageControl1->currentIndex(), 2);
        QCOMPARE(w.ui.questions, QStringList() << QString::fromUtf8("你希望进入数据通讯状态吗？"));
        QVERIFY(f->CheckBox3->isChecked());
        QCOMPARE(int(f->State()), 5);

        QTest::keyClick(f->CheckBox3, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        TestWindow::pump(20);
        QCOMPARE(f->PageControl1->currentIndex(), 1);
        QCOMPARE(w.ui.questions.last(), QString::fromUtf8("正在进行数据通讯,您需要停止该状态吗!"));
        QCOMPARE(int(f->State()), 0);

        // leaving a running pair test by the keyboard asks to stop it
        StartTimedPairTest(f);
        QTest::keyClick(f->PageControl1->tabBar(), Qt::Key_Left);
        TestWindow::pump(20);
        QCOMPARE(w.ui.questions.last(), QString::fromUtf8("正在进行对传测试,你确定停止对传测试吗？"));
        QCOMPARE(f->State(), WorkState::Idle);
        QVERIFY(!f->Pair->isTimerActive());

        const int asked = w.ui.questions.size();
        f->ShowPage(2);
        TestWindow::pump(20);
        QCOMPARE(w.ui.questions.size(), asked);
    }

    void captionsFitInEveryLanguage_data()
    {
        QTest::addColumn<QByteArray>("ver");
        QTest::newRow("chinese test edition") << QByteArray("type=VORDAL\r\nKTX=1");
        QTest::newRow("chinese ordinary") << QByteArray("type=");
        QTest::newRow("english test edition") << QByteArray("type=VORDAL\r\nCEO=EN\r\nKTX=1");
        QTest::newRow("english ordinary") << QByteArray("CEO=EN");
        QTest::newRow("german") << QByteArray("type=GERMAN\r\nCEO=EN");
        QTest::newRow("german brand") << QByteArray("type=GERMAN\r\nCEO=EN\r\nKTX=1");
        QTest::newRow("short frames") << QByteArray("type=KESTRAVONIX\r\nCEO=EN");
    }

    void captionsFitInEveryLanguage()
    {
        QFETCH(QByteArray, ver);
        TestWindow w("[Ports]\r\nCOM1=sim:model=35,band=433,baud=4800,parity=odd,channel=3\r\n"
                     "COM2=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0\r\n[Ver]\r\n" + ver + "\r\n");
        TForm1* f = w.form;
        auto groups = f->TabSheet1->findChildren<QGroupBox*>();
        groups += f->Panel2->findChildren<QGroupBox*>();
        groups += f->Panel6->findChildren<QGroupBox*>();
        for (QGroupBox* g : groups) {
            if (g->isHidden())
                continue;
            QVERIFY2(g->fontMetrics().horizontalAdvance(g->title()) <= g->width() - 8, qPrintable(g->title()));
            QVERIFY2(g->x() + g->width() <= f->width(), qPrintable(g->objectName()));
            const auto kids = g->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
            for (QWidget* a : kids)
                for (QWidget* b : kids)
                    if (a != b && !a->isHidden() && !b->isHidden() && a->geometry().intersects(b->geometry()))
                        QFAIL(qPrintable(QStringLiteral("%1 overlaps %2 (%3)").arg(a->objectName(), b->objectName(), QString::fromUtf8(ver))));
            for (QWidget* c : kids) {
                if (c->isHidden())
                    continue;
                // clear of the group's frame
                QVERIFY2(c->x() >= 0 && c->x() + c->width() <= g->width() - 4,
                         qPrintable(g->objectName() + "/" + c->objectName()));
                QString text;
                if (auto* l = qobject_cast<QLabel*>(c))
                    text = l->text();
                else if (auto* b = qobject_cast<QAbstractButton*>(c))
                    text = b->text().remove('&');
                if (!text.isEmpty() && !qobject_cast<QAbstractButton*>(c))
                    QVERIFY2(c->fontMetrics().horizontalAdvance(text) <= c->width(), qPrintable(c->objectName() + ": " + text));
                if (!text.isEmpty() && qobject_cast<QPushButton*>(c))
                    QVERIFY2(c->fontMetrics().horizontalAdvance(text) + 6 <= c->width(), qPrintable(c->objectName() + ": " + text));
                if (qobject_cast<QRadioButton*>(c) || qobject_cast<QCheckBox*>(c))
                    QVERIFY2(c->sizeHint().width() <= c->width(), qPrintable(c->objectName() + ": " + text));
            }
        }
        // a field under a longer caption stays in its column
        const QPair<QWidget*, QWidget*> columns[] = {{f->Edit4, f->Edit3},         {f->Edit12, f->Edit13},
                                                     {f->ComboBox4, f->Edit1},     {f->ComboBox2, f->ComboBox3},
                                                     {f->ComboBox11, f->ComboBox13}, {f->ComboBox7, f->ComboBox9}};
        for (const auto& [above, below] : columns)
            QVERIFY2(above->x() == below->x(), qPrintable(above->objectName() + " / " + below->objectName()));

        // what COMn stands for, the module's options and a long device path included, is shown whole
        w.portSet->show();
        for (int port : {0, 1}) {
            w.portSet->ComboBox1->setCurrentIndex(port);
            QCoreApplication::processEvents();
            QLabel* l = w.portSet->DeviceLabel;
            QVERIFY(!l->text().isEmpty());
            const QRect need = l->fontMetrics().boundingRect(QRect(0, 0, l->width(), 1000), Qt::TextWordWrap, l->text());
            QVERIFY2(need.width() <= l->width() && need.height() <= l->height(), qPrintable(l->text()));
            QVERIFY(l->geometry().right() < w.portSet->width());
        }
        w.portSet->hide();
    }

    void helpWithoutTheDocumentNamesTheFullPath()
    {
        TestWindow w("", false);
        w.form->N20Click();
        const QString expected = QDir::toNativeSeparators(QDir(w.dir.path()).filePath("readme.doc"));
        QCOMPARE(w.ui.openedDocuments, QStringList{expected});
        QCOMPARE(w.ui.messages.last(), expected + QString::fromUtf8("文件打开出错！"));

        TestWindow e("[Ver]\r\nCEO=EN\r\n", false);
        e.ui.documentOpens = true;
        e.form->N20Click();
        QVERIFY(e.ui.messages.isEmpty());
        e.ui.documentOpens = false;
        e.form->SpeedButton6Click();
        QVERIFY(e.ui.messages.last().endsWith("readme.doc File opend fail！"));
    }

    // Started from the desktop menu (working directory the home folder), Config.ini is kept in
    // the user's configuration directory.
    void desktopStartKeepsConfigInTheUserConfigDirectory()
    {
        QTemporaryDir home;
        const QString oldDir = QDir::currentPath();
        const QByteArray oldXdg = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QDir(home.path()).filePath("xdg").toLocal8Bit());
        QDir::setCurrent(home.path());
        GlobleVar::ResetAll();
        {
            FakeUi ui;
            UseStartOptions({"rfmodtool", "--user-config"});
            TForm1 f;
            f.close(); // the options are written
        }
        const bool inConfigDir = QFile::exists(QDir(home.path()).filePath("xdg/rfmodtool/Config.ini"));
        const bool inHome = QFile::exists(QDir(home.path()).filePath("Config.ini"));
        QDir::setCurrent(oldDir);
        qputenv("XDG_CONFIG_HOME", oldXdg);
        GlobleVar::ResetAll();
        QVERIFY(inConfigDir);
        QVERIFY(!inHome);
    }

    // The two windows of a pair test on one desktop carry their station in the title.
    void stationInTheWindowTitle()
    {
        UseStartOptions({"rfmodtool", "--station", "B"});
        const QString cn = TestWindow("", false).form->windowTitle();
        const QString en = TestWindow("[Ver]\r\nCEO=EN\r\n", false).form->windowTitle();
        UseStartOptions({"rfmodtool"});
        QCOMPARE(cn, TestWindow("", false).form->windowTitle() + QString::fromUtf8("  -  B站"));
        QVERIFY(en.endsWith("  V3.16  -  station B"));
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
