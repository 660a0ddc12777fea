#pragma once

#include "CliText.h"

#include <QString>
#include <QStringList>

#include <initializer_list>
#include <span>

// One help layout for every tovrel command: the usage lines, a description, then sections of
// aligned entries (commands or options), each command's page ending with -h, --help.
namespace tovrel::cli {

struct HelpEntry
{
    const char *name; // "--out DIR", "-h, --help", "list" (UTF-8)
    const char *text; // what it does, lower case, no full stop (UTF-8)
};

class HelpPage
{
public:
    // Each usage line without its "Usage:", such as "tovrel list [--header] FOLDER".
    explicit HelpPage(std::initializer_list<const char *> usage);

    // Every text given (description, title, entry text) is an English literal marked with
    // CLI_NOOP and shown translated; the usage lines and entry names are shown as given.
    // A paragraph of description (lines already wrapped).
    HelpPage &paragraph(const char *utf8);
    // A titled section ("Commands", "Options") of aligned entries.
    HelpPage &section(const char *title, std::initializer_list<HelpEntry> entries);
    HelpPage &section(const char *title, std::span<const HelpEntry> entries);

    QString text() const;

private:
    QString m_text;
};

// The entry every page's options end with.
inline constexpr HelpEntry kHelpEntry{"-h, --help", CLI_NOOP("show this help")};

} // namespace tovrel::cli
