#pragma once

#include "core/ftp/ConnectionSettings.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTime>
#include <functional>

namespace Ui {
class TMyMenuForm;
}
class FtpSession;
class QTimer;
class QWidget;

// The stand-by count-down: drops the browsing connection after a quiet spell on its control connection,
// remembers the server folder, and asks to return to it after the next login.
class StandBy : public QObject {
    Q_OBJECT
public:
    StandBy(Ui::TMyMenuForm& ui, FtpSession& session, QWidget* window);

    QTimer* SleepTimer;
    QTime SleepTime;
    bool StandByMode = false;
    QString FTPStandByDirectory;

    // Starts the count-down afresh from the spinners' interval, hiding the stand-by marks.
    void restartCountdown();
    // Pauses the count-down until the next activity.
    void pauseCountdown();
    void tick();
    void enterStandBy();
    // After a login: asks for the remembered folder when stand-by dropped the last connection to the same
    // server and user.
    void afterLogin(const ConnectionSettings& login);
    // The connection is gone: no count-down, no stand-by marks.
    void stop();
    // True while a job runs: stand-by waits at zero until it has ended, so it never breaks a job.
    void setBusyCheck(std::function<bool()> busy) { m_busy = std::move(busy); }

signals:
    void returnRequested(const QString& folder);

private:
    void hideMarks();

    Ui::TMyMenuForm& m_ui;
    FtpSession& m_session;
    QWidget* m_window;
    QElapsedTimer m_sinceTick;
    QString m_standByHost;
    QString m_standByUser;
    std::function<bool()> m_busy;
};
