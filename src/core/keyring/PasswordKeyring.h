#pragma once

#include <QString>

#include <functional>
#include <optional>

class QObject;

// The telephone's password in the desktop's keyring (QtKeychain: the Secret Service on Linux,
// the system's own store elsewhere), kept under the telephone's identity (telephoneIdentity in
// device/UsbLibrary.h). Nothing of it is ever written to SysConf.ini or any other file of ours.
namespace tovrel {

struct KeyringResult
{
    // The stored password; nothing when the keyring holds none for the telephone or failed.
    std::optional<QString> password;
    // Why the keyring could not be asked, in the user's words; empty when it answered (a
    // keyring that simply holds no password for the telephone is no error).
    QString error;
    // False when no keyring is there at all (`error` then says why): the login dialog's box is
    // disabled, the command line says so apart from a keyring that failed.
    bool available = true;
};

// Whether a keyring is there to ask; when not, `whyNot` receives the reason in the user's words
// (the login dialog's tool tip, the command line's message).
bool keyringAvailable(QString *whyNot = nullptr);

// Asks the keyring without waiting: `done` runs later on `context`'s thread, unless `context`
// is destroyed first.
void readStoredPassword(const QString &identity, QObject *context,
                        std::function<void(const KeyringResult &)> done);
// Stores `password` for the telephone; `done` receives the failure text, empty on success.
void storePassword(const QString &identity, const QString &password, QObject *context,
                   std::function<void(const QString &error)> done);

// Removes the telephone's password (none there is no error); `done` as for storePassword.
void forgetPassword(const QString &identity, QObject *context,
                    std::function<void(const QString &error)> done);

// The command line's: asks and waits for the answer in a local event loop.
KeyringResult readStoredPasswordNow(const QString &identity);

} // namespace tovrel
