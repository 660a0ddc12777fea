#pragma once

#include <QString>

namespace tovrel::test {

// Test text is written as UTF-8 literals; this turns one into the QString the product compares.
inline QString u(const char *s)
{
    return QString::fromUtf8(s);
}

} // namespace tovrel::test
