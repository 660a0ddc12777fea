#pragma once

#include <QString>

#include <optional>

// The command line's terminal checks.
namespace tovrel {

// Whether the standard error stream goes to a terminal that draws a line in place: one that
// takes a carriage return and the erase-to-end-of-line sequence ESC [ K. On Windows the console
// is asked to take that sequence; a console that cannot counts as no terminal.
bool errorStreamIsTerminal();

// Whether the standard input is a terminal.
bool inputIsTerminal();

// Writes `prompt` to stderr and reads one line from the standard input with the terminal's echo
// off (a secret typed at the keyboard); the echo is back on afterwards. The line without its end;
// nothing at the end of the input or when it cannot be read.
std::optional<QString> readHiddenLine(const QString &prompt);

} // namespace tovrel
