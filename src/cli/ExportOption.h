#pragma once

#include "Help.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tovrel {
class ReportModel;
}

// `--export PATH [--replace]`, shared by every command that prints a list: instead of printing
// it, the command writes the same workbook the window's export writes for that list.
namespace tovrel::cli {

struct ExportRequest
{
    QString path;
    bool replace = false;
    bool requested() const { return !path.isEmpty(); }
};

// Takes "--export PATH" (or "--export=PATH") and "--replace" out of `args`, so the command
// parses the rest as before. Returns the usage error, or nothing: a PATH that does not end in
// .xls or .xlsx (any case) is refused.
std::optional<QString> takeExportOptions(QStringList &args, ExportRequest &request);

// The two entries of a command's --help that describe the options.
inline constexpr HelpEntry kExportEntry{"--export PATH",
                                        "write the list to this workbook instead (.xls or .xlsx)"};
inline constexpr HelpEntry kReplaceEntry{"--replace",
                                         "with --export: replace an existing workbook"};

// Writes `list` to the requested workbook (.xlsx by that extension, else Excel 97-2003) in the
// lists' font. Prints nothing on stdout; on stderr "导出 Excel 结束！" and returns 0, or the
// reason and returns 1: an existing file is kept unless --replace was given
// ("文件已经存在,是否删除?" then "放弃操作"), a missing folder or failed write leaves nothing.
int writeListExport(const ReportModel &list, const ExportRequest &request);

} // namespace tovrel::cli
