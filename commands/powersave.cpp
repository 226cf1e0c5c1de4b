// Air protocol, power saving, serial wake-up and the air wake-up duty cycle. All of them go
// out as long frames in every edition, the short-frame one included.
#include "app/Unit1.h"

#include "command_send.h"
#include "commands_texts.h"
#include "payloads.h"

#include <QComboBox>
#include <QLineEdit>

using namespace CommandTexts;

void TForm1::SpeedButton22Click()
{
    if (RefuseDuringPairTest())
        return;
    ComboBox5->setCurrentIndex(-1);
    CommandSend::Send(*this, "8014", CommandSend::Long(*this, "8014", QStringLiteral("0000")), ProtocolReading,
                      ProtocolReadFail, ReadFailBox);
}

void TForm1::SpeedButton23Click()
{
    if (RefuseDuringPairTest())
        return;
    // A read that got no answer leaves the list empty; there is then nothing to write.
    if (ComboBox5->currentIndex() < 0) {
        Warn(ProtocolNotChosen);
        FocusControl(ComboBox5);
        return;
    }
    CommandSend::Send(*this, "8009",
                      CommandSend::Long(*this, "8009", Payloads::RowAndZero(ComboBox5->currentIndex())),
                      ProtocolWriting, ProtocolWriteFail, SetFailBox);
}

void TForm1::SpeedButton11Click()
{
    if (RefuseDuringPairTest())
        return;
    ComboBox6->setCurrentIndex(-1);
    CommandSend::Send(*this, "8010", CommandSend::Long(*this, "8010", QStringLiteral("0000")), PowerModeReading,
                      PowerModeReadFail, ReadFailBox);
}

void TForm1::SpeedButton28Click()
{
    if (RefuseDuringPairTest())
        return;
    if (ComboBox6->currentIndex() < 0) {
        Warn(PowerModeNotChosen);
        FocusControl(ComboBox6);
        return;
    }
    CommandSend::Send(*this, "800F",
                      CommandSend::Long(*this, "800F", Payloads::RowAndZero(ComboBox6->currentIndex())),
                      PowerModeWriting, PowerModeWriteFail, PowerModeWriteFailBox);
}

void TForm1::SpeedButton29Click()
{
    if (RefuseDuringPairTest())
        return;
    CommandSend::Send(*this, "8011", CommandSend::Long(*this, "8011", QStringLiteral("0000")), WakeUpSending,
                      WakeUpFail, WakeUpFailBox);
}

void TForm1::SpeedButton39Click()
{
    if (RefuseDuringPairTest())
        return;
    const Payloads::DutyCycle duty = Payloads::DutyCyclePayload(Edit20->text(), Edit21->text());
    switch (duty.check) {
    case Payloads::DutyCheck::Empty:
        Warn(DutyCycleEmpty);
        FocusControl(Edit20);
        return;
    case Payloads::DutyCheck::ListenOutOfRange:
        Warn(DutyListenOutOfRange);
        FocusControl(Edit20);
        return;
    case Payloads::DutyCheck::SleepOutOfRange:
        Warn(DutySleepOutOfRange);
        FocusControl(Edit21);
        return;
    case Payloads::DutyCheck::Ok:
        break;
    }
    CommandSend::Send(*this, "8016", CommandSend::Long(*this, "8016", duty.payload), DutyCycleWriting,
                      DutyCycleWriteFail, WriteFailBox);
}

// Choosing a protocol sends nothing; the write button does.
void TForm1::ComboBox5Click()
{
}

// The write answers carry nothing to show beyond the dispatcher's acknowledgement.
void TForm1::DecodeProtocolSet(const QString&, bool)
{
}

void TForm1::DecodeProtocolRead(const QString& a, bool isShort)
{
    const int protocol = AnswerByte(a, 1, isShort);
    ComboBox5->setCurrentIndex(protocol >= 0 && protocol <= 1 ? protocol : -1);
}

void TForm1::DecodePowerModeSet(const QString&, bool)
{
}

void TForm1::DecodePowerModeRead(const QString& a, bool isShort)
{
    const int mode = AnswerByte(a, 1, isShort);
    ComboBox6->setCurrentIndex(mode >= 0 && mode <= 3 ? mode : -1);
}

void TForm1::DecodeWakeUp(const QString&, bool)
{
}

void TForm1::DecodeDutyCycleSet(const QString&, bool)
{
}
