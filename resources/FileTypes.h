#pragma once

#include <QColor>
#include <QList>
#include <QString>

// One catalogue row of the shipped file-type table.
struct FileTypeEntry {
    QString extension; // upper case with its leading dot; the first four rows carry markers instead
    QString fileType;
    QString fileGroup;
    QString popularity;
    QString information;
};

enum class IconShape { Root, ParentFolder, Folder, UnknownFile, Page };

// The rows in catalogue order: root, parent folder, folder, unknown file, then the extensions.
QList<FileTypeEntry> fileTypeCatalogue();
IconShape iconShapeOf(int row);
QColor groupColor(const QString& fileGroup);
