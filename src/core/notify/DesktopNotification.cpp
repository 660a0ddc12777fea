#include "notify/DesktopNotification.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QVariantMap>

namespace tovrel {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
// The server's default time on screen.
constexpr int kDefaultTimeout = -1;

QString failureText(const QString &why)
{
    return QCoreApplication::translate("tovrel::DesktopNotification", "无法显示桌面通知：%1")
        .arg(why);
}

} // namespace

QString notificationAppName()
{
    return QStringLiteral("Tovrel Desk");
}

void sendDesktopNotification(const QString &summary, const QString &body, QObject *context,
                             std::function<void(const QString &error)> done)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        const QString error = failureText(bus.lastError().message());
        QMetaObject::invokeMethod(
            context, [done = std::move(done), error] { done(error); }, Qt::QueuedConnection);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout
    call << notificationAppName() << 0u << QString() << summary << body << QStringList()
         << QVariantMap() << qint32(kDefaultTimeout);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [watcher, done = std::move(done)] {
                         watcher->deleteLater();
                         const QDBusPendingReply<quint32> reply = *watcher;
                         done(reply.isError() ? failureText(reply.error().message()) : QString());
                     });
}

} // namespace tovrel
