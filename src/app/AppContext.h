#pragma once

#include "FolderPicker.h"
#include "MessageSink.h"

#include <QString>

namespace tovrel {

// What the windows are given from outside: where message boxes go, how folders are picked, and
// which telephone link to use. Tests fill it with recording and scripted stand-ins.
struct AppContext
{
    MessageSink *messages = nullptr;
    FolderPicker pickFolder;
    // Local socket of an emulated telephone; empty for the real USB telephone.
    QString emulatorSocket;
    // Read and write time-out of the telephone link in milliseconds (tests shorten it).
    int deviceTimeoutMs = 10000;
};

} // namespace tovrel
