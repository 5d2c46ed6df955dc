#pragma once

#include <QObject>
#include <QString>

namespace Ui {
class TMyMenuForm;
}
class CaptionEditing;
class DataTables;
class FtpSession;
class QWidget;
struct CaptionEdit;

// What the user changes on the server from the remote views besides transfers: renaming an entry and
// creating a folder by editing a caption of the remote list in place, and the permissions of the
// current grid row on the "Permissions" page (SITE CHMOD, for one entry or a whole folder tree).
class RemoteOperations : public QObject {
    Q_OBJECT
public:
    RemoteOperations(Ui::TMyMenuForm& ui, FtpSession& session, DataTables& tables, QWidget* window);

    // A rename or a folder creation waits for its caption edit to be accepted; an abandoned edit
    // clears it.
    bool RenameFTPObject = false;
    bool CreateFTPDir = false;

    // Starts the caption edit of the first selected item.
    void startRename();
    // Adds the provisional item "New" (or "New_n") and starts its caption edit.
    void startFolderCreation();
    // Sends SITE CHMOD with the octal text for the current grid row (and, when asked, all below it).
    void applyPermissions();

signals:
    // The remote views are to show this folder again (it changed on the server).
    void listRequested(const QString& path);

private:
    void connectControls();
    void captionEdited(const CaptionEdit& edit);
    void editAbandoned();
    void rename(const CaptionEdit& edit);
    void createFolder(const QString& name);
    void removeProvisionalItem();
    QString currentFolder();

    // The permissions page (PermissionsPage.cpp).
    void connectPermissionsPage();
    void showCurrentEntry();
    void boxesToOctalText();
    int boxBits() const;
    void selectEntry(const QString& name);
    QByteArray rawNameOf(const QString& caption) const;

    Ui::TMyMenuForm& m_ui;
    FtpSession& m_session;
    DataTables& m_tables;
    QWidget* m_window;
    CaptionEditing* m_editing;
    int m_specialBits = 0; // set-user-ID, set-group-ID and sticky of the current entry, kept by Apply
    bool m_modeKnown = false;   // the current entry's permission text gives its mode
    bool m_boxesChosen = false; // the user ticked or cleared a box since the entry became current
};
