// FTPS against real servers: vsftpd (explicit and implicit, session resumption required on data
// connections) and pyftpdlib's TLS handler, with a certificate made for the test.
#include "VsftpdServer.h"
#include "core/ftp/TIdFTP.h"
#include "core/ftp/TIdLogEvent.h"
#include "support/FtpTestSupport.h"
#include "support/TlsServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace ftptest;

namespace {

int modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

class Ftps : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid() && m_local.isValid() && m_keys.isValid());
        m_certificate.emplace(m_keys.path());
        m_fingerprint = m_certificate->fingerprint;

        QDir root(m_root.path());
        ASSERT_TRUE(root.mkdir(s("pub")));
        for (int i = 0; i < 3; ++i)
            writeFile(m_root.filePath(s("pub/f%1.bin").arg(i)), content(i));
    }

    QString cert() const { return m_certificate->cert; }
    QString key() const { return m_certificate->key; }
    QString trustFile() const { return m_keys.filePath(s("data/TrustedCertificates")); }
    static QByteArray content(int i) { return QByteArray(200000 + i * 70001, char('a' + i)); }

    // A client aimed at `port` whose question hook answers `accept` and counts the questions.
    void aimClient(TIdFTP& ftp, quint16 port, TlsMode mode, const QString& user, std::optional<bool> accept) {
        aim(ftp, port, user, user == s("anonymous") ? s("guest") : user);
        ftp.setPassive(true);
        ftp.setTransferType(ftBinary);
        ftp.setTlsMode(mode);
        ftp.setTransferTimeout(10000); // a stuck data connection fails the test instead of hanging it
        ftp.setTrustStore(TlsTrustStore(trustFile()));
        if (accept) {
            ftp.OnUntrustedCertificate = [this, accept](const TlsCertificateQuestion& q) {
                m_questions.append(q);
                return *accept;
            };
        }
        m_log.OnSent = [this](const QString&, const QString& block) {
            m_sent += block.split(s("<EOL>"), Qt::SkipEmptyParts);
        };
        ftp.setIntercept(&m_log);
        ftp.OnStatus = [this](TIdStatus, const QString& text) { m_status << text; };
    }

    // Several listings, downloads and uploads in one session: every data connection resumes the session.
    void browseAndTransfer(TIdFTP& ftp, const QString& folder, const QString& serverFolder) {
        ftp.ChangeDir(folder);
        for (int round = 0; round < 2; ++round) {
            ftp.List(nullptr);
            const TIdFTPListItem* f1 = entryNamed(ftp.DirectoryListing(), "f1.bin");
            ASSERT_NE(f1, nullptr) << ftp.ListResult().lines().join(u'\n').toStdString();
            EXPECT_EQ(f1->Size, content(1).size());
            for (int i = 0; i < 3; ++i) {
                const QString local = m_local.filePath(s("f%1.bin").arg(i));
                // A data connection whose server waits for our end of it must still end at once, not
                // when the transfer time-out (10 s) runs out.
                QElapsedTimer took;
                took.start();
                ftp.Get(s("f%1.bin").arg(i), local, true);
                EXPECT_LT(took.elapsed(), 5000) << "download " << i;
                EXPECT_EQ(readFile(local), content(i)) << i;
                ftp.Put(local, s("up%1-%2.bin").arg(round).arg(i));
                EXPECT_EQ(readFile(serverFolder + s("/up%1-%2.bin").arg(round).arg(i)), content(i));
            }
        }
    }

    QTemporaryDir m_root;
    QTemporaryDir m_local;
    QTemporaryDir m_keys;
    std::optional<testsupport::TestCertificate> m_certificate;
    QString m_fingerprint;
    QList<TlsCertificateQuestion> m_questions;
    TIdLogEvent m_log;
    QStringList m_sent;
    QStringList m_status;
};

} // namespace

TEST_F(Ftps, ExplicitTlsOnVsftpdAsksOnceAndResumesTheSessionOnEveryDataConnection) {
    VsftpdServer server(m_root.path(),
                        ss({"--tls", cert().toUtf8().constData(), key().toUtf8().constData()}));
    {
        TIdFTP ftp;
        aimClient(ftp, server.port(), TlsMode::Explicit, s("anonymous"), true);
        ftp.setTlsAtMost12(true); // TLS 1.3 has a test of its own below
        ftp.Connect();
        EXPECT_TRUE(ftp.usingTls());
        EXPECT_TRUE(ftp.protectsData());
        ASSERT_EQ(m_questions.size(), 1);
        EXPECT_EQ(m_questions.first().fingerprint, m_fingerprint);
        EXPECT_EQ(m_questions.first().host, s("127.0.0.1"));
        EXPECT_FALSE(m_questions.first().problems.isEmpty());
        EXPECT_TRUE(m_questions.first().validUntil > QDateTime::currentDateTime());
        // Nothing of the login goes out before TLS.
        EXPECT_LT(m_sent.indexOf(s("AUTH TLS")), m_sent.indexOf(s("USER anonymous")));
        EXPECT_EQ(m_sent.filter(s("PBSZ")) + m_sent.filter(s("PROT")), ss({"PBSZ 0", "PROT P"}));
        EXPECT_EQ(m_status.filter(s("TLS connection established: TLS 1.")).size(), 1)
            << m_status.join(u'\n').toStdString();
        browseAndTransfer(ftp, s("pub"), m_root.filePath(s("pub")));
        ftp.Disconnect();
    }
    EXPECT_EQ(modeOf(trustFile()), 0600);

    // A connection that cannot ask (a transfer worker) takes the certificate the user accepted.
    m_questions.clear();
    TIdFTP worker;
    aimClient(worker, server.port(), TlsMode::Explicit, s("anonymous"), std::nullopt);
    worker.setTlsAtMost12(true);
    worker.Connect();
    EXPECT_TRUE(worker.protectsData());
    worker.Get(s("pub/f2.bin"), m_local.filePath(s("w.bin")), true);
    EXPECT_EQ(readFile(m_local.filePath(s("w.bin"))), content(2));
}

TEST_F(Ftps, ADeclinedCertificateEndsTheConnectionBeforeTheLogin) {
    VsftpdServer server(m_root.path(),
                        ss({"--tls", cert().toUtf8().constData(), key().toUtf8().constData()}));
    for (const std::optional<bool> answer : {std::optional<bool>(false), std::optional<bool>()}) {
        m_sent.clear();
        TIdFTP ftp;
        aimClient(ftp, server.port(), TlsMode::Require, s("anonymous"), answer);
        const Failure failure = failureOf([&] { ftp.Connect(); });
        EXPECT_EQ(failure.category, ErrorCategory::Tls) << failure.text.toStdString();
        EXPECT_TRUE(failure.text.startsWith(s("The server's certificate is not trusted")))
            << failure.text.toStdString();
        EXPECT_FALSE(ftp.Connected());
        EXPECT_TRUE(m_sent.filter(s("USER")).isEmpty()) << m_sent.join(u'\n').toStdString();
    }
    EXPECT_EQ(m_questions.size(), 1); // only the connection with a hook asked
    EXPECT_FALSE(QFile::exists(trustFile()));
}

TEST_F(Ftps, ImplicitTlsOnVsftpd) {
    VsftpdServer server(m_root.path(),
                        ss({"--tls", cert().toUtf8().constData(), key().toUtf8().constData(), "--implicit"}));
    TIdFTP ftp;
    aimClient(ftp, server.port(), TlsMode::Implicit, s("anonymous"), true);
    ftp.setTlsAtMost12(true);
    ftp.Connect();
    EXPECT_TRUE(ftp.usingTls());
    EXPECT_TRUE(m_sent.filter(s("AUTH")).isEmpty());
    browseAndTransfer(ftp, s("pub"), m_root.filePath(s("pub")));
}

TEST_F(Ftps, RequireRefusesAPlainServerBeforeTheLogin) {
    VsftpdServer server(m_root.path());
    TIdFTP ftp;
    aimClient(ftp, server.port(), TlsMode::Require, s("anonymous"), true);
    const Failure failure = failureOf([&] { ftp.Connect(); });
    EXPECT_EQ(failure.category, ErrorCategory::Tls);
    EXPECT_TRUE(failure.text.contains(s("TLS is required"))) << failure.text.toStdString();
    EXPECT_TRUE(m_sent.filter(s("USER")).isEmpty()) << m_sent.join(u'\n').toStdString();

    // Explicit without Require goes on in the clear, and says so.
    TIdFTP plain;
    aimClient(plain, server.port(), TlsMode::Explicit, s("anonymous"), true);
    plain.Connect();
    EXPECT_FALSE(plain.usingTls());
    EXPECT_TRUE(m_status.contains(s("The server does not offer TLS; the connection is not encrypted")));
}

// The control socket keeps its TLS mode through a close; the next connection must start in the clear.
TEST_F(Ftps, TheSameClientConnectsInTheClearAfterATlsSession) {
    VsftpdServer server(m_root.path(),
                        ss({"--tls", cert().toUtf8().constData(), key().toUtf8().constData()}));
    TIdFTP ftp;
    aimClient(ftp, server.port(), TlsMode::Explicit, s("anonymous"), true);
    ftp.Connect();
    ASSERT_TRUE(ftp.usingTls());
    ftp.Disconnect();
    ftp.setTlsMode(TlsMode::None);
    ftp.setReadTimeout(5000);
    ftp.Connect();
    EXPECT_FALSE(ftp.usingTls());
    EXPECT_FALSE(ftp.protectsData());
    ftp.List(nullptr);
    EXPECT_NE(entryNamed(ftp.DirectoryListing(), "pub"), nullptr);
    // And TLS again after the plain session.
    ftp.Disconnect();
    ftp.setTlsMode(TlsMode::Explicit);
    ftp.Connect();
    EXPECT_TRUE(ftp.protectsData());
    EXPECT_EQ(m_questions.size(), 1);
}

// Several uploads over TLS 1.3 data connections: the server's session tickets, never read, must not cost
// an upload its end when the data connection closes.
TEST_F(Ftps, TransfersUnderTls13OnVsftpd) {
    VsftpdServer server(m_root.path(),
                        ss({"--tls", cert().toUtf8().constData(), key().toUtf8().constData()}));
    TIdFTP ftp;
    aimClient(ftp, server.port(), TlsMode::Explicit, s("anonymous"), true);
    ftp.setTlsAtMost12(false);
    ftp.Connect();
    EXPECT_EQ(m_status.filter(s("TLS connection established: TLS 1.3")).size(), 1)
        << m_status.join(u'\n').toStdString();
    browseAndTransfer(ftp, s("pub"), m_root.filePath(s("pub")));
}

// The socket buffers encrypted bytes without limit: an upload to a server that reads more slowly than we
// encrypt (here at 16 MB/s) must not hold the file in memory.
TEST_F(Ftps, AnUploadHoldsABoundedAmountInMemory) {
    VsftpdServer server(m_root.path(), ss({"--tls", cert().toUtf8().constData(), key().toUtf8().constData(),
                                           "--set", "anon_max_rate=16000000"}));
    constexpr int MiB = 1024 * 1024;
    const QString local = m_local.filePath(s("big.bin"));
    {
        QFile file(local);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray block(MiB, 'u');
        for (int i = 0; i < 32; ++i)
            ASSERT_EQ(file.write(block), MiB);
    }
    auto peakKiB = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return qint64(usage.ru_maxrss);
    };
    TIdFTP ftp;
    aimClient(ftp, server.port(), TlsMode::Explicit, s("anonymous"), true);
    ftp.Connect();
    const qint64 before = peakKiB();
    ftp.Put(local, s("pub/big.bin"));
    EXPECT_LT(peakKiB() - before, 12 * 1024) << "KiB";
    EXPECT_EQ(QFileInfo(m_root.filePath(s("pub/big.bin"))).size(), 32 * MiB);
}

TEST_F(Ftps, ExplicitTlsOnPyftpdlibAndAPlainConnectionAfterwards) {
    testsupport::TlsServerProcess server(m_root.path(), *m_certificate);
    TIdFTP ftp;
    aimClient(ftp, server.port(), TlsMode::Explicit, s("demo"), true);
    ftp.Connect();
    EXPECT_TRUE(ftp.protectsData());
    browseAndTransfer(ftp, s("pub"), m_root.filePath(s("pub")));
    ftp.Disconnect();
    // The same client object connects again without TLS: nothing of the old session is left.
    ftp.setTlsMode(TlsMode::None);
    ftp.Connect();
    EXPECT_FALSE(ftp.usingTls());
    EXPECT_FALSE(ftp.protectsData());
    ftp.List(nullptr);
    EXPECT_NE(entryNamed(ftp.DirectoryListing(), "pub"), nullptr);
}

// A connection pinned to a certificate takes that one without asking or looking it up, and refuses any
// other, even one the user trusted for the host, before the login.
TEST_F(Ftps, APinnedCertificateIsTheOnlyOneTaken) {
    testsupport::TlsServerProcess server(m_root.path(), *m_certificate);
    const struct {
        QString pin;
        bool connects;
    } cases[] = {{m_fingerprint, true}, {QString(m_fingerprint).replace(0, 2, s("00")), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pin.toStdString());
        m_sent.clear();
        // The refused case runs with the certificate trusted for the host.
        if (!c.connects) TlsTrustStore(trustFile()).trust(s("127.0.0.1"), server.port(), m_fingerprint);
        TIdFTP ftp;
        aimClient(ftp, server.port(), TlsMode::Require, s("demo"), std::nullopt);
        ftp.setPinnedCertificate(c.pin);
        const Failure failure = failureOf([&] { ftp.Connect(); });
        EXPECT_EQ(ftp.Connected(), c.connects);
        if (c.connects) {
            EXPECT_EQ(failure.text, s("<no error>"));
            EXPECT_EQ(ftp.peerCertificateFingerprint(), m_fingerprint);
            ftp.Disconnect();
        } else {
            EXPECT_EQ(failure.category, ErrorCategory::Tls) << failure.text.toStdString();
            EXPECT_TRUE(failure.text.startsWith(s("The server's certificate is not the one accepted")))
                << failure.text.toStdString();
            EXPECT_TRUE(m_sent.filter(s("USER")).isEmpty()) << m_sent.join(u'\n').toStdString();
        }
    }
    EXPECT_TRUE(m_questions.isEmpty());
}

// A certificate other than the one trusted for the server is put as a change, with both fingerprints; a
// "No" keeps the old one trusted, a "Yes" replaces it.
TEST_F(Ftps, ACertificateInPlaceOfATrustedOneIsAskedAboutAsAChange) {
    testsupport::TlsServerProcess server(m_root.path(), *m_certificate);
    const QString before = QString(m_fingerprint).replace(0, 2, s("00"));
    TlsTrustStore store(trustFile());
    store.trust(s("127.0.0.1"), server.port(), before);
    for (const bool answer : {false, true}) {
        SCOPED_TRACE(answer);
        m_questions.clear();
        TIdFTP ftp;
        aimClient(ftp, server.port(), TlsMode::Require, s("demo"), answer);
        const Failure failure = failureOf([&] { ftp.Connect(); });
        EXPECT_EQ(ftp.Connected(), answer) << failure.text.toStdString();
        ASSERT_EQ(m_questions.size(), 1);
        const TlsCertificateQuestion& q = m_questions.first();
        EXPECT_EQ(q.port, server.port());
        EXPECT_EQ(q.fingerprint, m_fingerprint);
        EXPECT_EQ(q.trustedFingerprint, before);
        const QString text = certificateQuestionText(q);
        for (const QString& part :
             QStringList{s("differs from the one you trusted"), s("trusted before: ") + before,
                         s("shown now: ") + m_fingerprint})
            EXPECT_TRUE(text.contains(part)) << part.toStdString() << "\n" << text.toStdString();
        EXPECT_EQ(store.trustedFingerprint(s("127.0.0.1"), server.port()), answer ? m_fingerprint : before);
        if (ftp.Connected()) ftp.Disconnect();
    }
}
