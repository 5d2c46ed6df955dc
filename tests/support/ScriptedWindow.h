#pragma once

// Window tests against the scripted server: exact conversations of the browsing connection.

#include "core/browse/RemoteListing.h"
#include "core/tables/Table.h"
#include "support/FtpTestSupport.h"
#include "support/WindowFixture.h"
#include "ui_MyMenu.h"

#include <functional>

namespace scripted {

inline QStringList loginScript() {
    return {QStringLiteral("S 220 scripted"),  QStringLiteral("C HOST [127.0.0.1]"),
            QStringLiteral("S 500 no"),        QStringLiteral("C USER demo"),
            QStringLiteral("S 331 password"),  QStringLiteral("C PASS demo"),
            QStringLiteral("S 230 in"),        QStringLiteral("C FEAT"),
            QStringLiteral("S 211-Features:"), QStringLiteral("S  MLSD"),
            QStringLiteral("S 211 End"),       QStringLiteral("C TYPE I"),
            QStringLiteral("S 200 ok"),        QStringLiteral("C SYST"),
            QStringLiteral("S 215 UNIX"),      QStringLiteral("C TYPE I"),
            QStringLiteral("S 200 ok")};
}

// One pass of the refresh: CWD, MLSD over a passive data connection, PWD.
inline QStringList listingPass(const QStringList& mlsdLines, const QString& folder = QStringLiteral("/")) {
    QStringList steps{QStringLiteral("C CWD ") + folder,
                      QStringLiteral("S 250 ok"),
                      QStringLiteral("L"),
                      QStringLiteral("C PASV"),
                      QStringLiteral("S 227 Entering Passive Mode ({pasv})"),
                      QStringLiteral("C MLSD"),
                      QStringLiteral("S 150 listing"),
                      QStringLiteral("A")};
    for (const QString& line : mlsdLines)
        steps << QStringLiteral("D ") + line + QStringLiteral("\\r\\n");
    steps << QStringLiteral("DX") << QStringLiteral("S 226 done") << QStringLiteral("C PWD")
          << QStringLiteral("S 257 \"") + folder + QStringLiteral("\"");
    return steps;
}

inline QString fact(const char* type, const char* name, int size = 0, const char* modify = "20240102030405") {
    return QStringLiteral("type=%1;size=%2;modify=%3; %4")
        .arg(QLatin1String(type))
        .arg(size)
        .arg(QLatin1String(modify), QLatin1String(name));
}

} // namespace scripted

class ListingTest : public WindowTest {
protected:
    // Connects to a scripted server that logs in, answers the two passes of the first listing and then
    // plays `after`.
    void connectTo(const QStringList& mlsdLines, const QStringList& beforeGreeting = {},
                   const std::function<void(TMyMenuForm&)>& prepare = {}, const QStringList& after = {}) {
        QStringList script = beforeGreeting + scripted::loginScript() + scripted::listingPass(mlsdLines) +
                             scripted::listingPass(mlsdLines);
        script << QStringLiteral("C PWD") << QStringLiteral("S 257 \"/\"") << after;
        if (after.isEmpty()) script << QStringLiteral("P 5");
        connectScript(script, prepare);
    }

    // Fills the connect bar for a server playing `script` and presses the connect button.
    void connectScript(const QStringList& script, const std::function<void(TMyMenuForm&)>& prepare = {}) {
        server = std::make_unique<ftptest::ScriptedServer>(script);
        TMyMenuForm& w = window ? *window : openWindow();
        w.ui()->PasiveEdit->setCurrentText(QStringLiteral("True"));
        w.ui()->TransferEdit->setCurrentText(QStringLiteral("Binary"));
        w.ui()->FTPE001->setText(QStringLiteral("127.0.0.1"));
        w.ui()->FTPE002->setText(QStringLiteral("demo"));
        w.ui()->FTPE003->setText(QStringLiteral("demo"));
        w.ui()->FTPE004->setText(QString::number(server->port()));
        if (prepare) prepare(w);
        w.ui()->EB001->click();
    }

    QStringList column(int field) const {
        QStringList values;
        for (int row = 0; row < window->tables().Permissions->recordCount(); ++row)
            values << window->tables().Permissions->value(row, field).toString();
        return values;
    }

    QList<int> listImages() const {
        QList<int> images;
        for (int i = 0; i < window->ui()->FTPFilesList->count(); ++i)
            images << window->ui()->FTPFilesList->item(i)->data(RemoteImageRole).toInt();
        return images;
    }

    int txtIcon() const {
        QStringList extensions;
        for (int row = 0; row < window->tables().FileInfo->recordCount(); ++row)
            extensions << window->tables().FileInfo->value(row, 1).toString();
        return fileIconIndex(QStringLiteral("a.txt"), extensions);
    }

    std::unique_ptr<ftptest::ScriptedServer> server;
};
