#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace Ui {
class TMyMenuForm;
}
class FtpSession;
class QWidget;
enum class TlsMode;

// The "Console" page: a raw FTP command line on a connection of its own, reaching the server the connect
// bar names, with every line sent and received echoed in colour and LIST or DIR giving a readable
// report of the server's folder.
class Console : public QObject {
    Q_OBJECT
public:
    Console(Ui::TMyMenuForm& ui, QWidget* window);

    FtpSession& ConsoleFTP() const { return *m_session; }
    // The TLS mode the connect bar would connect with now; the console connects with the same.
    void setTlsModeSource(std::function<TlsMode()> source) { m_tlsMode = std::move(source); }

    // Connects when the console's connection is down, else disconnects it.
    void toggleConnection();
    // Runs the command line (Enter in the command line).
    void executeCommandLine();
    void disconnectConsole();
    // Lists `dir` and appends the report of its folders and files.
    void writeDirectoryReport(const QString& dir);

    void echoSent(const QString& block);
    void echoReceived(const QString& block);

private:
    void connectConsole();
    void showConnected(bool connected);
    void append(const QString& text);

    Ui::TMyMenuForm& m_ui;
    QWidget* m_window;
    FtpSession* m_session;
    std::function<TlsMode()> m_tlsMode;
    bool m_busy = false; // a command waits for its reply; Enter meanwhile is ignored
};
