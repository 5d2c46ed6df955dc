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

TEST(TlsTrustStore, OneFingerprintPerHostKeptPrivate) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/TrustedCertificates"));
    TlsTrustStore store(path);
    EXPECT_FALSE(store.trusts(QStringLiteral("a.example"), QStringLiteral("AA")));
    store.trust(QStringLiteral("a.example"), QStringLiteral("AA"));
    store.trust(QStringLiteral("b.example"), QStringLiteral("BB"));
    EXPECT_EQ(modeOf(path), 0600);
    EXPECT_TRUE(TlsTrustStore(path).trusts(QStringLiteral("A.example"), QStringLiteral("AA")));
    // A renewed certificate takes the old one's place.
    store.trust(QStringLiteral("a.example"), QStringLiteral("CC"));
    EXPECT_FALSE(store.trusts(QStringLiteral("a.example"), QStringLiteral("AA")));
    EXPECT_TRUE(store.trusts(QStringLiteral("a.example"), QStringLiteral("CC")));
    EXPECT_TRUE(store.trusts(QStringLiteral("b.example"), QStringLiteral("BB")));
    // A host text with a line break or blank cannot forge an entry for another host.
    store.trust(QStringLiteral("x\nc.example DD"), QStringLiteral("EE"));
    EXPECT_FALSE(store.trusts(QStringLiteral("c.example"), QStringLiteral("DD EE")));
    EXPECT_FALSE(store.trusts(QStringLiteral("c.example"), QStringLiteral("DD")));
    EXPECT_TRUE(store.trusts(QStringLiteral("x\nc.example DD"), QStringLiteral("EE")));
}
