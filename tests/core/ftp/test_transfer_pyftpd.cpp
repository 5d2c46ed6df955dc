// Transfers end to end against a real FTP server (pyftpdlib) serving a temporary folder.
#include "support/FtpTestSupport.h"
#include "core/ftp/TIdAntiFreeze.h"
#include "core/ftp/TIdFTP.h"
#include "core/ftp/TIdLogEvent.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ftptest;

namespace {

QByteArray randomBytes(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(42);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

// A logged-in client whose sent commands are collected, one per line.
struct Client {
    Client(quint16 port, const std::function<void(TIdFTP&)>& setup = {}) {
        aim(ftp, port, s("demo"), s("demo"));
        ftp.setTransferType(ftBinary);
        log.OnSent = [this](const QString&, const QString& block) {
            sent += block.split(s("<EOL>"), Qt::SkipEmptyParts);
        };
        ftp.setIntercept(&log);
        if (setup) setup(ftp);
        ftp.Connect();
    }

    TIdFTP ftp;
    TIdLogEvent log;
    QStringList sent;
};

class FtpTransferReal : public ::testing::Test {
protected:
    QString remote(const QString& name) const { return m_root.filePath(name); }
    QString local(const QString& name) const { return m_local.filePath(name); }

    QTemporaryDir m_root;
    QTemporaryDir m_local;
};

TEST_F(FtpTransferReal, GetAndPutInEveryDataConnectionMode) {
    const QByteArray content = randomBytes(5 * 1024 * 1024 + 123);
    writeFile(remote(s("down load.bin")), content);
    writeFile(local(s("up.bin")), content);
    testsupport::PyFtpServer server(m_root.path());
    const struct {
        const char* name;
        bool passive;
        bool extended;
        const char* command;
    } cases[] = {
        {"passive", true, false, "PASV"},
        {"active", false, false, "PORT "},
        {"extended passive", true, true, "EPSV"},
        {"extended active", false, true, "EPRT "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Client client(server.port(), [&](TIdFTP& ftp) {
            ftp.setPassive(c.passive);
            ftp.setUseExtensionDataPort(c.extended);
        });
        QList<qint64> begins;
        qint64 last = 0;
        int ends = 0;
        client.ftp.OnWorkBegin = [&](TWorkMode, qint64 expected) { begins.append(expected); };
        client.ftp.OnWork = [&](TWorkMode, qint64 count) { last = count; };
        client.ftp.OnWorkEnd = [&](TWorkMode) { ++ends; };

        client.ftp.Get(s("down load.bin"), local(s("got.bin")), true);
        EXPECT_TRUE(readFile(local(s("got.bin"))) == content);
        EXPECT_EQ(last, content.size());
        const QString target = s("sent ") + s(c.name) + s(" Ü.bin");
        client.ftp.Put(local(s("up.bin")), target);
        EXPECT_TRUE(readFile(remote(target)) == content);
        EXPECT_EQ(last, content.size());
        EXPECT_EQ(begins, (QList<qint64>{0, content.size()}));
        EXPECT_EQ(ends, 2);

        EXPECT_EQ(client.ftp.usingExtensionDataPort(), c.extended);
        EXPECT_EQ(client.sent.filter(s(c.command)).size(), 2) << client.sent.join(u'|').toStdString();
        EXPECT_EQ(client.ftp.RetrieveCurrentDir(), s("/"));
    }
}

TEST_F(FtpTransferReal, ResumeIsProbedOnceAndContinuesTheFile) {
    const QByteArray content = randomBytes(3 * 1024 * 1024);
    writeFile(remote(s("big.bin")), content);
    testsupport::PyFtpServer server(m_root.path());
    Client client(server.port(), [](TIdFTP& ftp) { ftp.setPassive(true); });
    for (const qsizetype part : {qsizetype(1000), qsizetype(2 * 1024 * 1024)}) {
        writeFile(local(s("big.bin")), content.left(part));
        client.ftp.Get(s("big.bin"), local(s("big.bin")), false, true);
        EXPECT_TRUE(readFile(local(s("big.bin"))) == content);
    }
    EXPECT_EQ(client.sent.filter(s("REST")), ss({"REST 1", "REST 0", "REST 1000", "REST 2097152"}));
}

TEST_F(FtpTransferReal, ServerWithoutMlsdListsWithList) {
    writeFile(remote(s("Größe.txt")), "x");
    ASSERT_TRUE(QDir(m_root.path()).mkdir(s("empty")));
    testsupport::PyFtpServer server(m_root.path(), ss({"--no-mlsd"}));
    Client client(server.port(), [](TIdFTP& ftp) { ftp.setPassive(true); });
    EXPECT_FALSE(client.ftp.CanUseMLS());

    QStringList lines;
    client.ftp.List(&lines);
    EXPECT_FALSE(client.ftp.ListResult().mlsd);
    EXPECT_EQ(lines.filter(s("Größe.txt")).size(), 1) << lines.join(u'\n').toStdString();
    QStringList listed;
    for (const TIdFTPListItem& item : client.ftp.DirectoryListing())
        listed.append(item.FileName);
    listed.sort();
    EXPECT_EQ(listed, ss({"Größe.txt", "empty"}));
    // Listings go in ASCII; the connection's own type comes back afterwards.
    EXPECT_EQ(client.sent.mid(client.sent.indexOf(s("TYPE A"))), ss({"TYPE A", "PASV", "LIST -a", "TYPE I"}));

    client.ftp.List(nullptr, s("empty"));
    EXPECT_TRUE(client.ftp.DirectoryListing().isEmpty());
    client.ftp.List(&lines, QString(), false);
    EXPECT_EQ(client.sent.filter(s("NLST")), ss({"NLST"}));
    QStringList names;
    for (const TIdFTPListItem& item : client.ftp.DirectoryListing())
        names.append(item.FileName);
    names.sort();
    EXPECT_EQ(names, ss({"Größe.txt", "empty"}));
}

TEST_F(FtpTransferReal, HandlersEndingALargeTransfer) {
    const QByteArray content = randomBytes(64 * 1024 * 1024);
    writeFile(remote(s("large.bin")), content);
    writeFile(local(s("large.bin")), content);
    testsupport::PyFtpServer server(m_root.path());
    TIdAntiFreeze antiFreeze;
    const struct {
        const char* name;
        bool upload;
        bool disconnect;
        const char* error;
    } cases[] = {
        {"Abort during a download", false, false, "Operation aborted."},
        {"Abort during an upload", true, false, "Operation aborted."},
        {"Disconnect during a download", false, true, "Not Connected"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Client client(server.port(), [](TIdFTP& ftp) { ftp.setPassive(true); });
        int blocks = 0;
        // The timer fires in the anti-freeze's dispatch after a data block, as a user's click would.
        client.ftp.OnWork = [&](TWorkMode, qint64) {
            if (++blocks == 1)
                QTimer::singleShot(0, [&] { c.disconnect ? client.ftp.Disconnect() : client.ftp.Abort(); });
        };
        const auto transfer = [&] {
            if (c.upload)
                client.ftp.Put(local(s("large.bin")), s("copy.bin"));
            else
                client.ftp.Get(s("large.bin"), local(s("copy.bin")), true);
        };
        EXPECT_EQ(errorOf(transfer), s(c.error));
        EXPECT_GE(blocks, 1);
        EXPECT_FALSE(QFile::exists(local(s("copy.bin"))));
        if (c.disconnect) {
            EXPECT_FALSE(client.ftp.Connected());
            continue;
        }
        // The connection stays usable, for commands and for the next transfer.
        EXPECT_EQ(client.ftp.RetrieveCurrentDir(), s("/"));
        client.ftp.OnWork = nullptr;
        client.ftp.Get(s("large.bin"), local(s("again.bin")), true);
        EXPECT_TRUE(readFile(local(s("again.bin"))) == content);
        QFile::remove(local(s("again.bin")));
    }
}

} // namespace
