#include "core/ftp/ListLineParse.h"

#include <gtest/gtest.h>

namespace {

// Every case is read against this moment (local time).
const QDateTime now(QDate(2024, 3, 15), QTime(12, 0), Qt::LocalTime);

QDateTime local(int y, int mo, int d, int h = 0, int mi = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi), Qt::LocalTime);
}

} // namespace

TEST(ListLine, RealWorldLinesGiveTheirEntries) {
    struct Case {
        const char* line;
        const char* name;
        TIdDirItemType type;
        qint64 size;
        QDateTime modified;
        const char* permissions;
        const char* linkTarget;
    };
    const Case cases[] = {
        // vsftpd: numeric owner and group, the time form for this year's files.
        {"drwxr-xr-x    2 0        0            4096 Jan 01 12:00 pub", "pub", ditDirectory, 4096,
         local(2024, 1, 1, 12, 0), "drwxr-xr-x", ""},
        {"-rw-r--r--    1 102      105      1073741824 Mar 15 11:59 big.bin", "big.bin", ditFile, 1073741824,
         local(2024, 3, 15, 11, 59), "-rw-r--r--", ""},
        // GNU ls and ProFTPD: names, the year form, names with blanks, one starting with blanks.
        {"-rw-r--r--   1 alice staff     123 Dec 24  2022 notes.txt", "notes.txt", ditFile, 123,
         local(2022, 12, 24), "-rw-r--r--", ""},
        {"-rw-r--r--   1 alice staff       5 Jun  3  2021 my file  two.txt", "my file  two.txt", ditFile, 5,
         local(2021, 6, 3), "-rw-r--r--", ""},
        {"-rw-r--r--   1 alice staff       5 Jun  3  2021   leading", "  leading", ditFile, 5,
         local(2021, 6, 3), "-rw-r--r--", ""},
        // No group column (some NAS and embedded servers).
        {"-rw-r--r--   1 alice       77 Feb  9 08:05 nogroup.txt", "nogroup.txt", ditFile, 77,
         local(2024, 2, 9, 8, 5), "-rw-r--r--", ""},
        // No link count either, and an owner named like a month.
        {"-rw-r--r-- Jan 9 Feb 10 2020 odd", "odd", ditFile, 9, local(2020, 2, 10), "-rw-r--r--", ""},
        // Symbolic links: "name -> target", the target kept apart.
        {"lrwxrwxrwx    1 0        0               5 Mar 01 10:00 link -> a.txt", "link", ditSymbolicLink, 5,
         local(2024, 3, 1, 10, 0), "lrwxrwxrwx", "a.txt"},
        {"lrwxrwxrwx 1 u g 9 Mar 01 10:00 my link -> ../a b", "my link", ditSymbolicLink, 9,
         local(2024, 3, 1, 10, 0), "lrwxrwxrwx", "../a b"},
        // An arrow in a plain file's name is part of the name.
        {"-rw-r--r-- 1 u g 1 Mar 01 10:00 a -> b", "a -> b", ditFile, 1, local(2024, 3, 1, 10, 0),
         "-rw-r--r--", ""},
        // Devices carry "major, minor" in place of a size.
        {"crw-rw-rw-   1 root     root       1,   3 Jan  5  2023 null", "null", ditCharDev, 0,
         local(2023, 1, 5), "crw-rw-rw-", ""},
        {"brw-rw----   1 root     disk       8,0 Jan  5  2023 sda", "sda", ditBlockDev, 0, local(2023, 1, 5),
         "brw-rw----", ""},
        {"prw-r--r--   1 u g 0 Jan  5  2023 pipe", "pipe", ditFIFO, 0, local(2023, 1, 5), "prw-r--r--", ""},
        {"srwxrwxrwx   1 u g 0 Jan  5  2023 sock", "sock", ditSocket, 0, local(2023, 1, 5), "srwxrwxrwx", ""},
        // ACL and security-context marks after the mode; set-id and sticky bits.
        {"-rwsr-xr-x+  1 u g 10 Jan  5  2023 acl", "acl", ditFile, 10, local(2023, 1, 5), "-rwsr-xr-x", ""},
        {"drwxrwxrwt.  9 u g 10 Jan  5  2023 tmp", "tmp", ditDirectory, 10, local(2023, 1, 5), "drwxrwxrwt",
         ""},
        // ls --time-style=long-iso.
        {"-rw-r--r-- 1 u g 42 2023-11-30 23:59 iso.txt", "iso.txt", ditFile, 42, local(2023, 11, 30, 23, 59),
         "-rw-r--r--", ""},
        // "." and ".." as LIST -a shows them.
        {"drwxr-xr-x    3 0        0            4096 Mar 10 09:00 .", ".", ditDirectory, 4096,
         local(2024, 3, 10, 9, 0), "drwxr-xr-x", ""},
        // DOS/IIS.
        {"01-02-24  10:15AM       <DIR>          name", "name", ditDirectory, 0, local(2024, 1, 2, 10, 15),
         "", ""},
        {"12-31-99  12:05PM              1234 old file.txt", "old file.txt", ditFile, 1234,
         local(1999, 12, 31, 12, 5), "", ""},
        {"07-04-2023  12:00AM                 0 midnight", "midnight", ditFile, 0, local(2023, 7, 4, 0, 0),
         "", ""},
    };
    for (const Case& c : cases) {
        const ListLine parsed = parseListLine(QByteArrayView(c.line), false, now);
        ASSERT_EQ(parsed.kind, ListLineKind::Entry) << c.line;
        const TIdFTPListItem& item = parsed.item;
        EXPECT_EQ(item.FileName, QString::fromLatin1(c.name)) << c.line;
        EXPECT_EQ(item.RawName, QByteArray(c.name)) << c.line;
        EXPECT_EQ(item.ItemType, c.type) << c.line;
        EXPECT_EQ(item.Size, c.size) << c.line;
        EXPECT_EQ(item.ModifiedDate, c.modified)
            << c.line << " gave " << item.ModifiedDate.toString().toStdString();
        EXPECT_EQ(item.PermissionDisplay, QString::fromLatin1(c.permissions)) << c.line;
        EXPECT_EQ(item.LinkTarget, QString::fromLatin1(c.linkTarget)) << c.line;
    }
}

TEST(ListLine, DatesWithoutAYearAreTheMostRecentPastOnes) {
    struct Case {
        int month, day;
        QTime time;
        QDateTime expected;
    };
    const Case cases[] = {
        {3, 15, QTime(11, 0), local(2024, 3, 15, 11, 0)}, // earlier today
        {3, 16, QTime(8, 0), local(2024, 3, 16, 8, 0)},   // within a day ahead: a server east of us
        {3, 17, QTime(12, 1), local(2023, 3, 17, 12, 1)}, // beyond that: last year
        {12, 31, QTime(23, 59), local(2023, 12, 31, 23, 59)},
        {2, 29, QTime(10, 0), local(2024, 2, 29, 10, 0)}, // 2024 is a leap year
    };
    for (const Case& c : cases)
        EXPECT_EQ(dateWithoutYear(c.month, c.day, c.time, now), c.expected) << c.month << '/' << c.day;
    // In a year without 29 February, the last one that had it.
    EXPECT_EQ(dateWithoutYear(2, 29, QTime(10, 0), local(2023, 6, 1)), local(2020, 2, 29, 10, 0));
    EXPECT_FALSE(dateWithoutYear(4, 31, QTime(10, 0), now).isValid());
}

TEST(ListLine, NoiseIsSkippedAndUnknownLinesAreCounted) {
    const QList<QByteArray> lines{
        "total 12",
        "",
        "   ",
        "-rw-r--r-- 1 u g 3 Mar 01 10:00 a.txt\r",
        "this is not a listing line",
        "-rw-r--r-- 1 u g 3 Mar 01 10:00",      // no name
        "-rw-r--r-- 1 u g 3 Mar 01 10:00 ",     // a blank where the name should be
        "-rw-r--r-- 1 u g x3 Mar 01 10:00 bad", // no size before the date
        "-rw-r--r-- 1 u g 3 Mar 41 10:00 bad",  // no such day
        "-rw-r--r-- 1 u g 3 Mar 01 25:00 bad",  // no such hour
        "-rw-r--r-- 1 u g 99999999999999999999 Mar 01 10:00 huge",
        "01-02-24  10:15XM  <DIR>  bad",
        "01-32-24  10:15AM  <DIR>  bad",
        "drwxr-xr-x 2 u g 4096 Mar 01 10:00 sub",
    };
    const ListLines parsed = parseListLines(lines, false, now);
    ASSERT_EQ(parsed.items.size(), 2);
    EXPECT_EQ(parsed.items[0].RawName, QByteArray("a.txt"));
    EXPECT_EQ(parsed.items[1].RawName, QByteArray("sub"));
    EXPECT_EQ(parsed.unknown, 9);
}

TEST(ListLine, NamesKeepTheirBytesAndDecodeOnlyValidUtf8) {
    const QByteArray utf8Line =
        QByteArray("-rw-r--r-- 1 u g 3 Mar 01 10:00 ") + QByteArray("Gr\xc3\xb6\xc3\x9f"
                                                                    "e");
    const QByteArray latin1Line = QByteArray("-rw-r--r-- 1 u g 3 Mar 01 10:00 ") + QByteArray("Gr\xf6\xdf"
                                                                                              "e");
    const ListLine a = parseListLine(QByteArrayView(utf8Line), true, now);
    EXPECT_EQ(a.item.FileName, QString::fromUtf8("Größe"));
    EXPECT_EQ(a.item.RawName, QByteArray("Gr\xc3\xb6\xc3\x9f"
                                         "e"));
    // Not UTF-8 although the connection speaks it: one byte per character, the bytes unchanged.
    const ListLine b = parseListLine(QByteArrayView(latin1Line), true, now);
    EXPECT_EQ(b.item.FileName, QString::fromLatin1("Gr\xf6\xdf"
                                                   "e"));
    EXPECT_EQ(b.item.RawName, QByteArray("Gr\xf6\xdf"
                                         "e"));
    // Without UTF-8, UTF-8 bytes are not guessed at.
    const ListLine c = parseListLine(QByteArrayView(utf8Line), false, now);
    EXPECT_EQ(c.item.FileName, QString::fromLatin1("Gr\xc3\xb6\xc3\x9f"
                                                   "e"));
}
