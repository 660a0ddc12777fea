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

struct FolderScanResult
{
    // The files read, in file-name order. When a file could not be opened the scan stops
    // there; the files before it stay.
    QList<ScannedRecording> recordings;
    // "此目录没有任何可支持的文件！" when the folder held no recording file (or does not exist)
    // or a file could not be opened; nothing when every file was read.
    std::optional<QString> message;
    // The file that could not be opened and the system's reason, for front ends that say more.
    QString failedPath;
    QString failedReason;
    // Sum over the listed files of their 500-byte chunk counts (L / 500 + 1): the overall
    // progress maximum of a convert-all run.
    qint64 conversionTotal = 0;
};

// The message shown for a folder without readable recording files.
QString noSupportedFilesMessage();

// The "*.spx" file names of `folder`, in the one order the program uses (file-name order).
QStringList recordingFileNames(const QString &folder);

// Reads the headers of the recording files of `folder`.
FolderScanResult scanRecordingFolder(const QString &folder);

// The seven cells of a list row: row number (1-based), file name, number text, date and time
// text, attribute text, size text, duration text.
QStringList recordingRowCells(int rowNumber, const QString &fileName,
                              const RecordingHeader &header);

} // namespace tovrel
