// The frame monitor: every frame the tool sent and received, newest last, with its time, the
// port's line settings, the raw bytes, its kind and what it is. Pause, clear, filter by kind,
// save as CSV. The frames themselves are kept (bounded) by the session's FrameLog; this window
// only shows them.
#pragma once

#include "core/session/FrameLog.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QTimer>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

// The log as a table; rows are taken in on a timer, so a fast line costs little.
class FrameTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FrameTableModel(FrameLog& log, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Shows only frames of that kind (nullptr: all).
    void setFilter(const FrameKind* kind);
    // Takes in what the log added since the last call (nothing while paused).
    void refresh();
    // Paused, the rows stay as they are; the log goes on recording, and what it took in the
    // meantime comes in on resume.
    void setPaused(bool paused);
    bool paused() const { return m_paused; }
    // The text of a frame's meaning in the message language.
    static QString Meaning(const FrameRecord& r);

private:
    // Takes in the log's frames up to (not including) frame number `end`.
    void takeUpTo(qint64 end);

    FrameLog& m_log;
    bool m_paused = false;
    bool m_filtered = false;
    FrameKind m_kind = FrameKind::Data;
    QVector<qint64> m_rows; // numbers of the frames shown, oldest first
    qint64 m_seen = 0;   // frames taken in so far (counted as the log's total)
};

class FrameMonitorWindow : public QDialog {
    Q_OBJECT
public:
    explicit FrameMonitorWindow(FrameLog& log, QWidget* parent = nullptr);
    ~FrameMonitorWindow() override;
    FrameTableModel& model() { return *m_model; }

    void PauseClick();
    void ClearClick();
    void SaveClick();
    void KindChange(int index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void updateCount();
    void takeNewFrames();

    FrameLog& m_log;
    FrameTableModel* m_model;
    QTableView* m_table;
    QPushButton* m_pause;
    QComboBox* m_kind;
    QLabel* m_count;
    QLabel* m_saved; // the last file saved, told here where the operator is looking
    QTimer m_refresh;
    bool m_follow = true; // the view keeps to the newest frame until the operator scrolls up
};
