#pragma once

#include <QString>
#include <QStringList>

// The per-user data folder: <XDG data folder>/Kaxo/Qelto with "System" (the table files) and "Temp".
QString dataFolderPath();
QString dataSystemFolder();
QString dataTempFolder();

// Who may use the folders ForceLocalFolders makes: the user alone (0700; the data folder), or whom the
// user's umask lets in (the folders of a download, like any other the user makes).
enum class FolderAccess { Private, AsUmask };

// Creates every missing level of a local folder path, private to the user (0700) unless `access` says
// otherwise. Stops at the first level it cannot create. Returns whether the whole path exists afterwards.
bool ForceLocalFolders(const QString& path, FolderAccess access = FolderAccess::Private);

// Where the shipped table templates are looked for, in order: "System" in the current folder, beside
// the executable, in the installed data folder beside the program's (<program folder>/../share/qelto).
QStringList templateSearchFolders();

// The first of those folders that exists; empty when none does.
QString findTemplateFolder();

// Copies each named file that is missing from `systemFolder` from `templateFolder`, private to the
// user (0600). Returns the names it copied; a template that is missing is skipped, and opening that
// table reports it.
QStringList copyMissingTemplates(const QString& templateFolder, const QString& systemFolder,
                                 const QStringList& fileNames);
// The same, looking for each template along `templateFolders` and taking the first copy found, so a
// folder that exists but lacks a file (an empty "System" in the current folder) hides nothing.
QStringList copyMissingTemplates(const QStringList& templateFolders, const QString& systemFolder,
                                 const QStringList& fileNames);
