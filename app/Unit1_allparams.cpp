// Read all and write all, optionally after a search, and the set-all chain's start. The
// chain's further links come from the session when their answers are in.
#include "Unit1.h"

#include "texts/commands_texts.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>

using namespace CommandTexts;

namespace {

struct ListCheck {
    QComboBox* list;
    const TMsg* empty;
};

// Warns about the first list without selection (focus on it); true when all are selected.
bool ListsSelected(TForm1& w, const TMsg& channel, const TMsg& airRate, const TMsg& baud, const TMsg& parity)
{
    const ListCheck checks[] = {
        {w.ComboBox4, &channel}, {w.ComboBox1, &airRate}, {w.ComboBox2, &baud}, {w.ComboBox3, &parity}};
    for (const ListCheck& c : checks) {
        if (c.list->currentIndex() < 0) {
            w.Warn(*c.empty);
            w.FocusControl(c.list);
            return false;
        }
    }
    return true;
}

LinkStatus WriteAll(TForm1& w)
{
    return w.Session->writeAll(w.ComboBox4->currentIndex() + 1, RateOfListRow(w.ComboBox1->currentIndex()),
                               SerialSettings{RateOfListRow(w.ComboBox2->currentIndex()),
                                              ParityOfPageRow(w.ComboBox3->currentIndex())});
}

// The pair-test guard of the four starters; otherwise command mode.
bool StartRefused(TForm1& w)
{
    if (w.RefuseDuringPairTest())
        return true;
    w.Session->setWorkState(WorkState::Command);
    return false;
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
        // The command follows from the continuation timer once the module is found.
        OperationLabel = QStringLiteral("Read");
        SetPanel(2, Tr(ReadAllSearching));
        BeginSearch();
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
        // The identification of the search empties the lists; the continuation restores these.
        SavedSelections.channel = ComboBox4->currentIndex();
        SavedSelections.airRate = ComboBox1->currentIndex();
        SavedSelections.serialRate = ComboBox2->currentIndex();
        SavedSelections.parity = ComboBox3->currentIndex();
        SavedSelections.frequency = Edit1->text();
        BeginSearch();
        return;
    }
    if (!ListsSelected(*this, WriteAllChannelEmpty, WriteAllAirRateEmpty, WriteAllBaudEmpty, WriteAllParityEmpty))
        return;
    Report(WriteAll(*this), WriteAllWriting, WriteAllFail, SetFailBox);
}

void TForm1::SpeedButton19Click()
{
    if (StartRefused(*this))
        return;
    OperationLabel = QStringLiteral("Read");
    BeginSearch();
}

void TForm1::BitBtn1Click()
{
    if (StartRefused(*this))
        return;
    SetPanel(2, Tr(WriteAllSearching));
    OperationLabel = QStringLiteral("Write");
    BeginSearch();
}

void TForm1::SpeedButton38Click()
{
    Session->setChainSetAll(true);
    SpeedButton23Click();
}

void TForm1::Timer2Timer()
{
    Timer2->stop();
    if (OperationLabel == QLatin1String("Read")) {
        // Silent: a refused send is reported by the serial link only.
        TCommFun::ShowSendFailure(Session->readAll());
    } else if (OperationLabel == QLatin1String("Write")) {
        // A saved row the refilled list no longer has ends without selection and is refused below.
        ComboBox4->setCurrentIndex(SavedSelections.channel);
        ComboBox1->setCurrentIndex(SavedSelections.airRate);
        ComboBox2->setCurrentIndex(SavedSelections.serialRate);
        ComboBox3->setCurrentIndex(SavedSelections.parity);
        Edit1->setText(SavedSelections.frequency);
        if (!ListsSelected(*this, DeferredChannelEmpty, DeferredAirRateEmpty, DeferredBaudEmpty, DeferredParityEmpty))
            return;
        TCommFun::ShowSendFailure(WriteAll(*this));
    } else if (OperationLabel == QLatin1String("Txtest")) {
        SendDeferredTestStart();
    }
}
