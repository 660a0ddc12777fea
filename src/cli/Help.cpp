#include "Help.h"

namespace tovrel::cli {
namespace {

// Entry texts start in this column; a longer name puts its text on the next line.
constexpr int kNameWidth = 26;

const char *const kUsage = CLI_NOOP("Usage: ");

} // namespace

HelpPage::HelpPage(std::initializer_list<const char *> usage)
{
    const QString label = cliTr(kUsage);
    // The following usage lines start under the first one's text; a Chinese character takes
    // two columns of a terminal.
    qsizetype columns = 0;
    for (const QChar c : label)
        columns += c.unicode() >= 0x2e80 ? 2 : 1;
    const QString indent(columns, QLatin1Char(' '));
    bool first = true;
    for (const char *line : usage) {
        m_text += first ? label : indent;
        m_text += QString::fromUtf8(line) + QLatin1Char('\n');
        first = false;
    }
}

HelpPage &HelpPage::paragraph(const char *utf8)
{
    QString text = cliTr(utf8);
    if (!text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    m_text += QLatin1Char('\n') + text;
    return *this;
}

HelpPage &HelpPage::section(const char *title, std::initializer_list<HelpEntry> entries)
{
    return section(title, std::span<const HelpEntry>(entries.begin(), entries.size()));
}

HelpPage &HelpPage::section(const char *title, std::span<const HelpEntry> entries)
{
    m_text += QLatin1Char('\n') + cliTr(title) + QLatin1Char(':') + QLatin1Char('\n');
    for (const HelpEntry &e : entries) {
        const QString name = QStringLiteral("  ") + QString::fromUtf8(e.name);
        m_text += name;
        if (name.size() + 2 > kNameWidth)
            m_text += QLatin1Char('\n') + QString(kNameWidth, QLatin1Char(' '));
        else
            m_text += QString(kNameWidth - name.size(), QLatin1Char(' '));
        m_text += cliTr(e.text) + QLatin1Char('\n');
    }
    return *this;
}

QString HelpPage::text() const
{
    return m_text;
}

} // namespace tovrel::cli
