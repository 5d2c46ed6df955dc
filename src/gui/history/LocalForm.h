#pragma once

#include <QByteArray>
#include <QString>
#include <QWidget>
#include <functional>

class ProcessorUsage;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QTimer;
class QToolButton;
class QTreeView;

// The local folder picker: a skinned window with a folder tree and a list of the folder's RTF files,
// in which the user picks a folder and a name to save a file under. Shown window-modal and reused. While
// it is open, its frame shows the processor load, measured once a second by ControlTimer.
class TLocalForm : public QWidget {
    Q_OBJECT
public:
    TLocalForm(ProcessorUsage& usage, QWidget* parent);

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
    QLabel* CPULabel;
    QProgressBar* CPUProgress;
    QWidget* CPUI001;
    QWidget* CPUI002;
    QTimer* ControlTimer;

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
    QLayout* buildStatusBar();
    void tickProcessorLoad();
    QString selectedPath() const;

    ProcessorUsage& m_usage;
    QFileSystemModel* m_folders;
    QFileSystemModel* m_files;
    QString m_folder;
    Question m_question;
    std::function<QByteArray()> m_content;
};
