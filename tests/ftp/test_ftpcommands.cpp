// The single-line operations against the scripted server: commands sent, replies accepted and refused.
#include "FtpTestSupport.h"
#include "ftp/TIdFTP.h"

#include <gtest/gtest.h>

using namespace ftptest;

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

const QStringList loggedIn{s("S 220 Ready"), s("C USER alice"), s("S 230 Logged in"),
                           s("C TYPE A"),    s("S 200 ok"),     s("C SYST"),
                           s("S 215 UNIX"),  s("C TYPE A"),     s("S 200 ok")};

void connectQuietly(TIdFTP& ftp, quint16 port) {
    aim(ftp, port);
    ftp.setUseHOST(false);
    ftp.setAutoIssueFEAT(false);
    ftp.Connect();
}

TEST(FtpCommands, OperationsSendTheirCommandsAndCheckTheReply) {
    const QStringList conversation{
        s("C CWD /pub"),
        s("S 250 Okay"),
        s("C CWD /nope"),
        s("S 550 No such directory."),
        s("C CDUP"),
        s("S 200 Okay"),
        s("C PWD"),
        s("S 257 \"/a \"\"quoted\"\" dir\" is current"),
        s("C MKD new"),
        s("S 257 \"/new\" created"),
        s("C MKD new"),
        s("S 550 Exists"),
        s("C RMD old"),
        s("S 250 Removed"),
        s("C DELE f.txt"),
        s("S 250 Deleted"),
        s("C RNFR a"),
        s("S 350 Ready for RNTO"),
        s("C RNTO b"),
        s("S 250 Renamed"),
        s("C RNFR missing"),
        s("S 550 Not found"),
        s("C SITE CHMOD 644 b"),
        s("S 200 Mode set"),
        s("C NOOP"),
        s("S 200 Fine"),
        s("C XYZ"),
        s("S 502 Not implemented"),
        s("C NOOP"),
        s("S 500 Odd"),
        s("C NOOP"),
        s("S 250 Odd but listed"),
        s("C NOOP"),
        s("S 200 ok"),
        s("C NOOP"),
        s("S 200 ok"),
        s("C TYPE I"),
        s("S 200 ok"),
        s("C SIZE f.txt"),
        s("S 213 1234"),
        s("C TYPE A"),
        s("S 200 ok"),
        s("C TYPE I"),
        s("S 200 ok"),
        s("C SIZE gone"),
        s("S 550 No such file"),
        s("C TYPE A"),
        s("S 200 ok"),
        s("C STAT"),
        s("R 211-Status of server\\r\\n Logged in as alice\\r\\n211 End of status\\r\\n"),
        s("C STAT"),
        s("S 500 Not here"),
        s("C ABOR"),
        s("S 226 Nothing to abort"),
        s("C QUIT"),
        s("S 221 Bye")};
    ScriptedServer server(loggedIn + conversation);
    TIdFTP ftp;
    connectQuietly(ftp, server.port());

    ftp.ChangeDir(s("/pub"));
    try {
        ftp.ChangeDir(s("/nope"));
        ADD_FAILURE() << "CWD refusal not raised";
    } catch (const FtpReplyError& error) {
        EXPECT_EQ(error.code(), 550);
        EXPECT_EQ(error.text(), s("No such directory.\r\n"));
    }
    ftp.ChangeDirUp();
    EXPECT_EQ(ftp.RetrieveCurrentDir(), s("/a \"quoted\" dir"));
    ftp.MakeDir(s("new"));
    EXPECT_EQ(errorOf([&] { ftp.MakeDir(s("new")); }), s("Exists\r\n"));
    ftp.RemoveDir(s("old"));
    ftp.Delete(s("f.txt"));
    ftp.Rename(s("a"), s("b"));
    EXPECT_EQ(errorOf([&] { ftp.Rename(s("missing"), s("c")); }),
              s("Not found\r\n")); // no RNTO after a refusal
    ftp.Site(s("CHMOD 644 b"));
    ftp.Noop();
    EXPECT_EQ(ftp.Quote(s("XYZ")), 502);
    EXPECT_EQ(ftp.SendCmd(s("NOOP")), 500);
    EXPECT_EQ(ftp.SendCmd(s("NOOP"), QList<int>{200, 250}), 250);
    EXPECT_EQ(errorOf([&] { ftp.SendCmd(s("NOOP"), s("250")); }), s("ok\r\n"));
    EXPECT_EQ(ftp.SendCmd(s("NOOP"), QString()), s("200"));
    EXPECT_EQ(ftp.Size(s("f.txt")), 1234);
    EXPECT_EQ(ftp.Size(s("gone")), -1);
    EXPECT_EQ(ftp.transferType(), ftASCII);
    QStringList status;
    ftp.Status(status);
    EXPECT_EQ(status, (QStringList{s("Status of server"), s("Logged in as alice"), s("End of status")}));
    ftp.Status(status); // 500: the list stays as it was
    EXPECT_EQ(status.size(), 3);
    ftp.Abort(); // no transfer running: ABOR and its one reply
    EXPECT_EQ(ftp.LastCmdResult().code, 226);
    EXPECT_TRUE(ftp.Connected()); // refusals leave the connection open
    ftp.Disconnect();

    QStringList expected;
    for (const QString& step : loggedIn + conversation)
        if (step.startsWith(u"C ")) expected.append(step.mid(2));
    EXPECT_EQ(server.session(), expected);
}

TEST(FtpCommands, NotConnectedAndUnsafeLines) {
    TIdFTP never;
    for (const auto& call : std::vector<std::function<void()>>{
             [&] { never.Noop(); }, [&] { never.ChangeDir(s("/")); }, [&] { never.Login(); },
             [&] { never.Abort(); }, [&] { never.Quote(s("HELP")); }})
        EXPECT_EQ(errorOf(call), s("Not Connected"));
    never.Disconnect(); // nothing to close: no error, no event

    ScriptedServer server(loggedIn + QStringList{s("C QUIT"), s("S 221 Bye")});
    TIdFTP ftp;
    connectQuietly(ftp, server.port());
    // A line break in an argument would smuggle a second command past the reply check.
    EXPECT_EQ(errorOf([&] { ftp.Delete(s("x\r\nRMD /")); }),
              s("Invalid command: line breaks are not allowed"));
    EXPECT_EQ(errorOf([&] { ftp.ChangeDir(s("a\nb")); }), s("Invalid command: line breaks are not allowed"));
    ftp.Disconnect();
    EXPECT_EQ(errorOf([&] { ftp.Noop(); }), s("Not Connected"));
    EXPECT_EQ(server.session(),
              (QStringList{s("USER alice"), s("TYPE A"), s("SYST"), s("TYPE A"), s("QUIT")}));
}

} // namespace
