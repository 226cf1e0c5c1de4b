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
#include <functional>
#include <limits>
#include <map>
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

constexpr int kSpacing = 4; // the least room between two controls of a row

// Lays out one container's controls again after their captions grew: each control keeps its
// designed gap to what precedes it in its row, and controls designed one above another keep a
// common left edge, so a field under a longer caption does not stand out of its column. In a
// group, rows that then run past the right edge take back first the room of wide gaps, then of
// captions wider than their text, of fields and of buttons; what is still missing widens the
// group.
class RowFit {
public:
    explicit RowFit(QWidget* container) : m_container(container)
    {
        for (QObject* o : container->children())
            if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow() && !w->isHidden() && w->width() > 1)
                m_placed.push_back(Place{w, w->x(), w->x() + w->width()});
        std::stable_sort(m_placed.begin(), m_placed.end(), [](const Place& a, const Place& b) { return a.x < b.x; });
    }

    void fit()
    {
        // grow captions; what follows them is placed again
        for (const Place& p : m_placed) {
            QWidget* c = p.w;
            if (!IsCaption(c) && !qobject_cast<QComboBox*>(c))
                continue;
            const int need = qobject_cast<QComboBox*>(c) ? MinimumFieldWidth(c) : NeededWidth(c);
            if (need > c->width())
                c->resize(need, c->height());
        }
        arrange();
        // a plain panel is sized by its page's layout later, so its rows are left as they are
        if (!qobject_cast<QGroupBox*>(m_container))
            return;
        for (int pass = 0; pass < 8; ++pass) {
            bool changed = false;
            for (const Place& p : m_placed)
                changed = shorten(p.w) || changed;
            if (!changed)
                break;
        }
        // last, the group grows: a caption cut at its frame is no use to the operator
        int wider = 0;
        for (const Place& p : m_placed)
            wider = std::max(wider, overflow(row(p.w)));
        if (wider > 0)
            m_container->resize(m_container->width() + wider, m_container->height());
    }

private:
    struct Place {
        QWidget* w;
        int x;     // as designed
        int right; // as designed
    };

    // Controls of one kind designed at one left edge form a column.
    enum Kind { Group, Field, Label, Button, Other };
    static Kind KindOf(QWidget* w)
    {
        if (qobject_cast<QGroupBox*>(w))
            return Group;
        if (IsField(w))
            return Field;
        if (qobject_cast<QLabel*>(w))
            return Label;
        if (qobject_cast<QAbstractButton*>(w))
            return Button;
        return Other;
    }
    static std::pair<int, Kind> Column(const Place& p) { return {p.x, KindOf(p.w)}; }

    void arrange()
    {
        for (size_t i = 0; i < m_placed.size();) {
            size_t end = i;
            while (end < m_placed.size() && m_placed[end].x == m_placed[i].x)
                ++end;
            for (Kind kind : {Group, Field, Label, Button, Other}) {
                const int cut = m_cut[{m_placed[i].x, kind}];
                int column = std::numeric_limits<int>::min();
                for (size_t k = i; k < end; ++k) {
                    const Place& o = m_placed[k];
                    if (KindOf(o.w) != kind)
                        continue;
                    // after what stands next before it in its row, else where it was designed
                    auto before = [&](const Place& p) { return o.x >= p.right - 2 && SameRow(p.w, o.w); };
                    int nearest = std::numeric_limits<int>::min();
                    for (size_t q = 0; q < i; ++q)
                        if (before(m_placed[q]))
                            nearest = std::max(nearest, m_placed[q].right);
                    int x = std::numeric_limits<int>::min();
                    for (size_t q = 0; q < i; ++q) {
                        const Place& p = m_placed[q];
                        if (!before(p) || p.right != nearest)
                            continue;
                        const int gap = o.x - p.right;
                        x = std::max(x, p.w->x() + p.w->width() + (gap > kSpacing ? std::max(kSpacing, gap - cut) : gap));
                    }
                    if (x == std::numeric_limits<int>::min())
                        x = o.x - std::min(cut, std::max(0, o.x - 8));
                    column = std::max(column, x);
                }
                for (size_t k = i; k < end; ++k)
                    if (KindOf(m_placed[k].w) == kind)
                        m_placed[k].w->move(column, m_placed[k].w->y());
            }
            i = end;
        }
        // a column of groups of one size keeps one width when one of them had to grow
        for (const Place& a : m_placed) {
            if (!qobject_cast<QGroupBox*>(a.w))
                continue;
            int width = a.w->width();
            for (const Place& b : m_placed)
                if (qobject_cast<QGroupBox*>(b.w) && b.x == a.x && b.right == a.right)
                    width = std::max(width, b.w->width());
            a.w->resize(width, a.w->height());
        }
    }

    std::vector<const Place*> row(QWidget* c) const
    {
        std::vector<const Place*> r;
        for (const Place& o : m_placed)
            if (SameRow(o.w, c))
                r.push_back(&o);
        std::sort(r.begin(), r.end(), [](const Place* a, const Place* b) { return a->w->x() < b->w->x(); });
        return r;
    }

    int overflow(const std::vector<const Place*>& r) const
    {
        int right = 0;
        for (const Place* o : r)
            right = std::max(right, o->w->x() + o->w->width());
        return right - (m_container->width() - 6);
    }

    // Takes back room in the row of `c` where it runs past the group's edge; false when there
    // was none to take. A column gives as one, so that it stays a column; what does not make
    // the row shorter (another row holds the column where it is) is undone.
    bool shorten(QWidget* c)
    {
        int over = overflow(row(c));
        if (over <= 0)
            return false;
        const int before = over;
        auto attempt = [&](const std::function<void(int)>& give, int amount) {
            if (amount <= 0 || over <= 0)
                return;
            give(amount);
            arrange();
            const int now = overflow(row(c));
            if (now < over) {
                over = now;
                return;
            }
            give(-amount);
            arrange();
        };
        // first gaps wider than a normal spacing (a hidden control may have stood there)
        std::vector<const Place*> r = row(c);
        for (size_t i = 1; i < r.size(); ++i) {
            const int gap = r[i]->w->x() - (r[i - 1]->w->x() + r[i - 1]->w->width());
            int& cut = m_cut[Column(*r[i])];
            attempt([&](int d) { cut += d; }, std::min(over, gap - kSpacing));
        }
        // then what controls have beyond their caption or least width: captions, fields, buttons
        using Spare = int (*)(QWidget*);
        const Spare spares[] = {
            [](QWidget* w) {
                return qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)
                           ? w->width() - NeededWidth(w)
                           : 0;
            },
            [](QWidget* w) { return IsField(w) ? w->width() - MinimumFieldWidth(w) : 0; },
            [](QWidget* w) { return qobject_cast<QPushButton*>(w) ? w->width() - NeededWidth(w) : 0; },
        };
        for (Spare spare : spares) {
            for (const Place* p : row(c)) {
                if (spare(p->w) <= 0)
                    continue;
                std::vector<std::pair<QWidget*, int>> column; // each member and what it gives
                attempt(
                    [&](int d) {
                        if (d < 0) {
                            for (auto& [w, given] : column)
                                w->resize(w->width() + given, w->height());
                            return;
                        }
                        column.clear();
                        for (const Place& o : m_placed)
                            if (Column(o) == Column(*p) && spare(o.w) > 0) {
                                const int given = std::min(d, spare(o.w));
                                o.w->resize(o.w->width() - given, o.w->height());
                                column.emplace_back(o.w, given);
                            }
                    },
                    std::min(over, spare(p->w)));
            }
        }
        // then the whole row moves left into the room before its first control
        r = row(c);
        if (!r.empty()) {
            int& cut = m_cut[Column(*r.front())];
            attempt([&](int d) { cut += d; }, std::min(over, r.front()->w->x() - 8));
        }
        return over < before;
    }

    QWidget* m_container;
    std::vector<Place> m_placed; // by designed left edge
    std::map<std::pair<int, Kind>, int> m_cut; // what a column gave of its gaps and its place
};

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
    RowFit rows(container); // as designed, before anything inside grows
    // the groups inside first: one that must grow moves what follows it
    for (QObject* o : container->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow() || w->layout())
            continue;
        if (auto* g = qobject_cast<QGroupBox*>(w)) {
            FitCaptions(g);
            FitTitle(g);
        } else if (qobject_cast<QFrame*>(w) && !qobject_cast<QLabel*>(w)) {
            FitCaptions(w);
        }
    }
    rows.fit();
}
