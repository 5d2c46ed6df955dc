// Downloads, uploads and listings through a relay that breaks the control or the data connection
// (tests/fixtures/fault_relay.py) in front of a real server (pyftpdlib). Whatever the fault, an operation
// either succeeds with the complete file or fails with an error, leaving the local target as it was,
// and never waits past its timeouts.
#include "support/FaultRelay.h"
#include "support/FtpTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ftptest;

namespace {

using testsupport::FaultRelay;

QByteArray randomBytes(qsizetype size, quint32 seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

enum class Operation { Download, Upload, Listing };
enum class Expect { Success, Failure, Either };

constexpr int TimeoutMs = 2000;

struct Case {
    const char* fault;
    Operation operation;
    bool small; // a small file, for faults that make large ones slow
    Expect expect;
    bool serverDoneFirst = false; // the server may finish before the fault, unaware of it
};

const char* operationName(Operation operation) {
    switch (operation) {
    case Operation::Download:
        return "download";
    case Operation::Upload:
        return "upload";
    case Operation::Listing:
        return "listing";
    }
    return "";
}

class FaultRelayTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Larger than what the sockets between server, relay and client can buffer, so a cut lands
        // while the server is still sending.
        m_large = randomBytes(24 * 1024 * 1024, 1);
        m_small = randomBytes(1000, 2);
        writeFile(m_root.filePath(s("large.bin")), m_large);
        writeFile(m_root.filePath(s("small.bin")), m_small);
        writeFile(m_local.filePath(s("large.bin")), m_large);
        writeFile(m_local.filePath(s("small.bin")), m_small);
        QDir(m_root.path()).mkdir(s("many"));
        for (int i = 0; i < 300; ++i)
            writeFile(m_root.filePath(s("many/entry %1.txt").arg(i)), QByteArray::number(i));
    }

    // Runs one case; returns the error text, empty on success.
    QString run(const Case& c, testsupport::PyFtpServer& server) {
        FaultRelay relay(server.port(), s(c.fault));
        TIdFTP ftp;
        aim(ftp, relay.port(), s("demo"), s("demo"));
        ftp.setReadTimeout(TimeoutMs);
        ftp.setTransferTimeout(TimeoutMs);
        ftp.setPassive(true);
        ftp.setTransferType(ftBinary);

        const QString name = c.small ? s("small.bin") : s("large.bin");
        const QByteArray& content = c.small ? m_small : m_large;
        // The local target of a download holds older content that a failure must leave alone.
        const QString target = m_local.filePath(s("target.bin"));
        const QByteArray before = "the file that was here before";
        writeFile(target, before);
        const QString remoteTarget = m_root.filePath(s("uploaded.bin"));
        QFile::remove(remoteTarget);

        QString error;
        QStringList lines;
        QElapsedTimer clock;
        clock.start();
        try {
            ftp.Connect();
            switch (c.operation) {
            case Operation::Download:
                ftp.Get(name, target, true);
                break;
            case Operation::Upload:
                ftp.Put(m_local.filePath(name), s("uploaded.bin"));
                break;
            case Operation::Listing:
                ftp.List(&lines, s("many"));
                break;
            }
        } catch (const QeltoError& e) {
            error = e.text();
            if (error.isEmpty()) error = s("<empty error text>");
        }
        // Each wait is bounded by the timeouts; a trickled file takes its few seconds on top.
        EXPECT_LT(clock.elapsed(), 8 * TimeoutMs + 10000) << "the operation hung";

        switch (c.operation) {
        case Operation::Download:
            if (error.isEmpty()) {
                EXPECT_TRUE(readFile(target) == content) << "a download reported done is incomplete";
            } else {
                EXPECT_EQ(readFile(target), before) << "a failed download touched the target";
            }
            // No hidden part file is left behind either way.
            EXPECT_EQ(QDir(m_local.path()).entryList(QDir::Files | QDir::Hidden).size(), 3)
                << QDir(m_local.path()).entryList(QDir::Files | QDir::Hidden).join(u' ').toStdString();
            break;
        case Operation::Upload:
            // The server keeps what it was sent; an upload reported done must have sent it all.
            if (error.isEmpty()) {
                EXPECT_TRUE(readFile(remoteTarget) == content) << "an upload reported done is incomplete";
            }
            break;
        case Operation::Listing:
            // A listing fits the kernel's buffers: the server has handed over all of it and sees no
            // error when the relay then cuts the client's side cleanly, and the client sees a clean end
            // of data and the server's 226. Nothing in the protocol tells that from a full listing.
            if (error.isEmpty() && !c.serverDoneFirst) {
                EXPECT_EQ(lines.size(), 300) << "a listing reported done is incomplete";
            }
            break;
        }
        return error;
    }

    void runAll(Operation operation);

    QTemporaryDir m_root;
    QTemporaryDir m_local;
    QByteArray m_large;
    QByteArray m_small;
};

using enum Operation;
const Case cases[] = {
    // No fault: the relay itself passes everything.
    {"", Download, false, Expect::Success},
    {"", Upload, false, Expect::Success},
    {"", Listing, false, Expect::Success},
    // Data connection cut, reset or stalled part-way.
    {"data:cut:65536", Download, false, Expect::Failure},
    {"data:reset:65536", Download, false, Expect::Failure},
    {"data:stall:65536", Download, false, Expect::Failure},
    {"data:cut:65536", Upload, false, Expect::Failure},
    {"data:reset:65536", Upload, false, Expect::Failure},
    {"data:stall:65536", Upload, false, Expect::Failure},
    {"data:cut:2000", Listing, false, Expect::Either, true},
    {"data:reset:2000", Listing, false, Expect::Failure},
    {"data:stall:2000", Listing, false, Expect::Failure},
    {"data:cut:0", Download, false, Expect::Failure},
    // One byte at a time is slow, not wrong.
    {"data:trickle", Download, true, Expect::Success},
    {"data:trickle", Upload, true, Expect::Success},
    {"control:trickle", Download, true, Expect::Success},
    {"control:trickle", Listing, false, Expect::Success},
    // Control connection broken once the transfer command is out.
    {"control:cut:0@RETR", Download, false, Expect::Failure},
    {"control:reset:0@RETR", Download, false, Expect::Failure},
    {"control:stall:0@RETR", Download, false, Expect::Failure},
    {"control:cut:0@STOR", Upload, false, Expect::Failure},
    {"control:reset:0@STOR", Upload, false, Expect::Failure},
    {"control:stall:0@STOR", Upload, false, Expect::Failure},
    {"control:cut:0@MLSD", Listing, false, Expect::Failure},
    {"control:stall:0@MLSD", Listing, false, Expect::Failure},
    // Broken in the middle of the closing reply, after the data has all arrived.
    {"control:cut:30@RETR", Download, true, Expect::Either},
    {"control:stall:30@RETR", Download, true, Expect::Either},
    {"control:cut:30@STOR", Upload, true, Expect::Either},
    // Broken during the login.
    {"control:cut:100", Download, true, Expect::Failure},
    {"control:reset:100", Download, true, Expect::Failure},
    {"control:stall:100", Download, true, Expect::Failure},
};

void FaultRelayTest::runAll(Operation operation) {
    testsupport::PyFtpServer server(m_root.path());
    for (const Case& c : cases) {
        if (c.operation != operation) continue;
        SCOPED_TRACE(std::string(c.fault) + " on " + operationName(c.operation));
        const QString error = run(c, server);
        if (c.expect == Expect::Success) {
            EXPECT_EQ(error, QString());
        } else if (c.expect == Expect::Failure) {
            EXPECT_NE(error, QString()) << "a broken transfer was reported done";
        }
    }
}

TEST_F(FaultRelayTest, DownloadsEndCompleteOrFailWithTheTargetUntouched) {
    runAll(Download);
}

TEST_F(FaultRelayTest, UploadsAreNotReportedDoneUnlessComplete) {
    runAll(Upload);
}

TEST_F(FaultRelayTest, ListingsAreCompleteOrFail) {
    runAll(Listing);
}

} // namespace
