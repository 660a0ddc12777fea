#pragma once

// The command line's terminal checks.
namespace tovrel {

// Whether the standard error stream goes to a terminal that draws a line in place: one that
// takes a carriage return and the erase-to-end-of-line sequence ESC [ K. On Windows the console
// is asked to take that sequence; a console that cannot counts as no terminal.
bool errorStreamIsTerminal();

} // namespace tovrel
