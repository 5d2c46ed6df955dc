#include "support/FtpTestSupport.h"
#include "core/base/Errors.h"
#include "core/ftp/DataAddress.h"

#include <gtest/gtest.h>

using ftptest::errorOf;

namespace {

// A reply line and the host and port the parser must find in it.
struct AddressCase {
    const char* line;
    const char* host;
    quint16 port;
};

void expectAddresses(DataAddress (*parse)(const QString&), std::initializer_list<AddressCase> cases) {
    for (const AddressCase& c : cases) {
        const DataAddress address = parse(QString::fromLatin1(c.line));
        EXPECT_EQ(address.host, QString::fromLatin1(c.host)) << c.line;
        EXPECT_EQ(address.port, c.port) << c.line;
    }
}

} // namespace

TEST(PasvReply, SixNumbersGiveHostAndPort) {
    expectAddresses(parsePasvReply,
                    {{"227 Entering Passive Mode (10,0,0,1,4,1)", "10.0.0.1", 1025},
                     {"227 Entering Passive Mode 10,0,0,1,4,1", "10.0.0.1", 1025},
                     {"Entering Passive Mode (127,0,0,1,255,255).  ", "127.0.0.1", 65535},
                     {"227 Entering Passive Mode (192, 168, 1, 20, 0, 21)", "192.168.1.20", 21},
                     {"227 Entering Passive Mode (010,000,000,001,004,001)", "10.0.0.1", 1025},
                     {"10,0,0,1,4,1", "10.0.0.1", 1025}});
}

TEST(PasvReply, BadNumbersAreRefused) {
    for (const char* line : {
             "227 Entering Passive Mode (10,0,0,256,4,1)",
             "227 Entering Passive Mode (10,0,0,1,4,1000)",
             "227 Entering Passive Mode (10,0,0,1,4)",
             "227 Entering Passive Mode (10,0,0,1,4,1,7)",
             "227 Entering Passive Mode (10,0,0,-1,4,1)",
             "227 Entering Passive Mode (10,0,0,+1,4,1)",
             "227 Entering Passive Mode (10,0,0,1,4,,1)",
             "227 Entering Passive Mode (a,b,c,d,e,f)",
             "227 Entering Passive Mode (99999999999999999999,0,0,1,4,1)",
             "227 Entering Passive Mode (10,0,0,1,0,0)", // port 0 cannot be connected to
             "227 Entering Passive Mode ()",
             "227 Entering Passive Mode",
             "",
         }) {
        EXPECT_TRUE(errorOf([&] {
                        parsePasvReply(QString::fromLatin1(line));
                    }).startsWith(QStringLiteral("Server sent invalid passive address (")))
            << line;
    }
    EXPECT_EQ(errorOf([] { parsePasvReply(QStringLiteral("227 Entering Passive Mode (10,0,0,300,4,1)")); }),
              QStringLiteral("Server sent invalid passive address (10,0,0,300,4,1)"));
    const QString hostile = QStringLiteral("227 (") + QString(100000, u'9') + u')';
    EXPECT_LT(errorOf([&] { parsePasvReply(hostile); }).size(), 200);
}

TEST(EpsvReply, DelimitedPort) {
    expectAddresses(parseEpsvReply,
                    {{"229 Entering Extended Passive Mode (|||6446|)", "", 6446},
                     {"229 Entering Extended Passive Mode (!!!6446!)", "", 6446},
                     {"229 Entering Extended Passive Mode (|1|10.0.0.5|2121|)", "10.0.0.5", 2121},
                     {"229 Entering Extended Passive Mode (|||65535|)", "", 65535},
                     {"229 Entering Extended Passive Mode (|||1)", "", 1}});
}

TEST(EpsvReply, BadPortIsRefusedWithItsText) {
    struct Case {
        const char* line;
        const char* error;
    };
    const Case cases[] = {
        {"229 Entering Extended Passive Mode (|||0|)", "Server sent invalid port number (0)"},
        {"229 Entering Extended Passive Mode (|||65536|)", "Server sent invalid port number (65536)"},
        {"229 Entering Extended Passive Mode (|||99999999999999999999|)",
         "Server sent invalid port number (99999999999999999999)"},
        {"229 Entering Extended Passive Mode (|||-1|)", "Server sent invalid port number (-1)"},
        {"229 Entering Extended Passive Mode (|||abc|)", "Server sent invalid port number (abc)"},
        {"229 Entering Extended Passive Mode (|||6446!)", "Server sent invalid port number (6446!)"},
        {"229 Entering Extended Passive Mode (|||)", "Server sent invalid port number ()"},
        {"229 Entering Extended Passive Mode (||6446|)", "Server sent invalid port number ()"},
        {"229 Entering Extended Passive Mode ()", "Server sent invalid port number ()"},
        {"229 Entering Extended Passive Mode |||6446|", "Server sent invalid port number ()"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorOf([&] { parseEpsvReply(QString::fromLatin1(c.line)); }), QString::fromLatin1(c.error))
            << c.line;
}

TEST(ActiveArguments, PortAndEprtTexts) {
    EXPECT_EQ(portArgument(QHostAddress(QStringLiteral("10.0.0.1")), 1025), QStringLiteral("10,0,0,1,4,1"));
    EXPECT_EQ(portArgument(QHostAddress(QStringLiteral("192.168.1.20")), 21),
              QStringLiteral("192,168,1,20,0,21"));
    EXPECT_EQ(portArgument(QHostAddress(QStringLiteral("127.0.0.1")), 65535),
              QStringLiteral("127,0,0,1,255,255"));
    EXPECT_EQ(portArgument(QHostAddress(QStringLiteral("::ffff:10.0.0.1")), 256),
              QStringLiteral("10,0,0,1,1,0"));
    EXPECT_NE(errorOf([] { portArgument(QHostAddress(QStringLiteral("::1")), 21); }),
              QStringLiteral("<no error>"));
    EXPECT_NE(errorOf([] { portArgument(QHostAddress(), 21); }), QStringLiteral("<no error>"));

    EXPECT_EQ(eprtArgument(QHostAddress(QStringLiteral("10.0.0.1")), 1025),
              QStringLiteral("|1|10.0.0.1|1025|"));
    EXPECT_EQ(eprtArgument(QHostAddress(QStringLiteral("::ffff:10.0.0.1")), 7),
              QStringLiteral("|1|10.0.0.1|7|"));
    EXPECT_EQ(eprtArgument(QHostAddress(QStringLiteral("::1")), 5), QStringLiteral("|2|::1|5|"));
    EXPECT_NE(errorOf([] { eprtArgument(QHostAddress(), 21); }), QStringLiteral("<no error>"));
}

TEST(DataHost, OnlyTheControlPeerIsEverUsed) {
    const QHostAddress peer(QStringLiteral("192.168.1.10"));
    struct Case {
        const char* replyHost;
        const char* chosen;
    };
    const Case cases[] = {
        {"192.168.1.10", "192.168.1.10"},
        // another machine of the user's network
        {"10.0.0.99", "192.168.1.10"},
        {"127.0.0.1", "192.168.1.10"},
        {"0.0.0.0", "192.168.1.10"},
        {"", "192.168.1.10"},
        {"not an address", "192.168.1.10"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(chooseDataHost(QString::fromLatin1(c.replyHost), peer), QString::fromLatin1(c.chosen))
            << c.replyHost;

    // A peer seen as an IPv4-mapped address still matches and is given in IPv4 form.
    const QHostAddress mapped(QStringLiteral("::ffff:192.168.1.10"));
    EXPECT_EQ(chooseDataHost(QStringLiteral("192.168.1.10"), mapped), QStringLiteral("192.168.1.10"));
    EXPECT_EQ(chooseDataHost(QStringLiteral("10.0.0.99"), mapped), QStringLiteral("192.168.1.10"));

    EXPECT_EQ(errorOf([] { chooseDataHost(QStringLiteral("10.0.0.1"), QHostAddress()); }),
              QStringLiteral("Not Connected"));
}
