// Radio ID, 1 W/2 W transmit power, RSSI, sixteen-step power level and capacitance
// calibration. RSSI and level follow the edition's frame variant; the others are always
// long frames.
#include "Unit1.h"

#include "core/protocol/Payloads.h"
#include "texts/commands_texts.h"

#include <QComboBox>
#include <QLineEdit>

using namespace CommandTexts;

void TForm1::SpeedButton26Click()
{
    if (RefuseDuringPairTest())
        return;
    // Emptied first, so that a missing answer leaves the field empty.
    Edit15->clear();
    Report(Session->readRadioId(), RadioIdReading, RadioIdReadFail, ReadFailBox);
}

void TForm1::SpeedButton27Click()
{
    if (RefuseDuringPairTest())
        return;
    if (Edit15->text().isEmpty()) {
        Warn(RadioIdEmpty);
        FocusControl(Edit15);
        return;
    }
    // The ID travels in two bytes; a larger number would be cut to another module's ID.
    const int id = Payloads::DecimalInRange(Edit15->text(), 0, Payloads::kRadioIdMax);
    if (id < 0) {
        Warn(RadioIdOutOfRange);
        FocusControl(Edit15);
        return;
    }
    Report(Session->writeRadioId(id), RadioIdWriting, RadioIdWriteFail, SetFailBox);
}

void TForm1::SpeedButton33Click()
{
    if (RefuseDuringPairTest())
        return;
    if (ComboBox14->currentIndex() < 0 || ComboBox14->currentText().isEmpty()) {
        Warn(PowerEmpty);
        FocusControl(ComboBox14);
        return;
    }
    const TMsg& progress = GlobleVar::PrefixStyle() == 1 ? PowerWritingKtx : PowerWriting;
    Report(Session->writePower(ComboBox14->currentIndex()), progress, PowerWriteFail, SetFailBox);
}

void TForm1::Button1Click()
{
    if (RefuseDuringPairTest())
        return;
    Edit16->clear();
    Edit17->clear();
    Report(Session->readRssi(), RssiReading, RssiReadFail, WriteFailBox);
}

void TForm1::Button2Click()
{
    // This button checks its list before the pair test.
    const int level = ComboBox21->currentIndex();
    if (level < 0) {
        Warn(ValueEmpty);
        FocusControl(ComboBox21);
        return;
    }
    if (RefuseDuringPairTest())
        return;
    Report(Session->writeLevel(level), LevelWriting, LevelWriteFail, WriteFailBox);
}

void TForm1::SpeedButton40Click()
{
    if (Edit18->text().isEmpty()) {
        Warn(ValueEmpty);
        FocusControl(Edit18);
        return;
    }
    const int value = Payloads::DecimalInRange(Edit18->text(), 0, Payloads::kCapacitanceMax);
    if (value < 0) {
        Warn(ValueOutOfRange);
        FocusControl(Edit18);
        return;
    }
    if (RefuseDuringPairTest())
        return;
    Report(Session->writeCapacitance(value), CapacitanceWriting, CapacitanceFail, SetFailBox);
}

void TForm1::DecodeRadioIdRead(int id)
{
    Edit15->setText(QString::number(id));
}

void TForm1::DecodeRssiRead(int value)
{
    Edit16->setText(QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper());
    Edit17->setText(QString::number(value));
}
