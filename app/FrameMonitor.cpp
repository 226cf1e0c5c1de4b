#include "FrameMonitor.h"

#include "SaveDialogs.h"
#include "UiServices.h"
#include "core/protocol/HexText.h"
#include "texts/tools_texts.h"

#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

using namespace ToolsTexts;

namespace {

constexpr FrameKind kKinds[] = {FrameKind::Long, FrameKind::Short, FrameKind::Id, FrameKind::Data};

QString KindText(FrameKind k)
{
    switch (k) {
    case FrameKind::Long: return Tr(KindLong);
    case FrameKind::Short: return Tr(KindShort);
    case FrameKind::Id: return Tr(KindId);
    case FrameKind::Data: break;
    }
    return Tr(KindData);
}

} // namespace

FrameTableModel::FrameTableModel(FrameLog& log, QObject* parent) : QAbstractTableModel(parent), m_log(log)
{
    connect(&log, &FrameLog::cleared, this, [this] {
        beginResetModel();
        m_rows.clear();
        m_seen = m_log.total();
        endResetModel();
    });
}

int FrameTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int FrameTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 7;
}

QString FrameTableModel::Meaning(const FrameRecord& r)
{
    const FrameInfo& i = r.info;
    if (i.kind == FrameKind::Data)
        return Tr(KindData);
    if (i.search)
        return Tr(r.received ? IdentifyAnswer : SearchRequest);
    QString name = Tr(Unknown);
    for (const CommandName& n : kCommandNames)
        if (n.command == i.command)
            name = Tr(n.name);
    return Tr(r.received ? AnswerOf : RequestOf) + name;
}

QVariant FrameTableModel::data(const QModelIndex& index, int role) const
{
    const bool fullHex = role == Qt::ToolTipRole && index.column() == 4; // a long frame is cut in its cell
    if (!index.isValid() || index.row() >= m_rows.size() || (role != Qt::DisplayRole && !fullHex))
        return {};
    const qint64 pos = m_rows[index.row()] - (m_log.total() - m_log.size());
    if (pos < 0)
        return {}; // let go by the log since the last refresh
    const FrameRecord& r = m_log.at(int(pos));
    switch (index.column()) {
    case 0: return QString::number(r.timeMs);
    case 1: return Tr(r.received ? In : Out);
    case 2: return QStringLiteral("%1 %2%3%4").arg(r.line.baud).arg(r.line.dataBits).arg(QLatin1Char(r.line.parity)).arg(r.line.stopBits);
    case 3: return KindText(r.info.kind);
    case 4: return HexText::BytesToHexText(r.bytes, true).trimmed();
    case 5: return Meaning(r);
    case 6: return r.info.kind == FrameKind::Data ? QString() : Tr(r.info.checksumOk ? ChecksumOk : ChecksumWrong);
    }
    return {};
}

QVariant FrameTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const TMsg kColumns[] = {ColTime, ColDirection, ColLine, ColKind, ColData, ColMeaning, ColChecksum};
    return section >= 0 && section < 7 ? Tr(kColumns[section]) : QVariant();
}

void FrameTableModel::setFilter(const FrameKind* kind)
{
    m_filtered = kind != nullptr;
    if (kind)
        m_kind = *kind;
    // Paused, the rows are chosen again from the frames shown so far, not from newer ones.
    const qint64 end = m_paused ? m_seen : m_log.total();
    beginResetModel();
    m_rows.clear();
    m_seen = 0;
    endResetModel();
    takeUpTo(end);
}

void FrameTableModel::setPaused(bool paused)
{
    m_paused = paused;
    refresh();
}

void FrameTableModel::refresh()
{
    if (!m_paused)
        takeUpTo(m_log.total());
}

void FrameTableModel::takeUpTo(qint64 end)
{
    // Rows hold frame numbers (counted since the log began or was cleared); the log keeps the newest ones.
    const qint64 oldestKept = m_log.total() - m_log.size();
    int gone = 0;
    while (gone < m_rows.size() && m_rows[gone] < oldestKept)
        ++gone;
    if (gone > 0) {
        beginRemoveRows(QModelIndex(), 0, gone - 1);
        m_rows.remove(0, gone);
        endRemoveRows();
    }
    QVector<qint64> add;
    for (qint64 n = qMax(m_seen, oldestKept); n < end; ++n)
        if (!m_filtered || m_log.at(int(n - oldestKept)).info.kind == m_kind)
            add << n;
    m_seen = end;
    if (!add.isEmpty()) {
        beginInsertRows(QModelIndex(), int(m_rows.size()), int(m_rows.size() + add.size()) - 1);
        m_rows += add;
        endInsertRows();
    }
}

FrameMonitorWindow::FrameMonitorWindow(FrameLog& log, QWidget* parent)
    : QDialog(parent), m_log(log), m_model(new FrameTableModel(log, this))
{
    setObjectName(QStringLiteral("FrameMonitor"));
    setWindowTitle(Tr(MonitorTitle));
    setModal(false);
    resize(860, 480);
    m_table = new QTableView(this);
    m_table->setModel(m_model);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(20);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->horizontalHeader()->setStretchLastSection(false);
    m_table->horizontalHeader()->setSectionResizeMode(4, QHeaderView::Stretch);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->setWordWrap(false);
    // Columns sized once for the widest text they can hold: measuring rows at every refresh
    // would cost more than the pair test being watched.
    const QFontMetrics fm(m_table->font());
    auto fit = [&](int column, QStringList texts) {
        texts << m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        int w = 0;
        for (const QString& t : texts)
            w = qMax(w, fm.horizontalAdvance(t));
        m_table->horizontalHeader()->setSectionResizeMode(column, QHeaderView::Interactive);
        m_table->setColumnWidth(column, w + 16);
    };
    QStringList kinds, meanings{Tr(IdentifyAnswer), Tr(SearchRequest), Tr(KindData)};
    for (FrameKind k : kKinds)
        kinds << KindText(k);
    for (const CommandName& n : kCommandNames)
        meanings << Tr(AnswerOf) + Tr(n.name) << Tr(RequestOf) + Tr(n.name);
    fit(0, {QStringLiteral("000000000")});
    fit(1, {Tr(In), Tr(Out)});
    fit(2, {QStringLiteral("115200 8N1")});
    fit(3, kinds);
    fit(5, meanings);
    fit(6, {Tr(ChecksumOk), Tr(ChecksumWrong)});
    m_pause = new QPushButton(Tr(Pause), this);
    auto* clear = new QPushButton(Tr(Clear), this);
    auto* save = new QPushButton(Tr(SaveCsv), this);
    m_kind = new QComboBox(this);
    m_kind->addItem(Tr(AllKinds));
    for (FrameKind k : kKinds)
        m_kind->addItem(KindText(k));
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("FrameCount"));
    auto* bar = new QHBoxLayout;
    bar->addWidget(m_pause);
    bar->addWidget(clear);
    bar->addWidget(save);
    bar->addSpacing(12);
    bar->addWidget(new QLabel(Tr(KindLabel), this));
    bar->addWidget(m_kind);
    bar->addStretch(1);
    bar->addWidget(m_count);
    m_saved = new QLabel(this);
    m_saved->setObjectName(QStringLiteral("SavedFile"));
    m_saved->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_saved->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_table);
    layout->addWidget(m_saved);
    // The window is wide enough for every column at its width and the hex column at the width
    // of the longest command frame (16 bytes), whatever the language makes the other columns.
    int columns = fm.horizontalAdvance(HexText::BytesToHexText(QByteArray(16, char(0xDD)), true).trimmed()) + 16;
    for (int c = 0; c < m_model->columnCount(); ++c)
        if (c != 4)
            columns += m_table->columnWidth(c);
    const QMargins margins = layout->contentsMargins();
    const int needed = columns + margins.left() + margins.right() + 2 * m_table->frameWidth()
                       + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_table);
    resize(qMax(width(), needed), height());
    connect(m_pause, &QPushButton::clicked, this, &FrameMonitorWindow::PauseClick);
    connect(clear, &QPushButton::clicked, this, &FrameMonitorWindow::ClearClick);
    connect(save, &QPushButton::clicked, this, &FrameMonitorWindow::SaveClick);
    connect(m_kind, QOverload<int>::of(&QComboBox::activated), this, &FrameMonitorWindow::KindChange);
    // The view follows the newest frame while it is at the end; scrolled up, it stays put.
    QScrollBar* scroll = m_table->verticalScrollBar();
    connect(scroll, &QScrollBar::valueChanged, this, [this, scroll](int value) { m_follow = value == scroll->maximum(); });
    connect(scroll, &QScrollBar::rangeChanged, this, [this, scroll](int, int maximum) {
        if (m_follow)
            scroll->setValue(maximum);
    });
    // Two refreshes a second keep up with a fast line; each one lays out and paints the rows
    // in view, so more would cost more than the pair test being watched.
    connect(&m_refresh, &QTimer::timeout, this, [this] {
        if (isVisible())
            takeNewFrames();
    });
    m_refresh.start(500);
    takeNewFrames();
}

FrameMonitorWindow::~FrameMonitorWindow()
{
    // The dialog hides its children as it goes, and the table's scroll bar would call back
    // into this window, already gone by then.
    m_table->verticalScrollBar()->disconnect(this);
}

void FrameMonitorWindow::showEvent(QShowEvent* event)
{
    // Opened (again): at the newest frame.
    m_follow = true;
    takeNewFrames();
    QDialog::showEvent(event);
    m_table->scrollToBottom();
}

void FrameMonitorWindow::takeNewFrames()
{
    m_model->refresh();
    updateCount();
}

void FrameMonitorWindow::updateCount()
{
    m_count->setText(Tr(Shown).arg(m_model->rowCount()).arg(m_log.total()).arg(m_log.capacity()));
}

void FrameMonitorWindow::PauseClick()
{
    m_model->setPaused(!m_model->paused());
    m_pause->setText(Tr(m_model->paused() ? Resume : Pause));
    updateCount();
}

void FrameMonitorWindow::ClearClick()
{
    m_log.clear();
    updateCount();
}

void FrameMonitorWindow::SaveClick()
{
    const QString path = ChooseSaveFile(this, Tr(SaveCsv), Tr(CsvFiles), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    QString error;
    const int k = m_kind->currentIndex();
    const FrameKind* kind = k > 0 ? &kKinds[k - 1] : nullptr;
    if (!m_log.saveCsv(path, &error, kind)) {
        ShowWarning(Tr(FileFail) + error, this);
        return;
    }
    ShowSaved(this, path);
    // The main window's status bar is under this one.
    m_saved->setText(Tr(FileSaved) + QDir::toNativeSeparators(path));
    m_saved->show();
}

void FrameMonitorWindow::KindChange(int index)
{
    m_model->setFilter(index > 0 ? &kKinds[index - 1] : nullptr);
    updateCount();
}
