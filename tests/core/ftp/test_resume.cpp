// Downloads that go on where they stopped: a transfer cut half-way by the fault relay keeps its hidden
// file, and the next download of the same file sends REST and moves only the rest, on pyftpdlib and on
// vsftpd.
#include "VsftpdServer.h"
#include "core/base/Errors.h"
#include "core/ftp/TIdFTP.h"
#include "support/FaultRelay.h"
#include "support/FtpTestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace ftptest;

namespace {

QByteArray pattern(qsizetype size) {
    QByteArray data(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char((i * 7919) >> 5);
    return data;
}

class Resume : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid() && m_local.isValid());
        QDir(m_root.path()).mkpath(s("pub"));
        writeFile(m_root.filePath(s("pub/big.bin")), m_content);
        if (vsftpd()) {
            m_vsftpd = std::make_unique<VsftpdServer>(m_root.path());
            m_port = m_vsftpd->port();
        } else {
            m_pyftpd = std::make_unique<testsupport::PyFtpServer>(m_root.path());
            m_port = m_pyftpd->port();
        }
    }

    bool vsftpd() const { return QByteArray(GetParam()) == "vsftpd"; }

    // Downloads pub/big.bin through `port`; the error, if any, and the bytes that came in `moved`; the
    // connection's status texts go to `statuses`.
    QString download(quint16 port, const QString& key, qint64& moved, QStringList* statuses = nullptr) {
        TIdFTP ftp;
        if (vsftpd())
            aim(ftp, port, s("anonymous"), s("guest"));
        else
            aim(ftp, port, s("demo"), s("demo"));
        ftp.setPassive(true);
        ftp.setTransferType(ftBinary);
        ftp.setTransferTimeout(10000);
        moved = 0;
        ftp.OnWork = [&](TWorkMode, qint64 count) { moved = count; };
        ftp.OnStatus = [statuses](TIdStatus, const QString& text) {
            if (statuses) *statuses << text;
        };
        QString error;
        try {
            ftp.Connect();
            ftp.GetResumable("/pub/big.bin", target(), key, m_content.size());
        } catch (const QeltoError& e) {
            error = e.text();
        }
        if (ftp.Connected()) ftp.Disconnect();
        return error;
    }

    QString target() const { return m_local.filePath(s("big.bin")); }
    QStringList hidden() const { return QDir(m_local.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir m_root, m_local;
    const QByteArray m_content = pattern(3 * 1024 * 1024 + 123);
    std::unique_ptr<VsftpdServer> m_vsftpd;
    std::unique_ptr<testsupport::PyFtpServer> m_pyftpd;
    quint16 m_port = 0;
};

} // namespace

TEST_P(Resume, ADownloadCutHalfWayGoesOnFromItsHiddenFileAndMovesOnlyTheRest) {
    qint64 first = 0, second = 0;
    {
        // Every data connection through the relay ends after half the file.
        testsupport::FaultRelay relay(m_port, QStringLiteral("data:cut:%1").arg(m_content.size() / 2));
        const QString error = download(relay.port(), s("k1"), first);
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(target()));
    ASSERT_EQ(hidden(), QStringList{s(".big.bin.part-k1")});
    const qint64 kept = QFileInfo(m_local.filePath(s(".big.bin.part-k1"))).size();
    EXPECT_GT(kept, 0);
    EXPECT_LE(kept, m_content.size() / 2);

    QStringList statuses;
    EXPECT_EQ(download(m_port, s("k1"), second, &statuses), QString());
    EXPECT_EQ(readFile(target()), m_content); // the whole file, byte for byte
    EXPECT_EQ(second, m_content.size() - kept);
    EXPECT_TRUE(statuses.contains(s("Resuming the download at byte %1").arg(kept))) << statuses.join(u'|').toStdString();
    EXPECT_EQ(hidden(), QStringList{s("big.bin")});
    std::printf("[ resume ] %s: first attempt %lld bytes, kept %lld, resumed %lld of %lld\n", GetParam(),
                static_cast<long long>(first), static_cast<long long>(kept), static_cast<long long>(second),
                static_cast<long long>(m_content.size()));
}

TEST_P(Resume, AKeptFileOfAnotherVersionOrLengthIsNotContinued) {
    // Another key (the listing's size or time changed) starts anew and leaves the other hidden file alone.
    writeFile(m_local.filePath(s(".big.bin.part-old")), "stale bytes");
    qint64 moved = 0;
    EXPECT_EQ(download(m_port, s("new"), moved), QString());
    EXPECT_EQ(moved, m_content.size());
    EXPECT_EQ(readFile(target()), m_content);
    // A kept file as long as the listed one cannot be told from another version: anew, too.
    QFile::remove(target());
    writeFile(m_local.filePath(s(".big.bin.part-full")), QByteArray(m_content.size(), 'x'));
    EXPECT_EQ(download(m_port, s("full"), moved), QString());
    EXPECT_EQ(moved, m_content.size());
    EXPECT_EQ(readFile(target()), m_content);
}

INSTANTIATE_TEST_SUITE_P(Servers, Resume, ::testing::Values("pyftpdlib", "vsftpd"));
