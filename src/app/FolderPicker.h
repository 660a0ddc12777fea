#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace tovrel {

// The one folder picker of the program: prompt shown as the title, the root of the tree (empty
// for everything) and the folder to preselect. Returns the chosen folder, or nothing on cancel.
// Windows hold it as a function so tests can answer it without a dialog.
using FolderPicker = std::function<std::optional<QString>(
    const QString &prompt, const QString &root, const QString &preselect)>;

// The real picker over QFileDialog: directories only, the preselection used only when it names
// an existing folder. The result has no trailing separator unless it is a root.
std::optional<QString> pickFolderWithDialog(const QString &prompt, const QString &root,
                                            const QString &preselect);

// `path` with a trailing separator appended when it has none, in native separators, so every
// folder the program keeps ends in one.
QString withTrailingSeparator(const QString &path);

} // namespace tovrel
