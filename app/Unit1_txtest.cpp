// Transmit test mode: the module, not the tool, holds the mode; the tool only sends the start
// and end requests and shows the answers.
#include "Unit1.h"

#include "texts/txtest_texts.h"

using namespace TxTestTexts;

void TForm1::SpeedButton14Click()
{
    if (RefuseDuringPairTest())
        return;
    Session->setWorkState(WorkState::Command);
    SetPanel(2, Tr(StartRunning));
    // A start pressed while a search runs is repeated by the continuation timer.
    OperationLabel = QStringLiteral("Txtest");
    Report(Session->startTransmitTest(), StartRunning, StartFail, StartFailBox);
}

void TForm1::SpeedButton15Click()
{
    if (RefuseDuringPairTest())
        return;
    Session->setWorkState(WorkState::Command);
    SetPanel(2, Tr(EndStarting));
    Report(Session->endTransmitTest(), EndRunning, EndFail, EndFailBox);
}

void TForm1::SendDeferredTestStart()
{
    SetPanel(2, Tr(DeferredStarting));
    Report(Session->startTransmitTestAfterSearch(), DeferredSent, DeferredFail, DeferredFailBox);
}
