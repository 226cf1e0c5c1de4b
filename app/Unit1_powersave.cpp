// Air protocol, power saving, serial wake-up and the air wake-up duty cycle. All of them go
// out as long frames in every edition, the short-frame one included.
#include "Unit1.h"

#include "core/protocol/Payloads.h"
#include "texts/commands_texts.h"

#include <QComboBox>
#include <QLineEdit>

using namespace CommandTexts;

void TForm1::SpeedButton22Click()
{
    if (RefuseDuringPairTest())
        return;
    ComboBox5->setCurrentIndex(-1);
    Report(Session->readProtocol(), ProtocolReading, ProtocolReadFail, ReadFailBox);
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
    ReportProtocolWrite(Session->writeProtocol(ComboBox5->currentIndex()));
}

void TForm1::ReportProtocolWrite(LinkStatus status, RefusalBoxes boxes)
{
    Report(status, ProtocolWriting, ProtocolWriteFail, SetFailBox, boxes);
}

void TForm1::SpeedButton11Click()
{
    if (RefuseDuringPairTest())
        return;
    ComboBox6->setCurrentIndex(-1);
    Report(Session->readPowerMode(), PowerModeReading, PowerModeReadFail, ReadFailBox);
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
    Report(Session->writePowerMode(ComboBox6->currentIndex()), PowerModeWriting, PowerModeWriteFail,
           PowerModeWriteFailBox);
}

void TForm1::SpeedButton29Click()
{
    if (RefuseDuringPairTest())
        return;
    Report(Session->wakeUp(), WakeUpSending, WakeUpFail, WakeUpFailBox);
}

void TForm1::SpeedButton39Click()
{
    if (RefuseDuringPairTest())
        return;
    const Payloads::DutyCycleCheck duty = Payloads::DutyCyclePayload(Edit20->text(), Edit21->text());
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
    Report(Session->writeDutyCycle(duty.value), DutyCycleWriting, DutyCycleWriteFail, WriteFailBox);
}

// Choosing a protocol sends nothing; the write button does.
void TForm1::ComboBox5Click()
{
}

void TForm1::DecodeProtocolRead(int protocol)
{
    ComboBox5->setCurrentIndex(protocol >= 0 && protocol <= 1 ? protocol : -1);
}

void TForm1::DecodePowerModeRead(int mode)
{
    ComboBox6->setCurrentIndex(mode >= 0 && mode <= 3 ? mode : -1);
}
