#pragma once

#include <QList>
#include <QString>
#include <utility>

// Texts of a job of the job queue: how fast it goes and how long it still takes while it runs, what it
// did once it ended; and whether its end is worth a note on the desktop.

// A byte count to read at a glance: "512 Byte", then KByte, MByte and GByte (binary multiples) with one
// decimal below 10 and none above ("1.5 MByte", "12 MByte").
QString jobByteText(qint64 bytes);

// A span of time in whole seconds (halves up): "42 s" below a minute, "3:05 min" below an hour, then
// "1:02:03 h".
QString durationText(qint64 ms);

// Follows the bytes of a running job: the rate over the last few seconds, and the time left at that rate.
class JobMeter {
public:
    // The job starts at `nowMs` with `total` bytes to move (0 or less: not known).
    void start(qint64 total, qint64 nowMs);
    // The job has moved `bytes` so far.
    void moved(qint64 bytes, qint64 nowMs);
    qint64 bytes() const { return m_samples.isEmpty() ? 0 : m_samples.last().second; }
    // Bytes per second over the last few seconds; 0 before a second has passed or while nothing moved.
    double rate() const;
    // "1.5 MByte/s, 42 s left"; only the rate when the total is not known or already reached; empty
    // while there is no rate yet.
    QString text() const;

private:
    qint64 m_total = 0;
    qint64 m_start = 0;
    QList<std::pair<qint64, qint64>> m_samples; // (time, bytes), the oldest one older than the window
};

enum class JobTextKind { Download, Upload, Move, Copy, Delete };

// The status text at the end of a job that ran through: "Download finished: 3 files, 2.5 MByte in 4 s
// (640 KByte/s)", "Upload finished: ...", "Copy finished: ..."; moves and deletes move no bytes:
// "Move finished: 3 files in 1 s", "Delete finished: 3 files, 2 folders in 1 s".
QString jobFinishedText(JobTextKind kind, int files, int folders, qint64 bytes, qint64 ms);

// A job is announced on the desktop when it ended after more than 10 s while the window was not the
// active one: the user has turned to something else meanwhile.
bool notifyJobEnd(qint64 ms, bool windowActive);
