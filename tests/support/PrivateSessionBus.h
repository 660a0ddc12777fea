#pragma once

#include "SkipOutsideCi.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace tovrel::test {

// A session bus of the test's own (dbus-daemon activating nothing) and on it, when asked,
// gnome-keyring-daemon's Secret Service with an unlocked login keyring, kept in a temporary
// HOME and XDG_DATA_HOME (the user's keyring is never touched). The constructor points this
// process and its children at the bus: make it before anything opens the session bus, one per
// test program. The destructor stops both daemons.
class PrivateSessionBus
{
public:
    explicit PrivateSessionBus(bool withKeyring = true);
    ~PrivateSessionBus();

    // Empty when all asked for runs; else why not.
    QString error() const { return m_error; }
    QString address() const { return m_address; }

    // Start the keyring and wait until it owns org.freedesktop.secrets, or end it and wait until
    // the name is gone; false with error() on failure. libsecret keeps its session with the first
    // daemon it spoke to: a process that used the keyring does not restart it.
    bool startKeyring();
    bool stopKeyring();

private:
    bool waitForSecrets(bool owned);

    QTemporaryDir m_home;
    QString m_error;
    QString m_address;
    std::unique_ptr<QProcess> m_bus;
    std::unique_ptr<QProcess> m_keyring;
};

} // namespace tovrel::test

// Ends the test when the bus (or its keyring) does not run: a failure in CI, a skip elsewhere.
#define TOVREL_REQUIRE_BUS(bus)                                                                    \
    do {                                                                                           \
        if (!(bus).error().isEmpty())                                                              \
            TOVREL_SKIP_OUTSIDE_CI(qPrintable((bus).error()));                                     \
    } while (false)
