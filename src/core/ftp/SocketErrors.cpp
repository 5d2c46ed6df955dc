#include "core/ftp/SocketErrors.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>

QeltoError socketError(int number, const QString& systemText) {
    // ETIMEDOUT: the kernel gave up waiting for the peer.
    return QeltoError(QStringLiteral("Socket Error # %1\r\n%2").arg(number).arg(systemText),
                      number == ETIMEDOUT ? ErrorCategory::Timeout : ErrorCategory::ConnectionLost);
}

QeltoError errnoError(int number) {
    return socketError(number, QString::fromLocal8Bit(std::strerror(number)));
}

int errnoForSocketError(QAbstractSocket::SocketError error, const QString& errorString) {
    // Qt folds errno values into its own codes; map each back to the value it came from.
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return ECONNREFUSED;
    case QAbstractSocket::RemoteHostClosedError:
        return ECONNRESET;
    case QAbstractSocket::SocketAccessError:
        return EACCES;
    case QAbstractSocket::SocketResourceError:
        return EMFILE;
    case QAbstractSocket::SocketTimeoutError:
        return ETIMEDOUT;
    case QAbstractSocket::NetworkError:
        return errorString.contains(QLatin1String("Host unreachable"), Qt::CaseInsensitive) ? EHOSTUNREACH
                                                                                            : ENETUNREACH;
    case QAbstractSocket::AddressInUseError:
        return EADDRINUSE;
    case QAbstractSocket::SocketAddressNotAvailableError:
        return EADDRNOTAVAIL;
    case QAbstractSocket::UnsupportedSocketOperationError:
        return EAFNOSUPPORT;
    case QAbstractSocket::DatagramTooLargeError:
        return EMSGSIZE;
    case QAbstractSocket::OperationError:
        return ENOTCONN;
    default:
        return EIO;
    }
}

QeltoError socketError(const QAbstractSocket& socket) {
    return errnoError(errnoForSocketError(socket.error(), socket.errorString()));
}

QeltoError resolverError(int resolverCode) {
    if (resolverCode == EAI_SYSTEM) return errnoError(errno);
    return socketError(resolverCode, QString::fromLocal8Bit(gai_strerror(resolverCode)));
}
