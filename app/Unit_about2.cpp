#include "Unit_about2.h"

#include <QLabel>
#include <QVBoxLayout>

TFrm_about::TFrm_about(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8("关于"));
    auto* lay = new QVBoxLayout(this);
    QLabel** labels[] = {&Label1, &Label6, &Label2, &Label3, &Label4, &Label8, &Label7, &Label5, &Label9};
    for (QLabel** l : labels) {
        *l = new QLabel(this);
        lay->addWidget(*l);
    }
}

void TFrm_about::FormShow()
{
    Label5->setText(QStringLiteral(" V3.16.14"));
    Label9->setText(QStringLiteral("2014-8-10"));
}

void TFrm_about::showEvent(QShowEvent* e)
{
    FormShow();
    QDialog::showEvent(e);
}

void TFrm_about::mousePressEvent(QMouseEvent*)
{
    accept();
}
