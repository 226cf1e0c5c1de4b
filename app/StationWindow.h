// The production station window: a tile per jig that an operator reads from two metres, the
// shift's totals, start and stop for all (F5, F6) and pause for one, the station's last
// records and a chart of passes and failures per ten minutes. The cycle itself is the core's
// ProductionStation; this window only binds it.
#pragma once

#include "core/production/ProductionStation.h"

#include <QDateTime>
#include <QFrame>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QChart;
class QChartView;
class QStackedBarSeries;
class QTimer;

// One jig's tile.
class JigTile : public QFrame {
    Q_OBJECT
public:
    explicit JigTile(QWidget* parent = nullptr);
    QLabel* title;
    QPushButton* pause;
    QLabel* state;
    QLabel* reason;
    QLabel* info;
    QLabel* counts;
    // The background colour the tile shows its state in.
    QColor colour() const { return m_colour; }
    void setColour(const QColor& c);
    // The state in words, as large as the tile lets every word stand whole on its line.
    void setState(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitState();
    QColor m_colour;
};

class ProductionStationWindow : public QWidget {
    Q_OBJECT
public:
    explicit ProductionStationWindow(QWidget* parent = nullptr, Clock* clock = nullptr);
    ~ProductionStationWindow() override;

    ProductionStation& station() { return *m_station; }
    // Modules per jig, 0: until stopped (rfmodtool --production --count).
    int Count = 0;

    // Set-up
    QLineEdit* EditProfile;
    QLineEdit* EditStation;
    QLineEdit* EditOrder;
    QLineEdit* EditLog;
    QComboBox* ComboBaud;
    QComboBox* ComboParity;
    QSpinBox* SpinGap;     // ms
    QSpinBox* SpinTimeout; // ms
    QCheckBox* CheckNumbered;
    QRadioButton* RadioConfig;
    QRadioButton* RadioDatabase;
    QCheckBox* CheckBeep;
    QTableWidget* TablePorts; // COM1..COM16, the first column checked for a jig
    QPushButton* ButtonPin;
    // Run
    QPushButton* ButtonStart;
    QPushButton* ButtonStop;
    QPushButton* ButtonShift;
    QLabel* LabelTotals;
    QLabel* LabelNotice;
    QTabWidget* Tabs;
    QComboBox* ComboFilter;
    QTableWidget* TableRecords;
    QList<JigTile*> Tiles;

    void StartClick();
    void StopClick();
    void ShiftClick();
    void PinClick();
    void PauseClick(int jig);
    // Opens record `row` of the records table in a window of its own.
    void ShowRecord(int row);
    // The ports ticked in the set-up, in jig order.
    QList<int> ChosenPorts() const;
    // The texts of the whole window in the interface language.
    void ApplyTexts();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildSetup();
    QWidget* buildRecords();
    QWidget* buildChart();
    void fillPorts();
    void makeTiles();
    void showJig(int jig);
    void showTotals();
    void showRecords();
    void showChart();
    void onRecorded(int jig, const JigRecord& record);
    void onNotice(const JigNotice& notice);
    void running(bool on);
    StationSettings settingsShown() const;

    ProductionStation* m_station;
    QString m_databaseText;
    QGridLayout* m_tileGrid;
    QWidget* m_tileArea;
    QLabel* m_hint; // before the first start
    QChart* m_chart;
    QChartView* m_chartView;
    QTimer* m_tick;
    QTimer* m_redraw;
    QDateTime m_shiftWall;
    QList<JigRecord> m_shown; // the records table's rows
    QList<QLabel*> m_captions; // set-up labels, texts set by ApplyTexts
};

// Measures how long the event loop was held up at most: a 10 ms timer that notes how late it
// fires. Written as JSON to `path` when it goes (nothing without a path).
class EventLoopStallMeter : public QObject {
    Q_OBJECT
public:
    explicit EventLoopStallMeter(const QString& path, QObject* parent = nullptr);
    ~EventLoopStallMeter() override;
    qint64 longestMs() const { return m_longestNs / 1000000; }

private:
    QString m_path;
    QTimer* m_timer = nullptr;
    qint64 m_lastNs = 0;
    qint64 m_longestNs = 0;
    qint64 m_ticks = 0;
};
