#include "core/console/ConsoleText.h"

#include <gtest/gtest.h>

TEST(ConsoleCommand, RecognisesItsWordsAndKeepsArgumentCase) {
    struct Case {
        const char* typed;
        ConsoleAction action;
        const char* line;
    } cases[] = {
        {"quit", ConsoleAction::Disconnect, "QUIT"},
        {"Bye", ConsoleAction::Disconnect, "BYE"},
        {"close", ConsoleAction::Disconnect, "CLOSE"},
        {"pasv", ConsoleAction::ExtendedPassive, "EPSV = TRUE"},
        {"list", ConsoleAction::DirectoryReport, "LIST"},
        {"dir", ConsoleAction::DirectoryReport, "DIR"},
        {"cwd /Pub", ConsoleAction::Send, "CWD /Pub"},
        {"list /Pub", ConsoleAction::Send, "LIST /Pub"},
        {"site chmod 644 Read.Me", ConsoleAction::Send, "SITE chmod 644 Read.Me"},
        {" quit", ConsoleAction::Send, " QUIT"},
        {"noop ", ConsoleAction::Send, "NOOP "},
        {"", ConsoleAction::Nothing, ""},
        {"   ", ConsoleAction::Nothing, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const ConsoleCommand command = parseConsoleCommand(QString::fromUtf8(c.typed));
        EXPECT_EQ(command.action, c.action);
        EXPECT_EQ(command.line, QString::fromUtf8(c.line));
    }
}

TEST(ConsoleText, EchoBreaksLinesAndMasksThePassword) {
    EXPECT_EQ(consoleSentText(QStringLiteral("NOOP<EOL>")), QStringLiteral("Command >> NOOP\r\n"));
    EXPECT_EQ(consoleSentText(QStringLiteral("PASS secret<EOL>")), QStringLiteral("Command >> PASS ***\r\n"));
    EXPECT_EQ(consoleSentText(QStringLiteral("pass a<eol>b")), QStringLiteral("Command >> pass ***\r\nb"));
    EXPECT_EQ(consoleSentText(QStringLiteral("PASSIVE<EOL>")), QStringLiteral("Command >> PASSIVE\r\n"));
    EXPECT_EQ(consoleReceivedText(QStringLiteral("211-a<EOL> b<eol>211 c<CR>")),
              QStringLiteral("211-a\r\n b\r\n211 c<CR>"));
}

TEST(ConsoleText, SizeTextDropsTheRemainder) {
    const std::pair<qint64, const char*> cases[] = {
        {0, "0 Byte"},        {999, "999 Byte"},    {1000, "1 KByte"},         {999999, "999 KByte"},
        {1000000, "1 MByte"}, {2500000, "2 MByte"}, {5000000000, "5000 MByte"}};
    for (const auto& [size, text] : cases)
        EXPECT_EQ(consoleSizeText(size), QString::fromLatin1(text)) << size;
}

namespace {

QStringList texts(std::initializer_list<const char*> list) {
    QStringList out;
    for (const char* text : list)
        out << QString::fromLatin1(text);
    return out;
}

TIdFTPListItem entry(const char* name, TIdDirItemType type, qint64 size = 0) {
    TIdFTPListItem item;
    item.FileName = QString::fromUtf8(name);
    item.ItemType = type;
    item.Size = size;
    item.ModifiedDate = QDateTime(QDate(2011, 5, 3), QTime(14, 5, 9));
    item.PermissionDisplay = QStringLiteral("rw-r--r--");
    return item;
}

} // namespace

TEST(ConsoleDirectoryReport, FoldersThenFileBlocksInListingOrder) {
    const QList<TIdFTPListItem> entries{entry("b.txt", ditFile, 2500000), entry("pub", ditDirectory),
                                        entry("link", ditSymbolicLink, 12), entry("Docs", ditDirectory)};
    const QStringList report = consoleDirectoryReport(entries, QLocale::c());
    const QStringList expected = texts({
        "\r\n",
        "[ ----- FTP SERVER DIRECTORIES ----- ]\r\n",
        "<DIR>\tpub",
        "<DIR>\tDocs",
        "\r\n",
        "[ ----- FTP SERVER FILES ----- ]\r\n",
        "File name:\tb.txt",
        "File size:\t\t2 MByte",
        "Modified:\t\tDate: 03/05/2011; Time:14:05:09.000",
        "Permisions:\trw-r--r--\r\n",
        "File name:\tlink",
        "File size:\t\t12 Byte",
        "Modified:\t\tDate: 03/05/2011; Time:14:05:09.000",
        "Permisions:\trw-r--r--\r\n",
    });
    EXPECT_EQ(report, expected);
}

TEST(ConsoleDirectoryReport, UsesTheLocaleDateSeparator) {
    const QStringList report = consoleDirectoryReport({entry("a", ditFile)}, QLocale(QLocale::German));
    EXPECT_EQ(report.at(6), QStringLiteral("Modified:\t\tDate: 03.05.2011; Time:14:05:09.000"));
}

TEST(ConsoleDirectoryReport, NoFoldersGivesOnlyTheHeaders) {
    const QStringList report = consoleDirectoryReport({}, QLocale::c());
    EXPECT_EQ(report, texts({"\r\n", "[ ----- FTP SERVER DIRECTORIES ----- ]\r\n", "\r\n",
                             "[ ----- FTP SERVER FILES ----- ]\r\n"}));
}
