#pragma once

#include <QList>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QStringList>

namespace Ui {
class TMyMenuForm;
}
class DataTables;
class FtpSession;
class TableModel;
class QWidget;

// The server's folder in the icon list FTPFilesList and the grid DBGrid (the table Permissions): the
// listing refresh, walking into folders and up, and the grid's sorting.
class RemoteBrowser : public QObject {
    Q_OBJECT
public:
    RemoteBrowser(Ui::TMyMenuForm& ui, FtpSession& session, DataTables& tables, QWidget* window);

    QList<QPixmap> FTPImageList; // 48 x 48 icons of the list, one per catalogue record
    bool DirectoryFirst = false;
    int FTPCurrentIndex = 0;
    bool FTPPreviewActive = false;
    QString FTPCurrentDirectory;

    // Builds the icon list from the catalogue (at start-up, once the tables are open).
    void loadIcons();
    // Lists `path` into both views; does nothing without a connection.
    void ListRemoteDirectory(const QString& path);
    // After a login: the root folder.
    void showLoginFolder();
    // Lists `path`, quietly giving up when the user disconnects meanwhile.
    void showFolder(const QString& path);
    // Lists the current folder again (after the window was resized).
    void refresh();

    // While a connect runs, navigation is ignored.
    void setConnecting(bool connecting) { m_connecting = connecting; }
    // A refresh or a connect runs: clicks that would start another listing are ignored.
    bool busy() const { return m_refreshing || m_connecting; }

    void openSelectedListItem();
    void openGridEntry();
    void goUp();
    void sortGrid(int column);

signals:
    void folderChanged(const QString& path);
    void busyChanged(bool busy);

private:
    void connectViews();
    // Runs a navigation click: ignored while busy; quiet when the user disconnects meanwhile.
    template <class F> void navigate(F&& step);
    // Lists the folder `rawPath` (the server's bytes), shown as `path`.
    void listFolder(const QByteArray& rawPath, const QString& path);
    void refreshViews(const QByteArray& rawPath, const QString& path);
    // The server's bytes of an entry of the current folder, by its caption.
    QByteArray rawNameOf(const QString& caption) const;
    // Opens the sub-folder `caption` of the current folder; returns its path.
    QString openSubFolder(const QString& caption);
    void addListingPass(const QByteArray& rawPath, bool folders, bool first);
    QStringList catalogueExtensions() const;

    Ui::TMyMenuForm& m_ui;
    FtpSession& m_session;
    DataTables& m_tables;
    QWidget* m_window;
    TableModel* m_model;
    bool m_refreshing = false;
    bool m_connecting = false;
    bool m_numberFromOne = false; // the listing shown has no "." and ".." entries
};
