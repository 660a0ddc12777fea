#pragma once

#include "SkipOutsideCi.h"

#include <QProcess>
#include <QTemporaryDir>

namespace tovrel::test {

// A session bus of the test's own (activating nothing) for this process and its children, and on
// it, when asked, gnome-keyring's Secret Service with an unlocked keyring kept in a temporary
// HOME (never the user's). Make it before anything opens the session bus, one per program; the
// destructor stops both daemons. error() is empty when all asked for runs, else says why not.
class PrivateSessionBus
{
public:
    explicit PrivateSessionBus(bool withKeyring = true);
    ~PrivateSessionBus();
    QString error() const { return m_error; }
    QString address() const { return m_address; }
    // Starts the keyring and waits until it owns org.freedesktop.secrets (false: error()). Once
    // used, libsecret keeps to its first daemon: a process does not restart the keyring.
    bool startKeyring();

private:
    QTemporaryDir m_home;
    QString m_error, m_address;
    QProcess m_bus, m_keyring;
};

} // namespace tovrel::test

// Ends the test when the bus (or its keyring) does not run: a failure in CI, a skip elsewhere.
#define TOVREL_REQUIRE_BUS(bus)                                                                    \
    do {                                                                                           \
        if (!(bus).error().isEmpty())                                                              \
            TOVREL_SKIP_OUTSIDE_CI(qPrintable((bus).error()));                                     \
    } while (false)
