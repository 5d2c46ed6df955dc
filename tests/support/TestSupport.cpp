#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>

namespace testsupport {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    QDeadlineTimer timer(deadline);
    while (!condition()) {
        if (timer.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

QString sourcePath(const QString& relative) {
    return QStringLiteral(QELTO_SOURCE_DIR) + u'/' + relative;
}

ServerProcess::~ServerProcess() {
    stop();
}

void ServerProcess::start(const QString& program, const QStringList& arguments) {
    m_process.setProgram(program);
    m_process.setArguments(arguments);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start();
    if (!m_process.waitForStarted(10000))
        throw std::runtime_error("server process did not start: " + program.toStdString());
    QDeadlineTimer timer(20000);
    while (!timer.hasExpired()) {
        if (m_process.canReadLine()) {
            const QByteArray line = m_process.readLine();
            m_output += line;
            if (line.startsWith("LISTENING ")) {
                m_port = quint16(line.mid(10).trimmed().toUInt());
                return;
            }
            continue;
        }
        if (m_process.state() == QProcess::NotRunning) break;
        m_process.waitForReadyRead(100);
    }
    const QByteArray err = m_process.readAllStandardError();
    stop();
    throw std::runtime_error("server process did not start listening: " + err.toStdString());
}

void ServerProcess::stop() {
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

QString ServerProcess::output() const {
    return QString::fromUtf8(m_output);
}

PyFtpServer::PyFtpServer(const QString& root, const QStringList& extra) {
    start(QStringLiteral("/usr/bin/python3"),
          QStringList{sourcePath(QStringLiteral("scripts/demo-server")), QStringLiteral("--root"), root,
                      QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--no-sample"),
                      QStringLiteral("--exit-with-parent")} +
              extra);
}

} // namespace testsupport
