// The protocol log: every block of the browsing connection into the debugger and history panes.
#include "gui/mainwindow/MyMenu.h"
#include "gui/common/PaneText.h"
#include "core/ftp/ProtocolLogText.h"
#include "ui_MyMenu.h"

#include <QTimer>

void TMyMenuForm::stopStandByDisplay() {
    m_ui->StopImg01->hide();
    m_ui->StopImg02->hide();
    SleepTimer->stop();
    m_ui->TimeLabel->hide();
}

void TMyMenuForm::LogEventReceived(const QString&, const QString& data) {
    stopStandByDisplay();
    QPlainTextEdit* history = m_ui->HistoryEdit;
    setPaneColor(history, ServerColor);
    appendPaneLine(history, receivedHistoryHeader());
    appendPaneLine(history, historyBlockText(data));
    appendPaneLine(history, QStringLiteral(". . .\r\n"));
    scrollPaneToEnd(history);

    setPaneColor(m_ui->DebugEdit, ServerColor);
    appendPaneLine(m_ui->DebugEdit, debugReceivedLine(data));
    scrollPaneToEnd(m_ui->DebugEdit);
    RestartStandByCountdown();
}

void TMyMenuForm::LogEventSent(const QString&, const QString& data) {
    stopStandByDisplay();
    QPlainTextEdit* history = m_ui->HistoryEdit;
    setPaneColor(history, ClientColor);
    appendPaneLine(history, sentHistoryHeader());
    appendPaneLine(history, historyBlockText(data));
    appendPaneLine(history, QStringLiteral(". . .\r\n"));

    setPaneColor(m_ui->DebugEdit, ClientColor);
    appendPaneLine(m_ui->DebugEdit, debugSentLine(data));
    scrollPaneToEnd(history);
    RestartStandByCountdown();
}

void TMyMenuForm::ICB002Click() {
    const bool show = m_ui->ICB002->isChecked();
    m_ui->DebugEdit->setVisible(show);
    // The splitter's handle goes with the pane; without them the list keeps a small gap above the page's
    // edge.
    m_ui->Splitter7->handle(1)->setVisible(show);
    m_ui->FTPFilesList->setContentsMargins(0, 0, 0, show ? 0 : 3);
}
