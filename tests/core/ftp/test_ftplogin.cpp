// Connect and login dialogues against the scripted server: every test asserts the client's exact lines.
#include "core/ftp/TIdFTP.h"
#include "core/ftp/TIdLogEvent.h"
#include "support/FtpTestSupport.h"

#include <gtest/gtest.h>

using namespace ftptest;

namespace {

// The command lines a script expects, in order: what the client must have sent.
QStringList clientLines(const QStringList& script) {
    QStringList lines;
    for (const QString& step : script)
        if (step.startsWith(u"C ")) lines.append(step.mid(2));
    return lines;
}

// clientLines() with the "*" step standing for `line`, as its bytes cross the wire.
QStringList clientLinesWith(const QStringList& script, const char* line) {
    QStringList lines = clientLines(script);
    lines.replace(lines.indexOf(s("*")), QString::fromLatin1(line));
    return lines;
}

const QStringList afterLogin = ss({"C TYPE A", "S 200 Type set to A", "C SYST", "S 215 UNIX Type: L8",
                                   "C TYPE A", "S 200 Type set to A", "C QUIT", "S 221 Bye"});

// The proxy's own login, which several proxy types send before the site's.
const QStringList proxyLogin = ss({"C USER puser", "S 331 Proxy password", "C PASS ppass", "S 230 Proxy ok"});

// USER answered 331, then PASS accepted.
QStringList passwordLogin(const char* user, const char* password = "secret") {
    return {s("C USER ") + s(user), s("S 331 Password"), s("C PASS ") + s(password), s("S 230 Logged in")};
}

struct LoginCase {
    const char* name;
    TIdFtpProxyType proxyType;
    const char* proxyUser;
    const char* host; // Host; the TCP connection goes to the proxy on 127.0.0.1 unless transparent
    quint16 port;     // Port
    const char* account;
    QStringList steps; // the login part of the conversation
};

TEST(FtpLogin, ProxySequencesSendTheExactCommands) {
    const QList<LoginCase> cases{
        {"none, password", fpcmNone, "", "", 0, "", passwordLogin("alice")},
        {"none, USER answered 230 needs no PASS", fpcmNone, "", "", 0, "",
         ss({"C USER alice", "S 230 Welcome back"})},
        {"none, account asked with 332", fpcmNone, "", "", 0, "acc1",
         ss({"C USER alice", "S 331 Password required", "C PASS secret", "S 332 Need account", "C ACCT acc1",
             "S 230 Logged in"})},
        {"none, one-time password challenge", fpcmNone, "", "", 0, "",
         ss({"C USER alice", "S 331 Response to otp-md4 1 TeSt required", "C PASS CARD SAD MINI RYE COL KIN",
             "S 230 Logged in"})},
        {"user@site with proxy login", fpcmUserSite, "puser", "ftp.example.com", 21, "",
         proxyLogin + passwordLogin("alice@ftp.example.com")},
        {"user@site:port without proxy user", fpcmUserSite, "", "ftp.example.com", 2121, "",
         passwordLogin("alice@ftp.example.com:2121")},
        {"site", fpcmSite, "puser", "ftp.example.com", 21, "",
         proxyLogin + ss({"C SITE ftp.example.com", "S 220 Connected to site"}) + passwordLogin("alice")},
        {"open", fpcmOpen, "puser", "ftp.example.com", 21, "",
         ss({"C USER puser", "S 331 Proxy password", "C PASS secret", "S 230 Proxy ok",
             "C OPEN ftp.example.com", "S 220 Opened"}) +
             passwordLogin("alice")},
        {"user@proxyuser@site", fpcmUserPass, "puser", "ftp.example.com", 21, "",
         passwordLogin("alice@puser@ftp.example.com", "secret@ppass")},
        {"transparent", fpcmTransparent, "puser", "127.0.0.1", 0, "", proxyLogin + passwordLogin("alice")},
        {"user@host firewall id", fpcmUserHostFireWallID, "puser", "ftp.example.com", 21, "",
         ss({"C USER alice@ftp.example.com puser", "S 331 Password", "C PASS secret",
             "S 332 Firewall account", "C ACCT ppass", "S 230 Logged in"})},
        {"novell border", fpcmNovellBorder, "puser", "ftp.example.com", 21, "",
         passwordLogin("puser$alice$ftp.example.com", "puser$secret")},
    };
    for (const LoginCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList script = ss({"S 220 Scripted server ready"}) + c.steps + afterLogin;
        ScriptedServer server(script);
        TIdFTP ftp;
        aim(ftp, server.port(), s("alice"),
            c.steps.join(u' ').contains(u"otp-") ? s("This is a test.") : s("secret"));
        ftp.setUseHOST(false);
        ftp.setAutoIssueFEAT(false);
        ftp.setAccount(s(c.account));
        if (c.proxyType != fpcmNone) {
            TIdFtpProxySettings& proxy = ftp.proxySettings();
            proxy.ProxyType = c.proxyType;
            proxy.UserName = s(c.proxyUser);
            proxy.Password = s("ppass");
            proxy.Host = s("127.0.0.1");
            proxy.Port = server.port();
            ftp.setHost(s(c.host));
            ftp.setPort(c.port ? c.port : server.port());
        }
        TIdLogEvent log;
        QStringList logged;
        log.OnSent = [&](const QString&, const QString& block) { logged.append(block); };
        ftp.setIntercept(&log);
        ftp.Connect();
        EXPECT_TRUE(ftp.Connected());
        EXPECT_EQ(ftp.LoginMsg().code, 230);
        EXPECT_EQ(ftp.SystemDesc(), s("UNIX Type: L8"));
        ftp.Disconnect();
        EXPECT_FALSE(ftp.Connected());
        EXPECT_EQ(server.session(), clientLines(script));
        // The wire carries the passwords; the log shows none of them.
        QStringList shown;
        for (const QString& line : clientLines(script))
            shown.append(
                (line.startsWith(u"PASS ") || line.startsWith(u"ACCT ") ? line.left(5) + s("****") : line) +
                s("<EOL>"));
        EXPECT_EQ(logged, shown);
    }
}

TEST(FtpLogin, LoginFailuresCloseTheConnectionAfterQuit) {
    struct Case {
        const char* name;
        TIdFtpProxyType proxyType;
        QStringList steps;
        const char* error;
    };
    const QList<Case> cases{
        {"wrong password", fpcmNone,
         ss({"C USER alice", "S 331 Password required", "C PASS secret", "R 530-Login incorrect.\\r\\n",
             "S 530 Try again."}),
         "Login incorrect.\r\nTry again.\r\n"},
        {"account needed but none set", fpcmNone,
         ss({"C USER alice", "S 331 Password required", "C PASS secret", "S 332 Need account for login"}),
         "Need account for login\r\n"},
        {"http proxy", fpcmHttpProxyWithFtp, {}, "Command not supported."},
        {"custom proxy", fpcmCustomProxy, {}, "OnCustomFTPProxy required but not assigned"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList script =
            ss({"S 220 Scripted server ready"}) + c.steps + ss({"C QUIT", "S 221 Bye"});
        ScriptedServer server(script);
        TIdFTP ftp;
        aimWithoutHost(ftp, server.port());
        ftp.proxySettings().ProxyType = c.proxyType;
        int disconnects = 0;
        ftp.OnDisconnected = [&] { ++disconnects; };
        EXPECT_EQ(errorOf([&] { ftp.Connect(); }), s(c.error));
        EXPECT_FALSE(ftp.Connected());
        EXPECT_EQ(disconnects, 1);
        EXPECT_EQ(server.session(), clientLines(script));
    }
}

TEST(FtpLogin, GreetingRules) {
    {
        SCOPED_TRACE("120 then 220 connects");
        const QStringList script =
            ss({"S 120 Ready in a minute", "S 220 Ready now", "C USER alice", "S 230 Logged in"});
        ScriptedServer server(script + afterLogin);
        TIdFTP ftp;
        connectQuietly(ftp, server.port());
        EXPECT_EQ(ftp.Greeting().code, 220);
        EXPECT_EQ(ftp.Greeting().text, ss({"Ready now"}));
        ftp.Disconnect();
        EXPECT_EQ(server.session(), clientLines(script + afterLogin));
    }
    {
        SCOPED_TRACE("any other greeting fails without QUIT");
        ScriptedServer server(ss({"R 421-Too many users\\r\\n421 Come back later\\r\\n", "P 5"}));
        TIdFTP ftp;
        aim(ftp, server.port());
        try {
            ftp.Connect();
            ADD_FAILURE() << "connected";
        } catch (const FtpReplyError& error) {
            EXPECT_EQ(error.code(), 421);
            EXPECT_EQ(error.text(), s("Too many users\r\nCome back later\r\n"));
        }
        EXPECT_FALSE(ftp.Connected());
        EXPECT_EQ(server.session(), QStringList{});
    }
}

TEST(FtpLogin, HostCommandForms) {
    struct Case {
        const char* name;
        const char* host;
        const char* command;
        const char* reply;
        const char* greeting; // first greeting line afterwards
    };
    const Case cases[] = {
        {"address in brackets, 220 replaces the greeting", "127.0.0.1", "HOST [127.0.0.1]",
         "220 Virtual host ready", "Virtual host ready"},
        {"name without brackets, 500 accepted", "localhost", "HOST localhost", "500 HOST not understood",
         "First"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList script = QStringList{s("S 220 First"), s("C ") + s(c.command), s("S ") + s(c.reply),
                                               s("C USER alice"), s("S 230 Logged in")} +
                                   afterLogin;
        ScriptedServer server(script);
        TIdFTP ftp;
        aim(ftp, server.port());
        ftp.setHost(s(c.host));
        ftp.setAutoIssueFEAT(false);
        ftp.Connect();
        EXPECT_EQ(ftp.Greeting().text.value(0), s(c.greeting));
        ftp.Disconnect();
        EXPECT_EQ(server.session(), clientLines(script));
    }
}

TEST(FtpLogin, FeaturesNameTheClientAndSwitchToUtf8) {
    const QStringList script =
        ss({"S 220 Ready",
            "C USER alice",
            "S 230 Logged in",
            "C FEAT",
            "R 211-Extensions supported:\\r\\n MLST type*;size*;modify*;\\r\\n CLNT\\r\\n",
            "R  UTF8\\r\\n EPSV\\r\\n SITE ZONE;CHMOD\\r\\n211 End\\r\\n",
            "C CLNT Qelto 1.00.00.01 MS Windows",
            "S 200 Noted",
            "C OPTS UTF8 ON",
            "S 501 Refused anyway",
            "C TYPE A",
            "S 200 ok",
            "C SYST",
            "S 500 SYST not understood",
            "C SITE ZONE",
            "S 210 UTC-300",
            "C TYPE A",
            "S 200 ok",
            "C *",
            "S 257 \"/Größe\" created",
            "C QUIT",
            "S 221 Bye"});
    ScriptedServer server(script);
    TIdFTP ftp;
    aimWithoutHost(ftp, server.port());
    ftp.clientInfo().setClientName(s("  Qelto client"));
    ftp.clientInfo().setClientVersion(s("1.00.00.01 beta"));
    ftp.clientInfo().setPlatformDescription(s("MS Windows"));
    ftp.Connect();
    EXPECT_EQ(ftp.Capabilities(),
              ss({"MLST type*;size*;modify*;", "CLNT", "UTF8", "EPSV", "SITE ZONE;CHMOD"}));
    EXPECT_TRUE(ftp.CanUseMLS());
    EXPECT_TRUE(ftp.IsExtSupported(s("utf8")));
    EXPECT_FALSE(ftp.IsExtSupported(s("MLSD")));
    EXPECT_TRUE(ftp.usingUtf8());
    EXPECT_EQ(ftp.SystemDesc(), s("Unknown"));
    EXPECT_EQ(ftp.serverUtcOffsetMinutes(), -300);
    ftp.MakeDir(s("Größe"));
    EXPECT_EQ(ftp.LastCmdResult().text.value(0), s("\"/Größe\" created"));
    ftp.Disconnect();
    EXPECT_EQ(server.session(), clientLinesWith(script, "MKD Gr\xc3\xb6\xc3\x9f"
                                                        "e"));
}

TEST(FtpLogin, WithoutFeaturesNoClientNameNoUtf8NoMachineListings) {
    const QStringList script = ss({"S 220 Ready", "C USER alice", "S 230 Logged in", "C FEAT",
                                   "S 500 Unknown command", "C TYPE A", "S 200 ok", "C SYST", "S 215 UNIX",
                                   "C TYPE A", "S 200 ok", "C *", "S 257 ok", "C QUIT", "S 221 Bye"});
    ScriptedServer server(script);
    TIdFTP ftp;
    aimWithoutHost(ftp, server.port());
    ftp.Connect();
    EXPECT_TRUE(ftp.Capabilities().isEmpty());
    EXPECT_FALSE(ftp.CanUseMLS());
    EXPECT_FALSE(ftp.usingUtf8());
    ftp.MakeDir(s("Größe"));
    ftp.Disconnect();
    EXPECT_EQ(server.session(), clientLinesWith(script, "MKD Gr\xf6\xdf"
                                                        "e"));
}

TEST(FtpLogin, WithoutAutoLoginOnlySystemAndFeatures) {
    const QStringList script = ss({"S 220 Ready", "C SYST", "S 215 UNIX Type: L8", "C FEAT",
                                   "S 211 No features", "C QUIT", "S 221 Bye"});
    ScriptedServer server(script);
    TIdFTP ftp;
    aimWithoutHost(ftp, server.port());
    ftp.setAutoLogin(false);
    ftp.Connect();
    EXPECT_TRUE(ftp.Connected());
    EXPECT_TRUE(ftp.Capabilities().isEmpty());
    ftp.Disconnect();
    EXPECT_EQ(server.session(), clientLines(script));
}

TEST(FtpLogin, NatFastTrackAndExtensionPorts) {
    const QStringList script = ss({"S 220 Ready", "C USER alice", "S 230 Logged in", "C FEAT",
                                   "R 211-Features\\r\\n EPSV\\r\\n211 End\\r\\n", "C TYPE I", "S 200 ok",
                                   "C EPSV ALL", "S 229 Entering extended passive mode", "C ABOR", "S 225 ok",
                                   "C SYST", "S 215 UNIX", "C TYPE I", "S 200 ok", "C QUIT", "S 221 Bye"});
    ScriptedServer server(script);
    TIdFTP ftp;
    aimWithoutHost(ftp, server.port());
    ftp.setTransferType(ftBinary);
    ftp.setTryNATFastTrack(true);
    EXPECT_TRUE(ftp.passive());
    EXPECT_EQ(errorOf([&] { ftp.setPassive(false); }),
              s("Can not use active transfers with NAT fastracking."));
    ftp.Connect();
    // EPRT is not offered, so extension data ports are dropped for this connection.
    EXPECT_FALSE(ftp.usingExtensionDataPort());
    ftp.Disconnect();
    EXPECT_EQ(server.session(), clientLines(script));
}

TEST(FtpSettings, DefaultsAndClientInfo) {
    TIdFTP ftp;
    EXPECT_EQ(ftp.port(), 21);
    EXPECT_FALSE(ftp.passive());
    EXPECT_EQ(ftp.transferType(), ftASCII);
    EXPECT_TRUE(ftp.autoLogin() && ftp.autoIssueFEAT() && ftp.useHOST() && ftp.useMLIS());
    EXPECT_EQ(ftp.readTimeout(), 60000);
    EXPECT_EQ(ftp.listenTimeout(), 10000);
    EXPECT_EQ(ftp.transferTimeout(), 0);
    EXPECT_EQ(ftp.proxySettings().ProxyType, fpcmNone);
    EXPECT_EQ(ftp.proxySettings().Port, 0);
    EXPECT_EQ(ftp.connectTimeLimit(), 120000);
    EXPECT_FALSE(ftp.Connected());

    TIdFTPClientIdentifier info;
    info.setClientName(s("  Qelto\tFTP "));
    EXPECT_EQ(info.clientText(), s("Qelto"));
    info.setPlatformDescription(s("MS Windows"));
    EXPECT_EQ(info.clientText(), s("Qelto")); // the platform only follows a version
    info.setClientVersion(s(" 1.00.00.01 final"));
    EXPECT_EQ(info.clientText(), s("Qelto 1.00.00.01 MS Windows"));
}

} // namespace
