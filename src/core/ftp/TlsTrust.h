#pragma once

#include <QDateTime>
#include <QList>
#include <QSslCertificate>
#include <QSslError>
#include <QString>
#include <QStringList>
#include <functional>

// What the user is asked about a server certificate the system does not trust.
struct TlsCertificateQuestion {
    QString host;
    quint16 port = 0;
    QString subject;
    QString issuer;
    QString fingerprint; // SHA-256, "AB:CD:..."
    QDateTime validFrom;
    QDateTime validUntil;
    QStringList problems;       // why the system does not trust it, one text each
    QString trustedFingerprint; // the other certificate trusted before for this host and port, if any
};

// Answers a question: true trusts the certificate for this host and port from now on. Connections that cannot
// ask (transfer workers) have none and accept only what was trusted before.
using TlsCertificateHook = std::function<bool(const TlsCertificateQuestion&)>;

QString certificateFingerprint(const QSslCertificate& certificate);
TlsCertificateQuestion certificateQuestion(const QString& host, quint16 port,
                                           const QSslCertificate& certificate, const QList<QSslError>& errors,
                                           const QString& trustedFingerprint = QString());
// The question as plain text for a message box; a certificate that replaces a trusted one is said to
// differ from it, with both fingerprints.
QString certificateQuestionText(const TlsCertificateQuestion& question);

// The certificates the user trusted, one fingerprint per host and port, in a file of the data folder (0600).
// Every look-up reads the file, so a certificate trusted on the browsing connection is known at once to
// the transfer workers.
class TlsTrustStore {
public:
    explicit TlsTrustStore(QString path = defaultPath());
    static QString defaultPath(); // <data folder>/TrustedCertificates

    bool trusts(const QString& host, quint16 port, const QString& fingerprint) const;
    // The fingerprint trusted for the host and port; empty when none is.
    QString trustedFingerprint(const QString& host, quint16 port) const;
    // Replaces what was trusted for the host and port. Throws QeltoError when the file cannot be written.
    void trust(const QString& host, quint16 port, const QString& fingerprint);
    const QString& path() const { return m_path; }

private:
    QString m_path;
};
