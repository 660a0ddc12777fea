#include "ReportListView.h"

#include "report/ReportModel.h"

#include <QEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <algorithm>

namespace tovrel {
namespace {

// Draws a row with a warning on the warning background, and a column's texts elided in the
// middle when asked ("03150912_00…54321.spx").
class ReportItemDelegate : public QStyledItemDelegate
{
public:
    ReportItemDelegate(bool middleElided, QObject *parent)
        : QStyledItemDelegate(parent), m_middleElided(middleElided)
    {}

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (m_middleElided)
            option->textElideMode = Qt::ElideMiddle;
        if (!index.data(ReportModel::WarningRole).toString().isEmpty()) {
            option->backgroundBrush = ReportListView::warningBackground();
            // Dark text on the light warning colour, whatever the palette.
            option->palette.setColor(QPalette::Text, Qt::black);
        }
    }

private:
    bool m_middleElided = false;
};

} // namespace

ReportListView::ReportListView(QWidget *parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setSortingEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    setItemDelegate(new ReportItemDelegate(false, this));
}

void ReportListView::setReportModel(ReportModel *model)
{
    m_model = model;
    setModel(model);
    connect(model, &QAbstractItemModel::modelReset, this, &ReportListView::applyColumnWidths);
    connect(model, &QAbstractItemModel::columnsInserted, this, &ReportListView::applyColumnWidths);
    connect(model, &QAbstractItemModel::columnsRemoved, this, &ReportListView::applyColumnWidths);
    connect(model, &ReportModel::columnWidthChanged, this, &ReportListView::applyColumnWidth);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &ReportListView::columnResized);
    applyColumnWidths();
}

void ReportListView::setMiddleElidedColumn(int column)
{
    setItemDelegateForColumn(column, new ReportItemDelegate(true, this));
}

QColor ReportListView::warningBackground()
{
    return QColor(255, 222, 140); // amber
}

void ReportListView::setElasticColumns(const QList<int> &columns)
{
    m_elastic = columns;
    fitColumns();
}

void ReportListView::applyColumnWidths()
{
    if (!m_model)
        return;
    m_wanted.clear();
    for (const ReportColumn &column : m_model->columns())
        m_wanted.append(column.width);
    m_handSized = false;
    fitColumns();
}

void ReportListView::applyColumnWidth(int column, int width)
{
    if (column < 0 || column >= m_wanted.size())
        return;
    m_wanted[column] = width;
    fitColumns();
}

void ReportListView::columnResized(int column, int, int width)
{
    if (m_fitting || !m_model || column < 0 || column >= m_model->columns().size() ||
        column >= m_wanted.size())
        return;
    // A drag of the column's edge, held within the column's limits.
    const int held = m_model->columns()[column].clampWidth(width);
    m_wanted[column] = held;
    // Shrinking the last column only gives the width back to it: no reason to stop fitting.
    if (column != m_wanted.size() - 1)
        m_handSized = true;
    fitColumns();
}

bool ReportListView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        showCellTip(static_cast<QHelpEvent *>(event));
        return true;
    }
    const bool handled = QTableView::viewportEvent(event);
    // A vertical scroll bar coming or going changes the width without resizing the list.
    if (event->type() == QEvent::Resize)
        fitColumns();
    return handled;
}

void ReportListView::fitColumns()
{
    const int count = int(m_wanted.size());
    if (m_fitting || !m_model || count == 0 || count != m_model->columns().size())
        return;
    QList<int> widths = m_wanted;
    const int available = viewport()->width();
    int total = 0;
    for (int w : std::as_const(widths))
        total += w;
    if (!m_handSized) {
        for (int column : std::as_const(m_elastic)) {
            if (total <= available || column < 0 || column >= count - 1)
                continue;
            const ReportColumn &limits = m_model->columns()[column];
            const int floor =
                qMin(widths[column], limits.minWidth > 0 ? limits.minWidth : kElasticFloor);
            const int given = qMin(total - available, widths[column] - floor);
            widths[column] -= given;
            total -= given;
        }
    }
    if (total < available)
        widths[count - 1] += available - total;

    m_fitting = true;
    for (int c = 0; c < count; ++c) {
        if (columnWidth(c) != widths[c])
            setColumnWidth(c, widths[c]);
    }
    m_fitting = false;
}

int ReportListView::widthToShow(const QString &text) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.text = text;
    option.features |= QStyleOptionViewItem::HasDisplay;
    const int cell =
        style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width();
    return cell + (showGrid() ? 1 : 0);
}

void ReportListView::showCellTip(const QHelpEvent *help)
{
    const QModelIndex index = indexAt(help->pos());
    QStringList lines;
    if (index.isValid()) {
        const QString warning = index.data(ReportModel::WarningRole).toString();
        if (!warning.isEmpty())
            lines.append(warning);
        const QString text = index.data(Qt::DisplayRole).toString();
        if (widthToShow(text) > columnWidth(index.column()))
            lines.append(text);
    }
    if (lines.isEmpty()) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(help->globalPos(), lines.join(QLatin1Char('\n')), viewport(),
                       visualRect(index));
}

QList<int> ReportListView::selectedRows() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    const QModelIndexList indexes = selectionModel()->selectedRows();
    rows.reserve(indexes.size());
    for (const QModelIndex &index : indexes)
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int ReportListView::firstSelectedRow() const
{
    const QList<int> rows = selectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

void ReportListView::selectRow(int row)
{
    if (!model() || row < 0 || row >= model()->rowCount())
        return;
    QTableView::selectRow(row);
}

} // namespace tovrel
