#include "core/base/TextFormat.h"

#include <gtest/gtest.h>

TEST(ErrorDisplayText, AppendsPointOnlyAfterCharactersAboveThePoint) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"Read timed out.", "Read timed out."},
        {"Not Connected", "Not Connected."},
        {"550 No such file\r\n", "550 No such file\r\n"}, // line end is below "."
        {"Socket Error # 111", "Socket Error # 111."},    // digits are above "."
        {"Wait -", "Wait -"},                             // "-" is below "."
        {"Done!", "Done!"},
        {"path/", "path/."},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorDisplayText(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(FormatDateTime, PatternTableInTheCLocale) {
    const QDateTime t(QDate(2012, 4, 18), QTime(20, 5, 8, 123));
    const QDateTime early(QDate(2009, 1, 3), QTime(7, 4, 9, 7));
    const QLocale c = QLocale::c();
    struct Case {
        const char* pattern;
        QDateTime value;
        const char* out;
    } cases[] = {
        {"dd.mm.yyyy", t, "18.04.2012"},
        {"dd.mm.yyyy", early, "03.01.2009"},
        {"d", early, "3"},
        {"hh:mm:ss", early, "07:04:09"}, // mm after hh is minutes
        {"hh:nn:ss", t, "20:05:08"},
        {"hh:nn:ss.zzz", early, "07:04:09.007"},
        {"hh:nn:ss, zzz", t, "20:05:08, 123"},
        {"dddd d mmmm yyyy", t, "Wednesday 18 April 2012"},
        {"dd/mm/yyyy", t, "18/04/2012"}, // the C locale's separators
        {"yyyy-mm-dd", t, "2012-04-18"}, // other characters are literal
        {"mm", t, "04"},
    };
    for (const Case& c2 : cases)
        EXPECT_EQ(formatDateTime(QString::fromLatin1(c2.pattern), c2.value, c), QString::fromUtf8(c2.out))
            << c2.pattern;
}

TEST(FormatDateTime, SeparatorsFollowTheLocale) {
    const QDateTime t(QDate(2012, 4, 18), QTime(20, 5, 8));
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(formatDateTime(QStringLiteral("dd/mm/yyyy"), t, german), QStringLiteral("18.04.2012"));
    EXPECT_EQ(formatDateTime(QStringLiteral("dddd"), t, german), QStringLiteral("Mittwoch"));
}

TEST(Colors, ValuesAreBlueGreenRed) {
    EXPECT_EQ(colorFromBGR(4227200), QColor(128, 128, 64));
    EXPECT_EQ(colorFromBGR(8421376), QColor(0, 128, 128));
    EXPECT_EQ(colorFromBGR(0x808040), QColor(64, 128, 128));
    EXPECT_EQ(colorToBGR(QColor(128, 128, 64)), 4227200u);
}
