#pragma once

#include "codec/AudioFormat.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <QList>

#include <memory>
#include <utility>

// Writing converted sound into a file of one format. Every writer takes 16-bit little-endian
// mono PCM at 8000 Hz, writes under a temporary name beside the target, and gives the file its
// name only in commit(), once every byte is on disk: a stopped or failed conversion never
// replaces an earlier file of that name.
namespace tovrel {

// What a file says about the call it holds (empty fields are left out).
struct AudioTags
{
    QString title;
    QString date; // ISO 8601
    QString artist;
    QString comment;

    friend bool operator==(const AudioTags &, const AudioTags &) = default;
};

// The Vorbis comments (FLAC, Opus) holding `tags`: names and UTF-8 values, empty fields left out.
QList<std::pair<QByteArray, QByteArray>> vorbisComments(const AudioTags &tags);

class AudioFileWriter
{
public:
    virtual ~AudioFileWriter() = default;

    // Starts the file at `path`, expecting `expectedDataBytes` of PCM (a hint: a file may end
    // up shorter).
    virtual bool open(const QString &path, quint32 expectedDataBytes) = 0;
    // Encodes and writes PCM bytes (an even count).
    virtual bool append(QByteArrayView pcm) = 0;
    // Ends the stream, syncs every byte to disk and closes the file, still under its temporary
    // name. Destroying the writer before commit() removes it.
    virtual bool seal() = 0;
    // Gives a sealed file its name.
    virtual bool commit() = 0;
    // commit(), but only when nothing has the name yet: false with `taken` true when the name
    // was taken (the file is dropped, the earlier one stays), false with `taken` false at a
    // failure.
    virtual bool commitIfAbsent(bool *taken) = 0;
    // Drops the file; an earlier file of that name stays.
    virtual void discard() = 0;
    // The modification time the file takes when it is sealed.
    virtual void setModificationTime(const QDateTime &time) = 0;
    // What the next file opened says about its call, where the format has room for it.
    virtual void setTags(const AudioTags &tags) = 0;

    virtual bool isOpen() const = 0;
    virtual bool isSealed() const = 0;
    virtual QString errorString() const = 0;

    // seal() and commit().
    bool finish() { return seal() && commit(); }
};

// The writer of a format, carrying `tags` where the format has room for them (WAV has none).
std::unique_ptr<AudioFileWriter> makeAudioFileWriter(const AudioChoice &choice,
                                                     const AudioTags &tags = {});

} // namespace tovrel
