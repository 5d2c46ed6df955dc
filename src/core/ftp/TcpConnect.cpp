#include "core/ftp/TcpConnect.h"

#include "core/ftp/SocketErrors.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

socklen_t toSockaddr(const QHostAddress& address, quint16 port, sockaddr_storage& storage) {
    storage = {};
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&in6->sin6_addr, bytes.c, sizeof bytes.c);
        return sizeof(sockaddr_in6);
    }
    auto* in4 = reinterpret_cast<sockaddr_in*>(&storage);
    in4->sin_family = AF_INET;
    in4->sin_port = htons(port);
    in4->sin_addr.s_addr = htonl(address.toIPv4Address());
    return sizeof(sockaddr_in);
}

TcpConnectAttempt::TcpConnectAttempt(const QHostAddress& address, quint16 port) {
    sockaddr_storage storage;
    const socklen_t length = toSockaddr(address, port, storage);
    m_fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) throw errnoError(errno);
    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&storage), length) == 0) {
        m_connected = true;
    } else if (errno != EINPROGRESS) {
        const int number = errno;
        ::close(m_fd);
        m_fd = -1;
        throw errnoError(number);
    }
}

TcpConnectAttempt::~TcpConnectAttempt() {
    if (m_fd >= 0) ::close(m_fd);
}

bool TcpConnectAttempt::wait(int sliceMs) {
    if (m_connected) return true;
    pollfd entry{m_fd, POLLOUT, 0};
    const int ready = ::poll(&entry, 1, sliceMs);
    if (ready < 0) {
        if (errno == EINTR) return false;
        throw errnoError(errno);
    }
    if (ready == 0) return false;
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
    if (error != 0) throw errnoError(error);
    m_connected = true;
    return true;
}

int TcpConnectAttempt::release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}
