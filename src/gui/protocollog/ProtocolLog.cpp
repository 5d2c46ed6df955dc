#include "gui/protocollog/ProtocolLog.h"

#include "core/base/TextFormat.h"
#include "core/ftp/FtpSession.h"
#include "core/ftp/ProtocolLogText.h"
#include "gui/common/PaneText.h"
#include "gui/common/UserAction.h"
#include "ui_MyMenu.h"

ProtocolLog::ProtocolLog(Ui::TMyMenuForm& ui, FtpSession& session, QWidget* window)
    : QObject(window), ClientColor(colorFromBGR(4227200)), ServerColor(colorFromBGR(8421376)), m_ui(ui),
      m_window(window) {
    setPaneDefaults();
    // Blocks arrive in the middle of FTP calls; each one has its own guard.
    connect(&session, &FtpSession::received, this,
            [this](const QString& block) { guarded(m_window, [&] { logReceived(block); }); });
    connect(&session, &FtpSession::sent, this,
            [this](const QString& block) { guarded(m_window, [&] { logSent(block); }); });
    connect(&session, &FtpSession::status, this, [this](TIdStatus status, const QString& text) {
        guarded(m_window, [&] { logStatus(status, text); });
    });
    connect(m_ui.ICB002, &QCheckBox::clicked, this,
            [this](bool checked) { userAction(m_window, [&] { showDebugPane(checked); }); });
}

// The debugger pane: grey text on white; the history: its own blue-grey. Both in the window's font.
void ProtocolLog::setPaneDefaults() {
    const std::pair<QPlainTextEdit*, QColor> panes[] = {{m_ui.DebugEdit, QColor(Qt::gray)},
                                                        {m_ui.HistoryEdit, colorFromBGR(8421440)}};
    for (const auto& [pane, text] : panes) {
        QPalette palette = pane->palette();
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Text, text);
        pane->setPalette(palette);
        pane->setFont(m_window->font());
        pane->setReadOnly(true);
        setPaneColor(pane, text);
    }
}

void ProtocolLog::logReceived(const QString& block) {
    QPlainTextEdit* history = m_ui.HistoryEdit;
    setPaneColor(history, ServerColor);
    appendPaneLine(history, receivedHistoryHeader());
    appendPaneLine(history, historyBlockText(block));
    appendPaneLine(history, QStringLiteral(". . .\r\n"));
    scrollPaneToEnd(history);

    setPaneColor(m_ui.DebugEdit, ServerColor);
    appendPaneLine(m_ui.DebugEdit, debugReceivedLine(block));
    scrollPaneToEnd(m_ui.DebugEdit);
    emit activity();
}

void ProtocolLog::logSent(const QString& block) {
    QPlainTextEdit* history = m_ui.HistoryEdit;
    setPaneColor(history, ClientColor);
    appendPaneLine(history, sentHistoryHeader());
    appendPaneLine(history, historyBlockText(block));
    appendPaneLine(history, QStringLiteral(". . .\r\n"));

    setPaneColor(m_ui.DebugEdit, ClientColor);
    appendPaneLine(m_ui.DebugEdit, debugSentLine(block));
    scrollPaneToEnd(history);
    emit activity();
}

void ProtocolLog::logStatus(TIdStatus status, const QString& text) {
    if (status == ftpAborted) m_ui.ProcessEdit->setText(QStringLiteral("Connection Aborted ..."));
    appendPaneLine(m_ui.DebugEdit, QStringLiteral("\r\n ... ") + text + QStringLiteral("\r\n"));
}

void ProtocolLog::showDebugPane(bool show) {
    m_ui.DebugEdit->setVisible(show);
    // The splitter's handle goes with the pane; without them the list keeps a small gap above the page's
    // edge.
    m_ui.Splitter7->handle(1)->setVisible(show);
    m_ui.FTPFilesList->setContentsMargins(0, 0, 0, show ? 0 : 3);
}
