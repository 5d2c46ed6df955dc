#pragma once

#include "core/base/Errors.h"

#include <QAbstractSocket>

// "Socket Error # <number>" CR LF and the system's text, the form every socket failure takes; category
// ConnectionLost (Timeout for ETIMEDOUT).
QeltoError socketError(int number, const QString& systemText);
// The same for an errno value, with the system's text for it.
QeltoError errnoError(int number);
// The failure of a Qt socket, expressed as the Linux errno value and text it stands for.
QeltoError socketError(const QAbstractSocket& socket);
// A failed name lookup: the resolver's error number and text.
QeltoError resolverError(int resolverCode);

int errnoForSocketError(QAbstractSocket::SocketError error, const QString& errorString);
