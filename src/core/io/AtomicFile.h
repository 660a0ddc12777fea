#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QFile>
#include <QString>

#include <optional>

// A file that replaces its target only when every byte of it reached the disk. It is written
// unbuffered under a temporary name in the target's folder, so each write's failure (a full
// disk, a file-size limit) shows at that write and never waits for a close. commit() syncs the
// file to disk, closes it and renames it over the target; if any of that fails, or the file is
// discarded or destroyed without a commit, the temporary file is removed and an earlier file of
// the target's name stays as it was. A writer that opens files by name itself (a library) fills
// the temporary file after releaseForWriter(); commit() then syncs what it wrote.
namespace tovrel {

// Makes a write past the process's file-size limit (ulimit -f) fail as a full disk does, instead
// of the system ending the program with SIGXFSZ. Called once at the start of each program.
void failWritesPastFileSizeLimit();

// Writes what the open file `handle` (a descriptor, as QFile::handle() gives) holds through to
// the disk; the system's reason when that fails.
std::optional<QString> syncToDisk(int handle);

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
    // Closes the temporary file and keeps its name reserved, for a writer that opens
    // temporaryPath() itself; write() and seek() fail from then on.
    bool releaseForWriter();
    // Syncs every byte written to disk and closes the file, ready for commit(); true only when
    // all of it succeeded (otherwise the temporary file is removed).
    bool finish();
    // Finishes the file if that was not done yet and renames it over the target; true only when
    // all of it succeeded.
    bool commit();
    // As commit(), but the file takes its name only when nothing has that name yet. False when
    // something has (`taken` then is true: the temporary file is removed and the earlier entry
    // stays as it was) or when finishing or renaming failed.
    bool commitIfAbsent(bool *taken);
    // Removes the temporary file; the target is not touched.
    void discard();
    // The modification time the file is given when it is finished (before it is synced), so it
    // takes its name already carrying it. Not set: the time of the last write.
    void setModificationTime(const QDateTime &time) { m_modificationTime = time; }

    bool isOpen() const { return m_state == State::Writing; }
    // True after any failed write, seek or commit.
    bool failed() const { return m_failed; }
    QString path() const { return m_path; }
    QString temporaryPath() const { return m_file.fileName(); }
    QString errorString() const { return m_error; }

private:
    enum class State
    {
        None,     // no temporary file
        Writing,  // open for write() and seek()
        Released, // closed; another writer fills it by name
        Finished, // on disk and closed; only the rename is left
    };

    bool fail(const QString &reason);
    bool failAndDiscard(const QString &reason);

    QString m_path;
    QFile m_file;
    State m_state = State::None;
    bool m_failed = false;
    QString m_error;
    QDateTime m_modificationTime;
};

} // namespace tovrel
