#include "Unit_about2.h"

#include "GlobleVar.h"
#include "UiServices.h"
#include "Unit1.h"
#include "texts/product_texts.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

namespace {
QString U(const char* s) { return QString::fromUtf8(s); }

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(x, y, w, h);
    return l;
}
} // namespace

TFrm_about::TFrm_about(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Frm_about"));
    setWindowTitle(U("关于"));
    setFont(WindowFont(false));
    setFixedSize(420, 300);

    Image1 = MakeLabel(this, "Image1", QString(), 20, 20, 32, 32);
    Image1->setPixmap(QPixmap(QStringLiteral(":/icons/rfmodtool32.png")));
    Label1 = MakeLabel(this, "Label1", U(ProductTexts::TitleCn), 64, 18, 340, 30);
    QFont title = Label1->font();
    title.setPixelSize(21);
    title.setBold(true);
    Label1->setFont(title);
    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::HLine);
    Shape1->setFrameShadow(QFrame::Plain);
    Shape1->setGeometry(20, 56, 380, 1);
    Label6 = MakeLabel(this, "Label6", QLatin1String(ProductTexts::ModelLine), 64, 60, 340, 16);
    QFont small = Label6->font();
    small.setPixelSize(10);
    Label6->setFont(small);
    Label2 = MakeLabel(this, "Label2", U(ProductTexts::MakerCn), 30, 92, 370, 20);
    Label3 = MakeLabel(this, "Label3", U(ProductTexts::AddressCn), 30, 116, 370, 20);
    Label4 = MakeLabel(this, "Label4", U(ProductTexts::PhoneCn), 30, 140, 370, 20);
    Label8 = MakeLabel(this, "Label8", U("网址："), 30, 164, 44, 20);
    Label7 = MakeLabel(this, "Label7", QLatin1String(ProductTexts::WebAddress), 74, 164, 320, 20);
    Label7->setCursor(Qt::PointingHandCursor);
    Label7->setAttribute(Qt::WA_Hover);
    Label7->installEventFilter(this);
    Label5 = MakeLabel(this, "Label5", QString(), 30, 230, 200, 20);
    Label9 = MakeLabel(this, "Label9", QString(), 240, 230, 150, 20);
    FormCreate();
}

void TFrm_about::FormCreate()
{
    if (!GlobleVar::MessagesInEnglish())
        return;
    setFont(WindowFont(true));
    QFont title = Label1->font();
    title.setFamilies(WindowFont(true).families());
    Label1->setFont(title);
    Label1->setText(QLatin1String(ProductTexts::TitleEn));
    Label5->setText(QStringLiteral("Ver: V3.16"));
    Label2->setText(QLatin1String(ProductTexts::MakerEn));
    Label3->setText(QLatin1String(ProductTexts::AddressEn));
    Label3->resize(Label3->width(), 36);
    Label4->setText(QLatin1String(ProductTexts::PhoneEn));
    Label4->move(Label4->x(), Label4->y() + 10 + 16);
    Label8->setText(QStringLiteral("Web:"));
    Label7->setText(QLatin1String(ProductTexts::WebAddress));
    Label8->move(Label8->x(), Label8->y() + 10 + 16);
    Label7->move(Label7->x(), Label7->y() + 10 + 16);
}

void TFrm_about::FormShow()
{
    Label5->setText(QLatin1String(ProductTexts::FullVersion));
    Label9->setText(QLatin1String(ProductTexts::ReleaseDate));
}

void TFrm_about::FormClick() { accept(); }

void TFrm_about::Label7MouseMove()
{
    QFont f = Label7->font();
    f.setUnderline(true);
    Label7->setFont(f);
    Label7->setStyleSheet(QStringLiteral("color: blue"));
}

void TFrm_about::Label7MouseLeave()
{
    QFont f = Label7->font();
    f.setUnderline(false);
    Label7->setFont(f);
    Label7->setStyleSheet(QStringLiteral("color: black"));
}

void TFrm_about::Label7Click()
{
    Ui().openUrl(Label7->text());
}

void TFrm_about::showEvent(QShowEvent* e)
{
    FormShow();
    QDialog::showEvent(e);
}

void TFrm_about::mousePressEvent(QMouseEvent* e)
{
    // Labels pass their clicks on to the box; only a click beside them closes it.
    auto* label = qobject_cast<QLabel*>(childAt(e->position().toPoint()));
    if (label && label != Image1)
        return;
    FormClick();
}

bool TFrm_about::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label7) {
        switch (event->type()) {
        case QEvent::Enter:
        case QEvent::HoverMove:
        case QEvent::MouseMove:
            Label7MouseMove();
            break;
        case QEvent::Leave:
        case QEvent::HoverLeave:
            Label7MouseLeave();
            break;
        case QEvent::MouseButtonRelease:
            Label7Click();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}
