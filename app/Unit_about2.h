// The about box.
#pragma once

#include <QDialog>

class QLabel;

class TFrm_about : public QDialog {
    Q_OBJECT
public:
    explicit TFrm_about(QWidget* parent = nullptr);
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9;
    void FormShow();

protected:
    void showEvent(QShowEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
};
