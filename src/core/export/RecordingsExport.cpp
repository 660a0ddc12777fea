#include "export/RecordingsExport.h"

#include "conversion/ConversionWorker.h"
#include "conversion/RecordingConversion.h"
#include "io/AtomicFile.h"
#include "io/FolderSwap.h"
#include "io/NativePath.h"
#include "report/ReportModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <atomic>

namespace tovrel {
namespace {

// A hidden folder that is removed again unless it was renamed into place.
class FolderBeside
{
public:
    ~FolderBeside()
    {
        if (!m_path.isEmpty())
            removeTree(m_path);
    }
    std::optional<QString> create(const QString &target)
    {
        return makeFolderBeside(target, &m_path);
    }
    const QString &path() const { return m_path; }
    void release() { m_path.clear(); }

private:
    QString m_path;
};

// Copies the recordings into `folder` (ending in '/'); `files` gets the path of each.
std::optional<QString> copyRecordings(const QStringList &inputs, const QString &folder,
                                      QStringList *files)
{
    QSet<QString> taken;
    for (const QString &input : inputs) {
        const QString output = distinctOutputPath(input, folder, QString(), taken);
        if (auto error = copyFileTo(input, output))
            return error;
        files->append(output);
    }
    return std::nullopt;
}

// Converts the recordings into files of the chosen format in `folder` (ending in '/') with the
// conversion run's own rules (names, several jobs); `files` gets the path of each WAV, `notes` a
// line for each recording whose WAV holds only part of it. A recording that gives no WAV fails the
// export.
std::optional<QString> convertRecordings(const QStringList &inputs, const QString &folder,
                                         const RecordingsExportRequest &request, QStringList *files,
                                         QStringList *notes)
{
    std::atomic<int> keepGoing{1};
    ConversionWorker worker(inputs, folder, keepGoing, request.jobs);
    worker.setOutput(request.format, request.contacts);
    std::optional<QString> error;
    // The worker lives on this thread: its signals arrive as direct calls during run().
    QObject::connect(&worker, &ConversionWorker::fileFinished, &worker,
                     [files](const QString &wav) { files->append(wav); });
    QObject::connect(&worker, &ConversionWorker::fileIncomplete, &worker,
                     [&](const QString &input, const QString &text, const QString &wav) {
                         const QString line =
                             QCoreApplication::translate("RecordingsExport", "%1：%2")
                                 .arg(shownPath(input), text);
                         if (wav.isEmpty()) {
                             if (!error)
                                 error = line;
                             return;
                         }
                         files->append(wav);
                         notes->append(line);
                     });
    QObject::connect(&worker, &ConversionWorker::failed, &worker,
                     [&error](const QString &text, const QString &reason, const QString &path) {
                         error = QCoreApplication::translate("RecordingsExport", "%1 %2（%3）")
                                     .arg(text, shownPath(path), reason);
                     });
    worker.run();
    if (!error && files->size() != inputs.size())
        error = QCoreApplication::translate("RecordingsExport", "转换未完成");
    return error;
}

} // namespace

QString recordingFileCaption()
{
    return QString::fromUtf8("文件");
}

QString recordingsFolderFor(const QString &workbookPath)
{
    const QFileInfo info(workbookPath);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return info.dir().filePath(dot > 0 ? name.left(dot) : name + QStringLiteral(".files"));
}

bool exportTargetsExist(const QString &workbookPath, bool withRecordings)
{
    return entryExists(workbookPath) ||
           (withRecordings && entryExists(recordingsFolderFor(workbookPath)));
}

ExportResult ExportListWithRecordings(const ReportModel &list, const SheetFont &font,
                                      const QString &path, const RecordingsExportRequest &request,
                                      const std::function<bool()> &replaceExisting)
{
    auto failed = [](const QString &text) { return ExportResult{ExportOutcome::Failed, text}; };
    if (exportTargetsExist(path, true) && !(replaceExisting && replaceExisting()))
        return {ExportOutcome::Abandoned, exporttext::abandoned()};

    const QString target = recordingsFolderFor(path);
    if (!QFileInfo(QFileInfo(path).absolutePath()).isDir())
        return failed(QCoreApplication::translate("RecordingsExport", "目录不存在：%1")
                          .arg(shownPath(QFileInfo(path).absolutePath())));
    FolderBeside staging;
    if (auto error = staging.create(target))
        return failed(*error);

    QStringList inputs;
    for (const ReportRow &row : list.rows())
        inputs.append(row.key.toString());
    QStringList files;
    QStringList notes;
    const QString folder = staging.path() + u'/';
    if (auto error = request.wav ? convertRecordings(inputs, folder, request, &files, &notes)
                                 : copyRecordings(inputs, folder, &files))
        return failed(*error);

    // Each row gets its file's path as seen from the workbook.
    const QString relative = QFileInfo(target).fileName() + u'/';
    QList<ReportRow> rows = list.rows();
    SheetContent content;
    for (const ReportColumn &column : list.columns())
        content.captions.append(column.caption);
    content.linkColumn = int(content.captions.size());
    content.captions.append(recordingFileCaption());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QStringList &cells = rows[i].cells;
        while (cells.size() < content.linkColumn)
            cells.append(QString());
        cells.append(relative + QFileInfo(files[i]).fileName());
    }
    content.rows = &rows;
    content.font = font;
    AtomicFile workbook(path);
    if (auto error = fillWorkbookFile(content, workbook))
        return failed(*error);

    // Both are complete: the folder takes its name first, then the workbook. An existing folder
    // is swapped out in one step and removed once the workbook is in place too.
    const bool swapped = entryExists(target);
    if (auto error =
            swapped ? swapEntries(staging.path(), target) : renameIntoPlace(staging.path(), target))
        return failed(*error);
    if (auto error = commitWorkbookFile(workbook)) {
        if (swapped) {
            if (auto undo = swapEntries(staging.path(), target))
                return failed(*error + u'\n' + *undo);
        } else if (auto undo = removeTree(target)) {
            return failed(*error + u'\n' + *undo);
        }
        return failed(*error);
    }
    if (!swapped) {
        staging.release();
    } else if (auto error = removeTree(staging.path())) {
        notes.prepend(QCoreApplication::translate("RecordingsExport", "旧的录音目录未能删除：%1")
                          .arg(*error));
    }
    staging.release();
    // The recordings whose WAVs hold only part of them, and an old folder left behind, are told
    // with the success.
    notes.prepend(exporttext::finished());
    return {ExportOutcome::Finished, notes.join(u'\n')};
}

} // namespace tovrel
