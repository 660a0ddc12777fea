#include "ReportListView.h"

#include "report/ReportModel.h"

#include <QHeaderView>
#include <QItemSelectionModel>

#include <algorithm>

namespace tovrel {

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
}

void ReportListView::setReportModel(ReportModel *model)
{
    m_model = model;
    setModel(model);
    connect(model, &QAbstractItemModel::modelReset, this, &ReportListView::applyColumnWidths);
    connect(model, &ReportModel::columnWidthChanged, this,
            [this](int column, int width) { setColumnWidth(column, width); });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            &ReportListView::holdColumnWithinLimits);
    applyColumnWidths();
}

void ReportListView::applyColumnWidths()
{
    if (!m_model)
        return;
    for (int c = 0; c < m_model->columns().size(); ++c)
        setColumnWidth(c, m_model->columns()[c].width);
}

void ReportListView::holdColumnWithinLimits(int column, int, int width)
{
    if (!m_model || column < 0 || column >= m_model->columns().size())
        return;
    const int held = m_model->columns()[column].clampWidth(width);
    if (held != width)
        setColumnWidth(column, held);
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
