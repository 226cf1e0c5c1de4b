// The pair test's record and chart: the success rate per interval and since the start as two
// curves while the test runs, each run from its own 0 s, saved as a picture; and every
// exchange recorded into a CSV file.
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
    void showSaved(const QString& path);
    QLineSeries* addCurve(const QColor& colour, const QString& name, bool current);

    PairRecorder& m_recorder;
    QChart* m_chart;
    QChartView* m_view;
    // Per run, oldest first, the interval and the cumulative curve; the last run's are named
    // in the legend, the earlier ones drawn paler beneath them.
    QList<QLineSeries*> m_curves;
    QValueAxis* m_time;
    QValueAxis* m_rate;
    QPushButton* m_record;
    QSpinBox* m_seconds;
    QLabel* m_file;
    QLabel* m_saved; // the last file saved: the main status bar is the pair test's while it runs
};
