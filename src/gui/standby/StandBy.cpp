#include "gui/standby/StandBy.h"

#include "core/base/TextFormat.h"
#include "core/ftp/FtpSession.h"
#include "core/ftp/TIdFTP.h"
#include "core/transfer/StandByText.h"
#include "gui/common/UserAction.h"
#include "ui_MyMenu.h"

#include <QTimer>

StandBy::StandBy(Ui::TMyMenuForm& ui, FtpSession& session, QWidget* window)
    : QObject(window), SleepTimer(new QTimer(this)), m_ui(ui), m_session(session), m_window(window) {
    SleepTimer->setObjectName(QStringLiteral("SleepTimer"));
    SleepTimer->setInterval(500);
    connect(SleepTimer, &QTimer::timeout, this, [this] { userAction(m_window, [this] { tick(); }); });
    connect(&session, &FtpSession::disconnected, this, [this] {
        SleepTimer->stop();
        m_ui.StopImg01->hide();
        m_ui.StopImg02->hide();
    });
}

void StandBy::hideMarks() {
    m_ui.StopImg01->hide();
    m_ui.StopImg02->hide();
    SleepTimer->stop();
    m_ui.TimeLabel->hide();
}

void StandBy::restartCountdown() {
    hideMarks();
    const QString text = standByCountdownText(m_ui.MinEdit->value(), m_ui.SecEdit->value());
    SleepTime = QTime(0, m_ui.MinEdit->value(), m_ui.SecEdit->value());
    m_ui.TimeLabel->setText(text);
    SleepTimer->start();
    m_ui.TimeLabel->show();
}

void StandBy::pauseCountdown() {
    if (SleepTimer->isActive()) SleepTimer->stop();
}

void StandBy::tick() {
    // A whole second per half-second tick: the count-down runs at twice the clock's speed.
    SleepTime = SleepTime.addSecs(-1);
    m_ui.TimeLabel->setText(
        formatDateTime(QStringLiteral("hh:mm:ss"), QDateTime(QDate(2000, 1, 1), SleepTime)));
    if (SleepTime == QTime(0, 0)) enterStandBy();
}

void StandBy::enterStandBy() {
    SleepTimer->stop();
    StandByMode = true;
    FTPStandByDirectory = m_session.ftp().RetrieveCurrentDir();
    m_session.close();
    m_ui.ProcessEdit->setText(QStringLiteral("Server connection is broken ..."));
    m_ui.StopImg01->show();
    m_ui.StopImg02->show();
    m_ui.TimeLabel->setText(QStringLiteral("Stand By"));
}

void StandBy::afterLogin() {
    if (!StandByMode) return;
    StandByMode = false;
    emit returnRequested(FTPStandByDirectory);
}
