#include "FolderPicker.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLocale>

namespace tovrel {
namespace {

// The folder list's type and date columns in the program's language: Qt's file-system model
// calls a folder's type "Folder" and writes dates in the system's locale, not the program's.
class FolderColumns : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (role == Qt::DisplayRole && files && (index.column() == 2 || index.column() == 3)) {
            const QModelIndex source = mapToSource(index);
            if (index.column() == 3)
                return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
            if (files->isDir(source))
                return QCoreApplication::translate("FolderPicker", "文件夹");
        }
        return QIdentityProxyModel::data(index, role);
    }
};

} // namespace

std::optional<QString> pickFolderWithDialog(const QString &prompt, const QString &root,
                                            const QString &preselect)
{
    QString start = QFileInfo(preselect).isDir() ? preselect : QString();
    if (start.isEmpty() && !root.isEmpty())
        start = root;
    QFileDialog dialog(nullptr, prompt, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    dialog.setProxyModel(new FolderColumns(&dialog));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().value(0);
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
