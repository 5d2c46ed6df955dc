#include "core/browse/RemoteListing.h"

#include <gtest/gtest.h>

TEST(ByteSizeText, ValuesUnitsAndRounding) {
    struct Case {
        qint64 n;
        const char* text;
    } cases[] = {
        {0, "       0 Byte"},
        {999, "     999 Byte"},
        {-1, "      -1 Byte"},
        {1000, "       1 KByte"},
        {1500, "       2 KByte"}, // halves away from zero
        {2500, "       3 KByte"}, // not to even
        {999499, "     999 KByte"},
        {999500, "    1000 KByte"}, // the rounding carries without switching the unit
        {999999, "    1000 KByte"},
        {1000000, "       1 MByte"},
        {5000000000LL, "    5000 MByte"},
        {123456789012345LL, "123456789 MByte"}, // a longer number is not cut
    };
    for (const Case& c : cases)
        EXPECT_EQ(ByteSizeText(c.n), QString::fromLatin1(c.text)) << c.n;
}

TEST(FileIconIndex, ExtensionKeyAndLastMatchWins) {
    const QStringList catalogue{QStringLiteral("<ROOT>"), QStringLiteral("<UP>"), QStringLiteral("<DIR>"),
                                QStringLiteral("<FILE>"), QStringLiteral(".TXT"), QStringLiteral(".GZ"),
                                QStringLiteral(""),       QStringLiteral(".TXT"), QStringLiteral(".")};
    struct Case {
        const char* name;
        int index;
    } cases[] = {
        {"readme.txt", 7},
        {"README.TXT", 7}, // same icon, last matching row
        {"archive.tar.gz", 5},
        {"Makefile", 6}, // no point: the row with an empty extension
        {"odd.", 8},     // ends in a point: key "."
        {"x.unknown", 3},
        {"dir.v1\\file", 6}, // a "\" after the point: empty key
        {"c:\\x.", 8},
        {"a.b:c", 6},
        {"\xc3\xa9t\xc3\xa9.t\xc3\xa9xt", 3}, // only a to z are upper-cased
    };
    for (const Case& c : cases)
        EXPECT_EQ(fileIconIndex(QString::fromUtf8(c.name), catalogue), c.index) << c.name;
    EXPECT_EQ(fileIconIndex(QStringLiteral("a.txt"), {}), 3);
}

TEST(JoinRemotePath, SlashRule) {
    struct Case {
        const char* dir;
        const char* name;
        const char* path;
    } cases[] = {
        {"/", "pub", "/pub"}, {"/pub", "x", "/pub/x"}, {"/pub/x", "y", "/pub/x/y"},
        {"", "a", "a"},       {"dir", "a", "dir/a"},   {"/pub/", "x", "/pub//x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JoinRemotePath(QString::fromLatin1(c.dir), QString::fromLatin1(c.name)),
                  QString::fromLatin1(c.path))
            << c.dir << " + " << c.name;
}

TEST(ListingRowNumber, CountsRowsNotNames) {
    EXPECT_EQ(listingRowNumber(0, 0), QString());
    EXPECT_EQ(listingRowNumber(1, 1), QString());
    EXPECT_EQ(listingRowNumber(2, 0), QStringLiteral("-1"));
    EXPECT_EQ(listingRowNumber(3, 2), QStringLiteral("1"));
}
