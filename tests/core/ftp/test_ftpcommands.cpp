// The single-line operations against the scripted server: commands sent, replies accepted and refused.
#include "support/FtpTestSupport.h"
#include "core/ftp/TIdFTP.h"

#include <gtest/gtest.h>

using namespace ftptest;

namespace {

TEST(FtpCommands, OperationsSendTheirCommandsAndCheckTheReply) {
    const QStringList conversation =
        ss({"C CWD /pub",
            "S 250 Okay",
            "C CWD /nope",
            "S 550 No such directory.",
            "C CDUP",
            "S 200 Okay",
            "C PWD",
            "S 257 \"/a \"\"quoted\"\" dir\" is current",
            "C MKD new",
            "S 257 \"/new\" created",
            "C MKD new",
            "S 550 Exists",
            "C RMD old",
            "S 250 Removed",
            "C DELE f.txt",
            "S 250 Deleted",
            "C RNFR a",
            "S 350 Ready for RNTO",
            "C RNTO b",
            "S 250 Renamed",
            "C RNFR missing",
            "S 550 Not found",
            "C SITE CHMOD 644 b",
            "S 200 Mode set",
            "C NOOP",
            "S 200 Fine",
            "C XYZ",
            "S 502 Not implemented",
            "C NOOP",
            "S 500 Odd",
            "C NOOP",
            "S 250 Odd but listed",
            "C NOOP",
            "S 200 ok",
            "C NOOP",
            "S 200 ok",
            "C TYPE I",
            "S 200 ok",
            "C SIZE f.txt",
            "S 213 1234",
            "C TYPE A",
            "S 200 ok",
            "C TYPE I",
            "S 200 ok",
            "C SIZE gone",
            "S 550 No such file",
            "C TYPE A",
            "S 200 ok",
            "C STAT",
            "R 211-Status of server\\r\\n Logged in as alice\\r\\n211 End of status\\r\\n",
            "C STAT",
            "S 500 Not here",
            "C ABOR",
            "S 226 Nothing to abort",
            "C QUIT",
            "S 221 Bye"});
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
    EXPECT_EQ(status, ss({"Status of server", "Logged in as alice", "End of status"}));
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

    ScriptedServer server(loggedIn + ss({"C QUIT", "S 221 Bye"}));
    TIdFTP ftp;
    connectQuietly(ftp, server.port());
    // A line break in an argument would smuggle a second command past the reply check.
    EXPECT_EQ(errorOf([&] { ftp.Delete(s("x\r\nRMD /")); }),
              s("Invalid command: line breaks are not allowed"));
    EXPECT_EQ(errorOf([&] { ftp.ChangeDir(s("a\nb")); }), s("Invalid command: line breaks are not allowed"));
    ftp.Disconnect();
    EXPECT_EQ(errorOf([&] { ftp.Noop(); }), s("Not Connected"));
    EXPECT_EQ(server.session(), loginCommands + ss({"QUIT"}));
}

} // namespace
