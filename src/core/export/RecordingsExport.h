#pragma once

#include "export/SpreadsheetExport.h"

#include <QString>

#include "codec/AudioFormat.h"

#include <functional>
#include <memory>

// A list exported together with its recordings: the workbook, and beside it a folder named after
// it ("查找结果.xls" → "查找结果/") holding each row's recording, copied or converted into a WAV
// file. The workbook gets a last column "文件" with each row's file, relative to the workbook.
namespace tovrel {

class ContactBook;
class ReportModel;

// The caption of the last column.
QString recordingFileCaption(); // "文件"

// The folder of recordings for the workbook at `workbookPath`: its name without the extension,
// in the same folder (no closing separator).
QString recordingsFolderFor(const QString &workbookPath);

// True when the workbook, or (with `withRecordings`) its folder of recordings, exists already.
bool exportTargetsExist(const QString &workbookPath, bool withRecordings);

struct RecordingsExportRequest
{
    bool wav = false;   // convert each recording (into `format`) instead of copying it
    AudioChoice format; // WAV unless chosen
    std::shared_ptr<const ContactBook> contacts; // names the calls in the converted files' tags
    int jobs = 0;                                // conversion jobs at once; 0 for one per core
};

// Exports `list`, whose rows' keys are the paths of their recordings, with the recordings. The
// whole export is written beside the targets under hidden names and takes the target names only
// when every file is complete; at a failure nothing is left under the target names and anything
// there before stays. When a target exists, `replaceExisting` is asked first (as for the
// workbook alone); an existing folder is replaced only once the new one is complete. Runs on the
// calling thread to its end.
ExportResult ExportListWithRecordings(const ReportModel &list, const SheetFont &font,
                                      const QString &path, const RecordingsExportRequest &request,
                                      const std::function<bool()> &replaceExisting);

} // namespace tovrel
