#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "io/AtomicFile.h"

#include <memory>

// WAV output: a 44-byte RIFF/WAVE header for 16-bit mono PCM at 8000 Hz, then the samples.
namespace tovrel {

constexpr int kWavHeaderBytes = 44;

// The 44-byte header with data size `dataBytes` and RIFF chunk size `dataBytes` + 36.
QByteArray wavHeader(quint32 dataBytes);

// Writes one WAV file. The header is written first with the size the caller expects; when the
// file ends with a different amount of data (a stop, input that ran short), finish() rewrites
// the two size fields so the header always describes the data the file holds. The file is
// written under a temporary name and takes its own name only in finish(), once it is on disk;
// after a failed write (a full disk) discard() removes it and an earlier file of that name stays.
// A writer destroyed (or opened again) before its file took its name drops the file.
class WavWriter
{
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter &) = delete;
    WavWriter &operator=(const WavWriter &) = delete;

    // Creates or truncates `path` and writes the header announcing `expectedDataBytes`.
    bool open(const QString &path, quint32 expectedDataBytes);
    // Appends PCM bytes.
    bool append(QByteArrayView pcm);
    // Puts the sizes of the data actually written into the header (when they differ from the
    // announced ones), syncs the file and gives it its name. Returns false when that could not be
    // done; the file is then removed and an earlier file of that name is kept.
    bool finish();
    // The first half of finish(): the true sizes into the header, every byte synced to disk and
    // the file closed, still under its temporary name until commit(). Destroying the writer
    // before commit() removes it, so a file that is not wanted after all never takes its name.
    bool seal();
    // The second half of finish(): gives a sealed file its name.
    bool commit();
    // commit(), but only when nothing has the name yet: a file that does not hold everything it
    // should never replaces an earlier one. False with `taken` true when the name was taken (the
    // file is dropped, the earlier one stays), false with `taken` false at a failure.
    bool commitIfAbsent(bool *taken);
    // Drops the file written so far; an earlier file of that name is kept.
    void discard();
    // The modification time the open file takes when it is sealed (instead of its last write).
    void setModificationTime(const QDateTime &time)
    {
        if (m_file)
            m_file->setModificationTime(time);
    }

    bool isOpen() const { return m_file && m_file->isOpen(); }
    bool isSealed() const { return m_file && m_sealed; }
    quint32 dataBytesWritten() const { return m_written; }
    QString errorString() const { return m_error; }
    QString path() const { return m_file ? m_file->path() : QString(); }

private:
    std::unique_ptr<AtomicFile> m_file;
    QString m_error;
    quint32 m_announced = 0;
    quint32 m_written = 0;
    bool m_sealed = false;
};

} // namespace tovrel
