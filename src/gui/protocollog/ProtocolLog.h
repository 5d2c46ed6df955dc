#pragma once

#include "core/ftp/FtpTypes.h"

#include <QColor>
#include <QObject>

namespace Ui {
class TMyMenuForm;
}
class FtpSession;
class QWidget;

// The protocol log: every block of the browsing connection into the debugger pane and the history, in
// the client's or the server's colour, and the connection's status lines.
class ProtocolLog : public QObject {
    Q_OBJECT
public:
    ProtocolLog(Ui::TMyMenuForm& ui, FtpSession& session, QWidget* window);

    QColor ClientColor;
    QColor ServerColor;

    void logReceived(const QString& block);
    void logSent(const QString& block);
    void logStatus(TIdStatus status, const QString& text);
    // ICB002: shows or hides the debugger pane.
    void showDebugPane(bool show);

signals:
    // Something passed over the control connection.
    void activity();

private:
    void setPaneDefaults();

    Ui::TMyMenuForm& m_ui;
    QWidget* m_window;
};
