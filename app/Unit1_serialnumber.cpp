// Factory serial number and parameter lock. Reading the serial number is also how the
// exact model row of a module is learnt; writing it (factory edition) advances the sequence
// number after every confirmed write so a production run is numbered module by module.
// With a production database ([Production] Database= in Config.ini) the number comes from the
// database at each write and every confirmed write is recorded there.
#include "Unit1.h"

#include "UiServices.h"
#include "core/config/SerialNumberStore.h"
#include "core/config/ToolConfig.h"
#include "core/production/ProductionStore.h"
#include "texts/app_texts.h"
#include "core/model/Catalogue.h"
#include "texts/basic_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QSysInfo>

using namespace BasicTexts;

namespace {

// The records name this computer when Config.ini names no station.
QString StationName(const ToolConfig::Production& p)
{
    return p.station.isEmpty() ? QSysInfo::machineHostName() : p.station;
}

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

// Records wait here, beside Config.ini, while the database cannot take them.
QString SpillPath()
{
    return QFileInfo(GlobleVar::ConfigPath()).dir().filePath(QStringLiteral("production-spill.jsonl"));
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
    return ClaimSerialNumber(&number);
}

bool TForm1::ClaimSerialNumber(SerialNumber* number)
{
    const ToolConfig::Production production = ToolConfig::ReadProduction(GlobleVar::ConfigPath());
    if (!production.database.isEmpty()) {
        // Other stations take numbers from the same series: the field's number only starts a
        // series the database does not know yet.
        DatabaseLocation where;
        QString error;
        int taken = -1;
        if (DatabaseLocation::Parse(production.database, &where, &error)) {
            ProductionStore store(where, SpillPath());
            taken = store.allocate(SerialSeries{number->modelCode, number->year, number->month}, number->sequence,
                                   StationName(production), &error);
        }
        if (taken < 0) {
            SetPanel(2, Tr(SnWriteFail));
            ShowWarning(Tr(ProductionUnreachable) + error, this);
            return false;
        }
        number->sequence = taken;
        Edit2->setText(Pad5(taken));
        return true;
    }
    const int sequence = number->sequence;
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
    const ToolConfig::Production production = ToolConfig::ReadProduction(GlobleVar::ConfigPath());
    if (!production.database.isEmpty() && value >= 0) {
        ModuleRecord r;
        r.time = QDateTime::currentDateTimeUtc();
        r.station = StationName(production);
        r.port = QStringLiteral("COM%1").arg(GlobleVar::PortSettings.portNumber);
        r.number = SerialNumber{Catalogue::RowToModelCode(ComboBox11->currentIndex()),
                                SerialNumberYearOf(ComboBox12->currentText()),
                                SerialNumberMonthOf(ComboBox13->currentText()), value};
        r.ok = true;
        r.detail = QStringLiteral(""); // the column takes no NULL, which a null text would bind as
        DatabaseLocation where;
        QString why;
        // a record the database cannot take now waits in the spill file
        bool kept = DatabaseLocation::Parse(production.database, &where, &why);
        if (kept)
            kept = ProductionStore(where, SpillPath()).record(r, &why);
        if (!kept)
            ShowWarning(Tr(ProductionNotRecorded) + why, this);
    }
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
