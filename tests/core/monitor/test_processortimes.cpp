#include "core/monitor/ProcessorTimes.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString recording(const char* machine, const char* which) {
    return QStringLiteral(QELTO_FIXTURES_DIR "/monitor/") + QLatin1String(machine) + u'/' +
           QLatin1String(which) + QStringLiteral("/stat");
}

} // namespace

TEST(ProcessorTimes, LoadOfRecordedMachines) {
    struct Case {
        const char* machine;
        int processors, percent, highest;
    } cases[] = {
        {"proc-1cpu", 1, 2, 2},    // 2% busy, 1% waiting for the disk counts as idle
        {"proc-4cpu", 4, 35, 90},  // 90, 10, 0 and 40: the text shows all of them, the lights the busiest
        {"proc-64cpu", 64, 1, 85}, // one processor of 64 at 85%
    };
    for (const Case& c : cases) {
        const auto before = readProcStat(recording(c.machine, "a"));
        const auto after = readProcStat(recording(c.machine, "b"));
        ASSERT_TRUE(before && after) << c.machine;
        EXPECT_EQ(after->cpus.size(), c.processors) << c.machine;
        const auto load = processorLoad(*before, *after);
        ASSERT_TRUE(load) << c.machine;
        EXPECT_EQ(load->percent, c.percent) << c.machine;
        EXPECT_EQ(load->highest, c.highest) << c.machine;
    }
}

TEST(ProcessorTimes, SharesRoundHalvesToEvenAndStayWithinTheScale) {
    auto load = [](const char* before, const char* after) {
        return processorLoad(*parseProcStat(before), *parseProcStat(after));
    };
    // user nice system idle iowait irq softirq steal
    EXPECT_EQ(load("cpu 0 0 0 0 0 0 0 0\n", "cpu 25 0 0 975 0 0 0 0\n")->percent, 2); // 2.5 -> 2
    EXPECT_EQ(load("cpu 0 0 0 0 0 0 0 0\n", "cpu 35 0 0 965 0 0 0 0\n")->percent, 4); // 3.5 -> 4
    // Interrupts count as busy time, waiting for input or output as idle.
    EXPECT_EQ(load("cpu 0 0 0 0 0 0 0 0\n", "cpu 10 0 10 60 10 5 5 0\n")->percent, 30);
    // An idle counter that runs ahead of the total (it happens across processors) shows 0%, not 100%.
    EXPECT_EQ(load("cpu 10 0 0 100 0 0 0 0\n", "cpu 10 0 0 200 0 0 0 0\n")->percent, 0);
    EXPECT_EQ(load("cpu 0 0 0 500 0 0 0 0\n", "cpu 100 0 0 500 0 0 0 0\n")->percent, 100);
    // No time elapsed: no measurement.
    EXPECT_FALSE(load("cpu 1 0 0 1 0 0 0 0\n", "cpu 1 0 0 1 0 0 0 0\n"));
    // Guest time is part of user time already and is not counted twice.
    EXPECT_EQ(load("cpu 0 0 0 0 0 0 0 0 0 0\n", "cpu 50 0 0 50 0 0 0 0 50 0\n")->percent, 50);
}

TEST(ProcessorTimes, ProcessorsComingAndGoingAreMatchedByNumber) {
    const auto before = parseProcStat("cpu 0 0 0 0\ncpu0 0 0 0 0\ncpu2 0 0 0 0\n");
    const auto after = parseProcStat("cpu 90 0 0 210\ncpu0 10 0 0 90\ncpu1 0 0 0 10\ncpu2 80 0 0 20\n");
    ASSERT_TRUE(before && after);
    EXPECT_EQ(processorLoad(*before, *after)->highest, 80); // cpu1 is new: not compared
}

TEST(ProcessorTimes, MalformedTextIsNoSample) {
    EXPECT_FALSE(parseProcStat(""));
    EXPECT_FALSE(parseProcStat("cpu0 1 2 3 4\n")); // no line for all processors
    EXPECT_FALSE(parseProcStat("cpu 1 2 x 4\n"));
    EXPECT_FALSE(parseProcStat("cpu 1 2\n")); // too few fields
    EXPECT_FALSE(parseProcStat("cpu 1 2 3 4\ncpuX 1 2 3 4\n"));
    EXPECT_TRUE(parseProcStat("cpu 1 2 3 4\n")); // old kernels give four fields
}

TEST(ProcessorTimes, AnUnreadableSampleKeepsThePreviousOne) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("stat"));
    auto write = [&](const QByteArray& text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    };
    write("cpu 0 0 0 100\n");
    ProcessorUsage usage(path);
    QFile::remove(path);
    EXPECT_FALSE(usage.measure());
    write("cpu 0 0 0 garbage\n");
    EXPECT_FALSE(usage.measure());
    write("cpu 50 0 0 150\n");
    const auto load = usage.measure(); // against the first sample: 50 of 100 ticks busy
    ASSERT_TRUE(load);
    EXPECT_EQ(load->percent, 50);
}
