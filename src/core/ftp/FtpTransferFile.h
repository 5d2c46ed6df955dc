#pragma once

#include <QFile>
#include <QString>

// The local file of a download. A fresh download is written into a hidden file beside the target (a
// short name when the target's own name leaves no room for the longer one),
// which replaces the target only once the transfer has finished: a failed download neither leaves a
// partial file under the target's name nor destroys the file that was there. A resumed download
// appends to the target itself, since continuing the partial file is its purpose.
class DownloadFile {
public:
    // Opens the file before anything is sent; throws QeltoError "Destination file already exists."
    // (without canOverwrite, for an existing file) or the platform's file error.
    DownloadFile(const QString& path, bool canOverwrite, bool resume);
    // A download that may go on another time: its hidden file is named after `partKey` (what identifies
    // the remote file and its version), is kept when the transfer fails or is cancelled, and is found
    // again by the next download of the same file. The target may be replaced.
    DownloadFile(const QString& path, const QString& partKey);
    ~DownloadFile(); // removes the hidden file unless committed or kept
    DownloadFile(const DownloadFile&) = delete;
    DownloadFile& operator=(const DownloadFile&) = delete;

    QFile& device() { return m_file; }
    // The size of the resumed file when resuming, else 0.
    qint64 restartAt() const { return m_restartAt; }
    // Puts the finished file in place; throws the platform's file error.
    void commit();
    // A kept hidden file: the bytes it held when it was opened.
    qint64 partLength() const { return m_partLength; }
    // Empties a kept hidden file, for a download that cannot go on from it.
    void startOver();
    // Removes the hidden file now, kept or not.
    void discard();

private:
    QString m_path;
    QString m_partPath; // empty when writing the target itself
    bool m_canOverwrite = false;
    bool m_keepPart = false;
    qint64 m_restartAt = 0;
    qint64 m_partLength = 0;
    QFile m_file;
};

// Opens a local file for reading by an upload; throws the platform's file error.
void openUploadSource(QFile& file);
