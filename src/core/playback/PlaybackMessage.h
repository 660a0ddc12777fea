#pragma once

#include <QMetaType>
#include <QString>

namespace tovrel {

// A failure of playback, as the user is to see it: the window turns it into a message box.
struct PlaybackMessage
{
    enum class Kind
    {
        Warning, // warning icon, OK
        Plain,   // the plain message dialog: the program's title, no icon, OK
        Error,   // no icon, OK
    };

    Kind kind = Kind::Warning;
    QString caption;
    QString text;

    friend bool operator==(const PlaybackMessage &, const PlaybackMessage &) = default;
};

namespace playbackmessages {

// "没有音频设备！", caption "警告": the system has no sound output device.
PlaybackMessage noAudioDevice();
// "Open WaveOut Error", caption "Error": the sound device cannot be opened.
PlaybackMessage cannotOpenDevice();
// "内存不足", caption "错误": the player's buffers cannot be allocated.
PlaybackMessage outOfMemory();
// "open input spx file error!": the recording cannot be opened at start or seek.
PlaybackMessage cannotOpenRecording();
// "read input spx file error!": the recording opens but cannot be read (a disk or network
// fault), at start or while it plays.
PlaybackMessage cannotReadRecording();
// "不是录音文件（reason）", caption "Waring": the file has no whole header, or one naming no
// date and time (recordings/RecordingWholeness.h); it is not played.
PlaybackMessage notARecording(const QString &reason);
// "不是完整的录音（reason）", caption "Waring": the recording played out, but its file is shorter
// or longer than its header says.
PlaybackMessage incompleteRecording(const QString &reason);
// "录音数据已损坏，无法继续播放！", caption "Waring": the speech cannot be decoded from here on.
PlaybackMessage corruptRecording();
// "Open temp.spx error", caption "Waring": the decoder thread cannot open the recording.
PlaybackMessage decoderCannotOpenRecording();
// "播放中断：音频设备停止了播放！", caption "警告": the sound device stopped playing before the
// recording had played out (unplugged, its sound server gone, or no sound taken for longer than
// it held).
PlaybackMessage deviceStopped();

} // namespace playbackmessages

} // namespace tovrel

Q_DECLARE_METATYPE(tovrel::PlaybackMessage)
