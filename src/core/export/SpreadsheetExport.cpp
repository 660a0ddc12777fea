#include "export/SpreadsheetExport.h"

#include "export/BiffWorkbook.h"
#include "export/CompoundFile.h"
#include "export/XlsxWorkbook.h"
#include "report/ReportModel.h"

#include "io/AtomicFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tovrel {

namespace exporttext {
QString existingFileQuestion()
{
    return QCoreApplication::translate("SpreadsheetExport", "文件已经存在,是否删除?");
}
QString existingFileCaption()
{
    return QCoreApplication::translate("SpreadsheetExport", "警告");
}
QString abandoned()
{
    return QCoreApplication::translate("SpreadsheetExport", "放弃操作");
}
QString finished()
{
    return QCoreApplication::translate("SpreadsheetExport", "导出 Excel 结束！");
}
QString finishedCaption()
{
    return QCoreApplication::translate("SpreadsheetExport", "导出 Excel ");
}
QString failureCaption()
{
    return QCoreApplication::translate("SpreadsheetExport", "导出 Excel");
}
} // namespace exporttext

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

std::optional<QString> writeFailure(const QString &path, const QString &reason)
{
    return QCoreApplication::translate("SpreadsheetExport", "写入文件失败：%1（%2）")
        .arg(native(path), reason);
}

} // namespace

std::optional<QString> fillWorkbookFile(const SheetContent &content, AtomicFile &file)
{
    const QString path = file.path();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo(folder).isDir())
        return QCoreApplication::translate("SpreadsheetExport", "目录不存在：%1")
            .arg(native(folder));
    if (!file.open())
        return QCoreApplication::translate("SpreadsheetExport", "无法在目录中创建文件：%1（%2）")
            .arg(native(folder), file.errorString());

    if (path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)) {
        // libxlsxwriter opens the file by its name: the empty file only reserves the name.
        if (!file.releaseForWriter())
            return writeFailure(path, file.errorString());
        if (auto error = writeXlsxWorkbook(content, file.temporaryPath()))
            return writeFailure(path, *error);
    } else {
        BiffStreamResult biff = buildBiffWorkbookStream(content);
        if (biff.error)
            return biff.error;
        if (!file.write(compoundFileWithWorkbook(std::move(biff.stream))))
            return writeFailure(path, file.errorString());
    }
    if (!file.finish())
        return writeFailure(path, file.errorString());
    return std::nullopt;
}

std::optional<QString> commitWorkbookFile(AtomicFile &file)
{
    if (!file.commit())
        return QCoreApplication::translate("SpreadsheetExport", "无法保存为 %1（%2）")
            .arg(native(file.path()), file.errorString());
    return std::nullopt;
}

std::optional<QString> writeWorkbookFile(const SheetContent &content, const QString &path)
{
    AtomicFile file(path);
    if (auto error = fillWorkbookFile(content, file))
        return error;
    return commitWorkbookFile(file);
}

ExportResult ExportListToSpreadsheet(const ReportModel &list, const SheetFont &font,
                                     const QString &path,
                                     const std::function<bool()> &replaceExisting)
{
    if (QFileInfo::exists(path) && !(replaceExisting && replaceExisting()))
        return {ExportOutcome::Abandoned, exporttext::abandoned()};

    SheetContent content;
    for (const ReportColumn &column : list.columns())
        content.captions.append(column.caption);
    content.rows = &list.rows();
    content.font = font;
    if (auto error = writeWorkbookFile(content, path))
        return {ExportOutcome::Failed, *error};
    return {ExportOutcome::Finished, exporttext::finished()};
}

SheetFont listFont()
{
    // The lists are shown in 宋体 at 12 pixels, which is 9 points on a 96-dpi screen.
    return {QString::fromUtf8("宋体"), 9};
}

} // namespace tovrel
