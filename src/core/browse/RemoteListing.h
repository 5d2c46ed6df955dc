#pragma once

#include <QString>
#include <QStringList>

// Data of an item of the remote file list besides its caption: "<DIR>" or "Files", the byte count,
// the index of its image in the icon list, and the exact bytes of the name as the server listed them.
enum RemoteItemRole { RemoteKindRole = Qt::UserRole, RemoteSizeRole, RemoteImageRole, RemoteRawNameRole };

// Texts and rules of the remote folder views.

// A byte count as "%8.0f" of the value in bytes, KByte or MByte (decimal multiples), halves rounded away
// from zero, followed by " Byte", " KByte" or " MByte".
QString ByteSizeText(qint64 n);

// The catalogue key of a file name: its upper-cased extension (letters a to z only) from the last "."
// on, point included; empty when a "\" or ":" follows that point or the name has no point.
QString fileExtensionKey(const QString& name);

// The icon index of a file name: position of the last catalogue extension equal to the key, else 3.
int fileIconIndex(const QString& name, const QStringList& catalogueExtensions);

// Path of an entry in a remote folder: no "/" is added when the folder's first "/" is its last character.
QString JoinRemotePath(const QString& directory, const QString& name);

// The running number of a listing row: empty for listing positions 0 and 1, else the number of rows
// already in the table minus one.
QString listingRowNumber(int listingPosition, int rowsBefore);
