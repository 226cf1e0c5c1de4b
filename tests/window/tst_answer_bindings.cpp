// What the window makes of answers beyond the acknowledgement texts: spoiled answers in the
// receive log, the PC port following a write-all through the port dialog, the frame gap the
// pair test works out shown in its field.
#include "support/ModuleTestUtil.h"

#include "app/Unit1.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTextBlock>
#include <QtTest>

using namespace CmdTest;

class AnswerBindings : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSimulatedModules(); }
    void cleanup() { ResetSimulatedModules(); }

    void invalidAnswersGoToTheReceiveLogOnly()
    {
        TestWindow w(SimConfig("badsum", "[Ver]\r\nCEO=EN\r\n"));
        TForm1* f = w.form;
        f->SpeedButton26Click();
        QVERIFY(w.waitFor([&] { return TForm1::MemoLineCount(f->Memo2) == 2; }, 3000));
        QVERIFY(f->Memo2->document()->findBlockByNumber(0).text().startsWith("5A5A00005A000D"));
        QCOMPARE(f->Memo2->document()->findBlockByNumber(1).text(), QStringLiteral("Checksum is error!"));
        QCOMPARE(f->PanelText(2), QStringLiteral("Reading ID......"));
        // an ID-protocol answer is spelled the other way; what is no frame at all takes one line
        f->Memo2->clear();
        QString badId = IdAnswer(0x0102, "0013", "0100");
        badId.replace(badId.size() - 6, 2, "FF");
        f->Session->DispatchLongAnswer(badId);
        f->Session->DispatchLongAnswer("ABCDEF");
        QCOMPARE(f->Memo2->toPlainText(), badId + "\nShecksum is error!\nABCDEF");
    }

    void pairTestGapIsShown()
    {
        TestWindow w(SimConfig());
        TForm1* f = w.form;
        f->CheckBox2->setChecked(false);
        QCOMPARE(f->Session->sendData(QByteArray(10, 'x'), WorkState::PairTest), LinkStatus::Ok);
        QCOMPARE(f->SpinEdit2->value(), 309);
    }

    void writeAllMovesThePcPortAlong()
    {
        TestWindow w(SimConfig());
        FillLists(w.form);
        w.form->N18->setChecked(false);
        SelectRows(w.form, 2, 3, 4, 1); // channel 3, 9600, 19200, odd
        w.form->SpeedButton21Click();
        QVERIFY(WaitPanel(w, QStringLiteral("参数全设成功!"), 3000));
        QCOMPARE(SimulatedPorts::lastPcLine(1), (LineSettings{19200, 'O', 8, 1}));

        // the link keeps working at the new settings
        SelectRows(w.form, -1, -1, -1, -1);
        w.form->SpeedButton3Click();
        QVERIFY(WaitPanel(w, QStringLiteral("参数全读成功!"), 3000));
        QCOMPARE(w.form->ComboBox4->currentIndex(), 2);
        QCOMPARE(w.form->ComboBox2->currentText(), QStringLiteral("19200"));
        QCOMPARE(w.form->ComboBox3->currentText(), QStringLiteral("奇校验"));
    }
};

QTEST_MAIN(AnswerBindings)
#include "tst_answer_bindings.moc"
