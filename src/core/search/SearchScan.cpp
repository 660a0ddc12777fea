#include "search/SearchScan.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovrel::search {
namespace {

constexpr int kProgressEvery = 256;

struct Entry
{
    std::string name;
    bool folder = false;
    // Not a plain file (a pipe, a socket, a device, directly or through a link): reported as a
    // file that cannot be opened, never opened nor listed. The entry's type (or the stat a link
    // gets anyway) tells, so the recording files pay no extra call.
    bool notPlain = false;
};

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// True when name `a` comes before `b` in the order the PC list sorts its names: by their UTF-16
// text. For UTF-8 names that is the order of their bytes, except that a character beyond U+FFFF
// (a four-byte sequence, lead byte F0..F4) comes before U+E000..U+FFFF (lead byte EE or EF),
// because UTF-16 writes it with surrogates D800..DFFF. Names are compared without decoding them.
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

QString notRegularText()
{
    return QStringLiteral("not a regular file");
}

class TreeScan
{
public:
    TreeScan(const SearchCriteria &criteria, const SearchHooks &hooks)
        : m_criteria(criteria), m_hooks(hooks)
    {}

    void run()
    {
        const int fd = open(QFile::encodeName(m_criteria.folder).constData(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            if (m_hooks.folderFailed)
                m_hooks.folderFailed(m_criteria.folder, reasonOf(errno));
            return;
        }
        scanFolder(fd, m_criteria.folder, 0);
    }

    const SearchCounts &counts() const { return m_counts; }

private:
    // Scans the folder open at `fd` (taken over and closed here) shown as `folder`.
    void scanFolder(int fd, const QString &folder, int depth)
    {
        DIR *dir = fdopendir(fd);
        if (!dir) {
            const int error = errno;
            close(fd);
            if (m_hooks.folderFailed)
                m_hooks.folderFailed(folder, reasonOf(error));
            return;
        }
        // Entries in name order: the file system's own order is arbitrary.
        std::vector<Entry> entries;
        while (const dirent *e = readdir(dir)) {
            // Every entry counts towards progress, so a folder full of other files or of
            // sub-folders does not hold the window still.
            if (++m_entriesSeen % kProgressEvery == 0 && m_hooks.progress)
                m_hooks.progress(m_entriesSeen);
            const char *name = e->d_name;
            bool isFolder = e->d_type == DT_DIR;
            bool notPlain = e->d_type != DT_REG && e->d_type != DT_DIR && e->d_type != DT_UNKNOWN &&
                            e->d_type != DT_LNK;
            if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
                // A link counts as what it points to, as the enumeration sees it.
                struct stat st;
                const bool statted = fstatat(dirfd(dir), name, &st, 0) == 0;
                isFolder = statted && S_ISDIR(st.st_mode);
                notPlain = statted && !S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode);
            }
            // "." and ".." and every folder whose name begins with a dot are skipped.
            if (isFolder && name[0] == '.')
                continue;
            const size_t length = std::strlen(name);
            if (!isFolder && !isSearchRecordingName(name, length))
                continue;
            entries.push_back({std::string(name, length), isFolder, notPlain});
        }
        std::sort(entries.begin(), entries.end(),
                  [](const Entry &a, const Entry &b) { return namesInListOrder(a.name, b.name); });

        for (const Entry &entry : entries) {
            if (entry.folder) {
                if (depth >= kMaxScanDepth)
                    continue;
                const int sub =
                    openat(dirfd(dir), entry.name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                const QString subFolder =
                    folder + QFile::decodeName(entry.name.c_str()) + QLatin1Char('/');
                if (sub < 0) {
                    if (m_hooks.folderFailed)
                        m_hooks.folderFailed(subFolder, reasonOf(errno));
                    continue;
                }
                scanFolder(sub, subFolder, depth + 1);
                continue;
            }
            if (entry.notPlain) {
                if (m_hooks.openFailed)
                    m_hooks.openFailed(folder + QFile::decodeName(entry.name.c_str()),
                                       notRegularText());
                continue;
            }
            scanFile(dirfd(dir), entry.name, folder);
        }
        closedir(dir);
    }

    void scanFile(int dirFd, const std::string &name, const QString &folder)
    {
        // Non-blocking, so a pipe that carries a recording's name cannot stall the scan.
        const int fd = openat(dirFd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            const int error = errno;
            if (m_hooks.openFailed)
                m_hooks.openFailed(folder + QFile::decodeName(name.c_str()), reasonOf(error));
            return;
        }
        // Bytes past the end of a short file count as 0; bytes that cannot be read do not.
        char bytes[32] = {};
        size_t got = 0;
        int readError = 0;
        while (got < sizeof bytes) {
            const ssize_t n = read(fd, bytes + got, sizeof bytes - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                readError = errno;
            if (n <= 0)
                break;
            got += size_t(n);
        }
        close(fd);
        if (readError != 0) {
            if (m_hooks.openFailed)
                m_hooks.openFailed(folder + QFile::decodeName(name.c_str()), reasonOf(readError));
            return;
        }

        const SearchHeader header = readSearchHeader(bytes);
        if (!matches(header, m_criteria))
            return;
        ++m_counts.total;
        switch (header.attribute) {
        case 0:
            ++m_counts.incoming;
            break;
        case 1:
            ++m_counts.outgoing;
            break;
        default:
            ++m_counts.local;
            break;
        }
        if (m_hooks.found)
            m_hooks.found(SearchHit{QFile::decodeName(name.c_str()), folder, header});
    }

    const SearchCriteria &m_criteria;
    const SearchHooks &m_hooks;
    SearchCounts m_counts;
    qint64 m_entriesSeen = 0;
};

} // namespace

bool isSearchRecordingName(const char *name, size_t length)
{
    const void *first = memmem(name, length, ".spx", 4);
    return first != nullptr && static_cast<const char *>(first) == name + length - 4;
}

SearchCounts runSearchScan(const SearchCriteria &criteria, const SearchHooks &hooks)
{
    TreeScan scan(criteria, hooks);
    scan.run();
    return scan.counts();
}

} // namespace tovrel::search
