#pragma once

// Shared set-up of the window tests: a fresh XDG data folder, the C locale, the build folder as the
// current folder (its System/ holds the table templates) and errors recorded instead of shown.

#include "core/ftp/FtpSession.h"
#include "core/ftp/TIdAntiFreeze.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/DataTables.h"
#include "gui/common/Guard.h"
#include "gui/common/UserAction.h"
#include "gui/connectbar/ConnectBar.h"
#include "gui/jobqueue/JobQueue.h"
#include "gui/localpanel/LocalPanel.h"
#include "gui/mainwindow/MyMenu.h"
#include "gui/mainwindow/WindowFrame.h"
#include "gui/protocollog/ProtocolLog.h"
#include "gui/remotebrowser/RemoteBrowser.h"
#include "gui/standby/StandBy.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dataHome.isValid());
        qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
        QLocale::setDefault(QLocale::c());
        previousDir = QDir::currentPath();
        QDir::setCurrent(QStringLiteral(QELTO_BINARY_DIR));
        previousReporter = guard::setReporter([this](QWidget*, const QString& text) { errors << text; });
    }

    void TearDown() override {
        window.reset();
        guard::setReporter(previousReporter);
        QDir::setCurrent(previousDir);
    }

    TMyMenuForm& openWindow() {
        window = std::make_unique<TMyMenuForm>();
        window->show();
        return *window;
    }

    void closeWindow() {
        if (window) window->close();
        window.reset();
    }

    QString systemFile(const QString& name) const {
        return dataHome.path() + QStringLiteral("/Kaxo/Qelto/System/") + name;
    }

    QTemporaryDir dataHome;
    QStringList errors;
    std::unique_ptr<TMyMenuForm> window;

private:
    QString previousDir;
    guard::Reporter previousReporter;
};
