// IO switch control of the two IO models, addressed to a radio ID in the ID-protocol frame.
#include "app/Unit1.h"

#include "command_send.h"
#include "commands_texts.h"
#include "payloads.h"
#include "protocol/answers.h"

#include <QComboBox>
#include <QLineEdit>

using namespace CommandTexts;

namespace {

const QLatin1String kIdFrameType("A6");

// Target ID of Edit10, or -1 after a warning (focus on the field).
int TargetIdOrWarn(TForm1& w)
{
    if (w.Edit10->text().isEmpty()) {
        w.Warn(IoTargetEmpty);
        w.FocusControl(w.Edit10);
        return -1;
    }
    const int id = Payloads::DecimalInRange(w.Edit10->text(), 0, Payloads::kRadioIdMax);
    if (id < 0) {
        // Two bytes only: a larger number would address another module.
        w.Warn(IoTargetOutOfRange);
        w.FocusControl(w.Edit10);
    }
    return id;
}

void SetOutput(TForm1& w, int output, QComboBox* levelList)
{
    if (w.RefuseDuringPairTest())
        return;
    const int id = TargetIdOrWarn(w);
    if (id < 0)
        return;
    // After a read the output lists have no selection; there is no level to send then.
    const QString payload = Payloads::IoOutput(output, levelList->currentIndex());
    if (payload.isEmpty()) {
        w.Warn(IoLevelNotChosen);
        w.FocusControl(levelList);
        return;
    }
    CommandSend::Send(w, "40408012",
                      w.BuildIdFrame(Payloads::RadioId(id), kIdFrameType, QStringLiteral("8012"), payload),
                      IoWriting, IoWriteFail, WriteFailBox);
}

void ShowLevel(TShape* lamp, bool high)
{
    lamp->setBrushColor(high ? TShape::lime() : TShape::silver());
}

// An input level byte read as a decimal number: 0 low, 1 high, -1 for anything else.
int InputLevel(const QString& byteText)
{
    if (byteText == QLatin1String("00"))
        return 0;
    if (byteText == QLatin1String("01"))
        return 1;
    return -1;
}

} // namespace

void TForm1::SpeedButton13Click()
{
    if (RefuseDuringPairTest())
        return;
    const int id = TargetIdOrWarn(*this);
    if (id < 0)
        return;
    for (QComboBox* c : {ComboBox7, ComboBox8, ComboBox9, ComboBox10})
        c->setCurrentIndex(-1);
    CommandSend::Send(*this, "40408013",
                      BuildIdFrame(Payloads::RadioId(id), kIdFrameType, QStringLiteral("8013"), QStringLiteral("0000")),
                      IoReading, IoReadFail, ReadFailBox);
}

void TForm1::SpeedButton12Click()
{
    SetOutput(*this, 1, ComboBox9);
}

void TForm1::SpeedButton32Click()
{
    SetOutput(*this, 2, ComboBox10);
}

void TForm1::DecodeIoSet(const QString& a)
{
    const int output = AnswerByte(a, 1, false);
    const QString level = AnswerByteText(a, 2, false);
    // A truncated answer says nothing about the output.
    if (level.isEmpty())
        return;
    const bool high = level == QLatin1String("01");
    if (output == 1)
        ShowLevel(Shape3, high);
    else if (output == 2)
        ShowLevel(Shape4, high);
}

void TForm1::DecodeIoRead(const QString& a)
{
    const int id = Answers::IdField(a);
    if (id >= 0)
        Edit10->setText(QString::number(id));
    // Levels the lists cannot show leave them without selection and the lamp silver.
    const int in1 = InputLevel(AnswerByteText(a, 1, false));
    const int in2 = InputLevel(AnswerByteText(a, 2, false));
    ComboBox7->setCurrentIndex(in1);
    ComboBox8->setCurrentIndex(in2);
    ShowLevel(Shape1, ComboBox7->currentIndex() == 1);
    ShowLevel(Shape2, ComboBox8->currentIndex() == 1);
}
