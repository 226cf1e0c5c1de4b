// Factory serial number on the window: the fields a read fills and the model it selects, the
// checks that keep a bad number from going out, the numbering of a production run with the
// number kept in Config.ini or taken from a production database, the sequence field's
// editing, and the lock.
#include "support/ModuleTestUtil.h"

#include "app/Unit1.h"
#include "core/config/IniFile.h"
#include "core/config/SerialNumberStore.h"
#include "core/production/ProductionStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using CmdTest::LongAnswer;
using CmdTest::Module;
using CmdTest::WaitPanel;

namespace {

QByteArray Config(const char* sim = "sim", const char* ver = "type=VORDAL\r\n")
{
    return CmdTest::FixedGapConfig(QLatin1String(sim), ver);
}

void Fill(TForm1* f, int row, const QString& year, const QString& month, const QString& number)
{
    f->ComboBox11->setCurrentIndex(row);
    f->ComboBox12->setEditText(year);
    f->ComboBox13->setEditText(month);
    f->Edit2->setText(number);
}

} // namespace

class SerialNumberWindow : public QObject {
    Q_OBJECT
private slots:
    void readShowsTheModulesNumberAndModel()
    {
        TestWindow w(Config("sim:model=51,year=5,month=12,seq=42"));
        TForm1* f = w.form;
        Fill(f, 3, "2010", "01", "00009");
        f->SpeedButton24Click();
        QCOMPARE(f->ComboBox11->currentIndex(), -1);
        QVERIFY(f->ComboBox12->currentText().isEmpty());
        QVERIFY(f->ComboBox13->currentText().isEmpty());
        QVERIFY(f->Edit2->text().isEmpty());
        QCOMPARE(f->PanelText(2), QStringLiteral("正在读取出厂系列号......"));
        QVERIFY(WaitPanel(w, QStringLiteral("出厂系列号读取成功!")));
        QCOMPARE(f->ComboBox11->currentIndex(), 23);
        QCOMPARE(f->ComboBox15->currentIndex(), 23);
        QCOMPARE(f->ComboBox12->currentText(), QStringLiteral("2005"));
        QCOMPARE(f->ComboBox13->currentText(), QStringLiteral("12"));
        QCOMPARE(f->Edit2->text(), QStringLiteral("00042"));
        QCOMPARE(f->ComboBox16->count(), 2); // 54X: 490 and 433 MHz
        QVERIFY(w.ui.messages.isEmpty());

        // year byte 0 is 2000; a code of no row still shows the number
        f->Session->recordCommand(Command::SerialNumberRead);
        f->Session->DispatchLongAnswer(LongAnswer("000B", "9900010100"));
        TestWindow::pump(0);
        QCOMPARE(f->ComboBox11->currentIndex(), -1);
        QCOMPARE(f->ComboBox12->currentText(), QStringLiteral("2000"));
        QCOMPARE(f->ComboBox13->currentText(), QStringLiteral("01"));
        QCOMPARE(f->Edit2->text(), QStringLiteral("00256"));
    }

    void writeNumbersAProductionRun()
    {
        TestWindow w(Config());
        TForm1* f = w.form;
        Fill(f, 10, "2011", "03", "65533");
        CmdTest::TakeRequests();
        f->SpeedButton25Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("设置出厂系列号......"));
        QVERIFY(WaitPanel(w, QStringLiteral("出厂系列号设置成功!")));
        QCOMPARE(f->Edit2->text(), QStringLiteral("65534"));
        QCOMPARE(CmdTest::TakeRequests(), QStringList{QStringLiteral("long 800A payload 35 0B 03 FF FD")});

        // the highest number is accepted
        f->SpeedButton25Click();
        QVERIFY(TestWindow::waitFor([&] { return f->Edit2->text() == QLatin1String("65535"); }, 2000));
        QCOMPARE(Module()->options().snSequence, 65534);
        IniFile ini(w.configPath());
        QCOMPARE(ini.ReadInteger("SN", "Model", -1), 10);
        QCOMPARE(ini.ReadString("SN", "Year", ""), QStringLiteral("2011"));
        QCOMPARE(ini.ReadString("SN", "Month", ""), QStringLiteral("03"));
        QCOMPARE(ini.ReadString("SN", "NO", ""), QStringLiteral("65534"));
        QVERIFY(w.configText().contains("[Ports]")); // the rest of the file is kept

        // 65535 is refused until the operator changes it
        w.ui.clear();
        f->SpeedButton25Click();
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("序号超出范围!")});
        QCOMPARE(f->LastFocusRequest, static_cast<QWidget*>(f->Edit2));
    }

    void windowAndRfmodctlShareTheSequence()
    {
        TestWindow w(Config());
        TForm1* f = w.form;
        Fill(f, 10, "2011", "03", "00041");
        QVERIFY(IniFile(w.configPath()).WriteString("SN", "NO", "00041"));
        // rfmodctl hands out 42 and 43 while the window's field still says 42
        SerialNumberStore store(w.configPath());
        QCOMPARE(store.take(nullptr), 42);
        QCOMPARE(store.take(nullptr), 43);
        f->SpinButton1UpClick();
        CmdTest::TakeRequests();
        w.ui.answers << false;
        f->SpeedButton25Click();
        QCOMPARE(w.ui.questions.size(), 1);
        QVERIFY(w.ui.questions.first().contains(QLatin1String("00042")));
        QVERIFY(CmdTest::TakeRequests().isEmpty());
        QCOMPARE(f->Edit2->text(), QStringLiteral("00044"));

        f->SpeedButton25Click();
        QVERIFY(WaitPanel(w, QStringLiteral("出厂系列号设置成功!")));
        QCOMPARE(Module()->options().snSequence, 44);
        QCOMPARE(IniFile(w.configPath()).ReadInteger("SN", "Model", -1), 10);
        QCOMPARE(store.take(nullptr), 45);
    }

    // With [Production] Database= the number comes from the database, which another station
    // shares, and each confirmed write is recorded there; an unreachable one stops the write.
    void numbersFromTheProductionDatabase()
    {
        QTemporaryDir dir;
        const QByteArray db = "sqlite:" + dir.filePath(QStringLiteral("line.db")).toUtf8();
        TestWindow w(Config() + "[Production]\r\nDatabase=" + db + "\r\nStation=A\r\n");
        TForm1* f = w.form;
        DatabaseLocation where;
        QString error;
        QVERIFY(DatabaseLocation::Parse(QString::fromUtf8(db), &where, &error));
        ProductionStore other(where, dir.filePath(QStringLiteral("spill")));
        QCOMPARE(other.allocate(SerialSeries{QStringLiteral("35"), 2011, 3}, 100, QStringLiteral("B"), &error), 100);

        Fill(f, 10, "2011", "03", "00041");
        f->SpeedButton25Click();
        QVERIFY(WaitPanel(w, QStringLiteral("出厂系列号设置成功!")));
        QCOMPARE(Module()->options().snSequence, 101);
        QCOMPARE(f->Edit2->text(), QStringLiteral("00102"));
        f->SpeedButton25Click();
        QVERIFY(TestWindow::waitFor([&] { return f->Edit2->text() == QLatin1String("00103"); }, 2000));
        QCOMPARE(Module()->options().snSequence, 102);
        QList<ModuleRecord> records;
        QVERIFY2(other.history(HistoryFilter{}, &records, &error), qPrintable(error));
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[0].number.sequence, 102);
        QCOMPARE(records[1].number.sequence, 101);
        QCOMPARE(records[0].station, QStringLiteral("A"));
        QCOMPARE(records[0].port, QStringLiteral("COM1"));
        QVERIFY(records[0].ok);
        QVERIFY(w.ui.messages.isEmpty());

        QVERIFY(IniFile(w.configPath()).WriteString("Production", "Database", "sqlite:" + dir.filePath("no/such/line.db")));
        CmdTest::TakeRequests();
        f->SpeedButton25Click();
        QCOMPARE(w.ui.messages.size(), 1);
        QVERIFY(w.ui.messages.first().startsWith(QStringLiteral("无法连接生产数据库，未写入系列号：")));
        TestWindow::pump(100);
        QVERIFY(CmdTest::TakeRequests().isEmpty());
    }

    void writeChecksInOrder()
    {
        TestWindow w(Config("sim", "type=VORDAL\r\nCEO=EN\r\n"));
        TForm1* f = w.form;
        CmdTest::TakeRequests();
        struct Case {
            int row;
            const char* year;
            const char* month;
            const char* number;
            const char* message;
            QWidget* focus;
        } cases[] = {
            {0, "", "", "", "Year is NULL!", f->ComboBox12},
            {0, "2011", "", "", "Month is NULL!", f->ComboBox13},
            {0, "2011", "03", "", "SN is NULL!", f->Edit2},
            {0, "2011", "03", "65535", "SN out of Range!", f->Edit2},
            {-1, "2011", "03", "00001", "Model is Null!", nullptr},
        };
        for (const Case& c : cases) {
            w.ui.clear();
            f->LastFocusRequest = nullptr;
            Fill(f, c.row, c.year, c.month, c.number);
            f->SpeedButton25Click();
            QCOMPARE(w.ui.messages, QStringList{QLatin1String(c.message)});
            QCOMPARE(f->LastFocusRequest, c.focus);
        }
        // the write is the command in flight once the number passed its checks
        QCOMPARE(f->Session->lastCommand(), Command::SerialNumberWrite);

        // free-text year, month and number that are none (as rfmodctl judges them): an error box, nothing sent
        const char* badYears[] = {"201", "20a1", "abcd", "2O11", "-2011", "1999", "20110", "2100"};
        for (const char* year : badYears) {
            w.ui.clear();
            Fill(f, 0, year, "03", "00001");
            f->SpeedButton25Click();
            QCOMPARE(w.ui.messages.size(), 1);
            QCOMPARE(w.ui.kinds.first(), UiServices::BoxKind::Error);
            QVERIFY2(w.ui.messages.first().endsWith(QLatin1String(year)), year);
        }
        for (const char* month : {"x3", "256", " 3", "13", "00"}) {
            w.ui.clear();
            Fill(f, 0, "2011", month, "00001");
            f->SpeedButton25Click();
            QCOMPARE(w.ui.kinds, QList<UiServices::BoxKind>{UiServices::BoxKind::Error});
        }
        w.ui.clear();
        Fill(f, 0, "2011", "03", "1a");
        f->SpeedButton25Click();
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("SN must be a number: 1a")});
        TestWindow::pump(100);
        QVERIFY(CmdTest::TakeRequests().isEmpty());
    }

    void answerOfAnotherCommandChangesNothing()
    {
        TestWindow w(Config());
        TForm1* f = w.form;
        Fill(f, 1, "2011", "03", "00005");
        f->Session->recordCommand(Command::ChannelRead);
        f->Session->DispatchLongAnswer(LongAnswer("000A", "220B030005"));
        QCOMPARE(f->PanelText(2), QStringLiteral("返回出厂系列号应答!"));
        QCOMPARE(f->Edit2->text(), QStringLiteral("00005"));
        QVERIFY(!w.configText().contains("[SN]"));
    }

    void sequenceEditing()
    {
        TestWindow w(Config());
        TForm1* f = w.form;
        f->Edit2->clear();
        QTest::keyClicks(f->Edit2, "1a2-3");
        QCOMPARE(f->Edit2->text(), QStringLiteral("123"));
        QTest::keyClick(f->Edit2, Qt::Key_Backspace);
        QCOMPARE(f->Edit2->text(), QStringLiteral("12"));
        QTest::keyClick(f->Edit2, Qt::Key_Up);
        QCOMPARE(f->Edit2->text(), QStringLiteral("00013"));
        QTest::keyClick(f->Edit2, Qt::Key_Down);
        QTest::keyClick(f->Edit2, Qt::Key_Down);
        QCOMPARE(f->Edit2->text(), QStringLiteral("00011"));

        f->Edit2->setText(QStringLiteral("65534"));
        f->SpinButton1UpClick();
        QCOMPARE(f->Edit2->text(), QStringLiteral("65534"));
        f->Edit2->setText(QStringLiteral("0"));
        f->SpinButton1DownClick();
        QCOMPARE(f->Edit2->text(), QStringLiteral("00000"));
        f->Edit2->clear();
        f->SpinButton1UpClick();
        f->SpinButton1DownClick();
        QVERIFY(f->Edit2->text().isEmpty());
        f->Edit2Exit();
        QCOMPARE(f->Edit2->text(), QStringLiteral("00000"));
        f->Edit2->setText(QStringLiteral("7"));
        f->Edit2Exit();
        QCOMPARE(f->Edit2->text(), QStringLiteral("00007"));
    }

    void lockFreezesTheSelections()
    {
        TestWindow w(Config());
        TForm1* f = w.form;
        QComboBox* locked[] = {f->ComboBox11, f->ComboBox12, f->ComboBox13, f->ComboBox4,
                               f->ComboBox1, f->ComboBox2, f->ComboBox3, f->ComboBox5};
        f->CheckBox4->setChecked(true);
        f->CheckBox4Click();
        for (QComboBox* c : locked)
            QVERIFY(!c->isEnabled());
        QVERIFY(f->Edit2->isEnabled());
        QVERIFY(f->SpeedButton25->isEnabled());
        QVERIFY(f->ComboBox15->isEnabled());
        f->CheckBox4->setChecked(false);
        f->CheckBox4Click();
        for (QComboBox* c : locked)
            QVERIFY(c->isEnabled());
    }
};

QTEST_MAIN(SerialNumberWindow)
#include "tst_serialnumber.moc"
