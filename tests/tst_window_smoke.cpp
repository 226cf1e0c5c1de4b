// The window comes up with its pages and controls, as at program start.
#include "support/TestWindow.h"

#include "app/Unit1.h"

#include <QComboBox>
#include <QLabel>
#include <QTabWidget>
#include <QtTest>

class WindowSmoke : public QObject {
    Q_OBJECT
private slots:
    void startsOnFirstPageInCommandMode()
    {
        TestWindow w("", false);
        QCOMPARE(w.form->PageControl1->currentIndex(), 0);
        QCOMPARE(w.form->WorkState, 1);
        QCOMPARE(w.form->ComboBox12->count(), 101);
        QCOMPARE(w.form->ComboBox12->itemText(100), QStringLiteral("2100"));
        QCOMPARE(w.form->ComboBox13->itemText(0), QStringLiteral("01"));
        QCOMPARE(w.form->ComboBox3->currentIndex(), -1);
    }
};

QTEST_MAIN(WindowSmoke)
#include "tst_window_smoke.moc"
