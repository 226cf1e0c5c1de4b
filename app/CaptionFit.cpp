#include "CaptionFit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <algorithm>
#include <vector>

namespace {

bool IsCaption(QWidget* w)
{
    return qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w);
}

// Width a drop-down list needs to show its longest item, 0 when it has none yet.
int ListWidth(QComboBox* c)
{
    int widest = 0;
    for (int i = 0; i < c->count(); ++i)
        widest = std::max(widest, c->fontMetrics().horizontalAdvance(c->itemText(i)));
    return widest ? widest + 26 : 0;
}

bool IsField(QWidget* w)
{
    return qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QSpinBox*>(w);
}

// Width the control needs to show its whole caption.
int NeededWidth(QWidget* w)
{
    if (auto* c = qobject_cast<QComboBox*>(w))
        return std::max(ListWidth(c), c->width());
    if (auto* l = qobject_cast<QLabel*>(w)) {
        if (l->text().isEmpty() || !l->pixmap().isNull())
            return l->width();
        return l->fontMetrics().horizontalAdvance(l->text()) + 4;
    }
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        QString t = b->text();
        t.remove(QLatin1Char('&'));
        return b->fontMetrics().horizontalAdvance(t) + 10;
    }
    return w->sizeHint().width();
}

// Narrowest a field may become.
int MinimumFieldWidth(QWidget* w)
{
    if (auto* c = qobject_cast<QComboBox*>(w))
        return std::max(54, ListWidth(c));
    return 28;
}

// Controls share a row when they overlap vertically by half the lower one's height (the
// short-frame edition lifts the channel buttons a little above their list).
bool SameRow(QWidget* a, QWidget* b)
{
    const int overlap = std::min(a->y() + a->height(), b->y() + b->height()) - std::max(a->y(), b->y());
    return overlap * 2 >= std::min(a->height(), b->height());
}

void FitRows(QWidget* container)
{
    std::vector<QWidget*> kids;
    for (QObject* o : container->children())
        if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow() && !w->isHidden() && w->width() > 1)
            kids.push_back(w);
    std::sort(kids.begin(), kids.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });

    // grow captions, pushing the rest of their row to the right
    for (QWidget* c : kids) {
        if (!IsCaption(c) && !qobject_cast<QComboBox*>(c))
            continue;
        const int need = qobject_cast<QComboBox*>(c) ? MinimumFieldWidth(c) : NeededWidth(c);
        if (need <= c->width())
            continue;
        const int delta = need - c->width();
        const int oldRight = c->x() + c->width();
        c->resize(need, c->height());
        for (QWidget* o : kids)
            if (o != c && SameRow(o, c) && o->x() >= oldRight - 2)
                o->move(o->x() + delta, o->y());
    }

    // rows that now run past a group's right edge take the width back from their fields; a
    // plain panel is sized by its page's layout later, so its rows are left as they are
    if (!qobject_cast<QGroupBox*>(container))
        return;
    const int limit = container->width() - (qobject_cast<QGroupBox*>(container) ? 6 : 2);
    for (QWidget* c : kids) {
        std::vector<QWidget*> row;
        for (QWidget* o : kids)
            if (SameRow(o, c))
                row.push_back(o);
        int right = 0;
        for (QWidget* o : row)
            right = std::max(right, o->x() + o->width());
        int overflow = right - limit;
        if (overflow <= 0)
            continue;
        std::sort(row.begin(), row.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
        // first close gaps wider than a normal spacing (a hidden control may have stood there)
        constexpr int kSpacing = 4;
        for (size_t i = 1; i < row.size() && overflow > 0; ++i) {
            const int gap = row[i]->x() - (row[i - 1]->x() + row[i - 1]->width());
            const int give = std::min(overflow, gap - kSpacing);
            if (give <= 0)
                continue;
            for (size_t j = i; j < row.size(); ++j)
                row[j]->move(row[j]->x() - give, row[j]->y());
            overflow -= give;
        }
        // labels wider than their text give the rest back
        for (size_t i = 0; i < row.size() && overflow > 0; ++i) {
            auto* l = qobject_cast<QLabel*>(row[i]);
            if (!l)
                continue;
            const int give = std::min(overflow, l->width() - NeededWidth(l));
            if (give <= 0)
                continue;
            l->resize(l->width() - give, l->height());
            for (size_t j = i + 1; j < row.size(); ++j)
                row[j]->move(row[j]->x() - give, row[j]->y());
            overflow -= give;
        }
        for (size_t i = 0; i < row.size() && overflow > 0; ++i) {
            QWidget* f = row[i];
            if (!IsField(f))
                continue;
            const int give = std::min(overflow, f->width() - MinimumFieldWidth(f));
            if (give <= 0)
                continue;
            f->resize(f->width() - give, f->height());
            for (size_t j = i + 1; j < row.size(); ++j)
                row[j]->move(row[j]->x() - give, row[j]->y());
            overflow -= give;
        }
        // then buttons give back what they have beyond their caption
        for (size_t i = 0; i < row.size() && overflow > 0; ++i) {
            auto* b = qobject_cast<QPushButton*>(row[i]);
            if (!b)
                continue;
            const int give = std::min(overflow, b->width() - NeededWidth(b));
            if (give <= 0)
                continue;
            b->resize(b->width() - give, b->height());
            for (size_t j = i + 1; j < row.size(); ++j)
                row[j]->move(row[j]->x() - give, row[j]->y());
            overflow -= give;
        }
        // last, the whole row moves left into the room before its first control
        if (overflow > 0 && !row.empty()) {
            const int give = std::min(overflow, row.front()->x() - 8);
            if (give > 0)
                for (QWidget* w : row)
                    w->move(w->x() - give, w->y());
        }
    }
}

void FitTitle(QGroupBox* g)
{
    const QFont childFont = g->font();
    QFont f = g->font();
    int px = f.pixelSize() > 0 ? f.pixelSize() : 12;
    while (px > 8 && QFontMetrics(f).horizontalAdvance(g->title()) > g->width() - 16) {
        f.setPixelSize(--px);
    }
    if (px == (g->font().pixelSize() > 0 ? g->font().pixelSize() : 12))
        return;
    // the children keep the window's size; only the title shrinks
    for (QObject* o : g->children())
        if (auto* w = qobject_cast<QWidget*>(o))
            w->setFont(childFont);
    g->setFont(f);
}

} // namespace

void ScaleHorizontally(QWidget* container, double factor)
{
    for (QObject* o : container->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow())
            continue;
        const int left = qRound(w->x() * factor);
        const int right = qRound((w->x() + w->width()) * factor);
        if (!IsCaption(w) || qobject_cast<QGroupBox*>(w))
            w->setGeometry(left, w->y(), right - left, w->height());
        else
            w->move(left, w->y()); // captions keep their width; FitCaptions grows them
        if (!w->layout() && (qobject_cast<QGroupBox*>(w) || qobject_cast<QFrame*>(w)) && !qobject_cast<QLabel*>(w))
            ScaleHorizontally(w, factor);
    }
}

void FitCaptions(QWidget* container)
{
    FitRows(container);
    for (QObject* o : container->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow() || w->layout())
            continue;
        if (auto* g = qobject_cast<QGroupBox*>(w)) {
            FitTitle(g);
            FitCaptions(g);
        } else if (qobject_cast<QFrame*>(w) && !qobject_cast<QLabel*>(w)) {
            FitCaptions(w);
        }
    }
}
