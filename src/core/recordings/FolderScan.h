#pragma once

#include "recordings/RecordingHeader.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>

// Listing the recordings of one folder: every "*.spx" file (letter case ignored) in file-name
// order, each with its decoded header, through the one folder walk (FolderWalk.h) at depth 0.
// Only the first 32 bytes of each file are read. The PC list, the command line and the
// benchmarks share it.
namespace tovrel {

struct ScannedRecording
{
    QString path;     // absolute path, '/' separators, kept bytes included (io/NativePath.h): the
                      // key the list rows keep, which opens the file
    QString fileName; // the name as found in the folder, kept bytes included; shown through
                      // shownPath
    RecordingHeader header;
    // What is wrong with the file (RecordingWholeness.h), or empty when it is whole.
    QString damage = {};
    // A note file (notes/RecordingNote.h) is beside it.
    bool hasNote = false;
};

struct UnreadableRecording
{
    QString path;   // absolute path, '/' separators, kept bytes included
    QString reason; // the system's reason
};

// How the folder itself fared.
enum class FolderState
{
    Read,       // its entries were read
    Missing,    // it does not exist (or is not a folder)
    Unreadable, // it exists but its entries cannot be read
};

struct FolderScanResult
{
    FolderState folder = FolderState::Read;
    // Every file read, in file-name order. A file that cannot be opened or read is left out and
    // the scan goes on with the next one.
    QList<ScannedRecording> recordings;
    // The files that could not be opened or read, in file-name order.
    QList<UnreadableRecording> unreadable;
    // The one message after the scan, or nothing when every file was read:
    // "文件夹不存在!" when the folder does not exist, "无法读取此目录！" when it cannot be read,
    // "此目录没有任何可支持的文件！" when it holds no recording file, otherwise the list of the
    // files that could not be read (unreadableFilesMessage).
    std::optional<QString> message;
    // Sum over the listed files of their 500-byte chunk counts (L / 500 + 1): the overall
    // progress maximum of a convert-all run.
    qint64 conversionTotal = 0;
    // The scan was stopped before its end (FolderScanFeed::stop): no message then.
    bool stopped = false;
};

// What a scan reports as it goes, for a window that shows the rows while the folder is read.
struct FolderScanFeed
{
    // Each file read, at once, in file-name order (it is in the result's recordings too).
    std::function<void(const ScannedRecording &recording)> listed;
    // Every few hundred folder entries read.
    std::function<void()> progress;
    // When set (from any thread), the scan ends at the next entry.
    const std::atomic<bool> *stop = nullptr;
};

// The message shown for a folder without recording files.
QString noSupportedFilesMessage();
// "文件夹不存在!": the folder to list or search does not exist.
QString folderMissingMessage();
// "无法读取此目录！": the folder exists but its files cannot be listed.
QString unreadableFolderMessage();
// "以下文件无法读取：" and one name a line, as shown (shownPath).
QString unreadableFilesMessage(const QStringList &names);

// The recording-file rule of the PC list on a name's bytes: it ends in ".spx", letter case
// ignored.
bool isListRecordingName(const char *name, size_t length);

// Reads the headers of the recording files of `folder`.
FolderScanResult scanRecordingFolder(const QString &folder, const FolderScanFeed &feed = {});

// The seven cells of a list row as the command line and the workbooks take them: row number
// (1-based), file name (as shown), number text, date and time text, attribute text, size text,
// duration text (report/RecordingCells.h, Wording::Data). The windows show the last four in the
// user's language from the row's values.
QStringList recordingRowCells(int rowNumber, const QString &fileName,
                              const RecordingHeader &header);

} // namespace tovrel
