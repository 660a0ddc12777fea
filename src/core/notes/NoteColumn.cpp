#include "notes/NoteColumn.h"

#include "notes/RecordingNote.h"
#include "report/ReportModel.h"

#include <algorithm>

namespace tovrel {

QString noteCell(const QString &recordingPath, bool hasNote, QString *error)
{
    if (!hasNote)
        return {};
    const NoteRead note = readNote(recordingPath);
    if (!note.ok()) {
        if (error)
            *error = note.error();
        return {};
    }
    return noteFirstLine(note.text);
}

void appendNoteCell(QStringList &cells, qsizetype columns, const QString &recordingPath,
                    bool hasNote, QString *error)
{
    while (cells.size() < columns - 1)
        cells.append(QString());
    cells.append(noteCell(recordingPath, hasNote, error));
}

void copyListForExport(const ReportModel &from, ReportModel &to)
{
    QList<ReportColumn> columns = from.columns();
    QList<ReportRow> rows = from.rows();
    const qsizetype last = columns.size() - 1;
    const bool emptyNotes = last >= 0 && columns.at(last).caption == noteColumnCaption() &&
                            std::all_of(rows.cbegin(), rows.cend(), [last](const ReportRow &row) {
                                return row.cells.value(last).isEmpty();
                            });
    if (emptyNotes) {
        columns.removeLast();
        for (ReportRow &row : rows) {
            if (row.cells.size() > last)
                row.cells.resize(last);
        }
    }
    to.setColumns(columns);
    to.appendRows(std::move(rows));
}

} // namespace tovrel
