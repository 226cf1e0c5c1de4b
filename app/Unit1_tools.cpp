// The "工具" menu: the frame monitor, parameter profiles saved from and loaded into the
// parameter page, the pair test's record and chart, and the terminal's options.
#include "Unit1.h"

#include "FrameMonitor.h"
#include "PairChart.h"
#include "SaveDialogs.h"
#include "StationWindow.h"
#include "TerminalOptions.h"
#include "UiServices.h"
#include "core/model/Catalogue.h"
#include "core/model/Profile.h"
#include "texts/basic_texts.h"
#include "texts/tools_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

using namespace ToolsTexts;

namespace {

// Shows a window made once, in front.
template <typename W>
void Raise(W* w)
{
    w->show();
    w->raise();
    w->activateWindow();
}


QString ProblemText(const Profiles::Problem& p)
{
    switch (p.field) {
    case Profiles::Problem::Model: return Tr(ProblemModel).arg(p.value, p.model);
    case Profiles::Problem::Channel: return Tr(ProblemChannel).arg(p.value, p.model, p.allowed);
    case Profiles::Problem::AirRate: return Tr(ProblemAirRate).arg(p.value, p.model, p.allowed);
    case Profiles::Problem::SerialBaud: return Tr(ProblemSerialBaud).arg(p.value, p.model, p.allowed);
    case Profiles::Problem::Power: return Tr(ProblemPower).arg(p.value, p.model);
    case Profiles::Problem::Base: return Tr(ProblemBase).arg(p.value, p.model, p.allowed);
    }
    return QString();
}

// The row of a list whose text is `text`, -1 when it has none.
int RowOfText(QComboBox* list, const QString& text)
{
    return list->findText(text, Qt::MatchExactly);
}

// Whether `path` names the tool's own Config.ini, by any spelling or link.
bool IsToolConfig(const QString& path)
{
    const QFileInfo file(path);
    const QFileInfo config(GlobleVar::ConfigPath());
    return file.absoluteFilePath() == config.absoluteFilePath()
           || (file.exists() && file.canonicalFilePath() == config.canonicalFilePath());
}

} // namespace

QString ProfileReadProblemText(const Profiles::ReadProblem& p)
{
    const QString file = QDir::toNativeSeparators(p.path);
    switch (p.kind) {
    case Profiles::ReadProblem::None: break;
    case Profiles::ReadProblem::NoFile: return Tr(ReadNoFile).arg(file);
    case Profiles::ReadProblem::Directory: return Tr(ReadDirectory).arg(file);
    case Profiles::ReadProblem::NotRegular: return Tr(ReadNotRegular).arg(file);
    case Profiles::ReadProblem::TooLarge: return Tr(ReadTooLarge).arg(file);
    case Profiles::ReadProblem::NotProfile: return Tr(ReadNotProfile).arg(file);
    case Profiles::ReadProblem::BadFormat: return Tr(ReadBadFormat).arg(file, p.value);
    case Profiles::ReadProblem::NewerFormat: return Tr(ReadNewerFormat).arg(file, p.value, p.allowed);
    case Profiles::ReadProblem::NoModel: return Tr(ReadNoModel).arg(file, p.value);
    case Profiles::ReadProblem::NoBase: return Tr(ReadNoBase).arg(file, p.value);
    case Profiles::ReadProblem::UnknownKey: return Tr(ReadUnknownKey).arg(file, p.key, p.allowed);
    case Profiles::ReadProblem::BadValue: return Tr(ReadBadValue).arg(file, p.key, p.value);
    }
    return file;
}

void TForm1::N22Click()
{
    if (!MonitorWindow)
        MonitorWindow = new FrameMonitorWindow(*FrameHistory, this);
    Raise(MonitorWindow);
}

void TForm1::N25Click()
{
    if (!ChartWindow)
        ChartWindow = new PairChartWindow(*PairRecord, this);
    Raise(ChartWindow);
}

void TForm1::N27Click()
{
    if (!StationWindow)
        StationWindow = new ProductionStationWindow(this);
    Raise(StationWindow);
}

void TForm1::N26Click()
{
    if (!TerminalOptions)
        TerminalOptions = new TerminalOptionsDialog(this);
    Raise(TerminalOptions);
}

// Save: the values the parameter page shows, with its model row and base frequency.
void TForm1::N23Click()
{
    auto row = [](QComboBox* c) { return c->currentIndex(); };
    Profile p;
    p.modelRow = row(ComboBox15);
    p.base = row(ComboBox16) >= 0 ? ComboBox16->currentText() : QString();
    p.channel = row(ComboBox4) >= 0 ? row(ComboBox4) + 1 : -1;
    p.airRate = row(ComboBox1) >= 0 ? RateOfListRow(row(ComboBox1)) : 0;
    p.serialBaud = row(ComboBox2) >= 0 ? RateOfListRow(row(ComboBox2)) : 0;
    p.serialParity = ParityOfPageRow(row(ComboBox3));
    p.protocol = row(ComboBox5);
    p.powerMode = row(ComboBox6);
    bool number = false;
    const int id = Edit15->text().toInt(&number);
    p.radioId = number && id >= 0 && id <= 65535 ? id : -1;
    p.power = ComboBox14->isEnabled() ? row(ComboBox14) : -1;
    p.powerLevel = row(ComboBox21);
    // A page nobody filled in would make a file that puts nothing into a module. The protocol
    // list always shows a row (its first at start), so alone it is no value.
    Profile chosen = p;
    if (chosen.protocol == 0)
        chosen.protocol = -1;
    if (p.modelRow < 0 && chosen.isEmpty()) {
        ShowWarning(Tr(ProfileEmpty), this);
        return;
    }
    const QString path = ChooseSaveFile(this, Tr(SaveProfileItem), Tr(ProfileFiles), QStringLiteral("ini"));
    if (path.isEmpty())
        return;
    // The tool's own configuration (ports, language, serial numbers) is no profile.
    if (IsToolConfig(path)) {
        ShowWarning(Tr(ProfileOverConfig), this);
        return;
    }
    QString error;
    if (!Profiles::Write(path, p, &error)) {
        ShowWarning(Tr(FileFail) + error, this);
        return;
    }
    SetPanel(2, Tr(ProfileSaved) + QDir::toNativeSeparators(path));
}

// Load: fills the page's lists; nothing is sent until a write button is pressed.
void TForm1::N24Click()
{
    const QString path =
        Ui().chooseFile(this, false, Tr(LoadProfileItem), Tr(ProfileFiles) + QStringLiteral(";;") + Tr(AllFiles));
    if (path.isEmpty())
        return;
    Profile p;
    Profiles::ReadProblem problem;
    if (!Profiles::Read(path, &p, &problem)) {
        ShowWarning(Tr(ProfileBad) + ProfileReadProblemText(problem), this);
        return;
    }
    // A page without a model takes the profile's; without either there is nothing to check against.
    if (ComboBox15->currentIndex() < 0) {
        if (p.modelRow < 0) {
            Warn(BasicTexts::ChooseModelFirst);
            FocusControl(ComboBox15);
            return;
        }
        ComboBox15->setCurrentIndex(p.modelRow);
        ApplyModelRow();
    }
    const int row = ComboBox15->currentIndex();
    const QList<Profiles::Problem> problems = Profiles::CheckValues(p, row, GlobleVar::EditionKeyword());
    auto bad = [&](Profiles::Problem::Field f) {
        for (const Profiles::Problem& pr : problems)
            if (pr.field == f)
                return true;
        return false;
    };
    if (!p.base.isEmpty() && !bad(Profiles::Problem::Base)) {
        SelectBaseFrequency(p.base);
        BuildChannelPlan(ComboBox15->currentText(), p.base);
    }
    // Lists the parameter lock holds keep their values.
    const bool locked = CheckBox4->isChecked();
    if (locked) {
        p.channel = -1;
        p.airRate = 0;
        p.serialBaud = 0;
        p.serialParity = Parity::Unknown;
        p.protocol = -1;
    }
    if (p.channel >= 0) {
        ComboBox4->setCurrentIndex(bad(Profiles::Problem::Channel) ? -1 : p.channel - 1);
        ComboBox4Click();
    }
    if (p.airRate > 0)
        ComboBox1->setCurrentIndex(bad(Profiles::Problem::AirRate) ? -1 : RowOfText(ComboBox1, QString::number(p.airRate)));
    if (p.serialBaud > 0)
        ComboBox2->setCurrentIndex(bad(Profiles::Problem::SerialBaud) ? -1
                                                                       : RowOfText(ComboBox2, QString::number(p.serialBaud)));
    if (p.serialParity != Parity::Unknown)
        for (int r = 0; r < 3; ++r)
            if (ParityOfPageRow(r) == p.serialParity)
                ComboBox3->setCurrentIndex(r);
    if (p.protocol >= 0)
        ComboBox5->setCurrentIndex(p.protocol);
    if (p.powerMode >= 0)
        ComboBox6->setCurrentIndex(p.powerMode);
    if (p.radioId >= 0)
        Edit15->setText(QString::number(p.radioId));
    if (p.power >= 0)
        ComboBox14->setCurrentIndex(bad(Profiles::Problem::Power) ? -1 : p.power);
    if (p.powerLevel >= 0)
        ComboBox21->setCurrentIndex(p.powerLevel);
    SetPanel(2, Tr(ProfileLoaded));
    QStringList warnings;
    if (locked)
        warnings << Tr(ProfileLocked);
    QStringList lines;
    for (const Profiles::Problem& pr : problems)
        if (!locked || (pr.field != Profiles::Problem::Channel && pr.field != Profiles::Problem::AirRate
                        && pr.field != Profiles::Problem::SerialBaud))
            lines << ProblemText(pr);
    if (!lines.isEmpty())
        warnings << Tr(ProfileNotForModel) + lines.join(QLatin1Char('\n'));
    if (!warnings.isEmpty())
        ShowWarning(warnings.join(QLatin1Char('\n')), this);
}
