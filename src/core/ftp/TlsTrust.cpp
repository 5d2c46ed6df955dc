#include "core/ftp/TlsTrust.h"

#include "core/base/DataFolder.h"
#include "core/base/Errors.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

namespace {

// "host:port fingerprint" lines, the host percent-encoded so no blank, colon or line break in it can
// break a line or a key. Lines of a host alone come from before trust was kept per port; they are
// trusted no more and go with the host's next trusted certificate.
QString hostKey(const QString& host) {
    return QString::fromLatin1(QUrl::toPercentEncoding(host.toLower()));
}

QString endpointKey(const QString& host, quint16 port) {
    return hostKey(host) + u':' + QString::number(port);
}

QList<QPair<QString, QString>> readEntries(const QString& path) {
    QList<QPair<QString, QString>> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return entries;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const qsizetype blank = line.indexOf(u' ');
        if (blank > 0) entries.append({line.left(blank), line.mid(blank + 1)});
    }
    return entries;
}

} // namespace

QString certificateFingerprint(const QSslCertificate& certificate) {
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}

TlsCertificateQuestion certificateQuestion(const QString& host, quint16 port,
                                           const QSslCertificate& certificate, const QList<QSslError>& errors,
                                           const QString& trustedFingerprint) {
    TlsCertificateQuestion question;
    question.host = host;
    question.port = port;
    question.subject = certificate.subjectDisplayName();
    question.issuer = certificate.issuerDisplayName();
    question.fingerprint = certificateFingerprint(certificate);
    question.validFrom = certificate.effectiveDate();
    question.validUntil = certificate.expiryDate();
    for (const QSslError& error : errors)
        if (!question.problems.contains(error.errorString())) question.problems.append(error.errorString());
    if (trustedFingerprint != question.fingerprint) question.trustedFingerprint = trustedFingerprint;
    return question;
}

QString certificateQuestionText(const TlsCertificateQuestion& q) {
    const QString server = QStringLiteral("%1 (port %2)").arg(q.host, QString::number(q.port));
    const QString details =
        QStringLiteral("Subject: %1\nIssuer: %2\nValid from %3 until %4\n")
            .arg(q.subject, q.issuer, q.validFrom.toString(Qt::ISODate), q.validUntil.toString(Qt::ISODate));
    if (q.trustedFingerprint.isEmpty())
        return QStringLiteral("The server %1 shows a certificate this system does not trust:\n%2\n\n%3"
                              "SHA-256 fingerprint: %4\n\nTrust this certificate for %1?")
            .arg(server, q.problems.join(u'\n'), details, q.fingerprint);
    // A certificate in place of a trusted one is also what a man in the middle shows: this question must
    // not read like the first one.
    return QStringLiteral("The server %1 shows a certificate that differs from the one you trusted for it "
                          "before. The server may have a new certificate, or someone may be between you "
                          "and the server.\n%2\n\n%3"
                          "SHA-256 fingerprint trusted before: %4\nSHA-256 fingerprint shown now: %5\n\n"
                          "Trust the new certificate for %1 in place of the old one?")
        .arg(server, q.problems.join(u'\n'), details, q.trustedFingerprint, q.fingerprint);
}

TlsTrustStore::TlsTrustStore(QString path) : m_path(std::move(path)) {}

QString TlsTrustStore::defaultPath() {
    return dataFolderPath() + QStringLiteral("/TrustedCertificates");
}

bool TlsTrustStore::trusts(const QString& host, quint16 port, const QString& fingerprint) const {
    return !fingerprint.isEmpty() && trustedFingerprint(host, port) == fingerprint;
}

QString TlsTrustStore::trustedFingerprint(const QString& host, quint16 port) const {
    const QString key = endpointKey(host, port);
    for (const auto& entry : readEntries(m_path))
        if (entry.first == key) return entry.second;
    return QString();
}

void TlsTrustStore::trust(const QString& host, quint16 port, const QString& fingerprint) {
    QList<QPair<QString, QString>> entries = readEntries(m_path);
    // One certificate per host and port: a renewed certificate takes the place of the old one.
    const QString key = endpointKey(host, port);
    entries.removeIf([&](const auto& e) { return e.first == key || e.first == hostKey(host); });
    entries.append({key, fingerprint});
    ForceLocalFolders(QFileInfo(m_path).path());
    QSaveFile file(m_path);
    const auto fail = [&] {
        return QeltoError(QStringLiteral("Cannot save the trusted certificate: ") + file.errorString(),
                          ErrorCategory::LocalFile);
    };
    if (!file.open(QIODevice::WriteOnly)) throw fail();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (const auto& entry : entries)
        file.write((entry.first + u' ' + entry.second + u'\n').toUtf8());
    if (!file.commit()) throw fail();
}
