#include "core/ftp/FtpTransferChannel.h"

#include "core/ftp/SocketErrors.h"
#include "core/ftp/TcpConnect.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

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

} // namespace

// --- data channel ------------------------------------------------------------------------------------

void FtpDataChannel::close() {
    if (m_fd < 0) return;
    ::close(m_fd);
    m_fd = -1;
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
