#include "notes/RecordingNote.h"

#include "io/AtomicFile.h"
#include "io/NativePath.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>

#include <filesystem>

namespace tovrel {
namespace {

constexpr std::string_view kNoteSuffix = ".txt";
static_assert(kNoteSuffix.size() == kNoteSuffixLength);
// A note is a few lines; a file far beyond that is not read into a list cell.
constexpr qint64 kLongestNote = 16 * 1024 * 1024;

QString noteFailure(const QString &notePath, const QString &reason)
{
    return QCoreApplication::translate("RecordingNote", "备注文件 %1: %2")
        .arg(shownPath(notePath), reason);
}

} // namespace

QString notePathFor(const QString &recordingPath)
{
    return recordingPath + QLatin1String(kNoteSuffix.data(), qsizetype(kNoteSuffix.size()));
}

bool isNoteNameOf(std::string_view name, bool (*isRecordingName)(const char *, size_t))
{
    if (name.size() <= kNoteSuffix.size() || !name.ends_with(kNoteSuffix))
        return false;
    return isRecordingName(name.data(), name.size() - kNoteSuffix.size());
}

QString noteFirstLine(const QString &note)
{
    for (qsizetype i = 0; i < note.size(); ++i) {
        if (note.at(i) == QLatin1Char('\n') || note.at(i) == QLatin1Char('\r'))
            return note.left(i);
    }
    return note;
}

QString NoteRead::error() const
{
    return noteFailure(notePath, reason);
}

NoteRead readNote(const QString &recordingPath)
{
    const QString path = notePathFor(recordingPath);
    // No entry of that name (nor a link that leads nowhere): no note. Anything else that is
    // there must read as a note, or its failure is named.
    std::error_code statError;
    if (std::filesystem::status(fsPath(path), statError).type() ==
        std::filesystem::file_type::not_found)
        return {QString(), path, QString()};
    QFile file;
    if (const auto failure = openNativeFile(file, path))
        return {QString(), path, *failure};
    const QByteArray bytes = file.read(kLongestNote + 1);
    if (file.error() != QFileDevice::NoError)
        return {QString(), path, file.errorString()};
    if (bytes.size() > kLongestNote)
        return {QString(), path, QCoreApplication::translate("RecordingNote", "文件太大")};
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return {QString(), path, QCoreApplication::translate("RecordingNote", "不是UTF-8文本")};
    return {std::move(text), path, QString()};
}

std::optional<QString> writeNote(const QString &recordingPath, const QString &text)
{
    const QString path = notePathFor(recordingPath);
    if (text.isEmpty()) {
        std::error_code error;
        std::filesystem::remove(fsPath(path), error); // no note there is no failure
        if (error)
            return noteFailure(path, systemErrorText(error));
        return std::nullopt;
    }
    AtomicFile file(path);
    if (!file.open() || !file.write(text.toUtf8()) || !file.commit())
        return noteFailure(path, file.errorString());
    return std::nullopt;
}

bool noteHolds(const QString &note, const QString &text)
{
    return note.contains(text, Qt::CaseInsensitive);
}

QString noteColumnCaption()
{
    return QString::fromUtf8(QT_TRANSLATE_NOOP("ReportColumn", "备注"));
}

} // namespace tovrel
