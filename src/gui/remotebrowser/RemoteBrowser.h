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
    // Lists the current folder again (after the window was resized).
    void refresh();

    void openSelectedListItem();
    void openGridEntry();
    void goUp();
    void sortGrid(int column);

signals:
    void folderChanged(const QString& path);

private:
    void connectViews();
    void addListingPass(const QString& path, bool folders, bool first);
    QStringList catalogueExtensions() const;

    Ui::TMyMenuForm& m_ui;
    FtpSession& m_session;
    DataTables& m_tables;
    QWidget* m_window;
    TableModel* m_model;
};
