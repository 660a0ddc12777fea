#pragma once

#include "search/SearchCriteria.h"

#include <QString>

#include <atomic>
#include <functional>
#include <optional>

// The folder-tree scan of a search: the search folder and five levels of sub-folders below it,
// through the one folder walk (recordings/FolderWalk.h): each folder's entries in name order
// with each sub-folder searched where it falls in that order, folders whose names begin with "."
// skipped, no folder entered twice. A file is a recording file when the first ".spx" in its name
// (letter case as written) is at its very end; of each such file only the first 32 bytes are
// read. The scan is the search's hot path: the tests run on the header's bytes, texts are built
// only for the rows that pass.
namespace tovrel::search {

// Deepest level searched below the search folder.
constexpr int kMaxScanDepth = 5;

// One recording that passed the tests.
struct SearchHit
{
    QString fileName; // the entry's name, kept bytes included (io/NativePath.h)
    QString folder;   // the folder it was found in, as the search folder was given, ending '/'
    SearchHeader header;
    // What is wrong with the file (recordings/RecordingWholeness.h), or empty when it is whole.
    QString damage = {};
    // A note file (notes/RecordingNote.h) is beside it.
    bool hasNote = false;

    // The path that opens the file.
    QString path() const { return folder + fileName; }
};

struct SearchHooks
{
    // A recording passed: called at once, in scan order.
    std::function<void(const SearchHit &hit)> found;
    // A recording file, or the note file a note test needed, could not be opened or read (the
    // scan goes on): its path and the reason.
    std::function<void(const QString &path, const QString &reason)> openFailed;
    // A sub-folder could not be read: it is left out and the scan goes on.
    std::function<void(const QString &folder, const QString &reason)> folderFailed;
    // Every few hundred folder entries read, with the number read so far; a window keeps
    // painting from here.
    std::function<void(qint64 entriesSeen)> progress;
    // When set (from any thread), the scan ends at the next folder entry.
    const std::atomic<bool> *stop = nullptr;
};

struct SearchOutcome
{
    SearchCounts counts;
    // The search folder itself could not be read: "文件夹不存在!" (it is gone) or
    // "无法读取此目录！".
    std::optional<QString> folderMessage;
    QString folderReason; // the system's reason beside folderMessage
    // The scan was stopped (SearchHooks::stop) before its end; the counts are those found.
    bool stopped = false;
};

// Runs the scan of `criteria` (whose folder ends with '/').
SearchOutcome runSearchScan(const SearchCriteria &criteria, const SearchHooks &hooks);

// The recording-file rule on a name's bytes.
bool isSearchRecordingName(const char *name, size_t length);

} // namespace tovrel::search
