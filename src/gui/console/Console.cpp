#include "gui/console/Console.h"

#include "core/base/TextFormat.h"
#include "core/console/ConsoleText.h"
#include "core/ftp/ConnectBarText.h"
#include "core/ftp/FtpSession.h"
#include "core/ftp/TIdFTP.h"
#include "gui/common/CertificateQuestion.h"
#include "gui/common/PaneText.h"
#include "gui/common/UserAction.h"
#include "ui_MyMenu.h"

namespace {

const QColor sentColor = colorFromBGR(0x808000);
const QColor receivedColor = colorFromBGR(0x8080);
const QColor paneText = colorFromBGR(0xF0CAA6); // sky blue

} // namespace

Console::Console(Ui::TMyMenuForm& ui, QWidget* window)
    : QObject(window), m_ui(ui), m_window(window),
      m_session(new FtpSession(QStringLiteral("Windows"), this)) {
    QPalette palette = m_ui.ConsoleEdit->palette();
    palette.setColor(QPalette::Base, Qt::black);
    palette.setColor(QPalette::Text, paneText);
    m_ui.ConsoleEdit->setPalette(palette);
    m_ui.ConsoleEdit->setFont(QFont(QStringLiteral("Tahoma"), 8));
    m_session->ftp().OnUntrustedCertificate = certificateQuestionHook(m_window);

    connect(m_ui.CB001, &QToolButton::clicked, this,
            [this] { userAction(m_window, [this] { toggleConnection(); }); });
    connect(m_ui.CB002, &QToolButton::clicked, this,
            [this] { userAction(m_window, [this] { toggleConnection(); }); });
    connect(m_ui.CMDEdit, &QLineEdit::returnPressed, this,
            [this] { userAction(m_window, [this] { executeCommandLine(); }); });
    connect(m_ui.RzBmpButton27, &QToolButton::clicked, this,
            [this] { userAction(m_window, [this] { executeCommandLine(); }); });

    QPlainTextEdit* pane = m_ui.ConsoleEdit;
    connect(m_ui.CEB003, &QToolButton::clicked, pane, &QPlainTextEdit::undo);
    connect(m_ui.CEB004, &QToolButton::clicked, pane, &QPlainTextEdit::cut);
    connect(m_ui.CEB005, &QToolButton::clicked, pane, &QPlainTextEdit::copy);
    connect(m_ui.CEB006, &QToolButton::clicked, pane, &QPlainTextEdit::paste);
    connect(m_ui.CEB007, &QToolButton::clicked, pane, [pane] { pane->textCursor().removeSelectedText(); });

    // Blocks arrive in the middle of the console's FTP calls; each one has its own guard.
    connect(m_session, &FtpSession::sent, this,
            [this](const QString& block) { guarded(m_window, [&] { echoSent(block); }); });
    connect(m_session, &FtpSession::received, this,
            [this](const QString& block) { guarded(m_window, [&] { echoReceived(block); }); });
    // A connection the server dropped shows as such at once; the next click connects again.
    connect(m_session, &FtpSession::disconnected, this, [this] { showConnected(false); });
}

void Console::toggleConnection() {
    if (m_session->isOpen())
        disconnectConsole();
    else
        connectConsole();
}

void Console::connectConsole() {
    if (m_busy) return;
    const QString host = m_ui.FTPE001->text();
    const QString user = m_ui.FTPE002->text();
    const QString password = m_ui.FTPE003->text();
    const QString port = m_ui.FTPE004->text();
    if (host.isEmpty() || user.isEmpty() || password.isEmpty() || port.isEmpty()) return;

    ConnectionSettings settings; // IPv4, passive, binary, no proxy, the default read time-out
    settings.host = host;
    settings.port = connectBarPort(port);
    settings.user = user;
    settings.password = password;
    if (m_tlsMode) settings.tls = m_tlsMode();
    m_session->configure(settings);
    m_busy = true;
    runThenAlways([this] { m_session->open(); }, [this] { m_busy = false; });
    showConnected(true);
}

void Console::disconnectConsole() {
    m_ui.ProcessEdit->setText(m_session->ftp().host());
    m_session->close();
    showConnected(false);
}

void Console::showConnected(bool connected) {
    for (QToolButton* b :
         {m_ui.CEB001, m_ui.CEB002, m_ui.CEB003, m_ui.CEB004, m_ui.CEB005, m_ui.CEB006, m_ui.CEB007})
        b->setEnabled(connected);
    m_ui.CB001->setVisible(!connected);
    m_ui.CB002->setVisible(connected);
    m_ui.CL001->setText(connected ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
}

void Console::executeCommandLine() {
    if (m_busy) return;
    if (!m_session->isOpen()) {
        // The line stays for when the console is connected.
        append(QStringLiteral("The console is not connected: start it with \"Connect\" first, then press "
                              "Enter again."));
        return;
    }
    const ConsoleCommand command = parseConsoleCommand(m_ui.CMDEdit->text());
    m_busy = true;
    runThenAlways(
        [&] {
            TIdFTP& ftp = m_session->ftp();
            switch (command.action) {
            case ConsoleAction::Nothing:
                break;
            case ConsoleAction::Disconnect:
                disconnectConsole();
                break;
            case ConsoleAction::DirectoryReport:
                writeDirectoryReport(ftp.RetrieveCurrentDir());
                break;
            case ConsoleAction::ExtendedPassive:
            case ConsoleAction::Send: {
                // Any reply: refusals only show in the pane. A preliminary reply is followed by the final
                // one, which belongs to this command too.
                int code = ftp.SendCmd(command.line, -1);
                while (code >= 100 && code < 200)
                    code = ftp.ReadNextReply();
                break;
            }
            }
        },
        [this] { m_busy = false; });
    m_ui.CMDEdit->clear();
}

void Console::writeDirectoryReport(const QString& dir) {
    TIdFTP& ftp = m_session->ftp();
    runThenAlways(
        [&] {
            ftp.ChangeDir(dir);
            ftp.List(nullptr, QString(), true);
            const QList<TIdFTPListItem> entries = ftp.DirectoryListing();
            m_ui.ProcessEdit->setText(ftp.RetrieveCurrentDir());
            for (const QString& text : consoleDirectoryReport(entries))
                append(text);
        },
        [this] { append(QStringLiteral("\r\n")); });
}

void Console::append(const QString& text) {
    appendPaneLine(m_ui.ConsoleEdit, text);
    scrollPaneToEnd(m_ui.ConsoleEdit);
}

void Console::echoSent(const QString& block) {
    setPaneColor(m_ui.ConsoleEdit, sentColor);
    append(consoleSentText(block));
}

void Console::echoReceived(const QString& block) {
    setPaneColor(m_ui.ConsoleEdit, receivedColor);
    append(consoleReceivedText(block));
}
