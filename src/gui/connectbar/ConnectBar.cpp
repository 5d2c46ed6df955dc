// The connect bar and the handlers of the browsing connection's events.
#include "gui/common/Guard.h"
#include "gui/mainwindow/MyMenu.h"
#include "gui/common/PaneText.h"
#include "core/tables/Table.h"
#include "core/ftp/ConnectBarText.h"
#include "core/ftp/TIdAntiFreeze.h"
#include "core/ftp/TIdFTP.h"
#include "core/ftp/TIdLogEvent.h"
#include "ui_MyMenu.h"

#include <QTimer>

namespace {

void setClient(TIdFTP& ftp, const char* platform) {
    ftp.clientInfo().setClientName(QStringLiteral("Qelto"));
    ftp.clientInfo().setClientVersion(QStringLiteral("1.00.00.01"));
    ftp.clientInfo().setPlatformDescription(QString::fromLatin1(platform));
}

} // namespace

void TMyMenuForm::createConnections() {
    AntiFreeze = std::make_unique<TIdAntiFreeze>();
    LogEvent = std::make_unique<TIdLogEvent>();
    ConsoleEvent = std::make_unique<TIdLogEvent>();
    IdFTP = std::make_unique<TIdFTP>();
    DownloadFTP = std::make_unique<TIdFTP>();
    UploadFTP = std::make_unique<TIdFTP>();
    ConsoleFTP = std::make_unique<TIdFTP>();

    IdFTP->setPassiveUseControlHost(true);
    IdFTP->setTransferType(ftBinary);
    setClient(*IdFTP, "MS Windows");
    for (TIdFTP* ftp : {DownloadFTP.get(), UploadFTP.get()}) {
        ftp->setTransferType(ftBinary);
        ftp->setReadTimeout(0);
        setClient(*ftp, "MS Windows");
    }
    ConsoleFTP->setTransferType(ftBinary);
    setClient(*ConsoleFTP, "Windows");

    IdFTP->setIntercept(LogEvent.get());
    ConsoleFTP->setIntercept(ConsoleEvent.get());

    // Events arrive in the middle of FTP calls; each handler has its own guard.
    IdFTP->OnConnected = [this] { guarded(this, [this] { IdFTPConnected(); }); };
    IdFTP->OnDisconnected = [this] { guarded(this, [this] { IdFTPDisconnected(); }); };
    IdFTP->OnStatus = [this](TIdStatus s, const QString& t) { guarded(this, [&] { IdFTPStatus(s, t); }); };
    IdFTP->OnWorkBegin = [this](TWorkMode m, qint64 n) { guarded(this, [&] { IdFTPWorkBegin(m, n); }); };
    IdFTP->OnWork = [this](TWorkMode m, qint64 n) { guarded(this, [&] { IdFTPWork(m, n); }); };
    IdFTP->OnWorkEnd = [this](TWorkMode m) { guarded(this, [&] { IdFTPWorkEnd(m); }); };
    LogEvent->OnReceived = [this](const QString& t, const QString& d) {
        guarded(this, [&] { LogEventReceived(t, d); });
    };
    LogEvent->OnSent = [this](const QString& t, const QString& d) {
        guarded(this, [&] { LogEventSent(t, d); });
    };
}

void TMyMenuForm::connectBar() {
    connect(m_ui->EB001, &QToolButton::clicked, this, [this] { handle([this] { EB001Click(); }); });
    connect(m_ui->EB002, &QToolButton::clicked, this, [this] { handle([this] { EB002Click(); }); });

    // FTPE001 to FTPE003 show and edit the current bookmark's Address, UserID and Password.
    const std::pair<QLineEdit*, QString> bound[] = {{m_ui->FTPE001, QStringLiteral("Address")},
                                                    {m_ui->FTPE002, QStringLiteral("UserID")},
                                                    {m_ui->FTPE003, QStringLiteral("Password")}};
    for (const auto& [edit, field] : bound) {
        QLineEdit* box = edit;
        const QString name = field;
        connect(box, &QLineEdit::textEdited, this, [this, name](const QString& text) {
            guarded(this, [&] {
                if (!FTPServers->active()) return;
                // Starting a new bookmark moves the table; the boxes must keep what is being typed.
                m_typingBookmark = true;
                runThenAlways(
                    [&] {
                        FTPServers->edit();
                        FTPServers->fieldByName(name).setAsString(text);
                    },
                    [this] { m_typingBookmark = false; });
            });
        });
        connect(box, &QLineEdit::editingFinished, this, [this] {
            guarded(this, [this] {
                if (FTPServers->active() && FTPServers->state() != TableState::Browse) FTPServers->post();
            });
        });
    }
    connect(FTPServers, &TTable::afterScroll, this, [this] {
        if (m_typingBookmark) return;
        guarded(this, [this] {
            const bool any = FTPServers->active() && FTPServers->recordCount() > 0;
            m_ui->FTPE001->setText(any ? FTPServers->fieldByName(QStringLiteral("Address")).asString()
                                       : QString());
            m_ui->FTPE002->setText(any ? FTPServers->fieldByName(QStringLiteral("UserID")).asString()
                                       : QString());
            m_ui->FTPE003->setText(any ? FTPServers->fieldByName(QStringLiteral("Password")).asString()
                                       : QString());
        });
    });
}

void TMyMenuForm::EB001Click() {
    // A click while a connect runs (its waits dispatch clicks) would tear down the connection being made.
    if (m_connecting) return;
    if (m_ui->FTPE001->text().isEmpty() || m_ui->FTPE002->text().isEmpty() ||
        m_ui->FTPE003->text().isEmpty() || m_ui->FTPE004->text().isEmpty())
        return;
    m_connecting = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_connecting};

    const quint16 port = connectBarPort(m_ui->FTPE004->text());
    for (TIdFTP* ftp : {IdFTP.get(), ConsoleFTP.get(), DownloadFTP.get(), UploadFTP.get()})
        if (ftp->Connected()) {
            ftp->Disconnect();
            ftp->closeSocket();
        }
    IdFTP->setHost(m_ui->FTPE001->text());
    IdFTP->setUsername(m_ui->FTPE002->text());
    IdFTP->setPassword(m_ui->FTPE003->text());
    IdFTP->setPort(port);
    IdFTP->setPassive(passiveFromText(m_ui->PasiveEdit->currentText()));
    IdFTP->setTransferType(transferTypeFromText(m_ui->TransferEdit->currentText()));
    m_ui->DebugEdit->clear();

    IdFTP->Connect();
    m_ui->ProcessEdit->setText(QStringLiteral("Connected ... "));
    // The window shows the connected state from here on, also when the first listing fails (a server
    // without MLSD, a refused folder): the connection is open and can be disconnected.
    runThenAlways([this] { ListRemoteDirectory(QStringLiteral("/")); },
                  [this] {
                      if (!IdFTP->Connected()) return;
                      m_ui->SML001->setText(QStringLiteral("Disconnect"));
                      setRemoteButtonsEnabled(true);
                      m_ui->EB001->hide();
                      m_ui->EB002->setEnabled(true);
                      m_ui->EB002->show();
                  });
    FTPCurrentDirectory = QStringLiteral("ftp://") + m_ui->FTPE001->text() + IdFTP->RetrieveCurrentDir();
    if (StandByMode) {
        ListRemoteDirectory(FTPStandByDirectory);
        StandByMode = false;
    }
}

void TMyMenuForm::setRemoteButtonsEnabled(bool enabled) {
    for (QToolButton* b : {m_ui->RFS001, m_ui->RFS002, m_ui->RFS003, m_ui->RFS004, m_ui->RFS005, m_ui->RFS006,
                           m_ui->RFS007, m_ui->RFS008, m_ui->LFB008})
        b->setEnabled(enabled);
}

// Breaks the console, download and upload connections, saying so in the status field.
void TMyMenuForm::breakTransferConnections() {
    const std::pair<TIdFTP*, const char*> connections[] = {
        {ConsoleFTP.get(), "Console connection is broken ... "},
        {DownloadFTP.get(), "Download connection is broken ... "},
        {UploadFTP.get(), "Upload connection is broken ... "}};
    for (const auto& [ftp, text] : connections) {
        if (!ftp->Connected()) continue;
        const QString status = QString::fromLatin1(text);
        runThenAlways([ftp] { breakConnection(*ftp); },
                      [this, status] { m_ui->ProcessEdit->setText(status); });
    }
}

void TMyMenuForm::resetAfterDisconnect() {
    IdFTP->setHost(QString());
    IdFTP->setUsername(QString());
    IdFTP->setPassword(QString());
    IdFTP->setPort(21);
    m_ui->FTPFilesList->clear();
    m_ui->SML001->setText(QStringLiteral("Connect"));
    setRemoteButtonsEnabled(false);
    m_ui->EB002->hide();
    m_ui->EB001->setEnabled(true);
    m_ui->EB001->show();
}

void TMyMenuForm::breakConnection(TIdFTP& ftp) {
    ftp.Abort();
    ftp.Disconnect();
    ftp.closeSocket();
}

void TMyMenuForm::EB002Click() {
    breakTransferConnections();
    runThenAlways([this] { breakConnection(*IdFTP); },
                  [this] {
                      m_ui->ProcessEdit->setText(QStringLiteral("Server connection is broken ... "));
                      m_ui->TimeLabel->hide();
                  });
    resetAfterDisconnect();
}

void TMyMenuForm::IdFTPConnected() {
    m_ui->FTPOnImage->show();
}

void TMyMenuForm::IdFTPDisconnected() {
    runThenAlways([this] { breakTransferConnections(); },
                  [this] {
                      IdFTP->closeSocket();
                      resetAfterDisconnect();
                      SleepTimer->stop();
                      m_ui->FTPOnImage->hide();
                      m_ui->StopImg01->hide();
                      m_ui->StopImg02->hide();
                  });
}

void TMyMenuForm::IdFTPStatus(TIdStatus status, const QString& text) {
    if (status == ftpAborted) m_ui->ProcessEdit->setText(QStringLiteral("Connection Aborted ..."));
    appendPaneLine(m_ui->DebugEdit, QStringLiteral("\r\n ... ") + text + QStringLiteral("\r\n"));
}

// The buttons that must wait while data flows on the browsing connection.
void TMyMenuForm::setDataFlowButtonsEnabled(bool enabled) {
    for (QToolButton* b : {m_ui->EB001, m_ui->RFS001, m_ui->RFS003, m_ui->RFS004, m_ui->RFS005, m_ui->RFS006,
                           m_ui->RFS007, m_ui->RFS008, m_ui->RFS009})
        b->setEnabled(enabled);
}

void TMyMenuForm::IdFTPWorkBegin(TWorkMode, qint64) {
    setDataFlowButtonsEnabled(false);
}

void TMyMenuForm::IdFTPWork(TWorkMode, qint64 count) {
    m_ui->ProcessEdit->setText(QString::number(count) + QStringLiteral(" Byte"));
}

void TMyMenuForm::IdFTPWorkEnd(TWorkMode) {
    setDataFlowButtonsEnabled(true);
}

void TMyMenuForm::syncConnectionState() {
    if (!m_connecting && !IdFTP->Connected() && m_ui->EB002->isVisible()) IdFTPDisconnected();
}
