// rfmodctl program's board: one line a jig on stderr, updated in place on a terminal, plain
// lines otherwise. The jigs themselves are the core's production cycle.
#pragma once

#include "core/production/ProductionCycle.h"

#include <QObject>

namespace Cli {

class ProgressBoard : public QObject {
    Q_OBJECT
public:
    explicit ProgressBoard(const QList<ProductionJig*>& jigs, QObject* parent = nullptr);
    void draw();
    // A line of its own above the board.
    void note(const QString& text);

private:
    QList<ProductionJig*> m_workers;
    QStringList m_last;
    bool m_terminal = false;
    int m_drawn = 0;
};

} // namespace Cli
