#pragma once

#include <QString>

#include <functional>

class QObject;

// A notification on the user's desktop: org.freedesktop.Notifications' Notify on the session
// bus, under the program's name "Tovrel Desk". No widget is involved; the call does not wait for
// the notification server.
namespace tovrel {

// The name notifications carry.
QString notificationAppName(); // "Tovrel Desk"

// Sends `summary` and `body` (plain text) as one notification. `done` runs later on
// `context`'s thread, unless `context` is destroyed first, with the failure in the user's words
// (no session bus, no notification server, a refused call), empty when the server took it.
void sendDesktopNotification(const QString &summary, const QString &body, QObject *context,
                             std::function<void(const QString &error)> done);

} // namespace tovrel
