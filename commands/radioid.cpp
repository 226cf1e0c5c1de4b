// Radio ID, 1 W/2 W transmit power, RSSI, sixteen-step power level and capacitance
// calibration. RSSI and level follow the edition's frame variant; the others are always
// long frames.
#include "app/Unit1.h"

#include "command_send.h"
#include "commands_texts.h"
#include "payloads.h"

#include <QComboBox>
#include <QLineEdit>

using namespace CommandTexts;

void TForm1::SpeedButton26Click()
{
    if (RefuseDuringPairTest())
        return;
    // Emptied first, so that a missing answer leaves the field empty.
    Edit15->clear();
    CommandSend::Send(*this, "800D", CommandSend::Long(*this, "800D", QStringLiteral("0000")), RadioIdReading,
                      RadioIdReadFail, ReadFailBox);
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
    CommandSend::Send(*this, "800C", CommandSend::Long(*this, "800C", Payloads::RadioId(id)), RadioIdWriting,
                      RadioIdWriteFail, SetFailBox);
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
    const TMsg& progress = GlobleVar::PrefixStyle == 1 ? PowerWritingKtx : PowerWriting;
    CommandSend::Send(*this, "8017",
                      CommandSend::Long(*this, "8017", Payloads::RowAndZero(ComboBox14->currentIndex())),
                      progress, PowerWriteFail, SetFailBox);
}

void TForm1::Button1Click()
{
    if (RefuseDuringPairTest())
        return;
    Edit16->clear();
    Edit17->clear();
    CommandSend::Send(*this, "8012",
                      BuildCommandFrame(QStringLiteral("8012"), QStringLiteral("0000"), QStringLiteral("12"),
                                        QStringLiteral("00")),
                      RssiReading, RssiReadFail, WriteFailBox);
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
    CommandSend::Send(*this, "8013",
                      BuildCommandFrame(QStringLiteral("8013"), Payloads::LevelLong(level), QStringLiteral("13"),
                                        Payloads::LevelShort(level)),
                      LevelWriting, LevelWriteFail, WriteFailBox);
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
    CommandSend::Send(*this, "8019", CommandSend::Long(*this, "8019", Payloads::Capacitance(value)),
                      CapacitanceWriting, CapacitanceFail, SetFailBox);
}

void TForm1::DecodeRadioIdSet(const QString&, bool)
{
}

void TForm1::DecodeRadioIdRead(const QString& a, bool isShort)
{
    const int high = AnswerByte(a, 1, isShort);
    const int low = AnswerByte(a, 2, isShort);
    // A truncated answer leaves the field as the read left it: empty.
    if (high < 0 || low < 0)
        return;
    Edit15->setText(QString::number(high * 256 + low));
}

void TForm1::DecodeRssiRead(const QString& a, bool isShort)
{
    const QString text = AnswerByteText(a, 1, isShort);
    if (text.isEmpty())
        return;
    Edit16->setText(text);
    Edit17->setText(QString::number(AnswerByte(a, 1, isShort)));
}

// The dispatcher shows the level the module reports; the list keeps the operator's choice.
void TForm1::DecodeLevelSet(const QString&, bool)
{
}

void TForm1::DecodePowerSet(const QString&, bool)
{
}

void TForm1::DecodeCapacitance(const QString&, bool)
{
}
