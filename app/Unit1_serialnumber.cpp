// Factory serial number and parameter lock. Reading the serial number is also how the
// exact model row of a module is learnt; writing it (factory edition) advances the sequence
// number after every confirmed write so a production run is numbered module by module.
#include "Unit1.h"

#include "UiServices.h"
#include "core/config/SerialNumberStore.h"
#include "texts/app_texts.h"
#include "core/model/Catalogue.h"
#include "texts/basic_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

using namespace BasicTexts;

namespace {

constexpr int kMaxSequence = SerialNumberStore::kMaxSequence;

QString Pad5(int value)
{
    return QStringLiteral("%1").arg(value, 5, 10, QLatin1Char('0'));
}

QString Pad2(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

bool AllDigits(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// Decimal value of a digits-only text, -1 otherwise.
int DigitsValue(const QString& text)
{
    if (!AllDigits(text) || text.size() > 9)
        return -1;
    return text.toInt();
}

void Empty(QComboBox* c)
{
    c->setCurrentIndex(-1);
    c->setEditText(QString());
}

} // namespace

void TForm1::SpeedButton24Click()
{
    if (RefuseDuringPairTest())
        return;
    ComboBox11->setCurrentIndex(-1);
    Empty(ComboBox12);
    Empty(ComboBox13);
    Edit2->clear();

    PreviousModelRow = ReportedModelRow;
    ReportedModelRow = -1;
    SaveSelections();
    IdentifyAfterSearch = false;
    Report(Session->readSerialNumber(), SnReading, SnReadFail, ReadFailBox);
}

void TForm1::SpeedButton25Click()
{
    if (RefuseDuringPairTest())
        return;
    SerialNumber number;
    if (CollectSerialNumber(&number))
        ReportSerialNumberWrite(Session->writeSerialNumber(number));
}

void TForm1::ReportSerialNumberWrite(LinkStatus status)
{
    Report(status, SnWriting, SnWriteFail, WriteFailBox);
}

bool TForm1::CollectSerialNumber(SerialNumber* out)
{
    const QString year = ComboBox12->currentText();
    const QString month = ComboBox13->currentText();
    const QString sequence = Edit2->text();
    if (year.isEmpty()) {
        Warn(SnYearNull);
        FocusControl(ComboBox12);
        return false;
    }
    if (month.isEmpty()) {
        Warn(SnMonthNull);
        FocusControl(ComboBox13);
        return false;
    }
    if (sequence.isEmpty()) {
        Warn(SnNull);
        FocusControl(Edit2);
        return false;
    }
    const int sequenceValue = DigitsValue(sequence);
    if (sequenceValue < 0) {
        ShowError(Tr(SnSequenceInvalid) + sequence, this);
        FocusControl(Edit2);
        return false;
    }
    if (sequenceValue > kMaxSequence) {
        Warn(SnOutOfRange);
        FocusControl(Edit2);
        return false;
    }
    // The write counts as the command in flight from here, even when the model check stops it.
    Session->recordCommand(Command::SerialNumberWrite);
    const QString model = Catalogue::RowToModelCode(ComboBox11->currentIndex());
    if (model.isEmpty()) {
        Warn(SnModelNull);
        return false;
    }
    const int yearValue = SerialNumberYearOf(year);
    if (yearValue < 0) {
        ShowError(Tr(SnYearInvalid) + year, this);
        FocusControl(ComboBox12);
        return false;
    }
    const int monthValue = SerialNumberMonthOf(month);
    if (monthValue < 0) {
        ShowError(Tr(SnMonthInvalid) + month, this);
        FocusControl(ComboBox13);
        return false;
    }
    SerialNumber& number = *out;
    number.modelCode = model;
    number.year = yearValue;
    number.month = monthValue;
    number.sequence = sequenceValue;
    return ClaimSerialNumber(sequenceValue);
}

bool TForm1::ClaimSerialNumber(int sequence)
{
    // rfmodctl may hand out numbers from the same Config.ini: a number is recorded as handed
    // out before a module gets it, and one handed out already is written again only on purpose.
    SerialNumberStore store(GlobleVar::ConfigPath());
    QString error;
    int last = -1;
    SerialNumberStore::Claim claim = store.claim(sequence, false, &last, &error);
    if (claim == SerialNumberStore::Claim::AlreadyHandedOut) {
        if (!AskYesNo(Tr(SnAlreadyHandedOut).arg(Pad5(sequence), Pad5(last)), this, true)) {
            if (last < kMaxSequence)
                Edit2->setText(Pad5(last + 1));
            FocusControl(Edit2);
            return false;
        }
        claim = store.claim(sequence, true, &last, &error);
    }
    if (claim == SerialNumberStore::Claim::Failed) {
        SetPanel(2, Tr(SnWriteFail));
        ShowWarning(Tr(SnNotRecorded) + error, this);
        return false;
    }
    return true;
}

void TForm1::Edit2Exit()
{
    const QString t = Edit2->text();
    if (t.size() < 5)
        Edit2->setText(QString(5 - t.size(), QLatin1Char('0')) + t);
}

void TForm1::SpinButton1UpClick()
{
    const int value = DigitsValue(Edit2->text());
    if (value < 0)
        return;
    Edit2->setText(Pad5(value <= kMaxSequence - 1 ? value + 1 : value));
}

void TForm1::SpinButton1DownClick()
{
    const int value = DigitsValue(Edit2->text());
    if (value < 0)
        return;
    Edit2->setText(Pad5(value > 0 ? value - 1 : 0));
}

void TForm1::CheckBox4Click()
{
    const bool unlocked = !CheckBox4->isChecked();
    for (QComboBox* c : {ComboBox11, ComboBox12, ComboBox13, ComboBox4, ComboBox1, ComboBox2, ComboBox3, ComboBox5})
        c->setEnabled(unlocked);
}

void TForm1::DecodeSerialNumberSet()
{
    // The choice is kept for the next start; the number was recorded before it went out.
    const int value = DigitsValue(Edit2->text());
    QString error;
    if (!SerialNumberStore(GlobleVar::ConfigPath())
             .keepChoice({ComboBox11->currentIndex(), ComboBox12->currentText(), ComboBox13->currentText()}, value,
                         &error))
        ShowWarning(Tr(AppTexts::ConfigNotSaved) + error, this);
    // The next module gets the next number; the write refuses it once it passes 65534.
    if (value >= 0)
        Edit2->setText(Pad5(value + 1));
}

void TForm1::DecodeSerialNumberRead(const SerialNumber& n, bool)
{
    AdoptReportedModel(n.modelCode);
    if (n.year >= 0)
        ComboBox12->setEditText(QStringLiteral("20") + Pad2(n.year - 2000));
    if (n.month >= 0)
        ComboBox13->setEditText(Pad2(n.month));
    if (n.sequence >= 0)
        Edit2->setText(Pad5(n.sequence));
}

bool TForm1::Edit2KeyPress(QChar key)
{
    const bool digit = key >= QLatin1Char('0') && key <= QLatin1Char('9');
    return !(digit || key == QChar(8));
}

bool TForm1::Edit2KeyDown(int key)
{
    if (key == Qt::Key_Up) {
        SpinButton1UpClick();
        return true;
    }
    if (key == Qt::Key_Down) {
        SpinButton1DownClick();
        return true;
    }
    return false;
}
