// Read all and write all, optionally after a search, and the set-all chain's start. The
// chain's further links run from the answer dispatcher.
#include "app/Unit1.h"

#include "command_send.h"
#include "commands_texts.h"
#include "payloads.h"
#include "radiotests/txtest.h"

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

QByteArray WriteAllFrame(const TForm1& w)
{
    return CommandSend::Long(w, "800E",
                             Payloads::WriteAll(w.ComboBox4->currentIndex(), w.ComboBox1->currentIndex(),
                                                w.ComboBox2->currentIndex(), w.ComboBox3->currentIndex()));
}

QByteArray ReadAllFrame(const TForm1& w)
{
    return CommandSend::Long(w, "8015", QStringLiteral("0000"));
}

// The pair-test guard of the four starters; otherwise command mode.
bool StartRefused(TForm1& w)
{
    if (w.RefuseDuringPairTest())
        return true;
    w.WorkState = 1;
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
    CommandSend::Send(*this, "8015", ReadAllFrame(*this), ReadAllReading, ReadAllFail, ReadAllFail);
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
    CommandSend::Send(*this, "800E", WriteAllFrame(*this), WriteAllWriting, WriteAllFail, SetFailBox);
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
    ChainSetAll = true;
    SpeedButton23Click();
}

void TForm1::Timer2Timer()
{
    Timer2->stop();
    if (OperationLabel == QLatin1String("Read")) {
        // Silent: a refused send is reported by the serial link only.
        LastCommandCode = QStringLiteral("8015");
        if (SendFrame(ReadAllFrame(*this)))
            WorkState = 1;
    } else if (OperationLabel == QLatin1String("Write")) {
        // A saved row the refilled list no longer has ends without selection and is refused below.
        ComboBox4->setCurrentIndex(SavedSelections.channel);
        ComboBox1->setCurrentIndex(SavedSelections.airRate);
        ComboBox2->setCurrentIndex(SavedSelections.serialRate);
        ComboBox3->setCurrentIndex(SavedSelections.parity);
        Edit1->setText(SavedSelections.frequency);
        if (!ListsSelected(*this, DeferredChannelEmpty, DeferredAirRateEmpty, DeferredBaudEmpty, DeferredParityEmpty))
            return;
        LastCommandCode = QStringLiteral("800E");
        if (SendFrame(WriteAllFrame(*this)))
            WorkState = 1;
    } else if (OperationLabel == QLatin1String("Txtest")) {
        TxTest::SendDeferredStart(*this);
    }
}

namespace {

// Serial baud code and parity code of an all-parameters answer; false when the answer is
// too short to carry them (the PC port is then left alone rather than closed).
bool SerialFields(const QString& a, bool isShort, int* baud, int* parity)
{
    *baud = TForm1::AnswerByte(a, 3, isShort);
    *parity = TForm1::AnswerByte(a, 4, isShort);
    return *baud >= 0 && *parity >= 0;
}

int RateRow(int code)
{
    return code >= 2 && code <= 7 ? code - 2 : -1;
}

} // namespace

void TForm1::DecodeReadAll(const QString& a, bool isShort)
{
    const int channel = AnswerByte(a, 1, isShort);
    ComboBox4->setCurrentIndex(channel >= 1 && channel <= 16 ? channel - 1 : -1);
    ComboBox4Click();
    ComboBox1->setCurrentIndex(RateRow(AnswerByte(a, 2, isShort)));
    int baud = -1, parity = -1;
    const bool complete = SerialFields(a, isShort, &baud, &parity);
    ComboBox2->setCurrentIndex(RateRow(baud));
    const int parityRow = Payloads::ParityCodeToRow(parity);
    if (parityRow >= 0)
        ComboBox3->setCurrentIndex(parityRow);
    if (complete)
        ApplyModuleSerialToPort(baud, parity);
}

void TForm1::DecodeWriteAll(const QString& a, bool isShort)
{
    int baud = -1, parity = -1;
    if (SerialFields(a, isShort, &baud, &parity))
        ApplyModuleSerialToPort(baud, parity);
}
