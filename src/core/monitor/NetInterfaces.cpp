#include "core/monitor/NetInterfaces.h"

#include <QDir>
#include <QFile>
#include <algorithm>

namespace {

// The first line of a sysfs attribute, or nothing when it cannot be read (some attributes refuse to be
// read, "speed" of a link that is down for one).
std::optional<QByteArray> attribute(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray data = file.read(4096);
    if (data.isEmpty() && file.error() != QFileDevice::NoError) return std::nullopt;
    return data.split('\n').first().trimmed();
}

std::optional<quint64> number(const std::optional<QByteArray>& text) {
    if (!text) return std::nullopt;
    bool ok = false;
    const quint64 value = text->toULongLong(&ok);
    return ok ? std::optional<quint64>(value) : std::nullopt;
}

QByteArray hardwareAddress(const std::optional<QByteArray>& text) {
    if (!text || text->isEmpty()) return {};
    QByteArray bytes;
    for (const QByteArray& pair : text->split(':')) {
        bool ok = false;
        const uint value = pair.toUInt(&ok, 16);
        if (!ok || pair.size() > 2) return {};
        bytes.append(char(value));
    }
    return bytes;
}

QString driverName(const QString& dir) {
    QFile uevent(dir + QStringLiteral("/device/uevent"));
    if (!uevent.open(QIODevice::ReadOnly)) return {};
    for (const QByteArray& line : uevent.read(65536).split('\n'))
        if (line.startsWith("DRIVER=")) return QString::fromUtf8(line.mid(7).trimmed());
    return {};
}

QString description(const QString& dir) {
    const auto alias = attribute(dir + QStringLiteral("/ifalias"));
    if (alias && !alias->isEmpty()) return QString::fromUtf8(*alias);
    const QString driver = driverName(dir);
    if (!driver.isEmpty()) return driver;
    constexpr quint64 loopbackType = 772; // ARPHRD_LOOPBACK
    if (number(attribute(dir + QStringLiteral("/type"))) == loopbackType) return QStringLiteral("Loopback");
    return {};
}

} // namespace

QString NetInterfaceInfo::listText() const {
    return description.isEmpty() ? name : name + QStringLiteral(" (") + description + u')';
}

std::optional<NetInterfaceInfo> readNetInterface(const QString& folder, const QString& name) {
    const QString dir = folder + u'/' + name;
    const auto index = number(attribute(dir + QStringLiteral("/ifindex")));
    if (name.isEmpty() || name.contains(u'/') || !index) return std::nullopt;
    NetInterfaceInfo info;
    info.name = name;
    info.index = int(*index);
    info.description = description(dir);
    if (const auto mtu = number(attribute(dir + QStringLiteral("/mtu")))) info.mtu = quint32(*mtu);
    // Mbit/s; -1 (not a number here) when the driver does not know it.
    if (const auto speed = number(attribute(dir + QStringLiteral("/speed"))); speed && *speed > 0)
        info.speedBitsPerSecond = *speed * 1000000;
    const auto length = number(attribute(dir + QStringLiteral("/addr_len")));
    info.hardwareAddress = hardwareAddress(attribute(dir + QStringLiteral("/address")));
    if (length && *length < quint64(info.hardwareAddress.size())) info.hardwareAddress.truncate(int(*length));
    info.receivedBytes = number(attribute(dir + QStringLiteral("/statistics/rx_bytes")));
    info.sentBytes = number(attribute(dir + QStringLiteral("/statistics/tx_bytes")));
    return info;
}

QList<NetInterfaceInfo> readNetInterfaces(const QString& folder) {
    QList<NetInterfaceInfo> list;
    const QStringList names = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& name : names)
        if (auto info = readNetInterface(folder, name)) list << *info;
    std::stable_sort(list.begin(), list.end(),
                     [](const NetInterfaceInfo& a, const NetInterfaceInfo& b) { return a.index < b.index; });
    return list;
}

quint64 counterDelta(quint64 previous, quint64 current) {
    if (current >= previous) return current - previous;
    constexpr quint64 wrap32 = quint64(1) << 32;
    if (previous < wrap32) {
        const quint64 wrapped = wrap32 - previous + current;
        if (wrapped < wrap32 / 2) return wrapped;
    }
    return current;
}

double bytesPerSecond(quint64 bytes, qint64 elapsedMs) {
    if (elapsedMs <= 0) return double(bytes);
    return double(bytes) * 1000.0 / double(elapsedMs);
}
