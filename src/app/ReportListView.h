#pragma once

#include <QColor>
#include <QMap>
#include <QTableView>
#include <QTimer>

class QHelpEvent;

namespace tovrel {

class MessageSink;
class ReportModel;

// A report-style list: whole-row, multi-row selection, grid lines, read-only, no row numbers,
// fixed row heights so tens of thousands of rows stay fast.
//
// Column widths: a column starts at its width in the model; one that keeps whole
// (ReportColumn::keepsWhole) is widened to its longest text and caption rather than cutting them
// (measured in the first thousand rows of each batch added, as Qt's own fitting to contents
// does), and when the columns are wider than the list it scrolls sideways. Width a wider list has
// to spare goes to the columns that take it (ReportColumn::takesSpare), in proportion to their
// widths. A column whose edge a user dragged keeps that width (held within its limits), whatever
// the list's width and the model's width rules, until the program ends or, with
// keepColumnWidths, from one run to the next. Texts cut short by a user's drag elide at the end,
// the whole text showing as the tooltip.
class ReportListView : public QTableView
{
    Q_OBJECT

public:
    explicit ReportListView(QWidget *parent = nullptr);

    ~ReportListView() override;

    void setReportModel(ReportModel *model);
    // Keeps the widths a user drags in SysConf.ini under the list's object name
    // (settings/ColumnWidths.h) and sets those kept from the last run now; a failure to write them
    // is told through `messages`.
    void keepColumnWidths(MessageSink *messages);
    // The background of a row whose source is not whole (ReportModel::WarningRole).
    static QColor warningBackground();
    // Columns that give up width, in this order, so that the list fits its width without a
    // horizontal scroll bar: each down to its lower limit and its longest text (a column that
    // does not keep whole: its lower limit, or kElasticFloor). A column a user dragged does not.
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
    void hideEvent(QHideEvent *event) override;

private:
    void columnResized(int column, int oldWidth, int width);
    // Sets the shown widths for the viewport's width (see the class comment).
    void fitColumns();
    // Fits the columns once the events at hand are handled (many changes, one fit).
    void fitSoon();
    // The widths the columns' longest texts need, in rows first..last (all columns anew when
    // `fresh`), then a fit.
    void measureRows(int first, int last, bool fresh);
    void saveDraggedWidths();
    // A row with a warning shows it as the tooltip of each of its cells; a cell cut short adds
    // its whole text; a whole cell of a row without a warning shows none.
    void showCellTip(const QHelpEvent *help);

    ReportModel *m_model = nullptr;
    QList<int> m_elastic;
    // Per column: the width its longest text measured so far needs (0 for a column that does not
    // keep whole).
    QList<int> m_content;
    // The widths a user dragged, by caption (blanks trimmed).
    QMap<QString, int> m_dragged;
    MessageSink *m_messages = nullptr;
    // Writes the dragged widths a moment after the last drag.
    QTimer m_saveTimer;
    // Set while this view sets section widths itself.
    bool m_fitting = false;
    bool m_fitPending = false;
};

} // namespace tovrel
