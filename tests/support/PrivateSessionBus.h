#pragma once

#include "SkipOutsideCi.h"

#include <QProcess>
#include <QTemporaryDir>

namespace tovrel::test {

// A session bus of the test's own (activating nothing) for this process and its children, with
// gnome-keyring unlocked in a temporary HOME (never the user's); made before the bus is opened.
class PrivateSessionBus
{
public:
    explicit PrivateSessionBus(bool withKeyring = true);
    ~PrivateSessionBus();
    QString error() const { return m_error; }
    QString address() const { return m_address; }
    // Once, if made without; until it owns org.freedesktop.secrets (false: error()).
    bool startKeyring();

private:
    QTemporaryDir m_home;
    QString m_error, m_address;
    QProcess m_bus, m_keyring;
};

} // namespace tovrel::test

// Ends the test when the bus (or its keyring) does not run: a failure in CI, a skip elsewhere.
#define TOVREL_REQUIRE_BUS(bus)                                                                    \
    if ((bus).error().isEmpty()) {                                                                 \
    } else                                                                                         \
        TOVREL_SKIP_OUTSIDE_CI(qPrintable((bus).error()))
