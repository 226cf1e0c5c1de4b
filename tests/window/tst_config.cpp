// Config.ini on the window: defaults and ranges of the fields, editions, the write-back when
// the window closes, and a file that cannot be written.
#include "support/TestWindow.h"

#include "app/GlobleVar.h"
#include "core/config/IniFile.h"
#include "app/Unit1.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

class ConfigTest : public QObject {
    Q_OBJECT
private slots:
    void defaultsWithoutAnyOption()
    {
        TestWindow w("[Ports]\r\nCOM1=sim\r\n");
        TForm1* f = w.form;
        QVERIFY(!f->CheckBox2->isChecked());
        QCOMPARE(f->SpinEdit2->value(), 333);
        QCOMPARE(f->SpinEdit3->value(), 30);
        QCOMPARE(f->SpinEdit4->value(), 20);
        QVERIFY(f->N18->isChecked());
        QCOMPARE(GlobleVar::Settings.testDelayMs, 1500);
        QCOMPARE(GlobleVar::Settings.language, QStringLiteral("CN"));
        QVERIFY(!GlobleVar::TestEdition());
        // the ordinary edition hides the factory functions and is shorter
        QVERIFY(f->GroupBox12->isHidden());
        QVERIFY(f->GroupBox13->isHidden());
        QVERIFY(f->SpeedButton25->isHidden());
        QVERIFY(f->CheckBox4->isHidden());
        QVERIFY(!f->N7->menuAction()->isVisible());
        QCOMPARE(f->height(), 550);
        // IO group right under the power-saving group, ID group under the RSSI group
        QCOMPARE(f->GroupBox6->y(), f->GroupBox4->y() + f->GroupBox4->height() + 18);
        QCOMPARE(f->GroupBox19->y(), f->GroupBox20->y() + f->GroupBox20->height() + 10);
        QCOMPARE(f->GroupBox19->x(), f->GroupBox20->x());
    }

    // Stored values out of the fields' ranges are brought to the nearest bound, and closing
    // writes back what the fields show.
    void closingWritesTheFieldsBack()
    {
        TestWindow w("[Ports]\r\nCOM1=sim\r\n[Option]\r\nDelay time=10\r\nRX timer=9999\r\n");
        QCOMPARE(w.form->SpinEdit2->value(), 60);
        QCOMPARE(w.form->SpinEdit3->value(), 500);
        w.form->SpinEdit4->setValue(25);
        w.form->CheckBox2->setChecked(true);
        w.form->N18->trigger();
        w.form->close();
        IniFile ini(w.configPath());
        QCOMPARE(ini.ReadInteger("Option", "Delay time", -1), 60);
        QCOMPARE(ini.ReadInteger("Option", "RX timer", -1), 500);
        QCOMPARE(ini.ReadInteger("Option", "RX/TX conversion", -1), 25);
        QCOMPARE(ini.ReadInteger("Option", "Frame delay", -1), 1);
        QCOMPARE(ini.ReadInteger("Option", "Search before R/W", -1), 0);
    }

    void editionKeywordsAreWholeAndCaseSensitive()
    {
        {
            TestWindow w("[Ver]\r\ntype=vordal\r\n", false);
            QVERIFY(!GlobleVar::TestEdition());
            QVERIFY(w.form->GroupBox12->isHidden());
        }
        {
            TestWindow w("[Ver]\r\ntype=VORDAL\r\n", false);
            QVERIFY(GlobleVar::TestEdition());
            QVERIFY(!w.form->GroupBox12->isHidden());
            QVERIFY(!w.form->SpeedButton25->isHidden());
            QCOMPARE(w.form->height(), 606);
        }
    }

    void modelRestriction()
    {
        {
            TestWindow w("[Ver]\r\nModel=KTX52IDX\r\n", false);
            QVERIFY(w.form->SpeedButton9->isEnabled());
            QVERIFY(w.form->SpeedButton10->isEnabled());
            w.form->ComboBox15->setCurrentIndex(10);
            w.form->ComboBox15Click();
            QVERIFY(w.form->SpeedButton4->isEnabled());
            QVERIFY(w.form->SpeedButton5->isEnabled());
        }
        {
            TestWindow w("[Ver]\r\nModel=KTX52ID\r\n", false);
            for (QPushButton* b : {w.form->SpeedButton4, w.form->SpeedButton9, w.form->SpeedButton5,
                                   w.form->SpeedButton10})
                QVERIFY(!b->isEnabled());
        }
    }

    void editionLayouts()
    {
        {
            TestWindow w("[Ver]\r\ntype=KESTRAVONIX\r\n", false);
            QCOMPARE(w.form->SpeedButton2->y(), 12);
            QCOMPARE(w.form->SpeedButton8->y(), 12);
            QVERIFY(!w.form->Edit19->isHidden());
            QVERIFY(!w.form->Label54->isHidden());
        }
        {
            TestWindow w("[Ver]\r\ntype=PLOVAR\r\n", false);
            QVERIFY(w.form->Edit1->isHidden());
        }
    }

    void serialNumberDefaultsOnlyInTheTestEdition()
    {
        const QByteArray sn = "[SN]\r\nModel=10\r\nYear=2014\r\nMonth=08\r\nNO=00042\r\n";
        {
            TestWindow w(sn + "[Ver]\r\ntype=VORDAL\r\n", false);
            QCOMPARE(w.form->ComboBox11->currentIndex(), 10);
            QCOMPARE(w.form->ComboBox12->currentText(), QStringLiteral("2014"));
            QCOMPARE(w.form->ComboBox13->currentText(), QStringLiteral("08"));
            QCOMPARE(w.form->Edit2->text(), QStringLiteral("00042"));
        }
        {
            TestWindow w("[SN]\r\nModel=36\r\n[Ver]\r\ntype=VORDAL\r\n", false);
            QCOMPARE(w.form->ComboBox11->currentIndex(), -1); // no such row
        }
        {
            TestWindow w(sn, false);
            QCOMPARE(w.form->ComboBox11->currentIndex(), -1);
            QVERIFY(w.form->ComboBox12->currentText().isEmpty());
            QVERIFY(w.form->Edit2->text().isEmpty());
        }
    }

    void unwritableFileIsReportedOnClose()
    {
        // a directory where the file should be: the window still closes, and says so once
        TestWindow d("", false);
        QFile::remove(d.configPath());
        QVERIFY(QDir(d.dir.path()).mkdir("Config.ini"));
        d.form->close();
        QCOMPARE(d.ui.messages.size(), 1);
        QVERIFY(d.ui.lastMessage().startsWith(QString::fromUtf8("Config.ini 未能保存，原文件保持不变：")));
    }
};

QTEST_MAIN(ConfigTest)
#include "tst_config.moc"
