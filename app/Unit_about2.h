// The about box: product, maker, version and release date; the web address acts as a link.
#pragma once

#include <QDialog>

class QLabel;
class QFrame;

class TFrm_about : public QDialog {
    Q_OBJECT
public:
    explicit TFrm_about(QWidget* parent = nullptr);

    QLabel* Image1;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9;
    QFrame* Shape1;

    void FormCreate();
    void FormShow();
    void FormClick();
    void Label7MouseMove();
    void Label7MouseLeave();
    void Label7Click();

protected:
    void showEvent(QShowEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
