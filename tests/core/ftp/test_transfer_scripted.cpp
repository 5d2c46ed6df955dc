// Data connections against the scripted server: passive address forms, refused commands, the end
// handling after an Abort, active mode, uploads and the local file rules. Each test checks the exact
// dialogue and that the control connection is still in step afterwards.
#include "support/FtpTestSupport.h"
#include "core/ftp/TIdAntiFreeze.h"
#include "core/ftp/TIdFTP.h"

#include <QCryptographicHash>
#include <QTcpServer>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using namespace ftptest;

namespace {

// What the scripted server sends on the data connection, and the same bytes as the client gets them.
const char* const payloadStep = "D line one\\r\\nline two\\r\\n\\x00\\xff";
const QByteArray payload("line one\r\nline two\r\n\x00\xff", 22);

// A passive download after `address` (steps that answer PASV or EPSV).
QStringList passiveRetr(const QStringList& address) {
    return loggedIn + address +
           ss({"C RETR remote.bin", "A", "S 150 Opening", payloadStep, "DX", "S 226 Done", "C NOOP",
               "S 200 ok"});
}

// A client logged in to the scripted server, recording the transfer statuses.
struct Client {
    explicit Client(quint16 port, const std::function<void(TIdFTP&)>& setup = {}) {
        aimWithoutHost(ftp, port);
        ftp.setAutoIssueFEAT(false);
        ftp.setPassive(true);
        if (setup) setup(ftp);
        ftp.Connect();
        ftp.OnStatus = [this](TIdStatus status, const QString& text) {
            if (status >= ftpTransfer) statuses.append(text);
        };
    }

    TIdFTP ftp;
    QStringList statuses;
};

// The commands the client sent after its login, once it has disconnected.
QStringList commandsAfterLogin(const ScriptedServer& server, int session = 0) {
    const QStringList lines = server.session(session);
    EXPECT_EQ(lines.mid(0, 4), loginCommands);
    return lines.mid(4);
}

const QStringList completed = ss({"Starting FTP transfer", "Transfer complete"});
const QStringList refused = ss({"Starting FTP transfer", "Transfer aborted"});
const QStringList aborted = ss({"Starting FTP transfer", "Transfer complete", "Transfer aborted"});

class FtpTransferScripted : public ::testing::Test {
protected:
    QString local(const char* name) const { return m_dir.filePath(s(name)); }

    QTemporaryDir m_dir;
};

TEST_F(FtpTransferScripted, PassiveRepliesInEveryFormLeadToTheControlPeer) {
    const struct {
        const char* name;
        const char* reply;
    } cases[] = {
        {"parentheses", "S 227 Entering Passive Mode (127,0,0,1,{p1},{p2})"},
        {"no parentheses", "S 227 Entering Passive Mode 127,0,0,1,{p1},{p2}"},
        {"a private host", "S 227 Entering Passive Mode (10,0,0,1,{p1},{p2})"},
        {"a foreign host", "S 227 Entering Passive Mode (192,0,2,7,{p1},{p2})"},
    };
    TIdAntiFreeze antiFreeze; // gives the data connect a time limit: a wrong host fails, not hangs
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(passiveRetr({s("L"), s("C PASV"), s(c.reply)}));
        Client client(server.port(), [](TIdFTP& ftp) { ftp.setConnectTimeLimit(3000); });
        const QString file = local("got.bin");
        client.ftp.Get(s("remote.bin"), file, true);
        EXPECT_EQ(readFile(file), payload);
        client.ftp.Noop();
        client.ftp.Disconnect();
        EXPECT_EQ(commandsAfterLogin(server), ss({"PASV", "RETR remote.bin", "NOOP", "QUIT"}));
        EXPECT_EQ(client.statuses, completed);
    }
}

TEST_F(FtpTransferScripted, ThePassiveExampleAddressGoesToTheControlPeer) {
    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 1025)) GTEST_SKIP() << "port 1025 is taken";
    }
    TIdAntiFreeze antiFreeze;
    ScriptedServer server(passiveRetr(ss({"L 1025", "C PASV", "S 227 Entering Passive Mode 10,0,0,1,4,1"})));
    Client client(server.port(), [](TIdFTP& ftp) { ftp.setConnectTimeLimit(3000); });
    client.ftp.Get(s("remote.bin"), local("got.bin"), true);
    EXPECT_EQ(readFile(local("got.bin")), payload);
}

TEST_F(FtpTransferScripted, ExtendedPassiveReplies) {
    const struct {
        const char* name;
        QStringList script;
        const char* error;
        QStringList commands;
        TIdFtpProxyType proxy = fpcmNone;
    } cases[] = {
        {"port only", passiveRetr(ss({"L", "C EPSV", "S 229 Entering Extended Passive Mode (|||{port}|)"})),
         "<no error>", ss({"EPSV", "RETR remote.bin", "NOOP", "QUIT"})},
        {"a foreign host",
         passiveRetr(ss({"L", "C EPSV", "S 229 Entering Extended Passive Mode (|1|192.0.2.7|{port}|)"})),
         "<no error>", ss({"EPSV", "RETR remote.bin", "NOOP", "QUIT"})},
        {"refused: PASV instead",
         passiveRetr(ss({"L", "C EPSV", "S 500 Unknown command", "C PASV",
                         "S 227 Entering Passive Mode (127,0,0,1,{p1},{p2})"})),
         "<no error>", ss({"EPSV", "PASV", "RETR remote.bin", "NOOP", "QUIT"})},
        {"a port out of range",
         loggedIn + ss({"C EPSV", "S 229 Entering Extended Passive Mode (|||70000|)", "C ABOR",
                        "S 225 No transfer to ABOR", "C NOOP", "S 200 ok"}),
         "Server sent invalid port number (70000)", ss({"EPSV", "ABOR", "NOOP", "QUIT"})},
        {"through a proxy: the protocol first",
         passiveRetr(ss(
             {"L", "C EPSV 1", "S 501 No", "C EPSV", "S 229 Entering Extended Passive Mode (|||{port}|)"})),
         "<no error>", ss({"EPSV 1", "EPSV", "RETR remote.bin", "NOOP", "QUIT"}), fpcmTransparent},
    };
    TIdAntiFreeze antiFreeze;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(c.script);
        Client client(server.port(), [&](TIdFTP& ftp) {
            ftp.setUseExtensionDataPort(true);
            ftp.setConnectTimeLimit(3000);
            ftp.proxySettings().ProxyType = c.proxy;
        });
        const QString file = local("got.bin");
        QFile::remove(file);
        EXPECT_EQ(errorOf([&] { client.ftp.Get(s("remote.bin"), file, true); }), s(c.error));
        EXPECT_EQ(QFile::exists(file), QByteArray(c.error) == "<no error>");
        client.ftp.Noop();
        client.ftp.Disconnect();
        EXPECT_EQ(commandsAfterLogin(server), c.commands);
    }
}

TEST_F(FtpTransferScripted, RefusedExtendedPortsAreNotTriedAgain) {
    const QStringList data = ss({"S 150 Opening", payloadStep, "DX", "S 226 Done"});
    const struct {
        const char* name;
        bool passive;
        QStringList script;
        QStringList commands;
    } cases[] = {
        {"EPSV", true,
         loggedIn +
             ss({"L", "C EPSV", "S 502 No", "C PASV", "S 227 (127,0,0,1,{p1},{p2})", "C RETR a", "A"}) +
             data + ss({"L", "C PASV", "S 227 (127,0,0,1,{p1},{p2})", "C RETR b", "A"}) + data,
         ss({"EPSV", "PASV", "RETR a", "PASV", "RETR b", "QUIT"})},
        {"EPRT", false,
         loggedIn +
             ss({"C EPRT |1|127.0.0.1|*", "S 502 No", "C PORT 127,0,0,1,*", "S 200 ok", "C RETR a", "O"}) +
             data + ss({"C PORT 127,0,0,1,*", "S 200 ok", "C RETR b", "O"}) + data,
         ss({"EPRT", "PORT", "RETR a", "PORT", "RETR b", "QUIT"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(c.script);
        Client client(server.port(), [&](TIdFTP& ftp) {
            ftp.setUseExtensionDataPort(true);
            ftp.setPassive(c.passive);
        });
        client.ftp.Get(s("a"), local("a"), true);
        EXPECT_FALSE(client.ftp.usingExtensionDataPort());
        client.ftp.Get(s("b"), local("b"), true);
        EXPECT_EQ(readFile(local("b")), payload);
        client.ftp.Disconnect();
        QStringList commands;
        for (const QString& line : commandsAfterLogin(server))
            commands.append(line.startsWith(u'E') || line.startsWith(u'P') ? line.section(u' ', 0, 0) : line);
        EXPECT_EQ(commands, c.commands);
    }
}

// A port nobody listens on right now.
quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The port a PORT or EPRT line names.
int portOf(const QString& line) {
    if (line.startsWith(s("EPRT "))) return line.section(u'|', 3, 3).toInt();
    const QStringList numbers = line.mid(5).split(u',');
    return numbers.size() == 6 ? numbers[4].toInt() * 256 + numbers[5].toInt() : -1;
}

TEST_F(FtpTransferScripted, ActiveModeListensOnTheControlAddress) {
    const quint16 fixed = freePort();
    const quint16 low = freePort();
    const struct {
        const char* name;
        bool extended;
        const char* portStep;
        quint16 dataPort, min, max;
    } cases[] = {
        {"PORT, any port", false, "C PORT 127,0,0,1,*", 0, 0, 0},
        {"EPRT, any port", true, "C EPRT |1|127.0.0.1|*", 0, 0, 0},
        {"DataPort", false, "C PORT 127,0,0,1,*", fixed, 0, 0},
        {"a port range", true, "C EPRT |1|127.0.0.1|*", 0, low, quint16(low + 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(loggedIn + ss({c.portStep, "S 200 ok", "C RETR remote.bin", "S 150 Opening",
                                             "O", payloadStep, "DX", "S 226 Done", "C NOOP", "S 200 ok"}));
        Client client(server.port(), [&](TIdFTP& ftp) {
            ftp.setPassive(false);
            ftp.setUseExtensionDataPort(c.extended);
            ftp.setDataPort(c.dataPort);
            ftp.setDataPortMin(c.min);
            ftp.setDataPortMax(c.max);
        });
        client.ftp.Get(s("remote.bin"), local("got.bin"), true);
        EXPECT_EQ(readFile(local("got.bin")), payload);
        client.ftp.Noop();
        client.ftp.Disconnect();
        const QStringList commands = commandsAfterLogin(server);
        EXPECT_EQ(commands.mid(1), ss({"RETR remote.bin", "NOOP", "QUIT"}));
        const int port = portOf(commands.value(0));
        if (c.dataPort != 0) {
            EXPECT_EQ(port, c.dataPort);
        }
        if (c.min != 0) {
            EXPECT_GE(port, c.min);
            EXPECT_LE(port, c.max);
        }
        EXPECT_GT(port, 0);
        EXPECT_EQ(client.statuses, completed);
    }
}

TEST_F(FtpTransferScripted, ActiveModeTakesDataOnlyFromTheServer) {
    // Another host connecting to the listening port first must not slip its data into the file.
    ScriptedServer server(loggedIn +
                          ss({"C PORT 127,0,0,1,*", "S 200 ok", "C RETR remote.bin", "S 150 Opening",
                              "O 127.0.0.2", "D intruder", "DX", "O", payloadStep, "DX", "S 226 Done"}));
    Client client(server.port(), [](TIdFTP& ftp) { ftp.setPassive(false); });
    client.ftp.Get(s("remote.bin"), local("got.bin"), true);
    EXPECT_EQ(readFile(local("got.bin")), payload);
}

TEST_F(FtpTransferScripted, PretGoesFirstWhenOffered) {
    ScriptedServer server(ss({"S 220 Ready",
                              "C USER alice",
                              "S 230 Logged in",
                              "C FEAT",
                              "R 211-Features:\\r\\n PRET\\r\\n211 End\\r\\n",
                              "C TYPE A",
                              "S 200 ok",
                              "C SYST",
                              "S 215 UNIX",
                              "C TYPE A",
                              "S 200 ok",
                              "C PRET RETR remote.bin",
                              "S 200 Ready",
                              "L",
                              "C PASV",
                              "S 227 (127,0,0,1,{p1},{p2})",
                              "C RETR remote.bin",
                              "A",
                              "S 150 Opening",
                              payloadStep,
                              "DX",
                              "S 226 Done"}));
    TIdFTP ftp;
    connectPassive(ftp, server.port());
    ftp.Get(s("remote.bin"), local("got.bin"), true);
    EXPECT_EQ(readFile(local("got.bin")), payload);
    ftp.Disconnect();
    EXPECT_FALSE(server.rawTranscript().contains("!!")) << server.rawTranscript().toStdString();
}

TEST_F(FtpTransferScripted, DataConnectionsThatNeverComeOrStall) {
    const struct {
        const char* name;
        bool passive;
        QStringList script;
        const char* error;
    } cases[] = {
        {"the server never connects", false,
         loggedIn + ss({"C PORT *", "S 200 ok", "C RETR remote.bin", "S 150 Opening", "P 1",
                        "S 425 No data connection", "C NOOP", "S 200 ok"}),
         "Accept timed out."},
        {"the data stops flowing", true,
         loggedIn +
             ss({"L", "C PASV", "S 227 (127,0,0,1,{p1},{p2})", "C RETR remote.bin", "A", "S 150 Opening",
                 "D partial", "P 1", "S 426 Connection closed", "C NOOP", "S 200 ok"}),
         "Read timed out."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(c.script);
        Client client(server.port(), [&](TIdFTP& ftp) {
            ftp.setPassive(c.passive);
            ftp.setListenTimeout(300);
            ftp.setTransferTimeout(300);
        });
        writeFile(local("got.bin"), "old");
        EXPECT_EQ(errorOf([&] { client.ftp.Get(s("remote.bin"), local("got.bin"), true); }), s(c.error));
        EXPECT_EQ(readFile(local("got.bin")), "old"); // a failed download replaces nothing
        client.ftp.Noop();                            // the closing reply was read in step
        client.ftp.Disconnect();
        EXPECT_EQ(commandsAfterLogin(server).mid(1), ss({"RETR remote.bin", "NOOP", "QUIT"}));
    }
}

TEST_F(FtpTransferScripted, RefusedTransferCommands) {
    const QStringList pasv = ss({"L", "C PASV", "S 227 (127,0,0,1,{p1},{p2})"});
    const struct {
        const char* name;
        QStringList script;
        const char* error;
        int code;
    } cases[] = {
        // A busy file is not downloaded: no empty file takes the place of the one that was there.
        {"450 to RETR", pasv + ss({"C RETR remote.bin", "S 450 File busy"}), "File busy\r\n", 450},
        {"550 to RETR", pasv + ss({"C RETR remote.bin", "S 550 No such file"}), "No such file\r\n", 550},
        {"PASV refused", ss({"C PASV", "S 500 Passive off"}), "Passive off\r\n", 500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(loggedIn + c.script + ss({"C NOOP", "S 200 ok"}));
        Client client(server.port());
        writeFile(local("got.bin"), "old");
        try {
            client.ftp.Get(s("remote.bin"), local("got.bin"), true);
            ADD_FAILURE() << "no error";
        } catch (const FtpReplyError& error) {
            EXPECT_EQ(error.text(), s(c.error));
            EXPECT_EQ(error.code(), c.code);
        }
        EXPECT_EQ(readFile(local("got.bin")), "old");
        EXPECT_EQ(client.statuses, refused);
        client.ftp.Noop();
        client.ftp.Disconnect();
    }
}

TEST_F(FtpTransferScripted, ListingAnswered450IsEmpty) {
    // "LIST -a" and LIST both: the folder is empty.
    ScriptedServer server(loggedIn + ss({"L", "C PASV", "S 227 (127,0,0,1,{p1},{p2})", "C LIST -a",
                                         "S 450 No files", "L", "C PASV", "S 227 (127,0,0,1,{p1},{p2})",
                                         "C LIST", "S 450 No files", "C NOOP", "S 200 ok"}));
    Client client(server.port());
    QStringList lines = ss({"stale"});
    client.ftp.List(&lines);
    EXPECT_EQ(lines, QStringList());
    EXPECT_TRUE(client.ftp.DirectoryListing().isEmpty());
    EXPECT_EQ(client.statuses, refused + refused);
    client.ftp.Noop();
}

TEST_F(FtpTransferScripted, EndlessListingIsCutOff) {
    const qint64 lines = TIdFTP::MaxListingBytes / 1024 + 1;
    const QString line = QString(1023, u'x') + s("\\n");
    ScriptedServer server(loggedIn + QStringList{s("L"), s("C PASV"), s("S 227 (127,0,0,1,{p1},{p2})"),
                                                 s("C LIST -a"), s("A"), s("S 150 Here it comes"),
                                                 QStringLiteral("DN %1 %2").arg(lines).arg(line),
                                                 s("S 426 Cut off"), s("C NOOP"), s("S 200 ok")});
    Client client(server.port());
    EXPECT_EQ(errorOf([&] { client.ftp.List(nullptr); }), s("Listing too large"));
    client.ftp.Noop();
}

TEST_F(FtpTransferScripted, AbortReadsEveryReplySequence) {
    const struct {
        const char* name;
        const char* replies;
        const char* error;
    } cases[] = {
        {"426 then 226", "R 426 Aborted\\r\\n226 ABOR ok\\r\\n", "Operation aborted."},
        {"225 alone", "S 225 ABOR ok", "Operation aborted."},
        {"226 then 225", "R 226 Done\\r\\n225 ABOR ok\\r\\n", "Operation aborted."},
        {"226 three times", "R 226 Done\\r\\n226 ABOR ok\\r\\n226 Really\\r\\n", "Operation aborted."},
        {"451 then 226", "R 451 Local error\\r\\n226 ABOR ok\\r\\n", "Operation aborted."},
        {"550 then 225", "R 550 Gone\\r\\n225 ABOR ok\\r\\n", "Operation aborted."},
        {"552 alone", "S 552 Exceeded", "Operation aborted."},
        {"a reply outside the list", "S 500 What", "What\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(loggedIn +
                              ss({"L", "C PASV", "S 227 (127,0,0,1,{p1},{p2})", "C RETR remote.bin", "A",
                                  "S 150 Opening", payloadStep, "C ABOR", c.replies, "C NOOP", "S 200 ok"}));
        Client client(server.port());
        QString nestedError;
        client.ftp.OnWork = [&](TWorkMode, qint64) {
            if (!nestedError.isEmpty()) return;
            nestedError = errorOf([&] { client.ftp.List(nullptr); });
            client.ftp.Abort();
        };
        EXPECT_EQ(errorOf([&] { client.ftp.Get(s("remote.bin"), local("got.bin"), true); }), s(c.error));
        EXPECT_EQ(nestedError, s("A transfer is already running on this connection"));
        EXPECT_FALSE(QFile::exists(local("got.bin")));
        EXPECT_EQ(client.statuses, aborted);
        client.ftp.Noop(); // fails when a reply was left unread or one too many was waited for
        client.ftp.Disconnect();
        EXPECT_EQ(commandsAfterLogin(server), ss({"PASV", "RETR remote.bin", "ABOR", "NOOP", "QUIT"}));
    }
}

TEST_F(FtpTransferScripted, Uploads) {
    QByteArray content;
    for (int i = 0; i < 300000; ++i)
        content += char(i * 7 % 251);
    const QString digest =
        QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Md5).toHex());
    writeFile(local("source file.bin"), content);
    const QStringList pasv = ss({"L", "C PASV", "S 227 (127,0,0,1,{p1},{p2})"});
    const struct {
        const char* name;
        const char* destination;
        bool append;
        const char* command;
    } cases[] = {
        {"STOR named after the local file", "", false, "C STOR source file.bin"},
        {"STOR", "up.bin", false, "C STOR up.bin"},
        {"APPE", "up.bin", true, "C APPE up.bin"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(loggedIn + pasv + ss({c.command, "A", "S 150 Go ahead", "DR", "S 226 Stored"}));
        Client client(server.port());
        qint64 expected = -1;
        qint64 last = 0;
        client.ftp.OnWorkBegin = [&](TWorkMode mode, qint64 count) {
            EXPECT_EQ(mode, wmWrite);
            expected = count;
        };
        client.ftp.OnWork = [&](TWorkMode, qint64 count) { last = count; };
        client.ftp.Put(local("source file.bin"), s(c.destination), c.append);
        EXPECT_EQ(expected, content.size());
        EXPECT_EQ(last, content.size());
        EXPECT_EQ(client.statuses, completed);
        client.ftp.Disconnect();
        EXPECT_EQ(commandsAfterLogin(server),
                  QStringList({s("PASV"), s(c.command).mid(2),
                               QStringLiteral("DATA %1 %2").arg(content.size()).arg(digest), s("QUIT")}));
    }
}

TEST_F(FtpTransferScripted, UploadFromAPipe) {
    // A pipe cannot be sent from the page cache: the upload copies it block by block instead.
    const QString fifo = local("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QByteArray content(3 * 1024 * 1024 + 5, 'p');
    std::thread writer([&] {
        QFile file(fifo);
        if (file.open(QIODevice::WriteOnly)) file.write(content);
    });
    ScriptedServer server(loggedIn + ss({"L", "C PASV", "S 227 (127,0,0,1,{p1},{p2})", "C STOR up.bin", "A",
                                         "S 150 Go ahead", "DR", "S 226 Stored"}));
    Client client(server.port());
    client.ftp.Put(fifo, s("up.bin"));
    writer.join();
    client.ftp.Disconnect();
    EXPECT_EQ(
        commandsAfterLogin(server).value(2),
        QStringLiteral("DATA %1 %2")
            .arg(content.size())
            .arg(QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Md5).toHex())));
}

TEST_F(FtpTransferScripted, UploadsTheServerCutsShort) {
    writeFile(local("big.bin"), QByteArray(16 * 1024 * 1024, 'u'));
    const QStringList start = loggedIn + ss({"L", "C PASV", "S 227 (127,0,0,1,{p1},{p2})", "C STOR big.bin",
                                             "A", "S 150 Go ahead", "DR 65536", "DX"});
    const struct {
        const char* name;
        QStringList end;
        const char* error;
    } cases[] = {
        // The server's closing reply decides: its refusal is reported...
        {"then refuses", ss({"S 426 Connection closed; transfer aborted.", "C NOOP", "S 200 ok"}),
         "Connection closed; transfer aborted.\r\n"},
        // ...and one that confirms a file it took only part of has not got the file.
        {"then confirms", ss({"S 226 Enough", "C NOOP", "S 200 ok"}),
         "Data connection closed before the whole file was sent."},
        // A server that hangs up without a word has not confirmed anything.
        {"then hangs up", ss({"X"}), "Connection Closed Gracefully."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(start + c.end);
        Client client(server.port());
        EXPECT_EQ(errorOf([&] { client.ftp.Put(local("big.bin")); }), s(c.error));
        if (client.ftp.Connected()) client.ftp.Noop();
    }
}

TEST_F(FtpTransferScripted, LocalFileProblemsStopBeforeAnythingIsSent) {
    ScriptedServer server(loggedIn + ss({"C REST 1", "S 502 No restarts", "C REST 0", "S 502 No restarts"}));
    Client client(server.port());
    writeFile(local("exists.bin"), "keep me");
    EXPECT_EQ(errorOf([&] { client.ftp.Get(s("remote.bin"), local("exists.bin")); }),
              s("Destination file already exists."));
    EXPECT_TRUE(errorOf([&] {
                    client.ftp.Get(s("remote.bin"), local("no/such/folder/x.bin"), true);
                }).startsWith(s("Cannot create file \"") + local("no/such/folder/x.bin") + s("\". ")));
    EXPECT_TRUE(errorOf([&] { client.ftp.Put(local("missing.bin")); }).startsWith(s("Cannot open file")));
    EXPECT_EQ(errorOf([&] { client.ftp.Put(QString()); }), s("The destination filename can not be empty"));
    // Without restarts a resumed download is a fresh one, so the file must not exist; asked once only.
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(errorOf([&] { client.ftp.Get(s("remote.bin"), local("exists.bin"), false, true); }),
                  s("Destination file already exists."));
    EXPECT_EQ(readFile(local("exists.bin")), "keep me");
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), ss({"exists.bin"}));
    client.ftp.Disconnect();
    EXPECT_EQ(commandsAfterLogin(server), ss({"REST 1", "REST 0", "QUIT"}));
}

} // namespace
