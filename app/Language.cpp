// Interface language: English (or German) captions, the window title, the model-naming
// captions, and the help command.
#include "Unit1.h"

#include "CaptionFit.h"
#include "HelpDocument.h"
#include "StartOptions.h"
#include "UiServices.h"
#include "texts/app_texts.h"
#include "texts/product_texts.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <algorithm>

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

struct Caption {
    QObject* control;
    const char* en;
    const char* de; // nullptr: the English caption also in the German edition
};

// Sets the visible caption of whatever kind of control it is.
void SetCaption(TForm1* form, QObject* control, const QString& text)
{
    if (auto* b = qobject_cast<QAbstractButton*>(control))
        b->setText(text);
    else if (auto* l = qobject_cast<QLabel*>(control))
        l->setText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(control))
        g->setTitle(text);
    else if (auto* m = qobject_cast<QMenu*>(control))
        m->setTitle(text);
    else if (auto* a = qobject_cast<QAction*>(control))
        a->setText(text);
    else if (auto* w = qobject_cast<QWidget*>(control)) {
        const int tab = form->PageControl1->indexOf(w);
        if (tab >= 0)
            form->PageControl1->setTabText(tab, text);
    }
}

// Width a label needs for its text.
int TextWidth(QLabel* l)
{
    return l->fontMetrics().horizontalAdvance(l->text()) + 4;
}

// Right edge of the controls on a page of absolutely placed controls.
int RightEdge(QWidget* page)
{
    int right = 0;
    for (QObject* o : page->children())
        if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow() && !w->isHidden())
            right = std::max(right, w->x() + w->width());
    return right;
}

} // namespace

QFont WindowFont(bool western)
{
    // The window is designed in 宋体 (Chinese) or Arial (Western) at 12 px; where those are
    // absent the fonts Debian has with about their metrics stand in.
    QFont f;
    f.setFamilies(western ? QStringList{QStringLiteral("Arial"), QStringLiteral("Liberation Sans")}
                          : QStringList{QStringLiteral("SimSun"), U("宋体"), QStringLiteral("NSimSun"),
                                        QStringLiteral("WenQuanYi Micro Hei")});
    f.setPixelSize(12);
    return f;
}

void TForm1::ApplyLanguage()
{
    const bool english = GlobleVar::CaptionsInEnglish();
    const bool german = english && GlobleVar::IsEdition("GERMAN");
    const bool brand = GlobleVar::PrefixStyle() == 1;
    // the room each page has at its right as designed, kept when a group must grow
    QWidget* const pages[] = {TabSheet1, Panel2, Panel6};
    int room[3];
    for (int i = 0; i < 3; ++i)
        room[i] = width() - RightEdge(pages[i]);

    if (english) {
        setFont(WindowFont(true));

        const Caption captions[] = {
            {N1, "COM Option", "COM EINSTELLUNGEN"},
            {N2, "COM Set", nullptr},
            {N3, "Search Radio", "FUNKMODULE SUCHEN"},
            {N14, "Begin Search", "Begin SUCHEN"},
            {N19, "Stop Search", "Stop SUCHEN"},
            {N4, "Read or Write", "LESEN UND SCHREIBEN"},
            {N5, "Read All Parameters", "EINLESEN All Parameters"},
            {N6, "Write All Parameters", "SCHREIBEN All Parameters"},
            {N18, "Search Before Read/Write", "SUCHEN Before EINLESEN/SCHREIBEN"},
            {N7, "Radio Test", "FUNK Test"},
            {N8, "Transmit Test", "SENDE Test"},
            {N15, "Receive Test", "EMPFANGE Test"},
            {N9, "Transmit Both Sides", "BIDIREKTIONALE VERBINDUNG"},
            {N21, "Tools", "WERKZEUGE"},
            {N22, "Frame monitor…", nullptr},
            {N23, "Save parameters to file…", nullptr},
            {N24, "Load parameters from file…", nullptr},
            {N25, "Pair-test record and chart…", nullptr},
            {N26, "Terminal options…", nullptr},
            {N27, "Production station…", "Produktionsplatz…"},
            {N10, "Help", "HILFE"},
            {N20, "Help", "HILFE"},
            {N11, "About", nullptr},
            {N13, "Exit", nullptr},
            {SpeedButton1, "COM(&P)", nullptr},
            {SpeedButton20, "Search(&S)", "SUCHEN(&S)"},
            {SpeedButton30, "Stop&(&T)", "STOP&(&T)"},
            {SpeedButton3, "Read (&R)", "EINLESEN (&R)"},
            {SpeedButton4, "Read(&3)", "EINLESEN"},
            {SpeedButton2, "Read(&1)", "EINLESEN"},
            {SpeedButton22, "Read(&F)", "EINLESEN"},
            {SpeedButton24, "Read(&7)", "EINLESEN"},
            {SpeedButton11, "Read(&C)", "EINLESEN"},
            {SpeedButton13, "Read(&J)", "EINLESEN"},
            {SpeedButton31, "Read", "EINLESEN"},
            {Button1, "Read", "EINLESEN"},
            {SpeedButton5, "Read(&5)", "EINLESEN"},
            {SpeedButton26, "Read(&H)", "EINLESEN"},
            {SpeedButton21, "Write(&W)", "SCHREIBEN"},
            {SpeedButton8, "Write(&2)", "SCHREIBEN"},
            {SpeedButton10, "Write(&6)", "SCHREIBEN"},
            {SpeedButton23, "Write(&G)", "SCHREIBEN"},
            {SpeedButton25, "Write(&8)", "SCHREIBEN"},
            {SpeedButton28, "Write(&D)", "SCHREIBEN"},
            {SpeedButton12, "Write(&K)", "SCHREIBEN"},
            {SpeedButton32, "Write(&M)", "SCHREIBEN"},
            {SpeedButton33, "Write", "SCHREIBEN"},
            {Button2, "Write", "SCHREIBEN"},
            {SpeedButton9, "Write(&4)", "SCHREIBEN"},
            {SpeedButton27, "Write&I)", "SCHREIBEN"},
            {SpeedButton6, "Help(&H)", "HILFE(&H)"},
            {SpeedButton7, "Exit(&X)", "EXIT(&X)"},
            {SpeedButton14, "Begin Test(&A)", nullptr},
            {SpeedButton15, "Close Test(&B)", nullptr},
            {SpeedButton29, "aWake from COM(&E)", nullptr},
            {SpeedButton17, "Send", "SENDEN"},
            {SpeedButton18, "Stop", "STOP"},
            {SpeedButton16, "Clear", nullptr},
            {TabSheet1, "Radio Parameters", "FUNK EINSTELLUNGEN"},
            {TabSheet2, "Transmit Both Sides", "BIDIREKTIONALE VERBINDUNG"},
            {TabSheet3, "Data transmit", "DATENUEBETRAGUNG"},
            {GroupBox3, "Channel and Frequency", "KANAL UND FREQUENZ"},
            {GroupBox1, "RF Baud Rate", "RF Baud"},
            {GroupBox2, "COM Parameters", nullptr},
            {GroupBox12, "Radio Test", nullptr},
            {GroupBox13, "RF Protocol", nullptr},
            {GroupBox18, "Serial Number", "SERIENNUMMER"},
            {GroupBox4, "Power Save", nullptr},
            {GroupBox14, "Test Type", nullptr},
            {GroupBox15, "Appointed Data", nullptr},
            {GroupBox16, "TX/RX Mode", nullptr},
            {GroupBox17, "Character types", nullptr},
            {GroupBox8, "Stat.", nullptr},
            {GroupBox9, "TX Option", nullptr},
            {GroupBox5, "Option", nullptr},
            {GroupBox11, "Transmit", "SENDE"},
            {GroupBox10, "Receive", "EMPFANGE"},
            {GroupBox20, "RSSI and Power", nullptr},
            {GroupBox21, "TX", nullptr},
            {GroupBox23, "TX", nullptr},
            {GroupBox22, "RX", nullptr},
            {GroupBox24, "RX", nullptr},
            {GroupBox25, "Interval(wake up from RF)", nullptr},
            {GroupBox7, "Operation", nullptr},
            {Label4, "Channel", "KANAL"},
            {Label5, "Frequency", "FREQUENZ"},
            {Label1, "Baud Rate", nullptr},
            {Label2, "Baud Rate", nullptr},
            {Label3, "Verify", nullptr},
            {Label28, "Protocol", nullptr},
            {Label6, "Wake up Mode", nullptr},
            {Label30, "ID", nullptr},
            {Label29, "ID:", nullptr},
            {Label31, "Input", nullptr},
            {Label7, "I1", nullptr},
            {Label8, "I2", nullptr},
            {Label32, "OutPut", nullptr},
            {Label9, "O1", nullptr},
            {Label10, "O2", nullptr},
            {Label11, "Transmit", "SENDE"},
            {Label12, "Receive", "EMPFANGE"},
            {Label13, "TX ", nullptr},
            {Label15, "RX", nullptr},
            {Label17, "OK", nullptr},
            {Label19, "Error", nullptr},
            {Label21, "Suceed Rate", nullptr},
            {Label26, "Timer", nullptr},
            {Label27, "ms", nullptr},
            {Label34, "ms", nullptr},
            {Label36, "ms", nullptr},
            {Label38, "ms", nullptr},
            {Label35, "RX Period", nullptr},
            {Label37, "TX/RX Transtion", nullptr},
            {Label39, "Model", "MODELL"},
            {Label40, "Base fre.", "HAUPTFREQUENZ"},
            {Label41, "Please Choose Model/Base Fre. or Search FIRST:",
             "Please Choose MODELL/HAUPTFREQUENZ or Search FIRST:"},
            {Label49, "RSSI", nullptr},
            {Label50, "Power", nullptr},
            {Label51, "capacitance", nullptr},
            {Label56, "WorkTime(MS):", nullptr},
            {Label57, "SleepTime(S):", nullptr},
            {Label42, "Model", "MODELL"},
            {Label43, "Year", nullptr},
            {Label44, "Month", nullptr},
            {Label45, "No.", nullptr},
            {RadioButton13, "TX/RX Same", nullptr},
            {RadioButton14, "RX appoint Data", nullptr},
            {RadioButton15, "MainTX", nullptr},
            {RadioButton16, "MainRX", nullptr},
            {RadioButton4, "ASCII", nullptr},
            {RadioButton3, "HEX", nullptr},
            {RadioButton1, "TX after RX", nullptr},
            {RadioButton2, "Timing TX", nullptr},
            {CheckBox1, "Rectify", nullptr},
            {CheckBox2, "Appointed Delay", nullptr},
            {CheckBox3, "Change into Data trasmitting Status", nullptr},
            {CheckBox4, "Lock parameters", nullptr},
            {CheckBox5, "Base station KTX521", nullptr},
            {SpeedButton40, "Adjust", nullptr},
            {SpeedButton38, "Set all(G-8-W-A)", nullptr},
            {SpeedButton37, "Send", "SENDEN"},
            {SpeedButton39, "Set", nullptr},
        };
        for (const Caption& c : captions)
            SetCaption(this, c.control, QString::fromUtf8(german && c.de ? c.de : c.en));
        // the start button follows the chosen role
        if (RadioButton16->isChecked())
            SpeedButton17->setText(QStringLiteral("Receive"));

        GroupBox19->setTitle(brand ? QStringLiteral("Radio ID and KTX525/535/310C power")
                                   : QStringLiteral("Radio ID and 525/535/310C power"));
        GroupBox6->setTitle(brand ? QStringLiteral("IO Control(for KTX522/KTX523 with ID protocol)")
                                  : QStringLiteral("IO Control(for 522/523 with ID protocol)"));
        Label33->setText(brand ? QStringLiteral("KTX525/535/310C power") : QStringLiteral("525/535/310C power"));

        // list items replaced in place
        const char* parity[] = {"EVEN", "ODD", "NONE"};
        for (int i = 0; i < 3; ++i)
            ComboBox3->setItemText(i, QLatin1String(parity[i]));
        ComboBox5->setItemText(0, QStringLiteral("Kestra"));
        ComboBox5->setItemText(1, QStringLiteral("Compatible"));
        const char* modes[] = {"NO Sleep mode", "Hardware", "COM Port", "RF"};
        for (int i = 0; i < 4; ++i)
            ComboBox6->setItemText(i, QLatin1String(modes[i]));
        for (QComboBox* c : {ComboBox7, ComboBox8, ComboBox9, ComboBox10}) {
            c->setItemText(0, QStringLiteral("Low"));
            c->setItemText(1, QStringLiteral("High"));
        }
        ComboBox21->clear();
        for (int level = 0; level <= 15; ++level)
            ComboBox21->addItem(QStringLiteral("Level %1").arg(level));
        ComboBox21->setCurrentIndex(-1);

        // hints, trailing spaces included
        const QString same = QStringLiteral("Two Attachable Communication RF Module/radio Must have Same channel and RF Rate!");
        ComboBox4->setToolTip(same + QStringLiteral("  "));
        SpeedButton8->setToolTip(same + QStringLiteral(" "));
        ComboBox1->setToolTip(same + QStringLiteral(" "));
        SpeedButton9->setToolTip(same + QStringLiteral(" "));
        const QString com = QStringLiteral(
            "RF Module/radio and The equipment that connected with Must have Same COM Parameters!  ");
        ComboBox2->setToolTip(com);
        ComboBox3->setToolTip(com);
        SpeedButton10->setToolTip(com);

        // help is not offered in English
        SpeedButton6->hide();
        N20->setVisible(false);

        // Western captions are longer than the designed ones: the parameter page gets more room
        constexpr double kWiderPage = 1.2;
        ScaleHorizontally(TabSheet1, kWiderPage);
        resize(qRound(width() * kWiderPage), height());

        // the model selector row, laid out again for the longer texts
        Label41->resize(TextWidth(Label41), Label41->height());
        Label39->move(Label41->x() + Label41->width() + 10, Label39->y());
        Label39->resize(TextWidth(Label39), Label39->height());
        ComboBox15->move(Label39->x() + Label39->width(), ComboBox15->y());
        Label40->move(ComboBox15->x() + ComboBox15->width() + 10, Label40->y());
        Label40->resize(TextWidth(Label40), Label40->height());
        ComboBox16->move(Label40->x() + Label40->width(), ComboBox16->y());
        CheckBox5->move(ComboBox16->x() + ComboBox16->width() + 10, CheckBox5->y());
    } else {
        GroupBox19->setTitle(brand ? U("电台ID与KTX525功率") : U("电台ID与525功率"));
        GroupBox6->setTitle(brand ? U("IO开关量(仅对 KTX522/KTX523 ID 协议)") : U("IO开关量(仅对 522/523 ID 协议)"));
        Label33->setText(brand ? U("KTX525/310C功率") : U("525/535/310C功率"));
    }

    // no caption may be cut off, in any language; a group that had to grow for its captions
    // widens the window when the page has no room left for it
    int wide = width();
    for (int i = 0; i < 3; ++i) {
        FitCaptions(pages[i]);
        wide = std::max(wide, RightEdge(pages[i]) + room[i]);
    }
    resize(wide, height());

    // window title, status panel 0 and the about command by model naming
    QString title;
    if (english) {
        title = QString::fromUtf8(german ? ProductTexts::TitleDe : ProductTexts::TitleEn) + QStringLiteral("  ")
            + QLatin1String(ProductTexts::Version);
    } else if (brand) {
        title = U(ProductTexts::BrandCn) + U(ProductTexts::TitleCn) + QStringLiteral("   ")
            + QLatin1String(ProductTexts::Version);
        if (GlobleVar::IsShortFrameEdition())
            title += QStringLiteral("  For  ") + QLatin1String(ProductTexts::CustomerName);
    } else {
        title = U(ProductTexts::TitleCn) + QStringLiteral("   ") + QLatin1String(ProductTexts::Version);
    }
    if (!StartStation().isEmpty())
        title = Tr(AppTexts::StationTitle).arg(title, StartStation());
    setWindowTitle(title);
    if (brand)
        SetPanel(0, english ? QLatin1String(ProductTexts::MakerEn) : U(ProductTexts::MakerCn));
    else
        SetPanel(0, QString());
    N11->setVisible(brand);
}

void TForm1::N20Click()
{
    // The working directory's manual first, then the installed one. Config.ini stays where
    // it is (the user's configuration directory when started from the desktop menu).
    const QString path = QDir::toNativeSeparators(
        HelpDocumentPath(QDir::currentPath(), InstalledHelpDocuments(QCoreApplication::applicationDirPath())));
    if (Ui().openDocument(path))
        return;
    // A manual that is there failed for want of a program, which the operator can mend.
    if (QFileInfo(path).isFile())
        ShowWarning(Tr(AppTexts::HelpNoProgram).arg(path), this);
    else
        ShowWarning(path + Tr(AppTexts::HelpOpenFail), this);
}
