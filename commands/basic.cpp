// Channel, air rate and serial settings: the six buttons of the first page and the decoding
// of their answers. After the module's serial settings are read or changed the PC port is
// reopened with the same baud rate and parity so the link keeps working.
#include "app/Unit1.h"

#include "app/Portset.h"
#include "app/UiServices.h"
#include "basic_texts.h"
#include "protocol/frames.h"

#include <QComboBox>
#include <QLineEdit>

using namespace BasicTexts;

namespace {

struct CommandTexts {
    TMsg progress;
    TMsg failPanel;
    TMsg failBox;
};

// Records the code, sends the frame of the edition and reports the outcome.
void SendCommand(TForm1& f, const char* longCode, const QString& longPayload, const char* shortCode,
                 const QString& shortPayload, const CommandTexts& t)
{
    f.LastCommandCode = QLatin1String(longCode);
    const QByteArray frame = f.BuildCommandFrame(QLatin1String(longCode), longPayload,
                                                 QLatin1String(shortCode), shortPayload);
    if (f.SendFrame(frame)) {
        f.WorkState = 1;
        f.SetPanel(2, Tr(t.progress));
    } else {
        f.SetPanel(2, Tr(t.failPanel));
        f.Warn(t.failBox);
    }
}

// The checks of a read button: the list being read loses its selection, must hold items,
// and the chosen model must be the connected one.
bool ReadAllowed(TForm1& f, QComboBox* list)
{
    list->setCurrentIndex(-1);
    if (list->count() == 0) {
        f.Warn(ChooseModelFirst);
        f.FocusControl(f.ComboBox15);
        return false;
    }
    if (!f.CheckModelSelection()) {
        f.Warn(WrongModel);
        return false;
    }
    return true;
}

bool Selected(TForm1& f, QComboBox* list, const TMsg& msg)
{
    if (list->currentIndex() >= 0)
        return true;
    f.Warn(msg);
    f.FocusControl(list);
    return false;
}

// Parity rows of the window's list: even, odd, none; module codes 1, 2, 0.
int ParityCodeOfRow(int row)
{
    switch (row) {
    case 0: return 1;
    case 1: return 2;
    default: return 0;
    }
}

int ParityRowOfCode(int code)
{
    switch (code) {
    case 0: return 2;
    case 1: return 0;
    case 2: return 1;
    default: return -1;
    }
}

// Rate codes 2..7 are rows 0..5 of a rate list; anything else (and a row the list does
// not have) leaves it without selection.
void SelectRateRow(QComboBox* list, int code)
{
    const int row = code - 2;
    list->setCurrentIndex(code >= 2 && code <= 7 && row < list->count() ? row : -1);
}

} // namespace

// ---- buttons ------------------------------------------------------------------------------

void TForm1::SpeedButton2Click()
{
    if (RefuseDuringPairTest() || !ReadAllowed(*this, ComboBox4))
        return;
    Edit1->clear();
    Edit19->clear();
    SendCommand(*this, "8006", QStringLiteral("0000"), "06", QStringLiteral("00"),
                {ChannelReading, ChannelReadFail, ReadFailBox});
}

void TForm1::SpeedButton8Click()
{
    if (RefuseDuringPairTest() || !Selected(*this, ComboBox4, ChannelNull))
        return;
    const QString channel = Frames::Hex2(ComboBox4->currentIndex() + 1);
    SendCommand(*this, "8005", channel + QStringLiteral("00"), "05", channel,
                {ChannelWriting, ChannelWriteFail, WriteFailBox});
}

void TForm1::SpeedButton4Click()
{
    if (RefuseDuringPairTest() || !ReadAllowed(*this, ComboBox1))
        return;
    SendCommand(*this, "8004", QStringLiteral("0000"), "04", QStringLiteral("00"),
                {AirRateReading, AirRateReadFail, ReadFailBox});
}

void TForm1::SpeedButton9Click()
{
    if (RefuseDuringPairTest() || !Selected(*this, ComboBox1, AirRateNull))
        return;
    const QString rate = Frames::Hex2(ComboBox1->currentIndex() + 2);
    SendCommand(*this, "8003", rate + QStringLiteral("00"), "03", rate,
                {AirRateWriting, AirRateWriteFail, SetFailBox});
}

void TForm1::SpeedButton5Click()
{
    if (RefuseDuringPairTest())
        return;
    ComboBox3->setCurrentIndex(-1);
    if (!ReadAllowed(*this, ComboBox2))
        return;
    SendCommand(*this, "8002", QStringLiteral("0000"), "02", QStringLiteral("00"),
                {SerialReading, SerialReadFail, ReadFailBox});
}

void TForm1::SpeedButton10Click()
{
    if (RefuseDuringPairTest() || !Selected(*this, ComboBox2, SerialRateNull)
        || !Selected(*this, ComboBox3, ParityNull))
        return;
    const QString baud = Frames::Hex2(ComboBox2->currentIndex() + 2);
    const QString parity = Frames::Hex2(ParityCodeOfRow(ComboBox3->currentIndex()));
    // The short frame has no room for the parity; the module then runs without one.
    SendCommand(*this, "8001", baud + parity, "01", baud,
                {SerialWriting, SerialWriteFail, SetFailBox});
}

// ---- answers ------------------------------------------------------------------------------

void TForm1::DecodeSerialSet(const QString& a, bool isShort)
{
    const int baud = AnswerByte(a, 1, isShort);
    const int parity = isShort ? 0 : AnswerByte(a, 2, isShort);
    // A truncated answer tells nothing about the module's line; the port stays as it is.
    if (baud < 0 || parity < 0)
        return;
    ApplyModuleSerialToPort(baud, parity);
}

void TForm1::DecodeSerialRead(const QString& a, bool isShort)
{
    const int baud = AnswerByte(a, 1, isShort);
    const int parity = isShort ? 0 : AnswerByte(a, 2, isShort);
    SelectRateRow(ComboBox2, baud);
    ComboBox3->setCurrentIndex(ParityRowOfCode(parity));
    if (baud < 0 || parity < 0)
        return;
    ApplyModuleSerialToPort(baud, parity);
}

void TForm1::DecodeAirRateSet(const QString&, bool)
{
    // The acknowledgement text is all there is.
}

void TForm1::DecodeAirRateRead(const QString& a, bool isShort)
{
    SelectRateRow(ComboBox1, AnswerByte(a, 1, isShort));
}

void TForm1::DecodeChannelSet(const QString&, bool)
{
    // The acknowledgement text is all there is.
}

void TForm1::DecodeChannelRead(const QString& a, bool isShort)
{
    const int channel = AnswerByte(a, 1, isShort);
    ComboBox4->setCurrentIndex(channel >= 1 && channel <= ComboBox4->count() ? channel - 1 : -1);
    ComboBox4Click();
}

bool TForm1::CheckModelSelection() const
{
    if (ReportedFamily.left(4) == ComboBox15->currentText().left(4))
        return true;
    return ComboBox15->currentIndex() >= 0 && ComboBox16->currentIndex() >= 0;
}

void TForm1::ApplyModuleSerialToPort(int baudCode, int parityCode)
{
    if (!frmPortSet)
        return;
    // Module baud codes 1..7 are the dialog's rows "600".."38400"; 57600 has no row.
    frmPortSet->ComboBox2->setCurrentIndex(baudCode >= 1 && baudCode <= 7 ? baudCode - 1 : -1);
    frmPortSet->ComboBox3->setCurrentIndex(ParityRowOfCode(parityCode));
    CommFun->ClosePort(GlobleVar::PortSettings.portNumber);
    frmPortSet->SpeedButton1Click();
}
