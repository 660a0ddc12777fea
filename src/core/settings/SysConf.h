#pragma once

#include "codec/AudioFormat.h"

#include <QString>
#include <QStringList>

#include <optional>

// SysConf.ini: the program's one settings file. It remembers
// the local recording folder (section LocalConfig, key LocalFileBackupPath) and the USB ids of
// the telephone (section Device) and whether the upload takes only new recordings and whether
// it starts by itself (section Upload) and whether a resumed playback goes back a little (section
// Playback) and the format the windows convert into (section Convert).
namespace tovrel::sysconf {

// The settings file's path: the file given with --config (useSettingsFile) when there is one;
// otherwise on Windows the working directory at the time of the call + "\SysConf.ini", elsewhere
// the user's configuration folder + "/tovrel/SysConf.ini" ($XDG_CONFIG_HOME, ~/.config when
// unset; ~/Library/Preferences on macOS), whatever folder the program was started in.
QString settingsPath();

// SysConf.ini in the working directory at the time of the call: where earlier versions (and
// Windows) keep the settings.
QString workingFolderSettingsPath();

// Makes `path` (made absolute now) the settings file of this process; empty goes back to the
// usual place. Safe from any thread; meant for the start, before any setting is read.
void useSettingsFile(const QString &path);

// --config FILE or --config=FILE among `arguments` (up to "--"): taken out of them and made the
// settings file. True when it was given, in `given`; false with the user's message in `error`
// when it lacks its file.
bool chooseSettingsFile(QStringList &arguments, bool *given, QString *error);

// Settings of an earlier version, kept in the working directory, are taken over once: when no
// --config was given, the usual place has no settings file yet and the working directory holds
// SysConf.ini, that file is copied there (it stays where it was). The user's message says where
// from and where to; when the copy fails it says why, and this run reads and writes the old file.
// Nothing when there was nothing to take over (and always on Windows).
std::optional<QString> takeOverEarlierSettings();

// The recording folder used when the settings hold none: C:\record\ on Windows, ~/record/
// elsewhere (expanded, in native separators).
QString defaultRecordFolder();

// `folder` ending in a separator: one is appended (the native one) unless it already ends in
// "/", "\\" or the native separator. Empty stays empty. Every folder the program keeps goes through
// this where it is read, so paths can be built by appending a file name.
QString withTrailingSeparator(const QString &folder);

// The value of LocalFileBackupPath with a trailing separator (a value written by hand or by an
// older version may lack it), or the default when the file, the section or the key is missing.
QString readLocalFileBackupPath();

// Stores `folder` as LocalFileBackupPath, keeping every other line of the file. When the file
// cannot be read or written, or `folder` holds a line break, the file stays as it was and the
// user's message is returned: "Unable to write to " followed by the settings path.
std::optional<QString> writeLocalFileBackupPath(const QString &folder);

// Whether the telephone tab uploads only recordings the folder lacks (section Upload, key
// OnlyNew, "1" or "0"); off when the file, the section or the key is missing.
bool readUploadOnlyNew();
// Stores the choice, keeping every other line; the user's message when the file cannot be
// written (as writeLocalFileBackupPath).
std::optional<QString> writeUploadOnlyNew(bool onlyNew);

// Whether the main window uploads the new recordings by itself when the telephone is plugged in
// (section Upload, key AutoUpload, "1" or "0"); off when the file, the section or the key is
// missing.
bool readAutoUpload();
// Stores the choice, keeping every other line; the user's message when the file cannot be
// written (as writeLocalFileBackupPath).
std::optional<QString> writeAutoUpload(bool automatic);

// Whether resuming a paused playback starts 2 s before where it paused (section Playback, key
// RewindAfterPause, "1" or "0"); on when the file, the section or the key is missing.
bool readRewindAfterPause();
// Stores the choice, keeping every other line; the user's message when the file cannot be
// written (as writeLocalFileBackupPath).
std::optional<QString> writeRewindAfterPause(bool rewind);

// The format both windows convert into (section Convert, key Format: wav, flac, opus or mp3; key
// Bitrate: kbit/s, for Opus and MP3, their default when missing). WAV when the file, the section
// or the key is missing, or when either value is not one the format takes.
AudioChoice readConversionChoice();
// Stores the choice (the bit rate only for a format that takes one, else an empty Bitrate),
// keeping every other line; the user's message when the file cannot be written (as
// writeLocalFileBackupPath).
std::optional<QString> writeConversionChoice(const AudioChoice &choice);

// A raw value of any section, for the settings other areas read (device ids).
std::optional<QString> readValue(const QString &section, const QString &key);

// The region whose national numbers the contact book reads (section Contacts, key Region, an
// ISO 3166 code such as "CN" or "GB"); "CN" when the file, the section or the key is missing or
// empty.
QString readContactsRegion();

} // namespace tovrel::sysconf
