#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The machine's network interfaces as the kernel describes them under /sys/class/net. The readers take
// the folder, so tests feed them recorded trees.

inline const QString SysClassNet = QStringLiteral("/sys/class/net");

struct NetInterfaceInfo {
    QString name;        // the kernel's name, which identifies the interface ("eth0")
    QString description; // its alias, else its driver, else its kind ("Loopback"); may be empty
    int index = 0;       // the kernel's interface index
    std::optional<quint32> mtu;
    std::optional<quint64> speedBitsPerSecond; // unknown for virtual interfaces and links that are down
    QByteArray hardwareAddress;                // empty when the interface has none
    std::optional<quint64> receivedBytes;
    std::optional<quint64> sentBytes;

    // The text of the interface list: the name, and the description in brackets.
    QString listText() const;
};

// One interface, or nothing when the folder has no such interface.
std::optional<NetInterfaceInfo> readNetInterface(const QString& folder, const QString& name);

// Every interface of the folder, in the order of their indexes; empty when the folder cannot be read.
QList<NetInterfaceInfo> readNetInterfaces(const QString& folder = SysClassNet);

// The number of bytes a counter moved from `previous` to `current`. A counter that went back wrapped
// when it is a 32-bit counter that passed 2^32 (the wrapped distance is under 2^31); otherwise it was
// reset, and counts from zero.
quint64 counterDelta(quint64 previous, quint64 current);

// Bytes per second of `bytes` counted over `elapsedMs` milliseconds; the bytes themselves when no time
// was measured.
double bytesPerSecond(quint64 bytes, qint64 elapsedMs);
