#pragma once

#include "Help.h"

#include <QStringList>

// --notes: the 备注 column, last, in the lists a command prints.
namespace tovrel::cli {

// The option's line in a help page.
inline constexpr HelpEntry kNotesEntry{
    "--notes", CLI_NOOP("add the 备注 column last (the first line of each recording's note)")};

// Takes --notes out of `args`; true when it was there.
bool takeNotesOption(QStringList &args);

} // namespace tovrel::cli
