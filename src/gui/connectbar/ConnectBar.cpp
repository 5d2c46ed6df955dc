#include "gui/connectbar/ConnectBar.h"

#include "core/base/Errors.h"
#include "core/ftp/ConnectBarText.h"
#include "core/ftp/FtpSession.h"
#include "core/ftp/MlstFacts.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/Table.h"
#include "gui/common/CertificateQuestion.h"
#include "gui/common/UserAction.h"
#include "ui_MyMenu.h"

ConnectBar::ConnectBar(Ui::TMyMenuForm& ui, FtpSession& session, TTable& bookmarks, QWidget* window)
    : QObject(window), m_ui(ui), m_session(session), m_bookmarks(bookmarks), m_window(window) {
    connect(m_ui.EB001, &QToolButton::clicked, this,
            [this] { userAction(m_window, [this] { connectToServer(); }); });
    connect(m_ui.EB002, &QToolButton::clicked, this,
            [this] { userAction(m_window, [this] { disconnectFromServer(); }); });
    m_ui.PasiveEdit->setCurrentText(QStringLiteral("True"));
    m_ui.TransferEdit->setCurrentText(QStringLiteral("ASCII"));
    bindBookmark();
    // A certificate the system does not trust is put to the user; what is trusted here, the transfer
    // connections trust too.
    m_session.ftp().OnUntrustedCertificate = certificateQuestionHook(m_window);

    // Events arrive in the middle of FTP calls; each handler has its own guard.
    connect(&session, &FtpSession::connected, this, [this] {
        m_sessionUp = true;
        m_ui.FTPOnImage->show();
    });
    connect(&session, &FtpSession::disconnected, this, [this] {
        guarded(m_window, [this] {
            m_session.ftp().closeSocket();
            showDisconnected();
        });
    });
    connect(&session, &FtpSession::workBegin, this, [this] { setDataFlowing(true); });
    connect(&session, &FtpSession::work, this, [this](TWorkMode, qint64 count) {
        m_ui.ProcessEdit->setText(QString::number(count) + QStringLiteral(" Byte"));
    });
    connect(&session, &FtpSession::workEnd, this, [this] { setDataFlowing(false); });
    connect(&UserActions::instance(), &UserActions::finished, this,
            [this] { guarded(m_window, [this] { syncWithConnection(); }); });
}

// FTPE001 to FTPE003 show and edit the current bookmark's Address, UserID and Password.
void ConnectBar::bindBookmark() {
    const std::pair<QLineEdit*, QString> bound[] = {{m_ui.FTPE001, QStringLiteral("Address")},
                                                    {m_ui.FTPE002, QStringLiteral("UserID")},
                                                    {m_ui.FTPE003, QStringLiteral("Password")}};
    for (const auto& [edit, field] : bound) {
        const QString name = field;
        connect(edit, &QLineEdit::textEdited, this, [this, name](const QString& text) {
            guarded(m_window, [&] {
                if (!m_bookmarks.active()) return;
                // Starting a new bookmark moves the table; the boxes must keep what is being typed.
                m_typingBookmark = true;
                runThenAlways(
                    [&] {
                        m_bookmarks.edit();
                        m_bookmarks.fieldByName(name).setAsString(text);
                    },
                    [this] { m_typingBookmark = false; });
            });
        });
        connect(edit, &QLineEdit::editingFinished, this, [this] {
            guarded(m_window, [this] {
                if (m_bookmarks.active() && m_bookmarks.state() != TableState::Browse) m_bookmarks.post();
            });
        });
    }
    connect(&m_bookmarks, &TTable::afterScroll, this, [this] {
        if (!m_typingBookmark) guarded(m_window, [this] { showBookmark(); });
    });
}

void ConnectBar::showBookmark() {
    const bool any = m_bookmarks.active() && m_bookmarks.recordCount() > 0;
    auto field = [&](const char* name) {
        return any ? m_bookmarks.fieldByName(QString::fromLatin1(name)).asString() : QString();
    };
    // A bookmark made in the editor may hold its address only as the server's address.
    const QString address = field("Address");
    m_ui.FTPE001->setText(address.isEmpty() ? field("FTPServer") : address);
    m_ui.FTPE002->setText(field("UserID"));
    m_ui.FTPE003->setText(field("Password"));
}

ConnectionSettings ConnectBar::settingsFromBar() const {
    ConnectionSettings settings = m_defaults;
    settings.host = m_ui.FTPE001->text();
    settings.user = m_ui.FTPE002->text();
    settings.password = m_ui.FTPE003->text();
    settings.port = connectBarPort(m_ui.FTPE004->text());
    settings.passive = passiveFromText(m_ui.PasiveEdit->currentText());
    settings.transferType = transferTypeFromText(m_ui.TransferEdit->currentText());
    // The current bookmark's UseTLS, when it names a mode; otherwise the settings page's choice.
    const bool onBookmark = m_bookmarks.active() && m_bookmarks.recordCount() > 0;
    const std::optional<TlsMode> chosen =
        onBookmark ? bookmarkTlsMode(m_bookmarks.fieldByName(QStringLiteral("UseTLS")).asString())
                   : std::nullopt;
    settings.tls = chosen.value_or(m_defaults.tls);
    return settings;
}

void ConnectBar::connectToServer() {
    // A click while a connect or a refresh runs (their waits dispatch clicks) would tear down the
    // connection in use.
    if (m_connecting || m_browserBusy) return;
    if (m_ui.FTPE001->text().trimmed().isEmpty())
        throw QeltoError(
            QStringLiteral("There is no server address to connect to: type one into \"Address:\" or "
                           "choose a bookmark on the \"FTP Servers\" page"));
    if (m_ui.FTPE002->text().isEmpty() || m_ui.FTPE003->text().isEmpty() || m_ui.FTPE004->text().isEmpty())
        return;
    const ConnectionSettings settings = settingsFromBar();
    m_connecting = true;
    emit connectingChanged(true);
    runThenAlways(
        [&] {
            if (m_session.isOpen()) m_session.close();
            m_session.configure(settings);
            m_ui.DebugEdit->clear();
            m_session.unlessClosed([&] {
                m_session.open();
                // The permissions page needs each entry's mode, which some servers list only when asked.
                requestUnixMode(m_session.ftp());
                m_ui.ProcessEdit->setText(QStringLiteral("Connected ... "));
            });
        },
        [this] {
            m_connecting = false;
            emit connectingChanged(false);
        });
    if (!m_session.isOpen()) return;
    // The window shows the connected state from here on, also when the first listing fails (a server
    // without MLSD, a refused folder): the connection is open and can be disconnected.
    runThenAlways([&] { emit loggedIn(settings); },
                  [this] {
                      if (m_session.isOpen()) showConnected();
                  });
}

void ConnectBar::disconnectFromServer() {
    if (m_mayDisconnect && !m_mayDisconnect()) return;
    m_session.close();
    m_ui.ProcessEdit->setText(QStringLiteral("Server connection is broken ... "));
    m_ui.TimeLabel->hide();
    showDisconnected();
}

void ConnectBar::closeForExit() {
    if (!m_session.isOpen()) return;
    // A call waiting on the connection (the window closed during a listing) is aborted; otherwise a
    // goodbye is enough.
    if (m_browserBusy || m_connecting)
        m_session.close();
    else
        m_session.quit();
    m_ui.ProcessEdit->setText(QStringLiteral("Server connection is broken ... "));
}

void ConnectBar::showConnected() {
    m_connectedLook = true;
    m_ui.SML001->setText(QStringLiteral("Disconnect"));
    m_ui.EB001->hide();
    m_ui.EB002->show();
    updateButtons();
}

void ConnectBar::showDisconnected() {
    // The session forgets where it was logged in.
    ConnectionSettings forgotten = m_session.settings();
    forgotten.host.clear();
    forgotten.user.clear();
    forgotten.password.clear();
    forgotten.port = 21;
    m_session.configure(forgotten);
    const bool wasShown = m_connectedLook || m_sessionUp;
    m_connectedLook = false;
    m_sessionUp = false;
    m_dataFlowing = false;
    m_ui.FTPFilesList->clear();
    m_ui.SML001->setText(QStringLiteral("Connect"));
    m_ui.EB002->hide();
    m_ui.EB001->show();
    m_ui.FTPOnImage->hide();
    updateButtons();
    if (wasShown) emit disconnected();
}

void ConnectBar::setDataFlowing(bool flowing) {
    m_dataFlowing = flowing;
    updateButtons();
}

// The remote buttons follow the connection; those that start a command also wait while data flows.
void ConnectBar::updateButtons() {
    for (QToolButton* b : {m_ui.RFS001, m_ui.RFS003, m_ui.RFS004, m_ui.RFS005, m_ui.RFS006, m_ui.RFS007,
                           m_ui.RFS008, m_ui.RFS009})
        b->setEnabled(m_connectedLook && !m_dataFlowing);
    for (QToolButton* b : {m_ui.RFS002, m_ui.LFB008})
        b->setEnabled(m_connectedLook);
    m_ui.EB001->setEnabled(!m_dataFlowing);
    m_ui.EB002->setEnabled(true);
}

void ConnectBar::syncWithConnection() {
    if (!m_connecting && !m_session.isOpen() && (m_connectedLook || m_sessionUp)) {
        m_session.ftp().closeSocket();
        showDisconnected();
    }
}
