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

// Command entry points, one file each.
int runList(const QStringList &args);     // ListCommand.cpp
int runConvert(const QStringList &args);  // ConvertCommand.cpp
int runPlay(const QStringList &args);     // PlayCommand.cpp
int runDevice(const QStringList &args);   // DeviceCommand.cpp
int runSearch(const QStringList &args);   // SearchCommand.cpp
int runContacts(const QStringList &args); // ContactsCommand.cpp
int runCheck(const QStringList &args);    // CheckCommand.cpp
int runTouch(const QStringList &args);    // TouchCommand.cpp
int runNote(const QStringList &args);     // NoteCommand.cpp

} // namespace tovrel::cli
