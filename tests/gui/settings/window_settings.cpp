// The settings page: the proxy reaching the browsing connection's login, the system settings, the
// switches and the information page.
#include "core/tables/Table.h"
#include "gui/connectbar/ConnectBar.h"
#include "gui/netmonitor/NetMonitor.h"
#include "gui/settings/Settings.h"
#include "support/FtpTestSupport.h"
#include "support/WindowFixture.h"
#include "ui_MyMenu.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QWheelEvent>

namespace {

// The window's listing after a login: CWD, MLSD over a passive data connection, PWD; twice.
QStringList listingPasses() {
    QStringList steps;
    for (int pass = 0; pass < 2; ++pass)
        steps << ftptest::ss({"C CWD /", "S 250 ok", "L", "C PASV", "S 227 Entering Passive Mode ({pasv})",
                              "C MLSD", "S 150 listing", "A", "D type=file;size=1; a.txt\\r\\n", "DX",
                              "S 226 done", "C PWD", "S 257 \"/\""});
    return steps;
}

} // namespace

class SettingsTest : public WindowTest {};

TEST_F(SettingsTest, ProxyApplyReachesTheLogin) {
    const QStringList login = ftptest::ss(
        {"S 220 proxy ready", "C HOST ftp.example.com", "S 500 no", "C USER alice@ftp.example.com puser",
         "S 331 Password", "C PASS secret", "S 332 Firewall account", "C ACCT ppass", "S 230 Logged in",
         "C FEAT", "S 211-Features:", "S  MLSD", "S 211 End", "C TYPE I", "S 200 ok", "C SYST", "S 215 UNIX",
         "C TYPE I", "S 200 ok"});
    ftptest::ScriptedServer server(login + listingPasses() + ftptest::ss({"C PWD", "S 257 \"/\"", "P 5"}));
    TMyMenuForm& w = openWindow();
    auto* ui = w.ui();
    QSignalSpy traffic(&w.settings(), &Settings::trafficSwitchRequested);
    ui->ProxyEdit001->setText(QStringLiteral("127.0.0.1"));
    ui->ProxyEdit002->setText(QStringLiteral("puser"));
    ui->ProxyEdit003->setText(QStringLiteral("ppass"));
    ui->ProxyEdit004->setCurrentText(QStringLiteral("User Host FireWall ID"));
    ui->ProxyEdit005->setText(QString::number(server.port()));
    ui->ApplayProxy->click();
    EXPECT_EQ(traffic.count(), 1);
    EXPECT_EQ(w.settings().connectionSettings().proxy.ProxyType, fpcmUserHostFireWallID);

    ui->TransferEdit->setCurrentText(QStringLiteral("Binary"));
    ui->FTPE001->setText(QStringLiteral("ftp.example.com"));
    ui->FTPE002->setText(QStringLiteral("alice"));
    ui->FTPE003->setText(QStringLiteral("secret"));
    ui->FTPE004->setText(QStringLiteral("21"));
    ui->EB001->click();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    closeWindow();

    const QStringList sent = server.session(0);
    const QStringList expected = ftptest::ss(
        {"HOST ftp.example.com", "USER alice@ftp.example.com puser", "PASS secret", "ACCT ppass", "FEAT"});
    ASSERT_GE(sent.size(), expected.size()) << sent.join(u'|').toStdString();
    EXPECT_EQ(sent.mid(0, expected.size()), expected);
}

TEST_F(SettingsTest, AProxyPortThatIsNoNumberStopsAfterTheRest) {
    TMyMenuForm& w = openWindow();
    auto* ui = w.ui();
    QSignalSpy traffic(&w.settings(), &Settings::trafficSwitchRequested);
    const bool trafficBefore = w.netMonitor().NetTimer->isActive();
    ui->ProxyEdit005->setText(QStringLiteral("2121"));
    ui->ApplayProxy->click();
    EXPECT_NE(w.netMonitor().NetTimer->isActive(), trafficBefore);
    ui->ProxyEdit001->setText(QStringLiteral("proxy.example.com"));
    ui->ProxyEdit004->setCurrentText(QStringLiteral("Site"));
    ui->ProxyEdit005->setText(QStringLiteral("21x"));
    ui->ApplayProxy->click();
    EXPECT_EQ(errors, QStringList{QStringLiteral("'21x' is not a valid integer value.")});
    EXPECT_EQ(traffic.count(), 2);
    EXPECT_EQ(w.netMonitor().NetTimer->isActive(), trafficBefore); // switched twice
    const ConnectionSettings bar = w.connectBar().settingsFromBar();
    EXPECT_EQ(bar.proxy.Host, QStringLiteral("proxy.example.com"));
    EXPECT_EQ(bar.proxy.ProxyType, fpcmSite);
    EXPECT_EQ(bar.proxy.Port, 2121);
}

TEST_F(SettingsTest, SystemSettingsReachTheConnectBarFromStartUp) {
    TMyMenuForm& w = openWindow();
    auto* ui = w.ui();
    ConnectionSettings bar = w.connectBar().settingsFromBar();
    EXPECT_EQ(bar.readTimeout, 60000);
    EXPECT_EQ(bar.dataPort, 0);
    EXPECT_FALSE(bar.keepTransferConnectionOpen);
    EXPECT_EQ(bar.simultaneousTransfers, 1);

    ui->RzEdit9->setText(QStringLiteral("5000"));
    emit ui->RzEdit9->editingFinished();
    ui->KeepTransferConnection->click();
    ui->SimultaneousTransfers->setValue(4);
    ui->RzCheckBox5->click();
    ui->RzComboBox5->setCurrentText(QStringLiteral("IP Version 6"));
    bar = w.connectBar().settingsFromBar();
    EXPECT_EQ(bar.readTimeout, 5000);
    EXPECT_TRUE(bar.keepTransferConnectionOpen);
    EXPECT_EQ(bar.simultaneousTransfers, 4);
    EXPECT_FALSE(bar.useHOST);
    EXPECT_EQ(bar.ipVersion, Id_IPv6);

    // Settings the client cannot honour are offered disabled, saying so.
    for (QWidget* unavailable : std::initializer_list<QWidget*>{ui->AutoLogin, ui->PassiveUseControlHOST,
                                                                ui->RzCheckBox4, ui->ICB007}) {
        EXPECT_FALSE(unavailable->isEnabled()) << unavailable->objectName().toStdString();
        EXPECT_FALSE(unavailable->toolTip().isEmpty());
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

TEST_F(SettingsTest, TheCurrentBookmarkChoosesTheTlsModeWhenItNamesOneAndTheSettingsPageOtherwise) {
    TMyMenuForm& w = openWindow();
    auto* ui = w.ui();
    TTable& bookmarks = *w.tables().FTPServers;
    ASSERT_GT(bookmarks.recordCount(), 0); // the template's bookmark, UseTLS "False"
    EXPECT_EQ(w.connectBar().settingsFromBar().tls, TlsMode::None);
    const struct {
        int settingsItem;
        const char* useTls;
        TlsMode expected;
    } cases[] = {{1, "False", TlsMode::Explicit},
                 {3, "", TlsMode::Require},
                 {1, "Implicit", TlsMode::Implicit},
                 {0, "True", TlsMode::Explicit},
                 {2, "Recuire Transport Layer Security (TLS)", TlsMode::Require}};
    for (const auto& c : cases) {
        ui->RzComboBox8->setCurrentIndex(c.settingsItem);
        bookmarks.edit();
        bookmarks.fieldByName(QStringLiteral("UseTLS")).setAsString(QString::fromUtf8(c.useTls));
        bookmarks.post();
        EXPECT_EQ(w.connectBar().settingsFromBar().tls, c.expected) << c.settingsItem << " " << c.useTls;
    }

    // The bookmark editor shows the bookmark's mode and stores the one chosen; its first item stores
    // "False", which leaves the choice to the settings page again.
    EXPECT_EQ(ui->SBE008->currentIndex(), 3);
    ui->SBE008->setCurrentIndex(2);
    ui->RzBmpButton26->click();
    EXPECT_EQ(bookmarks.fieldByName(QStringLiteral("UseTLS")).asString(), QStringLiteral("Implicit"));
    ui->SBE008->setCurrentIndex(0);
    ui->RzBmpButton26->click();
    EXPECT_EQ(bookmarks.fieldByName(QStringLiteral("UseTLS")).asString(), QStringLiteral("False"));
    EXPECT_EQ(w.connectBar().settingsFromBar().tls, TlsMode::Implicit);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

TEST_F(SettingsTest, SwitchesShowAndHideTheirParts) {
    TMyMenuForm& w = openWindow();
    auto* ui = w.ui();
    const struct {
        QCheckBox* box;
        QWidget* part;
    } switches[] = {{ui->ICB001, ui->SelectPanel},
                    {ui->ICB003, ui->FTPEventsTable},
                    {ui->CommandsCheck, ui->CommandsEdit}};
    ui->RzPageControl1->setCurrentWidget(ui->InformationPage);
    for (const auto& s : switches) {
        EXPECT_TRUE(s.part->isVisible()) << s.box->objectName().toStdString();
        s.box->click();
        EXPECT_FALSE(s.part->isVisible()) << s.box->objectName().toStdString();
        s.box->click();
        EXPECT_TRUE(s.part->isVisible()) << s.box->objectName().toStdString();
    }
    EXPECT_TRUE(ui->CommandsEdit->toPlainText().startsWith(QStringLiteral("RAW FTP COMMANDS")));
    EXPECT_TRUE(ui->CommandsEdit->toPlainText().contains(QStringLiteral("CWD - change working directory")));
}

TEST_F(SettingsTest, CatalogueShowsTheCurrentTypesTextAndPicture) {
    TMyMenuForm& w = openWindow();
    TTable& types = *w.tables().FileInfo;
    ASSERT_GT(types.recordCount(), 1);
    w.ui()->FTPGrid->selectRow(1);
    EXPECT_EQ(types.recNo(), 1);
    EXPECT_EQ(w.ui()->RzDBRichEdit1->toPlainText(),
              types.fieldByName(QStringLiteral("Information")).asString());
    EXPECT_EQ(w.ui()->FileImage->pixmap().isNull(),
              types.fieldByName(QStringLiteral("Pictures48x48")).picture().isNull());
}

// Scrolling the page with the wheel passes over lists and spinners without changing them; one that has
// the focus takes the wheel.
TEST_F(SettingsTest, TheWheelScrollsThePageAndChangesOnlyAControlWithTheFocus) {
    TMyMenuForm& w = openWindow();
    auto* ui = w.ui();
    w.resize(w.width(), 400); // the page is taller than its view
    ui->LocalPageControl->setCurrentWidget(ui->SettingsPage);
    QScrollBar* bar = ui->SettingsScroll->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    auto turn = [](QWidget* control, int delta) {
        const QPointF at = QRectF(control->rect()).center();
        QWheelEvent wheel(at, control->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(control, &wheel);
    };
    struct Case {
        QWidget* control;
        std::function<QString()> value;
    } cases[] = {
        {ui->ProxyEdit004, [&] { return ui->ProxyEdit004->currentText(); }},
        {ui->TransferEdit, [&] { return ui->TransferEdit->currentText(); }},
        {ui->MinEdit, [&] { return ui->MinEdit->text(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control->objectName().toStdString());
        const QString before = c.value();
        bar->setValue(0);
        turn(c.control, -120);
        EXPECT_EQ(c.value(), before);
        EXPECT_GT(bar->value(), 0);
        const int scrolled = bar->value();
        turn(c.control, 120);
        EXPECT_EQ(c.value(), before);
        EXPECT_LT(bar->value(), scrolled);
    }
    EXPECT_EQ(ui->ProxyEdit004->focusPolicy(), Qt::StrongFocus);

    w.activateWindow();
    ui->ProxyEdit004->setFocus();
    ASSERT_TRUE(testsupport::waitUntil([&] { return ui->ProxyEdit004->hasFocus(); }));
    turn(ui->ProxyEdit004, -120);
    EXPECT_EQ(ui->ProxyEdit004->currentText(), QStringLiteral("HTTP Proxy With FTP"));
}
