#pragma once

#include "SkipOutsideCi.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace tovrel::test {

// A D-Bus session bus of the test's own (dbus-daemon with a configuration that activates
// nothing), and on it, when asked, gnome-keyring-daemon's Secret Service with an unlocked login
// keyring. The keyring lives in a temporary HOME and XDG_DATA_HOME: the user's own keyring is
// never touched. The constructor points this process (DBUS_SESSION_BUS_ADDRESS, HOME,
// XDG_DATA_HOME, XDG_RUNTIME_DIR) and so its children at the bus; make it before anything here
// opens the session bus, and keep one for the whole test program. The destructor stops both.
class PrivateSessionBus
{
public:
    explicit PrivateSessionBus(bool withKeyring = true);
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus &) = delete;
    PrivateSessionBus &operator=(const PrivateSessionBus &) = delete;

    // Empty when all asked for runs; else why not (a tool missing, a daemon that failed).
    QString error() const { return m_error; }
    QString address() const { return m_address; }

    // Starts the keyring daemon and waits until it owns org.freedesktop.secrets on the bus;
    // stopKeyring ends it and waits until the name is gone. Both false with error() on failure.
    bool startKeyring();
    bool stopKeyring();

    // This process's environment pointed at a bus of its own, for a child that must not find
    // this bus's keyring: a second bus without one (started on first use).
    QProcessEnvironment environmentWithoutKeyring();

    // A tool the bus needs that is not installed (empty: all are there).
    static QString missingTool();

private:
    bool startBus(QProcess &daemon, QString *address);
    bool waitForSecrets(bool owned);

    QTemporaryDir m_home;
    QString m_error;
    QString m_address;
    std::unique_ptr<QProcess> m_bus;
    std::unique_ptr<QProcess> m_keyring;
    std::unique_ptr<QProcess> m_bareBus;
    QString m_bareAddress;
};

} // namespace tovrel::test

// Ends the test when the bus (or its keyring) does not run: a failure in CI, a skip elsewhere.
#define TOVREL_REQUIRE_BUS(bus)                                                                    \
    do {                                                                                           \
        if (!(bus).error().isEmpty())                                                              \
            TOVREL_SKIP_OUTSIDE_CI(qPrintable((bus).error()));                                     \
    } while (false)
