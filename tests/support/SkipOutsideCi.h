#pragma once

#include <QTest>
#include <QtGlobal>

namespace tovrel::test {

// True when the tests run in CI: the CI variable is set and not empty, as the scripts read it.
inline bool runsInCi()
{
    return !qEnvironmentVariableIsEmpty("CI");
}

} // namespace tovrel::test

// A test that cannot run here (a tool that is not installed, a mount that is refused) is skipped
// on a developer's machine; in CI, where the set-up provides everything, it fails, so a check
// never passes by not running.
#define TOVREL_SKIP_OUTSIDE_CI(reason)                                                             \
    do {                                                                                           \
        if (::tovrel::test::runsInCi())                                                            \
            QFAIL(reason);                                                                         \
        QSKIP(reason);                                                                             \
    } while (false)
