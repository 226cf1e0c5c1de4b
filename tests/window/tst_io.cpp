// IO switches on the window: the target ID and level checks, progress, answer and failure
// texts, and the lists and lamps the answers set.
#include "support/ModuleTestUtil.h"

#include "app/Unit1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using namespace CmdTest;

class IoSwitches : public QObject {
    Q_OBJECT
private slots:
    void readAndSetAgainstTheModule()
    {
        TestWindow w(SimConfig("model=32,id=258,in1=1,in2=0"));
        TForm1* f = w.form;
        f->Edit10->setText("258");
        for (QComboBox* c : {f->ComboBox7, f->ComboBox8, f->ComboBox9, f->ComboBox10})
            c->setCurrentIndex(0);
        f->SpeedButton13Click();
        for (QComboBox* c : {f->ComboBox7, f->ComboBox8, f->ComboBox9, f->ComboBox10})
            QCOMPARE(c->currentIndex(), -1);
        QCOMPARE(f->PanelText(2), QStringLiteral("正在读取IO开关量......"));
        QVERIFY(WaitPanel(w, QStringLiteral("IO开关量读取成功!")));
        QCOMPARE(f->Edit10->text(), QStringLiteral("258"));
        QCOMPARE(f->ComboBox7->currentText(), QStringLiteral("高低平"));
        QCOMPARE(f->ComboBox8->currentText(), QStringLiteral("低电平"));
        QCOMPARE(f->Shape1->brushColor(), TShape::lime());
        QCOMPARE(f->Shape2->brushColor(), TShape::silver());
        // the output lists stay empty after a read
        QCOMPARE(f->ComboBox10->currentIndex(), -1);

        f->ComboBox10->setCurrentIndex(1);
        f->SpeedButton32Click();
        QCOMPARE(f->PanelText(2), QStringLiteral("正在设置输出开关量(o口)......"));
        QVERIFY(WaitPanel(w, QStringLiteral("IO开关量设置成功!")));
        QCOMPARE(f->Shape4->brushColor(), TShape::lime());
        QCOMPARE(Module()->options().out2, 1);
        QVERIFY(w.ui.messages.isEmpty());
    }

    void refusedSendTexts_data()
    {
        QTest::addColumn<QByteArray>("handler");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("box");
        QTest::newRow("read") << QByteArray("SpeedButton13Click") << "IO开关量读取失败!" << "读取失败!";
        QTest::newRow("output 1") << QByteArray("SpeedButton12Click") << "输出开关量(o口)读取失败!" << "设置失败!";
        QTest::newRow("output 2") << QByteArray("SpeedButton32Click") << "输出开关量(o口)读取失败!" << "设置失败!";
    }
    void refusedSendTexts()
    {
        QFETCH(QByteArray, handler);
        QFETCH(QString, panel);
        QFETCH(QString, box);
        TestWindow w(SimConfig());
        w.form->Edit10->setText("1");
        w.form->ComboBox9->setCurrentIndex(1);
        w.form->ComboBox10->setCurrentIndex(0);
        ResetSimulatedModules(); // the port is gone under the window
        w.ui.clear();
        QVERIFY(QMetaObject::invokeMethod(w.form, handler.constData()));
        QCOMPARE(w.form->PanelText(2), panel);
        QCOMPARE(w.ui.lastMessage(), box);
    }

    void targetIdAndLevelChecks()
    {
        TestWindow w(SimConfig());
        TForm1* f = w.form;
        w.ui.clear();
        f->Edit10->clear();
        f->SpeedButton13Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("目标地址不能为空!"));
        QCOMPARE(f->LastFocusRequest, static_cast<QWidget*>(f->Edit10));
        // two bytes only: a larger number would address another module
        f->Edit10->setText("70000");
        f->ComboBox9->setCurrentIndex(1);
        f->SpeedButton12Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("目标ID超出范围（0-65535）!"));
        f->SpeedButton13Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("目标ID超出范围（0-65535）!"));

        f->Edit10->setText("1");
        f->ComboBox10->setCurrentIndex(-1);
        f->SpeedButton32Click();
        QCOMPARE(w.ui.lastMessage(), QStringLiteral("请先选择输出电平!"));
        QCOMPARE(f->LastFocusRequest, static_cast<QWidget*>(f->ComboBox10));
        QCOMPARE(w.ui.messages.size(), 4);
        QCOMPARE(f->Session->lastCommand(), Command::None);
    }

    void readAnswers()
    {
        TestWindow w(SimConfig());
        TForm1* f = w.form;
        ModuleSession* s = f->Session;
        s->recordCommand(Command::IoWrite);
        f->ComboBox7->setCurrentIndex(0);
        s->DispatchLongAnswer(IdAnswer(1, "0013", "0101"));
        QCOMPARE(f->PanelText(2), QStringLiteral("返回IO开关量读取应答!"));
        QCOMPARE(f->ComboBox7->currentIndex(), 0);
        QCOMPARE(f->Shape1->brushColor(), TShape::silver());

        s->recordCommand(Command::IoRead);
        s->DispatchLongAnswer(IdAnswer(0x0102, "0013", "0100"));
        QCOMPARE(f->Edit10->text(), QStringLiteral("258"));
        QCOMPARE(f->Shape1->brushColor(), TShape::lime());
        // levels the lists do not have: no selection, silver lamps
        s->DispatchLongAnswer(IdAnswer(5, "0013", "0210"));
        QCOMPARE(f->ComboBox7->currentIndex(), -1);
        QCOMPARE(f->ComboBox8->currentIndex(), -1);
        QCOMPARE(f->Shape1->brushColor(), TShape::silver());
        QCOMPARE(f->Edit10->text(), QStringLiteral("5"));
        // output lists and lamps are not the read's
        QCOMPARE(f->ComboBox9->currentIndex(), 0);
        QCOMPARE(f->Shape3->brushColor(), TShape::silver());
    }

    void setAnswersLightOutputLamps()
    {
        TestWindow w(SimConfig());
        TForm1* f = w.form;
        ModuleSession* s = f->Session;
        s->recordCommand(Command::IoWrite);
        s->DispatchLongAnswer(IdAnswer(1, "0012", "0101"));
        QCOMPARE(f->Shape3->brushColor(), TShape::lime());
        QCOMPARE(f->Shape4->brushColor(), TShape::silver());
        s->DispatchLongAnswer(IdAnswer(1, "0012", "0201"));
        QCOMPARE(f->Shape4->brushColor(), TShape::lime());
        s->DispatchLongAnswer(IdAnswer(1, "0012", "0200"));
        QCOMPARE(f->Shape4->brushColor(), TShape::silver());
        // an output the module does not have, and a truncated answer, change no lamp
        s->DispatchLongAnswer(IdAnswer(1, "0012", "0300"));
        s->DispatchLongAnswer(IdAnswer(1, "0012", "01"));
        QCOMPARE(f->Shape3->brushColor(), TShape::lime());
        QCOMPARE(f->Shape4->brushColor(), TShape::silver());
    }
};

QTEST_MAIN(IoSwitches)
#include "tst_io.moc"
