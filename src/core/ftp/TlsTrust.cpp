#include "core/ftp/TlsTrust.h"

#include "core/base/DataFolder.h"
#include "core/base/Errors.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

namespace {

// "host fingerprint" lines, the host percent-encoded so no blank or line break in it can break a line.
QString hostKey(const QString& host) {
    return QString::fromLatin1(QUrl::toPercentEncoding(host.toLower()));
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

TlsCertificateQuestion certificateQuestion(const QString& host, const QSslCertificate& certificate,
                                           const QList<QSslError>& errors) {
    TlsCertificateQuestion question;
    question.host = host;
    question.subject = certificate.subjectDisplayName();
    question.issuer = certificate.issuerDisplayName();
    question.fingerprint = certificateFingerprint(certificate);
    question.validFrom = certificate.effectiveDate();
    question.validUntil = certificate.expiryDate();
    for (const QSslError& error : errors)
        if (!question.problems.contains(error.errorString())) question.problems.append(error.errorString());
    return question;
}

QString certificateQuestionText(const TlsCertificateQuestion& q) {
    return QStringLiteral("The server %1 shows a certificate this system does not trust:\n%2\n\n"
                          "Subject: %3\nIssuer: %4\nValid from %5 until %6\nSHA-256 fingerprint: %7\n\n"
                          "Trust this certificate for %1?")
        .arg(q.host, q.problems.join(u'\n'), q.subject, q.issuer, q.validFrom.toString(Qt::ISODate),
             q.validUntil.toString(Qt::ISODate), q.fingerprint);
}

TlsTrustStore::TlsTrustStore(QString path) : m_path(std::move(path)) {}

QString TlsTrustStore::defaultPath() {
    return dataFolderPath() + QStringLiteral("/TrustedCertificates");
}

bool TlsTrustStore::trusts(const QString& host, const QString& fingerprint) const {
    for (const auto& entry : readEntries(m_path))
        if (entry.first == hostKey(host) && entry.second == fingerprint) return true;
    return false;
}

void TlsTrustStore::trust(const QString& host, const QString& fingerprint) {
    QList<QPair<QString, QString>> entries = readEntries(m_path);
    // One certificate per host: a renewed certificate takes the place of the old one.
    entries.removeIf([&](const auto& e) { return e.first == hostKey(host); });
    entries.append({hostKey(host), fingerprint});
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
