#pragma once

#include <QString>

namespace tovrel {

// A user text written as a UTF-8 literal in the source (the program's texts are Chinese), made
// deliberate: plain literals do not turn into texts by themselves.
inline QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace tovrel
