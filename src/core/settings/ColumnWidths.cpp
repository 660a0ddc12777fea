#include "settings/ColumnWidths.h"

#include "settings/IniFile.h"
#include "settings/SysConf.h"

#include <QStringList>

namespace tovrel::sysconf {
namespace {
const QString kSection = QStringLiteral("ColumnWidths");
} // namespace

QMap<QString, int> readColumnWidths(const QString &list)
{
    QMap<QString, int> widths;
    const QString value = IniFile::load(settingsPath()).value(kSection, list).value_or(QString());
    for (const QString &pair : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qsizetype colon = pair.lastIndexOf(QLatin1Char(':'));
        bool ok = false;
        const int width = colon > 0 ? pair.mid(colon + 1).trimmed().toInt(&ok) : 0;
        const QString caption = pair.left(colon).trimmed();
        if (ok && width > 0 && !caption.isEmpty())
            widths.insert(caption, width);
    }
    return widths;
}

std::optional<QString> writeColumnWidths(const QString &list, const QMap<QString, int> &widths)
{
    QStringList pairs;
    for (auto it = widths.cbegin(); it != widths.cend(); ++it)
        pairs.append(it.key().trimmed() + QLatin1Char(':') + QString::number(it.value()));
    const QString path = settingsPath();
    std::optional<IniFile> ini = IniFile::loadForUpdate(path);
    if (!ini || !ini->setValue(kSection, list, pairs.join(QLatin1Char(','))) || !ini->save(path))
        return QStringLiteral("Unable to write to ") + path;
    return std::nullopt;
}

} // namespace tovrel::sysconf
