#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tovrel {

// A small INI text file: "[Section]" lines followed by "key=value" lines. Values are raw (no
// quoting, no escapes), so a hand-written "C:\record\" reads back unchanged. Sections, keys,
// comments and blank lines the program does not touch are kept as they are on write.
// Section and key names compare case-insensitively, as INI readers traditionally do.
class IniFile
{
public:
    // Reads `path`; a missing or unreadable file gives an empty document.
    static IniFile load(const QString &path);
    // Reads `path` before changing it: nothing when the file exists but cannot be read, so that
    // a write never replaces lines it could not see.
    static std::optional<IniFile> loadForUpdate(const QString &path);

    std::optional<QString> value(const QString &section, const QString &key) const;
    // Replaces the key's value, adding the key (and the section) when missing. A line break in
    // the value would end its line early and turn the rest into lines of their own, so it is
    // refused: false, and the document stays as it was.
    bool setValue(const QString &section, const QString &key, const QString &value);

    QString text() const;
    // Writes the whole document to `path` as UTF-8; false when the file cannot be written.
    bool save(const QString &path) const;

private:
    int sectionLine(const QString &section) const;
    int sectionEnd(int sectionLine) const;

    QStringList m_lines;
};

} // namespace tovrel
