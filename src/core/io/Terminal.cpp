#include "io/Terminal.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tovrel {

bool errorStreamIsTerminal()
{
#ifdef _WIN32
    if (!_isatty(_fileno(stderr)))
        return false;
    const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    return GetConsoleMode(console, &mode) &&
           SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
#else
    return isatty(fileno(stderr)) == 1;
#endif
}

} // namespace tovrel
