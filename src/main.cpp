#include "gui/mainwindow/MyMenu.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Qelto"));
    QApplication::setApplicationDisplayName(QStringLiteral("Qelto"));
    TMyMenuForm window;
    window.show();
    return app.exec();
}
