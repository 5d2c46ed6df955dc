// The phases of a transfer, as its trace shows them: each path through a transfer, and where an abort
// stops it.
#include "core/ftp/TIdFTP.h"
#include "support/FtpTestSupport.h"

#include <QLoggingCategory>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ftptest;

namespace {

QStringList* g_trace = nullptr;

void collect(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (g_trace && qstrcmp(context.category, "qelto.ftp.transfer") == 0)
        g_trace->append(message.section(s(": "), 1));
}

// Records the phase changes of the transfers run while it exists.
class PhaseTrace {
public:
    PhaseTrace() {
        QLoggingCategory::setFilterRules(s("qelto.ftp.transfer.debug=true"));
        m_previous = qInstallMessageHandler(collect);
        g_trace = &lines;
    }
    ~PhaseTrace() {
        g_trace = nullptr;
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
    }
    QStringList lines;

private:
    QtMessageHandler m_previous = nullptr;
};

const QStringList pasv = ss({"L", "C PASV", "S 227 (127,0,0,1,{p1},{p2})"});

TEST(FtpTransferPhase, EveryPathThroughATransfer) {
    QTemporaryDir dir;
    const QString target = dir.filePath(s("got.bin"));
    const struct {
        const char* name;
        QStringList steps;
        std::function<void(TIdFTP&)> call;
        const char* error;
        QStringList phases;
    } cases[] = {
        {"download", pasv + ss({"C RETR f", "A", "S 150 Opening", "D data", "DX", "S 226 Done"}),
         [&](TIdFTP& f) { f.Get(s("f"), target, true); }, "<no error>",
         ss({"idle -> addressing", "addressing -> commanded", "commanded -> moving", "moving -> ending",
             "ending -> done"})},
        {"resumed download",
         ss({"C REST 1", "S 350 ok", "C REST 0", "S 350 ok"}) + pasv +
             ss({"C REST 4", "S 350 ok", "C RETR f", "A", "S 150 Opening", "D more", "DX", "S 226 Done"}),
         [&](TIdFTP& f) { f.Get(s("f"), target, true, true); }, "<no error>",
         ss({"idle -> addressing", "addressing -> restarting", "restarting -> commanded",
             "commanded -> moving", "moving -> ending", "ending -> done"})},
        {"refused", pasv + ss({"C RETR f", "S 550 No such file"}),
         [&](TIdFTP& f) { f.Get(s("f"), target, true); }, "No such file\r\n",
         ss({"idle -> addressing", "addressing -> commanded", "commanded -> declined", "declined -> ending",
             "ending -> done"})},
        {"aborted before anything was asked", ss({"C ABOR", "S 225 Nothing to abort"}),
         [&](TIdFTP& f) {
             f.OnStatus = [&f](TIdStatus status, const QString&) {
                 if (status == ftpTransfer) f.Abort();
             };
             f.Get(s("f"), target, true);
         },
         "Operation aborted.", ss({"idle -> ending", "ending -> done"})},
        {"aborted while data moves",
         pasv + ss({"C RETR f", "A", "S 150 Opening", "D data", "C ABOR",
                    "R 426 Aborted\\r\\n226 ABOR ok\\r\\n"}),
         [&](TIdFTP& f) {
             f.OnWork = [&f](TWorkMode, qint64) { f.Abort(); };
             f.Get(s("f"), target, true);
         },
         "Operation aborted.",
         ss({"idle -> addressing", "addressing -> commanded", "commanded -> moving", "moving -> ending",
             "ending -> done"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(target, "old.");
        ScriptedServer server(loggedIn + c.steps + ss({"C NOOP", "S 200 ok"}));
        TIdFTP ftp;
        connectQuietly(ftp, server.port());
        ftp.setPassive(true);
        PhaseTrace trace;
        EXPECT_EQ(errorOf([&] { c.call(ftp); }), s(c.error));
        EXPECT_EQ(trace.lines, c.phases);
        ftp.OnStatus = nullptr;
        ftp.Noop(); // every reply the server owed was read
    }
}

} // namespace
