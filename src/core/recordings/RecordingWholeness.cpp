#include "recordings/RecordingWholeness.h"

#include "io/NativePath.h"
#include "recordings/FolderWalk.h"

#include <QCoreApplication>

namespace tovrel {

std::optional<QString> recordingDamage(const HeaderBytes &header, qint64 fileSize)
{
    const HeaderFields fields = decodeHeaderFields(header);
    const qint64 headerLength = fields.longForm ? kLongHeaderLength : kShortHeaderLength;
    if (fileSize < headerLength)
        return QCoreApplication::translate("RecordingWholeness", "文件太短，没有完整的文件头");
    const qint64 whole = headerLength + qint64(fields.payloadLength());
    if (fileSize < whole)
        return QCoreApplication::translate("RecordingWholeness", "文件不完整：缺少 %1 字节")
            .arg(whole - fileSize);
    if (fileSize > whole)
        return QCoreApplication::translate("RecordingWholeness", "文件过长：多出 %1 字节")
            .arg(fileSize - whole);
    return std::nullopt;
}

std::optional<QString> recordingDamage(const WalkedRecording &recording)
{
    QString reason;
    const qint64 size = recording.fileSize(&reason);
    if (size < 0)
        return unreadableFileText(reason);
    return recordingDamage(recording.header, size);
}

QString unreadableFileText(const QString &reason)
{
    return QCoreApplication::translate("RecordingWholeness", "无法读取：") + reason;
}

} // namespace tovrel
