#include "core/monitor/GraphWindow.h"
#include "core/monitor/NetInterfaces.h"

#include <gtest/gtest.h>

namespace {

QString tree(const char* name) {
    return QStringLiteral(QELTO_FIXTURES_DIR "/monitor/") + QLatin1String(name);
}

const NetInterfaceInfo* find(const QList<NetInterfaceInfo>& list, const QString& name) {
    for (const NetInterfaceInfo& info : list)
        if (info.name == name) return &info;
    return nullptr;
}

} // namespace

TEST(NetInterfaces, ReadsEveryInterfaceInIndexOrder) {
    const QList<NetInterfaceInfo> list = readNetInterfaces(tree("net-a"));
    ASSERT_EQ(list.size(), 4);
    QStringList texts;
    QList<int> indexes;
    for (const NetInterfaceInfo& info : list) {
        texts << info.listText();
        indexes << info.index;
    }
    EXPECT_EQ(texts, (QStringList{QStringLiteral("lo (Loopback)"), QStringLiteral("eth0 (e1000e)"),
                                  QStringLiteral("wlan0 (Office Wi-Fi)"), QStringLiteral("tun0")}));
    EXPECT_EQ(indexes, (QList<int>{1, 2, 3, 7})); // real indexes, with a gap

    const NetInterfaceInfo& eth = *find(list, QStringLiteral("eth0"));
    EXPECT_EQ(eth.mtu, 1500u);
    EXPECT_EQ(eth.speedBitsPerSecond, 1000000000u);
    EXPECT_EQ(eth.hardwareAddress, QByteArray::fromHex("001a2b3c4d5e"));
    EXPECT_EQ(eth.receivedBytes, 4294967000u);
    EXPECT_EQ(eth.sentBytes, 123456789u);
    EXPECT_EQ(find(list, QStringLiteral("wlan0"))->receivedBytes, 9000000000u); // past 32 bits
}

TEST(NetInterfaces, UnknownSpeedAndMissingAttributes) {
    const QList<NetInterfaceInfo> list = readNetInterfaces(tree("net-a"));
    EXPECT_FALSE(find(list, QStringLiteral("wlan0"))->speedBitsPerSecond); // "-1"
    EXPECT_FALSE(find(list, QStringLiteral("lo"))->speedBitsPerSecond);    // no "speed"
    const NetInterfaceInfo& tun = *find(list, QStringLiteral("tun0"));
    EXPECT_TRUE(tun.hardwareAddress.isEmpty());
    EXPECT_EQ(tun.mtu, 1420u);

    EXPECT_FALSE(readNetInterface(tree("net-a"), QStringLiteral("eth9")));
    EXPECT_FALSE(readNetInterface(tree("net-a"), QStringLiteral("../net-b/eth0")));
    EXPECT_TRUE(readNetInterfaces(tree("no-such-folder")).isEmpty());
}

TEST(NetInterfaces, CounterDeltasBetweenTwoRecordings) {
    const QList<NetInterfaceInfo> before = readNetInterfaces(tree("net-a"));
    const QList<NetInterfaceInfo> after = readNetInterfaces(tree("net-b"));
    auto delta = [&](const char* name, bool received) {
        const NetInterfaceInfo& a = *find(before, QLatin1String(name));
        const NetInterfaceInfo& b = *find(after, QLatin1String(name));
        return received ? counterDelta(*a.receivedBytes, *b.receivedBytes)
                        : counterDelta(*a.sentBytes, *b.sentBytes);
    };
    EXPECT_EQ(delta("eth0", true), 496u);   // a 32-bit counter wrapped: 4294967000 -> 200
    EXPECT_EQ(delta("eth0", false), 1536u); // plain growth
    EXPECT_EQ(delta("wlan0", true), 1000u); // a 64-bit counter went back: reset, counts from zero
    EXPECT_EQ(delta("lo", true), 0u);
}

TEST(NetInterfaces, CounterDeltaRules) {
    struct Case {
        quint64 previous, current, delta;
    } cases[] = {
        {100, 100, 0},
        {100, 250, 150},
        {4294967000u, 200, 496}, // wrapped at 2^32
        {4294967295u, 0, 1},
        {1000000, 500, 500},        // far below the wrap point: a reset
        {quint64(1) << 40, 10, 10}, // a 64-bit counter never wraps in practice: a reset
        {0, quint64(1) << 40, quint64(1) << 40},
    };
    for (const Case& c : cases)
        EXPECT_EQ(counterDelta(c.previous, c.current), c.delta) << c.previous << " -> " << c.current;
}

TEST(NetInterfaces, RatesAreScaledToOneSecond) {
    EXPECT_DOUBLE_EQ(bytesPerSecond(300, 300), 1000.0);
    EXPECT_DOUBLE_EQ(bytesPerSecond(300, 600), 500.0);
    EXPECT_DOUBLE_EQ(bytesPerSecond(300, 0), 300.0);
}

TEST(GraphWindow, MovesOneStepPerTickOnceFullAndKeepsABoundedTail) {
    GraphWindow window;
    QList<double> xs;
    for (int tick = 0; tick < 61; ++tick)
        xs << window.addPoint();
    EXPECT_EQ(xs.first(), 0);
    EXPECT_EQ(xs.last(), 60);
    EXPECT_EQ(window.left(), 1); // after 61 ticks: 1 to 61
    EXPECT_EQ(window.right(), 61);
    for (int tick = 0; tick < 10000; ++tick)
        window.addPoint();
    EXPECT_EQ(window.left(), 10001);
    EXPECT_EQ(window.firstKeptX(), 10000); // the newest x is 10060: 61 points in view, one before it
    window.reset();
    EXPECT_EQ(window.left(), 0);
    EXPECT_EQ(window.addPoint(), 0);
}
