#include "PairChart.h"

#include "SaveDialogs.h"
#include "UiServices.h"
#include "texts/tools_texts.h"

#include <QChart>
#include <QChartView>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QSpinBox>
#include <QValueAxis>
#include <QVBoxLayout>

#include <cmath>

using namespace ToolsTexts;

PairChartWindow::PairChartWindow(PairRecorder& recorder, QWidget* parent) : QDialog(parent), m_recorder(recorder)
{
    setObjectName(QStringLiteral("PairChart"));
    setWindowTitle(Tr(ChartTitle));
    setModal(false);
    resize(760, 460);

    m_chart = new QChart;
    m_time = new QValueAxis(this);
    m_time->setTitleText(Tr(AxisTime));
    m_time->setLabelFormat(QStringLiteral("%.0f"));
    m_rate = new QValueAxis(this);
    m_rate->setTitleText(Tr(AxisRate));
    // A little room above 100 % so that a perfect link's line is not cut in half.
    m_rate->setRange(0, 105);
    m_rate->setTickType(QValueAxis::TicksDynamic);
    m_rate->setTickAnchor(0);
    m_rate->setTickInterval(25);
    m_rate->setLabelFormat(QStringLiteral("%.0f"));
    m_chart->addAxis(m_time, Qt::AlignBottom);
    m_chart->addAxis(m_rate, Qt::AlignLeft);
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_view = new QChartView(m_chart, this);
    m_view->setRenderHint(QPainter::Antialiasing);

    m_record = new QPushButton(Tr(Record), this);
    auto* png = new QPushButton(Tr(SavePng), this);
    auto* clear = new QPushButton(Tr(ClearChart), this);
    m_seconds = new QSpinBox(this);
    m_seconds->setRange(1, 3600);
    m_seconds->setValue(qMax(1, recorder.interval() / 1000));
    m_file = new QLabel(this);
    m_saved = new QLabel(this);
    m_saved->setObjectName(QStringLiteral("SavedFile"));
    m_saved->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* bar = new QHBoxLayout;
    bar->addWidget(m_record);
    bar->addWidget(png);
    bar->addWidget(clear);
    bar->addSpacing(12);
    bar->addWidget(new QLabel(Tr(IntervalLabel), this));
    bar->addWidget(m_seconds);
    bar->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_file);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_saved);
    m_file->hide();
    m_saved->hide();

    connect(m_record, &QPushButton::clicked, this, &PairChartWindow::RecordClick);
    connect(png, &QPushButton::clicked, this, &PairChartWindow::SavePngClick);
    connect(clear, &QPushButton::clicked, this, &PairChartWindow::ClearClick);
    connect(m_seconds, QOverload<int>::of(&QSpinBox::valueChanged), this,
            [this](int s) { m_recorder.setInterval(s * 1000); });
    connect(&recorder, &PairRecorder::pointAdded, this, &PairChartWindow::redraw);
    redraw();
}

int PairChartWindow::pointsShown() const
{
    int n = 0;
    for (int i = 0; i < m_curves.size(); i += 2)
        n += int(m_curves[i]->count());
    return n;
}

QLineSeries* PairChartWindow::addCurve(const QColor& colour, const QString& name, bool current)
{
    auto* s = new QLineSeries(this);
    s->setName(name);
    m_chart->addSeries(s);
    // After adding: the chart's theme colours a series it takes.
    s->setPen(QPen(current ? colour : colour.lighter(150), 2));
    s->attachAxis(m_time);
    s->attachAxis(m_rate);
    m_chart->legend()->markers(s).value(0)->setVisible(current);
    return s;
}

void PairChartWindow::redraw()
{
    // The recorder keeps the points bounded; the curves are drawn from them anew, one pair
    // per run, so that a run is not joined to the one before across the time between them.
    QList<QList<QPointF>> interval, cumulative;
    int run = 0;
    double longest = 0;
    for (const PairRecorder::Point& p : m_recorder.points()) {
        if (interval.isEmpty() || p.run != run) {
            interval.append(QList<QPointF>());
            cumulative.append(QList<QPointF>());
            run = p.run;
        }
        interval.last() << QPointF(p.seconds, p.intervalRate);
        cumulative.last() << QPointF(p.seconds, p.cumulativeRate);
        longest = qMax(longest, p.seconds);
    }
    const int runs = qMax(1, int(interval.size()));
    if (m_curves.size() != 2 * runs) {
        // Added in order, so that the newest run is drawn on top.
        for (QLineSeries* s : std::as_const(m_curves)) {
            m_chart->removeSeries(s);
            delete s;
        }
        m_curves.clear();
        for (int i = 0; i < runs; ++i) {
            m_curves << addCurve(QColor(0x20, 0x9f, 0xdf), Tr(RateInterval), i == runs - 1);
            m_curves << addCurve(QColor(0x99, 0xca, 0x53), Tr(RateCumulative), i == runs - 1);
        }
    }
    for (int i = 0; i < interval.size(); ++i) {
        m_curves[2 * i]->replace(interval[i]);
        m_curves[2 * i + 1]->replace(cumulative[i]);
    }
    if (interval.isEmpty()) {
        m_curves[0]->clear();
        m_curves[1]->clear();
    }

    // Seconds from the run's start, at most ten steps of 1, 2 or 5 times a power of ten.
    const double span = qMax(10.0, longest);
    double step = 1;
    for (int i = 0; span / step > 10; ++i)
        step *= i % 3 == 1 ? 2.5 : 2;
    const double end = std::ceil(span / step) * step;
    m_time->setRange(0, end);
    m_time->setTickCount(int(std::lround(end / step)) + 1);
}

void PairChartWindow::RecordClick()
{
    if (m_recorder.isRecording()) {
        m_recorder.stopFile();
        m_record->setText(Tr(Record));
        m_file->hide();
        showSaved(m_file->property("path").toString());
        return;
    }
    const QString path = ChooseSaveFile(this, Tr(Record), Tr(CsvFiles), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    QString error;
    if (!m_recorder.startFile(path, &error)) {
        ShowWarning(Tr(FileFail) + error, this);
        return;
    }
    m_record->setText(Tr(StopRecord));
    m_file->setProperty("path", path); // told in the status bar when the record ends
    m_file->setText(Tr(Recording) + QDir::toNativeSeparators(path));
    m_file->show();
}

void PairChartWindow::SavePngClick()
{
    const QString path = ChooseSaveFile(this, Tr(SavePng), Tr(PngFiles), QStringLiteral("png"));
    if (path.isEmpty())
        return;
    if (!m_view->grab().save(path, "PNG")) {
        ShowWarning(Tr(FileFail) + QDir::toNativeSeparators(path), this);
        return;
    }
    showSaved(path);
}

void PairChartWindow::showSaved(const QString& path)
{
    ShowSaved(this, path);
    m_saved->setText(Tr(FileSaved) + QDir::toNativeSeparators(path));
    m_saved->show();
}

void PairChartWindow::ClearClick()
{
    m_recorder.clearPoints();
}
