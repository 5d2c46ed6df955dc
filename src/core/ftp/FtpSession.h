#pragma once

#include "core/ftp/ConnectionSettings.h"
#include "core/ftp/FtpTypes.h"

#include <QObject>
#include <atomic>
#include <memory>

class TIdFTP;
class TIdLogEvent;

// One FTP connection with its protocol intercept, configured from one settings value. The client's
// callbacks arrive as signals, on the thread the session lives on: directly while a call of the same
// thread waits, queued when the receiver lives on another thread. A session may be created on a worker
// thread; cancel() is then the one call that is safe from other threads.
class FtpSession : public QObject {
    Q_OBJECT
public:
    // `platform` is what the client names as its platform in CLNT.
    explicit FtpSession(const QString& platform, QObject* parent = nullptr);
    ~FtpSession() override;

    TIdFTP& ftp() const { return *m_ftp; }
    const ConnectionSettings& settings() const { return m_settings; }

    // Takes the settings for the next open().
    void configure(const ConnectionSettings& settings);
    // Connects and logs in with the configured settings.
    void open();
    bool isOpen() const;
    // Drops the connection: aborts what runs, says goodbye when the server still listens, closes the
    // socket. Never throws; a server that no longer answers cannot hold it up.
    void close();

    // True from a close() until the next open(): the user (or the program) ended the connection.
    bool closedOnPurpose() const { return m_closedOnPurpose; }
    // Runs commands on the session; when they fail because the session was closed on purpose meanwhile
    // (a disconnect clicked during a listing, the window closed during a connect), that is no error.
    template <class F> void unlessClosed(F&& commands);

    // Says goodbye (QUIT) and closes the socket; for a session nothing runs on. Never throws.
    void quit();

    // Ends the current or next wait of this session with "Operation aborted."; safe from any thread.
    void cancel();
    void clearCancel();
    bool cancelled() const { return m_cancel.load(); }

signals:
    void connected();
    void disconnected();
    void status(TIdStatus status, const QString& text);
    void workBegin(TWorkMode mode, qint64 expected);
    void work(TWorkMode mode, qint64 count);
    void workEnd(TWorkMode mode);
    // Blocks of the control connection, as the intercept shows them.
    void sent(const QString& block);
    void received(const QString& block);

private:
    std::unique_ptr<TIdLogEvent> m_log;
    std::unique_ptr<TIdFTP> m_ftp;
    ConnectionSettings m_settings;
    std::atomic<bool> m_cancel{false};
    bool m_closedOnPurpose = false;
};

template <class F> void FtpSession::unlessClosed(F&& commands) {
    try {
        commands();
    } catch (...) {
        if (m_closedOnPurpose && !isOpen()) return;
        throw;
    }
}
