#include "codec/Mp3FileWriter.h"

#include <lame/lame.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>

#include <QCoreApplication>

#include <cstdarg>

namespace tovrel {

namespace {

// Samples handed to LAME at a time.
constexpr int kBlock = 4096;
// LAME's own bound on what one call may produce: 1.25 × samples + 7200 bytes.
constexpr size_t kOutBytes = kBlock * 5 / 4 + 7200;

// LAME's messages stay out of the terminal: what went wrong is told by its results.
void quiet(const char *, va_list) {}

QString lameFailure(int code)
{
    return QCoreApplication::translate("AudioFileWriter", "MP3 编码失败（LAME 错误 %1）").arg(code);
}

TagLib::String utf8(const QString &text)
{
    return TagLib::String(text.toStdString(), TagLib::String::UTF8);
}

} // namespace

QByteArray id3v2Tag(const AudioTags &tags)
{
    TagLib::ID3v2::Tag tag;
    const auto addText = [&tag](const char *id, const QString &value) {
        if (value.isEmpty())
            return;
        auto *frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF8);
        frame->setText(utf8(value));
        tag.addFrame(frame); // the tag owns it
    };
    addText("TIT2", tags.title);
    addText("TDRC", tags.date);
    addText("TPE1", tags.artist);
    if (!tags.comment.isEmpty()) {
        auto *comment = new TagLib::ID3v2::CommentsFrame(TagLib::String::UTF8);
        comment->setLanguage("zho");
        comment->setText(utf8(tags.comment));
        tag.addFrame(comment);
    }
    if (tag.isEmpty())
        return {};
    const TagLib::ByteVector bytes = tag.render(); // ID3v2.4
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

bool Mp3FileWriter::startEncoding(qint64)
{
    const QByteArray tag = id3v2Tag(tags());
    if (!tag.isEmpty() && !writeBytes(tag.constData(), tag.size()))
        return false;
    m_lame = lame_init();
    if (!m_lame)
        return failWith(lameFailure(-1));
    lame_set_errorf(m_lame, &quiet);
    lame_set_debugf(m_lame, &quiet);
    lame_set_msgf(m_lame, &quiet);
    lame_set_in_samplerate(m_lame, 8000);
    lame_set_out_samplerate(m_lame, 8000);
    lame_set_num_channels(m_lame, 1);
    lame_set_mode(m_lame, MONO);
    lame_set_VBR(m_lame, vbr_off);
    lame_set_brate(m_lame, m_bitrateKbps);
    // The tag above is ours. LAME's info frame (the encoder's delay and padding, so players
    // play exactly the samples given) comes first and is filled in at the end.
    lame_set_write_id3tag_automatic(m_lame, 0);
    lame_set_bWriteVbrTag(m_lame, 1);
    m_audioStart = position();
    if (const int code = lame_init_params(m_lame); code < 0)
        return failWith(lameFailure(code));
    m_out.resize(kOutBytes);
    return true;
}

bool Mp3FileWriter::encode(const int16_t *samples, int count)
{
    for (int done = 0; done < count;) {
        const int n = std::min(kBlock, count - done);
        // For one channel LAME reads the left buffer only.
        const int bytes = lame_encode_buffer(m_lame, samples + done, samples + done, n,
                                             m_out.data(), int(m_out.size()));
        if (bytes < 0)
            return failWith(lameFailure(bytes));
        if (!writeBytes(m_out.data(), bytes))
            return false;
        done += n;
    }
    return true;
}

bool Mp3FileWriter::endEncoding()
{
    const int bytes = lame_encode_flush(m_lame, m_out.data(), int(m_out.size()));
    if (bytes < 0)
        return failWith(lameFailure(bytes));
    if (!writeBytes(m_out.data(), bytes))
        return false;
    const size_t infoBytes = lame_get_lametag_frame(m_lame, m_out.data(), m_out.size());
    return infoBytes == 0 || (seekTo(m_audioStart) && writeBytes(m_out.data(), qint64(infoBytes)));
}

void Mp3FileWriter::dropEncoder()
{
    if (m_lame)
        lame_close(m_lame);
    m_lame = nullptr;
}

} // namespace tovrel
