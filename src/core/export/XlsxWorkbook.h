#pragma once

#include "export/SheetLayout.h"

#include <QString>

#include <optional>

namespace tovrel {

// Writes `content` in the sheet layout as an Office Open XML workbook (.xlsx) at `path` with
// libxlsxwriter: one sheet, every column text-formatted ("@"), centred, in the list's font; the
// header row grey 25 % (C0C0C0) with height 20, data rows with height 16, list columns 13.46
// characters wide. Returns the failure as a message, or nothing when the file is complete.
std::optional<QString> writeXlsxWorkbook(const SheetContent &content, const QString &path);

} // namespace tovrel
