// The window comes up with its pages and controls, as at program start.
#include "support/TestWindow.h"

#include "app/Unit1.h"

#include <QComboBox>
#include <QPushButton>
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
        QCOMPARE(int(w.form->State()), 1);
        QCOMPARE(w.form->ComboBox12->count(), 100);
        QCOMPARE(w.form->ComboBox12->itemText(99), QStringLiteral("2099"));
        QCOMPARE(w.form->ComboBox13->itemText(0), QStringLiteral("01"));
        QCOMPARE(w.form->ComboBox3->currentIndex(), -1);
        // nothing that needs a model row is offered before one is chosen or found
        for (QWidget* c : std::initializer_list<QWidget*>{w.form->SpeedButton2, w.form->SpeedButton4, w.form->SpeedButton5,
                                                          w.form->SpeedButton12, w.form->SpeedButton13, w.form->SpeedButton32,
                                                          w.form->SpeedButton33, w.form->ComboBox14})
            QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
        QVERIFY(w.form->SpeedButton8->isEnabled());
    }
};

QTEST_MAIN(WindowSmoke)
#include "tst_window_smoke.moc"
