#include "PairChart.h"

#include "SaveDialogs.h"
#include "UiServices.h"
#include "texts/tools_texts.h"

#include <QChart>
#include <QChartView>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSpinBox>
#include <QValueAxis>
#include <QVBoxLayout>

using namespace ToolsTexts;

PairChartWindow::PairChartWindow(PairRecorder& recorder, QWidget* parent) : QDialog(parent), m_recorder(recorder)
{
    setObjectName(QStringLiteral("PairChart"));
    setWindowTitle(Tr(ChartTitle));
    setModal(false);
    resize(760, 460);

    m_interval = new QLineSeries(this);
    m_interval->setName(Tr(RateInterval));
    m_cumulative = new QLineSeries(this);
    m_cumulative->setName(Tr(RateCumulative));
    m_chart = new QChart;
    m_chart->addSeries(m_interval);
    m_chart->addSeries(m_cumulative);
    m_time = new QValueAxis(this);
    m_time->setTitleText(Tr(AxisTime));
    m_time->setLabelFormat(QStringLiteral("%.0f"));
    auto* rate = new QValueAxis(this);
    rate->setTitleText(Tr(AxisRate));
    rate->setRange(0, 100);
    rate->setLabelFormat(QStringLiteral("%.0f"));
    m_chart->addAxis(m_time, Qt::AlignBottom);
    m_chart->addAxis(rate, Qt::AlignLeft);
    for (QLineSeries* s : {m_interval, m_cumulative}) {
        s->attachAxis(m_time);
        s->attachAxis(rate);
    }
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
    m_file->hide();

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
    return int(m_interval->count());
}

void PairChartWindow::redraw()
{
    // The recorder keeps the points bounded; the curves are drawn from them anew.
    QList<QPointF> interval, cumulative;
    for (const PairRecorder::Point& p : m_recorder.points()) {
        interval << QPointF(p.seconds, p.intervalRate);
        cumulative << QPointF(p.seconds, p.cumulativeRate);
    }
    m_interval->replace(interval);
    m_cumulative->replace(cumulative);
    const double first = interval.isEmpty() ? 0 : interval.first().x();
    const double last = interval.isEmpty() ? 60 : qMax(interval.last().x(), first + 10);
    m_time->setRange(first, last);
}

void PairChartWindow::RecordClick()
{
    if (m_recorder.isRecording()) {
        m_recorder.stopFile();
        m_record->setText(Tr(Record));
        m_file->hide();
        ShowSaved(this, m_file->property("path").toString());
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
    ShowSaved(this, path);
}

void PairChartWindow::ClearClick()
{
    m_recorder.clearPoints();
}
