#pragma once

#include <QMap>
#include <QString>

#include <optional>

// The column widths a user dragged in the lists, kept in SysConf.ini (settings/SysConf.h):
// section ColumnWidths, one key per list (its control name: ListViewMCU, ListViewFile,
// FindListView), the value "caption:width" pairs joined by "," with the column's own caption,
// its blanks trimmed ("文件名:260,备注:200").
namespace tovrel::sysconf {

// The widths kept for `list` by caption; pairs that do not read as a caption and a positive width
// are left out. Empty when the file, the section or the key is missing.
QMap<QString, int> readColumnWidths(const QString &list);

// Stores the widths of `list`, keeping every other line; the user's message when the file cannot
// be written ("Unable to write to " followed by the settings path).
std::optional<QString> writeColumnWidths(const QString &list, const QMap<QString, int> &widths);

} // namespace tovrel::sysconf
