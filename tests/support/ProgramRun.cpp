#include "ProgramRun.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tovrel::test {
namespace {

// Runs in the child between fork and exec (or the body): async-signal-safe calls only.
bool applyLimits(const ChildLimits &limits, bool ignoreFileSizeSignal)
{
    if (limits.fileSizeLimit >= 0) {
        std::signal(SIGXFSZ, ignoreFileSizeSignal ? SIG_IGN : SIG_DFL);
        const rlimit limit{rlim_t(limits.fileSizeLimit), rlim_t(limits.fileSizeLimit)};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return false;
    }
    if (limits.asNobody && getuid() == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(kNobodyId) != 0 || setuid(kNobodyId) != 0)
            return false;
    }
    return true;
}

} // namespace

ProgramRun runProgram(const QString &program, const QStringList &args, int timeoutMs,
                      const ChildLimits &limits)
{
    // nobody may not be able to enter the build folder (a clone in a private folder): run a copy
    // from a folder anyone may enter. The programs link to no library of the build folder.
    QTemporaryDir open;
    QString path = program;
    if (limits.asNobody && getuid() == 0) {
        const QString copy = open.filePath(QFileInfo(program).fileName());
        const auto everyone = QFileDevice::Permissions(0x7755);
        if (!open.isValid() || !QFile::setPermissions(open.path(), everyone) ||
            !QFile::copy(program, copy) || !QFile::setPermissions(copy, everyone)) {
            ProgramRun r;
            r.err = QStringLiteral("could not copy %1 for nobody").arg(program);
            return r;
        }
        path = copy;
    }
    QProcess p;
    if (limits.fileSizeLimit >= 0 || limits.asNobody) {
        p.setChildProcessModifier([limits] {
            if (!applyLimits(limits, false))
                _exit(125);
        });
    }
    if (!limits.workingDirectory.isEmpty())
        p.setWorkingDirectory(limits.workingDirectory);
    p.start(path, args);
    ProgramRun r;
    if (!p.waitForStarted(timeoutMs)) {
        r.err = QStringLiteral("could not start %1: %2").arg(path, p.errorString());
        return r;
    }
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

int runInChild(const ChildLimits &limits, int (*body)(void *), void *context)
{
    const pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0)
        _exit(applyLimits(limits, true) ? body(context) : 125);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

QString tovrelProgram()
{
    return QStringLiteral(TOVREL_BINARY_DIR "/src/cli/tovrel");
}

QList<QStringList> tableRowsOf(const QString &out)
{
    QList<QStringList> rows;
    for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts))
        rows.append(line.split(u'\t'));
    return rows;
}

ProgramRun runTovrel(const QStringList &args)
{
    return runProgram(tovrelProgram(), args);
}

} // namespace tovrel::test
