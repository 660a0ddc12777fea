#pragma once

#include "export/SheetLayout.h"

#include <QString>

#include <functional>
#include <optional>

namespace tovrel {

class AtomicFile;
class ReportModel;

// The texts and captions of the export, exactly as the program shows them.
namespace exporttext {
QString existingFileQuestion(); // "文件已经存在,是否删除?" (warning, OK/Cancel)
QString existingFileCaption();  // "警告" (warning), the caption of that warning-type question
QString abandoned();            // "放弃操作" (caption "Waring", warning icon)
QString finished();             // "导出 Excel 结束！"
QString finishedCaption();      // "导出 Excel " (trailing blank; information icon)
QString failureCaption();       // "导出 Excel" (error icon)
} // namespace exporttext

// Writes `content` to the workbook at `path`: a path ending in ".xlsx" (any case) as an Office
// Open XML workbook, any other as an Excel 97-2003 workbook. The workbook is written to a
// temporary file in the target folder and renamed over `path` only when it is complete, so a
// failure leaves an existing file untouched and nothing half-written under the target name.
// Returns the failure as the user's message, or nothing on success.
std::optional<QString> writeWorkbookFile(const SheetContent &content, const QString &path);
// writeWorkbookFile in two steps, for a workbook that takes its name together with other files:
// fills `file` (not yet open; its path is the workbook's) and leaves it complete on disk under
// its temporary name, then renames it over the target.
std::optional<QString> fillWorkbookFile(const SheetContent &content, AtomicFile &file);
std::optional<QString> commitWorkbookFile(AtomicFile &file);

enum class ExportOutcome
{
    Finished,  // the workbook is written; show exporttext::finished()
    Abandoned, // the file existed and the user kept it; show exporttext::abandoned()
    Failed,    // nothing written under the path; show `text` under exporttext::failureCaption()
};

struct ExportResult
{
    ExportOutcome outcome = ExportOutcome::Failed;
    QString text;
};

// Exports the list `list` (its column captions and rows) with the list's font to `path`. When
// a file exists at `path`, `replaceExisting` is asked (the existing-file question) first; on
// false nothing is written and the file is kept. The existing file is replaced only once the
// new workbook is complete.
ExportResult ExportListToSpreadsheet(const ReportModel &list, const SheetFont &font,
                                     const QString &path,
                                     const std::function<bool()> &replaceExisting);

// The font the program's report lists are shown in, for exports made without a window.
SheetFont listFont();

} // namespace tovrel
