#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The processor load from the kernel's time counters in /proc/stat.

inline const QString ProcStat = QStringLiteral("/proc/stat");

// Time counters of one processor, in the kernel's clock ticks since start-up.
struct CpuTimes {
    int cpu = -1;      // the processor's number; -1 for the line of all processors together
    quint64 idle = 0;  // idle and waiting for input or output
    quint64 total = 0; // every state, guest time not counted twice
};

struct ProcessorSample {
    CpuTimes all;
    QList<CpuTimes> cpus;
};

// The "cpu" lines of /proc/stat; nothing when the text has none or a line is malformed.
std::optional<ProcessorSample> parseProcStat(const QByteArray& text);
std::optional<ProcessorSample> readProcStat(const QString& path = ProcStat);

struct ProcessorLoad {
    int percent = 0; // of all processors together, rounded (halves to even) and kept within 0 to 100
    int highest = 0; // of the busiest single processor, likewise
};

// The load between two samples: the share of the elapsed time that was neither idle nor waiting.
// Processors are matched by number; nothing when no time elapsed.
std::optional<ProcessorLoad> processorLoad(const ProcessorSample& previous, const ProcessorSample& current);

// The monitor's state: the previous sample. Each measurement compares a new sample with it and then
// keeps the new one; a sample that cannot be read changes nothing.
class ProcessorUsage {
public:
    // Takes the first sample.
    explicit ProcessorUsage(QString path = ProcStat);

    // Reads from another file (tests) and starts again from a first sample of it.
    void setSource(const QString& path);
    std::optional<ProcessorLoad> measure();

private:
    QString m_path;
    std::optional<ProcessorSample> m_previous;
};
