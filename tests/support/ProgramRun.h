#pragma once

#include <QList>
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

// How the child process is set up before the program starts.
struct ChildLimits
{
    // RLIMIT_FSIZE in bytes (-1: none), as `ulimit -f` sets it. A program is started with SIGXFSZ
    // as a shell leaves it (it must turn a write past the limit into its own failure); a body
    // run in a forked child ignores it, so a write past the limit fails with EFBIG.
    long long fileSizeLimit = -1;
    // Run as the unprivileged user nobody (the tests run as root in CI, where no permission
    // would ever be refused).
    bool asNobody = false;
    // The program's working folder (empty: the test's own).
    QString workingDirectory;
};

// Runs `program` with `args` to its end (killed after `timeoutMs`).
ProgramRun runProgram(const QString &program, const QStringList &args, int timeoutMs = 60000,
                      const ChildLimits &limits = {});

// Runs `body` in a forked child under `limits` and returns its exit code (-1 when it crashed).
// The child only calls `body` and ends with _exit, so it runs no destructors of the test.
int runInChild(const ChildLimits &limits, int (*body)(void *), void *context);

// The uid and gid of nobody.
constexpr unsigned kNobodyId = 65534;

// The built command-line front end.
QString tovrelProgram();

// Runs the command-line front end with `args` to its end.
ProgramRun runTovrel(const QStringList &args);

// The cells of the rows a command printed, one list per line (tab-separated).
QList<QStringList> tableRowsOf(const QString &out);

} // namespace tovrel::test
