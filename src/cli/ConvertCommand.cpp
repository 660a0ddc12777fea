#include "Commands.h"

#include <QTextStream>

#include <cstdio>

namespace tovrel::cli {

int runConvert(const QStringList &)
{
    QTextStream(stderr) << "tovrel: this command is not available yet\n";
    return 1;
}

} // namespace tovrel::cli
