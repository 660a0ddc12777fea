#include "TableOutput.h"

namespace tovrel::cli {

QString tableRow(const QStringList &cells)
{
    QString row;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            row += QLatin1Char('\t');
        for (const QChar c : cells.at(i)) {
            switch (c.unicode()) {
            case u'\t':
                row += QLatin1String("\\t");
                break;
            case u'\n':
                row += QLatin1String("\\n");
                break;
            case u'\r':
                row += QLatin1String("\\r");
                break;
            case u'\\':
                row += QLatin1String("\\\\");
                break;
            default:
                row += c;
            }
        }
    }
    return row;
}

} // namespace tovrel::cli
