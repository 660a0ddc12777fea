#include "io/Terminal.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <termios.h>
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

bool inputIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stdin)) != 0;
#else
    return isatty(fileno(stdin)) == 1;
#endif
}

std::optional<QString> readHiddenLine(const QString &prompt)
{
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
#ifdef _WIN32
    const HANDLE console = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    const bool hidden =
        GetConsoleMode(console, &mode) && SetConsoleMode(console, mode & ~DWORD(ENABLE_ECHO_INPUT));
#else
    termios mode{};
    const bool hidden = tcgetattr(fileno(stdin), &mode) == 0;
    if (hidden) {
        termios quiet = mode;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fileno(stdin), TCSAFLUSH, &quiet);
    }
#endif
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, stdin) != nullptr;
    if (hidden) {
#ifdef _WIN32
        SetConsoleMode(console, mode);
#else
        tcsetattr(fileno(stdin), TCSAFLUSH, &mode);
#endif
        std::fputs("\n", stderr); // the Enter that was not echoed
    }
    if (!read)
        return std::nullopt;
    line[std::strcspn(line, "\r\n")] = '\0';
    return QString::fromLocal8Bit(line);
}

} // namespace tovrel
