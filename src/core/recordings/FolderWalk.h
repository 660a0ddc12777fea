#pragma once

#include "recordings/RecordingHeader.h"

#include <QString>

class QFile;

#include <atomic>
#include <functional>
#include <optional>
#include <string_view>

// The one walk over folders of recording files, shared by the PC list (the folder alone) and
// the search (the folder and five levels of sub-folders). Each folder's entries are taken in one
// fixed name order, a sub-folder searched where it falls in that order; folders whose names
// begin with "." are not entered, and no folder (by device and inode) is entered twice in one
// walk, so a link back to a folder above cannot list a file again. Of each recording file only
// the header is read (readHeader); whether it has a note is learnt from the same listing. Names are
// handled by their bytes: a name that is not valid UTF-8 is given by its real bytes
// (io/NativePath.h), so the path leads back to the file.
//
// Two ways walk by these rules: with the POSIX calls (descriptors, openat, the entries' types;
// folders known by device and inode) and with std::filesystem (folders known by their canonical
// path), which every system has. The build chooses (io/Platform.h); both give the same rows and
// the same failures.
namespace tovrel {

// A recording file whose header was read.
struct WalkedRecording
{
    std::string_view nativeName; // the entry's name, its bytes
    QString folder;              // the folder it is in: the folder walked, as given, ending in '/'
    HeaderBytes header;

    // The name as text, kept bytes included (io/NativePath.h): built only when asked for, so
    // a search builds it only for the rows that pass.
    QString fileName() const;
    QString path() const { return folder + fileName(); }
    // The file's length in bytes, looked at only when asked for (the file stays open while the
    // hook runs), or -1 with `reason` set to the system's reason when it cannot be looked at.
    qint64 fileSize(QString *reason = nullptr) const;

    // The open file, while the hook runs: a descriptor (the POSIX walk) or a QFile.
    int descriptor = -1;
    QFile *file = nullptr;
    // Its note file (notes/RecordingNote.h) was among the folder's entries.
    bool hasNote = false;
};

struct FolderWalkRules
{
    // Deepest level of sub-folders entered below the folder walked (0: none).
    int maxDepth = 0;
    // Whether an entry's name (its bytes) names a recording file.
    bool (*isRecordingName)(const char *name, size_t length) = nullptr;
};

struct FolderWalkHooks
{
    // A recording file's header was read: called at once, in walk order.
    std::function<void(const WalkedRecording &recording)> recording;
    // A recording file could not be opened or read, or is not a plain file: its path and the
    // system's reason. The walk goes on.
    std::function<void(const QString &path, const QString &reason)> fileFailed;
    // A sub-folder could not be read: its path (ending '/') and the reason. The walk goes on.
    std::function<void(const QString &folder, const QString &reason)> folderFailed;
    // Every few hundred entries read, with the number read so far.
    std::function<void(qint64 entriesSeen)> progress;
    // When set (from any thread), the walk ends at the next entry it reads or takes, as if the
    // folders held nothing more; what was reported stays reported.
    const std::atomic<bool> *stop = nullptr;
};

// Why the folder walked could not be read.
struct WalkFailure
{
    bool missing = false; // it does not exist (or is not a folder)
    QString reason;       // the system's reason
};

// Walks `folder` (ending in '/'); a failure when the folder itself cannot be opened or read.
std::optional<WalkFailure> walkRecordingFolders(const QString &folder, const FolderWalkRules &rules,
                                                const FolderWalkHooks &hooks);

// The walk with std::filesystem, whichever way the build walks.
std::optional<WalkFailure> walkRecordingFoldersPortably(const QString &folder,
                                                        const FolderWalkRules &rules,
                                                        const FolderWalkHooks &hooks);
#if defined(__unix__) || defined(__APPLE__)
// The walk with the POSIX calls, whichever way the build walks.
std::optional<WalkFailure> walkRecordingFoldersPosix(const QString &folder,
                                                     const FolderWalkRules &rules,
                                                     const FolderWalkHooks &hooks);
#endif

} // namespace tovrel
