#include "recordings/FolderWalk.h"

#include "io/NativePath.h"
#include "notes/RecordingNote.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovrel {
namespace {

constexpr int kProgressEvery = 256;

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

QString notPlainText()
{
    return QStringLiteral("not a regular file");
}

class Walk
{
public:
    Walk(const FolderWalkRules &rules, const FolderWalkHooks &hooks)
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
        std::vector<Entry> entries;
        // The recordings' names whose note file was listed: learnt from the same listing, so a
        // folder without notes costs nothing more.
        std::vector<std::string> noted;
        int readError = 0;
        for (;;) {
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
            const bool recordingName = m_rules.isRecordingName(name, length);
            // A note's name counts whatever the entry is: one that cannot be read as a note is
            // then named when it is read, never taken for no note.
            const std::string_view entryName(name, length);
            if (!recordingName && isNoteNameOf(entryName, m_rules.isRecordingName))
                noted.emplace_back(entryName.substr(0, length - kNoteSuffixLength));
            // "." and ".." and every folder whose name begins with a dot are skipped, and so is
            // every folder below the deepest level.
            if (isFolder && (name[0] == '.' || depth >= m_rules.maxDepth))
                continue;
            if (!isFolder && !recordingName)
                continue;
            entries.push_back({std::string(name, length), isFolder, notPlain});
        }
        if (readError != 0) {
            closedir(dir);
            return readError;
        }
        std::sort(entries.begin(), entries.end(),
                  [](const Entry &a, const Entry &b) { return namesInListOrder(a.name, b.name); });
        if (!noted.empty()) {
            std::sort(noted.begin(), noted.end());
            for (Entry &entry : entries)
                entry.hasNote = std::binary_search(noted.begin(), noted.end(), entry.name);
        }

        for (const Entry &entry : entries) {
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
                    m_hooks.fileFailed(folder + pathFromNative(entry.name), notPlainText());
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
        m_recording.descriptor = fd;
        m_recording.hasNote = entry.hasNote;
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

} // namespace

QString WalkedRecording::fileName() const
{
    return pathFromNative(QByteArrayView(nativeName.data(), qsizetype(nativeName.size())));
}

qint64 WalkedRecording::fileSize(int *error) const
{
    struct stat st;
    if (descriptor < 0 || fstat(descriptor, &st) != 0) {
        if (error)
            *error = descriptor < 0 ? EBADF : errno;
        return -1;
    }
    return qint64(st.st_size);
}

std::optional<WalkFailure> walkRecordingFolders(const QString &folder, const FolderWalkRules &rules,
                                                const FolderWalkHooks &hooks)
{
    return Walk(rules, hooks).run(folder);
}

} // namespace tovrel
