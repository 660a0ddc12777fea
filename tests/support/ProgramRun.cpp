#include "ProgramRun.h"

#include <QProcess>

namespace tovrel::test {

ProgramRun runProgram(const QString &program, const QStringList &args, int timeoutMs)
{
    QProcess p;
    p.start(program, args);
    ProgramRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString tovrelProgram()
{
    return QStringLiteral(TOVREL_BINARY_DIR "/src/cli/tovrel");
}

} // namespace tovrel::test
