#include "settings/SysConf.h"

#include "settings/IniFile.h"

#include <QDir>

namespace tovrel::sysconf {
namespace {

const QString kSection = QStringLiteral("LocalConfig");
const QString kKey = QStringLiteral("LocalFileBackupPath");
const QString kUploadSection = QStringLiteral("Upload");
const QString kOnlyNewKey = QStringLiteral("OnlyNew");
const QString kPlaybackSection = QStringLiteral("Playback");
const QString kRewindKey = QStringLiteral("RewindAfterPause");

QString flagText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

std::optional<QString> writeValue(const QString &section, const QString &key, const QString &value)
{
    const QString path = settingsPath();
    std::optional<IniFile> ini = IniFile::loadForUpdate(path);
    if (!ini || !ini->setValue(section, key, value) || !ini->save(path))
        return QStringLiteral("Unable to write to ") + path;
    return std::nullopt;
}

} // namespace

QString settingsPath()
{
    // A working folder removed under the program has no path any more: the bare name then stays
    // relative to it (reading finds nothing, writing fails) instead of naming a file in the root.
    const QString name = QStringLiteral("SysConf.ini");
    const QString folder = QDir::currentPath();
    return QDir::toNativeSeparators(folder.isEmpty() ? name : QDir(folder).filePath(name));
}

QString defaultRecordFolder()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\record\\");
#else
    return QDir::toNativeSeparators(QDir::homePath() + QStringLiteral("/record/"));
#endif
}

QString withTrailingSeparator(const QString &folder)
{
    // A backslash counts on every system: a settings file brought from Windows keeps its folder.
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ||
        folder.endsWith(QLatin1Char('\\')) || folder.endsWith(QDir::separator()))
        return folder;
    return folder + QDir::separator();
}

QString readLocalFileBackupPath()
{
    return withTrailingSeparator(
        IniFile::load(settingsPath()).value(kSection, kKey).value_or(defaultRecordFolder()));
}

std::optional<QString> writeLocalFileBackupPath(const QString &folder)
{
    return writeValue(kSection, kKey, folder);
}

bool readUploadOnlyNew()
{
    return readValue(kUploadSection, kOnlyNewKey).value_or(QString()).trimmed() ==
           QLatin1String("1");
}

std::optional<QString> writeUploadOnlyNew(bool onlyNew)
{
    return writeValue(kUploadSection, kOnlyNewKey, flagText(onlyNew));
}

bool readRewindAfterPause()
{
    // Only a stored "0" turns it off.
    return readValue(kPlaybackSection, kRewindKey).value_or(QString()).trimmed() !=
           QLatin1String("0");
}

std::optional<QString> writeRewindAfterPause(bool rewind)
{
    return writeValue(kPlaybackSection, kRewindKey, flagText(rewind));
}

std::optional<QString> readValue(const QString &section, const QString &key)
{
    return IniFile::load(settingsPath()).value(section, key);
}

QString readContactsRegion()
{
    const QString region =
        readValue(QStringLiteral("Contacts"), QStringLiteral("Region")).value_or(QString());
    return region.trimmed().isEmpty() ? QStringLiteral("CN") : region.trimmed().toUpper();
}

} // namespace tovrel::sysconf
