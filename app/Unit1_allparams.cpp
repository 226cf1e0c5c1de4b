// Read all and write all, optionally after a search (a job: search, the continuation wait,
// the command), and the set-all chain, a job whose values are all taken when it starts.
#include "Unit1.h"

#include "texts/commands_texts.h"

#include "core/protocol/Requests.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>

using namespace CommandTexts;

namespace {

// The pair-test guard of the four starters; otherwise command mode.
bool StartRefused(TForm1& w)
{
    if (w.RefuseDuringPairTest())
        return true;
    w.Session->setWorkState(WorkState::Command);
    return false;
}

} // namespace

bool TForm1::CollectWriteAll(Jobs::WriteAllValues* values, const TMsg& channel, const TMsg& airRate, const TMsg& baud,
                             const TMsg& parity, bool queued)
{
    struct ListCheck {
        QComboBox* list;
        const TMsg* empty;
    };
    const ListCheck checks[] = {{ComboBox4, &channel}, {ComboBox1, &airRate}, {ComboBox2, &baud}, {ComboBox3, &parity}};
    for (const ListCheck& c : checks) {
        if (c.list->currentIndex() < 0) {
            const TMsg* empty = c.empty;
            if (queued)
                QueueBox(QStringLiteral("write-all"), [this, empty] { Warn(*empty); });
            else
                Warn(*empty);
            FocusControl(c.list);
            return false;
        }
    }
    *values = Jobs::WriteAllValues{ComboBox4->currentIndex() + 1, RateOfListRow(ComboBox1->currentIndex()),
                                   SerialSettings{RateOfListRow(ComboBox2->currentIndex()),
                                                  ParityOfPageRow(ComboBox3->currentIndex())}};
    return true;
}

void TForm1::SaveSelections()
{
    SavedSelections.channel = ComboBox4->currentIndex();
    SavedSelections.airRate = ComboBox1->currentIndex();
    SavedSelections.serialRate = ComboBox2->currentIndex();
    SavedSelections.parity = ComboBox3->currentIndex();
    SavedSelections.frequency = Edit1->text();
}

void TForm1::ReportWriteAll(LinkStatus status, RefusalBoxes boxes)
{
    Report(status, WriteAllWriting, WriteAllFail, SetFailBox, boxes);
}

namespace {

// The write-all that follows a search: the lists show the selections put aside at the start
// again (the model identification emptied them), and only then is it sent, with those values.
JobStep DeferredWriteAll(TForm1& w)
{
    const TSavedSelections saved = w.SavedSelections;
    const Jobs::WriteAllValues values{saved.channel + 1, RateOfListRow(saved.airRate),
                                      SerialSettings{RateOfListRow(saved.serialRate), ParityOfPageRow(saved.parity)}};
    JobStep step = JobStep::Send(Requests::WriteAll(values.channel, values.airRate, values.serial));
    TForm1* f = &w;
    // Refused, it ends the job: a set-up chain stops here instead of going on to the test.
    step.check = [f, saved] {
        // A saved row the refilled list no longer has ends without selection and is refused.
        f->ComboBox4->setCurrentIndex(saved.channel);
        f->ComboBox1->setCurrentIndex(saved.airRate);
        f->ComboBox2->setCurrentIndex(saved.serialRate);
        f->ComboBox3->setCurrentIndex(saved.parity);
        f->Edit1->setText(saved.frequency);
        Jobs::WriteAllValues shown;
        return f->CollectWriteAll(&shown, DeferredChannelEmpty, DeferredAirRateEmpty, DeferredBaudEmpty,
                                  DeferredParityEmpty, true);
    };
    return step;
}

} // namespace

void TForm1::SpeedButton3Click()
{
    ShowPage(0);
    if (StartRefused(*this))
        return;
    for (QComboBox* c : {ComboBox4, ComboBox1, ComboBox2, ComboBox3})
        c->setCurrentIndex(-1);
    Edit1->clear();
    Edit19->clear();
    if (N18->isChecked()) {
        // The read-all follows once the module is found.
        OperationLabel = QStringLiteral("Read");
        SetPanel(2, Tr(ReadAllSearching));
        BeginSearch(JobPurpose::ReadAll, {JobStep::Send(Requests::ReadAll())});
        return;
    }
    Report(Session->readAll(), ReadAllReading, ReadAllFail, ReadAllFail);
}

void TForm1::SpeedButton21Click()
{
    ShowPage(0);
    if (StartRefused(*this))
        return;
    if (N18->isChecked()) {
        SetPanel(2, Tr(WriteAllSearching));
        OperationLabel = QStringLiteral("Write");
        // The identification of the search empties the lists; the write shows these again.
        SaveSelections();
        BeginSearch(JobPurpose::WriteAll, {DeferredWriteAll(*this)});
        return;
    }
    Jobs::WriteAllValues values;
    if (!CollectWriteAll(&values, WriteAllChannelEmpty, WriteAllAirRateEmpty, WriteAllBaudEmpty, WriteAllParityEmpty,
                         false))
        return;
    ReportWriteAll(Session->writeAll(values.channel, values.airRate, values.serial));
}

void TForm1::SpeedButton19Click()
{
    if (StartRefused(*this))
        return;
    OperationLabel = QStringLiteral("Read");
    BeginSearch(JobPurpose::ReadAll, {JobStep::Send(Requests::ReadAll())});
}

void TForm1::BitBtn1Click()
{
    if (StartRefused(*this))
        return;
    SetPanel(2, Tr(WriteAllSearching));
    OperationLabel = QStringLiteral("Write");
    BeginSearch(JobPurpose::WriteAll, {DeferredWriteAll(*this)});
}

void TForm1::SpeedButton38Click()
{
    // Every value is checked and taken before the first command goes out; the links then
    // follow the answers, 10 ms apart, the transmit test after the test delay.
    if (StartRefused(*this))
        return;
    if (ComboBox5->currentIndex() < 0) {
        Warn(ProtocolNotChosen);
        FocusControl(ComboBox5);
        return;
    }
    Jobs::FactorySetUp setUp;
    setUp.protocol = ComboBox5->currentIndex();
    setUp.shortAnswers = Session->edition().shortFrames();
    setUp.testDelayMs = GlobleVar::Settings.testDelayMs;
    setUp.searchBeforeWriteAll = N18->isChecked();
    setUp.searchStart = SearchStartIndex();
    if (!setUp.searchBeforeWriteAll
        && !CollectWriteAll(&setUp.values, WriteAllChannelEmpty, WriteAllAirRateEmpty, WriteAllBaudEmpty,
                            WriteAllParityEmpty, false))
        return;
    SerialClaim claim;
    if (!CollectSerialNumber(&setUp.number, &claim))
        return;
    QList<JobStep> steps = Jobs::FactorySetUpSteps(setUp);
    if (setUp.searchBeforeWriteAll) {
        OperationLabel = QStringLiteral("Write");
        SaveSelections();
        for (JobStep& s : steps)
            if (s.command == Command::WriteAll)
                s = DeferredWriteAll(*this);
    }
    StartSetUpChain(steps, claim);
}

void TForm1::ShowJobCommand(JobPurpose purpose, Command command, LinkStatus status)
{
    const bool searchedFirst = purpose == JobPurpose::ReadAll || purpose == JobPurpose::WriteAll
                               || (purpose == JobPurpose::SetAll && command == Command::WriteAll && N18->isChecked());
    switch (command) {
    case Command::ReadAll:
    case Command::WriteAll:
        // After a search the command goes out silently; only a refusal is told, by the link.
        if (searchedFirst) {
            if (status != LinkStatus::Ok)
                QueueBox(QStringLiteral("send"), [status] { TCommFun::ShowSendFailure(status); });
        } else {
            ReportWriteAll(status, RefusalBoxes::LinkQueued);
        }
        break;
    case Command::ProtocolWrite:
        ReportProtocolWrite(status, RefusalBoxes::LinkQueued);
        break;
    case Command::SerialNumberWrite:
        ReportSerialNumberWrite(status, RefusalBoxes::LinkQueued);
        break;
    case Command::TestStart:
        if (purpose == JobPurpose::SetAll)
            ReportTestStart(status, RefusalBoxes::LinkQueued);
        else
            ReportDeferredTestStart(status, RefusalBoxes::LinkQueued);
        break;
    default:
        break;
    }
}
