#pragma once

#include <QColor>
#include <QTableView>

class QHelpEvent;

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

    // The file-name column: its texts elide in the middle, so a name keeps its end (".spx").
    void setMiddleElidedColumn(int column);
    // The background of a row whose source is not whole (ReportModel::WarningRole).
    static QColor warningBackground();
    // Columns that give up width, in this order and each down to its lower limit (or
    // kElasticFloor), so that the list fits its width without a horizontal scroll bar. They
    // stop giving way once a user has dragged a column edge (until the columns are set anew).
    // The last column always takes the width left over.
    void setElasticColumns(const QList<int> &columns);
    static constexpr int kElasticFloor = 100;
    ReportModel *reportModel() const { return m_model; }

    // The column width that shows `text` whole in this list (its font, its style's margins and
    // the grid line).
    int widthToShow(const QString &text) const;

    // Selected rows in ascending order.
    QList<int> selectedRows() const;
    // The first selected row (lowest index), or -1.
    int firstSelectedRow() const;
    void selectRow(int row);

protected:
    bool viewportEvent(QEvent *event) override;

private:
    void applyColumnWidths();
    void applyColumnWidth(int column, int width);
    void columnResized(int column, int oldWidth, int width);
    // Sets the shown widths from the wanted ones for the viewport's width.
    void fitColumns();
    // A row with a warning shows it as the tooltip of each of its cells; a cell cut short adds
    // its whole text; a whole cell of a row without a warning shows none.
    void showCellTip(const QHelpEvent *help);

    ReportModel *m_model = nullptr;
    // Per column: the width last set by the list's rules or by the user's drag.
    QList<int> m_wanted;
    QList<int> m_elastic;
    bool m_handSized = false;
    // Set while this view sets section widths itself.
    bool m_fitting = false;
};

} // namespace tovrel
