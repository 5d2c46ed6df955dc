#include "core/ftp/FtpErrors.h"

namespace {

// 421: the server is closing the control connection, whatever the command was.
constexpr int ServiceClosing = 421;

} // namespace

QeltoError notConnected() {
    return QeltoError(QStringLiteral("Not Connected"), ErrorCategory::ConnectionLost);
}

QeltoError operationAborted() {
    return QeltoError(QStringLiteral("Operation aborted."), ErrorCategory::Aborted);
}

bool connectionUsableAfter(const QeltoError& error) {
    switch (error.category()) {
    case ErrorCategory::General:
    case ErrorCategory::Refused:
    case ErrorCategory::LocalFile:
        return true;
    case ErrorCategory::Transient: {
        const auto* reply = dynamic_cast<const FtpReplyError*>(&error);
        return !reply || reply->code() != ServiceClosing;
    }
    // An abort outside a transfer leaves the command's reply unread, a cancel closes the connection;
    // only a transfer reads the replies an abort is owed, and its caller asked to stop all the same.
    case ErrorCategory::Aborted:
    case ErrorCategory::ConnectionLost:
    case ErrorCategory::Timeout:
    case ErrorCategory::Protocol:
    case ErrorCategory::Tls:
        return false;
    }
    return false;
}
