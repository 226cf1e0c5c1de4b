// IO switches of the IO models over the ID protocol: target ID checks, the output level,
// and the lamps the answers light.
#include "support/ModuleTestUtil.h"
#include "support/TestWindow.h"

#include "app/Unit1.h"
#include "core/protocol/Payloads.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using CmdTest::IdAnswer;

class IoSwitches : public QObject {
    Q_OBJECT
private slots:
    void outputPayload()
    {
        QCOMPARE(Payloads::IoOutput(2, 1), QStringLiteral("0201"));
        QCOMPARE(Payloads::IoOutput(1, 0), QStringLiteral("0100"));
        QVERIFY(Payloads::IoOutput(2, -1).isEmpty());
        QVERIFY(Payloads::IoOutput(3, 1).isEmpty());
    }

    void targetIdChecks()
    {
        TestWindow w;
        w.ui.clear();
        w.form->Edit10->clear();
        w.form->SpeedButton13Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("目标地址不能为空!"));
        QCOMPARE(w.form->LastFocusRequest, static_cast<QWidget*>(w.form->Edit10));
        w.form->Edit10->setText("70000");
        w.form->ComboBox9->setCurrentIndex(1);
        w.form->SpeedButton12Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("目标ID超出范围（0-65535）!"));
        w.form->SpeedButton13Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("目标ID超出范围（0-65535）!"));
        QVERIFY(w.form->LastCommandCode.isEmpty());
    }

    void outputWithoutLevelIsRefused()
    {
        TestWindow w;
        w.ui.clear();
        w.form->Edit10->setText("1");
        w.form->ComboBox10->setCurrentIndex(-1);
        w.form->SpeedButton32Click();
        QCOMPARE(w.ui.messages, QStringList{QStringLiteral("请先选择输出电平!")});
        QCOMPARE(w.form->LastFocusRequest, static_cast<QWidget*>(w.form->ComboBox10));
        QVERIFY(w.form->LastCommandCode.isEmpty());
        w.form->ComboBox10->setCurrentIndex(1);
        w.form->SpeedButton32Click();
        QCOMPARE(w.form->LastCommandCode, QStringLiteral("40408012"));
    }

    void readClearsAllFourLists()
    {
        TestWindow w;
        w.form->Edit10->setText("1");
        for (QComboBox* c : {w.form->ComboBox7, w.form->ComboBox8, w.form->ComboBox9, w.form->ComboBox10})
            c->setCurrentIndex(1);
        w.form->SpeedButton13Click();
        QCOMPARE(w.form->LastCommandCode, QStringLiteral("40408013"));
        for (QComboBox* c : {w.form->ComboBox7, w.form->ComboBox8, w.form->ComboBox9, w.form->ComboBox10})
            QCOMPARE(c->currentIndex(), -1);
    }

    void readAnswerSelectsLevelsAndLamps()
    {
        TestWindow w;
        w.form->LastCommandCode = "40408013";
        w.form->DispatchLongAnswer(IdAnswer(0x0102, "0013", "0100"));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("IO开关量读取成功!"));
        QCOMPARE(w.form->Edit10->text(), QStringLiteral("258"));
        QCOMPARE(w.form->ComboBox7->currentText(), QStringLiteral("高低平"));
        QCOMPARE(w.form->ComboBox8->currentText(), QStringLiteral("低电平"));
        QCOMPARE(w.form->Shape1->brushColor(), TShape::lime());
        QCOMPARE(w.form->Shape2->brushColor(), TShape::silver());
        // output lists and lamps stay as they were
        QCOMPARE(w.form->ComboBox9->currentIndex(), 0);
        QCOMPARE(w.form->Shape3->brushColor(), TShape::silver());

        // levels the lists do not have: no selection, silver lamps
        w.form->DispatchLongAnswer(IdAnswer(5, "0013", "0210"));
        QCOMPARE(w.form->ComboBox7->currentIndex(), -1);
        QCOMPARE(w.form->ComboBox8->currentIndex(), -1);
        QCOMPARE(w.form->Shape1->brushColor(), TShape::silver());
        QCOMPARE(w.form->Edit10->text(), QStringLiteral("5"));
    }

    void readAnswerAfterAnotherCommand()
    {
        TestWindow w;
        w.form->LastCommandCode = "40408012";
        w.form->ComboBox7->setCurrentIndex(0);
        w.form->DispatchLongAnswer(IdAnswer(1, "0013", "0101"));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("返回IO开关量读取应答!"));
        QCOMPARE(w.form->ComboBox7->currentIndex(), 0);
        QCOMPARE(w.form->Shape1->brushColor(), TShape::silver());
    }

    void setAnswersLightOutputLamps()
    {
        TestWindow w;
        w.form->LastCommandCode = "40408012";
        w.form->DispatchLongAnswer(IdAnswer(1, "0012", "0201"));
        QCOMPARE(w.form->PanelText(2), QStringLiteral("IO开关量设置成功!"));
        QCOMPARE(w.form->Shape4->brushColor(), TShape::lime());
        QCOMPARE(w.form->Shape3->brushColor(), TShape::silver());
        w.form->DispatchLongAnswer(IdAnswer(1, "0012", "0101"));
        QCOMPARE(w.form->Shape3->brushColor(), TShape::lime());
        w.form->DispatchLongAnswer(IdAnswer(1, "0012", "0200"));
        QCOMPARE(w.form->Shape4->brushColor(), TShape::silver());
        // an output the module does not have changes no lamp
        w.form->DispatchLongAnswer(IdAnswer(1, "0012", "0300"));
        QCOMPARE(w.form->Shape3->brushColor(), TShape::lime());
        // truncated answer: no lamp changes
        w.form->DispatchLongAnswer(IdAnswer(1, "0012", "01"));
        QCOMPARE(w.form->Shape3->brushColor(), TShape::lime());
    }
};

QTEST_MAIN(IoSwitches)
#include "tst_io.moc"
