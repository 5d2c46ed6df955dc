// Times the listing refresh of the real main window (offscreen) against a running FTP server.
// Usage: bench_listing <port> <remote folder> <repeats>
// Prints "refresh_s=<median seconds>" and "entries=<rows>".
#include "core/tables/DataTables.h"
#include "core/tables/Table.h"
#include "gui/common/UserAction.h"
#include "gui/mainwindow/MyMenu.h"
#include "gui/remotebrowser/RemoteBrowser.h"
#include "ui_MyMenu.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_listing <port> <remote folder> <repeats>\n");
        return 2;
    }
    const QString port = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    const int repeats = std::max(1, std::atoi(argv[3]));
    bool failed = false;
    guard::setReporter([&failed](QWidget*, const QString& text) {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
        failed = true;
    });

    TMyMenuForm window;
    window.show();
    window.ui()->FTPE001->setText(QStringLiteral("127.0.0.1"));
    window.ui()->FTPE002->setText(QStringLiteral("demo"));
    window.ui()->FTPE003->setText(QStringLiteral("demo"));
    window.ui()->FTPE004->setText(port);
    window.ui()->EB001->click();
    if (failed) return 1;

    std::vector<double> seconds;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        userAction(&window, [&] { window.remoteBrowser().ListRemoteDirectory(folder); });
        QApplication::processEvents(); // the views' deferred layout belongs to the refresh
        seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
        if (failed) return 1;
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("refresh_s=%.4f\nentries=%d\n", seconds[seconds.size() / 2],
                window.tables().Permissions->recordCount());
    return 0;
}
