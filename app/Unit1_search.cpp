// Radio search on the window: the start and stop buttons, the port dialog and status bar
// following each step, and the identify answer's family, version and band.
#include "Unit1.h"

#include "Portset.h"
#include "UiServices.h"
#include "core/model/Catalogue.h"
#include "texts/catalogue_texts.h"
#include "texts/commands_texts.h"
#include "texts/search_texts.h"

#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

using namespace SearchTexts;

int TForm1::SearchStartIndex() const
{
    // The dialog's choice; a list without a selection starts at its first row.
    return frmPortSet ? RadioSearch::IndexOf(frmPortSet->ChosenSerial()) : 1;
}

void TForm1::StartJob(JobPurpose purpose, QList<JobStep> steps)
{
    CancelJob();
    // Each command of a job waits at most the line's deadline; Stop and the page end it sooner.
    Job = new ModuleJob(*Session, std::move(steps), this);
    Job->search().setStepInterval(SearchStepMs);
    RunningJob = purpose;
    // The steps' texts go to the status bar at once; boxes come from the event loop.
    connect(Job, &ModuleJob::searchStepped, this, &TForm1::ShowSearchStep);
    // The set-up chain's search-first write-all begins as the button's own does.
    if (purpose == JobPurpose::SetAll)
        connect(Job, &ModuleJob::searchStarting, this, [this] { SetPanel(2, Tr(CommandTexts::WriteAllSearching)); });
    connect(Job, &ModuleJob::commandSent, this,
            [this, purpose](Command c, LinkStatus st) { ShowJobCommand(purpose, c, st); }, Qt::QueuedConnection);
    connect(Job, &ModuleJob::finished, this,
            [this, purpose](const JobResult& r) { ShowJobFinished(purpose, r); }, Qt::QueuedConnection);
    connect(Job, &ModuleJob::waiting, this, &TForm1::ShowJobWaiting);
    Job->start();
}

void TForm1::ShowJobWaiting(Command command, int ms)
{
    using namespace CommandTexts;
    const QString seconds = QString::number(ms / 1000.0, 'f', 1);
    if (command == Command::None)
        WaitPanel->setText(ms > 0 ? Tr(WaitingPause).arg(seconds) : QString());
    else
        WaitPanel->setText(Tr(WaitingAnswer).arg(Tr(JobStepName(command)), seconds));
}

const TMsg& TForm1::JobStepName(Command command)
{
    using namespace CommandTexts;
    switch (command) {
    case Command::ProtocolWrite:
        return StepProtocol;
    case Command::SerialNumberWrite:
        return StepSerialNumber;
    case Command::SerialNumberRead:
        return StepSerialNumberRead;
    case Command::WriteAll:
        return StepWriteAll;
    case Command::ReadAll:
        return StepReadAll;
    case Command::TestStart:
        return StepTestStart;
    default:
        return StepSearch;
    }
}

void TForm1::CancelJob()
{
    if (!Job)
        return;
    ModuleJob* job = std::exchange(Job, nullptr);
    job->disconnect(this);
    job->cancel();
    job->deleteLater();
}

void TForm1::BeginSearch(JobPurpose purpose, QList<JobStep> then)
{
    SearchFailureShown = false;
    QList<JobStep> steps{JobStep::SearchFrom(SearchStartIndex())};
    if (!then.isEmpty())
        steps = Jobs::SearchThen(SearchStartIndex(), then);
    StartJob(purpose, steps);
}

void TForm1::QueueBox(const QString& kind, std::function<void()> show)
{
    if (PendingBoxes.contains(kind))
        return;
    PendingBoxes.insert(kind);
    QTimer::singleShot(0, this, [this, kind, show] {
        show();
        PendingBoxes.remove(kind);
    });
}

void TForm1::ShowSearchStep(int, const SerialSettings& settings, LinkStatus configured, LinkStatus sent)
{
    if (frmPortSet) {
        frmPortSet->ShowSerial(settings);
        // The port-lost notice stays until the port is open again.
        if (!PortLostShown)
            SetPanel(1, frmPortSet->ComboBox1->currentText() + QLatin1Char(',') + frmPortSet->ComboBox2->currentText()
                            + QLatin1Char(',') + frmPortSet->ComboBox3->currentText() + QStringLiteral(",8,1,1"));
    }
    if (configured != LinkStatus::Ok || sent != LinkStatus::Ok)
        SearchFailureShown = true;
    if (configured != LinkStatus::Ok) {
        QueueBox(QStringLiteral("search"), [configured] { TCommFun::ShowConfigureFailure(configured); });
        SetPanel(2, Tr(SearchError));
    } else if (sent != LinkStatus::Ok) {
        QueueBox(QStringLiteral("search"), [sent] { TCommFun::ShowSendFailure(sent); });
        SetPanel(2, Tr(SearchError));
    }
}

void TForm1::ShowJobFinished(JobPurpose purpose, const JobResult& r)
{
    // An answer that stops the set-up chain is told: where it stopped, and why.
    // A search-first read-all or write-all that stopped the same way says so too.
    const TransactionOutcome t = r.transaction;
    if (purpose != JobPurpose::Search && r.outcome == JobOutcome::Failed
        && (t == TransactionOutcome::Mismatch || t == TransactionOutcome::ChecksumError || t == TransactionOutcome::TimedOut)) {
        using namespace CommandTexts;
        const TMsg& why = t == TransactionOutcome::Mismatch        ? StoppedMismatch
                          : t == TransactionOutcome::ChecksumError ? StoppedChecksum
                                                                   : StoppedNoAnswer;
        const QString text = Tr(purpose == JobPurpose::SetAll ? SetAllStopped : JobStopped).arg(Tr(JobStepName(r.command)), Tr(why));
        SetPanel(2, text);
        QueueBox(QStringLiteral("setall"), [this, text] { ShowWarning(text, this); });
        return;
    }
    if (r.outcome == JobOutcome::NotFound) {
        SetPanel(2, Tr(SearchFailed));
        QueueBox(QStringLiteral("search"), [this] { Warn(SearchFailedBox); });
        return;
    }
    // A port gone mid-search ends it as a step that finds the port gone would.
    if (r.outcome == JobOutcome::Cancelled && r.transaction == TransactionOutcome::PortLost
        && r.command == Command::Search && !SearchFailureShown) {
        SetPanel(2, Tr(SearchError));
        QueueBox(QStringLiteral("search"), [] { TCommFun::ShowConfigureFailure(LinkStatus::BadPort); });
    }
    // Refused sends were told as they happened; answers show their own texts.
}

void TForm1::SpeedButton20Click()
{
    Session->setWorkState(WorkState::Command);
    SetPanel(2, Tr(Searching));
    OperationLabel.clear();
    ReportedBaseFrequency.clear();
    BeginSearch();
    if (SearchRunning())
        ShowPage(0);
}

void TForm1::SpeedButton30Click()
{
    CancelJob();
    SetPanel(2, Tr(SearchStopped));
}

void TForm1::DecodeIdentify(const Identity& identity)
{
    IdentifyAfterSearch = true;
    for (QPushButton* b : {SpeedButton2, SpeedButton4, SpeedButton5})
        b->setEnabled(true);
    SetPanel(2, Tr(FoundRadio));
    // The serial-number read that follows tells the model; the one reported before is gone.
    ReportedModelRow = -1;

    ReportedFamily = Catalogue::FamilyLabel(identity.familyCode, GlobleVar::PrefixStyle());
    const QString& version = identity.firmware;
    if (GlobleVar::PrefixStyle() == 1 && version.size() == 2)
        SetPanel(3, ReportedFamily + QStringLiteral(" V") + version.at(0) + QLatin1Char('.') + version.at(1));
    ReportedBaseFrequency = Catalogue::BaseFrequencyText(identity.band);
    if (identity.band >= 1 && identity.band <= 5)
        AppendPanel(2, Tr(CatalogueTexts::ModelReadOk));
}
