// IO switch control of the two IO models, addressed to a radio ID in the ID-protocol frame.
#include "Unit1.h"

#include "core/protocol/Payloads.h"
#include "texts/commands_texts.h"

#include <QComboBox>
#include <QLineEdit>

using namespace CommandTexts;

namespace {

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
    const int level = levelList->currentIndex();
    if (level != 0 && level != 1) {
        w.Warn(IoLevelNotChosen);
        w.FocusControl(levelList);
        return;
    }
    w.Report(w.Session->writeIo(id, output, level), IoWriting, IoWriteFail, WriteFailBox);
}

void ShowLevel(TShape* lamp, bool high)
{
    lamp->setBrushColor(high ? TShape::lime() : TShape::silver());
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
    Report(Session->readIo(id), IoReading, IoReadFail, ReadFailBox);
}

void TForm1::SpeedButton12Click()
{
    SetOutput(*this, 1, ComboBox9);
}

void TForm1::SpeedButton32Click()
{
    SetOutput(*this, 2, ComboBox10);
}

void TForm1::DecodeIoSet(int output, bool high)
{
    if (output == 1)
        ShowLevel(Shape3, high);
    else if (output == 2)
        ShowLevel(Shape4, high);
}

void TForm1::DecodeIoRead(const IoState& s)
{
    if (s.radioId >= 0)
        Edit10->setText(QString::number(s.radioId));
    // Levels the lists cannot show leave them without selection and the lamp silver.
    ComboBox7->setCurrentIndex(s.input1);
    ComboBox8->setCurrentIndex(s.input2);
    ShowLevel(Shape1, ComboBox7->currentIndex() == 1);
    ShowLevel(Shape2, ComboBox8->currentIndex() == 1);
}
