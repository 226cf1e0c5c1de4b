// Factory serial number on the window: the fields a read fills and the model it selects, the
// checks that keep a bad number from going out, the numbering of a production run with the
// number kept in Config.ini or taken from a production database, the claim on a number whose
// write was refused, unanswered or never reached, the sequence field's editing, and the lock.
#include "support/ModuleTestUtil.h"

#include "app/Portset.h"
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

// A SQLite production database in `dir`, named in Config.ini for station A, and the same
// database as another program sees it.
struct Database {
    explicit Database(const QTemporaryDir& dir)
        : text("sqlite:" + dir.filePath(QStringLiteral("line.db")).toUtf8())
    {
        QString error;
        DatabaseLocation::Parse(QString::fromUtf8(text), &where, &error);
        other = std::make_unique<ProductionStore>(where, dir.filePath(QStringLiteral("spill")));
        opened = other->open(&error);
    }
    QByteArray config() const { return Config() + "[Production]\r\nDatabase=" + text + "\r\nStation=A\r\n"; }
    StoreSummary summary() const
    {
        StoreSummary s;
        QString error;
        other->summary(&s, &error);
        return s;
    }
    QByteArray text;
    DatabaseLocation where;
    std::unique_ptr<ProductionStore> other;
    bool opened = false;
};

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

    // With [Production] Database= the typed number is written when it is free; one another
    // station holds is never replaced silently: the box names the number written instead. Each
    // confirmed write is recorded; an unreachable database stops the write.
    void numbersFromTheProductionDatabase()
    {
        QTemporaryDir dir;
        Database db(dir);
        QVERIFY(db.opened);
        TestWindow w(db.config());
        TForm1* f = w.form;
        QString error;
        QCOMPARE(db.other->allocate(SerialSeries{QStringLiteral("35"), 2011, 3}, 100, QStringLiteral("B"), &error), 100);

        Fill(f, 10, "2011", "03", "00041");
        f->SpeedButton25Click();
        QVERIFY(WaitPanel(w, QStringLiteral("出厂系列号设置成功!"), 5000));
        QCOMPARE(Module()->options().snSequence, 41);
        QCOMPARE(f->Edit2->text(), QStringLiteral("00042"));
        QVERIFY(w.ui.questions.isEmpty());

        const QString instead = QStringLiteral("序号 00100 已被占用，将改为写入下一个空闲序号 00101。要写入吗？");
        f->Edit2->setText(QStringLiteral("00100"));
        CmdTest::TakeRequests();
        w.ui.answers << false;
        f->SpeedButton25Click();
        QCOMPARE(w.ui.questions, QStringList{instead});
        TestWindow::pump(100);
        QVERIFY(CmdTest::TakeRequests().isEmpty());
        QCOMPARE(f->Edit2->text(), QStringLiteral("00100"));
        // the number refused went back: offered again, and written on Yes
        f->SpeedButton25Click();
        QCOMPARE(w.ui.questions, (QStringList{instead, instead}));
        QVERIFY(TestWindow::waitFor([&] { return f->Edit2->text() == QLatin1String("00102"); }, 5000));
        QCOMPARE(Module()->options().snSequence, 101);
        QList<ModuleRecord> records;
        QVERIFY2(db.other->history(HistoryFilter{}, &records, &error), qPrintable(error));
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[0].number.sequence, 101);
        QCOMPARE(records[1].number.sequence, 41);
        QCOMPARE(records[0].station, QStringLiteral("A"));
        QCOMPARE(records[0].port, QStringLiteral("COM1"));
        QVERIFY(records[0].ok);
        QVERIFY(!records[0].claimId.isEmpty());
        QVERIFY(db.summary().unconfirmed.isEmpty());
        QVERIFY(w.ui.messages.isEmpty());

        QVERIFY(IniFile(w.configPath()).WriteString("Production", "Database", "sqlite:" + dir.filePath("no/such/line.db")));
        CmdTest::TakeRequests();
        f->SpeedButton25Click();
        QCOMPARE(w.ui.messages.size(), 1);
        QVERIFY(w.ui.messages.first().startsWith(QStringLiteral("无法连接生产数据库，未写入系列号：")));
        TestWindow::pump(100);
        QVERIFY(CmdTest::TakeRequests().isEmpty());
    }

    // A write the port refused never left the PC: its number is free again.
    void refusedWriteGivesTheNumberBack()
    {
        TestWindow w(Config());
        TForm1* f = w.form;
        Fill(f, 10, "2011", "03", "00007");
        CmdTest::ResetSimulatedModules(); // the port is gone under the window
        w.ui.clear();
        f->SpeedButton25Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("设置出厂系列号失败！!"));
        QCOMPARE(IniFile(w.configPath()).ReadString("SN", "Released", ""), QStringLiteral("00007"));

        w.portSet->SpeedButton1Click();
        w.ui.clear();
        f->SpeedButton25Click();
        QVERIFY(WaitPanel(w, QStringLiteral("出厂系列号设置成功!"), 5000));
        QVERIFY(w.ui.questions.isEmpty());
        QCOMPARE(Module()->options().snSequence, 7);
    }

    // An unanswered write may have reached the module: pressed again with the same number it is
    // written under the same claim, no question; another number leaves it marked unconfirmed.
    void unansweredWriteKeepsItsClaim()
    {
        QTemporaryDir dir;
        Database db(dir);
        QVERIFY(db.opened);
        TestWindow w(db.config());
        TForm1* f = w.form;
        Fill(f, 10, "2011", "03", "00041");
        Module()->options().mute = true;
        f->SpeedButton25Click();
        QVERIFY(TestWindow::waitFor([] { return Module()->options().snSequence == 41; }, 5000));
        StoreSummary s = db.summary();
        QCOMPARE(s.unconfirmed.size(), 1);
        SerialClaim sent = s.unconfirmed[0].claim;
        QCOMPARE(sent.state, ClaimState::Sent);

        Module()->options().mute = false;
        f->SpeedButton25Click();
        QVERIFY(WaitPanel(w, QStringLiteral("出厂系列号设置成功!"), 5000));
        QCOMPARE(f->Edit2->text(), QStringLiteral("00042"));
        QVERIFY(w.ui.questions.isEmpty());
        QList<ModuleRecord> records;
        QString error;
        QVERIFY2(db.other->history(HistoryFilter{}, &records, &error), qPrintable(error));
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].claimId, sent.id);
        QVERIFY(db.summary().duplicates.isEmpty());
        // confirmed: it can no longer be taken for unconfirmed
        QVERIFY(!db.other->advanceClaim(&sent, ClaimState::Unconfirmed, &error));
        QCOMPARE(db.other->lastError().kind, StoreError::Kind::Refused);

        Module()->options().mute = true;
        f->SpeedButton25Click(); // 42, unanswered
        QVERIFY(TestWindow::waitFor([] { return Module()->options().snSequence == 42; }, 5000));
        Module()->options().mute = false;
        f->Edit2->setText(QStringLiteral("00050"));
        f->SpeedButton25Click();
        QVERIFY(WaitPanel(w, QStringLiteral("出厂系列号设置成功!"), 5000));
        QCOMPARE(Module()->options().snSequence, 50);
        s = db.summary();
        QCOMPARE(s.unconfirmed.size(), 1);
        QCOMPARE(s.unconfirmed[0].claim.sequence, 42);
        QCOMPARE(s.unconfirmed[0].claim.state, ClaimState::Unconfirmed);
        QVERIFY(w.ui.questions.isEmpty());
        QVERIFY(w.ui.messages.isEmpty());
    }

    // The set-all chain claims its number in its checks; stopped before the number's write went
    // out, it gives it back.
    void stoppedChainGivesTheNumberBack()
    {
        TestWindow w(Config());
        TForm1* f = w.form;
        CmdTest::FillLists(f);
        f->N18->setChecked(false);
        CmdTest::SelectRows(f, 0, 3, 3, 2);
        f->ComboBox5->setCurrentIndex(1);
        Fill(f, 10, "2011", "03", "00001");
        Module()->options().mute = true; // the air protocol's write, first, stays unanswered
        CmdTest::TakeRequests();
        f->SpeedButton38Click();
        QVERIFY(TestWindow::waitFor([] { return !CmdTest::TakeRequests().isEmpty(); }, 5000));
        f->SpeedButton30Click();
        QVERIFY(!f->JobRunning());

        Module()->options().mute = false;
        w.ui.clear();
        f->SpeedButton25Click();
        QVERIFY(WaitPanel(w, QStringLiteral("出厂系列号设置成功!"), 5000));
        QVERIFY(w.ui.questions.isEmpty());
        QCOMPARE(Module()->options().snSequence, 1);
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
            // the real range, not the byte's
            QCOMPARE(w.ui.messages.first(), QStringLiteral("Month must be a number from 1 to 12: ") + QLatin1String(month));
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
