// Files cut short on the way: a TLS data connection that ends without TLS's closing alert, a download
// shorter than the size its 150 reply named, and an upload whose local file changes while it is sent.
// None of them may end as a complete transfer.
#include "core/base/Errors.h"
#include "core/ftp/TIdFTP.h"
#include "support/FtpTestSupport.h"
#include "support/TlsServer.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace ftptest;

namespace {

// Downloads /x (11 bytes) from pyftpdlib over TLS, with the fixture's `faults`; the error, if any.
QString tlsDownload(const QStringList& faults, const QString& target) {
    QTemporaryDir root, keys;
    writeFile(root.filePath(s("x")), "secret-file");
    const testsupport::TestCertificate certificate(keys.path());
    testsupport::TlsServerProcess server(root.path(), certificate, faults);
    TIdFTP ftp;
    aim(ftp, server.port(), s("demo"), s("demo"));
    ftp.setPassive(true);
    ftp.setTransferType(ftBinary);
    ftp.setTlsMode(TlsMode::Require);
    ftp.setTransferTimeout(10000);
    ftp.setTrustStore(TlsTrustStore(keys.filePath(s("trusted"))));
    ftp.OnUntrustedCertificate = [](const TlsCertificateQuestion&) { return true; };
    ftp.Connect();
    QString error;
    try {
        ftp.Get(s("/x"), target, true);
    } catch (const QeltoError& e) {
        error = e.text();
    }
    ftp.Disconnect();
    return error;
}

} // namespace

TEST(CutShort, ATlsDataConnectionWithoutItsClosingAlertFailsAndCommitsNothing) {
    QTemporaryDir local;
    const QString target = local.filePath(s("x"));
    // The whole file with the alert: the one way to succeed.
    EXPECT_EQ(tlsDownload({}, target), QString());
    EXPECT_EQ(readFile(target), QByteArray("secret-file"));
    QFile::remove(target);
    // Seven of the 11 bytes, then a plain close, and still "226": the file is not taken.
    const QString cut = tlsDownload({s("--no-close-notify"), s("--cut"), s("7")}, target);
    EXPECT_TRUE(cut.contains(s("closing alert"))) << cut.toStdString();
    // Even all the bytes, if the alert is missing: nobody can tell them from a cut.
    const QString whole = tlsDownload({s("--no-close-notify")}, target);
    EXPECT_TRUE(whole.contains(s("closing alert"))) << whole.toStdString();
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(QDir(local.path()).entryList(QDir::Files | QDir::Hidden), QStringList()); // no part file left
}

TEST(CutShort, APlainDownloadShorterThanTheSizeItsReplyNamedFails) {
    QTemporaryDir local;
    const QStringList pasv = ss({"L", "C PASV", "S 227 (127,0,0,1,{p1},{p2})"});
    const struct {
        const char* reply;
        const char* data;
        bool fails;
    } cases[] = {
        {"S 150 Opening BINARY mode data connection for x (11 bytes)", "D secret-", true},
        {"S 150 Opening BINARY mode data connection for x (11 bytes)", "D secret-file", false},
        {"S 150 Opening data connection for x (1 byte)", "D y", false},
        {"S 150 Opening BINARY mode data connection", "D secret-", false}, // no size named: nothing to hold to
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        ScriptedServer server(loggedIn + ss({"C TYPE I", "S 200 ok"}) + pasv +
                              ss({"C RETR x", "A", c.reply, c.data, "DX", "S 226 Done"}));
        TIdFTP ftp;
        connectQuietly(ftp, server.port());
        ftp.setPassive(true);
        ftp.setTransferType(ftBinary);
        const QString target = local.filePath(s("x"));
        QFile::remove(target);
        QString error;
        try {
            ftp.Get(s("x"), target, true);
        } catch (const QeltoError& e) {
            error = e.text();
        }
        EXPECT_EQ(!error.isEmpty(), c.fails) << error.toStdString();
        EXPECT_EQ(QFile::exists(target), !c.fails);
        if (c.fails) {
            EXPECT_TRUE(error.startsWith(s("Partial file: 7 of the 11 bytes"))) << error.toStdString();
        }
    }
}

TEST(CutShort, AnUploadWhoseFileShrinksOrGrowsWhileItIsSentFails) {
    QTemporaryDir local;
    const QString path = local.filePath(s("big.bin"));
    for (const qint64 changedTo : {qint64(1000), qint64(24 * 1024 * 1024)}) {
        SCOPED_TRACE(changedTo);
        writeFile(path, QByteArray(16 * 1024 * 1024, 'u'));
        ScriptedServer server(loggedIn + ss({"L", "C PASV", "S 227 (127,0,0,1,{p1},{p2})", "C STOR big.bin", "A",
                                             "S 150 Go ahead", "DR", "S 226 Stored"}));
        TIdFTP ftp;
        connectQuietly(ftp, server.port());
        ftp.setPassive(true);
        bool changed = false;
        // After the first block the file is cut (or grows), as another program writing it would do.
        ftp.OnWork = [&](TWorkMode, qint64) {
            if (changed) return;
            changed = true;
            ASSERT_EQ(::truncate(path.toLocal8Bit().constData(), changedTo), 0);
        };
        QString error;
        try {
            ftp.Put(path, s("big.bin"));
        } catch (const QeltoError& e) {
            error = e.text();
        }
        EXPECT_TRUE(changed);
        EXPECT_TRUE(error.startsWith(s("The local file changed while it was sent"))) << error.toStdString();
        EXPECT_TRUE(error.contains(s("16777216"))) << error.toStdString();
    }
}
