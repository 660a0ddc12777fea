#pragma once

#include <QProcess>
#include <QString>

namespace tovrel::test {

// `source` shown at a new mount point through the tests' FUSE file system (SlowFolderFs.c),
// which waits `delayMs` in every call: a folder that answers slowly. Unmounted with the object.
class SlowFolder
{
public:
    SlowFolder(const QString &source, int delayMs);
    ~SlowFolder();

    // False where FUSE cannot mount (no /dev/fuse, no right to mount).
    bool isMounted() const { return m_mounted; }
    QString path() const { return m_path + QLatin1Char('/'); }

private:
    QString m_path;
    QProcess m_server;
    bool m_mounted = false;
};

} // namespace tovrel::test
