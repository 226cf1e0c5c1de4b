// Transmit test mode: the module, not the tool, holds the mode; the tool only sends the start
// and end requests and shows the answers.
#include "txtest.h"

#include "app/Unit1.h"
#include "txtest_texts.h"

using namespace TxTestTexts;

void TForm1::SpeedButton14Click()
{
    if (RefuseDuringPairTest())
        return;
    WorkState = 1;
    SetPanel(2, Tr(StartRunning));
    // A start pressed while a search runs is repeated by the continuation timer.
    OperationLabel = QStringLiteral("Txtest");
    LastCommandCode = QStringLiteral("8007");
    if (SendFrame(BuildCommandFrame(QStringLiteral("8007"), QStringLiteral("0000"), QStringLiteral("07"),
                                    QStringLiteral("00")))) {
        WorkState = 1;
        SetPanel(2, Tr(StartRunning));
    } else {
        SetPanel(2, Tr(StartFail));
        Warn(StartFailBox);
    }
}

void TForm1::SpeedButton15Click()
{
    if (RefuseDuringPairTest())
        return;
    WorkState = 1;
    SetPanel(2, Tr(EndStarting));
    LastCommandCode = QStringLiteral("8008");
    if (SendFrame(BuildCommandFrame(QStringLiteral("8008"), QStringLiteral("0000"), QStringLiteral("08"),
                                    QStringLiteral("00")))) {
        WorkState = 1;
        SetPanel(2, Tr(EndRunning));
    } else {
        SetPanel(2, Tr(EndFail));
        Warn(EndFailBox);
    }
}

// The answers carry nothing to decode: the dispatcher shows their texts and ends the set-all
// chain on a start answer.
void TForm1::DecodeTestStart(const QString&, bool)
{
}

void TForm1::DecodeTestEnd(const QString&, bool)
{
}

namespace TxTest {

void SendDeferredStart(TForm1& w)
{
    w.SetPanel(2, Tr(DeferredStarting));
    if (w.SendFrame(w.BuildLongFrame(QStringLiteral("0000"), QStringLiteral("8007"), QStringLiteral("0000")))) {
        w.WorkState = 1;
        w.SetPanel(2, Tr(DeferredSent));
    } else {
        w.SetPanel(2, Tr(DeferredFail));
        w.Warn(DeferredFailBox);
    }
}

} // namespace TxTest
