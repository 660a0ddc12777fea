#include "export/SpreadsheetExport.h"

#include "export/BiffWorkbook.h"
#include "export/CompoundFile.h"
#include "export/XlsxWorkbook.h"
#include "report/ReportModel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace tovrel {

namespace exporttext {
QString existingFileQuestion()
{
    return QString::fromUtf8("文件已经存在,是否删除?");
}
QString existingFileCaption()
{
    return QStringLiteral("Warning");
}
QString abandoned()
{
    return QString::fromUtf8("放弃操作");
}
QString finished()
{
    return QString::fromUtf8("导出 Excel 结束！");
}
QString finishedCaption()
{
    return QString::fromUtf8("导出 Excel ");
}
QString failureCaption()
{
    return QString::fromUtf8("导出 Excel");
}
} // namespace exporttext

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// A new, empty file next to `target` whose name no other file has; the caller fills it and
// renames it, or removes it.
class TemporarySibling
{
public:
    explicit TemporarySibling(const QString &target) : m_target(target) {}
    ~TemporarySibling()
    {
        if (!m_committed && !m_path.isEmpty())
            QFile::remove(m_path);
    }
    TemporarySibling(const TemporarySibling &) = delete;
    TemporarySibling &operator=(const TemporarySibling &) = delete;

    // Creates the file and opens it for writing in `file`; the failure text, or nothing.
    std::optional<QString> create(QFile &file)
    {
        const QFileInfo info(m_target);
        const QString folder = info.absolutePath();
        if (!QFileInfo(folder).isDir())
            return QString::fromUtf8("目录不存在：%1").arg(native(folder));
        for (int attempt = 0; attempt < 16; ++attempt) {
            // A short hidden name: the target's own name may already be as long as a name can be.
            const QString candidate =
                folder + QStringLiteral("/.tovrel-export-%1.part")
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
            file.setFileName(candidate);
            if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                m_path = candidate;
                return std::nullopt;
            }
            if (file.error() != QFileDevice::OpenError || !QFileInfo::exists(candidate))
                break;
        }
        return QString::fromUtf8("无法在目录中创建文件：%1（%2）")
            .arg(native(folder), file.errorString());
    }

    const QString &path() const { return m_path; }

    // Renames the finished file over the target; the failure text, or nothing.
    std::optional<QString> commit()
    {
        std::error_code error;
        std::filesystem::rename(std::filesystem::path(m_path.toStdU16String()),
                                std::filesystem::path(m_target.toStdU16String()), error);
        if (error)
            return QString::fromUtf8("无法保存为 %1（%2）")
                .arg(native(m_target), QString::fromLocal8Bit(error.message()));
        m_committed = true;
        return std::nullopt;
    }

private:
    QString m_target;
    QString m_path;
    bool m_committed = false;
};

std::optional<QString> writeFailure(const QString &path, const QString &reason)
{
    return QString::fromUtf8("写入文件失败：%1（%2）").arg(native(path), reason);
}

// Writes all of `bytes` and makes them durable; the failure text, or nothing.
std::optional<QString> writeAndClose(QFile &file, const QByteArray &bytes, const QString &target)
{
    if (file.write(bytes) != bytes.size() || !file.flush())
        return writeFailure(target, file.errorString());
#ifdef Q_OS_UNIX
    if (::fsync(file.handle()) != 0)
        return writeFailure(target, QString::fromLocal8Bit(std::strerror(errno)));
#endif
    file.close();
    if (file.error() != QFileDevice::NoError)
        return writeFailure(target, file.errorString());
    return std::nullopt;
}

// Makes a file another writer closed durable before it is renamed; the failure text, or nothing.
std::optional<QString> syncToDisk(const QString &written, const QString &target)
{
#ifdef Q_OS_UNIX
    QFile file(written);
    if (!file.open(QIODevice::ReadOnly))
        return writeFailure(target, file.errorString());
    if (::fsync(file.handle()) != 0)
        return writeFailure(target, QString::fromLocal8Bit(std::strerror(errno)));
#else
    Q_UNUSED(written);
    Q_UNUSED(target);
#endif
    return std::nullopt;
}

} // namespace

std::optional<QString> writeWorkbookFile(const SheetContent &content, const QString &path)
{
    TemporarySibling temporary(path);
    QFile file;
    if (auto error = temporary.create(file))
        return error;

    if (path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)) {
        // libxlsxwriter opens the file itself: the empty file only reserves the name.
        file.close();
        if (auto error = writeXlsxWorkbook(content, temporary.path()))
            return writeFailure(path, *error);
        if (auto error = syncToDisk(temporary.path(), path))
            return error;
    } else {
        BiffStreamResult biff = buildBiffWorkbookStream(content);
        if (biff.error)
            return biff.error;
        const QByteArray bytes = compoundFileWithWorkbook(std::move(biff.stream));
        if (auto error = writeAndClose(file, bytes, path))
            return error;
    }
    return temporary.commit();
}

ExportResult ExportListToSpreadsheet(const ReportModel &list, const SheetFont &font,
                                     const QString &path,
                                     const std::function<bool()> &replaceExisting)
{
    if (QFileInfo::exists(path) && !(replaceExisting && replaceExisting()))
        return {ExportOutcome::Abandoned, exporttext::abandoned()};

    SheetContent content;
    for (const ReportColumn &column : list.columns())
        content.captions.append(column.caption);
    content.rows = &list.rows();
    content.font = font;
    if (auto error = writeWorkbookFile(content, path))
        return {ExportOutcome::Failed, *error};
    return {ExportOutcome::Finished, exporttext::finished()};
}

SheetFont listFont()
{
    // The lists are shown in 宋体 at 12 pixels, which is 9 points on a 96-dpi screen.
    return {QString::fromUtf8("宋体"), 9};
}

} // namespace tovrel
