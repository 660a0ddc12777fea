#pragma once

#include <QProcess>
#include <QString>

namespace tovrel::test {

// A folder that answers slowly: `source` shown at a new mount point through the test's own FUSE
// file system (SlowFolderFs.c), which waits `delayMs` in every call (each folder listing, look,
// open and read). Unmounted with the object.
class SlowFolder
{
public:
    SlowFolder(const QString &source, int delayMs);
    ~SlowFolder();
    SlowFolder(const SlowFolder &) = delete;
    SlowFolder &operator=(const SlowFolder &) = delete;

    // False where FUSE cannot mount (no /dev/fuse, no right to mount).
    bool isMounted() const { return m_mounted; }
    // The mount point with a trailing '/'.
    QString path() const { return m_path; }

private:
    QString m_path;
    QProcess m_server;
    bool m_mounted = false;
};

} // namespace tovrel::test
