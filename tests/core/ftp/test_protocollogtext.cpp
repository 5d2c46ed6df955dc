#include "core/ftp/ProtocolLogText.h"

#include <QLocale>
#include <gtest/gtest.h>

TEST(ProtocolLogText, HeadersAndLines) {
    QLocale::setDefault(QLocale::c());
    const QDateTime t(QDate(2012, 4, 18), QTime(20, 5, 8, 123));
    EXPECT_EQ(LocalDateText(t), QStringLiteral("Local Date: Wednesday 18 April 2012"));
    EXPECT_EQ(LocalTimeText(t), QStringLiteral("Local Time: 20:05:08, 123 ms"));
    EXPECT_EQ(receivedHistoryHeader(t),
              QStringLiteral("\r\nLocal Date: Wednesday 18 April 2012\r\n"
                             "Local Time: 20:05:08, 123 ms\r\n\r\nSERVER RESEIVED:\r\n"));
    EXPECT_EQ(sentHistoryHeader(t), QStringLiteral("\r\nLocal Date: Wednesday 18 April 2012; "
                                                   "Local Time: 20:05:08, 123 ms\r\n\r\nCLIENT SENT:\r\n"));
    EXPECT_EQ(debugSentLine(QStringLiteral("USER anonymous<EOL>"), t),
              QStringLiteral("20:05:08.123 >> Client: USER anonymous<EOL>"));
    EXPECT_EQ(debugReceivedLine(QStringLiteral("331 Password required<EOL>"), t),
              QStringLiteral("20:05:08.123 << Server: 331 Password required<EOL>"));
}

TEST(ProtocolLogText, HistoryBreaksOnEveryEolMarkerOnly) {
    EXPECT_EQ(historyBlockText(QStringLiteral("211-a<EOL> b<eol>211 c<Eol>")),
              QStringLiteral("211-a\r\n b\r\n211 c\r\n"));
    EXPECT_EQ(historyBlockText(QStringLiteral("x<CR>y<LF>")), QStringLiteral("x<CR>y<LF>"));
}

TEST(ProtocolLogText, SecretsAreMaskedInSentBlocks) {
    const struct {
        QByteArray sent, shown;
    } cases[] = {
        {"PASS demo\r\n", "PASS ****\r\n"},
        {"pass CARD SAD MINI RYE COL KIN\r\n", "pass ****\r\n"},
        {"ACCT acc1\r\n", "ACCT ****\r\n"},
        {"PASS secret@ppass", "PASS ****"},
        {"USER alice\r\nPASS x\r\nNOOP\r\n", "USER alice\r\nPASS ****\r\nNOOP\r\n"},
        {"PASS\r\n", "PASS\r\n"},
        {"PASSWORD x\r\n", "PASSWORD x\r\n"},
        {"USER alice\r\n", "USER alice\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(maskSecretArguments(c.sent), c.shown) << c.sent.constData();
}
