#pragma once

#include "report/RecordingCells.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace tovrel {

// One column of a report-style list: caption, width in pixels, text alignment, and the limits
// a user's drag of the column edge is held within (0: no limit).
struct ReportColumn
{
    QString caption;
    int width = 100;
    Qt::Alignment alignment = Qt::AlignLeft;
    int minWidth = 0;
    int maxWidth = 0;
    // A cell derived from the row's recording values: shown in the user's language, while the
    // row's cells keep the program's own text.
    RecordingCell cell = RecordingCell::None;
    // The list widens the column to its longest text rather than cutting it (the added columns,
    // contact and note, keep their width).
    bool keepsWhole = true;
    // The column takes a share of the width a wider list has to spare.
    bool takesSpare = false;

    // `width` held within this column's limits.
    int clampWidth(int width) const;
};

// One row: its cell texts (caption first, then the sub-items) and the key it was built from
// (a file path or a device index), so later actions never re-enumerate the source.
struct ReportRow
{
    QStringList cells;
    QVariant key;
    // What is wrong with the row's source (a recording file that is not whole), or empty: the
    // views show such a row in a warning colour with this text as its tooltip. The cells stay as
    // they are.
    QString warning = {};
    // The values its derived cells (ReportColumn::cell) are shown from; without them the cells
    // are shown as they are.
    std::optional<RecordingCellValues> values = {};
};

// The data behind a report-style list (the telephone's list, the PC list, search results).
// Rows keep their insertion order; the list is never sorted. Read by views and by the export:
// the views show the derived cells in the user's language (Qt::DisplayRole), the export takes
// the rows' cells.
class ReportModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // A row's warning text (empty when none); Qt::ToolTipRole gives it too.
    static constexpr int WarningRole = Qt::UserRole + 1;
    // What a cell sorts by: the value behind a derived cell, the text of any other.
    static constexpr int SortRole = Qt::UserRole + 2;

    explicit ReportModel(QObject *parent = nullptr);

    void setColumns(const QList<ReportColumn> &columns);
    const QList<ReportColumn> &columns() const { return m_columns; }
    // Sets one column's width; views follow through the signal, also when the value is the one
    // the model had, since a user may have dragged the view's column since.
    void setColumnWidth(int column, int width);
    // Puts `column` in at position `at` with one text per row (rows beyond `texts` get none),
    // and takes the column at `at` out again; rows, their order and keys stay as they are.
    void addColumnAt(int at, const ReportColumn &column, const QStringList &texts);
    void dropColumnAt(int at);
    // Sets the texts of one column, one per row.
    void setColumnTexts(int column, const QStringList &texts);

    // Removes every row; column widths a user dragged stay as they are.
    void clear();
    void appendRow(ReportRow row);
    void appendRows(QList<ReportRow> rows);
    const ReportRow &row(int index) const { return m_rows.at(index); }
    // Replaces the text of one cell (the row grows to reach the column), and tells the views.
    void setCell(int row, int column, const QString &text);
    const QList<ReportRow> &rows() const { return m_rows; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    void columnWidthChanged(int column, int width);

private:
    QList<ReportColumn> m_columns;
    QList<ReportRow> m_rows;
};

} // namespace tovrel
