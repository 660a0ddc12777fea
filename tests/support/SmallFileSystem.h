#pragma once

#include <QString>

namespace tovrel::test {

// A small tmpfs mounted for one test (the tests run as root in CI). fill() takes every free
// byte, so the next write meets a full disk. Unmounted with the object.
class SmallFileSystem
{
public:
    // Mounts a tmpfs of `kilobytes` on a new folder inside `parent` (which ends with '/').
    SmallFileSystem(const QString &parent, int kilobytes);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;

    // False where mounting is refused (not root, no mount namespace rights).
    bool isMounted() const { return m_mounted; }
    // The mount point with a trailing '/'.
    QString path() const { return m_path; }
    // Leaves `bytesLeft` bytes free (rounded to the file system's blocks); true when the disk
    // then refuses a write of more than that.
    bool fill(qint64 bytesLeft = 0);

private:
    QString m_path;
    bool m_mounted = false;
};

} // namespace tovrel::test
