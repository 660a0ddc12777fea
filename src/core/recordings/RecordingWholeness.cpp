#include "recordings/RecordingWholeness.h"

#include "io/NativePath.h"
#include "recordings/CallTime.h"
#include "recordings/FolderWalk.h"

#include <QCoreApplication>

namespace tovrel {
namespace {

QString worded(const char *text, Wording wording)
{
    return wording == Wording::Shown ? QCoreApplication::translate("RecordingWholeness", text)
                                     : QString::fromUtf8(text);
}

} // namespace

std::optional<RecordingFault> recordingFault(const HeaderBytes &header, qint64 fileSize,
                                             Wording wording)
{
    const HeaderFields fields = decodeHeaderFields(header);
    const qint64 headerLength = fields.longForm ? kLongHeaderLength : kShortHeaderLength;
    if (fileSize < headerLength)
        return RecordingFault{
            RecordingFault::NoRecording,
            worded(QT_TRANSLATE_NOOP("RecordingWholeness", "文件太短，没有完整的文件头"), wording)};
    if (!callTimeExists(decodeHeader(QByteArrayView(header.data(), header.size()))))
        return RecordingFault{
            RecordingFault::NoRecording,
            worded(QT_TRANSLATE_NOOP("RecordingWholeness", "文件头中的日期或时间不存在"), wording)};
    const qint64 whole = headerLength + qint64(fields.payloadLength());
    if (fileSize < whole)
        return RecordingFault{
            RecordingFault::NotWhole,
            worded(QT_TRANSLATE_NOOP("RecordingWholeness", "文件不完整：缺少 %1 字节"), wording)
                .arg(whole - fileSize)};
    if (fileSize > whole)
        return RecordingFault{
            RecordingFault::NotWhole,
            worded(QT_TRANSLATE_NOOP("RecordingWholeness", "文件过长：多出 %1 字节"), wording)
                .arg(fileSize - whole)};
    return std::nullopt;
}

std::optional<QString> recordingDamage(const HeaderBytes &header, qint64 fileSize, Wording wording)
{
    if (auto fault = recordingFault(header, fileSize, wording))
        return std::move(fault->text);
    return std::nullopt;
}

std::optional<QString> recordingDamage(const WalkedRecording &recording, Wording wording)
{
    QString reason;
    const qint64 size = recording.fileSize(&reason);
    if (size < 0)
        return unreadableFileText(reason, wording);
    return recordingDamage(recording.header, size, wording);
}

QString unreadableFileText(const QString &reason, Wording wording)
{
    return worded(QT_TRANSLATE_NOOP("RecordingWholeness", "无法读取："), wording) + reason;
}

} // namespace tovrel
