#include "Anchors.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>

namespace tovrel {

Anchors::Anchors(QWidget *parent, QSize designSize)
    : QObject(parent), m_parent(parent), m_design(designSize)
{
    parent->installEventFilter(this);
}

void Anchors::place(QWidget *child, QRect designRect, Qt::Edges edges)
{
    m_entries.append({child, designRect, edges});
    child->setGeometry(placeFor(m_entries.last(), m_parent->size()));
}

void Anchors::apply()
{
    const QSize size = m_parent->size();
    for (const Entry &entry : std::as_const(m_entries)) {
        if (entry.widget)
            entry.widget->setGeometry(placeFor(entry, size));
    }
}

bool Anchors::places(const QWidget *child) const
{
    return std::any_of(m_entries.cbegin(), m_entries.cend(),
                       [child](const Entry &e) { return e.widget == child; });
}

QRect Anchors::designOf(const QWidget *child) const
{
    for (const Entry &entry : m_entries) {
        if (entry.widget == child)
            return entry.design;
    }
    return {};
}

Qt::Edges Anchors::edgesOf(const QWidget *child) const
{
    for (const Entry &entry : m_entries) {
        if (entry.widget == child)
            return entry.edges;
    }
    return {};
}

void Anchors::redesign(const QWidget *child, QRect designRect)
{
    for (Entry &entry : m_entries) {
        if (entry.widget == child) {
            entry.design = designRect;
            entry.widget->setGeometry(placeFor(entry, m_parent->size()));
        }
    }
}

QRect Anchors::placeFor(const Entry &entry, QSize parentSize) const
{
    const int dx = parentSize.width() - m_design.width();
    const int dy = parentSize.height() - m_design.height();
    QRect r = entry.design;
    // Horizontal: left+right stretches, right alone moves, left alone (or neither) stays.
    if (entry.edges.testFlag(Qt::RightEdge)) {
        if (entry.edges.testFlag(Qt::LeftEdge))
            r.setWidth(qMax(0, r.width() + dx));
        else
            r.moveLeft(r.left() + dx);
    } else if (!entry.edges.testFlag(Qt::LeftEdge) && entry.widget) {
        // Not anchored horizontally: keep the left edge it has now (it may be set by hand).
        r.moveLeft(entry.widget->x());
    }
    if (entry.edges.testFlag(Qt::BottomEdge)) {
        if (entry.edges.testFlag(Qt::TopEdge))
            r.setHeight(qMax(0, r.height() + dy));
        else
            r.moveTop(r.top() + dy);
    }
    return r;
}

bool Anchors::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_parent && event->type() == QEvent::Resize)
        apply();
    return QObject::eventFilter(watched, event);
}

} // namespace tovrel
