#include "StationWindow.h"

#include "Unit1.h"
#include "UiServices.h"
#include "core/config/IniFile.h"
#include "core/config/ToolConfig.h"
#include "core/link/PortMapping.h"
#include "core/model/Catalogue.h"
#include "core/model/Profile.h"
#include "texts/station_texts.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonValue>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSerialPortInfo>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedBarSeries>
#include <QSysInfo>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>

using namespace StationTexts;

namespace {

const int kBauds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
const Parity kParities[] = {Parity::None, Parity::Even, Parity::Odd};

QString Pad5(int n)
{
    return QStringLiteral("%1").arg(n, 5, 10, QLatin1Char('0'));
}

QString ReasonText(FailReason r)
{
    switch (r) {
    case FailReason::None: break;
    case FailReason::UnknownModel: return Tr3(ReasonUnknownModel);
    case FailReason::ProfileNotForModel: return Tr3(ReasonProfile);
    case FailReason::NoAnswer: return Tr3(ReasonNoAnswer);
    case FailReason::ModuleRefused: return Tr3(ReasonRefused);
    case FailReason::PortTrouble: return Tr3(ReasonPort);
    case FailReason::Mismatch: return Tr3(ReasonMismatch);
    case FailReason::NumberTaken: return Tr3(ReasonTaken);
    case FailReason::Database: return Tr3(ReasonDatabase);
    case FailReason::Interrupted: return Tr3(ReasonInterrupted);
    }
    return QString();
}

// A record's failure as the operator reads it: the reason in words, the detail after it.
QString FailureText(const JigRecord& r)
{
    const QString reason = ReasonText(r.reason);
    return reason.isEmpty() ? r.record.detail : QStringLiteral("%1: %2").arg(reason, r.record.detail);
}

QString ModelOf(const ModuleRecord& r)
{
    const QString model = r.readBack.value(QStringLiteral("model")).toString();
    if (!model.isEmpty())
        return model;
    return Catalogue::RowText(r.identity.modelRow, GlobleVar::PrefixStyle());
}

// The stable /dev/serial/by-path name of a device, empty when it has none.
QString ByPathName(const QString& device)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return QString();
    const QFileInfoList links = QDir(QStringLiteral("/dev/serial/by-path")).entryInfoList(QDir::System | QDir::Files);
    for (const QFileInfo& link : links)
        if (link.canonicalFilePath() == target)
            return link.absoluteFilePath();
    return QString();
}

QString StationOfConfig()
{
    const ToolConfig::Production p = ToolConfig::ReadProduction(GlobleVar::ConfigPath());
    return p.station.isEmpty() ? QSysInfo::machineHostName() : p.station;
}

QLabel* Bold(QLabel* l, int px)
{
    QFont f = l->font();
    f.setPixelSize(px);
    f.setBold(true);
    l->setFont(f);
    return l;
}

} // namespace

// ---- tile -------------------------------------------------------------------------------------

JigTile::JigTile(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setMinimumSize(200, 140);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(8, 6, 8, 6);
    v->setSpacing(2);
    auto* top = new QHBoxLayout;
    title = Bold(new QLabel(this), 15);
    pause = new QPushButton(this);
    pause->setCheckable(true);
    pause->setFocusPolicy(Qt::NoFocus);
    top->addWidget(title, 1);
    top->addWidget(pause);
    v->addLayout(top);
    // Read from two metres: large and bold.
    state = Bold(new QLabel(this), 36);
    state->setObjectName(QStringLiteral("state"));
    state->setWordWrap(true);
    reason = new QLabel(this);
    reason->setWordWrap(true);
    QFont rf = reason->font();
    rf.setPixelSize(14);
    reason->setFont(rf);
    info = new QLabel(this);
    counts = new QLabel(this);
    for (QLabel* l : {info, counts}) {
        QFont f = l->font();
        f.setPixelSize(14);
        l->setFont(f);
    }
    v->addStretch(1);
    v->addWidget(state);
    v->addWidget(reason);
    v->addStretch(1);
    v->addWidget(info);
    v->addWidget(counts);
}

void JigTile::setState(const QString& text)
{
    if (state->text() == text)
        return;
    state->setText(text);
    fitState();
}

void JigTile::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    fitState();
}

void JigTile::fitState()
{
    constexpr int kLargestPx = 36, kSmallestPx = 16;
    const int room = contentsRect().width() - 20;
    QFont f = state->font();
    for (int px = kLargestPx; px >= kSmallestPx; px -= 2) {
        f.setPixelSize(px);
        const QFontMetrics m(f);
        int widest = 0;
        for (const QString& word : state->text().split(QLatin1Char(' '), Qt::SkipEmptyParts))
            widest = std::max(widest, m.horizontalAdvance(word));
        if (widest <= room || px == kSmallestPx)
            break;
    }
    if (f != state->font())
        state->setFont(f);
}

void JigTile::setColour(const QColor& c)
{
    m_colour = c;
    QPalette p = palette();
    p.setColor(QPalette::Window, c);
    const QColor text = c.lightness() < 140 ? Qt::white : Qt::black;
    p.setColor(QPalette::WindowText, text);
    setPalette(p);
}

// ---- window -----------------------------------------------------------------------------------

ProductionStationWindow::ProductionStationWindow(QWidget* parent, Clock* clock)
    : QWidget(parent, Qt::Window), m_station(new ProductionStation(this, clock))
{
    setObjectName(QStringLiteral("ProductionStationWindow"));
    setFont(WindowFont(GlobleVar::CaptionsInEnglish()));
    resize(1280, 800);

    auto* outer = new QVBoxLayout(this);
    // start, stop and the totals
    auto* bar = new QHBoxLayout;
    ButtonStart = new QPushButton(this);
    ButtonStop = new QPushButton(this);
    ButtonShift = new QPushButton(this);
    for (QPushButton* b : {ButtonStart, ButtonStop}) {
        QFont f = b->font();
        f.setPixelSize(16);
        f.setBold(true);
        b->setFont(f);
        b->setMinimumHeight(36);
    }
    LabelTotals = Bold(new QLabel(this), 16);
    bar->addWidget(ButtonStart);
    bar->addWidget(ButtonStop);
    bar->addSpacing(16);
    bar->addWidget(LabelTotals, 1);
    bar->addWidget(ButtonShift);
    outer->addLayout(bar);

    auto* split = new QSplitter(Qt::Horizontal, this);
    auto* scroll = new QScrollArea(split);
    scroll->setWidgetResizable(true);
    m_tileArea = new QWidget(scroll);
    m_tileGrid = new QGridLayout(m_tileArea);
    m_tileGrid->setSpacing(6);
    m_hint = new QLabel(m_tileArea);
    m_hint->setWordWrap(true);
    m_hint->setAlignment(Qt::AlignCenter);
    m_tileGrid->addWidget(m_hint, 0, 0);
    scroll->setWidget(m_tileArea);
    Tabs = new QTabWidget(split);
    Tabs->addTab(buildSetup(), QString());
    Tabs->addTab(buildRecords(), QString());
    Tabs->addTab(buildChart(), QString());
    split->addWidget(scroll);
    split->addWidget(Tabs);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setSizes({760, 500});
    outer->addWidget(split, 1);
    LabelNotice = new QLabel(this);
    LabelNotice->setWordWrap(true);
    outer->addWidget(LabelNotice);

    connect(ButtonStart, &QPushButton::clicked, this, &ProductionStationWindow::StartClick);
    connect(ButtonStop, &QPushButton::clicked, this, &ProductionStationWindow::StopClick);
    connect(ButtonShift, &QPushButton::clicked, this, &ProductionStationWindow::ShiftClick);
    connect(ButtonPin, &QPushButton::clicked, this, &ProductionStationWindow::PinClick);
    auto* f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(f5, &QShortcut::activated, this, &ProductionStationWindow::StartClick);
    auto* f6 = new QShortcut(QKeySequence(Qt::Key_F6), this);
    connect(f6, &QShortcut::activated, this, &ProductionStationWindow::StopClick);

    connect(m_station, &ProductionStation::jigChanged, this, &ProductionStationWindow::showJig);
    connect(m_station, &ProductionStation::recorded, this, &ProductionStationWindow::onRecorded);
    connect(m_station, &ProductionStation::notice, this, &ProductionStationWindow::onNotice);
    connect(m_station, &ProductionStation::runningChanged, this, &ProductionStationWindow::running);
    // The clocks on the tiles and the totals; nothing else is polled.
    m_tick = new QTimer(this);
    m_tick->setInterval(1000);
    connect(m_tick, &QTimer::timeout, this, [this] {
        showTotals();
        for (int i = 0; i < Tiles.size(); ++i)
            showJig(i);
    });
    m_shiftWall = QDateTime::currentDateTime();
    m_redraw = new QTimer(this);
    m_redraw->setSingleShot(true);
    m_redraw->setInterval(200);
    connect(m_redraw, &QTimer::timeout, this, [this] {
        if (Tabs->currentIndex() == 1)
            showRecords();
        else if (Tabs->currentIndex() == 2)
            showChart();
    });
    connect(Tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab == 1)
            showRecords();
        else if (tab == 2)
            showChart();
    });

    // The set-up as last used.
    const StationSettings s = StationSettings::Read(GlobleVar::ConfigPath());
    EditProfile->setText(s.profilePath);
    EditStation->setText(StationOfConfig());
    EditOrder->setText(s.workOrder);
    EditLog->setText(s.logPath);
    ComboBaud->setCurrentIndex(std::max(0, int(std::find(std::begin(kBauds), std::end(kBauds), s.line.baud) - std::begin(kBauds)) % 8));
    ComboParity->setCurrentIndex(std::max(0, int(std::find(std::begin(kParities), std::end(kParities), s.line.parity) - std::begin(kParities)) % 3));
    SpinGap->setValue(s.gapMs > 0 ? s.gapMs : GlobleVar::Settings.gapMs);
    SpinTimeout->setValue(s.timeoutMs);
    CheckNumbered->setChecked(s.numbered);
    RadioDatabase->setChecked(s.useDatabase && RadioDatabase->isEnabled());
    RadioConfig->setChecked(!RadioDatabase->isChecked());
    CheckBeep->setChecked(s.beep);
    for (int port : s.ports)
        if (port >= 1 && port <= TablePorts->rowCount())
            TablePorts->item(port - 1, 0)->setCheckState(Qt::Checked);
    ApplyTexts();
    running(false);
}

ProductionStationWindow::~ProductionStationWindow()
{
    // The jigs stop while the tiles still exist, and tell nobody.
    disconnect(m_station, nullptr, this, nullptr);
    m_station->stopAll();
}

QWidget* ProductionStationWindow::buildSetup()
{
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    auto caption = [&] {
        auto* l = new QLabel(page);
        m_captions << l;
        return l;
    };
    auto withBrowse = [&](QLineEdit* edit, bool save, const TMsg3& filter) {
        auto* row = new QHBoxLayout;
        auto* browse = new QPushButton(page);
        browse->setProperty("browse", true);
        row->addWidget(edit, 1);
        row->addWidget(browse);
        connect(browse, &QPushButton::clicked, this, [this, edit, save, &filter] {
            const QString path = Ui().chooseFile(this, save, QString(), Tr3(filter));
            if (!path.isEmpty())
                edit->setText(path);
        });
        return row;
    };
    EditProfile = new QLineEdit(page);
    form->addRow(caption(), withBrowse(EditProfile, false, ProfileFiles));
    EditStation = new QLineEdit(page);
    form->addRow(caption(), EditStation);
    EditOrder = new QLineEdit(page);
    form->addRow(caption(), EditOrder);
    auto* line = new QHBoxLayout;
    ComboBaud = new QComboBox(page);
    for (int b : kBauds)
        ComboBaud->addItem(QString::number(b));
    ComboParity = new QComboBox(page);
    for (Parity p : kParities)
        ComboParity->addItem(ParityName(p));
    SpinGap = new QSpinBox(page);
    SpinGap->setRange(10, 3000);
    SpinTimeout = new QSpinBox(page);
    SpinTimeout->setRange(50, 10000);
    SpinTimeout->setSingleStep(100);
    line->addWidget(ComboBaud);
    line->addWidget(ComboParity);
    line->addWidget(SpinGap);
    line->addWidget(SpinTimeout);
    line->addStretch(1);
    form->addRow(caption(), line);
    auto* numbers = new QVBoxLayout;
    CheckNumbered = new QCheckBox(page);
    RadioConfig = new QRadioButton(page);
    RadioDatabase = new QRadioButton(page);
    m_databaseText = ToolConfig::ReadProduction(GlobleVar::ConfigPath()).database;
    RadioDatabase->setEnabled(!m_databaseText.isEmpty());
    numbers->addWidget(CheckNumbered);
    numbers->addWidget(RadioConfig);
    numbers->addWidget(RadioDatabase);
    form->addRow(caption(), numbers);
    EditLog = new QLineEdit(page);
    form->addRow(caption(), withBrowse(EditLog, true, LogFiles));
    CheckBeep = new QCheckBox(page);
    form->addRow(QString(), CheckBeep);
    TablePorts = new QTableWidget(ProductionStation::kMaxJigs, 5, page);
    TablePorts->verticalHeader()->hide();
    TablePorts->setSelectionMode(QAbstractItemView::NoSelection);
    TablePorts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TablePorts->horizontalHeader()->setStretchLastSection(true);
    TablePorts->verticalHeader()->setDefaultSectionSize(TablePorts->fontMetrics().height() + 8);
    form->addRow(caption());
    form->addRow(TablePorts);
    ButtonPin = new QPushButton(page);
    form->addRow(ButtonPin);
    fillPorts();
    return page;
}

void ProductionStationWindow::fillPorts()
{
    // What stands behind COM1..COM16, as the tool's port mapping resolves it.
    QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (int row = 0; row < TablePorts->rowCount(); ++row) {
        const int port = row + 1;
        const PortMapping::Target t = PortMapping::Lookup(port);
        QString device, stable, adapter, serial;
        if (t.kind == PortMapping::Kind::Simulated) {
            device = QStringLiteral("sim");
            adapter = Tr3(Simulated);
        } else if (t.kind == PortMapping::Kind::Device) {
            device = t.device;
            stable = device.startsWith(QLatin1String("/dev/serial/by-path/")) ? device : ByPathName(device);
            const QString canonical = QFileInfo(device).canonicalFilePath();
            for (const QSerialPortInfo& i : infos)
                if (!canonical.isEmpty() && QFileInfo(i.systemLocation()).canonicalFilePath() == canonical) {
                    adapter = i.description();
                    serial = i.serialNumber();
                }
        }
        auto* check = new QTableWidgetItem(QStringLiteral("COM%1").arg(port));
        check->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        check->setCheckState(Qt::Unchecked);
        TablePorts->setItem(row, 0, check);
        const QString cells[] = {device, stable, adapter, serial};
        for (int c = 0; c < 4; ++c)
            TablePorts->setItem(row, c + 1, new QTableWidgetItem(cells[c]));
    }
    TablePorts->resizeColumnsToContents();
}

QWidget* ProductionStationWindow::buildRecords()
{
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    auto* top = new QHBoxLayout;
    auto* show = new QLabel(page);
    m_captions << show;
    ComboFilter = new QComboBox(page);
    ComboFilter->addItems({QString(), QString(), QString()});
    top->addWidget(show);
    top->addWidget(ComboFilter);
    top->addStretch(1);
    v->addLayout(top);
    TableRecords = new QTableWidget(0, 7, page);
    TableRecords->verticalHeader()->hide();
    TableRecords->setSelectionBehavior(QAbstractItemView::SelectRows);
    TableRecords->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableRecords->horizontalHeader()->setStretchLastSection(true);
    v->addWidget(TableRecords, 1);
    connect(ComboFilter, &QComboBox::currentIndexChanged, this, &ProductionStationWindow::showRecords);
    connect(TableRecords, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { ShowRecord(row); });
    return page;
}

QWidget* ProductionStationWindow::buildChart()
{
    m_chart = new QChart;
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chartView = new QChartView(m_chart, this);
    m_chartView->setRenderHint(QPainter::Antialiasing);
    return m_chartView;
}

void ProductionStationWindow::ApplyTexts()
{
    setWindowTitle(Tr3(Title));
    ButtonStart->setText(Tr3(StartAll));
    ButtonStop->setText(Tr3(StopAll));
    ButtonShift->setText(Tr3(ShiftReset));
    Tabs->setTabText(0, Tr3(SetupTab));
    Tabs->setTabText(1, Tr3(RecordsTab));
    Tabs->setTabText(2, Tr3(ChartTab));
    const TMsg3* captions[] = {&StationTexts::Profile, &Station, &Order, &Line, &Numbers, &Log, &Ports, &ShowLabel};
    for (int i = 0; i < m_captions.size() && i < 8; ++i)
        m_captions[i]->setText(Tr3(*captions[i]));
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->property("browse").toBool())
            b->setText(Tr3(Browse));
    SpinGap->setPrefix(Tr3(GapPrefix));
    SpinGap->setSuffix(QStringLiteral(" ms"));
    SpinTimeout->setPrefix(Tr3(TimeoutPrefix));
    SpinTimeout->setSuffix(QStringLiteral(" ms"));
    CheckNumbered->setText(Tr3(Numbered));
    RadioConfig->setText(Tr3(FromConfig));
    RadioDatabase->setText(m_databaseText.isEmpty() ? Tr3(FromDatabase).arg(Tr3(NoDatabase))
                                                    : Tr3(FromDatabase).arg(m_databaseText));
    CheckBeep->setText(Tr3(Beep));
    TablePorts->setHorizontalHeaderLabels({Tr3(ColPort), Tr3(ColDevice), Tr3(ColStable), Tr3(ColAdapter), Tr3(ColSerial)});
    TablePorts->resizeColumnsToContents();
    m_hint->setText(Tr3(Hint));
    ButtonPin->setText(Tr3(Pin));
    ComboFilter->setItemText(0, Tr3(FilterAll));
    ComboFilter->setItemText(1, Tr3(FilterPassed));
    ComboFilter->setItemText(2, Tr3(FilterFailed));
    TableRecords->setHorizontalHeaderLabels(
        {Tr3(ColTime), Tr3(ColPort), Tr3(ColSn), Tr3(ColModel), Tr3(ColResult), Tr3(ColOrder), Tr3(ColDetail)});
    m_chart->setTitle(Tr3(ChartTitle));
    for (JigTile* t : std::as_const(Tiles))
        t->pause->setText(t->pause->isChecked() ? Tr3(Resume) : Tr3(Pause));
    showTotals();
    showRecords();
    showChart();
}

QList<int> ProductionStationWindow::ChosenPorts() const
{
    QList<int> ports;
    for (int row = 0; row < TablePorts->rowCount(); ++row)
        if (TablePorts->item(row, 0)->checkState() == Qt::Checked)
            ports << row + 1;
    return ports;
}

StationSettings ProductionStationWindow::settingsShown() const
{
    StationSettings s;
    s.profilePath = EditProfile->text().trimmed();
    s.ports = ChosenPorts();
    s.line = SerialSettings{kBauds[std::max(0, ComboBaud->currentIndex())], kParities[std::max(0, ComboParity->currentIndex())]};
    s.gapMs = SpinGap->value();
    s.timeoutMs = SpinTimeout->value();
    s.numbered = CheckNumbered->isChecked();
    s.useDatabase = RadioDatabase->isChecked();
    s.workOrder = EditOrder->text().trimmed();
    s.logPath = EditLog->text().trimmed();
    s.beep = CheckBeep->isChecked();
    return s;
}

void ProductionStationWindow::StartClick()
{
    if (m_station->isRunning())
        return;
    const StationSettings s = settingsShown();
    if (s.profilePath.isEmpty()) {
        ShowWarning(Tr3(NoProfile), this);
        return;
    }
    ProductionSetup setup;
    Profiles::ReadProblem problem;
    if (!Profiles::Read(s.profilePath, &setup.profile, &problem)) {
        ShowWarning(ProfileReadProblemText(problem), this);
        return;
    }
    const ToolSettings& tool = GlobleVar::Settings;
    setup.numbered = s.numbered;
    setup.workOrder = s.workOrder;
    setup.edition = tool.edition;
    setup.line = LineSettings{s.line.baud, ParityChar(s.line.parity), 8, 1};
    setup.count = Count;
    setup.gapMs = s.gapMs;
    setup.timeoutMs = s.timeoutMs;
    setup.configPath = GlobleVar::ConfigPath();
    setup.station = EditStation->text().trimmed().isEmpty() ? StationOfConfig() : EditStation->text().trimmed();
    setup.spillPath = QFileInfo(setup.configPath).absoluteDir().filePath(QStringLiteral("production-spill.jsonl"));
    DatabaseLocation where;
    if (s.useDatabase) {
        QString why;
        if (!DatabaseLocation::Parse(m_databaseText, &where, &why)) {
            ShowWarning(Tr3(DatabaseRefused).arg(why), this);
            return;
        }
    }
    s.write(setup.configPath);
    const ProductionStation::StartResult r = m_station->start(setup, s.ports, where, s.logPath);
    switch (r.problem) {
    case ProductionStation::Problem::None: break;
    case ProductionStation::Problem::NoPorts: ShowWarning(Tr3(NoPorts), this); return;
    case ProductionStation::Problem::TooManyPorts: ShowWarning(Tr3(TooManyPorts), this); return;
    case ProductionStation::Problem::EmptyProfile: ShowWarning(Tr3(EmptyProfile), this); return;
    case ProductionStation::Problem::LogUnwritable: ShowWarning(Tr3(LogUnwritable).arg(r.detail), this); return;
    case ProductionStation::Problem::ConfigUnwritable: ShowWarning(Tr3(ConfigUnwritable).arg(r.detail), this); return;
    case ProductionStation::Problem::Database: ShowWarning(Tr3(DatabaseRefused).arg(r.detail), this); return;
    }
    makeTiles();
    showRecords();
}

void ProductionStationWindow::StopClick()
{
    m_station->stopAll();
    for (int i = 0; i < Tiles.size(); ++i)
        showJig(i);
    const int waiting = m_station->waitingRecords();
    if (waiting > 0)
        LabelNotice->setText(Tr3(Waiting).arg(waiting));
}

void ProductionStationWindow::ShiftClick()
{
    m_station->resetShift();
    m_shiftWall = QDateTime::currentDateTime();
    showTotals();
    showChart();
    for (int i = 0; i < Tiles.size(); ++i)
        showJig(i);
}

void ProductionStationWindow::PinClick()
{
    QStringList pinned;
    const bool written = IniFile::Update(GlobleVar::ConfigPath(), [&](IniFile& ini) {
        for (int port : ChosenPorts()) {
            const QString stable = TablePorts->item(port - 1, 2)->text();
            if (stable.isEmpty() || TablePorts->item(port - 1, 1)->text() == stable)
                continue;
            ini.SetString(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(port), stable);
            pinned << QStringLiteral("COM%1=%2").arg(port).arg(stable);
        }
        return !pinned.isEmpty();
    });
    LabelNotice->setText(pinned.isEmpty() || !written ? Tr3(NothingToPin) : Tr3(Pinned).arg(pinned.join(QStringLiteral(", "))));
    fillPorts();
    for (int port : settingsShown().ports)
        TablePorts->item(port - 1, 0)->setCheckState(Qt::Checked);
}

void ProductionStationWindow::PauseClick(int jig)
{
    if (jig < 0 || jig >= Tiles.size())
        return;
    const ProductionJig* j = m_station->jigs().value(jig);
    if (j && j->state() == JigState::Paused)
        m_station->resume(jig);
    else
        m_station->pause(jig);
    showJig(jig);
}

void ProductionStationWindow::makeTiles()
{
    qDeleteAll(Tiles);
    Tiles.clear();
    m_hint->hide();
    const int n = int(m_station->jigs().size());
    // Four across for up to 16, fewer for a few jigs so the tiles stay large.
    const int columns = n <= 2 ? n : n <= 4 ? 2 : n <= 9 ? 3 : 4;
    for (int i = 0; i < n; ++i) {
        auto* tile = new JigTile(m_tileArea);
        tile->setObjectName(QStringLiteral("JigTile%1").arg(i + 1));
        connect(tile->pause, &QPushButton::clicked, this, [this, i] { PauseClick(i); });
        m_tileGrid->addWidget(tile, i / columns, i % columns);
        Tiles << tile;
        showJig(i);
    }
}

void ProductionStationWindow::showJig(int i)
{
    if (i < 0 || i >= Tiles.size() || i >= m_station->jigs().size())
        return;
    JigTile* t = Tiles[i];
    const ProductionJig* j = m_station->jigs()[i];
    const JigRecord& last = j->lastRecord();
    t->title->setText(Tr3(Jig).arg(i + 1).arg(QStringLiteral("COM%1").arg(j->port())));
    QString state, reason;
    QColor colour(0xDD, 0xE5, 0xEE);
    const bool takeAway = j->state() == JigState::TakeAway;
    switch (j->state()) {
    case JigState::Idle: state = Tr3(StateIdle); break;
    case JigState::WaitingForModule: state = Tr3(StateWaiting); break;
    case JigState::Searching: state = Tr3(StateSearching); break;
    case JigState::Writing: state = Tr3(StateWriting); colour = QColor(0xFF, 0xE0, 0x8A); break;
    case JigState::Numbering: state = Tr3(StateNumbering); colour = QColor(0xFF, 0xE0, 0x8A); break;
    case JigState::Verifying: state = Tr3(StateVerifying); colour = QColor(0xFF, 0xE0, 0x8A); break;
    case JigState::KeepingRecord: state = Tr3(StateKeeping); colour = QColor(0xC9, 0xB3, 0xE6); break;
    case JigState::WaitingForDatabase: state = Tr3(StateDatabase); colour = QColor(0xC9, 0xB3, 0xE6); break;
    case JigState::PortTrouble:
        state = j->portWontOpen() ? Tr3(StateNoPort) : Tr3(StatePort);
        if (j->portWontOpen())
            reason = PortMapping::Describe(j->port(), PortMapping::Lookup(j->port()));
        colour = QColor(0xF0, 0xA0, 0x40);
        break;
    case JigState::Paused: state = Tr3(StatePaused); colour = QColor(0xC8, 0xC8, 0xC8); break;
    case JigState::Done: state = Tr3(StateDone); colour = QColor(0xC8, 0xC8, 0xC8); break;
    case JigState::Stopped: state = Tr3(StateStopped); colour = QColor(0xC8, 0xC8, 0xC8); break;
    case JigState::TakeAway: break;
    }
    // PASS and FAIL stay until the module is taken away; a FAIL stays red all that time.
    if (takeAway || (j->state() == JigState::Done && !last.record.id.isEmpty())) {
        const bool ok = last.record.ok;
        state = ok ? Tr3(StatePass) : Tr3(StateFail);
        colour = ok ? QColor(0x2E, 0x9D, 0x46) : QColor(0xD0, 0x31, 0x2D);
        reason = ok ? QString() : FailureText(last);
        if (takeAway)
            reason = (reason.isEmpty() ? QString() : reason + QLatin1Char('\n'))
                + (j->stateText().contains(QLatin1String("seen empty")) ? Tr3(TakeAwayEmpty) : Tr3(TakeAway));
    }
    t->setState(state);
    t->reason->setText(reason);
    t->setColour(colour);
    QStringList info;
    const bool inHand = j->moduleStartMs() > 0 && !takeAway && j->state() != JigState::WaitingForModule
        && j->state() != JigState::Searching && j->state() != JigState::Paused && j->state() != JigState::Stopped
        && j->state() != JigState::Done && j->state() != JigState::PortTrouble;
    if (!last.record.id.isEmpty() && !inHand) {
        if (last.numbered)
            info << Tr3(SnOf).arg(Pad5(last.record.number.sequence));
        const QString model = ModelOf(last.record);
        if (!model.isEmpty())
            info << model;
        info << Tr3(CycleSeconds).arg(last.record.durationMs / 1000.0, 0, 'f', 1);
    } else if (inHand) {
        const QString model = Catalogue::RowText(j->found().identity.modelRow, GlobleVar::PrefixStyle());
        if (!model.isEmpty())
            info << model;
        info << Tr3(CycleSeconds).arg((SystemClock::monotonicMs() - j->moduleStartMs()) / 1000.0, 0, 'f', 0);
    }
    t->info->setText(info.join(QStringLiteral("   ")));
    const ProductionStation::Counts c = m_station->countsOf(i);
    t->counts->setText(Tr3(Counts).arg(c.passed).arg(c.failed));
    const bool paused = j->state() == JigState::Paused;
    t->pause->setChecked(paused);
    t->pause->setText(paused ? Tr3(Resume) : Tr3(Pause));
    t->pause->setEnabled(m_station->isRunning());
}

void ProductionStationWindow::showTotals()
{
    const ProductionStation::Totals t = m_station->totals();
    const qint64 s = t.runningMs / 1000;
    LabelTotals->setText(QStringLiteral("%1 %2    %3 %4    %5 %6%    %7 %8    %9 %10")
                             .arg(Tr3(Passed))
                             .arg(t.passed)
                             .arg(Tr3(Failed))
                             .arg(t.failed)
                             .arg(Tr3(Yield))
                             .arg(t.yieldPercent, 0, 'f', 1)
                             .arg(Tr3(PerHour))
                             .arg(t.perHour, 0, 'f', 0)
                             .arg(Tr3(Running))
                             .arg(QStringLiteral("%1:%2:%3")
                                      .arg(s / 3600)
                                      .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                                      .arg(s % 60, 2, 10, QLatin1Char('0'))));
}

void ProductionStationWindow::showRecords()
{
    const int filter = ComboFilter->currentIndex();
    m_shown.clear();
    for (const JigRecord& r : m_station->recent())
        if (filter <= 0 || (filter == 1) == r.record.ok)
            m_shown << r;
    TableRecords->setRowCount(int(m_shown.size()));
    for (int row = 0; row < m_shown.size(); ++row) {
        const JigRecord& j = m_shown[row];
        const ModuleRecord& r = j.record;
        const QString cells[] = {r.time.toLocalTime().toString(QStringLiteral("MM-dd HH:mm:ss")),
                                 r.port,
                                 r.number.sequence >= 0 && (j.numbered || !r.ok) ? Pad5(r.number.sequence) : QString(),
                                 ModelOf(r),
                                 r.ok ? Tr3(StatePass) : Tr3(StateFail),
                                 r.workOrder,
                                 r.ok ? QString() : FailureText(j)};
        for (int c = 0; c < 7; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == 4)
                item->setForeground(r.ok ? QColor(0x1E, 0x7D, 0x36) : QColor(0xC0, 0x20, 0x20));
            if (c == 6)
                item->setToolTip(cells[c]);
            TableRecords->setItem(row, c, item);
        }
    }
    // The reason takes the rest of the width; its whole text is in the tool tip.
    for (int c = 0; c < 6; ++c)
        TableRecords->resizeColumnToContents(c);
}

void ProductionStationWindow::ShowRecord(int row)
{
    if (row < 0 || row >= m_shown.size())
        return;
    const JigRecord& j = m_shown[row];
    const ModuleRecord& r = j.record;
    auto* box = new QDialog(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("RecordDetail"));
    box->setWindowTitle(Tr3(DetailTitle).arg(r.time.toLocalTime().toString(Qt::ISODate)));
    auto* v = new QVBoxLayout(box);
    auto* head = new QLabel(box);
    head->setWordWrap(true);
    head->setText(QStringLiteral("%1  %2  %3%4")
                      .arg(r.port, r.ok ? Tr3(StatePass) : Tr3(StateFail),
                           r.number.sequence >= 0 ? Tr3(SnOf).arg(Pad5(r.number.sequence)) : QString(),
                           r.ok ? QString() : QStringLiteral("\n") + FailureText(j)));
    v->addWidget(head);
    // Every key either side has, written against read back.
    QStringList keys = r.written.keys();
    for (const QString& k : r.readBack.keys())
        if (!keys.contains(k))
            keys << k;
    auto text = [](const QJsonValue& v) { return v.isDouble() ? QString::number(v.toInt()) : v.toString(); };
    auto* table = new QTableWidget(int(keys.size()), 3, box);
    table->setObjectName(QStringLiteral("RecordValues"));
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setHorizontalHeaderLabels({Tr3(ColKey), Tr3(ColWritten), Tr3(ColReadBack)});
    for (int i = 0; i < keys.size(); ++i) {
        const QString w = text(r.written.value(keys[i]));
        const QString b = text(r.readBack.value(keys[i]));
        table->setItem(i, 0, new QTableWidgetItem(keys[i]));
        table->setItem(i, 1, new QTableWidgetItem(w));
        auto* back = new QTableWidgetItem(b);
        if (!w.isEmpty() && w != b)
            back->setForeground(QColor(0xC0, 0x20, 0x20));
        table->setItem(i, 2, back);
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    v->addWidget(table);
    box->resize(460, 420);
    box->show();
}

void ProductionStationWindow::showChart()
{
    m_chart->removeAllSeries();
    // A removed axis is the caller's again.
    for (QAbstractAxis* a : m_chart->axes()) {
        m_chart->removeAxis(a);
        delete a;
    }
    auto* passed = new QBarSet(Tr3(ChartPassed));
    auto* failed = new QBarSet(Tr3(ChartFailed));
    passed->setColor(QColor(0x2E, 0x9D, 0x46));
    failed->setColor(QColor(0xD0, 0x31, 0x2D));
    QStringList spans;
    int most = 1;
    for (const ProductionStation::Bin& b : m_station->bins()) {
        *passed << b.passed;
        *failed << b.failed;
        most = std::max(most, b.passed + b.failed);
        spans << m_shiftWall.addMSecs(b.startMs).toString(QStringLiteral("HH:mm"));
    }
    auto* series = new QStackedBarSeries;
    series->append(passed);
    series->append(failed);
    m_chart->addSeries(series);
    auto* x = new QBarCategoryAxis;
    x->append(spans);
    auto* y = new QValueAxis;
    // Whole modules: a tick for each up to ten, else a nice step.
    y->setRange(0, most);
    if (most <= 10)
        y->setTickCount(most + 1);
    else
        y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%d"));
    m_chart->addAxis(x, Qt::AlignBottom);
    m_chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
}

void ProductionStationWindow::onRecorded(int jig, const JigRecord& record)
{
    if (!record.record.ok && CheckBeep->isChecked())
        QApplication::beep();
    showJig(jig);
    showTotals();
    // The table and the chart are drawn again only when shown, once for records that come together.
    if (!m_redraw->isActive())
        m_redraw->start();
}

void ProductionStationWindow::onNotice(const JigNotice& n)
{
    const QString port = n.text.section(QLatin1Char(':'), 0, 0);
    QString text;
    switch (n.kind) {
    case JigNotice::Kind::DatabaseLost: text = Tr3(NoticeDbLost).arg(port, n.why); break;
    case JigNotice::Kind::DatabaseBack: text = Tr3(NoticeDbBack).arg(port); break;
    case JigNotice::Kind::RecordHeld: text = Tr3(NoticeHeld).arg(port, n.why); break;
    case JigNotice::Kind::RecordSpilled: text = Tr3(NoticeSpilled).arg(port, n.why); break;
    case JigNotice::Kind::NumberTaken: text = Tr3(NoticeTaken).arg(port, n.why); break;
    case JigNotice::Kind::RecordLost: text = Tr3(NoticeLost).arg(port, n.why); break;
    }
    LabelNotice->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss  ")) + text);
}

void ProductionStationWindow::running(bool on)
{
    ButtonStart->setEnabled(!on);
    ButtonStop->setEnabled(on);
    Tabs->widget(0)->setEnabled(!on);
    if (on) {
        m_tick->start();
        Tabs->setCurrentIndex(1);
    } else {
        m_tick->stop();
        showRecords();
        showChart();
    }
    for (int i = 0; i < Tiles.size(); ++i)
        showJig(i);
    showTotals();
}

void ProductionStationWindow::closeEvent(QCloseEvent* event)
{
    if (m_station->isRunning()) {
        if (!AskYesNo(Tr3(AskClose), this, true)) {
            event->ignore();
            return;
        }
        StopClick();
    }
    event->accept();
}

// ---- stall meter ------------------------------------------------------------------------------

EventLoopStallMeter::EventLoopStallMeter(const QString& path, QObject* parent) : QObject(parent), m_path(path)
{
    if (m_path.isEmpty())
        return;
    constexpr int kTickMs = 10;
    m_timer = new QTimer(this);
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(kTickMs);
    m_lastNs = SystemClock::monotonicNs();
    connect(m_timer, &QTimer::timeout, this, [this] {
        const qint64 now = SystemClock::monotonicNs();
        m_longestNs = std::max(m_longestNs, now - m_lastNs - kTickMs * 1000000LL);
        m_lastNs = now;
        ++m_ticks;
    });
    m_timer->start();
}

EventLoopStallMeter::~EventLoopStallMeter()
{
    if (m_path.isEmpty())
        return;
    QFile f(m_path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(QStringLiteral("{\"longest_stall_ms\": %1, \"ticks\": %2}\n")
                    .arg(m_longestNs / 1e6, 0, 'f', 1)
                    .arg(m_ticks)
                    .toUtf8());
}
