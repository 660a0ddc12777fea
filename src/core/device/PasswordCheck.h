#pragma once

#include "TelephoneLink.h"

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

} // namespace tovrel
