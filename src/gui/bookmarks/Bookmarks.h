#pragma once

#include <QObject>

namespace Ui {
class TMyMenuForm;
}
class BookmarkModel;
class FtpSession;
class TTable;
class QWidget;

// The "FTP Servers" page: the bookmark grid and the editor of the current bookmark, adding, applying,
// cancelling, deleting, renumbering and sorting bookmarks. Passwords show only when asked for.
class Bookmarks : public QObject {
    Q_OBJECT
public:
    Bookmarks(Ui::TMyMenuForm& ui, TTable& bookmarks, FtpSession& browsing, QWidget* window);

    void addBookmark();
    void applyEditor();
    void cancelChange();
    void deleteBookmark();
    void refresh();
    void sortBy(int column);
    void switchEditing();
    void showPasswords(bool show);
    // "Test Server": puts the editor's server, credentials and port into the browsing connection (not
    // while it is connected, nor with an empty field in the connect bar). The next connect takes the
    // bar's values.
    void applyBookmarkToConnection();
    // Fills the editor and the connect bar's port from the current bookmark.
    void showCurrentBookmark();

private:
    void bindGrid();
    void showPending();
    // The editor's "Port:"; empty means 21.
    quint16 editorPort() const;

    Ui::TMyMenuForm& m_ui;
    TTable& m_bookmarks;
    FtpSession& m_browsing;
    QWidget* m_window;
    BookmarkModel* m_model = nullptr;
};
