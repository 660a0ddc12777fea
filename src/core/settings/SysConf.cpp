#include "settings/SysConf.h"

#include "settings/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <atomic>
#include <memory>

namespace tovrel::sysconf {
namespace {

const QString kSection = QStringLiteral("LocalConfig");
const QString kKey = QStringLiteral("LocalFileBackupPath");
const QString kUploadSection = QStringLiteral("Upload");
const QString kOnlyNewKey = QStringLiteral("OnlyNew");
const QString kAutoUploadKey = QStringLiteral("AutoUpload");
const QString kPlaybackSection = QStringLiteral("Playback");
const QString kRewindKey = QStringLiteral("RewindAfterPause");
const QString kConvertSection = QStringLiteral("Convert");
const QString kFormatKey = QStringLiteral("Format");
const QString kBitrateKey = QStringLiteral("Bitrate");

QString flagText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

// The file given with --config; null for the usual place.
std::atomic<std::shared_ptr<const QString>> g_chosenFile;

// tovrel/SysConf.ini of the user's configuration folder; empty on Windows (the settings stay in
// the working folder there) and without a home folder.
QString configFolderSettingsPath()
{
#ifndef Q_OS_WIN
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (!config.isEmpty())
        return QDir::toNativeSeparators(config + QStringLiteral("/tovrel/SysConf.ini"));
#endif
    return QString();
}

// Stores the keys' values of one section in one write of the file: all of them or none.
std::optional<QString> writeValues(const QString &section,
                                   const QList<std::pair<QString, QString>> &values)
{
    const QString path = settingsPath();
    // The configuration folder may not exist yet (a failure shows as the file not written); a
    // folder the user named, or a working folder removed under the program, is never made.
    if (!g_chosenFile.load() && path == configFolderSettingsPath())
        QDir().mkpath(QFileInfo(path).absolutePath());
    std::optional<IniFile> ini = IniFile::loadForUpdate(path);
    bool set = ini.has_value();
    for (const auto &[key, value] : values)
        set = set && ini->setValue(section, key, value);
    if (!set || !ini->save(path))
        return QStringLiteral("Unable to write to ") + path;
    return std::nullopt;
}

std::optional<QString> writeValue(const QString &section, const QString &key, const QString &value)
{
    return writeValues(section, {{key, value}});
}

} // namespace

QString settingsPath()
{
    if (const auto chosen = g_chosenFile.load())
        return *chosen;
    const QString usual = configFolderSettingsPath();
    return usual.isEmpty() ? workingFolderSettingsPath() : usual;
}

void useSettingsFile(const QString &path)
{
    g_chosenFile.store(path.isEmpty() ? nullptr
                                      : std::make_shared<const QString>(QDir::toNativeSeparators(
                                            QFileInfo(path).absoluteFilePath())));
}

bool chooseSettingsFile(QStringList &arguments, bool *given, QString *error)
{
    *given = false;
    const QString option = QStringLiteral("--config");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--"))
            break;
        QString value;
        qsizetype taken = 1;
        if (a == option && i + 1 < arguments.size()) {
            value = arguments.at(i + 1);
            taken = 2;
        } else if (a.startsWith(option + u'=')) {
            value = a.mid(option.size() + 1);
        } else if (a != option) {
            continue;
        }
        if (value.isEmpty()) {
            *error = QCoreApplication::translate("SysConf", "--config 缺少设置文件");
            return false;
        }
        arguments.remove(i, taken);
        useSettingsFile(value);
        *given = true;
        return true;
    }
    return true;
}

std::optional<QString> takeOverEarlierSettings()
{
    const QString target = configFolderSettingsPath();
    const QString earlier = workingFolderSettingsPath();
    if (target.isEmpty() || g_chosenFile.load() || QFileInfo::exists(target) ||
        !QFileInfo(earlier).isFile() || QFileInfo(earlier) == QFileInfo(target))
        return std::nullopt;
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile source(earlier);
    if (!source.copy(target)) {
        useSettingsFile(earlier);
        return QCoreApplication::translate("SysConf",
                                           "无法把设置文件 %1 复制到 %2（%3），本次仍使用原文件。")
            .arg(earlier, target, source.errorString());
    }
    return QCoreApplication::translate("SysConf",
                                       "已把工作文件夹中的设置文件 %1 复制到 %2，此后设置保存在那里"
                                       "（原文件保留）。")
        .arg(earlier, target);
}

QString workingFolderSettingsPath()
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

bool readAutoUpload()
{
    return readValue(kUploadSection, kAutoUploadKey).value_or(QString()).trimmed() ==
           QLatin1String("1");
}

std::optional<QString> writeAutoUpload(bool automatic)
{
    return writeValue(kUploadSection, kAutoUploadKey, flagText(automatic));
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

AudioChoice readConversionChoice()
{
    const IniFile ini = IniFile::load(settingsPath());
    const auto format =
        formatFromName(ini.value(kConvertSection, kFormatKey).value_or(QString()).trimmed());
    if (!format)
        return {};
    AudioChoice choice{*format, 0};
    if (!takesBitrate(*format))
        return choice;
    const QString bitrate = ini.value(kConvertSection, kBitrateKey).value_or(QString()).trimmed();
    bool ok = true;
    choice.bitrateKbps = bitrate.isEmpty() ? defaultBitrate(*format) : bitrate.toInt(&ok);
    if (!ok || bitrateRefusal(*format, choice.bitrateKbps))
        return {};
    return choice;
}

std::optional<QString> writeConversionChoice(const AudioChoice &choice)
{
    return writeValues(
        kConvertSection,
        {{kFormatKey, formatName(choice.format)},
         {kBitrateKey,
          takesBitrate(choice.format) ? QString::number(choice.effectiveBitrate()) : QString()}});
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
