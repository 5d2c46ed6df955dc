#pragma once

#include <QObject>

namespace Ui {
class TMyMenuForm;
}
class FtpSession;
class ProcessorUsage;
class TPreviewForm;
class QWidget;

// The preview of remote files that the server also publishes over HTTP: RFS003 opens the selected entry
// of the remote file list as a web page in the preview window.
class Preview : public QObject {
    Q_OBJECT
public:
    Preview(Ui::TMyMenuForm& ui, FtpSession& session, ProcessorUsage& usage, QWidget* window);

    // Opens the preview of the selected entry; nothing happens when no entry is selected.
    void openSelected();
    TPreviewForm& form() const { return *m_form; }

signals:
    // The preview window shows the processor load in its own frame while it is open.
    void opened();
    void closed();

private:
    Ui::TMyMenuForm& m_ui;
    FtpSession& m_session;
    QWidget* m_window;
    TPreviewForm* m_form;
};
