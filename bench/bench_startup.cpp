// Driver of bench/startup.sh: starts the real main window (or, with "floor", a bare Qt Widgets window)
// as the program's main() does, and prints the wall-clock moment the window is visible and the
// resident memory once it has idled for a second, with the moments main() was entered, the application
// object made and the window constructed (CLOCK_REALTIME nanoseconds):
//   main_ns=<> application_ns=<> window_ns=<> visible_ns=<> idle_rss_kb=<kilobytes>
#ifndef QELTO_STARTUP_FLOOR
#include "gui/mainwindow/MyMenu.h"
#endif

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>

namespace {

long long realtimeNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    const long long entered = realtimeNs();
    QApplication app(argc, argv);
    const long long appReady = realtimeNs();
    QApplication::setApplicationName(QStringLiteral("Qelto"));
#ifdef QELTO_STARTUP_FLOOR
    QWidget window;
    window.resize(800, 600);
#else
    TMyMenuForm window;
#endif
    const long long constructed = realtimeNs();
    window.show();
    long long visible = 0;
    // The first turn of the event loop after show() has laid out and painted the window.
    QTimer::singleShot(0, [&] { visible = realtimeNs(); });
    QTimer::singleShot(1000, [&] {
        std::printf("main_ns=%lld application_ns=%lld window_ns=%lld visible_ns=%lld idle_rss_kb=%ld\n",
                    entered, appReady, constructed, visible, residentKb());
        std::fflush(stdout);
        app.quit();
    });
    return app.exec();
}
