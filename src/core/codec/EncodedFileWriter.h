#pragma once

#include "codec/AudioFileWriter.h"
#include "io/AtomicFile.h"

#include <cstdint>
#include <memory>

// The part every compressed format shares: the temporary file, the PCM handed over in samples,
// and the order open → append… → seal → commit, with discard at any point. A format supplies
// its encoder through the four hooks; the encoder writes its bytes with writeBytes().
namespace tovrel {

class EncodedFileWriter : public AudioFileWriter
{
public:
    explicit EncodedFileWriter(AudioTags tags) : m_tags(std::move(tags)) {}
    ~EncodedFileWriter() override;

    bool open(const QString &path, quint32 expectedDataBytes) final;
    bool append(QByteArrayView pcm) final;
    bool seal() final;
    bool commit() final;
    bool commitIfAbsent(bool *taken) final;
    void discard() final;
    void setModificationTime(const QDateTime &time) final { m_modificationTime = time; }
    void setTags(const AudioTags &tags) final { m_tags = tags; }

    bool isOpen() const final { return m_file && !m_sealed; }
    bool isSealed() const final { return m_file && m_sealed; }
    QString errorString() const final { return m_error; }

protected:
    const AudioTags &tags() const { return m_tags; }
    // For the encoder's output: false (and the writer failed) when the bytes could not be
    // written.
    bool writeBytes(const void *bytes, qint64 count);
    bool seekTo(qint64 position);
    qint64 position() const { return m_position; }
    // Records a failure of the encoder itself.
    bool failWith(const QString &reason);

    // Sets the encoder up for `expectedSamples` samples; false after failWith().
    virtual bool startEncoding(qint64 expectedSamples) = 0;
    virtual bool encode(const int16_t *samples, int count) = 0;
    // Writes what the encoder still holds and ends the stream.
    virtual bool endEncoding() = 0;
    // Frees the encoder without ending its stream.
    virtual void dropEncoder() = 0;

private:
    AudioTags m_tags;
    std::unique_ptr<AtomicFile> m_file;
    QDateTime m_modificationTime;
    QString m_error;
    qint64 m_position = 0;
    bool m_sealed = false;
    bool m_failed = false;
};

} // namespace tovrel
