// Radio search on the window: the start and stop buttons, the port dialog and status bar
// following each step, and the identify answer's family, version and band.
#include "Unit1.h"

#include "Portset.h"
#include "UiServices.h"
#include "core/model/Catalogue.h"
#include "texts/catalogue_texts.h"
#include "texts/search_texts.h"

#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

using namespace SearchTexts;

int TForm1::SearchStartIndex() const
{
    // The dialog's choice; a list without a selection starts at its first row.
    return frmPortSet ? RadioSearch::IndexOf(frmPortSet->ChosenSerial()) : 1;
}

void TForm1::BeginSearch()
{
    Search->start(SearchStartIndex());
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
    if (configured != LinkStatus::Ok) {
        TCommFun::ShowConfigureFailure(configured);
        SetPanel(2, Tr(SearchError));
    } else if (sent != LinkStatus::Ok) {
        TCommFun::ShowSendFailure(sent);
        SetPanel(2, Tr(SearchError));
    }
}

void TForm1::SearchFinished(bool found)
{
    if (found) {
        if (!OperationLabel.isEmpty())
            Timer2->start();
        return;
    }
    SetPanel(2, Tr(SearchFailed));
    Warn(SearchFailedBox);
}

void TForm1::SpeedButton20Click()
{
    Session->setWorkState(WorkState::Command);
    SetPanel(2, Tr(Searching));
    OperationLabel.clear();
    ReportedBaseFrequency.clear();
    BeginSearch();
    if (Search->isRunning())
        ShowPage(0);
}

void TForm1::SpeedButton30Click()
{
    Search->stop();
    SetPanel(2, Tr(SearchStopped));
}

void TForm1::DecodeIdentify(const Identity& identity)
{
    for (QPushButton* b : {SpeedButton2, SpeedButton4, SpeedButton5})
        b->setEnabled(true);
    SetPanel(2, Tr(FoundRadio));
    // The serial-number read that follows tells the model; the one reported before is gone.
    ReportedModelRow = -1;

    ReportedFamily = Catalogue::FamilyLabel(identity.familyCode, GlobleVar::PrefixStyle);
    const QString& version = identity.firmware;
    if (GlobleVar::PrefixStyle == 1 && version.size() == 2)
        SetPanel(3, ReportedFamily + QStringLiteral(" V") + version.at(0) + QLatin1Char('.') + version.at(1));
    ReportedBaseFrequency = Catalogue::BaseFrequencyText(identity.band);
    if (identity.band >= 1 && identity.band <= 5)
        AppendPanel(2, Tr(CatalogueTexts::ModelReadOk));
}
