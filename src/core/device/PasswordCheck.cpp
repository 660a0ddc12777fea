#include "PasswordCheck.h"

#include <limits>

#include <QCoreApplication>

namespace tovrel {

int passwordValue(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n' || text[i] == u'\r' ||
                     text[i] == u'\v' || text[i] == u'\f'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    qint64 value = 0;
    constexpr qint64 kLimit = qint64(std::numeric_limits<int>::max()) + 1;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > kLimit)
            value = kLimit;
    }
    if (negative)
        return int(std::max<qint64>(-value, std::numeric_limits<int>::min()));
    return int(std::min<qint64>(value, std::numeric_limits<int>::max()));
}

std::array<quint8, 4> passwordDigits(int n)
{
    return {quint8(n / 1000), quint8((n % 1000) / 100), quint8((n % 100) / 10), quint8(n % 10)};
}

bool passwordMatches(const QString &text, const std::array<quint8, 4> &telephoneDigits)
{
    return text.size() == 4 && passwordDigits(passwordValue(text)) == telephoneDigits;
}

LoginResult checkPassword(TelephoneLink &link, const QString &text)
{
    link.flush();
    const auto answer = link.readPassword();
    if (!answer.ok())
        return {LoginOutcome::LinkFailed, linkErrorText(answer.error)};
    if (passwordMatches(text, answer.value))
        return {LoginOutcome::Accepted, {}};
    return {LoginOutcome::Refused,
            QCoreApplication::translate("PasswordCheck", "密码错误，无法登录")};
}

OpenExchange::OpenExchange(TelephoneLink &link, QObject *parent) : QObject(parent), m_link(link) {}

void OpenExchange::run()
{
    const bool ok = m_link.openStep();
    emit opened(ok, ok ? QString() : usbOpenFailureText(m_link.usb().openFailure()));
}

LoginExchange::LoginExchange(TelephoneLink &link, QString typed, QObject *parent)
    : QObject(parent), m_link(link), m_typed(std::move(typed))
{}

void LoginExchange::run()
{
    emit checked(checkPassword(m_link, m_typed));
}

} // namespace tovrel
