#pragma once

#include <QDBusConnection>
#include <QString>

// A note on the desktop through the freedesktop notification service (org.freedesktop.Notifications on
// the session bus). Nothing happens when no such service runs; the call never waits for an answer.
// Returns whether the note was sent.
bool notifyDesktop(const QString& summary, const QString& body,
                   QDBusConnection bus = QDBusConnection::sessionBus());
