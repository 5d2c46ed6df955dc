#include <QApplication>
#include <QFile>
#include <QTemporaryFile>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The offscreen platform's default screen is 800 x 600, smaller than the window may grow: give it
    // a desktop-sized screen.
    QTemporaryFile screens;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if ((platform.isEmpty() || platform == "offscreen") && screens.open()) {
        screens.write(R"({"screens":[{"name":"desktop","x":0,"y":0,"width":1920,"height":1080,)"
                      R"("logicalDpiX":96,"logicalDpiY":96,"dpr":1}]})");
        screens.flush();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens.fileName()));
    }
    // The web view's sandbox cannot start as root, which CI runs as. Set here, not only in CTest's
    // environment, so a test program run by hand behaves the same.
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
