#pragma once

#include <QString>

#include <optional>

// Folders written whole or not at all: a hidden folder is filled beside its target and takes the
// target's name only when complete. Paths are kept by their real bytes (NativePath). Each
// operation returns the failure as a text for the user, or nothing on success.
namespace tovrel {

// Creates an empty hidden folder in the folder of `target`, named after it; `created` gets its
// path (without a closing separator).
std::optional<QString> makeFolderBeside(const QString &target, QString *created);

// Whether anything (a link included, not followed) has the name `path`.
bool entryExists(const QString &path);

// Renames `from` to `to`, which must not exist.
std::optional<QString> renameIntoPlace(const QString &from, const QString &to);

// Swaps the entries `a` and `b` (both exist): on Linux in one step, so that neither name is ever
// missing; elsewhere by three renames, with `b` missing for a moment.
std::optional<QString> swapEntries(const QString &a, const QString &b);

// Removes `path` with everything below it; symbolic links are removed, never followed.
std::optional<QString> removeTree(const QString &path);

// Copies the regular file `from` into the new file `to` (created, never replaced) and syncs it
// to disk. A failed copy removes what it wrote.
std::optional<QString> copyFileTo(const QString &from, const QString &to);

} // namespace tovrel
