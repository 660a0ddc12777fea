#pragma once

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

    // A paragraph of description, printed as given (lines already wrapped).
    HelpPage &paragraph(const char *utf8);
    // A titled section ("Commands", "Options") of aligned entries.
    HelpPage &section(const char *title, std::initializer_list<HelpEntry> entries);
    HelpPage &section(const char *title, std::span<const HelpEntry> entries);

    QString text() const;

private:
    QString m_text;
};

// The entry every page's options end with.
inline constexpr HelpEntry kHelpEntry{"-h, --help", "show this help"};

} // namespace tovrel::cli
