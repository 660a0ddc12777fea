#pragma once

#include <QString>
#include <QStringList>

namespace tovrel::test {

// What a finished program left: its exit code (-1 when it crashed or did not end in time) and
// what it printed, decoded as UTF-8.
struct ProgramRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs `program` with `args` to its end (killed after `timeoutMs`).
ProgramRun runProgram(const QString &program, const QStringList &args, int timeoutMs = 60000);

// The built command-line front end.
QString tovrelProgram();

} // namespace tovrel::test
