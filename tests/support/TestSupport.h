#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <functional>

namespace testsupport {

// Waits for a condition with a deadline, letting queued events run meanwhile. Never a plain sleep.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds deadline = std::chrono::seconds(10));

QString sourcePath(const QString& relative);

// A helper server run as a child process. The process prints "LISTENING <port>" once it accepts
// connections; start() waits for that line. The destructor ends the process.
class ServerProcess {
public:
    ServerProcess() = default;
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    ~ServerProcess();

    void start(const QString& program, const QStringList& arguments);
    void stop();
    quint16 port() const { return m_port; }
    QString output() const;

private:
    QProcess m_process;
    quint16 m_port = 0;
    mutable QByteArray m_output;
};

// The real FTP server of the tests: pyftpdlib through scripts/demo-server, serving `root` as user demo
// (password demo) on 127.0.0.1 and a free port.
class PyFtpServer : public ServerProcess {
public:
    explicit PyFtpServer(const QString& root, const QStringList& extra = {});
};

} // namespace testsupport
