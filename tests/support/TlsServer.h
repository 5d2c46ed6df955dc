#pragma once

// FTPS test fixtures: a self-signed certificate made for the test, and pyftpdlib's TLS handler.

#include "core/ftp/TlsTrust.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QString>
#include <stdexcept>

namespace testsupport {

// A self-signed certificate for "localhost" (cert.pem, key.pem) in `folder`. The clients connect to
// 127.0.0.1, so both the chain and the name fail the system's checks.
struct TestCertificate {
    explicit TestCertificate(const QString& folder)
        : cert(folder + QStringLiteral("/cert.pem")), key(folder + QStringLiteral("/key.pem")) {
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                       QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=localhost"),
                       QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert});
        if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0)
            throw std::runtime_error("openssl: " + openssl.readAllStandardError().toStdString());
        QFile::setPermissions(key, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const QList<QSslCertificate> certs = QSslCertificate::fromPath(cert);
        if (certs.size() != 1) throw std::runtime_error("the test certificate cannot be read");
        fingerprint = certificateFingerprint(certs.first());
    }

    QString cert;
    QString key;
    QString fingerprint; // SHA-256
};

// tests/fixtures/tls_ftp_server.py: user demo (password demo) on `root`, explicit TLS.
class TlsServerProcess : public ServerProcess {
public:
    // `faults`: "--no-close-notify", "--cut N" (see the fixture).
    TlsServerProcess(const QString& root, const TestCertificate& certificate, const QStringList& faults = {}) {
        start(QStringLiteral("/usr/bin/python3"),
              QStringList{QStringLiteral(QELTO_FIXTURES_DIR "/tls_ftp_server.py"), QStringLiteral("--root"), root,
                          QStringLiteral("--cert"), certificate.cert, QStringLiteral("--key"), certificate.key} +
                  faults);
    }
};

} // namespace testsupport
