#pragma once

#include <QHostAddress>

#include <sys/socket.h>

// Fills `storage` with the socket address of `address` and `port`; returns its length.
socklen_t toSockaddr(const QHostAddress& address, quint16 port, sockaddr_storage& storage);

// A TCP connect done on the raw socket, so the wait can be sliced for the anti-freeze without the
// attempt being cancelled between slices, and a failure keeps its exact errno.
class TcpConnectAttempt {
public:
    // Starts a non-blocking connect; throws the socket error when it fails at once.
    TcpConnectAttempt(const QHostAddress& address, quint16 port);
    ~TcpConnectAttempt();
    TcpConnectAttempt(const TcpConnectAttempt&) = delete;
    TcpConnectAttempt& operator=(const TcpConnectAttempt&) = delete;

    // Waits up to sliceMs (-1: no limit) for the connect to finish: true once connected, false while it
    // is still pending; throws the socket error when it failed.
    bool wait(int sliceMs);
    // Hands the connected descriptor over; the attempt no longer closes it.
    int release();

private:
    int m_fd = -1;
    bool m_connected = false;
};
