#pragma once

#include <QString>
#include <QStringList>

namespace tovrel::cli {

// One row of a command's table output: the cells joined by tabs. A tab, line break, carriage
// return or backslash inside a cell (file names may hold them) is written as \t, \n, \r or \\,
// so every row stays one line and every cell one column.
QString tableRow(const QStringList &cells);

} // namespace tovrel::cli
