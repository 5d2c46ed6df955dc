#include "core/ftp/FtpTlsDataChannel.h"

#include "core/base/Errors.h"

#include <QDeadlineTimer>
#include <cerrno>
#include <unistd.h>

namespace {

// Plain bytes held for encryption before write() reports a full buffer.
constexpr qint64 MaxBuffered = 1024 * 1024;
constexpr int CloseFlushMs = 10000;

} // namespace

FtpTlsDataChannel::FtpTlsDataChannel(int fd, const QSslConfiguration& configuration,
                                     const QSslCertificate& expected)
    : m_expected(expected) {
    m_socket.setReadBufferSize(1024 * 1024);
    // The server's closing alert is reported as an error while the socket still shows itself connected,
    // and a later time-out replaces that error: note it when it happens.
    QObject::connect(&m_socket, &QAbstractSocket::errorOccurred, [this](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError) m_peerClosed = true;
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
        while (m_socket.bytesToWrite() > 0 && !deadline.hasExpired() &&
               m_socket.state() == QAbstractSocket::ConnectedState)
            m_socket.waitForBytesWritten(int(deadline.remainingTime()));
        // A TLS 1.3 server sends session tickets after the handshake. Closing with them unread would make
        // the kernel reset the connection, and a reset can cost the server the end of an upload.
        while (m_socket.waitForReadyRead(0))
            m_socket.readAll();
        m_socket.disconnectFromHost();
        if (m_socket.state() != QAbstractSocket::UnconnectedState) m_socket.waitForDisconnected(1000);
    }
    m_socket.abort();
}

bool FtpTlsDataChannel::waitReadable(int ms) {
    if (!m_open) return false;
    if (m_socket.bytesAvailable() > 0 || ended()) return true;
    m_socket.waitForReadyRead(ms);
    return m_socket.bytesAvailable() > 0 || ended();
}

bool FtpTlsDataChannel::waitWritable(int ms) {
    if (!m_open) return false;
    if (m_socket.state() == QAbstractSocket::UnconnectedState) return true;
    if (m_socket.isEncrypted() && m_socket.bytesToWrite() < MaxBuffered) return true;
    if (!m_socket.isEncrypted())
        m_socket.waitForEncrypted(ms);
    else
        m_socket.waitForBytesWritten(ms);
    return m_socket.state() == QAbstractSocket::UnconnectedState ||
           (m_socket.isEncrypted() && m_socket.bytesToWrite() < MaxBuffered);
}

qint64 FtpTlsDataChannel::read(char* data, qint64 size) {
    if (!m_open) return -1;
    checkHandshake();
    const qint64 n = m_socket.read(data, size);
    if (n > 0) return n;
    if (n < 0 && !ended()) throw QeltoError(m_socket.errorString(), ErrorCategory::ConnectionLost);
    // The end of the data: the server closed the connection and everything it sent has been read.
    return ended() ? 0 : -1;
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
    if (!m_socket.isEncrypted() || m_socket.bytesToWrite() >= MaxBuffered) {
        m_socket.flush();
        return 0;
    }
    const qint64 n = m_socket.write(data, std::min(size, MaxBuffered));
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
