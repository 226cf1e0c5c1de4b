// Radio search: steps the open PC port through the 21 combinations of seven baud rates and
// three parities, sends the search command at each and waits for the identify answer. The
// first combination that gets an answer stays in force.
#include "app/Unit1.h"

#include "app/Portset.h"
#include "app/UiServices.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_texts.h"
#include "search_texts.h"

#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

using namespace SearchTexts;

namespace {

constexpr int kCombinations = 21;
// Serial library codes of the dialog's baud rows "600".."38400" and parity rows even, odd, none.
constexpr int kBaudCodes[7] = {6, 7, 9, 10, 12, 13, 14};
constexpr int kParityCodes[3] = {24, 8, 0};

} // namespace

int TForm1::SearchStartIndex() const
{
    if (!frmPortSet)
        return 1;
    int b = frmPortSet->ComboBox2->currentIndex();
    int p = frmPortSet->ComboBox3->currentIndex();
    // A list without a selection starts at its first row.
    if (b < 0 || b > 6)
        b = 0;
    if (p < 0 || p > 2)
        p = 0;
    return 3 * b + p + 1;
}

bool TForm1::SearchStep(int index)
{
    if (index < 1 || index > kCombinations)
        index = 1;
    const int b = (index - 1) / 3;
    const int p = (index - 1) % 3;
    TPortSettings& ps = GlobleVar::PortSettings;
    if (frmPortSet) {
        frmPortSet->ComboBox2->setCurrentIndex(b);
        frmPortSet->ComboBox3->setCurrentIndex(p);
    }
    ps.baudCode = kBaudCodes[b];
    ps.parityCode = kParityCodes[p];
    ps.dataBitsCode = 3;
    ps.stopBitsCode = 0;
    const bool configured = CommFun->ConfigurePort(ps.portNumber, ps.baudCode, ps.parityCode, ps.dataBitsCode,
                                                   ps.stopBitsCode);
    if (frmPortSet)
        SetPanel(1, frmPortSet->ComboBox1->currentText() + QLatin1Char(',') + frmPortSet->ComboBox2->currentText()
                        + QLatin1Char(',') + frmPortSet->ComboBox3->currentText() + QStringLiteral(",8,1,1"));
    ++SearchTries;
    SearchIndex = index;

    const QByteArray frame = BuildCommandFrame(QStringLiteral("8000"), QStringLiteral("0000"), QStringLiteral("00"),
                                               QStringLiteral("00"));
    if (!configured || !SendFrame(frame)) {
        SetPanel(2, Tr(SearchError));
        return false;
    }
    return true;
}

void TForm1::BeginSearch()
{
    // A search still stepping is replaced by the new one.
    Timer4->stop();
    SearchFound = false;
    const int start = SearchStartIndex();
    SearchTries = 0;
    if (SearchStep(start)) {
        Timer4->setInterval(SearchStepIntervalMs);
        Timer4->start();
    }
}

void TForm1::Timer4Timer()
{
    if (SearchFound) {
        Timer4->stop();
        if (!OperationLabel.isEmpty())
            Timer2->start();
        return;
    }
    // An answer still being gathered (a frame gap as long as a step) belongs to the
    // combination in force: moving on would leave the port at the next one. Only for about
    // a gap, so a line that never goes quiet cannot hold the search.
    if (!RxBuffer.isEmpty() && qAbs(Ui().msecsOfDay() - RxBlockStart) <= FrameGap + SearchStepIntervalMs)
        return;
    if (++SearchIndex > kCombinations)
        SearchIndex = 1;
    if (SearchTries < kCombinations) {
        SearchStep(SearchIndex);
        return;
    }
    Timer4->stop();
    SetPanel(2, Tr(SearchFailed));
    Warn(SearchFailedBox);
}

void TForm1::SpeedButton20Click()
{
    WorkState = 1;
    SetPanel(2, Tr(Searching));
    OperationLabel.clear();
    ReportedBaseFrequency.clear();
    BeginSearch();
    if (Timer4->isActive())
        ShowPage(0);
}

void TForm1::SpeedButton30Click()
{
    Timer4->stop();
    SetPanel(2, Tr(SearchStopped));
}

void TForm1::DecodeIdentify(const QString& a)
{
    SearchFound = true;
    for (QPushButton* b : {SpeedButton2, SpeedButton4, SpeedButton5})
        b->setEnabled(true);
    SetPanel(2, Tr(FoundRadio));

    ReportedFamily = Catalogue::FamilyLabel(AnswerByte(a, 1, false), GlobleVar::PrefixStyle);
    const QString version = AnswerByteText(a, 2, false);
    if (GlobleVar::PrefixStyle == 1 && version.size() == 2)
        SetPanel(3, ReportedFamily + QStringLiteral(" V") + version.at(0) + QLatin1Char('.') + version.at(1));
    const int band = AnswerByte(a, 3, false);
    ReportedBaseFrequency = Catalogue::BaseFrequencyText(band);
    if (band >= 1 && band <= 5)
        AppendPanel(2, Tr(CatalogueTexts::ModelReadOk));
}
