#pragma once

#include "TelephoneLink.h"

#include <QObject>
#include <QString>

#include <array>

// The login: the typed password against the one the telephone reports.
namespace tovrel {

// The typed text as a decimal integer: leading blanks skipped, an optional sign, the digits up
// to the first non-digit; no digits give 0; values beyond int saturate.
int passwordValue(const QString &text);

// The four digits of n by signed, truncating arithmetic, each kept in one byte as the
// comparison with the telephone's bytes sees it: n / 1000, (n % 1000) / 100, (n % 100) / 10,
// n % 10. A negative n yields bytes above 9 that no telephone reports.
std::array<quint8, 4> passwordDigits(int n);

// True when the text is exactly 4 characters long and its digits equal the telephone's.
bool passwordMatches(const QString &text, const std::array<quint8, 4> &telephoneDigits);

enum class LoginOutcome
{
    Accepted,
    Refused,
    LinkFailed, // the exchange failed: nothing about the login changes
};

struct LoginResult
{
    LoginOutcome outcome = LoginOutcome::LinkFailed;
    // The text to show: the link failure or "密码错误，无法登录"; empty when accepted.
    QString message;
};

// Flushes the link, asks the telephone for its password and compares it with `text`.
LoginResult checkPassword(TelephoneLink &link, const QString &text);

// The open step as a worker: run() sets the time-outs and opens device 0 in the caller's thread
// (the window runs it on the link's worker, as an open may wait on the system) and reports
// whether the handle is open, with the message for a failed open.
class OpenExchange : public QObject
{
    Q_OBJECT

public:
    explicit OpenExchange(TelephoneLink &link, QObject *parent = nullptr);

    void run();

signals:
    // `failure` is the text to show when the open failed (usbOpenFailureText).
    void opened(bool ok, const QString &failure);

private:
    TelephoneLink &m_link;
};

// The login exchange as a worker: run() checks the typed password once, in the caller's thread
// (the window runs it on a worker, as the exchange may wait out the link's time-out), and
// reports the outcome. The flags and the controls are the receiver's to change.
class LoginExchange : public QObject
{
    Q_OBJECT

public:
    LoginExchange(TelephoneLink &link, QString typed, QObject *parent = nullptr);

    void run();

signals:
    void checked(const tovrel::LoginResult &result);

private:
    TelephoneLink &m_link;
    QString m_typed;
};

} // namespace tovrel
