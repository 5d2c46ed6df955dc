#include "core/base/Errors.h"
#include "core/bookmarks/BookmarkEditing.h"
#include "core/tables/Schemas.h"
#include "core/tables/Table.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class BookmarkEditing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        table.setFileName(dir.filePath(QStringLiteral("FTPServers.XML")));
        table.createDataSet();
        for (const char* alias : {"one", "two", "three"}) {
            addBookmark(table);
            applyBookmark(table, {QString::fromLatin1(alias), QStringLiteral("ftp.example.com"),
                                  QStringLiteral("alice"), QStringLiteral("secret")});
        }
    }

    // "alias:No" of every bookmark in table order, blank-separated.
    QString numbers() {
        QStringList out;
        for (int row = 0; row < table.recordCount(); ++row)
            out << table.value(row, 1).toString() + u':' + table.value(row, 0).toString();
        return out.join(u' ');
    }

    void select(const char* alias) {
        for (int row = 0; row < table.recordCount(); ++row)
            if (table.value(row, 1).toString() == QLatin1String(alias)) table.moveTo(row);
    }

    QTemporaryDir dir;
    TTable table{QStringLiteral("FTPServers"), ftpServersSchema()};
};

} // namespace

TEST_F(BookmarkEditing, AddAndApplyNumbersLast) {
    EXPECT_EQ(numbers(), QStringLiteral("one:1 two:2 three:3"));
    addBookmark(table);
    EXPECT_EQ(table.state(), TableState::Insert);
    EXPECT_EQ(table.fieldByName(QStringLiteral("No")).asInteger(), 4);
    applyBookmark(table, {QStringLiteral("four"), QString(), QString(), QString()});
    EXPECT_EQ(numbers(), QStringLiteral("one:1 two:2 three:3 four:4"));
}

TEST_F(BookmarkEditing, AfterADeleteNumbersRepeatUntilRefresh) {
    select("two");
    deleteBookmark(table);
    addBookmark(table);
    EXPECT_EQ(table.fieldByName(QStringLiteral("No")).asInteger(), 3);
    applyBookmark(table, {QStringLiteral("new"), QString(), QString(), QString()});
    EXPECT_EQ(numbers(), QStringLiteral("one:1 three:3 new:3"));
    refreshBookmarks(table);
    EXPECT_EQ(numbers(), QStringLiteral("one:1 three:2 new:3"));
}

TEST_F(BookmarkEditing, ApplyingAnExistingBookmarkMovesItLast) {
    select("one");
    applyBookmark(table, {QStringLiteral("one"), QStringLiteral("ftp.example.org"), QStringLiteral("bob"),
                          QStringLiteral("pw")});
    refreshBookmarks(table);
    EXPECT_EQ(numbers(), QStringLiteral("two:1 three:2 one:3"));
    select("one");
    EXPECT_EQ(table.fieldByName(QStringLiteral("FTPServer")).asString(), QStringLiteral("ftp.example.org"));
}

TEST_F(BookmarkEditing, RefreshDropsAPendingChangeAndKeepsStoredOnes) {
    select("two");
    table.edit();
    table.fieldByName(QStringLiteral("Address")).setAsString(QStringLiteral("typed"));
    refreshBookmarks(table);
    EXPECT_EQ(table.recordCount(), 3);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(table.value(row, table.fieldByName(QStringLiteral("Address")).position()).toString(),
                  QStringLiteral("ftp.example.com"));
}

// The editor's server is the address the connect bar connects to, and its port is the bookmark's.
TEST_F(BookmarkEditing, ApplyStoresTheAddressAndThePort) {
    addBookmark(table);
    applyBookmark(table, {QStringLiteral("four"), QStringLiteral("ftp.four.example"), QStringLiteral("u"),
                          QStringLiteral("p"), QString(), QStringLiteral("2121")});
    EXPECT_EQ(table.fieldByName(QStringLiteral("Address")).asString(), QStringLiteral("ftp.four.example"));
    EXPECT_EQ(table.fieldByName(QStringLiteral("Port")).asString(), QStringLiteral("2121"));
}

TEST(BookmarkPort, TheConnectBarTakesAPortNumberAndElse21) {
    const struct {
        const char* field;
        const char* shown;
    } cases[] = {{"2121", "2121"}, {" 990 ", "990"}, {"21", "21"}, {"", "21"},
                 {"0", "21"},      {"65536", "21"},  {"-1", "21"}, {"abc", "21"}};
    for (const auto& c : cases)
        EXPECT_EQ(bookmarkPortText(QString::fromLatin1(c.field)), QString::fromLatin1(c.shown)) << c.field;
}

TEST_F(BookmarkEditing, DeleteDropsAPendingNewOneAndRefusesOnAnEmptyTable) {
    addBookmark(table);
    deleteBookmark(table);
    EXPECT_EQ(table.state(), TableState::Browse);
    EXPECT_EQ(table.recordCount(), 3);
    for (int i = 0; i < 3; ++i)
        deleteBookmark(table);
    try {
        deleteBookmark(table);
        FAIL() << "deleting from an empty table";
    } catch (const QeltoError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("FTPServers: Cannot perform this operation on an empty dataset"));
    }
    applyBookmark(table, {QStringLiteral("first"), QString(), QString(), QString()});
    EXPECT_EQ(numbers(), QStringLiteral("first:1"));
}
