#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class TTable;

// Rules of the remote file operations: the caption of a new folder, the permission texts, and what a
// rename or a paste would meet in the folder it goes to.

// The caption of a folder about to be created among the items `captions`: "New" when none of them
// holds "New" (letter case exact), else "New_" followed by how many do.
QString newFolderCaption(const QStringList& captions);

// The mode bits (0 to 07777) of a listing's permission text: character 1 is the entry type, then the
// user, group and others triplets. "r", "w" and "x" set their bit; "s" and "t" count as execute and
// keep the set-user-ID, set-group-ID or sticky bit, "S" and "T" keep only the special bit. Anything
// else, and positions past the end of the text, leave a bit clear.
int permissionMode(const QString& text);

// Whether `text` is a mode text at all ("-rwxr-xr-x", an ACL mark after it allowed). Servers that
// send RFC 3659 "perm" facts ("adfrw") give texts that say nothing about the mode bits.
bool isPermissionText(const QString& text);

// The octal text of a mode: three digits, or four when a special bit is set ("755", "4755").
QString octalText(int mode);

// The mode a folder gets when a change is applied to a whole tree: execute wherever read is set, so
// the folder can still be entered.
int folderMode(int mode);

// An entry by name and kind: as a folder's listing shows it, or as it is about to be put there.
struct NamedEntry {
    QString name;
    bool folder = false;
};

// What an entry put into a folder meets there, by exact name.
enum class NameClash {
    None,       // the listing does not show the name
    FileOnFile, // a file of that name, which a file put there replaces
    Folder,     // a folder on one side or both
};

NameClash nameClash(const QList<NamedEntry>& listing, const NamedEntry& incoming);

// The entries of the listing table (Permissions), without "." and "..".
QList<NamedEntry> listedEntries(const TTable& permissions);

// Whether two server paths name one folder ("/pub" and "/pub/" do).
bool sameRemoteFolder(const QString& a, const QString& b);

// The folder among `copiedFolders` (names of folders in `sourceFolder`) that is `target` or holds it:
// copies pasted there would be written into what they are copied from. Empty when none is.
QString copiedFolderHolding(const QString& target, const QString& sourceFolder,
                            const QStringList& copiedFolders);
