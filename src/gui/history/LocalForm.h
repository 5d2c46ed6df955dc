#pragma once

#include <QByteArray>
#include <QString>
#include <QWidget>
#include <functional>

class QFileSystemModel;
class QLineEdit;
class QListView;
class QToolButton;
class QTreeView;

// The local folder picker: a skinned window with a folder tree and a list of the folder's RTF files,
// in which the user picks a folder and a name to save a file under. Shown window-modal and reused.
class TLocalForm : public QWidget {
    Q_OBJECT
public:
    explicit TLocalForm(QWidget* parent);

    QLineEdit* ProcessEdit;
    QToolButton* CentralPanel;
    QToolButton* LFB001;
    QToolButton* LFB002;
    QToolButton* LFB003;
    QToolButton* LFB004;
    QToolButton* LFB009;
    QTreeView* ShellTree;
    QListView* LocalFileList;
    QLineEdit* FileNameEdit;
    QToolButton* RzBmpButton3;
    QToolButton* RzBmpButton5;

    // Asks a yes-or-no question (replacing a file, deleting); a message box unless replaced.
    using Question = std::function<bool(QWidget* parent, const QString& text)>;
    void setQuestion(Question question) { m_question = std::move(question); }

    // What Save writes; set before each opening.
    void setContent(std::function<QByteArray()> content) { m_content = std::move(content); }

    // Shows the picker over its parent, which takes no input meanwhile.
    void execute();
    // Shows `folder` in the list and makes it the folder Save writes to.
    void chooseFolder(const QString& folder);
    QString folder() const { return m_folder; }
    // Writes the content to the chosen folder under the typed name (".rtf" added unless typed); asks
    // before replacing a file. Nothing happens before a folder is chosen.
    void save();

    void createFolder();
    void renameSelected();
    void openSelected();
    void deleteSelected();
    void folderUp();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void buildControls();
    QString selectedPath() const;

    QFileSystemModel* m_folders;
    QFileSystemModel* m_files;
    QString m_folder;
    Question m_question;
    std::function<QByteArray()> m_content;
};
