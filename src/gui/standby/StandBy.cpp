#include "gui/standby/StandBy.h"

#include "core/base/Errors.h"
#include "core/base/TextFormat.h"
#include "core/ftp/FtpSession.h"
#include "core/ftp/TIdFTP.h"
#include "core/transfer/StandByText.h"
#include "gui/common/UserAction.h"
#include "ui_MyMenu.h"

#include <QTimer>
#include <algorithm>

StandBy::StandBy(Ui::TMyMenuForm& ui, FtpSession& session, QWidget* window)
    : QObject(window), SleepTimer(new QTimer(this)), m_ui(ui), m_session(session), m_window(window) {
    SleepTimer->setObjectName(QStringLiteral("SleepTimer"));
    SleepTimer->setInterval(500);
    connect(SleepTimer, &QTimer::timeout, this, [this] { userAction(m_window, [this] { tick(); }); });
}

void StandBy::stop() {
    SleepTimer->stop();
    m_ui.StopImg01->hide();
    m_ui.StopImg02->hide();
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
    m_sinceTick.start();
    m_ui.TimeLabel->show();
}

void StandBy::pauseCountdown() {
    if (SleepTimer->isActive()) SleepTimer->stop();
}

void StandBy::tick() {
    // The count-down follows the clock, however late a tick comes.
    const qint64 elapsed = m_sinceTick.isValid() ? m_sinceTick.restart() : 0;
    const int left = std::max(0, QTime(0, 0).msecsTo(SleepTime) - int(std::min<qint64>(elapsed, 86400000)));
    SleepTime = QTime(0, 0).addMSecs(left);
    // Whole seconds still to go, rounded up, so the label reaches 00:00:00 when the time is up.
    const QTime shown = QTime(0, 0).addSecs((left + 999) / 1000);
    m_ui.TimeLabel->setText(formatDateTime(QStringLiteral("hh:mm:ss"), QDateTime(QDate(2000, 1, 1), shown)));
    if (left == 0 && !(m_busy && m_busy())) enterStandBy();
}

void StandBy::enterStandBy() {
    SleepTimer->stop();
    if (!m_session.isOpen()) return;
    StandByMode = true;
    m_standByHost = m_session.settings().host;
    m_standByUser = m_session.settings().user;
    // A folder that cannot be told is not returned to.
    FTPStandByDirectory.clear();
    try {
        FTPStandByDirectory = m_session.ftp().RetrieveCurrentDir();
    } catch (const QeltoError&) {
    }
    m_session.close();
    m_ui.ProcessEdit->setText(QStringLiteral("Server connection is broken ..."));
    m_ui.StopImg01->show();
    m_ui.StopImg02->show();
    m_ui.TimeLabel->setText(QStringLiteral("Stand By"));
}

void StandBy::afterLogin(const ConnectionSettings& login) {
    if (!StandByMode) return;
    StandByMode = false;
    if (FTPStandByDirectory.isEmpty() || login.host != m_standByHost || login.user != m_standByUser) return;
    emit returnRequested(FTPStandByDirectory);
}
