#pragma once

#include <QTableView>

namespace tovrel {

class ReportModel;

// A report-style list: whole-row, multi-row selection, grid lines, read-only, no row numbers,
// fixed row heights so tens of thousands of rows stay fast. Column widths follow the model, and
// a user's drag of a column edge is held within the column's limits.
class ReportListView : public QTableView
{
    Q_OBJECT

public:
    explicit ReportListView(QWidget *parent = nullptr);

    void setReportModel(ReportModel *model);
    ReportModel *reportModel() const { return m_model; }

    // Selected rows in ascending order.
    QList<int> selectedRows() const;
    // The first selected row (lowest index), or -1.
    int firstSelectedRow() const;
    void selectRow(int row);

private:
    void applyColumnWidths();
    void holdColumnWithinLimits(int column, int oldWidth, int width);

    ReportModel *m_model = nullptr;
};

} // namespace tovrel
