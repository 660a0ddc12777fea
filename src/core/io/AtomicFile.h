#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QString>

// A file that replaces its target only when every byte of it reached the disk. It is written
// unbuffered under a temporary name in the target's folder, so each write's failure (a full
// disk, a file-size limit) shows at that write and never waits for a close. commit() syncs the
// file to disk, closes it and renames it over the target; if any of that fails, or the file is
// discarded or destroyed without a commit, the temporary file is removed and an earlier file of
// the target's name stays as it was.
namespace tovrel {

class AtomicFile
{
public:
    explicit AtomicFile(QString path);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Creates the temporary file (readable and writable, empty). False when it cannot be made.
    bool open();
    // Writes all of `bytes` at the current position; false (and the file failed) otherwise.
    bool write(QByteArrayView bytes);
    // Moves the position, for rewriting bytes already written.
    bool seek(qint64 position);
    // Syncs, closes and renames over the target; true only when all of it succeeded.
    bool commit();
    // Removes the temporary file; the target is not touched.
    void discard();

    bool isOpen() const { return m_file.isOpen(); }
    // True after any failed write, seek or commit.
    bool failed() const { return m_failed; }
    QString path() const { return m_path; }
    QString temporaryPath() const { return m_file.fileName(); }
    QString errorString() const { return m_error; }

private:
    bool fail(const QString &reason);

    QString m_path;
    QFile m_file;
    bool m_failed = false;
    QString m_error;
};

} // namespace tovrel
