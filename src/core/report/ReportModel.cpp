#include "report/ReportModel.h"

#include <QCoreApplication>
#include <QSize>

namespace tovrel {

int ReportColumn::clampWidth(int w) const
{
    if (maxWidth > 0 && w > maxWidth)
        w = maxWidth;
    if (minWidth > 0 && w < minWidth)
        w = minWidth;
    return w;
}

ReportModel::ReportModel(QObject *parent) : QAbstractTableModel(parent) {}

void ReportModel::setColumns(const QList<ReportColumn> &columns)
{
    beginResetModel();
    m_columns = columns;
    endResetModel();
}

void ReportModel::setColumnWidth(int column, int width)
{
    if (column < 0 || column >= m_columns.size())
        return;
    m_columns[column].width = width;
    emit columnWidthChanged(column, width);
}

void ReportModel::addColumnAt(int at, const ReportColumn &column, const QStringList &texts)
{
    if (at < 0 || at > m_columns.size())
        return;
    beginInsertColumns({}, at, at);
    m_columns.insert(at, column);
    for (qsizetype r = 0; r < m_rows.size(); ++r) {
        QStringList &cells = m_rows[r].cells;
        while (cells.size() < at)
            cells.append(QString());
        cells.insert(at, texts.value(r));
    }
    endInsertColumns();
}

void ReportModel::dropColumnAt(int at)
{
    if (at < 0 || at >= m_columns.size())
        return;
    beginRemoveColumns({}, at, at);
    m_columns.removeAt(at);
    for (ReportRow &row : m_rows) {
        if (at < row.cells.size())
            row.cells.removeAt(at);
    }
    endRemoveColumns();
}

void ReportModel::setColumnTexts(int column, const QStringList &texts)
{
    if (column < 0 || column >= m_columns.size() || m_rows.isEmpty())
        return;
    for (qsizetype r = 0; r < m_rows.size(); ++r) {
        QStringList &cells = m_rows[r].cells;
        while (cells.size() <= column)
            cells.append(QString());
        cells[column] = texts.value(r);
    }
    emit dataChanged(index(0, column), index(int(m_rows.size()) - 1, column));
}

void ReportModel::clear()
{
    if (m_rows.isEmpty())
        return;
    // Rows removed rather than a model reset: a reset would also reset the views' columns.
    beginRemoveRows({}, 0, int(m_rows.size()) - 1);
    m_rows.clear();
    endRemoveRows();
}

void ReportModel::appendRow(ReportRow row)
{
    const int at = int(m_rows.size());
    beginInsertRows({}, at, at);
    m_rows.append(std::move(row));
    endInsertRows();
}

void ReportModel::appendRows(QList<ReportRow> rows)
{
    if (rows.isEmpty())
        return;
    const int at = int(m_rows.size());
    beginInsertRows({}, at, at + int(rows.size()) - 1);
    m_rows.append(std::move(rows));
    endInsertRows();
}

void ReportModel::setCell(int row, int column, const QString &text)
{
    if (row < 0 || row >= m_rows.size() || column < 0)
        return;
    QStringList &cells = m_rows[row].cells;
    while (cells.size() <= column)
        cells.append(QString());
    cells[column] = text;
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed);
}

int ReportModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ReportModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ReportModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= m_columns.size())
        return {};
    const ReportRow &row = m_rows[index.row()];
    const RecordingCell cell = m_columns[index.column()].cell;
    if (role == Qt::DisplayRole) {
        if (cell != RecordingCell::None && row.values)
            return recordingCellText(cell, *row.values, Wording::Shown);
        return row.cells.value(index.column());
    }
    if (role == SortRole) {
        if (cell != RecordingCell::None && row.values)
            return recordingCellOrder(cell, *row.values);
        return row.cells.value(index.column());
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_columns[index.column()].alignment | Qt::AlignVCenter);
    if (role == WarningRole)
        return m_rows[index.row()].warning;
    if (role == Qt::ToolTipRole && !m_rows[index.row()].warning.isEmpty())
        return m_rows[index.row()].warning;
    return {};
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    // The captions stay the program's own texts (an exported sheet's header row); the list shows
    // them in the user's language.
    if (role == Qt::DisplayRole)
        return QCoreApplication::translate("ReportColumn", m_columns[section].caption.toUtf8());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_columns[section].alignment | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags ReportModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace tovrel
