// Times the job queue of the real main window (offscreen) against a running FTP server.
// Usage:
//   bench_jobs <port> download <remote folder> <name> <local folder> [keep] [parallel=N]
//       selects <name> in the remote folder and clicks LFB008, downloading into <local folder>;
//   bench_jobs <port> upload <local folder> <name> <remote folder> [keep] [parallel=N]
//       selects <name> in the local folder and clicks RFS008, uploading into <remote folder>;
//   bench_jobs <port> build <remote folder> <name>
//       builds the download list of <name> on the browsing connection, without running it.
// "keep" ticks "Keep the transfer connection open during a job" before connecting; "parallel=N" sets
// "Simultaneous transfers:" to N. Exits with 3 when N > 1 is asked of a window without that setting.
// Prints "seconds=<from the click until the job table is empty>" and "rows=<rows of the job>".
#include "core/ftp/FtpSession.h"
#include "core/tables/DataTables.h"
#include "core/tables/Table.h"
#include "core/browse/RemoteListing.h"
#include "core/transfer/DownloadList.h"
#include "gui/common/UserAction.h"
#include "gui/jobqueue/JobQueue.h"
#include "gui/localpanel/LocalPanel.h"
#include "gui/mainwindow/MyMenu.h"
#include "gui/remotebrowser/RemoteBrowser.h"
#include "ui_MyMenu.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QElapsedTimer>
#include <QListWidget>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

bool failed = false;

// CPU time of the calling thread: the window's own work, without the transfer threads'.
double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Runs the event loop until the condition holds; false after the time-out or an error. The loop sleeps
// in its wait for events, so the job's signals are handled as soon as they arrive.
bool waitFor(const std::function<bool()>& done, int seconds) {
    if (done()) return true;
    QEventLoop loop;
    QDeadlineTimer deadline(seconds * 1000);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || failed || deadline.hasExpired()) loop.quit();
    });
    poll.start(5);
    loop.exec();
    return done();
}

bool selectRemote(TMyMenuForm& window, const QString& name) {
    QListWidget* list = window.ui()->FTPFilesList;
    list->clearSelection();
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text() == name) {
            list->item(i)->setSelected(true);
            return true;
        }
    }
    return false;
}

// The local list fills in the background; waits for the entry, then selects it alone.
bool selectLocal(TMyMenuForm& window, const QString& name) {
    QAbstractItemView* view = window.ui()->LocalFileList;
    QModelIndex found;
    waitFor(
        [&] {
            const QModelIndexList hits =
                view->model()->match(view->rootIndex().isValid() ? view->model()->index(0, 0, view->rootIndex())
                                                                 : view->model()->index(0, 0),
                                     Qt::DisplayRole, name, 1, Qt::MatchExactly);
            if (!hits.isEmpty()) found = hits.first();
            return found.isValid();
        },
        10);
    if (!found.isValid()) return false;
    view->selectionModel()->select(found, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(2);
    const qsizetype fixed = mode == u"build" ? 5 : 6;
    bool keep = false;
    int parallel = 0; // 0: as the window starts
    bool usage = args.size() < fixed;
    for (qsizetype i = fixed; i < args.size() && !usage; ++i) {
        const QString& option = args.at(i);
        if (option == u"keep") {
            keep = true;
        } else if (option.startsWith(u"parallel=")) {
            bool ok = false;
            parallel = option.mid(9).toInt(&ok);
            usage = !ok || parallel < 1;
        } else {
            usage = true;
        }
    }
    if (usage) {
        std::fprintf(stderr, "usage: bench_jobs <port> download|upload|build <folder> <name> [<target>] [keep] "
                             "[parallel=N]\n");
        return 2;
    }
    guard::setReporter([](QWidget*, const QString& text) {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
        failed = true;
    });

    TMyMenuForm window;
    window.show();
    Ui::TMyMenuForm& ui = *window.ui();
    if (keep) ui.KeepTransferConnection->setChecked(true);
    if (parallel > 0) {
        auto* simultaneous = window.findChild<QSpinBox*>(QStringLiteral("SimultaneousTransfers"));
        if (simultaneous) {
            simultaneous->setValue(parallel);
            if (simultaneous->value() != parallel) {
                std::fprintf(stderr, "parallel=%d is out of the setting's range %d..%d\n", parallel,
                             simultaneous->minimum(), simultaneous->maximum());
                return 2;
            }
        } else if (parallel > 1) {
            std::fprintf(stderr, "parallel=%d: this window has no \"Simultaneous transfers\" setting\n", parallel);
            return 3;
        }
    }
    ui.FTPE001->setText(QStringLiteral("127.0.0.1"));
    ui.FTPE002->setText(QStringLiteral("demo"));
    ui.FTPE003->setText(QStringLiteral("demo"));
    ui.FTPE004->setText(args.at(1));
    ui.EB001->click();
    if (failed || !window.browsingSession().isOpen()) return 1;

    TTable& events = *window.tables().FTPEvents;
    const QString folder = args.at(3);
    const QString name = args.at(4);
    QElapsedTimer timer;
    int rows = 0;
    if (mode == u"build") {
        userAction(&window, [&] { window.remoteBrowser().ListRemoteDirectory(folder); });
        QListWidgetItem* item = nullptr;
        for (int i = 0; i < ui.FTPFilesList->count(); ++i)
            if (ui.FTPFilesList->item(i)->text() == name) item = ui.FTPFilesList->item(i);
        if (!item) return 1;
        const RemoteSelection selection{name, item->data(RemoteRawNameRole).toByteArray(), true};
        timer.start();
        userAction(&window, [&] { buildDownloadList(window.browsingSession().ftp(), {selection}, events); });
        const qint64 elapsed = timer.nsecsElapsed();
        rows = events.recordCount();
        std::printf("seconds=%.4f\nrows=%d\n", double(elapsed) / 1e9, rows);
        return failed ? 1 : 0;
    }

    const QString target = args.at(5);
    double windowCpuAtClick = 0;
    if (mode == u"download") {
        userAction(&window, [&] { window.remoteBrowser().ListRemoteDirectory(folder); });
        window.localPanel().openFolder(target);
        if (!selectRemote(window, name)) return 1;
        timer.start();
        windowCpuAtClick = threadCpuSeconds();
        ui.LFB008->click();
    } else {
        userAction(&window, [&] { window.remoteBrowser().ListRemoteDirectory(target); });
        window.localPanel().openFolder(folder);
        if (!selectLocal(window, name)) return 1;
        timer.start();
        windowCpuAtClick = threadCpuSeconds();
        ui.RFS008->click();
    }
    // The click writes every row before the job starts; the job has ended when they are all gone.
    rows = events.recordCount();
    const bool ended =
        waitFor([&] { return !window.jobQueue().running() && events.recordCount() == 0; }, 1800);
    const qint64 elapsed = timer.nsecsElapsed();
    const double windowCpu = threadCpuSeconds() - windowCpuAtClick;
    if (!ended) {
        std::fprintf(stderr, "the job did not end\n");
        return 1;
    }
    std::printf("seconds=%.4f\nrows=%d\nwindow_cpu_seconds=%.4f\n", double(elapsed) / 1e9, rows, windowCpu);
    return failed ? 1 : 0;
}
