#include "core/base/Errors.h"
#include "core/ftp/ListParse.h"

#include <gtest/gtest.h>

#include <ctime>
#include <random>

namespace {

TIdFTPListItem parsed(const char* line) {
    const auto item = parseMlsdLine(QByteArrayView(line));
    if (!item) ADD_FAILURE() << "no entry for: " << line;
    return item.value_or(TIdFTPListItem{});
}

QDateTime localFromUtc(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC).toLocalTime();
}

// Sets TZ for one test and restores it; the C library's local time follows TZ at once.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz) : m_had(qEnvironmentVariableIsSet("TZ")), m_old(qgetenv("TZ")) {
        qputenv("TZ", tz);
        tzset();
    }
    ~ScopedTimeZone() {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    bool m_had;
    QByteArray m_old;
};

} // namespace

TEST(MlsdLine, TypeFactFollowsTheExactTable) {
    struct Case {
        const char* line;
        TIdDirItemType type;
        const char* linkTarget;
    };
    const Case cases[] = {
        {"type=file; a", ditFile, ""},
        {"type=FILE; a", ditFile, ""},
        {"type=dir; a", ditDirectory, ""},
        {"type=DIR; a", ditFile, ""},
        {"type=Dir; a", ditFile, ""},
        {"type=cdir; .", ditDirectory, ""},
        {"type=pdir; ..", ditDirectory, ""},
        {"TYPE=dir; a", ditDirectory, ""}, // fact names ignore case, values do not
        {"type=OS.unix=slink; a", ditSymbolicLink, ""},
        // Anything a server may call a link is one: a walk must never take it for a file or a folder.
        {"type=OS.UNIX=slink; a", ditSymbolicLink, ""},
        {"type=OS.unix=symlink; a", ditSymbolicLink, ""},
        {"type=OS.unix=slinkdir; a", ditSymbolicLink, ""},
        {"type=OS.Linux=SYMLINK; a", ditSymbolicLink, ""},
        {"type=OS.unix=slink:/srv/target dir; a", ditSymbolicLink, "/srv/target"},
        {"type=os.UNIX=SLINK:../up:colon; a", ditSymbolicLink, "../up:colon"},
        {"type=OS.unix=socket; a", ditSocket, ""},
        {"type=OS.UNIX=socket; a", ditFile, ""},
        {"type=OS.unix=fifo; a", ditFIFO, ""},
        {"type=OS.UNIX=FIFO; a", ditFile, ""},
        {"type=OS.unix=blk; a", ditBlockDev, ""},
        {"type=OS.UNIX=blk-8/1; a", ditBlockDev, ""},
        {"type=OS.unix=chr; a", ditCharDev, ""},
        {"type=os.unix=CHR-1/3; a", ditCharDev, ""},
        {"type=OS.unix=slinky; a", ditSymbolicLink, ""},
        {"type=OS.unix=symlinks; a", ditFile, ""},
        {"type=; a", ditFile, ""},
        {"size=1; a", ditFile, ""},
    };
    for (const Case& c : cases) {
        const TIdFTPListItem item = parsed(c.line);
        EXPECT_EQ(item.ItemType, c.type) << c.line;
        EXPECT_EQ(item.LinkTarget, QString::fromLatin1(c.linkTarget)) << c.line;
    }
}

TEST(MlsdLine, PermissionTextFromPermOrUnixMode) {
    struct Case {
        const char* line;
        const char* permission;
    };
    const Case cases[] = {
        {"type=dir;UNIX.mode=0755; d", "drwxr-xr-x"},
        {"type=file;UNIX.mode=0755; f", "-rwxr-xr-x"},
        {"type=file;UNIX.mode=4755; f", "-rwsr-xr-x"},
        {"type=file;unix.MODE=2750; f", "-rwxr-s---"},
        {"type=dir;UNIX.mode=1777; d", "drwxrwxrwt"},
        {"type=file;UNIX.mode=4644; f", "-rwsr--r--"}, // set-user-id shows "s" even without execute
        {"type=file;UNIX.mode=644; f", "-rw-r--r--"},
        {"type=file;UNIX.mode=0; f", "----------"},
        {"type=file;UNIX.mode=0000000000000000000000000000000000000640; f", "-rw-r-----"},
        {"type=file;unix.mode=0o640; f", "-rw-r-----"}, // the octal notation of Python servers
        {"type=dir;unix.mode=0O2755; d", "drwxr-sr-x"},
        {"type=file;unix.mode=0o; f", "0o"},
        {"type=file;unix.mode=0x644; f", "0x644"},
        {"type=OS.unix=slink:/x;UNIX.mode=0777; l", "lrwxrwxrwx"},
        {"type=OS.unix=slink;UNIX.mode=0777; l", "lrwxrwxrwx"},
        {"type=OS.unix=fifo;UNIX.mode=0600; p", "prw-------"},
        {"type=OS.unix=socket;UNIX.mode=0600; s", "srw-------"},
        {"type=OS.unix=blk;UNIX.mode=0660; b", "brw-rw----"},
        {"type=OS.unix=chr;UNIX.mode=0660; c", "crw-rw----"},
        {"type=file;UNIX.mode=rwxr-xr-x; f", "rwxr-xr-x"}, // not all digits: unchanged
        {"type=file;UNIX.mode=-755; f", "-755"},
        {"type=file;UNIX.mode=; f", ""},
        {"type=file;perm=adfrw;UNIX.mode=0755; f", "adfrw"}, // perm wins, whatever the order
        {"type=file;UNIX.mode=0755;Perm=r; f", "r"},
        {"type=file;perm=; f", ""},
        {"type=file; f", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parsed(c.line).PermissionDisplay, QString::fromLatin1(c.permission)) << c.line;
}

TEST(MlsdLine, ModifyIsUtcShownInLocalTime) {
    struct Case {
        const char* line;
        QDateTime expected; // invalid: the zero date
    };
    const Case cases[] = {
        {"modify=20240115123456;type=file; f", localFromUtc(2024, 1, 15, 12, 34, 56)},
        {"Modify=20240115123456.5; f", localFromUtc(2024, 1, 15, 12, 34, 56, 5)},
        {"MODIFY=20240115123456.123; f", localFromUtc(2024, 1, 15, 12, 34, 56, 123)},
        {"modify=20240115123456.123456; f", localFromUtc(2024, 1, 15, 12, 34, 56, 123)},
        {"modify=20240229235959; f", localFromUtc(2024, 2, 29, 23, 59, 59)},
        {"type=file; f", {}},
        {"modify=; f", {}},
        {"modify=garbage; f", {}},
        {"modify=2024011512345; f", {}},
        {"modify=20241315123456; f", {}},
        {"modify=20230229120000; f", {}},
        {"modify=20240115246000; f", {}},
        {"modify=20240115123456.; f", {}},
        {"modify=20240115123456.5x; f", {}},
        {"modify=20240115123456Z; f", {}},
        {"modify=99999999999999999999999999999999999999; f", {}},
    };
    for (const Case& c : cases) {
        const QDateTime modified = parsed(c.line).ModifiedDate;
        if (c.expected.isValid()) {
            EXPECT_EQ(modified, c.expected) << c.line;
            EXPECT_EQ(modified.offsetFromUtc(), c.expected.offsetFromUtc()) << c.line;
            EXPECT_EQ(modified.date(), c.expected.date()) << c.line;
            EXPECT_EQ(modified.time(), c.expected.time()) << c.line;
            EXPECT_EQ(modified.time().msec(), c.expected.time().msec()) << c.line;
        } else {
            EXPECT_TRUE(isZeroDate(modified)) << c.line;
        }
    }
}

TEST(MlsdLine, ModifyUsesTheOffsetInForceOnThatDate) {
    // Central European time: winter UTC+1, summer UTC+2, whatever the date the listing is read on.
    ScopedTimeZone tz("CET-1CEST,M3.5.0,M10.5.0/3");
    const QDateTime winter = parsed("modify=20240115120000; f").ModifiedDate;
    const QDateTime summer = parsed("modify=20240715120000; f").ModifiedDate;
    EXPECT_EQ(winter.date(), QDate(2024, 1, 15));
    EXPECT_EQ(winter.time(), QTime(13, 0));
    EXPECT_EQ(summer.time(), QTime(14, 0));
}

TEST(Listing, ModifyTimesAroundDaylightSavingChangesMatchTheLocalClock) {
    // A listing parse reuses offsets within a day; the days on which the offset changes must still
    // give each instant its own offset. Zones whose changes fall on the half hour, by half an hour,
    // and in the southern summer.
    const char* const zones[] = {"CET-1CEST,M3.5.0,M10.5.0/3", "NST3:30NDT,M3.2.0,M11.1.0",
                                 "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", "AEST-10AEDT,M10.1.0,M4.1.0/3"};
    QList<QByteArray> lines;
    QList<QDateTime> stamps;
    for (int month = 1; month <= 12; ++month) {
        // Every 10 minutes around the first Sunday and the last week of each month of 2024.
        for (const int firstDay : {1, 6, 24, 29}) {
            QDateTime utc(QDate(2024, month, firstDay), QTime(0, 0), Qt::UTC);
            for (int step = 0; step < 3 * 24 * 6; ++step, utc = utc.addSecs(600)) {
                stamps.append(utc);
                lines.append("modify=" + utc.toString(QStringLiteral("yyyyMMddhhmmss")).toLatin1() + "; f");
            }
        }
    }
    QStringList textLines;
    for (const QByteArray& line : lines)
        textLines.append(QString::fromLatin1(line));
    for (const char* zone : zones) {
        ScopedTimeZone tz(zone);
        for (const auto& items : {parseListing(lines, true, true, true), parseMlsdListing(textLines)}) {
            ASSERT_EQ(items.size(), stamps.size());
            for (qsizetype i = 0; i < items.size(); ++i) {
                const QDateTime expected = stamps[i].toLocalTime();
                const QDateTime& got = items[i].ModifiedDate;
                ASSERT_TRUE(got == expected && got.date() == expected.date() &&
                            got.time() == expected.time() && got.offsetFromUtc() == expected.offsetFromUtc())
                    << zone << " " << lines[i].constData() << " gave "
                    << got.toString(Qt::ISODate).toStdString() << ", expected "
                    << expected.toString(Qt::ISODate).toStdString();
            }
        }
    }
}

TEST(MlsdLine, ZeroDateIsTheDayZero) {
    EXPECT_EQ(zeroDateTime().date(), QDate(1899, 12, 30));
    EXPECT_EQ(zeroDateTime().time(), QTime(0, 0));
    EXPECT_TRUE(isZeroDate(zeroDateTime()));
    EXPECT_FALSE(isZeroDate(QDateTime(QDate(1899, 12, 30), QTime(0, 0, 1))));
}

TEST(MlsdLine, SizeFromSizeOrFolderSizd) {
    struct Case {
        const char* line;
        qint64 size;
    };
    const Case cases[] = {
        {"type=file;size=1234; f", 1234},
        {"type=file;SIZE=0; f", 0},
        {"type=file;size=9223372036854775807; f", std::numeric_limits<qint64>::max()},
        {"type=file;size=9223372036854775808; f", 0},
        {"type=file;size=1234567890123456789012345678901234567890; f", 0},
        {"type=file;size=-5; f", 0},
        {"type=file;size=+5; f", 0},
        {"type=file;size=12a; f", 0},
        {"type=file;size=; f", 0},
        {"type=file; f", 0},
        {"type=dir;sizd=4096; d", 4096},
        {"type=cdir;Sizd=512; .", 512},
        {"type=file;sizd=4096; f", 0},
        {"type=dir;size=10;sizd=4096; d", 10},
        {"type=dir;size=x;sizd=4096; d", 0}, // a size that is given but no number stays 0
        {"size=7;size=8; f", 7},             // a repeated fact keeps its first value
    };
    for (const Case& c : cases)
        EXPECT_EQ(parsed(c.line).Size, c.size) << c.line;
}

TEST(MlsdLine, NameIsEverythingAfterTheFirstBlank) {
    const TIdFTPListItem item = parsed("type=file;size=3; two  blanks and trailing ");
    EXPECT_EQ(item.FileName, QStringLiteral("two  blanks and trailing "));
    EXPECT_EQ(parsed(" no facts").FileName, QStringLiteral("no facts"));
    EXPECT_EQ(parsed(" no facts").ItemType, ditFile);
    EXPECT_EQ(parsed("type=file; crlf\r").FileName, QStringLiteral("crlf"));
    EXPECT_EQ(parsed("type=file;a=b=c; x=y;z").FileName, QStringLiteral("x=y;z"));
}

TEST(MlsdLine, NameDecodingWithOneByteFallback) {
    const QByteArray utf8Line = "type=file; Gr\xC3\xBC\xC3\x9F"
                                "e mit Leer.txt";
    const QString utf8Name = QStringLiteral(u"Grüße mit Leer.txt");
    const QByteArray latin1Line = "type=file; caf\xE9.txt";
    const QString latin1Name = QStringLiteral(u"café.txt");

    struct Case {
        QByteArray line;
        QString name;
    };
    const Case cases[] = {
        {utf8Line, utf8Name},
        {latin1Line, latin1Name}, // invalid UTF-8
        {"type=file; \xEF\xBB\xBF"
         "bom",
         QStringLiteral(u"\uFEFFbom")}, // a leading BOM is part of the name
        {"charset=ISO-8859-1;type=file; caf\xE9.txt", latin1Name},
        {"Charset=iso-8859-1;type=file; Gr\xC3\xBC", QStringLiteral(u"Gr\u00C3\u00BC")}, // as named
        {"charset=UTF-8;type=file; Gr\xC3\xBC", QStringLiteral(u"Grü")},
        {"charset=x-no-such-set;type=file; Gr\xC3\xBC", QStringLiteral(u"Gr\u00C3\u00BC")},
        {"type=OS.unix=slink:Gr\xC3\xBC; link", QStringLiteral(u"link")},
    };
    for (const Case& c : cases) {
        // The same line as raw bytes and as text held one byte per character.
        const auto fromBytes = parseMlsdLine(QByteArrayView(c.line));
        const QString text = QString::fromLatin1(c.line);
        const auto fromText = parseMlsdLine(QStringView(text));
        ASSERT_TRUE(fromBytes && fromText) << c.line.constData();
        EXPECT_EQ(fromBytes->FileName, c.name) << c.line.constData();
        EXPECT_EQ(fromText->FileName, c.name) << c.line.constData();
    }
    EXPECT_EQ(parsed("type=OS.unix=slink:Gr\xC3\xBC; link").LinkTarget, QStringLiteral(u"Grü"));

    // Text that is already decoded (characters above U+00FF) keeps its name as it is.
    const QString decoded = QStringLiteral(u"type=file;size=2; 日本 語.txt");
    const auto item = parseMlsdLine(QStringView(decoded));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->FileName, QStringLiteral(u"日本 語.txt"));
    EXPECT_EQ(item->Size, 2);
}

TEST(MlsdLine, LinesWithoutANameGiveNoEntry) {
    for (const char* line : {"", "\r", "\r\n", "type=file;size=5;", "type=file; ", "type=file; \r", " "})
        EXPECT_FALSE(parseMlsdLine(QByteArrayView(line))) << '"' << line << '"';
}

TEST(MlsdLine, MalformedFactsGiveDefaults) {
    for (const char* line : {"noequals; x", ";;;;=;=; x", "=dir;=5; x", "type;size;modify; x", "; x"}) {
        const TIdFTPListItem item = parsed(line);
        EXPECT_EQ(item.FileName, QStringLiteral("x")) << line;
        EXPECT_EQ(item.ItemType, ditFile) << line;
        EXPECT_EQ(item.Size, 0) << line;
        EXPECT_TRUE(isZeroDate(item.ModifiedDate)) << line;
        EXPECT_TRUE(item.PermissionDisplay.isEmpty()) << line;
    }
    EXPECT_EQ(parsed("type=dir;type=file; x").ItemType, ditDirectory);

    const QByteArray longPerm(200000, 'r');
    const auto item = parseMlsdLine(QByteArrayView(QByteArray("perm=" + longPerm + "; x")));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->PermissionDisplay.size(), longPerm.size());
}

// Random lines built from the characters that matter to the parser: every line gives an entry with
// sane fields or none, and the byte and the text form agree.
TEST(MlsdLine, RandomLinesAreHandledAlikeInBothForms) {
    const QByteArray alphabet =
        QByteArrayLiteral("  ;;==.0123456789typesizdmodifyperUNIX.mode:OS.unix=slinkdir"
                          "charset\xC3\xBC\xE9\xFF\x80\r\n\t");
    std::mt19937 random(20240115);
    for (int n = 0; n < 20000; ++n) {
        QByteArray line;
        const int length = int(random() % 80);
        for (int i = 0; i < length; ++i)
            line += alphabet[int(random() % alphabet.size())];
        if (n % 3 == 0) line.prepend("type=dir;sizd=12;modify=20240101000000;UNIX.mode=7");

        const auto fromBytes = parseMlsdLine(QByteArrayView(line));
        const QString text = QString::fromLatin1(line);
        const auto fromText = parseMlsdLine(QStringView(text));
        ASSERT_EQ(fromBytes.has_value(), fromText.has_value()) << line.toHex().constData();
        if (!fromBytes) continue;
        EXPECT_FALSE(fromBytes->FileName.isEmpty()) << line.toHex().constData();
        EXPECT_GE(fromBytes->Size, 0);
        EXPECT_TRUE(fromBytes->ModifiedDate.isValid());
        EXPECT_EQ(fromBytes->FileName, fromText->FileName) << line.toHex().constData();
        EXPECT_EQ(fromBytes->ItemType, fromText->ItemType);
        EXPECT_EQ(fromBytes->Size, fromText->Size);
        EXPECT_EQ(fromBytes->ModifiedDate, fromText->ModifiedDate);
        EXPECT_EQ(fromBytes->PermissionDisplay, fromText->PermissionDisplay);
        EXPECT_EQ(fromBytes->LinkTarget, fromText->LinkTarget);
    }
}

TEST(Listing, MlsdEntriesFollowTheNonEmptyLinesInOrder) {
    const QStringList lines = {
        QStringLiteral("type=cdir;modify=20240101000000; ."),
        QString(),
        QStringLiteral("type=pdir; .."),
        QStringLiteral("type=file;size=10; b.txt"),
        QStringLiteral("type=file;size=5"), // no name
        QString(),
        QStringLiteral("type=dir; a dir"),
    };
    for (const auto& items : {parseMlsdListing(lines), parseListing(lines, true)}) {
        ASSERT_EQ(items.size(), 4);
        EXPECT_EQ(items[0].FileName, QStringLiteral("."));
        EXPECT_EQ(items[1].FileName, QStringLiteral(".."));
        EXPECT_EQ(items[2].FileName, QStringLiteral("b.txt"));
        EXPECT_EQ(items[2].Size, 10);
        EXPECT_EQ(items[3].FileName, QStringLiteral("a dir"));
        EXPECT_EQ(items[3].ItemType, ditDirectory);
    }
    EXPECT_TRUE(parseListing({}, true).isEmpty());
}

TEST(Listing, ListOutputCannotBeParsed) {
    const QStringList listLines = {QStringLiteral("-rw-r--r-- 1 u g 10 Jan 1 2024 a.txt")};
    try {
        parseListing(listLines, false);
        FAIL() << "LIST output was parsed";
    } catch (const QeltoError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("No FTP list parsers have been registered."));
    }
    EXPECT_TRUE(parseListing({}, false).isEmpty());
    EXPECT_TRUE(parseListing({QString(), QString()}, false).isEmpty());

    // A name list (no details) names one entry per non-empty line.
    const auto names =
        parseListing({QStringLiteral("a.txt"), QString(), QStringLiteral("b c")}, false, false);
    ASSERT_EQ(names.size(), 2);
    EXPECT_EQ(names[1].FileName, QStringLiteral("b c"));
    EXPECT_EQ(names[1].ItemType, ditFile);
    EXPECT_TRUE(isZeroDate(names[1].ModifiedDate));
}
