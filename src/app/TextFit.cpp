#include "TextFit.h"

#include "Anchors.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
#include <QSpacerItem>

#include <algorithm>
#include <map>

namespace tovrel {
namespace {

// Least room kept between a row's outermost control and its parent's edge.
constexpr int kEdgeGap = 4;
// Widest gap kept between two controls a widened one pushes along.
constexpr int kRowGap = 6;
// Room a title bar keeps beside the caption for the window's icon and buttons.
constexpr int kTitleBarRoom = 150;

// The width a title bar needs for the whole of `title`: window managers draw it bold.
int titleBarWidth(const QString &title)
{
    QFont font = QApplication::font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title) + kTitleBarRoom;
}

struct Placed
{
    QWidget *widget = nullptr;
    QRect rect;
    Qt::Edges edges;
};

// The children of one parent as placed: in the design of the Anchors that places them, or where
// they are.
struct Row
{
    QWidget *parent = nullptr;
    Anchors *anchors = nullptr;
    QList<Placed> children;
    bool changed = false;
};

int widthNeeded(const QWidget *w)
{
    if (const auto *l = qobject_cast<const QLabel *>(w))
        return l->text().isEmpty() || l->wordWrap() ? 0 : l->sizeHint().width();
    if (const auto *b = qobject_cast<const QAbstractButton *>(w))
        return b->text().isEmpty() ? 0 : b->sizeHint().width();
    if (const auto *g = qobject_cast<const QGroupBox *>(w))
        return g->title().isEmpty() ? 0 : g->minimumSizeHint().width();
    return 0;
}

// The width a control that gives way keeps at least: a field, a bar, a list, or a line for
// texts shown later (a caption drawn empty).
int leastWidth(const QWidget *w)
{
    const auto *label = qobject_cast<const QLabel *>(w);
    const bool givesWay =
        (label && label->text().isEmpty()) || qobject_cast<const QLineEdit *>(w) ||
        qobject_cast<const QProgressBar *>(w) || qobject_cast<const QAbstractSlider *>(w) ||
        qobject_cast<const QAbstractItemView *>(w);
    return givesWay ? qMax(40, w->minimumSizeHint().width()) : -1; // -1: it does not
}

bool sameRow(const QRect &a, const QRect &b)
{
    return a.top() <= b.bottom() && b.top() <= a.bottom();
}

class Fitter
{
public:
    explicit Fitter(QWidget *window) : m_window(window) {}

    void fit()
    {
        // Inner rows first: a group box that grows makes room in its own row.
        QList<QWidget *> parents = m_window->findChildren<QWidget *>();
        std::reverse(parents.begin(), parents.end());
        parents.append(m_window);
        for (QWidget *parent : std::as_const(parents)) {
            // A layout places its own children.
            if ((parent->isWindow() && parent != m_window) || parent->layout())
                continue;
            Row &row = rowOf(parent);
            // Controls of one kind drawn in a column (same left edge and width) stay aligned:
            // each takes the width the widest text among them needs.
            const QList<Placed> drawn = row.children;
            for (qsizetype i = 0; i < drawn.size(); ++i) {
                int needed = 0;
                for (const Placed &p : drawn) {
                    if (p.widget->metaObject() == drawn[i].widget->metaObject() &&
                        p.rect.left() == drawn[i].rect.left() &&
                        p.rect.width() == drawn[i].rect.width())
                        needed = qMax(needed, widthNeeded(p.widget));
                }
                if (needed > drawn[i].rect.width())
                    widen(row, i, needed - drawn[i].rect.width());
            }
        }
        for (auto &[parent, row] : m_rows) {
            if (!row.changed)
                continue;
            for (const Placed &p : std::as_const(row.children)) {
                if (row.anchors && row.anchors->places(p.widget))
                    row.anchors->redesign(p.widget, p.rect);
                else
                    p.widget->setGeometry(p.rect);
            }
        }
        growWindow(qMax(m_growth, titleBarWidth(m_window->windowTitle()) - m_window->width()));
    }

private:
    Row &rowOf(QWidget *parent)
    {
        auto it = m_rows.find(parent);
        if (it != m_rows.end())
            return it->second;
        Row row;
        row.parent = parent;
        const QList<Anchors *> anchors =
            parent->findChildren<Anchors *>(Qt::FindDirectChildrenOnly);
        row.anchors = anchors.isEmpty() ? nullptr : anchors.first();
        for (QWidget *w : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (w->isWindow() || w->isHidden())
                continue;
            if (row.anchors && row.anchors->places(w))
                row.children.append({w, row.anchors->designOf(w), row.anchors->edgesOf(w)});
            else
                row.children.append({w, w->geometry(), Qt::LeftEdge});
        }
        return m_rows.emplace(parent, row).first->second;
    }

    int rowWidth(const Row &row) const
    {
        return row.anchors ? row.anchors->designSize().width() : row.parent->width();
    }

    // Widens child `i` of `row` by `by`, toward the side it keeps to, then the other; when
    // neither has room, the row grows to the right and so does its parent.
    void widen(Row &row, qsizetype i, int by)
    {
        const Qt::Edges edges = row.children[i].edges;
        const bool leftFirst = edges.testFlag(Qt::RightEdge) && !edges.testFlag(Qt::LeftEdge);
        QList<Placed> tried = row.children;
        int overflow = 0;
        if (!push(row, tried, i, by, leftFirst, &overflow)) {
            tried = row.children;
            if (!push(row, tried, i, by, !leftFirst, &overflow)) {
                tried = row.children;
                push(row, tried, i, by, false, &overflow);
                growParent(row, overflow);
            }
        }
        row.children = tried;
        row.changed = true;
    }

    // Widens `children[i]` by `by` toward the left or right: each control in its way gives way
    // (shrinks) when it can, or moves along; false when the row then leaves its parent
    // (`overflow`: by how much its end moved).
    bool push(const Row &row, QList<Placed> &children, qsizetype i, int by, bool left,
              int *overflow)
    {
        const QRect widened = children[i].rect;
        QList<qsizetype> inWay;
        for (qsizetype j = 0; j < children.size(); ++j) {
            const QRect r = children[j].rect;
            if (j != i && sameRow(r, widened) &&
                (left ? r.center().x() < widened.center().x()
                      : r.center().x() > widened.center().x()))
                inWay.append(j);
        }
        // Nearest first.
        std::sort(inWay.begin(), inWay.end(), [&](qsizetype a, qsizetype b) {
            return left ? children[a].rect.right() > children[b].rect.right()
                        : children[a].rect.left() < children[b].rect.left();
        });
        QRect &own = children[i].rect;
        if (left)
            own.setLeft(own.left() - by);
        else
            own.setRight(own.right() + by);
        int front = left ? own.left() : own.right();
        int farEdge = left ? widened.left() : widened.right();
        int previous = farEdge;
        for (qsizetype j : std::as_const(inWay)) {
            QRect &r = children[j].rect;
            const int gap = qBound(0, left ? previous - r.right() : r.left() - previous, kRowGap);
            const int overlap = left ? r.right() + gap - front : front + gap - r.left();
            if (overlap <= 0)
                continue;
            const int least = leastWidth(children[j].widget);
            if (least >= 0 && r.width() - overlap >= least) {
                // It gives way; what lies beyond it stays where it is.
                if (left)
                    r.setRight(r.right() - overlap);
                else
                    r.setLeft(r.left() + overlap);
                continue;
            }
            previous = left ? r.left() : r.right();
            farEdge = previous;
            r.translate(left ? -overlap : overlap, 0);
            front = left ? qMin(front, r.left()) : qMax(front, r.right());
        }
        if (left)
            return front >= qMin(kEdgeGap, farEdge);
        // Growing by as much as the row's end moved keeps the margin it had.
        *overflow = front - farEdge;
        const int width = rowWidth(row);
        return front <= width - 1 - qMax(0, qMin(kEdgeGap, width - 1 - farEdge));
    }

    void growParent(const Row &row, int by)
    {
        if (by <= 0)
            return;
        QWidget *parent = row.parent;
        QWidget *outer = parent->parentWidget();
        if (parent == m_window || row.anchors || !outer || parent->isWindow()) {
            m_growth = qMax(m_growth, by);
            return;
        }
        Row &outerRow = rowOf(outer);
        for (qsizetype i = 0; i < outerRow.children.size(); ++i) {
            if (outerRow.children[i].widget == parent) {
                widen(outerRow, i, by);
                return;
            }
        }
    }

    void growWindow(int by)
    {
        if (by <= 0)
            return;
        const int width = m_window->width() + by;
        if (m_window->minimumWidth() == m_window->maximumWidth())
            m_window->setFixedWidth(width);
        else if (m_window->minimumWidth() >= m_window->width())
            m_window->setMinimumWidth(width);
        m_window->resize(width, m_window->height());
    }

    QWidget *m_window;
    // Node-based: a row stays where it is while the rows of outer parents are added.
    std::map<QWidget *, Row> m_rows;
    int m_growth = 0;
};

} // namespace

void fitTexts(QWidget *window)
{
    // The Chinese windows keep the geometry they are drawn with; applyLanguage() makes the
    // default locale the language's.
    if (QLocale().language() != QLocale::English)
        return;
    Fitter(window).fit();
}

void fitTitle(QMessageBox *box)
{
    const int width = titleBarWidth(box->windowTitle());
    if (auto *grid = qobject_cast<QGridLayout *>(box->layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace tovrel
