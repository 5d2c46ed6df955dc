#include "core/bookmarks/BookmarkEditing.h"

#include "core/tables/Table.h"

int nextBookmarkNumber(const TTable& bookmarks) {
    return bookmarks.recordCount() + 1;
}

void addBookmark(TTable& bookmarks) {
    bookmarks.append();
    bookmarks.fieldByName(QStringLiteral("No")).setAsInteger(nextBookmarkNumber(bookmarks));
    for (const char* name : {"FTPServer", "UserID", "Password"})
        bookmarks.fieldByName(QString::fromLatin1(name)).clear();
}

void applyBookmark(TTable& bookmarks, const BookmarkEditorTexts& texts) {
    bookmarks.edit();
    bookmarks.fieldByName(QStringLiteral("No")).setAsInteger(nextBookmarkNumber(bookmarks));
    bookmarks.fieldByName(QStringLiteral("URLAlias")).setAsString(texts.alias);
    bookmarks.fieldByName(QStringLiteral("FTPServer")).setAsString(texts.server);
    bookmarks.fieldByName(QStringLiteral("Address")).setAsString(texts.server);
    bookmarks.fieldByName(QStringLiteral("UserID")).setAsString(texts.user);
    bookmarks.fieldByName(QStringLiteral("Password")).setAsString(texts.password);
    if (!texts.useTls.isEmpty()) bookmarks.fieldByName(QStringLiteral("UseTLS")).setAsString(texts.useTls);
    if (!texts.port.isEmpty()) bookmarks.fieldByName(QStringLiteral("Port")).setAsString(texts.port);
    bookmarks.post();
}

void deleteBookmark(TTable& bookmarks) {
    bookmarks.remove();
}

void refreshBookmarks(TTable& bookmarks) {
    bookmarks.cancel();
    bookmarks.close();
    bookmarks.open();
    SortAndRenumber(bookmarks, QStringLiteral("No"));
}

QString bookmarkPortText(const QString& port) {
    bool ok = false;
    const int value = port.trimmed().toInt(&ok);
    return ok && value >= 1 && value <= 65535 ? QString::number(value) : QStringLiteral("21");
}
