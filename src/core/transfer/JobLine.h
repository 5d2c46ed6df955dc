#pragma once

#include "core/transfer/DownloadList.h"
#include "core/transfer/JobRows.h"

#include <QList>
#include <QString>
#include <QStringList>

// A job waiting in line: what the user asked for, kept until the job before it has ended. Its list is
// made when it starts, from the folder it was asked for in.
struct LineEntry {
    JobKind kind = JobKind::None;  // Download, Upload or Delete
    QString server;                // the browsing connection it was asked on ("user@host:port")
    QString remoteFolder;          // the folder of the remote selection, or where an upload goes
    QList<RemoteSelection> remote; // Download and Delete: the entries selected there
    QStringList localPaths;        // Upload: the local entries selected
    QString localFolder;           // Download: where to; Upload: the folder the paths are below
    QString error;                 // why its last run failed; such an entry waits to be retried or removed

    // As the line shows it: "Download a, b.txt from /pub", "Upload up to /www", "Delete old from /pub".
    QString name() const;
};

// The jobs waiting in line, in the order they were asked for. The next to run is the first without an
// error: a failed job stays where it was, with its error, and does not hold up the ones after it.
class JobLine {
public:
    int size() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    const LineEntry& at(int index) const { return m_entries.at(index); }
    // The entries that wait to run (without an error).
    int waiting() const;

    void append(const LineEntry& entry) { m_entries.append(entry); }
    // Takes the next entry to run out of the line; false when none waits.
    bool takeNext(LineEntry& entry);
    // Puts an entry whose run failed back where it was taken from, with its error.
    void failed(LineEntry entry, const QString& error);
    // Clears the error of the entry at `index`, so it runs in its turn.
    void retry(int index);
    void remove(int index);

private:
    QList<LineEntry> m_entries;
    int m_taken = -1; // where the entry being run was taken from
};
