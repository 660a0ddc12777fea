#include "ReportListView.h"

#include "MessageSink.h"

#include "report/ReportModel.h"
#include "settings/ColumnWidths.h"

#include <QEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <algorithm>

namespace tovrel {
namespace {

// Draws a row with a warning on the warning background.
class ReportItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!index.data(ReportModel::WarningRole).toString().isEmpty()) {
            option->backgroundBrush = ReportListView::warningBackground();
            // Dark text on the light warning colour, whatever the palette.
            option->palette.setColor(QPalette::Text, Qt::black);
        }
    }
};

// How many rows of a batch added are measured for the columns' longest texts.
constexpr int kMeasuredRows = 1000;
// The dragged widths are written this long after the last drag.
constexpr int kSaveDelayMs = 500;

QString captionKey(const QString &caption)
{
    return caption.trimmed();
}

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
    setItemDelegate(new ReportItemDelegate(this));
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(kSaveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &ReportListView::saveDraggedWidths);
}

ReportListView::~ReportListView()
{
    // A drag not written yet is written now; the windows are going, so nothing is told.
    if (m_saveTimer.isActive() && m_messages)
        (void)sysconf::writeColumnWidths(objectName(), m_dragged);
}

void ReportListView::setReportModel(ReportModel *model)
{
    m_model = model;
    setModel(model);
    const auto measureAll = [this] { measureRows(0, m_model->rowCount() - 1, true); };
    connect(model, &QAbstractItemModel::modelReset, this, measureAll);
    connect(model, &QAbstractItemModel::columnsInserted, this, measureAll);
    connect(model, &QAbstractItemModel::columnsRemoved, this, measureAll);
    connect(model, &QAbstractItemModel::rowsRemoved, this, measureAll);
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { measureRows(first, last, false); });
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &from, const QModelIndex &to) {
                measureRows(from.row(), to.row(), false);
            });
    connect(model, &ReportModel::columnWidthChanged, this, &ReportListView::fitSoon);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &ReportListView::columnResized);
    measureAll();
    fitColumns();
}

void ReportListView::keepColumnWidths(MessageSink *messages)
{
    m_messages = messages;
    m_dragged = sysconf::readColumnWidths(objectName());
    fitColumns();
}

void ReportListView::saveDraggedWidths()
{
    m_saveTimer.stop();
    if (!m_messages)
        return;
    if (const auto error = sysconf::writeColumnWidths(objectName(), m_dragged))
        m_messages->warn(*error);
}

void ReportListView::hideEvent(QHideEvent *event)
{
    QTableView::hideEvent(event);
    if (m_saveTimer.isActive())
        saveDraggedWidths();
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

void ReportListView::columnResized(int column, int, int width)
{
    if (m_fitting || !m_model || column < 0 || column >= m_model->columns().size())
        return;
    // A drag of the column's edge (or Qt's fitting on a double-click of it), held within the
    // column's limits.
    const ReportColumn &dragged = m_model->columns()[column];
    m_dragged.insert(captionKey(dragged.caption), dragged.clampWidth(width));
    if (m_messages)
        m_saveTimer.start();
    fitColumns();
}

void ReportListView::measureRows(int first, int last, bool fresh)
{
    if (!m_model)
        return;
    const QList<ReportColumn> &columns = m_model->columns();
    const int count = int(columns.size());
    if (fresh || m_content.size() != count) {
        m_content = QList<int>(count, 0);
        for (int c = 0; c < count; ++c) {
            if (columns[c].keepsWhole)
                m_content[c] = horizontalHeader()->sectionSizeHint(c);
        }
    }
    first = qMax(first, 0);
    last = qMin(last, m_model->rowCount() - 1);
    const int step = qMax(1, (last - first + 1) / kMeasuredRows);
    for (int r = first; r <= last; r += step) {
        for (int c = 0; c < count; ++c) {
            if (columns[c].keepsWhole)
                m_content[c] =
                    qMax(m_content[c], widthToShow(m_model->index(r, c).data().toString()));
        }
    }
    fitSoon();
}

void ReportListView::fitSoon()
{
    if (m_fitPending)
        return;
    m_fitPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_fitPending = false;
            fitColumns();
        },
        Qt::QueuedConnection);
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
    if (m_fitting || !m_model)
        return;
    const QList<ReportColumn> &columns = m_model->columns();
    const int count = int(columns.size());
    if (count == 0 || count != m_content.size())
        return;
    QList<int> widths(count);
    QList<bool> dragged(count);
    int total = 0;
    for (int c = 0; c < count; ++c) {
        const ReportColumn &column = columns[c];
        const auto kept = m_dragged.constFind(captionKey(column.caption));
        dragged[c] = kept != m_dragged.cend();
        widths[c] = dragged[c]          ? *kept
                    : column.keepsWhole ? qMax(column.width, m_content[c])
                                        : column.width;
        total += widths[c];
    }
    const int available = viewport()->width();
    for (int c : std::as_const(m_elastic)) {
        if (total <= available || c < 0 || c >= count || dragged[c])
            continue;
        const ReportColumn &column = columns[c];
        const int limit = column.minWidth > 0 ? column.minWidth : kElasticFloor;
        const int floor =
            qMin(widths[c], column.keepsWhole ? qMax(column.minWidth, m_content[c]) : limit);
        const int given = qMin(total - available, widths[c] - floor);
        widths[c] -= given;
        total -= given;
    }
    // Width to spare goes to the columns that take it, in proportion to their widths.
    int takers = 0;
    for (int c = 0; c < count; ++c) {
        if (columns[c].takesSpare && !dragged[c])
            takers += widths[c];
    }
    int spare = available - total;
    for (int c = 0; c < count && spare > 0 && takers > 0; ++c) {
        if (!columns[c].takesSpare || dragged[c])
            continue;
        const int share = int(qint64(spare) * widths[c] / takers);
        takers -= widths[c];
        widths[c] += takers > 0 ? share : spare;
        spare -= takers > 0 ? share : spare;
    }

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
