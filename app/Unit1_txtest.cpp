// Transmit test mode: the module, not the tool, holds the mode; the tool only sends the start
// and end requests and shows the answers.
#include "Unit1.h"

#include "core/protocol/Requests.h"
#include "texts/txtest_texts.h"

using namespace TxTestTexts;

void TForm1::SpeedButton14Click()
{
    if (RefuseDuringPairTest())
        return;
    Session->setWorkState(WorkState::Command);
    SetPanel(2, Tr(StartRunning));
    OperationLabel = QStringLiteral("Txtest");
    // A start pressed while a search runs is sent again once the module is found, in place
    // of what that search was to do next.
    if (SearchRunning())
        Job->replaceRemaining({JobStep::Pause(Jobs::kContinuationMs),
                               JobStep::Send(Requests::StartTransmitTestAfterSearch())});
    ReportTestStart(Session->startTransmitTest());
}

void TForm1::ReportTestStart(LinkStatus status, RefusalBoxes boxes)
{
    Report(status, StartRunning, StartFail, StartFailBox, boxes);
}

void TForm1::SpeedButton15Click()
{
    if (RefuseDuringPairTest())
        return;
    Session->setWorkState(WorkState::Command);
    SetPanel(2, Tr(EndStarting));
    Report(Session->endTransmitTest(), EndRunning, EndFail, EndFailBox);
}

void TForm1::ReportDeferredTestStart(LinkStatus status, RefusalBoxes boxes)
{
    SetPanel(2, Tr(DeferredStarting));
    Report(status, DeferredSent, DeferredFail, DeferredFailBox, boxes);
}
