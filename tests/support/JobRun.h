#pragma once

// Runs a job of the job runner to its end and records what it said on the way.

#include "core/tables/Table.h"
#include "core/transfer/JobRows.h"
#include "core/transfer/TransferJob.h"
#include "support/TestSupport.h"

#include <QObject>
#include <QStringList>
#include <algorithm>
#include <functional>

namespace testsupport {

// How a job ended, and what it showed: every distinct Event text its rows took, the status texts, the
// byte counts of its progress and the most files it had under way at once.
struct JobOutcome {
    bool done = false;
    bool completed = false;
    QString error;
    QStringList events;
    QStringList status;
    QList<qint64> progress;
    int mostRunning = 0;
};

inline JobOutcome runJob(TransferJob& job, TTable& events, const std::function<void()>& start,
                         std::chrono::milliseconds deadline = std::chrono::seconds(20)) {
    JobOutcome outcome;
    int running = 0;
    QObject context;
    QObject::connect(&job, &TransferJob::finished, &context, [&](bool completed, const QString& error) {
        outcome.done = true;
        outcome.completed = completed;
        outcome.error = error;
    });
    QObject::connect(&job, &TransferJob::status, &context, [&](const QString& text) {
        outcome.status << text;
        if (text.contains(u"load file: ")) ++running;
        if (text.endsWith(u"completed ...")) --running;
        outcome.mostRunning = std::max(outcome.mostRunning, running);
    });
    QObject::connect(&job, &TransferJob::progress, &context,
                     [&](bool, qint64 bytes, int) { outcome.progress << bytes; });
    QObject::connect(&events, &TTable::rowChanged, &context, [&](int row) {
        const QString event = events.value(row, JobField::Event).toString();
        if (!outcome.events.contains(event)) outcome.events << event;
    });
    start();
    waitUntil([&] { return outcome.done; }, deadline);
    return outcome;
}

} // namespace testsupport
