#include "core/monitor/ProcessorTimes.h"

#include <QFile>
#include <algorithm>
#include <cmath>

namespace {

std::optional<CpuTimes> parseCpuLine(const QByteArray& line) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    CpuTimes times;
    const QByteArray label = fields.first();
    if (label != "cpu") {
        bool ok = false;
        times.cpu = label.mid(3).toInt(&ok);
        if (!ok || times.cpu < 0) return std::nullopt;
    }
    // user nice system idle iowait irq softirq steal guest guest_nice; older kernels give fewer.
    quint64 values[8] = {};
    const qsizetype count = std::min<qsizetype>(fields.size() - 1, 8);
    if (count < 4) return std::nullopt;
    for (qsizetype i = 0; i < count; ++i) {
        bool ok = false;
        values[i] = fields.at(i + 1).toULongLong(&ok);
        if (!ok) return std::nullopt;
    }
    times.idle = values[3] + values[4];
    for (quint64 v : values)
        times.total += v;
    return times;
}

// The share of the elapsed ticks that were neither idle nor waiting, in percent, rounded (halves to
// even) and kept within 0 to 100; nothing when no time elapsed.
std::optional<int> busyPercent(const CpuTimes& before, const CpuTimes& after) {
    if (after.total <= before.total) return std::nullopt;
    const quint64 elapsed = after.total - before.total;
    const quint64 idle = after.idle >= before.idle ? after.idle - before.idle : 0;
    // Counted in whole ticks, so that 25 of 1000 is exactly 2.5 and rounds to 2.
    const double busy = idle >= elapsed ? 0.0 : double(elapsed - idle) * 100.0 / double(elapsed);
    return int(std::clamp(std::nearbyint(busy), 0.0, 100.0));
}

} // namespace

std::optional<ProcessorSample> parseProcStat(const QByteArray& text) {
    ProcessorSample sample;
    bool haveAll = false;
    for (const QByteArray& line : text.split('\n')) {
        if (!line.startsWith("cpu")) continue;
        const auto times = parseCpuLine(line);
        if (!times) return std::nullopt;
        if (times->cpu < 0) {
            sample.all = *times;
            haveAll = true;
        } else {
            sample.cpus << *times;
        }
    }
    if (!haveAll) return std::nullopt;
    return sample;
}

std::optional<ProcessorSample> readProcStat(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    // /proc files report no size: read until the end.
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return parseProcStat(text);
}

std::optional<ProcessorLoad> processorLoad(const ProcessorSample& previous, const ProcessorSample& current) {
    const auto all = busyPercent(previous.all, current.all);
    if (!all) return std::nullopt;
    ProcessorLoad load;
    load.percent = *all;
    for (const CpuTimes& after : current.cpus) {
        const auto before = std::find_if(previous.cpus.begin(), previous.cpus.end(),
                                         [&](const CpuTimes& t) { return t.cpu == after.cpu; });
        if (before == previous.cpus.end()) continue;
        if (const auto busy = busyPercent(*before, after)) load.highest = std::max(load.highest, *busy);
    }
    load.highest = std::max(load.highest, load.percent);
    return load;
}

ProcessorUsage::ProcessorUsage(QString path) : m_path(std::move(path)), m_previous(readProcStat(m_path)) {}

void ProcessorUsage::setSource(const QString& path) {
    m_path = path;
    m_previous = readProcStat(m_path);
}

std::optional<ProcessorLoad> ProcessorUsage::measure() {
    const auto current = readProcStat(m_path);
    if (!current) return std::nullopt;
    std::optional<ProcessorLoad> load;
    if (m_previous) load = processorLoad(*m_previous, *current);
    m_previous = current;
    return load;
}
