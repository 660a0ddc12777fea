#pragma once

#include "export/SheetLayout.h"

#include <QString>

class QWidget;

namespace tovrel {

class MessageSink;
class ReportListView;
struct RecordingsExportRequest;

// The font a list is shown in, as the sheet takes it: the family and the size in points (a
// font set in pixels is counted at 96 pixels to the inch).
SheetFont sheetFontOf(const QWidget *list);

// Exports the list shown by `list` to `path` with the program's boxes: the existing-file
// question "文件已经存在,是否删除?" (warning, OK/Cancel) and "放弃操作" on Cancel; on success
// "导出 Excel 结束！" under "导出 Excel " with the information icon; on failure the reason under
// "导出 Excel" with the error icon. Returns true when the workbook was written.
bool exportListWithMessages(MessageSink &messages, const ReportListView &list, const QString &path);

// The same with the rows' recordings (their keys are the paths) copied, or converted as `request`
// asks, into a folder named after the workbook beside it. The question is asked when the
// workbook or that folder exists; the copying runs on a thread of its own while the windows keep
// painting and refuse input.
bool exportListWithRecordingsWithMessages(MessageSink &messages, const ReportListView &list,
                                          const QString &path,
                                          const RecordingsExportRequest &request);

} // namespace tovrel
