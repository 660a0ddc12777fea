#include "recordings/FolderWalk.h"

#include "io/NativePath.h"
#include "io/Platform.h"
#include "notes/RecordingNote.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#if TOVREL_HAS_POSIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tovrel {
namespace {

constexpr int kProgressEvery = 256;

bool stopped(const FolderWalkHooks &hooks)
{
    return hooks.stop && hooks.stop->load(std::memory_order_relaxed);
}

struct Entry
{
    std::string name;
    bool folder = false;
    // Not a plain file (a pipe, a socket, a device, directly or through a link): reported as a
    // file that cannot be read, never opened. The entry's type (or the stat a link gets anyway)
    // tells, so the recording files pay no extra call.
    bool notPlain = false;
    // A note file of the recording's name with ".txt" added is in the same folder.
    bool hasNote = false;
};

// True when name `a` comes before `b` in the order of their UTF-16 text. For UTF-8 names that
// is the order of their bytes, except that a character beyond U+FFFF (a four-byte sequence, lead
// byte F0..F4) comes before U+E000..U+FFFF (lead byte EE or EF), because UTF-16 writes it with
// surrogates D800..DFFF. Names are compared without decoding them.
bool namesInListOrder(const std::string &a, const std::string &b)
{
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[i]);
        if (x == y)
            continue;
        auto beyondBmp = [](unsigned char lead) { return lead >= 0xF0 && lead <= 0xF4; };
        auto highBmp = [](unsigned char lead) { return lead == 0xEE || lead == 0xEF; };
        if (beyondBmp(x) && highBmp(y))
            return true;
        if (highBmp(x) && beyondBmp(y))
            return false;
        return x < y;
    }
    return a.size() < b.size();
}

// One folder's entries as a walk takes them: "." and ".." and every folder whose name begins
// with a dot are skipped, and so is every folder below the deepest level; of the files only
// recordings count. Which recordings have a note is learnt from the same entries, so a folder
// without notes costs nothing more.
class FolderListing
{
public:
    FolderListing(const FolderWalkRules &rules, int depth) : m_rules(rules), m_depth(depth) {}

    void add(std::string name, bool isFolder, bool notPlain)
    {
        const bool recordingName = m_rules.isRecordingName(name.c_str(), name.size());
        // A note's name counts whatever the entry is: one that cannot be read as a note is then
        // named when it is read, never taken for no note.
        if (!recordingName && isNoteNameOf(name, m_rules.isRecordingName))
            m_noted.push_back(name.substr(0, name.size() - kNoteSuffixLength));
        if (isFolder ? (name[0] == '.' || m_depth >= m_rules.maxDepth) : !recordingName)
            return;
        m_entries.push_back({std::move(name), isFolder, notPlain});
    }

    // The kept entries in the order they are taken, each knowing whether it has a note.
    std::vector<Entry> take()
    {
        std::sort(m_entries.begin(), m_entries.end(),
                  [](const Entry &a, const Entry &b) { return namesInListOrder(a.name, b.name); });
        if (!m_noted.empty()) {
            std::sort(m_noted.begin(), m_noted.end());
            for (Entry &entry : m_entries)
                entry.hasNote = std::binary_search(m_noted.begin(), m_noted.end(), entry.name);
        }
        return std::move(m_entries);
    }

private:
    const FolderWalkRules &m_rules;
    const int m_depth;
    std::vector<Entry> m_entries;
    std::vector<std::string> m_noted;
};

#if TOVREL_HAS_POSIX
class PosixWalk
{
public:
    PosixWalk(const FolderWalkRules &rules, const FolderWalkHooks &hooks)
        : m_rules(rules), m_hooks(hooks)
    {}

    std::optional<WalkFailure> run(const QString &folder)
    {
        const int fd = ::open(nativePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            return WalkFailure{error == ENOENT || error == ENOTDIR, systemErrorText(error)};
        }
        if (const int error = walkFolder(fd, folder, 0))
            return WalkFailure{false, systemErrorText(error)};
        return std::nullopt;
    }

private:
    // Walks the folder open at `fd` (taken over and closed here) shown as `folder`: 0, or the
    // errno value when the folder could not be read.
    int walkFolder(int fd, const QString &folder, int depth)
    {
        struct stat self;
        if (fstat(fd, &self) == 0 && !m_entered.insert({self.st_dev, self.st_ino}).second) {
            // Reached again through a link: its files are listed once, where it was first met.
            close(fd);
            return 0;
        }
        DIR *dir = fdopendir(fd);
        if (!dir) {
            const int error = errno;
            close(fd);
            return error;
        }
        FolderListing listing(m_rules, depth);
        int readError = 0;
        for (;;) {
            if (stopped(m_hooks)) {
                closedir(dir);
                return 0;
            }
            errno = 0;
            const dirent *e = readdir(dir);
            if (!e) {
                readError = errno;
                break;
            }
            // Every entry counts towards progress, so a folder full of other files or of
            // sub-folders does not hold a window still.
            if (++m_entriesSeen % kProgressEvery == 0 && m_hooks.progress)
                m_hooks.progress(m_entriesSeen);
            const char *name = e->d_name;
            bool isFolder = e->d_type == DT_DIR;
            bool notPlain = e->d_type != DT_REG && e->d_type != DT_DIR && e->d_type != DT_UNKNOWN &&
                            e->d_type != DT_LNK;
            if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
                // A link counts as what it points to.
                struct stat st;
                const bool statted = fstatat(dirfd(dir), name, &st, 0) == 0;
                isFolder = statted && S_ISDIR(st.st_mode);
                notPlain = statted && !S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode);
            }
            const size_t length = std::strlen(name);
            listing.add(std::string(name, length), isFolder, notPlain);
        }
        if (readError != 0) {
            closedir(dir);
            return readError;
        }
        const std::vector<Entry> entries = listing.take();

        for (const Entry &entry : entries) {
            if (stopped(m_hooks))
                break;
            if (entry.folder) {
                const QString subFolder = folder + pathFromNative(entry.name) + QLatin1Char('/');
                const int sub =
                    openat(dirfd(dir), entry.name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                const int error = sub < 0 ? errno : walkFolder(sub, subFolder, depth + 1);
                if (error != 0 && m_hooks.folderFailed)
                    m_hooks.folderFailed(subFolder, systemErrorText(error));
                continue;
            }
            if (entry.notPlain) {
                if (m_hooks.fileFailed)
                    m_hooks.fileFailed(folder + pathFromNative(entry.name), notRegularFileText());
                continue;
            }
            readFile(dirfd(dir), entry, folder);
        }
        closedir(dir);
        return 0;
    }

    void readFile(int dirFd, const Entry &entry, const QString &folder)
    {
        const std::string &name = entry.name;
        // Non-blocking, so a pipe that took a recording's name meanwhile cannot stall the walk.
        const int fd = openat(dirFd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        const int error = fd < 0 ? errno : readHeader(fd, m_recording.header);
        if (error != 0) {
            if (fd >= 0)
                close(fd);
            if (m_hooks.fileFailed)
                m_hooks.fileFailed(folder + pathFromNative(name), systemErrorText(error));
            return;
        }
        m_recording.nativeName = name;
        m_recording.folder = folder;
        m_recording.hasNote = entry.hasNote;
        m_recording.descriptor = fd;
        if (m_hooks.recording)
            m_hooks.recording(m_recording);
        m_recording.descriptor = -1;
        close(fd);
    }

    const FolderWalkRules &m_rules;
    const FolderWalkHooks &m_hooks;
    std::set<std::pair<dev_t, ino_t>> m_entered;
    WalkedRecording m_recording;
    qint64 m_entriesSeen = 0;
};
#endif

namespace fs = std::filesystem;

class PortableWalk
{
public:
    PortableWalk(const FolderWalkRules &rules, const FolderWalkHooks &hooks)
        : m_rules(rules), m_hooks(hooks)
    {}

    std::optional<WalkFailure> run(const QString &folder)
    {
        const fs::path root = fsPath(folder);
        const std::error_code error = walkFolder(root, folder, 0);
        if (!error)
            return std::nullopt;
        std::error_code statError;
        const bool missing = error == std::errc::no_such_file_or_directory ||
                             error == std::errc::not_a_directory ||
                             (fs::exists(root, statError) && !fs::is_directory(root, statError));
        return WalkFailure{missing, systemErrorText(error)};
    }

private:
    struct Listed
    {
        Entry entry;
        fs::path name;
    };

    // Walks the folder at `path` shown as `folder`: nothing, or why it could not be read.
    std::error_code walkFolder(const fs::path &path, const QString &folder, int depth)
    {
        std::error_code error;
        const fs::path identity = fs::canonical(path, error);
        if (!error && !m_entered.insert(identity).second)
            return {}; // reached again through a link: its files are listed where first met
        fs::directory_iterator it(path, error);
        if (error)
            return error;
        FolderListing listing(m_rules, depth);
        for (; it != fs::directory_iterator(); it.increment(error)) {
            if (error)
                return error;
            if (stopped(m_hooks))
                return {};
            // Every entry counts towards progress, as in the POSIX walk.
            if (++m_entriesSeen % kProgressEvery == 0 && m_hooks.progress)
                m_hooks.progress(m_entriesSeen);
            std::error_code statError;
            // A link counts as what it points to; one that leads nowhere is a file that cannot
            // be opened.
            const fs::file_status status = it->status(statError);
            const bool statted = !statError && status.type() != fs::file_type::not_found;
            const bool isFolder = statted && fs::is_directory(status);
            const bool notPlain = statted && !isFolder && !fs::is_regular_file(status);
            std::string name = nameBytes(it->path().filename());
            listing.add(std::move(name), isFolder, notPlain);
        }
        if (error)
            return error;
        const std::vector<Entry> entries = listing.take();

        for (const Entry &entry : entries) {
            if (stopped(m_hooks))
                break;
            const QString shownName = pathFromNative(entry.name);
            if (entry.folder) {
                const QString subFolder = folder + shownName + QLatin1Char('/');
                const std::error_code subError =
                    walkFolder(path / fsPath(shownName), subFolder, depth + 1);
                if (subError && m_hooks.folderFailed)
                    m_hooks.folderFailed(subFolder, systemErrorText(subError));
                continue;
            }
            if (entry.notPlain) {
                if (m_hooks.fileFailed)
                    m_hooks.fileFailed(folder + shownName, notRegularFileText());
                continue;
            }
            readFile(entry, folder + shownName, folder);
        }
        return {};
    }

    void readFile(const Entry &entry, const QString &path, const QString &folder)
    {
        const std::string &name = entry.name;
        QFile file;
        HeaderBytes &header = m_recording.header;
        std::optional<QString> failure = openNativeFile(file, path, QIODevice::Unbuffered);
        if (!failure)
            failure = readHeader(file, header);
        if (failure) {
            if (m_hooks.fileFailed)
                m_hooks.fileFailed(path, *failure);
            return;
        }
        m_recording.nativeName = name;
        m_recording.folder = folder;
        m_recording.hasNote = entry.hasNote;
        m_recording.file = &file;
        if (m_hooks.recording)
            m_hooks.recording(m_recording);
        m_recording.file = nullptr;
    }

    const FolderWalkRules &m_rules;
    const FolderWalkHooks &m_hooks;
    std::set<fs::path> m_entered;
    WalkedRecording m_recording;
    qint64 m_entriesSeen = 0;
};

} // namespace

QString WalkedRecording::fileName() const
{
    return pathFromNative(QByteArrayView(nativeName.data(), qsizetype(nativeName.size())));
}

qint64 WalkedRecording::fileSize(QString *reason) const
{
    if (file) {
        const qint64 size = file->size();
        if (file->error() == QFileDevice::NoError)
            return size;
        if (reason)
            *reason = file->errorString();
        return -1;
    }
#if TOVREL_HAS_POSIX
    struct stat st;
    if (descriptor >= 0) {
        if (fstat(descriptor, &st) == 0)
            return qint64(st.st_size);
        if (reason)
            *reason = systemErrorText(errno);
        return -1;
    }
#endif
    if (reason)
        *reason = systemErrorText(EBADF);
    return -1;
}

std::optional<WalkFailure> walkRecordingFolders(const QString &folder, const FolderWalkRules &rules,
                                                const FolderWalkHooks &hooks)
{
#if TOVREL_POSIX_PATHS
    return PosixWalk(rules, hooks).run(folder);
#else
    return PortableWalk(rules, hooks).run(folder);
#endif
}

std::optional<WalkFailure> walkRecordingFoldersPortably(const QString &folder,
                                                        const FolderWalkRules &rules,
                                                        const FolderWalkHooks &hooks)
{
    return PortableWalk(rules, hooks).run(folder);
}

#if TOVREL_HAS_POSIX
std::optional<WalkFailure> walkRecordingFoldersPosix(const QString &folder,
                                                     const FolderWalkRules &rules,
                                                     const FolderWalkHooks &hooks)
{
    return PosixWalk(rules, hooks).run(folder);
}
#endif

} // namespace tovrel
