#include "codec/AudioFileWriter.h"

#include "codec/FlacFileWriter.h"
#include "codec/Mp3FileWriter.h"
#include "codec/OpusFileWriter.h"
#include "codec/WavFile.h"

namespace tovrel {

namespace {

// WAV: the sizes announced first and corrected when the file ends up shorter; no tags.
class WavFileWriter final : public AudioFileWriter
{
public:
    ~WavFileWriter() override
    {
        if (m_wav.isOpen())
            m_wav.discard();
    }
    bool open(const QString &path, quint32 expectedDataBytes) override
    {
        return m_wav.open(path, expectedDataBytes);
    }
    bool append(QByteArrayView pcm) override { return m_wav.append(pcm); }
    bool seal() override { return m_wav.seal(); }
    bool commit() override { return m_wav.commit(); }
    bool commitIfAbsent(bool *taken) override { return m_wav.commitIfAbsent(taken); }
    void discard() override { m_wav.discard(); }
    void setModificationTime(const QDateTime &time) override { m_wav.setModificationTime(time); }
    void setTags(const AudioTags &) override {}
    bool isOpen() const override { return m_wav.isOpen(); }
    bool isSealed() const override { return m_wav.isSealed(); }
    QString errorString() const override { return m_wav.errorString(); }

private:
    WavWriter m_wav;
};

} // namespace

QList<std::pair<QByteArray, QByteArray>> vorbisComments(const AudioTags &tags)
{
    QList<std::pair<QByteArray, QByteArray>> comments;
    for (const auto &[name, value] :
         {std::pair{"TITLE", &tags.title}, std::pair{"DATE", &tags.date},
          std::pair{"ARTIST", &tags.artist}, std::pair{"COMMENT", &tags.comment}}) {
        if (!value->isEmpty())
            comments.append({QByteArray(name), value->toUtf8()});
    }
    return comments;
}

std::unique_ptr<AudioFileWriter> makeAudioFileWriter(const AudioChoice &choice,
                                                     const AudioTags &tags)
{
    switch (choice.format) {
    case AudioFormat::Flac:
        return std::make_unique<FlacFileWriter>(tags);
    case AudioFormat::Opus:
        return std::make_unique<OpusFileWriter>(tags, choice.effectiveBitrate());
    case AudioFormat::Mp3:
        return std::make_unique<Mp3FileWriter>(tags, choice.effectiveBitrate());
    case AudioFormat::Wav:
        break;
    }
    return std::make_unique<WavFileWriter>();
}

} // namespace tovrel
