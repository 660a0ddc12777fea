#include "PlaybackMessage.h"

#include <QCoreApplication>

namespace tovrel::playbackmessages {

PlaybackMessage noAudioDevice()
{
    return {PlaybackMessage::Kind::Warning, QCoreApplication::translate("PlaybackMessage", "警告"),
            QCoreApplication::translate("PlaybackMessage", "没有音频设备！")};
}

PlaybackMessage cannotOpenDevice()
{
    return {PlaybackMessage::Kind::Error, QStringLiteral("Error"),
            QStringLiteral("Open WaveOut Error")};
}

PlaybackMessage outOfMemory()
{
    return {PlaybackMessage::Kind::Error, QCoreApplication::translate("PlaybackMessage", "错误"),
            QCoreApplication::translate("PlaybackMessage", "内存不足")};
}

PlaybackMessage cannotOpenRecording()
{
    return {PlaybackMessage::Kind::Plain, QString(), QStringLiteral("open input spx file error!")};
}

PlaybackMessage cannotReadRecording()
{
    return {PlaybackMessage::Kind::Plain, QString(), QStringLiteral("read input spx file error!")};
}

PlaybackMessage notARecording(const QString &reason)
{
    return {PlaybackMessage::Kind::Warning, QStringLiteral("Waring"),
            QCoreApplication::translate("PlaybackMessage", "不是录音文件（%1）").arg(reason)};
}

PlaybackMessage incompleteRecording(const QString &reason)
{
    return {PlaybackMessage::Kind::Warning, QStringLiteral("Waring"),
            QCoreApplication::translate("PlaybackMessage", "不是完整的录音（%1）").arg(reason)};
}

PlaybackMessage corruptRecording()
{
    return {PlaybackMessage::Kind::Warning, QStringLiteral("Waring"),
            QCoreApplication::translate("PlaybackMessage", "录音数据已损坏，无法继续播放！")};
}

PlaybackMessage decoderCannotOpenRecording()
{
    return {PlaybackMessage::Kind::Warning, QStringLiteral("Waring"),
            QStringLiteral("Open temp.spx error")};
}

PlaybackMessage deviceStopped()
{
    return {PlaybackMessage::Kind::Warning, QCoreApplication::translate("PlaybackMessage", "警告"),
            QCoreApplication::translate("PlaybackMessage", "播放中断：音频设备停止了播放！")};
}

} // namespace tovrel::playbackmessages
