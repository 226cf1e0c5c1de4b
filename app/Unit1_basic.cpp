// Channel, air rate and serial settings: the six buttons of the first page and what their
// answers show. After the module's serial settings are read or changed the PC port is
// reopened with the same baud rate and parity so the link keeps working.
#include "Unit1.h"

#include "Portset.h"
#include "UiServices.h"
#include "core/config/ToolConfig.h"
#include "texts/basic_texts.h"

#include <QComboBox>
#include <QLineEdit>

using namespace BasicTexts;

namespace {

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

// The rate lists hold "1200" and up, one row a rate; a rate they do not show (or 57600,
// which the answers' rows do not reach) leaves them without selection.
void SelectRate(QComboBox* list, int rate)
{
    const int code = CodeOfRate(rate);
    const int row = code - 2;
    list->setCurrentIndex(code >= 2 && code <= 7 && row < list->count() ? row : -1);
}

// Parity rows of the page's list: even, odd, none.
constexpr Parity kParityRows[3] = {Parity::Even, Parity::Odd, Parity::None};

int ParityRow(Parity parity)
{
    for (int i = 0; i < 3; ++i)
        if (kParityRows[i] == parity)
            return i;
    return -1;
}

} // namespace

Parity ParityOfPageRow(int row)
{
    return row >= 0 && row < 3 ? kParityRows[row] : Parity::Unknown;
}

int RateOfListRow(int row)
{
    return RateOfCode(row + 2);
}

// ---- buttons ------------------------------------------------------------------------------

void TForm1::SpeedButton2Click()
{
    if (RefuseDuringPairTest() || !ReadAllowed(*this, ComboBox4))
        return;
    Edit1->clear();
    Edit19->clear();
    Report(Session->readChannel(), ChannelReading, ChannelReadFail, ReadFailBox);
}

void TForm1::SpeedButton8Click()
{
    if (RefuseDuringPairTest() || !Selected(*this, ComboBox4, ChannelNull))
        return;
    Report(Session->writeChannel(ComboBox4->currentIndex() + 1), ChannelWriting, ChannelWriteFail, WriteFailBox);
}

void TForm1::SpeedButton4Click()
{
    if (RefuseDuringPairTest() || !ReadAllowed(*this, ComboBox1))
        return;
    Report(Session->readAirRate(), AirRateReading, AirRateReadFail, ReadFailBox);
}

void TForm1::SpeedButton9Click()
{
    if (RefuseDuringPairTest() || !Selected(*this, ComboBox1, AirRateNull))
        return;
    Report(Session->writeAirRate(RateOfListRow(ComboBox1->currentIndex())), AirRateWriting, AirRateWriteFail,
           SetFailBox);
}

void TForm1::SpeedButton5Click()
{
    if (RefuseDuringPairTest())
        return;
    ComboBox3->setCurrentIndex(-1);
    if (!ReadAllowed(*this, ComboBox2))
        return;
    Report(Session->readSerial(), SerialReading, SerialReadFail, ReadFailBox);
}

void TForm1::SpeedButton10Click()
{
    if (RefuseDuringPairTest() || !Selected(*this, ComboBox2, SerialRateNull)
        || !Selected(*this, ComboBox3, ParityNull))
        return;
    const SerialSettings wanted{RateOfListRow(ComboBox2->currentIndex()), ParityOfPageRow(ComboBox3->currentIndex())};
    Report(Session->writeSerial(wanted), SerialWriting, SerialWriteFail, SetFailBox);
}

// ---- answers ------------------------------------------------------------------------------

void TForm1::DecodeSerialSettings(Command command, const SerialSettings& s, bool)
{
    if (command == Command::SerialRead) {
        SelectRate(ComboBox2, s.baud);
        ComboBox3->setCurrentIndex(ParityRow(s.parity));
    }
}

void TForm1::DecodeAirRateRead(int rate)
{
    SelectRate(ComboBox1, rate);
}

void TForm1::DecodeChannelRead(int channel)
{
    ComboBox4->setCurrentIndex(channel >= 1 && channel <= ComboBox4->count() ? channel - 1 : -1);
    ComboBox4Click();
}

void TForm1::DecodeReadAll(const AllParameters& p, bool)
{
    ComboBox4->setCurrentIndex(p.channel >= 1 && p.channel <= ComboBox4->count() ? p.channel - 1 : -1);
    ComboBox4Click();
    SelectRate(ComboBox1, p.airRate);
    SelectRate(ComboBox2, p.serial.baud);
    const int parityRow = ParityRow(p.serial.parity);
    if (parityRow >= 0)
        ComboBox3->setCurrentIndex(parityRow);
}

bool TForm1::CheckModelSelection() const
{
    if (ReportedFamily.left(4) == ComboBox15->currentText().left(4))
        return true;
    return ComboBox15->currentIndex() >= 0 && ComboBox16->currentIndex() >= 0;
}

void TForm1::ShowPortFollowed(const SerialSettings& settings, LinkStatus status)
{
    if (frmPortSet)
        frmPortSet->ShowFollowed(settings, status);
}
