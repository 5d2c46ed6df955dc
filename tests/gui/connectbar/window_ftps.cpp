// FTPS from the real window against vsftpd with TLS and a certificate made for the test: the settings
// page's TLS choice, the certificate question, and the transfer and console connections trusting what
// the user accepted.
#include "core/ftp/FtpSession.h"
#include "core/ftp/VsftpdServer.h"
#include "core/tables/Table.h"
#include "gui/console/Console.h"
#include "support/BrowseFixture.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <sys/stat.h>

namespace {

int modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

} // namespace

class FtpsWindowTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        ASSERT_TRUE(keys.isValid() && local.isValid());
        // Self-signed and made out to "localhost" while the window connects to 127.0.0.1: the system
        // trusts neither the chain nor the name.
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                       QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=localhost"),
                       QStringLiteral("-keyout"), keys.filePath(QStringLiteral("key.pem")),
                       QStringLiteral("-out"), keys.filePath(QStringLiteral("cert.pem"))});
        ASSERT_TRUE(openssl.waitForFinished(60000) && openssl.exitCode() == 0)
            << openssl.readAllStandardError().toStdString();
        const QList<QSslCertificate> certs =
            QSslCertificate::fromPath(keys.filePath(QStringLiteral("cert.pem")));
        ASSERT_EQ(certs.size(), 1);
        fingerprint = certificateFingerprint(certs.first());
        vsftpd = std::make_unique<VsftpdServer>(
            root.path(), QStringList{QStringLiteral("--tls"), keys.filePath(QStringLiteral("cert.pem")),
                                     keys.filePath(QStringLiteral("key.pem"))});
    }

    // Answers every certificate question with `button` and keeps its text.
    void answerQuestionsWith(QMessageBox::StandardButton button) {
        auto* poll = new QTimer(window.get());
        QObject::connect(poll, &QTimer::timeout, poll, [this, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box->property("answered").toBool()) return;
            box->setProperty("answered", true);
            questions << box->text();
            EXPECT_EQ(box->textFormat(), Qt::PlainText);
            EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
            box->button(button)->click();
        });
        poll->start(20);
    }

    // Chooses explicit TLS on the settings page and connects to vsftpd as an anonymous user.
    TMyMenuForm& connectWithExplicitTls(QMessageBox::StandardButton answer) {
        TMyMenuForm& w = openWindow();
        answerQuestionsWith(answer);
        w.ui()->RzComboBox8->setCurrentIndex(1);
        w.ui()->FTPE001->setText(QStringLiteral("127.0.0.1"));
        w.ui()->FTPE002->setText(QStringLiteral("anonymous"));
        w.ui()->FTPE003->setText(QStringLiteral("guest"));
        w.ui()->FTPE004->setText(QString::number(vsftpd->port()));
        w.ui()->EB001->click();
        return w;
    }

    QString trustFile() const { return dataHome.path() + QStringLiteral("/Kaxo/Qelto/TrustedCertificates"); }

    QTemporaryDir keys;
    QTemporaryDir local;
    QString fingerprint;
    std::unique_ptr<VsftpdServer> vsftpd;
    QStringList questions;
};

TEST_F(FtpsWindowTest, ExplicitTlsAsksOnceAndTheTransferAndConsoleConnectionsTrustTheAnswer) {
    writeFile(QStringLiteral("pub/big.bin"), QByteArray(3 * 1024 * 1024 + 17, 'z'));
    TMyMenuForm& w = connectWithExplicitTls(QMessageBox::Yes);
    ASSERT_TRUE(w.browsingSession().isOpen()) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(w.browsingSession().ftp().usingTls());
    EXPECT_TRUE(w.browsingSession().ftp().protectsData());
    ASSERT_EQ(questions.size(), 1);
    for (const QString& part : {QStringLiteral("127.0.0.1"), fingerprint,
                                QStringLiteral("Subject: localhost"), QStringLiteral("Valid from ")})
        EXPECT_TRUE(questions.first().contains(part)) << part.toStdString() << "\n"
                                                      << questions.first().toStdString();
    EXPECT_EQ(modeOf(trustFile()), 0600);
    // The log names the protocol and cipher, and the login came after the handshake.
    const QString log = w.ui()->DebugEdit->toPlainText();
    EXPECT_TRUE(log.contains(QStringLiteral("TLS connection established: TLS 1."))) << log.toStdString();
    EXPECT_LT(log.indexOf(QStringLiteral("AUTH TLS")), log.indexOf(QStringLiteral("USER anonymous")));
    EXPECT_TRUE(listCaptions().contains(QStringLiteral("pub"))) << listCaptions().join(u',').toStdString();

    // A download job's worker cannot ask: it takes the certificate the user accepted.
    doubleClickItem(QStringLiteral("pub"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return listItem(QStringLiteral("big.bin")) != nullptr; },
                                       std::chrono::seconds(10)));
    w.localPanel().openFolder(local.path());
    w.ui()->FTPFilesList->clearSelection();
    listItem(QStringLiteral("big.bin"))->setSelected(true);
    listItem(QStringLiteral("readme.txt"))->setSelected(true);
    w.ui()->LFB008->click();
    ASSERT_TRUE(testsupport::waitUntil(
        [&] {
            return (!w.jobQueue().running() && w.tables().FTPEvents->recordCount() == 0) || !errors.isEmpty();
        },
        std::chrono::seconds(30)))
        << w.ui()->DebugEdit->toPlainText().toStdString() << w.tables().FTPEvents->recordCount();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    QFile big(local.filePath(QStringLiteral("big.bin")));
    ASSERT_TRUE(big.open(QIODevice::ReadOnly));
    EXPECT_EQ(big.readAll(), QByteArray(3 * 1024 * 1024 + 17, 'z'));

    // So does the console, without asking again.
    w.ui()->CB001->click();
    ASSERT_TRUE(w.console().ConsoleFTP().isOpen()) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(w.console().ConsoleFTP().ftp().usingTls());
    EXPECT_EQ(questions.size(), 1);
}

TEST_F(FtpsWindowTest, ADeclinedCertificateEndsTheConnectBeforeTheLogin) {
    TMyMenuForm& w = connectWithExplicitTls(QMessageBox::No);
    EXPECT_EQ(questions.size(), 1);
    EXPECT_FALSE(w.browsingSession().isOpen());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().startsWith(QStringLiteral("The server's certificate is not trusted")))
        << errors.first().toStdString();
    const QString log = w.ui()->DebugEdit->toPlainText();
    EXPECT_TRUE(log.contains(QStringLiteral("AUTH TLS"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("Client: USER"))) << log.toStdString();
    EXPECT_FALSE(QFile::exists(trustFile()));
    EXPECT_EQ(w.ui()->SML001->text(), QStringLiteral("Connect"));

    // Nothing was remembered: the next connect asks again.
    w.ui()->EB001->click();
    EXPECT_EQ(questions.size(), 2) << errors.join(u'\n').toStdString()
                                   << w.ui()->DebugEdit->toPlainText().toStdString();
    EXPECT_FALSE(w.browsingSession().isOpen());
}
