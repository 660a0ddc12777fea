#pragma once

#include "search/SearchCriteria.h"

#include <QString>

#include <functional>

// The folder-tree scan of a search: the search folder and five levels of sub-folders below it,
// each folder's entries in name order with each sub-folder searched where it falls in that
// order, folders whose names begin with "." skipped. A file is a recording file when the first
// ".spx" in its name (letter case as written) is at its very end; of each such file only the
// first 32 bytes are read. The scan is the search's hot path: one folder handle per level, every
// entry opened relative to it, texts built only for the rows that pass.
namespace tovrel::search {

// Deepest level searched below the search folder.
constexpr int kMaxScanDepth = 5;

// One recording that passed the tests.
struct SearchHit
{
    QString fileName; // the entry's name
    QString folder;   // the folder it was found in, as the search folder was given, ending '/'
    SearchHeader header;

    QString path() const { return folder + fileName; }
};

struct SearchHooks
{
    // A recording passed: called at once, in scan order.
    std::function<void(const SearchHit &hit)> found;
    // A recording file could not be opened (the scan goes on): its path and the reason.
    std::function<void(const QString &path, const QString &reason)> openFailed;
    // A folder could not be read: a sub-folder is left out and the scan goes on; the search
    // folder itself ends the scan with nothing found.
    std::function<void(const QString &folder, const QString &reason)> folderFailed;
    // Every few hundred folder entries read, with the number read so far; a window keeps
    // painting from here.
    std::function<void(qint64 entriesSeen)> progress;
};

// Runs the scan of `criteria` (whose folder ends with '/') and returns the rows found by kind.
SearchCounts runSearchScan(const SearchCriteria &criteria, const SearchHooks &hooks);

// The recording-file rule on a name's bytes.
bool isSearchRecordingName(const char *name, size_t length);

} // namespace tovrel::search
