// End to end against a real FTP server (pyftpdlib) serving a temporary folder.
#include "support/FtpTestSupport.h"
#include "core/ftp/TIdFTP.h"
#include "core/ftp/TIdLogEvent.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ftptest;

namespace {

TEST(FtpRealServer, LoginAndSingleLineCommands) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    {
        QFile file(root.filePath(s("data.bin")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1234, 'x'));
    }
    testsupport::PyFtpServer server(root.path());
    TIdFTP ftp;
    aim(ftp, server.port(), s("demo"), s("demo"));
    TIdLogEvent log;
    QString sent;
    log.OnSent = [&](const QString&, const QString& block) { sent += block; };
    ftp.setIntercept(&log);
    ftp.Connect();

    EXPECT_EQ(ftp.Greeting().code, 220);
    EXPECT_EQ(ftp.Greeting().text.value(0), s("Qelto demo server ready."));
    EXPECT_EQ(ftp.LoginMsg().code, 230);
    EXPECT_TRUE(ftp.CanUseMLS());
    EXPECT_TRUE(ftp.usingUtf8());
    EXPECT_EQ(ftp.SystemDesc(), s("UNIX Type: L8"));
    EXPECT_TRUE(
        sent.startsWith(s("HOST [127.0.0.1]<EOL>USER demo<EOL>PASS ****<EOL>FEAT<EOL>OPTS UTF8 ON<EOL>")))
        << sent.toStdString();

    EXPECT_EQ(ftp.RetrieveCurrentDir(), s("/"));
    ftp.MakeDir(s("sub"));
    ftp.ChangeDir(s("sub"));
    EXPECT_EQ(ftp.RetrieveCurrentDir(), s("/sub"));
    ftp.ChangeDirUp();
    EXPECT_EQ(ftp.RetrieveCurrentDir(), s("/"));
    ftp.MakeDir(s("Größe"));
    EXPECT_TRUE(QDir(root.filePath(s("Größe"))).exists());

    EXPECT_EQ(ftp.Size(s("data.bin")), 1234);
    EXPECT_EQ(ftp.transferType(), ftASCII);
    EXPECT_EQ(ftp.Size(s("missing.bin")), -1);
    ftp.Rename(s("data.bin"), s("renamed.bin"));
    EXPECT_TRUE(QFile::exists(root.filePath(s("renamed.bin"))));
    ftp.Delete(s("renamed.bin"));
    EXPECT_FALSE(QFile::exists(root.filePath(s("renamed.bin"))));
    ftp.RemoveDir(s("sub"));
    EXPECT_FALSE(QDir(root.filePath(s("sub"))).exists());
    EXPECT_THROW(ftp.ChangeDir(s("sub")), FtpReplyError);
    ftp.Noop();
    QStringList status;
    ftp.Status(status);
    EXPECT_GE(status.size(), 2);
    EXPECT_TRUE(status.join(u'\n').contains(s("demo"))) << status.join(u'\n').toStdString();

    ftp.Disconnect();
    EXPECT_FALSE(ftp.Connected());
}

TEST(FtpRealServer, WrongPasswordIsRefused) {
    QTemporaryDir root;
    testsupport::PyFtpServer server(root.path());
    TIdFTP ftp;
    aim(ftp, server.port(), s("demo"), s("wrong"));
    try {
        ftp.Connect();
        ADD_FAILURE() << "logged in with a wrong password";
    } catch (const FtpReplyError& error) {
        EXPECT_EQ(error.code(), 530);
    }
    EXPECT_FALSE(ftp.Connected());
}

} // namespace
