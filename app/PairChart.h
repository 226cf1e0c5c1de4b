// The pair test's record and chart: the success rate per interval and since the start as two
// curves while the test runs, saved as a picture; and every exchange recorded into a CSV file.
#pragma once

#include "core/session/PairRecorder.h"

#include <QDialog>

class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QPushButton;
class QSpinBox;
class QValueAxis;

class PairChartWindow : public QDialog {
    Q_OBJECT
public:
    explicit PairChartWindow(PairRecorder& recorder, QWidget* parent = nullptr);

    void RecordClick();
    void SavePngClick();
    void ClearClick();
    int pointsShown() const;

private:
    void redraw();

    PairRecorder& m_recorder;
    QChart* m_chart;
    QChartView* m_view;
    QLineSeries* m_interval;
    QLineSeries* m_cumulative;
    QValueAxis* m_time;
    QPushButton* m_record;
    QSpinBox* m_seconds;
    QLabel* m_file;
};
