#pragma once

#include <QHostAddress>
#include <QtGlobal>

// The data connection of one transfer, on a plain non-blocking socket descriptor: large reads and
// writes go straight to the kernel without a second buffer, and failures keep their errno, so a
// transfer can tell a peer that went away from other faults. close() may be called at any time (Abort
// does, from a handler run inside a wait); every later call sees a closed channel and does nothing.
class FtpDataChannel {
public:
    FtpDataChannel() = default;
    ~FtpDataChannel() { close(); }
    FtpDataChannel(const FtpDataChannel&) = delete;
    FtpDataChannel& operator=(const FtpDataChannel&) = delete;

    // Takes over a connected descriptor (closing the one held before).
    void adopt(int fd);
    bool isOpen() const { return m_fd >= 0; }
    void close();

    // Waits up to ms (-1: no limit) until data, the end of data or an error can be read: true then,
    // false when the time ran out or the channel is closed. Throws the socket error of a failed poll.
    bool waitReadable(int ms);
    bool waitWritable(int ms);

    // Bytes read, 0 at the end of data, -1 when nothing is there yet (or the channel is closed).
    // Throws the socket error otherwise.
    qint64 read(char* data, qint64 size);
    // Bytes written, 0 when the kernel buffer is full, -1 on failure with lastError() set.
    qint64 write(const char* data, qint64 size);
    // Sends up to `size` bytes of the file `fileFd` from its current position, in the kernel: bytes
    // sent, 0 at the end of the file, -1 when the kernel buffer is full (lastError() EAGAIN) or on
    // failure (lastError() set; EINVAL or ENOSYS: the file cannot be sent this way).
    qint64 sendFile(int fileFd, qint64 size);
    int lastError() const { return m_lastError; }

private:
    int m_fd = -1;
    int m_lastError = 0;
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
