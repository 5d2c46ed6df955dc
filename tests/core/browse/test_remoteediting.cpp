// The caption of a new folder and the permission texts of the remote file operations.
#include "core/browse/RemoteEditing.h"

#include <gtest/gtest.h>

namespace {

QStringList captions(std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* text : texts)
        list << QString::fromUtf8(text);
    return list;
}

} // namespace

TEST(NewFolderCaption, CountsTheCaptionsHoldingNewWithExactCase) {
    struct Case {
        QStringList items;
        const char* caption;
    } cases[] = {
        {captions({}), "New"},
        {captions({"renew.txt", "NEW", "news"}), "New"}, // "new" is not "New"
        {captions({"New", "New_1", "Newsletter.txt"}), "New_3"},
        {captions({"a", "New_5", ""}), "New_1"}, // the count, not the next free number
        {captions({"My New Folder"}), "New_1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(newFolderCaption(c.items), QString::fromLatin1(c.caption))
            << c.items.join(u',').toStdString();
}

TEST(PermissionMode, TextToOctalKeepsSpecialBits) {
    struct Case {
        const char* text;
        const char* octal;
    } cases[] = {
        {"-rwxr-xr-x", "755"},  {"-rw-r--r--", "644"},  {"drwx------", "700"}, {"", "000"},
        {"-rw", "600"},                                                        // past the end counts as clear
        {"-RWXrwx---", "070"},                                                 // upper case is no permission
        {"-rwsr-xr-x", "4755"},                                                // set-user-ID with execute
        {"-rwSr--r--", "4644"},                                                // set-user-ID without execute
        {"-rwxr-sr-x", "2755"}, {"drwxrwxrwt", "1777"},                        // sticky folder
        {"drwxrwxrwT", "1776"}, {"-rws--S--T", "7700"}, {"?r-xq-x?-w", "510"}, // the first character is only
                                                                               // the type
    };
    for (const Case& c : cases)
        EXPECT_EQ(octalText(permissionMode(QString::fromLatin1(c.text))), QString::fromLatin1(c.octal))
            << c.text;
}

TEST(PermissionMode, OnlyModeTextsTellTheBits) {
    for (const char* text : {"-rwxr-xr-x", "drwsr-S--T", "-rw-r--r--+", "lrwxrwxrwx"})
        EXPECT_TRUE(isPermissionText(QString::fromLatin1(text))) << text;
    for (const char* text : {"", "adfrw", "elradfmwMT", "-rw-r--r", "-rwxq-xr-x"})
        EXPECT_FALSE(isPermissionText(QString::fromLatin1(text))) << text;
}

TEST(PermissionMode, FoldersOfATreeChangeKeepExecuteWhereverReadIsSet) {
    EXPECT_EQ(octalText(folderMode(0644)), QStringLiteral("755"));
    EXPECT_EQ(octalText(folderMode(0600)), QStringLiteral("700"));
    EXPECT_EQ(octalText(folderMode(0220)), QStringLiteral("220"));
    EXPECT_EQ(octalText(folderMode(04640)), QStringLiteral("4750"));
}

TEST(NameClash, OnlyAFileOntoAListedFileIsAReplacement) {
    const QList<NamedEntry> listing{
        {QStringLiteral("a.txt"), false}, {QStringLiteral("docs"), true}, {QStringLiteral("Read Me"), false}};
    struct Case {
        const char* name;
        bool folder;
        NameClash clash;
    } cases[] = {
        {"a.txt", false, NameClash::FileOnFile}, {"b.txt", false, NameClash::None},
        {"A.TXT", false, NameClash::None}, // letter case exact, as the server compares
        {"a.txt", true, NameClash::Folder},      {"docs", false, NameClash::Folder},
        {"docs", true, NameClash::Folder},       {"Read Me", false, NameClash::FileOnFile},
        {"Read", false, NameClash::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nameClash(listing, {QString::fromUtf8(c.name), c.folder}), c.clash) << c.name << c.folder;
}

TEST(PasteOntoSource, TheSourceFolderAndEverythingInsideACopiedFolderAreFound) {
    EXPECT_TRUE(sameRemoteFolder(QStringLiteral("/pub/"), QStringLiteral("/pub")));
    EXPECT_TRUE(sameRemoteFolder(QStringLiteral("/"), QStringLiteral("/")));
    EXPECT_FALSE(sameRemoteFolder(QStringLiteral("/pub"), QStringLiteral("/pub/a")));

    const QStringList folders{QStringLiteral("a"), QStringLiteral("b c")};
    struct Case {
        const char* target;
        const char* source;
        const char* holder; // empty: no copied folder holds the target
    } cases[] = {
        {"/pub/a", "/pub", "/pub/a"},
        {"/pub/a/", "/pub/", "/pub/a"},
        {"/pub/a/x/y", "/pub", "/pub/a"},
        {"/pub/b c/d", "/pub", "/pub/b c"},
        {"/a", "/", "/a"},
        {"/a/b", "/", "/a"},
        {"/pub", "/pub", ""},
        {"/pub/ab", "/pub", ""},
        {"/pub/b", "/pub", ""}, // names that only begin alike
        {"/", "/pub", ""},
        {"/dst/a", "/pub", ""},
        {"/pubx/a", "/pub", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(copiedFolderHolding(QString::fromUtf8(c.target), QString::fromUtf8(c.source), folders),
                  QString::fromUtf8(c.holder))
            << c.target << " from " << c.source;
}
