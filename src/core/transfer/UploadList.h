#pragma once

#include <QString>
#include <QStringList>

class TTable;

// Writes the job rows of local files and folders selected in `base` (the local folder shown), to go
// into the remote folder `remoteFolder`: each selected folder's row followed by its contents (inside a
// folder, sub-folders with their contents first, then the files), a selected file's row in its place.
// Only regular files and real folders are taken: symbolic links to folders are not followed, and
// sockets, pipes and devices are left out. Returns what was left out, by path, with the reason.
QStringList buildUploadList(const QStringList& selectedPaths, const QString& base,
                            const QString& remoteFolder, TTable& events);
