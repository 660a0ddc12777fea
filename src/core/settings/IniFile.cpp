#include "settings/IniFile.h"

#include "io/AtomicFile.h"

#include <QFile>
#include <QFileInfo>

namespace tovrel {
namespace {

bool isSectionHeader(const QString &line, QString *name = nullptr)
{
    const QString t = line.trimmed();
    if (t.size() < 2 || !t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']')))
        return false;
    if (name)
        *name = t.mid(1, t.size() - 2).trimmed();
    return true;
}

bool keyOf(const QString &line, QString *key, QString *value)
{
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#')))
        return false;
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    *key = line.left(eq).trimmed();
    if (value)
        *value = line.mid(eq + 1).trimmed();
    return !key->isEmpty();
}

} // namespace

IniFile IniFile::load(const QString &path)
{
    return loadForUpdate(path).value_or(IniFile());
}

std::optional<IniFile> IniFile::loadForUpdate(const QString &path)
{
    IniFile ini;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (QFileInfo::exists(path))
            return std::nullopt;
        return ini;
    }
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    ini.m_lines = text.split(QLatin1Char('\n'));
    if (!ini.m_lines.isEmpty() && ini.m_lines.last().isEmpty())
        ini.m_lines.removeLast();
    return ini;
}

int IniFile::sectionLine(const QString &section) const
{
    QString name;
    for (int i = 0; i < m_lines.size(); ++i) {
        if (isSectionHeader(m_lines[i], &name) && name.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int IniFile::sectionEnd(int sectionLine) const
{
    int i = sectionLine + 1;
    while (i < m_lines.size() && !isSectionHeader(m_lines[i]))
        ++i;
    return i;
}

std::optional<QString> IniFile::value(const QString &section, const QString &key) const
{
    const int start = sectionLine(section);
    if (start < 0)
        return std::nullopt;
    QString k, v;
    for (int i = start + 1; i < sectionEnd(start); ++i) {
        if (keyOf(m_lines[i], &k, &v) && k.compare(key, Qt::CaseInsensitive) == 0)
            return v;
    }
    return std::nullopt;
}

bool IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    const auto breaksLine = [](const QString &text) {
        return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    };
    if (breaksLine(section) || breaksLine(key) || breaksLine(value))
        return false;
    const QString line = key + QLatin1Char('=') + value;
    int start = sectionLine(section);
    if (start < 0) {
        m_lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        m_lines.append(line);
        return true;
    }
    const int end = sectionEnd(start);
    QString k;
    for (int i = start + 1; i < end; ++i) {
        if (keyOf(m_lines[i], &k, nullptr) && k.compare(key, Qt::CaseInsensitive) == 0) {
            m_lines[i] = line;
            return true;
        }
    }
    // New key: after the section's last non-blank line, so a blank separator stays below it.
    int at = end;
    while (at > start + 1 && m_lines[at - 1].trimmed().isEmpty())
        --at;
    m_lines.insert(at, line);
    return true;
}

QString IniFile::text() const
{
    QString out;
    for (const QString &line : m_lines)
        out += line + QLatin1Char('\n');
    return out;
}

bool IniFile::save(const QString &path) const
{
    // Written to a temporary file, synced and renamed, so a failed write (a full disk included)
    // never leaves half a file or an empty one. A file the user made read-only stays untouched,
    // although its folder would allow a rename.
    const QFileInfo info(path);
    if (info.exists() && !info.isWritable())
        return false;
    AtomicFile file(path);
    return file.open() && file.write(text().toUtf8()) && file.commit();
}

} // namespace tovrel
