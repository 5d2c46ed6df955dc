#pragma once

#include <QString>
#include <QStringList>

// The per-user data folder: <XDG data folder>/Kaxo/Qelto with "System" (the table files) and "Temp".
QString dataFolderPath();
QString dataSystemFolder();
QString dataTempFolder();

// Creates every missing level of a local folder path, private to the user (0700). Stops at the first
// level it cannot create. Returns whether the whole path exists afterwards.
bool ForceLocalFolders(const QString& path);

// Where the shipped table templates are: "System" in the current folder, else beside the executable,
// else the installed data folder. Empty when none exists.
QString findTemplateFolder();

// Copies each named file that is missing from `systemFolder` from `templateFolder`, private to the
// user (0600). Returns the names it copied; a template that is missing is skipped, and opening that
// table reports it.
QStringList copyMissingTemplates(const QString& templateFolder, const QString& systemFolder,
                                 const QStringList& fileNames);
