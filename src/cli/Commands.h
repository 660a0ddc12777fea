#pragma once

#include <QStringList>

// The commands of the tovrel front end. Each gets the arguments after its name and returns the
// process exit code (0 success, 1 failure with the message on stderr).
namespace tovrel::cli {

struct Command
{
    const char *name;
    const char *summary;
    int (*run)(const QStringList &args);
};

} // namespace tovrel::cli
