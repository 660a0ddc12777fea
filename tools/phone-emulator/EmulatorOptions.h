#pragma once

#include <QString>

#include <optional>

namespace tovrel::emulator {

enum class RecordForm
{
    Short, // 19-byte directory records
    Long,  // 32-byte directory records
};

// What the emulated telephone holds and which faults it injects. A fault count K is the number
// of commands answered normally before the fault; -1 means no such fault.
struct EmulatorOptions
{
    QString socket;
    QString password = QStringLiteral("9137");
    QString recordingsDir;              // serve these recording files, or
    int generate = -1;                  // generate this many recordings
    std::optional<qint64> payloadBytes; // length of every generated payload (default: varied)
    std::optional<RecordForm> form;     // default: the first file's form, or short
    int delayMs = 0;                    // delay before each answer
    int dropAfter = -1;                 // stop answering after K commands
    int shortAfter = -1;                // answer the first data command after K commands short
    int unplugAfter = -1;               // cut the (K+1)-th answer, close connections and socket
    int lateCommand = -1;               // answer command number K (from 1) late, once
    int lateMs = 0;                     // by this many milliseconds
    int dropOnly = -1;                  // leave command number K (from 1) unanswered
    bool failWrites = false;            // close every connection as soon as it is made
    bool hold = false;    // hold every answer until a line "N" on stdin releases N more
    bool verbose = false; // log each command on stderr
};

} // namespace tovrel::emulator
