// Config.ini: read once while the window is created, options written when it closes.
#include "Unit1.h"

#include "IniFile.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>

namespace {
const QString kSN = QStringLiteral("SN");
const QString kVer = QStringLiteral("Ver");
const QString kOption = QStringLiteral("Option");
} // namespace

void TForm1::ReadConfiguration()
{
    IniFile ini(GlobleVar::ConfigPath());

    // serial-number defaults
    // The model list is filled after the configuration is read; FormCreate selects the row then.
    ConfiguredSnModelRow = ini.ReadInteger(kSN, QStringLiteral("Model"), 0);
    ComboBox12->setEditText(ini.ReadString(kSN, QStringLiteral("Year"), QString()));
    ComboBox13->setEditText(ini.ReadString(kSN, QStringLiteral("Month"), QString()));
    Edit2->setText(ini.ReadString(kSN, QStringLiteral("NO"), QString()));

    // edition
    GlobleVar::EditionKeyword = ini.ReadString(kVer, QStringLiteral("type"), QString());
    GlobleVar::ModelKeyword = ini.ReadString(kVer, QStringLiteral("Model"), QString());
    GlobleVar::LanguageCode = ini.ReadString(kVer, QStringLiteral("CEO"), QStringLiteral("CN"));
    GlobleVar::PrefixStyle = ini.ReadInteger(kVer, QStringLiteral("KTX"), 0);

    // options; the spin boxes bring stored values to their nearest bound
    CheckBox2->setChecked(ini.ReadBool(kOption, QStringLiteral("Frame delay"), false));
    SpinEdit2->setValue(ini.ReadInteger(kOption, QStringLiteral("Delay time"), 333));
    SpinEdit3->setValue(ini.ReadInteger(kOption, QStringLiteral("RX timer"), 30));
    SpinEdit4->setValue(ini.ReadInteger(kOption, QStringLiteral("RX/TX conversion"), 20));
    N18->setChecked(ini.ReadBool(kOption, QStringLiteral("Search before R/W"), true));
    // The chain blocks the window for this long: a mistyped huge value would freeze it.
    GlobleVar::TestDelayTime =
        qBound(0, ini.ReadInteger(kOption, QStringLiteral("Test Delay Time"), 1500), GlobleVar::kMaxTestDelayMs);

    if (GlobleVar::ModelKeyword.left(5) == QLatin1String("KTX52")
        && GlobleVar::ModelKeyword == QLatin1String("KTX52ID")) {
        SpeedButton4->setEnabled(false);
        SpeedButton9->setEnabled(false);
        SpeedButton5->setEnabled(false);
        SpeedButton10->setEnabled(false);
    }

    GlobleVar::TestEdition = GlobleVar::IsEdition("VORDAL");
    if (!GlobleVar::TestEdition) {
        GroupBox12->hide();
        GroupBox13->hide();
        GroupBox6->move(GroupBox4->x(), GroupBox4->y() + GroupBox4->height() + 18);
        GroupBox19->move(GroupBox20->x(), GroupBox20->y() + GroupBox20->height() + 10);
        GroupBox13->move(GroupBox13->x(), GroupBox19->y() + GroupBox19->height());
        resize(width(), 550);
        SpeedButton25->hide();
        CheckBox4->hide();
        N7->menuAction()->setVisible(false);
        ClearSerialNumberFields();
        ConfiguredSnModelRow = -1;
        if (GlobleVar::IsShortFrameEdition()) {
            SpeedButton2->move(SpeedButton2->x(), 12);
            SpeedButton8->move(SpeedButton8->x(), 12);
            Label54->show();
            Label55->show();
            Edit19->show();
        } else if (GlobleVar::IsEdition("PLOVAR")) {
            Edit1->hide();
        }
    }

    ApplyLanguage();
}

void TForm1::SaveOptions()
{
    // A file that cannot be written is passed over in silence; the window closes anyway.
    IniFile ini(GlobleVar::ConfigPath());
    ini.WriteInteger(kOption, QStringLiteral("Delay time"), SpinEdit2->value());
    ini.WriteInteger(kOption, QStringLiteral("RX timer"), SpinEdit3->value());
    ini.WriteInteger(kOption, QStringLiteral("RX/TX conversion"), SpinEdit4->value());
    ini.WriteBool(kOption, QStringLiteral("Frame delay"), CheckBox2->isChecked());
    ini.WriteBool(kOption, QStringLiteral("Search before R/W"), N18->isChecked());
}
