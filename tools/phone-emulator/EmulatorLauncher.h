#pragma once

#include <QProcess>
#include <QStringList>

namespace tovrel::emulator {

// Starts tovrel-phone-emulator as a separate process on a fresh socket in the temporary folder
// and waits until it takes connections; stops it with the object.
class EmulatorLauncher
{
public:
    explicit EmulatorLauncher(QString program);
    ~EmulatorLauncher();
    EmulatorLauncher(const EmulatorLauncher &) = delete;
    EmulatorLauncher &operator=(const EmulatorLauncher &) = delete;

    // Starts the emulator with `arguments` (without --socket); false, with the reason in
    // error(), when it does not come up within `timeoutMs`. A restart keeps the socket.
    bool start(const QStringList &arguments, int timeoutMs = 20000);
    void stop();

    QString socketName() const { return m_socket; }
    QString error() const { return m_error; }
    // What the emulator wrote on stderr so far (the command log with --verbose).
    QString log();
    // Started with --hold: lets `answers` more answers go. False when it could not be told.
    bool release(int answers);

private:
    QString m_program;
    QString m_socket;
    QString m_error;
    QString m_log;
    QProcess m_process;
};

} // namespace tovrel::emulator
