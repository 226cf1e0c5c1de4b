// Config.ini: read once while the window is created, options written when it closes.
#include "Unit1.h"

#include "UiServices.h"
#include "core/config/ToolConfig.h"
#include "texts/app_texts.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>

void TForm1::ReadConfiguration()
{
    const QString path = GlobleVar::ConfigPath();

    // serial-number defaults; the model list is filled after the configuration is read, and
    // FormCreate selects the row then
    const ToolConfig::Sn sn = ToolConfig::ReadSn(path);
    ConfiguredSnModelRow = sn.model;
    ComboBox12->setEditText(sn.year);
    ComboBox13->setEditText(sn.month);
    Edit2->setText(sn.number);

    // the tool's settings: edition, language and options (the port and line are the port
    // dialog's, and the option controls hold their values from here on)
    GlobleVar::Settings = ToolConfig::ReadSettings(path);
    const ToolSettings& settings = GlobleVar::Settings;
    CheckBox2->setChecked(settings.fixedGap);
    SpinEdit2->setValue(settings.gapMs);
    SpinEdit3->setValue(settings.receivePeriodMs);
    SpinEdit4->setValue(settings.rxTxPauseMs);
    N18->setChecked(settings.searchFirst);

    if (GlobleVar::Settings.edition.modelKeyword.left(5) == QLatin1String("KTX52")
        && GlobleVar::Settings.edition.modelKeyword == QLatin1String("KTX52ID")) {
        SpeedButton4->setEnabled(false);
        SpeedButton9->setEnabled(false);
        SpeedButton5->setEnabled(false);
        SpeedButton10->setEnabled(false);
    }

    if (!GlobleVar::TestEdition()) {
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
    // The window closes anyway; the operator learns the options were not kept.
    ToolConfig::Options o;
    o.delayTime = SpinEdit2->value();
    o.rxTimer = SpinEdit3->value();
    o.rxTxConversion = SpinEdit4->value();
    o.frameDelay = CheckBox2->isChecked();
    o.searchBeforeRW = N18->isChecked();
    IniWriteError error;
    if (!ToolConfig::WriteOptions(GlobleVar::ConfigPath(), o, &error))
        ShowWarning(Tr(AppTexts::ConfigNotSaved) + error.describe(), this);
}
