// Choosing a model row reshapes the first page: lists, channel plans, power and IO
// controls, the base-frequency confirmation and the model a module reports about itself.
#include "support/TestWindow.h"

#include "app/Unit1.h"
#include "support/ModuleAnswers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

QByteArray EditionConfig(const char* type, const char* extra = "")
{
    return QByteArray("[Ver]\r\ntype=") + type + "\r\n" + extra;
}

// The identify answer of a search: the serial-number read that follows belongs to it.
void IdentifiedBySearch(TForm1* f)
{
    f->Session->DispatchLongAnswer(ModuleAnswers::Long("0000", "301204"));
    QVERIFY(f->IdentifyAfterSearch);
}

void SerialNumberAnswer(TForm1* f, const char* payload)
{
    f->Session->DispatchLongAnswer(ModuleAnswers::Long("000B", QLatin1String(payload)));
    TestWindow::pump(0); // the window takes the number from the event loop
}

void Apply(TForm1* f, int row)
{
    f->ComboBox15->setCurrentIndex(row);
    f->ComboBox15Click();
}

void PickChannel(TForm1* f, int index)
{
    f->ComboBox4->setCurrentIndex(index);
    f->ComboBox4Click();
}

} // namespace

class CatalogueUi : public QObject {
    Q_OBJECT
private slots:
    void modelListsAreFilledOnce()
    {
        TestWindow w(EditionConfig("", "KTX=2\r\n"), false);
        TForm1* f = w.form;
        QCOMPARE(f->ComboBox15->count(), 36);
        QCOMPARE(f->ComboBox11->count(), 36);
        QCOMPARE(f->ComboBox15->itemText(0), QStringLiteral("QOM511"));
        QCOMPARE(f->ComboBox11->itemText(35), QStringLiteral("QOM3205"));
        QCOMPARE(f->ComboBox15->currentIndex(), -1);
        QCOMPARE(f->ComboBox16->count(), 5);
        QCOMPARE(f->ComboBox16->itemText(1), QStringLiteral("490MHZ"));
        QCOMPARE(f->ComboBox4->count(), 0);
        QCOMPARE(f->ComboBox1->count(), 0);
    }

    void applyingRowsReshapesControls()
    {
        TestWindow w(EditionConfig("VORDAL"), false);
        TForm1* f = w.form;
        for (int row = 0; row < 36; ++row) {
            Apply(f, row);
            const int channels = row == 0 ? 4 : (row >= 7 && row <= 13) ? 17 : 8;
            QCOMPARE(f->ComboBox4->count(), channels);
            QCOMPARE(f->ComboBox4->itemText(channels - 1), QString::number(channels));
            const int rates = row >= 31 ? 7 : ((row >= 6 && row <= 13) || row >= 23) ? 6 : 5;
            QCOMPARE(f->ComboBox1->count(), rates);
            QCOMPARE(f->ComboBox2->count(), rates);
            QCOMPARE(f->ComboBox3->count(), 3);
            for (QComboBox* c : {f->ComboBox4, f->ComboBox1, f->ComboBox2, f->ComboBox3, f->ComboBox16})
                QCOMPARE(c->currentIndex(), -1);
            const bool power = row == 10 || row == 17 || row == 20;
            for (QWidget* c : {static_cast<QWidget*>(f->Label33), static_cast<QWidget*>(f->ComboBox14),
                               static_cast<QWidget*>(f->SpeedButton31), static_cast<QWidget*>(f->SpeedButton33)})
                QCOMPARE(c->isEnabled(), power);
            const bool io = row == 7 || row == 8;
            for (QPushButton* b : {f->SpeedButton12, f->SpeedButton13, f->SpeedButton32})
                QCOMPARE(b->isEnabled(), io);
            for (QPushButton* b : {f->SpeedButton2, f->SpeedButton4, f->SpeedButton5})
                QVERIFY(b->isEnabled());
            QVERIFY(f->CheckBox5->isHidden());
            QVERIFY(f->Edit19->isHidden());
        }
        QCOMPARE(f->ComboBox16->count(), 1);
        QCOMPARE(f->ComboBox16->itemText(0), QStringLiteral("2400MHZ"));

        // no row: read buttons and the optional groups go off, list contents stay
        Apply(f, 10);
        f->ComboBox3->setCurrentIndex(1);
        Apply(f, -1);
        for (QPushButton* b : {f->SpeedButton2, f->SpeedButton4, f->SpeedButton5, f->SpeedButton31})
            QVERIFY(!b->isEnabled());
        QCOMPARE(f->ComboBox4->count(), 17);
        QCOMPARE(f->ComboBox3->currentIndex(), -1);
        QVERIFY(f->ChannelPlan[0].isEmpty());
    }

    void channelDisplayFollowsThePlan()
    {
        {
            TestWindow w(EditionConfig(""), false);
            TForm1* f = w.form;
            f->ReportedBaseFrequency = QStringLiteral("433MHZ");
            Apply(f, 7);
            QCOMPARE(f->ComboBox4->count(), 16);
            QCOMPARE(f->ComboBox16->currentText(), QStringLiteral("433MHZ"));
            PickChannel(f, 15);
            QCOMPARE(f->Edit1->text(), QStringLiteral("462.1250MHZ"));
            PickChannel(f, -1);
            QVERIFY(f->Edit1->text().isEmpty());
            // 54X at 433 MHz shows the first eight B433 texts
            Apply(f, 25);
            PickChannel(f, 7);
            QCOMPARE(f->Edit1->text(), QStringLiteral("433.9260MHZ"));
            // row 0: four channels on the 51X plan
            Apply(f, 0);
            PickChannel(f, 3);
            QCOMPARE(f->Edit1->text(), QStringLiteral("433.9164MHZ"));
        }
        {
            TestWindow w(EditionConfig("VORDAL"), false);
            w.form->ReportedBaseFrequency = QStringLiteral("433MHZ");
            Apply(w.form, 12);
            PickChannel(w.form, 16);
            QCOMPARE(w.form->Edit1->text(), QStringLiteral("428.0028MHZ"));
        }
        {
            // more channels than the plan has entries: empty field
            TestWindow w(EditionConfig("PLOVAR"), false);
            w.form->ReportedBaseFrequency = QStringLiteral("915MHZ");
            Apply(w.form, 2);
            QCOMPARE(w.form->ComboBox4->count(), 16);
            PickChannel(w.form, 7);
            QCOMPARE(w.form->Edit1->text(), QStringLiteral("916.6812MHZ"));
            PickChannel(w.form, 8);
            QVERIFY(w.form->Edit1->text().isEmpty());
        }
    }

    void duplexFieldsAndBaseStationBox()
    {
        TestWindow w(EditionConfig("KESTRAVONIX"), false);
        TForm1* f = w.form;
        f->ReportedBaseFrequency = QStringLiteral("433MHZ");
        Apply(f, 6);
        QCOMPARE(f->ComboBox4->count(), 10);
        QVERIFY(!f->CheckBox5->isHidden());
        QVERIFY(!f->Edit19->isHidden());
        PickChannel(f, 1);
        QCOMPARE(f->Edit1->text(), QStringLiteral("402.625MHz"));
        QCOMPARE(f->Edit19->text(), QStringLiteral("431.725MHz"));

        // the box loads its own tables and empties the fields until the channel is clicked
        f->CheckBox5->setChecked(true);
        f->CheckBox5Click();
        QVERIFY(f->Edit1->text().isEmpty());
        QVERIFY(f->Edit19->text().isEmpty());
        QCOMPARE(f->ComboBox4->currentIndex(), 1);
        PickChannel(f, 3);
        QCOMPARE(f->Edit1->text(), QStringLiteral("420.125MHz"));
        QCOMPARE(f->Edit19->text(), QStringLiteral("441.750MHz"));
        // applied again with the box ticked: plan D
        Apply(f, 6);
        PickChannel(f, 3);
        QCOMPARE(f->Edit1->text(), QStringLiteral("441.900MHz"));

        // rows 11-13: 16 channels on plan D, no receive field
        Apply(f, 11);
        QCOMPARE(f->ComboBox4->count(), 16);
        QVERIFY(f->CheckBox5->isHidden());
        PickChannel(f, 10);
        QCOMPARE(f->Edit1->text(), QStringLiteral("420.125MHz"));
        QVERIFY(f->Edit19->isHidden());
        QVERIFY(f->Label54->isHidden());
        QVERIFY(f->Edit19->text().isEmpty());
    }

    void baseFrequencyChangeAsksFirst()
    {
        TestWindow w(EditionConfig(""), false);
        TForm1* f = w.form;
        Apply(f, 1);
        PickChannel(f, 0);
        QVERIFY(f->Edit1->text().isEmpty()); // nothing reported, no plan yet

        f->ComboBox16Enter();
        f->ComboBox16->setCurrentIndex(1); // "915MHZ"
        w.ui.answers << true;
        f->ComboBox16Click();
        QCOMPARE(w.ui.questions, QStringList{QStringLiteral("你确定为此频率吗？")});
        QCOMPARE(f->ComboBox4->currentIndex(), -1);
        PickChannel(f, 0);
        QCOMPARE(f->Edit1->text(), QStringLiteral("912.5340MHZ"));
        QVERIFY(f->ReportedBaseFrequency.isEmpty());

        // declined: back to the saved entry, plan unchanged
        f->ComboBox16Enter();
        f->ComboBox16->setCurrentIndex(2);
        w.ui.answers << false;
        f->ComboBox16Click();
        QCOMPARE(f->ComboBox16->currentIndex(), 1);
        QCOMPARE(f->ChannelPlan[0], QStringLiteral("912.5340MHZ"));

        // the reported base frequency asks nothing
        f->ReportedBaseFrequency = QStringLiteral("868MHZ");
        f->ComboBox16->setCurrentIndex(2);
        f->ComboBox16Click();
        QCOMPARE(w.ui.questions.size(), 2);
        QCOMPARE(f->ChannelPlan[0], QStringLiteral("912.5340MHZ"));
    }

    void reportedModelSelectsRowAndBase()
    {
        TestWindow w(EditionConfig(""), false);
        TForm1* f = w.form;
        IdentifiedBySearch(f);
        f->ReportedBaseFrequency = QStringLiteral("868MHZ");
        f->SetPanel(2, QStringLiteral("X"));
        f->AdoptReportedModel(QStringLiteral("33"));
        QCOMPARE(f->ReportedModelRow, 8);
        QCOMPARE(f->ComboBox15->currentIndex(), 8);
        QCOMPARE(f->ComboBox11->currentIndex(), 8);
        QCOMPARE(f->ComboBox16->currentText(), QStringLiteral("868MHZ"));
        QCOMPARE(f->PanelText(2), QStringLiteral("X(型号、基频读取成功)"));
        QVERIFY(w.ui.questions.isEmpty());
        QCOMPARE(f->ChannelPlan[0], QStringLiteral("868.0500MHZ"));
        QVERIFY(f->SpeedButton12->isEnabled());

        // a code of no row: no selection, read buttons off
        f->AdoptReportedModel(QStringLiteral("99"));
        QCOMPARE(f->ReportedModelRow, -1);
        QCOMPARE(f->ComboBox15->currentIndex(), -1);
        QCOMPARE(f->ComboBox11->currentIndex(), -1);
        QVERIFY(!f->SpeedButton2->isEnabled());
        QVERIFY(!f->SpeedButton12->isEnabled());
    }

    void twoPointFourGigahertzIsNotInAnyList()
    {
        TestWindow w(EditionConfig("", "CEO=EN\r\n"), false);
        TForm1* f = w.form;
        IdentifiedBySearch(f);
        w.ui.clear(); // no port: the serial-number read that follows was refused
        f->ReportedBaseFrequency = QStringLiteral("2.4GHZ");
        f->SetPanel(2, QStringLiteral("X"));
        f->AdoptReportedModel(QStringLiteral("63"));
        QCOMPARE(f->ComboBox15->currentIndex(), 33);
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("The base frequency Not be found!2.4GHZ")});
        QCOMPARE(f->PanelText(2), QStringLiteral("X"));
        QVERIFY(f->ChannelPlan[0].isEmpty());
        // picked by hand and confirmed: the 2.4 GHz plan
        f->ComboBox16->setCurrentIndex(0);
        f->ComboBox16Click();
        QCOMPARE(w.ui.questions, QStringList{QStringLiteral("Do you Confirm changing the frequency?")});
        QCOMPARE(f->ChannelPlan[7], QStringLiteral("2400MHZ"));
        QVERIFY(f->ChannelPlan[8].isEmpty());
    }

    void emptyListsWarnWhenDropped()
    {
        TestWindow w(EditionConfig(""), false);
        TForm1* f = w.form;
        f->ComboBox4->showPopup();
        f->ComboBox4->hidePopup();
        f->ComboBox1->showPopup();
        f->ComboBox1->hidePopup();
        f->ComboBox2->showPopup();
        f->ComboBox2->hidePopup();
        QCOMPARE(w.ui.messages, (QStringList{QStringLiteral("信道频率为空，请先选择型号基频或先检测电台!"),
                                            QStringLiteral("空中速率为空，请先选择型号基频或先检测电台!"),
                                            QStringLiteral("串口速率为空，请先选择型号基频或先检测电台!")}));
        Apply(f, 3);
        f->ComboBox4->showPopup();
        f->ComboBox4->hidePopup();
        QCOMPARE(w.ui.messages.size(), 3);
    }

    void frequencyTextAfterTheOperatorsSerialNumberRead()
    {
        TestWindow w(EditionConfig("VORDAL"), false);
        TForm1* f = w.form;
        // the module was identified as row 7 once
        SerialNumberAnswer(f, "320B030001");
        QCOMPARE(f->ComboBox15->currentIndex(), -1); // no read was asked for
        f->Session->recordCommand(Command::SerialNumberRead);
        SerialNumberAnswer(f, "320B030001");
        QCOMPARE(f->ComboBox15->currentIndex(), 7);
        f->ComboBox16->setCurrentIndex(0);
        f->ComboBox16Click();
        PickChannel(f, 2);
        QCOMPARE(f->Edit1->text(), QStringLiteral("431.7360MHZ"));

        // the operator reads again (no port here, the send is refused) and the same row comes
        f->SpeedButton24Click();
        QCOMPARE(f->SavedSelections.frequency, QStringLiteral("431.7360MHZ"));
        SerialNumberAnswer(f, "320B030001");
        QCOMPARE(f->PanelText(2), QStringLiteral("出厂系列号读取成功!"));
        QCOMPARE(f->Edit1->text(), QStringLiteral("431.7360MHZ"));

        // another row reported: the field is emptied
        f->SpeedButton24Click();
        SerialNumberAnswer(f, "350B030001");
        QCOMPARE(f->ComboBox15->currentIndex(), 10);
        QVERIFY(f->Edit1->text().isEmpty());
    }
};

QTEST_MAIN(CatalogueUi)
#include "tst_catalogue_ui.moc"
