#pragma once

#include "export/SheetLayout.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace tovrel {

// The `Workbook` stream of an Excel 97-2003 (BIFF8) workbook holding `content` in the sheet
// layout: every cell text-formatted ("@"), centred, in the list's font; the header row grey
// with height 20, data rows with height 16, list columns 13.46 characters wide. Rows beyond
// one sheet's 65 536 continue on further sheets named Sheet2, Sheet3, ..., each with the
// header row. Cell texts go into the shared string table; a text longer than the 32 767
// characters a cell holds is refused with a message.
struct BiffStreamResult
{
    QByteArray stream;
    std::optional<QString> error;
};
BiffStreamResult buildBiffWorkbookStream(const SheetContent &content);

} // namespace tovrel
