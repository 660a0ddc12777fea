#pragma once

#include <QString>
#include <QStringList>

// The 备注 column of the recording lists: always their last column, showing the first line of
// each recording's note.
namespace tovrel {

class ReportModel;

// The 备注 cell of a listed recording: its note's first line. `hasNote` is what the folder
// listing said (recordings/FolderWalk.h); without a note file nothing is read. A note that
// cannot be read gives an empty cell and its message in `error`.
QString noteCell(const QString &recordingPath, bool hasNote, QString *error);

// Appends the 备注 cell of the recording at `recordingPath` to `cells`, padding them to
// `columns` - 1 cells first so that it lands in the last of `columns` columns.
void appendNoteCell(QStringList &cells, qsizetype columns, const QString &recordingPath,
                    bool hasNote, QString *error);

// `from` copied into `to` (columns and rows) as a workbook takes it: a last 备注 column in
// which no row has a note is left out, so a list carries notes only when there are some.
void copyListForExport(const ReportModel &from, ReportModel &to);

} // namespace tovrel
