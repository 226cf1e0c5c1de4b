// IO switches against the simulated IO module: ID-protocol frames on the wire, lamps from the
// module's answers, and frames for another ID left unanswered.
#include "support/ModuleTestUtil.h"

#include "app/Unit1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using namespace CmdTest;

class IoModule : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSimulatedModules(); }
    void cleanup() { ResetSimulatedModules(); }

    void readInputsOfTheModule()
    {
        TestWindow w(SimConfig("model=32,id=258,in1=1,in2=0"));
        TakeRequests();
        w.form->Edit10->setText("258");
        w.form->SpeedButton13Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("正在读取IO开关量......"));
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2) == QStringLiteral("IO开关量读取成功!"); }, 3000));
        QCOMPARE(TakeRequests(), QStringList{"ID 8013 payload 00 00"});
        QCOMPARE(w.form->Edit10->text(), QStringLiteral("258"));
        QCOMPARE(w.form->ComboBox7->currentIndex(), 1);
        QCOMPARE(w.form->ComboBox8->currentIndex(), 0);
        QCOMPARE(w.form->Shape1->brushColor(), TShape::lime());
        QCOMPARE(w.form->Shape2->brushColor(), TShape::silver());
        // the output lists stay empty after a read; setting one needs a level first
        QCOMPARE(w.form->ComboBox10->currentIndex(), -1);
    }

    void setOutput2High()
    {
        TestWindow w(SimConfig("model=32,id=1"));
        TakeRequests();
        w.form->Edit10->setText("1");
        w.form->ComboBox10->setCurrentIndex(1);
        w.form->SpeedButton32Click();
        QCOMPARE(w.form->PanelText(2), QStringLiteral("正在设置输出开关量(o口)......"));
        QVERIFY(w.waitFor([&] { return w.form->PanelText(2) == QStringLiteral("IO开关量设置成功!"); }, 3000));
        QCOMPARE(TakeRequests(), QStringList{"ID 8012 payload 02 01"});
        QCOMPARE(w.form->Shape4->brushColor(), TShape::lime());
        QCOMPARE(Module()->options().out2, 1);

        w.form->ComboBox10->setCurrentIndex(0);
        w.form->SpeedButton32Click();
        QVERIFY(w.waitFor([&] { return w.form->Shape4->brushColor() == TShape::silver(); }, 3000));
        QCOMPARE(Module()->options().out2, 0);
    }

    void frameForAnotherIdGetsNoAnswer()
    {
        TestWindow w(SimConfig("model=32,id=7"));
        w.form->Edit10->setText("8");
        w.form->ComboBox9->setCurrentIndex(1);
        w.form->SpeedButton12Click();
        w.pump(400);
        QCOMPARE(w.form->PanelText(2), QStringLiteral("正在设置输出开关量(o口)......"));
        QCOMPARE(w.form->Shape3->brushColor(), TShape::silver());
        QCOMPARE(Module()->options().out1, 0);
    }
};

QTEST_MAIN(IoModule)
#include "tst_io_module.moc"
