// The stand-by count-down: drops the browsing connection after a quiet spell on its control connection.
#include "gui/mainwindow/MyMenu.h"
#include "core/base/TextFormat.h"
#include "core/ftp/TIdFTP.h"
#include "core/transfer/StandByText.h"
#include "ui_MyMenu.h"

#include <QTimer>

void TMyMenuForm::RestartStandByCountdown() {
    const QString text = standByCountdownText(m_ui->MinEdit->value(), m_ui->SecEdit->value());
    SleepTime = QTime(0, m_ui->MinEdit->value(), m_ui->SecEdit->value());
    m_ui->TimeLabel->setText(text);
    SleepTimer->start();
    m_ui->TimeLabel->show();
}

void TMyMenuForm::SleepTimerTimer() {
    // A whole second per half-second tick: the count-down runs at twice the clock's speed.
    SleepTime = SleepTime.addSecs(-1);
    m_ui->TimeLabel->setText(
        formatDateTime(QStringLiteral("hh:mm:ss"), QDateTime(QDate(2000, 1, 1), SleepTime)));
    if (SleepTime == QTime(0, 0)) EnterStandBy();
}

void TMyMenuForm::EnterStandBy() {
    SleepTimer->stop();
    StandByMode = true;
    FTPStandByDirectory = IdFTP->RetrieveCurrentDir();
    runThenAlways([this] { breakConnection(*IdFTP); },
                  [this] {
                      m_ui->ProcessEdit->setText(QStringLiteral("Server connection is broken ..."));
                      m_ui->StopImg01->show();
                      m_ui->StopImg02->show();
                      m_ui->TimeLabel->setText(QStringLiteral("Stand By"));
                  });
}
