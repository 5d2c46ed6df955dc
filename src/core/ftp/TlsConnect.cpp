// TLS on the control connection (AUTH TLS or implicit), the certificate check, and protected data
// connections.
#include "core/ftp/FtpTlsDataChannel.h"
#include "core/ftp/FtpTransferChannel.h"
#include "core/ftp/TIdFTP.h"

#include <QSslCipher>

namespace {

QString protocolName(QSsl::SslProtocol protocol) {
    switch (protocol) {
    case QSsl::TlsV1_2:
        return QStringLiteral("TLS 1.2");
    case QSsl::TlsV1_3:
        return QStringLiteral("TLS 1.3");
    default:
        return QStringLiteral("TLS");
    }
}

QeltoError tlsError(const QString& text) {
    return QeltoError(text, ErrorCategory::Tls);
}

} // namespace

void TIdFTP::startTls() {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    // The chain and the name are checked below, where the user can be asked about a certificate the
    // system does not trust; nothing is sent on the connection before that.
    config.setPeerVerifyMode(QSslSocket::QueryPeer);
    // Keep the session, so the data connections can resume it.
    config.setSslOption(QSsl::SslOptionDisableSessionPersistence, false);
    config.setProtocol(m_tlsAtMost12 ? QSsl::TlsV1_2 : QSsl::TlsV1_2OrLater);
    socket().setSslConfiguration(config);
    socket().setPeerVerifyName(m_host);
    socket().startClientEncryption();
    const WaitResult result = waitInSlices(
        [&](int slice) {
            if (socket().isEncrypted()) return WaitResult::Ready;
            if (socket().state() == QAbstractSocket::UnconnectedState) return WaitResult::Failed;
            socket().waitForEncrypted(slice);
            if (socket().isEncrypted()) return WaitResult::Ready;
            return socket().state() == QAbstractSocket::UnconnectedState ? WaitResult::Failed
                                                                         : WaitResult::TimedOut;
        },
        m_readTimeout, true);
    if (result == WaitResult::TimedOut) {
        closeControl(m_opened);
        throw QeltoError(QStringLiteral("TLS negotiation timed out."), ErrorCategory::Timeout);
    }
    if (result == WaitResult::Failed)
        throw tlsError(QStringLiteral("TLS negotiation failed: ") + socket().errorString());
    checkCertificate();
    doStatus(hsStatusText,
             QStringLiteral("TLS connection established: %1, %2")
                 .arg(protocolName(socket().sessionProtocol()), socket().sessionCipher().name()));
}

QString TIdFTP::peerCertificateFingerprint() const {
    if (!m_socket || !m_socket->isEncrypted()) return QString();
    return certificateFingerprint(m_socket->peerCertificate());
}

void TIdFTP::checkCertificate() {
    const QSslCertificate certificate = socket().peerCertificate();
    const QString fingerprint = certificateFingerprint(certificate);
    if (!m_pinnedCertificate.isEmpty()) {
        if (!certificate.isNull() && fingerprint == m_pinnedCertificate) return;
        closeControl(m_opened);
        throw tlsError(QStringLiteral("The server's certificate is not the one accepted for this server (%1)")
                           .arg(certificate.isNull() ? QStringLiteral("none") : fingerprint));
    }
    const QList<QSslError> errors = socket().sslHandshakeErrors();
    if (errors.isEmpty()) return;
    const quint16 port = socket().peerPort();
    if (!certificate.isNull() && m_trustStore.trusts(m_host, port, fingerprint)) return;
    bool accepted = false;
    if (OnUntrustedCertificate && !certificate.isNull()) {
        // The question may run an event loop: nothing started from it may use this connection meanwhile.
        ++m_dispatchDepth;
        try {
            accepted = OnUntrustedCertificate(certificateQuestion(
                m_host, port, certificate, errors, m_trustStore.trustedFingerprint(m_host, port)));
        } catch (...) {
            --m_dispatchDepth;
            throw;
        }
        --m_dispatchDepth;
    }
    if (!accepted) {
        closeControl(m_opened);
        throw tlsError(QStringLiteral("The server's certificate is not trusted: ") +
                       errors.first().errorString());
    }
    m_trustStore.trust(m_host, port, fingerprint);
}

void TIdFTP::authTlsStep() {
    if (m_tlsMode != TlsMode::Explicit && m_tlsMode != TlsMode::Require) return;
    const int code = sendCmd(QStringLiteral("AUTH TLS"), {});
    if (code == 234) {
        startTls();
        return;
    }
    if (m_tlsMode == TlsMode::Require)
        throw tlsError(QStringLiteral("The server does not offer TLS (%1), and TLS is required")
                           .arg(m_lastCmdResult.text.value(0)));
    doStatus(hsStatusText, QStringLiteral("The server does not offer TLS; the connection is not encrypted"));
}

void TIdFTP::protectDataStep() {
    if (!socket().isEncrypted()) return;
    sendCmd(QStringLiteral("PBSZ 0"), {200});
    if (sendCmd(QStringLiteral("PROT P"), {}) == 200) {
        m_protectData = true;
        return;
    }
    if (m_tlsMode != TlsMode::Explicit)
        throw tlsError(
            QStringLiteral("The server does not protect data connections (%1), and TLS is required")
                .arg(m_lastCmdResult.text.value(0)));
    doStatus(hsStatusText,
             QStringLiteral("The server does not protect data connections; they are not encrypted"));
}

std::unique_ptr<FtpDataConnection> TIdFTP::openDataConnection(int fd) {
    if (!m_protectData) return std::make_unique<FtpDataChannel>(fd);
    return std::make_unique<FtpTlsDataChannel>(fd, socket().sslConfiguration(), socket().peerCertificate());
}
