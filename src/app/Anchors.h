#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>

class QWidget;

namespace tovrel {

// Places child widgets by anchors: each child has a design rectangle inside a parent of a design
// size, and keeps its distance to the parent edges it is anchored to when the parent is resized
// (anchored to both opposite edges, it stretches; to neither, it keeps its place on that axis).
class Anchors : public QObject
{
    Q_OBJECT

public:
    Anchors(QWidget *parent, QSize designSize);

    // Puts `child` at `designRect` and keeps it anchored to `edges` from now on.
    void place(QWidget *child, QRect designRect, Qt::Edges edges);
    // Re-lays every child for the parent's current size.
    void apply();
    // Whether `child` is placed here, its design rectangle and edges; and a new design rectangle
    // for it (re-laid at once).
    bool places(const QWidget *child) const;
    QRect designOf(const QWidget *child) const;
    Qt::Edges edgesOf(const QWidget *child) const;
    void redesign(const QWidget *child, QRect designRect);
    QSize designSize() const { return m_design; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Entry
    {
        QPointer<QWidget> widget;
        QRect design;
        Qt::Edges edges;
    };

    QRect placeFor(const Entry &entry, QSize parentSize) const;

    QWidget *m_parent;
    QSize m_design;
    QList<Entry> m_entries;
};

} // namespace tovrel
