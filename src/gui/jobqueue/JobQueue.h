#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

namespace Ui {
class TMyMenuForm;
}
class DataTables;
class FtpSession;
class TableModel;
class TransferJob;
class QWidget;

// The job queue: download and upload lists in FTPEvents, their runners on transfer connections of their
// own, the download and upload panels and the job grid.
class JobQueue : public QObject {
    Q_OBJECT
public:
    JobQueue(Ui::TMyMenuForm& ui, DataTables& tables, FtpSession& browsing, QWidget* window);
    ~JobQueue() override;

    // Where downloads land and what uploads take: asked of the local panel when a job starts.
    void setLocalSide(std::function<QString()> folder, std::function<QStringList()> selection);
    bool running() const;

    void download();
    void upload();
    // Uploads these local paths (dropped from the local list or another program).
    void uploadPaths(const QStringList& paths);
    // Builds the upload list of the local selection without running it.
    void buildUploadList();
    void cancel();

signals:
    // The local path of the row being worked on.
    void targetShown(const QString& path);
    // A job ran to its end: the remote views show what changed.
    void jobEnded();
    // Bytes are moving.
    void activity();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectControls();
    // A second command while a job runs is refused with a clear text.
    void refuseWhileRunning() const;
    void uploadFrom(const QStringList& paths, const QString& base);
    void jobFinished(bool completed, const QString& error);
    void showProgress(bool download, qint64 bytes, int percent);
    void reportSkipped(const QStringList& skipped);

    Ui::TMyMenuForm& m_ui;
    DataTables& m_tables;
    FtpSession& m_browsing;
    QWidget* m_window;
    TableModel* m_model;
    TransferJob* m_job;
    std::function<QString()> m_localFolder;
    std::function<QStringList()> m_localSelection;
    QStringList m_skipped;
    QObject* m_jobGrid = nullptr;
    QObject* m_dropTarget = nullptr;
};
