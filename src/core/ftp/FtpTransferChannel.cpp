#include "core/ftp/FtpTransferChannel.h"

#include "core/ftp/SocketErrors.h"
#include "core/ftp/TcpConnect.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {

// Polls one descriptor; EINTR counts as "not yet".
bool pollFor(int fd, short events, int ms) {
    if (fd < 0) return false;
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, ms);
    if (ready < 0) {
        if (errno == EINTR) return false;
        throw errnoError(errno);
    }
    return ready > 0;
}

// A download's local file refused its bytes.
QeltoError fileWriteError(int number) {
    return QeltoError(QStringLiteral("Cannot write file. ") + qt_error_string(number), ErrorCategory::LocalFile);
}

} // namespace

// --- data channel ------------------------------------------------------------------------------------

void FtpDataChannel::close() {
    for (int* fd : {&m_fd, &m_pipe[0], &m_pipe[1]}) {
        if (*fd < 0) continue;
        ::close(*fd);
        *fd = -1;
    }
}

bool FtpDataChannel::waitReadable(int ms) {
    return pollFor(m_fd, POLLIN, ms);
}

bool FtpDataChannel::waitWritable(int ms) {
    return pollFor(m_fd, POLLOUT, ms);
}

qint64 FtpDataChannel::read(char* data, qint64 size) {
    if (m_fd < 0) return -1;
    while (true) {
        const ssize_t n = ::recv(m_fd, data, size_t(size), 0);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return -1;
        m_lastError = errno;
        throw errnoError(m_lastError);
    }
}

qint64 FtpDataChannel::write(const char* data, qint64 size) {
    if (m_fd < 0) {
        m_lastError = EBADF;
        return -1;
    }
    while (true) {
        // MSG_NOSIGNAL: a peer that hung up gives EPIPE here instead of killing the process.
        const ssize_t n = ::send(m_fd, data, size_t(size), MSG_NOSIGNAL);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        m_lastError = errno;
        return -1;
    }
}

qint64 FtpDataChannel::sendFile(int fileFd, qint64 size) {
    if (m_fd < 0) {
        m_lastError = EBADF;
        return -1;
    }
    // sendfile has no MSG_NOSIGNAL: hold SIGPIPE back while it runs, and take back the one a peer
    // that hung up raises, so it becomes the EPIPE it is and does not end the process.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    sigset_t pending;
    sigpending(&pending);
    const bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;
    ssize_t n = -1;
    do {
        n = ::sendfile(m_fd, fileFd, nullptr, size_t(size));
    } while (n < 0 && errno == EINTR);
    const int error = errno;
    if (n < 0 && error == EPIPE && !alreadyPending) {
        const timespec noWait{};
        while (sigtimedwait(&pipeSignal, nullptr, &noWait) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (n >= 0) return n;
    m_lastError = error == EWOULDBLOCK ? EAGAIN : error;
    return -1;
}

bool FtpDataChannel::openPipe() {
    if (m_pipe[0] >= 0) return true;
    if (::pipe2(m_pipe, O_CLOEXEC) != 0) return false;
    // One transfer block fits in the pipe, so a fast sender's data moves in few rounds. The system's
    // limit for a pipe may be lower; the default size only means more rounds.
    ::fcntl(m_pipe[1], F_SETPIPE_SZ, 1 << 20);
    return true;
}

qint64 FtpDataChannel::receiveFile(int fileFd, qint64 size) {
    if (m_fd < 0) {
        m_lastError = EAGAIN;
        return -1;
    }
    if (m_pendingError != 0) {
        m_lastError = std::exchange(m_pendingError, 0);
        return -1;
    }
    // The kernel splices into no file opened for appending (a resumed download), nor into what refused
    // before; both go through the caller's buffer. So does a failure to make the pipe.
    const int flags = ::fcntl(fileFd, F_GETFL);
    if (m_fileRefuses || flags < 0 || (flags & O_APPEND) || !openPipe()) {
        m_lastError = EINVAL;
        return -1;
    }
    // Take what the socket holds, up to `size`; the pipe may fill before that (it counts buffers, not
    // bytes), and then what it holds is written first.
    qint64 inPipe = 0;
    bool atEnd = false;
    int failure = 0;
    while (inPipe < size) {
        const ssize_t n = ::splice(m_fd, nullptr, m_pipe[1], nullptr, size_t(size - inPipe),
                                   SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
        if (n > 0) {
            inPipe += n;
        } else if (n == 0) {
            atEnd = true;
            break;
        } else if (errno != EINTR) {
            if (errno != EAGAIN) failure = errno;
            break;
        }
    }
    if (inPipe == 0) {
        if (atEnd) return 0;
        m_lastError = failure != 0 ? failure : EAGAIN;
        if (failure == EINVAL || failure == ENOSYS) m_fileRefuses = true; // a socket that takes no splice
        return -1;
    }
    pipeToFile(fileFd, inPipe);
    // A reset is reported once; it must not be lost behind the bytes that came before it.
    m_pendingError = failure;
    return inPipe;
}

void FtpDataChannel::pipeToFile(int fileFd, qint64 bytes) {
    while (bytes > 0) {
        if (!m_fileRefuses) {
            const ssize_t n = ::splice(m_pipe[0], nullptr, fileFd, nullptr, size_t(bytes), SPLICE_F_MOVE);
            if (n > 0) {
                bytes -= n;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n == 0 || (errno != EINVAL && errno != ENOSYS)) throw fileWriteError(n < 0 ? errno : EIO);
            // This file takes no splice: what is in the pipe is copied, and later blocks go through the
            // caller's buffer.
            m_fileRefuses = true;
        }
        bytes -= copyFromPipe(fileFd, bytes);
    }
}

qint64 FtpDataChannel::copyFromPipe(int fileFd, qint64 bytes) {
    char block[64 * 1024];
    ssize_t n;
    do {
        n = ::read(m_pipe[0], block, std::min<size_t>(sizeof block, size_t(bytes)));
    } while (n < 0 && errno == EINTR);
    if (n <= 0) throw fileWriteError(n < 0 ? errno : EIO);
    for (ssize_t written = 0; written < n;) {
        const ssize_t w = ::write(fileFd, block + written, size_t(n - written));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) throw fileWriteError(w < 0 ? errno : EIO);
        written += w;
    }
    return n;
}

// --- listener ----------------------------------------------------------------------------------------

FtpDataListener::~FtpDataListener() {
    close();
}

void FtpDataListener::close() {
    if (m_fd < 0) return;
    ::close(m_fd);
    m_fd = -1;
}

void FtpDataListener::listen(const QHostAddress& address, quint16 port, quint16 min, quint16 max) {
    close();
    sockaddr_storage storage{};
    const socklen_t length = toSockaddr(address, 0, storage);
    m_fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) throw errnoError(errno);

    const auto bindTo = [&](quint16 candidate) {
        toSockaddr(address, candidate, storage);
        return ::bind(m_fd, reinterpret_cast<sockaddr*>(&storage), length) == 0;
    };
    bool bound = false;
    if (port != 0 || min == 0 || max == 0 || min > max) {
        bound = bindTo(port);
    } else {
        for (uint candidate = min; candidate <= max && !bound; ++candidate)
            bound = bindTo(quint16(candidate));
    }
    if (!bound || ::listen(m_fd, 4) != 0) {
        const int number = errno;
        close();
        throw errnoError(number);
    }
    socklen_t size = sizeof storage;
    ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&storage), &size);
    m_address = address;
    m_port = storage.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port)
                                           : ntohs(reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
}

int FtpDataListener::accept(int ms, const QHostAddress& peer) {
    if (!pollFor(m_fd, POLLIN, ms)) return -1;
    while (true) {
        sockaddr_storage storage{};
        socklen_t length = sizeof storage;
        const int fd =
            ::accept4(m_fd, reinterpret_cast<sockaddr*>(&storage), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR) continue;
            // EAGAIN: the caller connecting went away again; anything else is a real fault.
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == ECONNABORTED) return -1;
            throw errnoError(errno);
        }
        if (QHostAddress(reinterpret_cast<const sockaddr*>(&storage))
                .isEqual(peer, QHostAddress::TolerantConversion))
            return fd;
        ::close(fd);
        return -1;
    }
}
