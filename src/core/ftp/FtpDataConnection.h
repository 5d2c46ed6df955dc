#pragma once

#include <QtGlobal>

// The data connection of one transfer, as the transfer sees it. The plain socket is one implementation
// (FtpDataChannel); a secure layer or a kernel-side copy can take its place without the transfer
// changing. close() may be called at any time (Abort does, from a handler run inside a wait); every
// later call sees a closed connection and does nothing.
class FtpDataConnection {
public:
    virtual ~FtpDataConnection() = default;

    virtual bool isOpen() const = 0;
    virtual void close() = 0;

    // Waits up to ms (-1: no limit) until data, the end of data or an error can be read: true then,
    // false when the time ran out or the connection is closed. Throws the socket error of a failed poll.
    virtual bool waitReadable(int ms) = 0;
    virtual bool waitWritable(int ms) = 0;

    // Bytes read, 0 at the end of data, -1 when nothing is there yet (or the connection is closed).
    // Throws the socket error otherwise.
    virtual qint64 read(char* data, qint64 size) = 0;
    // Bytes written, 0 when the kernel buffer is full, -1 on failure with lastError() set.
    virtual qint64 write(const char* data, qint64 size) = 0;
    // Sends up to `size` bytes of the file `fileFd` from its current position: bytes sent, 0 at the end
    // of the file, -1 when the kernel buffer is full (lastError() EAGAIN) or on failure (lastError()
    // set; EINVAL or ENOSYS: the file cannot be sent this way, the caller falls back to write()).
    virtual qint64 sendFile(int fileFd, qint64 size) = 0;
    // Moves up to `size` bytes from the connection into the file `fileFd` at its current position
    // without passing them through the process: bytes moved, 0 at the end of data, -1 when nothing is
    // there yet or the connection is closed (lastError() EAGAIN), when the file cannot be written this
    // way (lastError() EINVAL or ENOSYS: the caller reads through a buffer instead) or when the
    // connection failed (lastError() its errno). Throws when the file cannot be written.
    virtual qint64 receiveFile(int fileFd, qint64 size) = 0;
    virtual int lastError() const = 0;
};
