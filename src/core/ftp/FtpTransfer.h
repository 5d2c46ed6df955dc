#pragma once

#include "core/ftp/FtpControl.h"
#include "core/ftp/FtpDataConnection.h"
#include "core/ftp/FtpTransferChannel.h"

#include <QIODevice>
#include <QString>
#include <memory>

// One data transfer of a TIdFTP: the data connection (passive or active), the transfer command, the
// data itself and the end handling that reads the closing replies, also after a failure or an Abort.
class FtpTransfer {
public:
    enum Direction { Download, Upload };

    // Where a transfer stands, which is what the end handling needs to know: which replies the server
    // still owes. Every change goes through enter(), which traces it (logging category
    // "qelto.ftp.transfer").
    enum class Phase {
        Idle,
        Addressing, // PRET, PASV or EPSV, or the listener and PORT or EPRT
        Restarting, // REST
        Commanded,  // the transfer command is sent; its first reply is owed
        Moving,     // the server announced the data; it moves, and the closing reply is owed
        Declined,   // the server answered the command without announcing data; nothing more is owed
        Ending,     // the end handling reads what is owed
        Done,
    };
    static const char* phaseName(Phase phase);

    // Data blocks move between socket and local device in pieces of at most this size.
    static constexpr qint64 BlockSize = 1024 * 1024;

    // For a `listing`, a 450 reply to a passive-mode command ("no files") is an empty result; a file
    // download treats it as the refusal it is, so no empty file takes the place of the one asked for.
    FtpTransfer(FtpControl& control, Direction direction, QByteArray command, bool listing = false);

    // Runs the transfer between the server and `local`. A download with restartAt >= 0 sends REST first;
    // a download growing beyond `limit` bytes (when >= 0) fails with `limitError`. Throws the first
    // failure once the end handling is done, and "Operation aborted." after an Abort.
    void run(QIODevice& local, qint64 restartAt = -1, qint64 limit = -1,
             const QString& limitError = QString());

    // The connection's Abort: closes the data connection and stops the transfer before its next step;
    // the end handling then reads the replies the server owes, the ABOR's among them.
    void requestAbort();

private:
    struct Stopped {}; // thrown when an abort stops the transfer; not a failure of its own

    void enter(Phase next);
    void passive();
    void active();
    void passiveAddress(QHostAddress& host, quint16& port);
    void connectData(const QHostAddress& host, quint16 port);
    void sendDataPort(const FtpDataListener& listener);
    void acceptData(FtpDataListener& listener);
    void sendRestart();
    void sendCommand();
    void readCommandReply(const QList<int>& accepted);
    void receive();
    // False when the file cannot (or no longer) be written from the kernel: the rest goes through the buffer.
    bool receiveIntoFile(int fd, qint64& total);
    void receiveThroughBuffer(qint64& total);
    void send();
    // One piece of an upload: the bytes sent, 0 once the source is done or the data connection is gone,
    // -1 for "nothing this time" (waited, or switched away from sending in the kernel).
    qint64 sendFromFile(int fd, bool first, bool& inKernel);
    qint64 sendBlock();
    bool waitOnData(bool forWriting);
    void writeLocal(const char* data, qint64 size);
    void end();
    void readAbortReplies();
    int readReply(const QList<int>& accepted);
    void openData(int fd);
    bool dataOpen() const { return m_data && m_data->isOpen(); }
    void closeData();

    FtpControl& m_control;
    const TIdFTP& m_settings;
    Direction m_direction;
    QByteArray m_command;
    bool m_listing;
    QIODevice* m_local = nullptr;
    qint64 m_restartAt = -1;
    qint64 m_limit = -1;
    QString m_limitError;
    std::unique_ptr<FtpDataConnection> m_data; // once connected
    Phase m_phase = Phase::Idle;
    bool m_abortRequested = false; // set by requestAbort, from a handler run inside one of our waits
    bool m_uploadCut = false;      // the data connection went away before the whole file was sent
    qint64 m_announced = -1;       // the byte count the server's 150 reply named, when it named one
    qint64 m_moved = -1;           // the bytes that came or went, once the data ended
    qint64 m_toSend = -1;          // an upload's bytes when it started
};
