// Model rows, base frequencies and channel plans on the window: choosing a row reshapes the
// parameter controls, the base frequency picks the channel plan, and a module's own report
// (identify and serial-number answers) selects row and base frequency.
#include "Unit1.h"

#include "UiServices.h"
#include "core/model/Catalogue.h"
#include "core/model/ChannelPlans.h"
#include "texts/catalogue_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace CatalogueTexts;

namespace {

// Refills a list; it ends without a selection, as an operator's list does after a refill.
void Refill(QComboBox* c, const QStringList& items)
{
    c->clear();
    c->addItems(items);
    c->setCurrentIndex(-1);
}

QStringList Numbers(int n)
{
    QStringList out;
    for (int i = 1; i <= n; ++i)
        out << QString::number(i);
    return out;
}

} // namespace

void TForm1::FillModelLists()
{
    QStringList rows;
    for (int r = 0; r < Catalogue::kRowCount; ++r)
        rows << Catalogue::RowText(r, GlobleVar::PrefixStyle());
    Refill(ComboBox11, rows);
    Refill(ComboBox15, rows);
    Refill(ComboBox16, Catalogue::InitialBaseFrequencies());
}

void TForm1::ApplyModelRow()
{
    Label54->hide();
    Label55->hide();
    Edit19->hide();
    CheckBox5->hide();

    const int row = ComboBox15->currentIndex();
    const Catalogue::ModelRow* model = Catalogue::Row(row);
    for (QPushButton* b : {SpeedButton2, SpeedButton4, SpeedButton5})
        b->setEnabled(model != nullptr);

    const QString& edition = GlobleVar::EditionKeyword();
    if (model) {
        Refill(ComboBox16, Catalogue::BaseFrequencies(row));
        Refill(ComboBox4, Numbers(Catalogue::ChannelCount(row, edition)));
        Edit1->clear();
        Edit19->clear();
        Refill(ComboBox1, Catalogue::RateItems(row));
        Refill(ComboBox2, Catalogue::RateItems(row));
        ComboBox3->setCurrentIndex(-1);
        if (GlobleVar::IsShortFrameEdition() && model->txRxFields) {
            Label54->show();
            Label55->show();
            Edit19->show();
            if (model->baseStation)
                CheckBox5->show();
        }
    }

    if (!ReportedBaseFrequency.isEmpty())
        SelectBaseFrequency(ReportedBaseFrequency);
    BuildChannelPlan(ComboBox15->currentText(), ReportedBaseFrequency);

    const bool power = model && model->power;
    for (QWidget* w : {static_cast<QWidget*>(Label33), static_cast<QWidget*>(ComboBox14),
                       static_cast<QWidget*>(SpeedButton31), static_cast<QWidget*>(SpeedButton33)})
        w->setEnabled(power);
    const bool io = model && model->io;
    for (QPushButton* b : {SpeedButton12, SpeedButton13, SpeedButton32})
        b->setEnabled(io);

    // A write-all that searched first, and a serial-number read that found the same row,
    // keep the frequency text the operator saw before.
    if (!IdentifyAfterSearch)
        Edit1->setText(SavedSelections.frequency);
    if (OperationLabel == QLatin1String("Write")) {
        Edit1->setText(SavedSelections.frequency);
    } else if (ReportedModelRow != PreviousModelRow) {
        Edit1->clear();
        Edit19->clear();
    }

    for (QComboBox* c : {ComboBox4, ComboBox1, ComboBox2, ComboBox3})
        c->setCurrentIndex(-1);
}

void TForm1::ChangeBaseFrequency()
{
    if (ComboBox16->currentText() == ReportedBaseFrequency)
        return;
    if (AskYesNo(Tr(ConfirmBaseChange), this)) {
        ComboBox4->setCurrentIndex(-1);
        Edit1->clear();
        Edit19->clear();
        BuildChannelPlan(ComboBox15->currentText(), ComboBox16->currentText());
    } else {
        ComboBox16->setCurrentIndex(SavedBaseIndex >= 0 && SavedBaseIndex < ComboBox16->count() ? SavedBaseIndex : -1);
    }
}

void TForm1::AdoptReportedModel(const QString& modelCode)
{
    ReportedModelRow = Catalogue::ModelCodeToRow(modelCode);
    ComboBox11->setCurrentIndex(ReportedModelRow);
    ComboBox15->setCurrentIndex(ReportedModelRow);
    ApplyModelRow();
    if (!IdentifyAfterSearch)
        return;
    const int index = BaseFrequencyIndex(ReportedBaseFrequency);
    if (index < 0) {
        ShowWarning(Tr(BaseNotFound) + ReportedBaseFrequency, this);
        return;
    }
    ComboBox16->setCurrentIndex(index);
    ChangeBaseFrequency();
    AppendPanel(2, Tr(ModelBaseReadOk));
}

int TForm1::BaseFrequencyIndex(const QString& text) const
{
    for (int i = 0; i < ComboBox16->count(); ++i)
        if (ComboBox16->itemText(i) == text)
            return i;
    return -1;
}

void TForm1::SelectBaseFrequency(const QString& text)
{
    ComboBox16->setCurrentIndex(BaseFrequencyIndex(text));
}

void TForm1::BuildChannelPlan(const QString& rowText, const QString& baseText)
{
    const ChannelPlans::Plan plan = ChannelPlans::Build(rowText, baseText, GlobleVar::EditionKeyword(),
                                                        ComboBox15->currentIndex(), CheckBox5->isChecked());
    for (int i = 0; i < ChannelPlans::kSlots; ++i)
        ChannelPlan[i] = plan[i];
}

void TForm1::ComboBox15Click()
{
    ApplyModelRow();
}

void TForm1::ComboBox16Click()
{
    ChangeBaseFrequency();
}

void TForm1::ComboBox16Enter()
{
    SavedBaseIndex = ComboBox16->currentIndex();
}

void TForm1::ComboBox4Click()
{
    const int r = ComboBox4->currentIndex();
    if (r < 0) {
        Edit1->clear();
        Edit19->clear();
        return;
    }
    // Channels past the plan's 20 slots have no known frequency.
    auto slot = [this](int k) { return k >= 0 && k < ChannelPlans::kSlots ? ChannelPlan[k] : QString(); };
    Edit1->setText(slot(r));
    const int row = ComboBox15->currentIndex();
    if (GlobleVar::IsShortFrameEdition() && row >= 6 && row <= 10) {
        Label54->show();
        Label55->show();
        Edit19->show();
        Edit19->setText(slot(r + 10));
    } else {
        Edit19->clear();
        Label54->hide();
        Label55->hide();
        Edit19->hide();
    }
}

void TForm1::ComboBox4DropDown()
{
    if (ComboBox4->count() == 0)
        Warn(ChannelListEmpty);
}

void TForm1::ComboBox1DropDown()
{
    if (ComboBox1->count() == 0)
        Warn(AirRateListEmpty);
}

void TForm1::ComboBox2DropDown()
{
    if (ComboBox2->count() == 0)
        Warn(SerialRateListEmpty);
}

void TForm1::CheckBox5Click()
{
    Edit1->clear();
    Edit19->clear();
    const ChannelPlans::Plan plan = ChannelPlans::BaseStationToggle(CheckBox5->isChecked());
    for (int i = 0; i < ChannelPlans::kSlots; ++i)
        ChannelPlan[i] = plan[i];
}
