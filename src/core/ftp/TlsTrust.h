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
    QString subject;
    QString issuer;
    QString fingerprint; // SHA-256, "AB:CD:..."
    QDateTime validFrom;
    QDateTime validUntil;
    QStringList problems; // why the system does not trust it, one text each
};

// Answers a question: true trusts the certificate for this host from now on. Connections that cannot ask
// (transfer workers) have none and accept only what was trusted before.
using TlsCertificateHook = std::function<bool(const TlsCertificateQuestion&)>;

QString certificateFingerprint(const QSslCertificate& certificate);
TlsCertificateQuestion certificateQuestion(const QString& host, const QSslCertificate& certificate,
                                           const QList<QSslError>& errors);
// The question as plain text for a message box.
QString certificateQuestionText(const TlsCertificateQuestion& question);

// The certificates the user trusted, one fingerprint per host, in a file of the data folder (0600).
// Every look-up reads the file, so a certificate trusted on the browsing connection is known at once to
// the transfer workers.
class TlsTrustStore {
public:
    explicit TlsTrustStore(QString path = defaultPath());
    static QString defaultPath(); // <data folder>/TrustedCertificates

    bool trusts(const QString& host, const QString& fingerprint) const;
    // Replaces what was trusted for the host. Throws QeltoError when the file cannot be written.
    void trust(const QString& host, const QString& fingerprint);
    const QString& path() const { return m_path; }

private:
    QString m_path;
};
