#pragma once

#include "core/ftp/FtpDataConnection.h"

#include <QHostAddress>
#include <QtGlobal>

// The plain data connection: a non-blocking socket descriptor. Large reads and writes go straight to
// the kernel without a second buffer, and failures keep their errno, so a transfer can tell a peer that
// went away from other faults.
class FtpDataChannel : public FtpDataConnection {
public:
    explicit FtpDataChannel(int fd) : m_fd(fd) {} // takes over a connected descriptor
    ~FtpDataChannel() override { close(); }
    FtpDataChannel(const FtpDataChannel&) = delete;
    FtpDataChannel& operator=(const FtpDataChannel&) = delete;

    bool isOpen() const override { return m_fd >= 0; }
    void close() override;
    bool waitReadable(int ms) override;
    bool waitWritable(int ms) override;
    qint64 read(char* data, qint64 size) override;
    qint64 write(const char* data, qint64 size) override;
    qint64 sendFile(int fileFd, qint64 size) override;
    // Through a pipe with splice(2): socket to pipe, pipe to file.
    qint64 receiveFile(int fileFd, qint64 size) override;
    int lastError() const override { return m_lastError; }

private:
    bool openPipe();
    // Writes `bytes` from the pipe into the file; throws when the file cannot be written.
    void pipeToFile(int fileFd, qint64 bytes);
    // One block from the pipe into the file with read and write, for a file that takes no splice.
    qint64 copyFromPipe(int fileFd, qint64 bytes);

    int m_fd = -1;
    int m_lastError = 0;
    int m_pipe[2] = {-1, -1};
    int m_pendingError = 0;     // a socket failure seen while bytes before it were still to be written
    bool m_fileRefuses = false; // the file took no splice: later calls send the caller to its buffer
};

// The listening socket of an active-mode transfer.
class FtpDataListener {
public:
    FtpDataListener() = default;
    ~FtpDataListener();
    FtpDataListener(const FtpDataListener&) = delete;
    FtpDataListener& operator=(const FtpDataListener&) = delete;

    // Listens on `address` at `port`; with port 0, on the first free port of min..max, or on any free
    // port when the range is empty (min or max 0, or min above max). Throws the socket error.
    void listen(const QHostAddress& address, quint16 port, quint16 min, quint16 max);
    QHostAddress address() const { return m_address; }
    quint16 port() const { return m_port; }

    // Waits up to ms (-1: no limit) for a connection from `peer`; returns its descriptor, or -1 when
    // none came in time. Connections from any other host are refused, so another machine cannot slip
    // its data into the transfer by connecting first.
    int accept(int ms, const QHostAddress& peer);
    void close();

private:
    int m_fd = -1;
    QHostAddress m_address;
    quint16 m_port = 0;
};
