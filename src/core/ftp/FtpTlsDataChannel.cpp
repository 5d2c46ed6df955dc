#include "core/ftp/FtpTlsDataChannel.h"

#include "core/base/Errors.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Bytes held for the kernel before write() reports a full buffer.
constexpr qint64 MaxBuffered = 256 * 1024;
// What one write() encrypts. Small pieces keep the socket's buffers small enough to be reused; large
// ones are allocated and returned to the system over and over, and the page faults halve an upload.
constexpr qint64 WriteChunk = 32 * 1024;
constexpr int CloseFlushMs = 10000;
constexpr qint64 EndCheckMs = 10;

// Bytes written and not yet taken by the kernel: the plain ones still to encrypt and the encrypted ones,
// which the socket buffers without limit.
qint64 unsent(const QSslSocket& socket) {
    return socket.bytesToWrite() + socket.encryptedBytesToWrite();
}

// Ends our side of the connection and reads (and drops) what the server still sends until it closes
// its side, so the connection ends without a reset.
void lingerUntilPeerCloses(int fd, const QDeadlineTimer& deadline) {
    if (::shutdown(fd, SHUT_WR) != 0) return;
    char sink[4096];
    while (!deadline.hasExpired()) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(std::min<qint64>(deadline.remainingTime(), 1000)));
        if (ready < 0 && errno != EINTR) return;
        if (ready <= 0) continue;
        const ssize_t n = ::read(fd, sink, sizeof sink);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) return;
    }
}

} // namespace

FtpTlsDataChannel::FtpTlsDataChannel(int fd, const QSslConfiguration& configuration,
                                     const QSslCertificate& expected)
    : m_expected(expected) {
    // A small read buffer is reused from block to block; a large one is allocated and returned to the system
    // over and over, and the page faults cost more than half the speed of a download.
    m_socket.setReadBufferSize(32 * 1024);
    // The server's closing alert is reported as an error while the socket still shows itself connected,
    // and a later time-out replaces that error: note it when it happens.
    QObject::connect(&m_socket, &QAbstractSocket::errorOccurred, [this](QAbstractSocket::SocketError error) {
        if (error != QAbstractSocket::RemoteHostClosedError) return;
        m_peerClosed = true;
        // The TLS layer reports the closing alert with this text; the TCP layer's own end of stream
        // with another.
        if (m_socket.errorString() == QCoreApplication::translate("QSslSocket", "The TLS/SSL connection has been closed"))
            m_closeAlert = true;
    });
    QObject::connect(&m_socket, &QAbstractSocket::disconnected, [this] { m_peerClosed = true; });
    QSslConfiguration config = configuration;
    // The certificate was checked on the control connection; here it only has to be the same one.
    config.setPeerVerifyMode(QSslSocket::QueryPeer);
    m_socket.setSslConfiguration(config);
    if (!m_socket.setSocketDescriptor(fd)) {
        ::close(fd);
        m_open = false;
        throw QeltoError(m_socket.errorString(), ErrorCategory::ConnectionLost);
    }
    m_socket.startClientEncryption();
}

FtpTlsDataChannel::~FtpTlsDataChannel() {
    m_socket.abort();
}

bool FtpTlsDataChannel::ended() const {
    return m_socket.bytesAvailable() == 0 &&
           (m_peerClosed || m_socket.state() == QAbstractSocket::UnconnectedState);
}

void FtpTlsDataChannel::checkHandshake() {
    if (m_checked) return;
    if (!m_socket.isEncrypted()) {
        if (m_socket.state() != QAbstractSocket::UnconnectedState) return;
        throw QeltoError(QStringLiteral("TLS negotiation on the data connection failed: ") +
                             m_socket.errorString(),
                         ErrorCategory::Tls);
    }
    m_checked = true;
    if (m_socket.peerCertificate() != m_expected) {
        m_socket.abort();
        m_open = false;
        throw QeltoError(QStringLiteral("The data connection shows another certificate than the server"),
                         ErrorCategory::Tls);
    }
}

void FtpTlsDataChannel::close() {
    if (!m_open) return;
    m_open = false;
    // After the server's own end of data there is nothing to flush and no one to tell.
    if (!m_peerClosed && m_socket.isEncrypted() && m_socket.state() == QAbstractSocket::ConnectedState) {
        const QDeadlineTimer deadline(CloseFlushMs);
        while ((m_socket.bytesToWrite() > 0 || m_socket.encryptedBytesToWrite() > 0) &&
               !deadline.hasExpired() && m_socket.state() == QAbstractSocket::ConnectedState)
            m_socket.waitForBytesWritten(int(deadline.remainingTime()));
        // The socket closes its descriptor once the closing alert is written. A TLS 1.3 server sends session
        // tickets that nobody reads, and closing a connection with unread data resets it: the server would
        // lose the end of an upload still on its way. A copy of the descriptor keeps the connection open
        // past that close until the server has read everything and closed its side.
        const int fd = ::dup(int(m_socket.socketDescriptor()));
        m_socket.disconnectFromHost();
        while (m_socket.state() != QAbstractSocket::UnconnectedState && !deadline.hasExpired())
            m_socket.waitForDisconnected(int(deadline.remainingTime()));
        if (fd >= 0) {
            if (m_socket.state() == QAbstractSocket::UnconnectedState) lingerUntilPeerCloses(fd, deadline);
            ::close(fd);
        }
    }
    m_socket.abort();
}

bool FtpTlsDataChannel::waitReadable(int ms) {
    if (!m_open) return false;
    if (m_socket.bytesAvailable() > 0 || ended()) return true;
    // A wait for reading ends only with new data, and the server's closing alert carries none, so a
    // server that waits for our end of the connection would wait with us until the time-out. Short steps
    // see the end as soon as it arrives.
    const QDeadlineTimer deadline(ms < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(ms));
    do {
        m_socket.waitForReadyRead(int(std::min<qint64>(
            deadline.remainingTime() < 0 ? EndCheckMs : deadline.remainingTime(), EndCheckMs)));
        if (m_socket.bytesAvailable() > 0 || ended()) return true;
    } while (!deadline.hasExpired());
    return false;
}

bool FtpTlsDataChannel::waitWritable(int ms) {
    if (!m_open) return false;
    if (m_socket.state() == QAbstractSocket::UnconnectedState) return true;
    if (m_socket.isEncrypted() && unsent(m_socket) < MaxBuffered) return true;
    if (!m_socket.isEncrypted())
        m_socket.waitForEncrypted(ms);
    else
        m_socket.waitForBytesWritten(ms);
    return m_socket.state() == QAbstractSocket::UnconnectedState ||
           (m_socket.isEncrypted() && unsent(m_socket) < MaxBuffered);
}

qint64 FtpTlsDataChannel::read(char* data, qint64 size) {
    if (!m_open) return -1;
    checkHandshake();
    const qint64 n = m_socket.read(data, size);
    if (n > 0) return n;
    if (n < 0 && !ended()) throw QeltoError(m_socket.errorString(), ErrorCategory::ConnectionLost);
    if (!ended()) return -1;
    // The end of the data: the server closed the connection and everything it sent has been read.
    if (!m_closeAlert)
        throw QeltoError(QStringLiteral("The data connection ended without TLS's closing alert: what came may "
                                        "be cut short."),
                         ErrorCategory::Tls);
    return 0;
}

qint64 FtpTlsDataChannel::write(const char* data, qint64 size) {
    if (!m_open) {
        m_lastError = EBADF;
        return -1;
    }
    checkHandshake();
    if (m_peerClosed || m_socket.state() == QAbstractSocket::UnconnectedState) {
        m_lastError = EPIPE;
        return -1;
    }
    if (!m_socket.isEncrypted() || unsent(m_socket) >= MaxBuffered) {
        m_socket.flush();
        return 0;
    }
    const qint64 n = m_socket.write(data, std::min(size, WriteChunk));
    if (n < 0) {
        m_lastError = EPIPE;
        return -1;
    }
    m_socket.flush();
    return n;
}

qint64 FtpTlsDataChannel::sendFile(int, qint64) {
    m_lastError = EINVAL;
    return -1;
}

qint64 FtpTlsDataChannel::receiveFile(int, qint64) {
    m_lastError = EINVAL;
    return -1;
}
