// Cancelling a connection that lives on a worker thread, from another thread, through its cancel flag.
#include "core/ftp/TIdFTP.h"
#include "support/FtpTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace ftptest;

namespace {

TEST(FtpCancel, AFlagSetFromAnotherThreadEndsTheWaitAndTheConnection) {
    QTemporaryDir dir;
    const QString target = dir.filePath(s("got.bin"));
    const struct {
        const char* name;
        QStringList steps;
        const char* lastCommand; // once the server has this, the worker waits
        std::function<void(TIdFTP&)> call;
    } cases[] = {
        {"a reply that does not come", ss({"C NOOP", "P 30"}), "NOOP", [](TIdFTP& f) { f.Noop(); }},
        {"a download that stalls",
         ss({"L", "C PASV", "S 227 (127,0,0,1,{p1},{p2})", "C RETR f", "A", "S 150 Opening", "D some",
             "P 30"}),
         "RETR f",
         [&](TIdFTP& f) {
             f.setPassive(true);
             f.Get(s("f"), target, true);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(target, "old");
        ScriptedServer server(loggedIn + c.steps);
        std::atomic<bool> cancel{false};
        Failure failure;
        bool connectedAfter = true;
        int disconnects = 0;
        qint64 elapsed = -1;
        QElapsedTimer timer;
        std::thread worker([&] {
            TIdFTP ftp; // lives on the worker, as a transfer connection does
            ftp.setCancelFlag(&cancel);
            connectQuietly(ftp, server.port());
            ftp.setReadTimeout(20000);
            ftp.OnDisconnected = [&] { ++disconnects; };
            failure = failureOf([&] { c.call(ftp); });
            elapsed = timer.elapsed();
            connectedAfter = ftp.Connected();
            // Later calls fail the same way while the flag stays set.
            EXPECT_EQ(errorOf([&] { ftp.Connect(); }), s("Operation aborted."));
        });
        ASSERT_TRUE(testsupport::waitUntil([&] { return server.rawTranscript().contains(c.lastCommand); }));
        timer.start();
        cancel = true;
        worker.join();
        EXPECT_EQ(failure, (Failure{s("Operation aborted."), ErrorCategory::Aborted, false}));
        EXPECT_GE(elapsed, 0);
        EXPECT_LT(elapsed, 1000);
        EXPECT_FALSE(connectedAfter);
        EXPECT_EQ(disconnects, 1);
        // Closed without a QUIT: the server saw nothing after the command it left unanswered.
        EXPECT_EQ(server.session().constLast(), s(c.lastCommand));
        EXPECT_EQ(readFile(target), QByteArray("old"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  ss({"got.bin"}));
    }
}

} // namespace
