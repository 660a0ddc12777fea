#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// Setting a file's modification time (its access time is left as it is).
namespace tovrel {

// Gives the file at `path` the modification time `time`; the system's reason when it cannot.
// The file is not opened, so a pipe or a file without read permission is changed (or refused)
// by its owner's rights alone.
std::optional<QString> setModificationTime(const QString &path, const QDateTime &time);

} // namespace tovrel
