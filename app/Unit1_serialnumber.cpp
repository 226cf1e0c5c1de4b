// Factory serial number and parameter lock. Reading the serial number is also how the
// exact model row of a module is learnt; writing it (factory edition) advances the sequence
// number after every confirmed write so a production run is numbered module by module.
// Every number written is a claim (Config.ini [SN], or the production database when Config.ini
// names one): marked sent before its write goes out, given back only when the write never
// left, confirmed by the module's answer (and then recorded in the database).
#include "Unit1.h"

#include "UiServices.h"
#include "core/config/SerialNumberStore.h"
#include "core/config/ToolConfig.h"
#include "core/production/ProductionStore.h"
#include "core/production/SerialNumberPool.h"
#include "texts/app_texts.h"
#include "core/model/Catalogue.h"
#include "texts/basic_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QSysInfo>

#include <memory>

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

bool SameNumber(const SerialClaim& claim, const SerialNumber& n)
{
    return claim.isValid() && claim.series == SerialSeries{n.modelCode, n.year, n.month} && claim.sequence == n.sequence;
}

// Where the numbers come from, opened for each use: Config.ini may name another database by
// then, and a database lost meanwhile is connected again.
struct NumberPool {
    std::unique_ptr<ProductionStore> store; // with a database, even when it did not open
    std::unique_ptr<SerialNumberPool> pool;
    ClaimOwner owner;
    bool database() const { return store != nullptr; }
};

bool OpenPool(NumberPool* p, StoreError* error)
{
    const ToolConfig::Production production = ToolConfig::ReadProduction(GlobleVar::ConfigPath());
    p->owner = ClaimOwner{StationName(production), QStringLiteral("COM%1").arg(GlobleVar::PortSettings.portNumber)};
    if (production.database.isEmpty()) {
        p->pool = SerialNumberPools::OfConfig(GlobleVar::ConfigPath());
        return true;
    }
    DatabaseLocation where;
    QString why;
    if (DatabaseLocation::Parse(production.database, &where, &why)) {
        p->store = std::make_unique<ProductionStore>(where, SpillPath());
        p->store->setStation(p->owner.station);
        if (p->store->open(&why)) {
            p->pool = SerialNumberPools::OfStore(p->store.get());
            return true;
        }
    }
    // Unreachable, or refusing (no rights, no tables, another schema): told apart
    *error = p->store && p->store->lastError().isSet() ? StoreError{p->store->lastError().kind, why}
                                                       : StoreError{StoreError::Kind::Unreachable, why};
    return false;
}

// A held claim let go for another number: an allocated one goes back; a sent one never does
// (the module may carry it), it stays marked unconfirmed.
bool LetGo(SerialNumberPool* pool, SerialClaim* claim, StoreError* error)
{
    return claim->state == ClaimState::Allocated ? pool->giveBack(claim, error)
                                                 : pool->advance(claim, ClaimState::Unconfirmed, error);
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
    SerialClaim claim;
    if (!CollectSerialNumber(&number, &claim))
        return;
    const SerialClaim before = claim;
    if (!MarkSerialNumberSent(&claim))
        return;
    const LinkStatus status = Session->writeSerialNumber(claim.number());
    if (status != LinkStatus::Ok)
        SerialNumberNotSent(before, claim);
    ReportSerialNumberWrite(status);
}

void TForm1::ReportSerialNumberWrite(LinkStatus status, RefusalBoxes boxes)
{
    Report(status, SnWriting, SnWriteFail, WriteFailBox, boxes);
}

bool TForm1::CollectSerialNumber(SerialNumber* out, SerialClaim* claim)
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
    // This write, or the chain that follows, would end a running set-all chain anyway; ended
    // first, a number it holds and has not sent goes back before this one is claimed.
    if (JobRunning() && RunningJob == JobPurpose::SetAll)
        CancelJob();
    return ClaimSerialNumber(&number, claim);
}

namespace {

void ShowPoolFailure(TForm1* w, const NumberPool& p, const StoreError& e)
{
    w->SetPanel(2, Tr(SnWriteFail));
    const TMsg& why = !p.database()                               ? SnNotRecorded
                      : e.kind == StoreError::Kind::Unreachable ? ProductionUnreachable
                                                                  : ProductionRefused;
    ShowWarning(Tr(why) + e.text, w);
}

} // namespace

bool TForm1::ClaimSerialNumber(SerialNumber* number, SerialClaim* claim)
{
    NumberPool p;
    StoreError e;
    if (!OpenPool(&p, &e)) {
        ShowPoolFailure(this, p, e);
        return false;
    }
    if (SnClaim.isValid()) {
        // The module may carry the number already: written again under the same claim.
        if (SameNumber(SnClaim, *number)) {
            *claim = SnClaim;
            return true;
        }
        if (!LetGo(p.pool.get(), &SnClaim, &e)) {
            ShowPoolFailure(this, p, e);
            return false;
        }
        SnClaim = SerialClaim{};
    }
    const SerialSeries series{number->modelCode, number->year, number->month};
    if (p.pool->takeNumber(series, number->sequence, p.owner, false, claim, &e))
        return true;
    if (e.kind != StoreError::Kind::Taken) {
        ShowPoolFailure(this, p, e);
        return false;
    }
    if (!p.pool->isDatabase()) {
        // rfmodctl may hand out numbers from the same Config.ini: one handed out already is
        // written again only on purpose.
        const int last = p.pool->lastHandedOut(series);
        if (!AskYesNo(Tr(SnAlreadyHandedOut).arg(Pad5(number->sequence), Pad5(last)), this, true)) {
            if (last < kMaxSequence)
                Edit2->setText(Pad5(last + 1));
            FocusControl(Edit2);
            return false;
        }
        if (!p.pool->takeNumber(series, number->sequence, p.owner, true, claim, &e)) {
            ShowPoolFailure(this, p, e);
            return false;
        }
        return true;
    }
    // Another station holds the typed number: the next free one, and only when the operator
    // agrees to it.
    *claim = SerialClaim{}; // an id given would be taken for a claim made before
    if (!p.pool->take(series, number->sequence, p.owner, claim, &e)) {
        ShowPoolFailure(this, p, e);
        return false;
    }
    if (!AskYesNo(Tr(SnTakenWriteNext).arg(Pad5(number->sequence), Pad5(claim->sequence)), this, true)) {
        if (!p.pool->giveBack(claim, &e))
            ShowPoolFailure(this, p, e);
        FocusControl(Edit2);
        return false;
    }
    number->sequence = claim->sequence;
    Edit2->setText(Pad5(claim->sequence));
    return true;
}

bool TForm1::MarkSerialNumberSent(SerialClaim* claim)
{
    NumberPool p;
    StoreError e;
    if (!OpenPool(&p, &e) || !p.pool->advance(claim, ClaimState::Sent, &e)) {
        StoreError ignored;
        const bool back = claim->state != ClaimState::Allocated || (p.pool && p.pool->giveBack(claim, &ignored));
        // not back (the database is gone): held, given back or written with the same number later
        if (!back && (!SnClaim.isValid() || SnClaim.id == claim->id))
            SnClaim = *claim;
        ShowPoolFailure(this, p, e);
        return false;
    }
    if (SnClaim.isValid() && SnClaim.id != claim->id) {
        StoreError ignored;
        LetGo(p.pool.get(), &SnClaim, &ignored);
    }
    SnClaim = *claim;
    return true;
}

void TForm1::SerialNumberNotSent(const SerialClaim& before, const SerialClaim& marked)
{
    if (before.state != ClaimState::Allocated)
        return; // written before: the module may carry it
    if (SnClaim.isValid() && SnClaim.id == marked.id)
        SnClaim = SerialClaim{};
    NumberPool p;
    StoreError e;
    // Its frame never left the PC: the number goes back, conditional on this claim.
    SerialClaim back = marked;
    if (OpenPool(&p, &e) && p.pool->withdraw(&back, &e))
        return;
    // Not back in the pool (the database is gone): held, so the same number is written with
    // it again, without a question.
    if (!SnClaim.isValid())
        SnClaim = marked;
}

void TForm1::StartSetUpChain(QList<JobStep> steps, const SerialClaim& claim)
{
    struct Held {
        SerialClaim before;
        SerialClaim claim;
        QPointer<ModuleJob> job;
    };
    auto held = std::make_shared<Held>(Held{claim, claim, nullptr});
    for (JobStep& s : steps) {
        if (s.command != Command::SerialNumberWrite)
            continue;
        // Marked sent when the write is due; when that cannot be recorded the chain stops here.
        s.when = [this, held, when = s.when] {
            if (when && !when())
                return false;
            if (MarkSerialNumberSent(&held->claim))
                return true;
            if (held->job)
                held->job->cancel();
            return false;
        };
    }
    StartJob(JobPurpose::SetAll, steps);
    held->job = Job;
    // The job's own context: CancelJob() disconnects the window, but a cancelled chain still
    // gives its number back.
    connect(Job, &ModuleJob::finished, Job, [this, held](const JobResult& r) {
        const bool refused = r.command == Command::SerialNumberWrite && r.sendStatus != LinkStatus::Ok;
        if (held->claim.state == ClaimState::Allocated || refused)
            SerialNumberNotSent(held->before, held->claim);
    });
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
    // The answer confirms the write last sent: its claim, or (none) the number in the field.
    SerialClaim claim;
    if (SnClaim.state == ClaimState::Sent)
        claim = std::exchange(SnClaim, SerialClaim{});
    const int value = claim.isValid() ? claim.sequence : DigitsValue(Edit2->text());
    QString error;
    if (!SerialNumberStore(GlobleVar::ConfigPath())
             .keepChoice({ComboBox11->currentIndex(), ComboBox12->currentText(), ComboBox13->currentText()}, value,
                         &error))
        ShowWarning(Tr(AppTexts::ConfigNotSaved) + error, this);
    const ToolConfig::Production production = ToolConfig::ReadProduction(GlobleVar::ConfigPath());
    if (production.database.isEmpty() && claim.isValid()) {
        SerialClaim confirmed = claim;
        StoreError e;
        if (!SerialNumberPools::OfConfig(GlobleVar::ConfigPath())->advance(&confirmed, ClaimState::Confirmed, &e))
            ShowWarning(Tr(AppTexts::ConfigNotSaved) + e.text, this);
    }
    if (!production.database.isEmpty() && value >= 0) {
        // The record confirms the claim in the same transaction, or (spilled) at the next connection.
        ModuleRecord r;
        r.id = ProductionStore::NewId();
        r.claimId = claim.id;
        r.claimState = ClaimState::Confirmed;
        r.time = QDateTime::currentDateTimeUtc();
        r.station = StationName(production);
        r.port = QStringLiteral("COM%1").arg(GlobleVar::PortSettings.portNumber);
        r.number = claim.isValid() ? claim.number()
                                   : SerialNumber{Catalogue::RowToModelCode(ComboBox11->currentIndex()),
                                                  SerialNumberYearOf(ComboBox12->currentText()),
                                                  SerialNumberMonthOf(ComboBox13->currentText()), value};
        r.ok = true;
        r.detail = QStringLiteral(""); // the column takes no NULL, which a null text would bind as
        DatabaseLocation where;
        QString why;
        // a record the database cannot take now waits in the spill file
        bool kept = DatabaseLocation::Parse(production.database, &where, &why);
        if (kept) {
            ProductionStore store(where, SpillPath());
            store.setStation(r.station);
            kept = store.record(r, &why);
        }
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
