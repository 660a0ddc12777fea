#include "PasswordKeyring.h"

#include <qt6keychain/keychain.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QPointer>
#include <QTimer>

#ifdef Q_OS_LINUX
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#endif

#include <memory>

namespace tovrel {
namespace {

// The entries' service name: what the keyring's own tools show beside the telephone's identity.
const QString kService = QStringLiteral("Tovrel Desk");
// How long the command line waits for the keyring's answer (an unlock prompt included).
constexpr int kKeyringPatienceMs = 120000;

QString noKeyringText()
{
    return QCoreApplication::translate("PasswordKeyring",
                                       "没有正在运行的密钥环（Secret Service），无法记住密码");
}

QString noBusText()
{
    return QCoreApplication::translate("PasswordKeyring",
                                       "没有会话总线（D-Bus），无法使用密钥环记住密码");
}

// A job on the telephone's entry: never the plain-text fallback, deleted once finished.
template <typename Job> Job *keyringJob(const QString &identity)
{
    auto *job = new Job(kService);
    job->setInsecureFallback(false);
    job->setAutoDelete(true);
    job->setKey(identity);
    return job;
}

// Runs `next` with the reason no keyring can be asked (empty when one can), later on `context`'s
// thread; nothing runs once `context` is gone.
void whenKeyringKnown(QObject *context, std::function<void(const QString &whyNot)> next)
{
#ifdef Q_OS_LINUX
    // The bus daemon answers both questions; asked without waiting, as a bus that hangs must not
    // hang the window.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QMetaObject::invokeMethod(
            context, [next, why = noBusText()] { next(why); }, Qt::QueuedConnection);
        return;
    }
    const QString name = QStringLiteral("org.freedesktop.secrets");
    auto *owned = new QDBusPendingCallWatcher(
        bus.interface()->asyncCall(QStringLiteral("NameHasOwner"), name), context);
    QObject::connect(owned, &QDBusPendingCallWatcher::finished, context,
                     [context, next, name, bus](QDBusPendingCallWatcher *watcher) mutable {
                         watcher->deleteLater();
                         const QDBusPendingReply<bool> hasOwner = *watcher;
                         if (hasOwner.isValid() && hasOwner.value()) {
                             next(QString());
                             return;
                         }
                         auto *listed = new QDBusPendingCallWatcher(
                             bus.interface()->asyncCall(QStringLiteral("ListActivatableNames")),
                             context);
                         QObject::connect(listed, &QDBusPendingCallWatcher::finished, context,
                                          [next, name](QDBusPendingCallWatcher *w) {
                                              w->deleteLater();
                                              const QDBusPendingReply<QStringList> names = *w;
                                              const bool activatable =
                                                  names.isValid() && names.value().contains(name);
                                              next(activatable ? QString() : noKeyringText());
                                          });
                     });
#else
    // Elsewhere QtKeychain talks to the system's own store, which is always there.
    QMetaObject::invokeMethod(
        context, [next] { next(QString()); }, Qt::QueuedConnection);
#endif
}

} // namespace

bool keyringAvailable(QString *whyNot)
{
#ifdef Q_OS_LINUX
    QString why;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        why = noBusText();
    } else {
        const QString name = QStringLiteral("org.freedesktop.secrets");
        const QDBusReply<bool> registered = bus.interface()->isServiceRegistered(name);
        const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
        if (!(registered.isValid() && registered.value()) &&
            !(activatable.isValid() && activatable.value().contains(name)))
            why = noKeyringText();
    }
    if (whyNot)
        *whyNot = why;
    return why.isEmpty();
#else
    if (whyNot)
        whyNot->clear();
    return true;
#endif
}

void readStoredPassword(const QString &identity, QObject *context,
                        std::function<void(const KeyringResult &)> done)
{
    whenKeyringKnown(context, [identity, context, done](const QString &whyNot) {
        if (!whyNot.isEmpty()) {
            done({std::nullopt, whyNot, false});
            return;
        }
        // The job is not the context's child: QtKeychain's callbacks may still arrive for it
        // after the context is gone, and it deletes itself once finished.
        auto *job = keyringJob<QKeychain::ReadPasswordJob>(identity);
        QObject::connect(job, &QKeychain::Job::finished, context, [done](QKeychain::Job *j) {
            auto *read = static_cast<QKeychain::ReadPasswordJob *>(j);
            switch (read->error()) {
            case QKeychain::NoError:
                done({read->textData(), QString(), true});
                return;
            case QKeychain::EntryNotFound:
                done({std::nullopt, QString(), true});
                return;
            case QKeychain::NoBackendAvailable:
                done({std::nullopt, noKeyringText(), false});
                return;
            default:
                done({std::nullopt,
                      QCoreApplication::translate("PasswordKeyring", "密钥环读取密码失败：%1")
                          .arg(read->errorString()),
                      true});
                return;
            }
        });
        job->start();
    });
}

void storePassword(const QString &identity, const QString &password, QObject *context,
                   std::function<void(const QString &error)> done)
{
    whenKeyringKnown(context, [identity, password, context, done](const QString &whyNot) {
        if (!whyNot.isEmpty()) {
            done(whyNot);
            return;
        }
        auto *job = keyringJob<QKeychain::WritePasswordJob>(identity);
        job->setTextData(password);
        QObject::connect(job, &QKeychain::Job::finished, context, [done](QKeychain::Job *j) {
            if (j->error() == QKeychain::NoError)
                done(QString());
            else if (j->error() == QKeychain::NoBackendAvailable)
                done(noKeyringText());
            else
                done(QCoreApplication::translate("PasswordKeyring", "密钥环保存密码失败：%1")
                         .arg(j->errorString()));
        });
        job->start();
    });
}

void forgetPassword(const QString &identity, QObject *context,
                    std::function<void(const QString &error)> done)
{
    whenKeyringKnown(context, [identity, context, done](const QString &whyNot) {
        if (!whyNot.isEmpty()) {
            done(whyNot);
            return;
        }
        auto *job = keyringJob<QKeychain::DeletePasswordJob>(identity);
        QObject::connect(job, &QKeychain::Job::finished, context, [done](QKeychain::Job *j) {
            if (j->error() == QKeychain::NoError || j->error() == QKeychain::EntryNotFound)
                done(QString());
            else
                done(QCoreApplication::translate("PasswordKeyring", "密钥环删除密码失败：%1")
                         .arg(j->errorString()));
        });
        job->start();
    });
}

KeyringResult readStoredPasswordNow(const QString &identity)
{
    QEventLoop loop;
    KeyringResult result;
    bool answered = false;
    readStoredPassword(identity, &loop, [&](const KeyringResult &r) {
        result = r;
        answered = true;
        loop.quit();
    });
    // A keyring that never answers (a daemon gone astray, an unlock prompt nobody sees) must
    // not hold the command line for ever.
    QTimer::singleShot(kKeyringPatienceMs, &loop, [&] {
        if (answered)
            return;
        result = {std::nullopt,
                  QCoreApplication::translate("PasswordKeyring", "密钥环在 %1 秒内没有应答")
                      .arg(kKeyringPatienceMs / 1000),
                  true};
        loop.quit();
    });
    if (!answered)
        loop.exec();
    return result;
}

} // namespace tovrel
