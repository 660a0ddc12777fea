#pragma once

#include "settings/Language.h"

#include <QString>

class QCoreApplication;

// The command line's own wording (help pages, refusals, progress, summaries) is written in
// English and shown in the language chosen: Chinese from the built-in tovrel_cli_zh
// translation, English as written. Program and command names, option names, file paths and the
// cells of the tables stay as they are.
namespace tovrel::cli {

// Marks an English text kept in a table (a help entry, a command's summary) for the
// translation; cliTr() shows it.
#define CLI_NOOP(text) text

// `english` in the chosen language. Called with a literal at namespace scope (a free function),
// so scripts/update-translations finds every text under one context.
QString cliTr(const char *english);

// Loads the command line's Chinese translation when `language` is Chinese; English loads
// nothing. False with the user's message in `error` when it cannot be loaded.
bool applyCliLanguage(QCoreApplication &app, Language language, QString *error);

} // namespace tovrel::cli
