#include "FolderPicker.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace tovrel {

std::optional<QString> pickFolderWithDialog(const QString &prompt, const QString &root,
                                            const QString &preselect)
{
    QString start = QFileInfo(preselect).isDir() ? preselect : QString();
    if (start.isEmpty() && !root.isEmpty())
        start = root;
    const QString chosen = QFileDialog::getExistingDirectory(
        nullptr, prompt, start, QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (chosen.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(chosen);
}

QString withTrailingSeparator(const QString &path)
{
    QString native = QDir::toNativeSeparators(path);
    if (!native.endsWith(QDir::separator()))
        native += QDir::separator();
    return native;
}

} // namespace tovrel
