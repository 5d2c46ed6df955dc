#pragma once

#include "core/ftp/FtpDataConnection.h"

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>

// A data connection protected by TLS (PROT P). The handshake starts at once and completes in the first
// wait, read or write: a passive transfer connects before it sends its command, and the server only
// answers the handshake after that command. The configuration is the control connection's, with its
// session, so the server sees the data connection resume the control connection's TLS session. The
// peer must show the control connection's certificate.
class FtpTlsDataChannel : public FtpDataConnection {
public:
    FtpTlsDataChannel(int fd, const QSslConfiguration& configuration, const QSslCertificate& expected);
    ~FtpTlsDataChannel() override;
    FtpTlsDataChannel(const FtpTlsDataChannel&) = delete;
    FtpTlsDataChannel& operator=(const FtpTlsDataChannel&) = delete;

    bool isOpen() const override { return m_open; }
    // Sends what is still buffered and the TLS closing alert, then waits (10 s at most) until the server
    // closes its side, so the server sees a complete upload.
    void close() override;
    bool waitReadable(int ms) override;
    bool waitWritable(int ms) override;
    // The end of the data (0) comes only after the server's closing alert: a connection that merely
    // closes may have been cut by anyone on the way, and fails the read.
    qint64 read(char* data, qint64 size) override;
    qint64 write(const char* data, qint64 size) override;
    // Always -1 with EINVAL: the kernel cannot encrypt, so uploads go through write().
    qint64 sendFile(int fileFd, qint64 size) override;
    // Always -1 with EINVAL: the bytes are decrypted here, so downloads go through read().
    qint64 receiveFile(int fileFd, qint64 size) override;
    int lastError() const override { return m_lastError; }

private:
    // Throws when the handshake failed or the peer is not the control connection's.
    void checkHandshake();
    bool ended() const;

    QSslSocket m_socket;
    QSslCertificate m_expected;
    bool m_open = true;
    bool m_checked = false;
    bool m_peerClosed = false;
    bool m_closeAlert = false; // the server ended TLS with its closing alert
    int m_lastError = 0;
};
