#pragma once

#include <QString>

class TTable;

// Editing the bookmark table. A bookmark's number (field No) is the count of stored bookmarks plus one
// when it is added or applied; numbers are made consecutive again only by refresh and sorting.

// The number a bookmark gets when it is added or applied now.
int nextBookmarkNumber(const TTable& bookmarks);

// Starts a new bookmark at the end, numbered, with empty address, user and password; it stays pending.
void addBookmark(TTable& bookmarks);

// What the bookmark editor shows.
struct BookmarkEditorTexts {
    QString alias;
    QString server;
    QString user;
    QString password;
    QString useTls; // stored into UseTLS unless empty
    QString port;   // stored into Port unless empty
};

// Stores the editor into the current bookmark (a new one when the table is empty, the pending one when
// one is being added) and numbers it last. The editor's server is also the address the connect bar
// shows.
void applyBookmark(TTable& bookmarks, const BookmarkEditorTexts& texts);

// Deletes the current bookmark, or drops a pending new one; an empty table refuses with its error.
void deleteBookmark(TTable& bookmarks);

// Writes the stored bookmarks to their file (a pending change is dropped), reads them back and numbers
// them 1, 2, 3 ... in their current number order.
void refreshBookmarks(TTable& bookmarks);

// The port a bookmark connects to, as the connect bar shows it: its Port when that is a port number (1 to
// 65535), else "21".
QString bookmarkPortText(const QString& port);
