#include "codec/OpusFileWriter.h"

#include <opusenc.h>

#include <QCoreApplication>

namespace tovrel {

namespace {

QString opusFailure(int error)
{
    return QCoreApplication::translate("AudioFileWriter", "Opus 编码失败：%1")
        .arg(QString::fromLatin1(ope_strerror(error)));
}

} // namespace

int OpusFileWriter::writeCallback(void *self, const unsigned char *bytes, int count)
{
    return static_cast<OpusFileWriter *>(self)->writeBytes(bytes, count) ? 0 : 1;
}

int OpusFileWriter::closeCallback(void *)
{
    // The file is synced and closed by the writer, after the stream has ended.
    return 0;
}

bool OpusFileWriter::startEncoding(qint64)
{
    m_comments = ope_comments_create();
    if (!m_comments)
        return failWith(opusFailure(OPE_ALLOC_FAIL));
    for (const auto &[name, value] : vorbisComments(tags())) {
        if (const int error = ope_comments_add(m_comments, name.constData(), value.constData()))
            return failWith(opusFailure(error));
    }
    static const OpusEncCallbacks callbacks{&writeCallback, &closeCallback};
    int error = OPE_OK;
    // Family 0: one mono stream; the 8000 Hz input is resampled to Opus's 48 kHz inside.
    m_encoder = ope_encoder_create_callbacks(&callbacks, this, m_comments, 8000, 1, 0, &error);
    if (!m_encoder)
        return failWith(opusFailure(error));
    error = ope_encoder_ctl(m_encoder, OPUS_SET_BITRATE(m_bitrateKbps * 1000));
    if (error == OPE_OK)
        error = ope_encoder_ctl(m_encoder, OPUS_SET_SIGNAL(OPUS_SIGNAL_VOICE));
    if (error == OPE_OK)
        error = ope_encoder_ctl(m_encoder, OPUS_SET_BANDWIDTH(OPUS_BANDWIDTH_NARROWBAND));
    if (error != OPE_OK)
        return failWith(opusFailure(error));
    return true;
}

bool OpusFileWriter::encode(const int16_t *samples, int count)
{
    const int error = ope_encoder_write(m_encoder, samples, count);
    return error == OPE_OK ? true : failWith(opusFailure(error));
}

bool OpusFileWriter::endEncoding()
{
    const int error = ope_encoder_drain(m_encoder);
    return error == OPE_OK ? true : failWith(opusFailure(error));
}

void OpusFileWriter::dropEncoder()
{
    if (m_encoder)
        ope_encoder_destroy(m_encoder);
    m_encoder = nullptr;
    if (m_comments)
        ope_comments_destroy(m_comments);
    m_comments = nullptr;
}

} // namespace tovrel
