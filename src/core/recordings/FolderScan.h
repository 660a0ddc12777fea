#pragma once

#include "recordings/RecordingHeader.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Listing the recordings of one folder: every "*.spx" file (letter case ignored) in file-name
// order, each with its decoded header. Only the first 32 bytes of each file are read. The PC
// list, the command line and the benchmarks share it.
namespace tovrel {

struct ScannedRecording
{
    QString path;     // absolute path, '/' separators: the key the list rows keep
    QString fileName; // the name as found in the folder
    RecordingHeader header;
};

struct UnreadableRecording
{
    QString path;   // absolute path, '/' separators
    QString reason; // the system's reason
};

struct FolderScanResult
{
    // Every file read, in file-name order. A file that cannot be opened is left out and the
    // scan goes on with the next one.
    QList<ScannedRecording> recordings;
    // The files that could not be opened, in file-name order.
    QList<UnreadableRecording> unreadable;
    // The one message after the scan, or nothing when every file was read:
    // "此目录没有任何可支持的文件！" when the folder holds no recording file (or does not exist),
    // "无法读取此目录！" when the folder itself cannot be read, otherwise the list of the files
    // that could not be read (unreadableFilesMessage).
    std::optional<QString> message;
    // Sum over the listed files of their 500-byte chunk counts (L / 500 + 1): the overall
    // progress maximum of a convert-all run.
    qint64 conversionTotal = 0;
};

// The message shown for a folder without readable recording files.
QString noSupportedFilesMessage();
// "无法读取此目录！": the folder exists but its files cannot be listed.
QString unreadableFolderMessage();
// "以下文件无法读取：" and one file name a line.
QString unreadableFilesMessage(const QStringList &fileNames);

// The "*.spx" file names of `folder`, in the one order the program uses (file-name order).
QStringList recordingFileNames(const QString &folder);

// Reads the headers of the recording files of `folder`.
FolderScanResult scanRecordingFolder(const QString &folder);

// The seven cells of a list row: row number (1-based), file name, number text, date and time
// text, attribute text, size text, duration text.
QStringList recordingRowCells(int rowNumber, const QString &fileName,
                              const RecordingHeader &header);

} // namespace tovrel
