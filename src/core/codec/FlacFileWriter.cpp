#include "codec/FlacFileWriter.h"

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include <QCoreApplication>

#include <array>

namespace tovrel {

namespace {

// Samples handed to libFLAC at a time.
constexpr int kBlock = 4096;

QString flacFailure(FLAC__StreamEncoder *encoder)
{
    return QCoreApplication::translate("AudioFileWriter", "FLAC 编码失败：%1")
        .arg(QString::fromLatin1(FLAC__stream_encoder_get_resolved_state_string(encoder)));
}

} // namespace

FLAC__StreamEncoderWriteStatus FlacFileWriter::writeCallback(const FLAC__StreamEncoder *,
                                                             const FLAC__byte buffer[],
                                                             size_t bytes, uint32_t, uint32_t,
                                                             void *self)
{
    return static_cast<FlacFileWriter *>(self)->writeBytes(buffer, qint64(bytes))
               ? FLAC__STREAM_ENCODER_WRITE_STATUS_OK
               : FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
}

FLAC__StreamEncoderSeekStatus FlacFileWriter::seekCallback(const FLAC__StreamEncoder *,
                                                           FLAC__uint64 offset, void *self)
{
    return static_cast<FlacFileWriter *>(self)->seekTo(qint64(offset))
               ? FLAC__STREAM_ENCODER_SEEK_STATUS_OK
               : FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
}

FLAC__StreamEncoderTellStatus FlacFileWriter::tellCallback(const FLAC__StreamEncoder *,
                                                           FLAC__uint64 *offset, void *self)
{
    *offset = FLAC__uint64(static_cast<FlacFileWriter *>(self)->position());
    return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}

bool FlacFileWriter::startEncoding(qint64 expectedSamples)
{
    m_encoder = FLAC__stream_encoder_new();
    m_comments = FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
    if (!m_encoder || !m_comments)
        return failWith(QCoreApplication::translate("AudioFileWriter", "内存不足"));
    for (const auto &[name, value] : vorbisComments(tags())) {
        FLAC__StreamMetadata_VorbisComment_Entry entry;
        if (!FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(
                &entry, name.constData(), value.constData()) ||
            !FLAC__metadata_object_vorbiscomment_append_comment(m_comments, entry, false))
            return failWith(QCoreApplication::translate("AudioFileWriter", "内存不足"));
    }
    FLAC__stream_encoder_set_channels(m_encoder, 1);
    FLAC__stream_encoder_set_bits_per_sample(m_encoder, 16);
    FLAC__stream_encoder_set_sample_rate(m_encoder, 8000);
    FLAC__stream_encoder_set_compression_level(m_encoder, 5);
    FLAC__stream_encoder_set_total_samples_estimate(m_encoder, FLAC__uint64(expectedSamples));
    FLAC__stream_encoder_set_metadata(m_encoder, &m_comments, 1);
    if (FLAC__stream_encoder_init_stream(m_encoder, &writeCallback, &seekCallback, &tellCallback,
                                         nullptr, this) != FLAC__STREAM_ENCODER_INIT_STATUS_OK)
        return failWith(flacFailure(m_encoder));
    return true;
}

bool FlacFileWriter::encode(const int16_t *samples, int count)
{
    std::array<FLAC__int32, kBlock> wide;
    for (int done = 0; done < count;) {
        const int n = std::min(kBlock, count - done);
        for (int i = 0; i < n; ++i)
            wide[size_t(i)] = samples[done + i];
        if (!FLAC__stream_encoder_process_interleaved(m_encoder, wide.data(), unsigned(n)))
            return failWith(flacFailure(m_encoder));
        done += n;
    }
    return true;
}

bool FlacFileWriter::endEncoding()
{
    // Writes the last frame, then goes back to the start to complete the stream information
    // (sample count, MD5 signature).
    return FLAC__stream_encoder_finish(m_encoder) ? true : failWith(flacFailure(m_encoder));
}

void FlacFileWriter::dropEncoder()
{
    if (m_encoder)
        FLAC__stream_encoder_delete(m_encoder);
    m_encoder = nullptr;
    if (m_comments)
        FLAC__metadata_object_delete(m_comments);
    m_comments = nullptr;
}

} // namespace tovrel
