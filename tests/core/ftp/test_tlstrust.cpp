#include "core/ftp/TlsTrust.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {
int modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}
} // namespace

TEST(TlsTrustStore, OneFingerprintPerHostAndPortKeptPrivate) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/TrustedCertificates"));
    const QString a = QStringLiteral("a.example");
    TlsTrustStore store(path);
    EXPECT_FALSE(store.trusts(a, 21, QStringLiteral("AA")));
    store.trust(a, 21, QStringLiteral("AA"));
    store.trust(QStringLiteral("b.example"), 21, QStringLiteral("BB"));
    EXPECT_EQ(modeOf(path), 0600);
    EXPECT_TRUE(TlsTrustStore(path).trusts(QStringLiteral("A.example"), 21, QStringLiteral("AA")));
    // Another port of the same host is another server: nothing is trusted there yet.
    EXPECT_FALSE(store.trusts(a, 990, QStringLiteral("AA")));
    EXPECT_EQ(store.trustedFingerprint(a, 990), QString());
    store.trust(a, 990, QStringLiteral("DD"));
    EXPECT_TRUE(store.trusts(a, 21, QStringLiteral("AA")));
    // A renewed certificate takes the old one's place.
    store.trust(a, 21, QStringLiteral("CC"));
    EXPECT_FALSE(store.trusts(a, 21, QStringLiteral("AA")));
    EXPECT_EQ(store.trustedFingerprint(a, 21), QStringLiteral("CC"));
    EXPECT_EQ(store.trustedFingerprint(a, 990), QStringLiteral("DD"));
    EXPECT_TRUE(store.trusts(QStringLiteral("b.example"), 21, QStringLiteral("BB")));
    // A host text with a line break, blank or colon cannot forge an entry for another host or port.
    store.trust(QStringLiteral("x\nc.example DD"), 21, QStringLiteral("EE"));
    EXPECT_FALSE(store.trusts(QStringLiteral("c.example"), 21, QStringLiteral("DD EE")));
    EXPECT_FALSE(store.trusts(QStringLiteral("c.example"), 21, QStringLiteral("DD")));
    EXPECT_TRUE(store.trusts(QStringLiteral("x\nc.example DD"), 21, QStringLiteral("EE")));
    store.trust(QStringLiteral("e.example:21"), 22, QStringLiteral("FF"));
    EXPECT_FALSE(store.trusts(QStringLiteral("e.example"), 21, QStringLiteral("FF")));
}

// A file written before trust was kept per port names hosts alone: those entries trust nothing now and
// give way to the host's next trusted certificate.
TEST(TlsTrustStore, EntriesOfAHostAloneTrustNoPort) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TrustedCertificates"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("a.example AA\nb.example BB\n");
    old.close();
    TlsTrustStore store(path);
    EXPECT_FALSE(store.trusts(QStringLiteral("a.example"), 21, QStringLiteral("AA")));
    store.trust(QStringLiteral("a.example"), 21, QStringLiteral("AA"));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("b.example BB\na.example:21 AA\n"));
}

TEST(TlsCertificateQuestion, AFirstCertificateAndAChangedOneAreAskedDifferently) {
    TlsCertificateQuestion q;
    q.host = QStringLiteral("ftp.example");
    q.port = 2121;
    q.subject = QStringLiteral("ftp.example");
    q.fingerprint = QStringLiteral("AB:CD");
    q.problems = QStringList{QStringLiteral("The certificate is self-signed, and untrusted")};
    const QString first = certificateQuestionText(q);
    EXPECT_TRUE(first.contains(QStringLiteral("ftp.example (port 2121)"))) << first.toStdString();
    EXPECT_TRUE(first.contains(QStringLiteral("SHA-256 fingerprint: AB:CD"))) << first.toStdString();
    EXPECT_FALSE(first.contains(QStringLiteral("differs"))) << first.toStdString();
    q.trustedFingerprint = QStringLiteral("01:23");
    const QString changed = certificateQuestionText(q);
    for (const char* part : {"differs from the one you trusted", "fingerprint trusted before: 01:23",
                             "fingerprint shown now: AB:CD", "self-signed"})
        EXPECT_TRUE(changed.contains(QLatin1String(part))) << part << "\n" << changed.toStdString();
}
