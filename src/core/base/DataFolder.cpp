#include "core/base/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
constexpr QFileDevice::Permissions ownerOnlyFolder =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions ownerOnlyFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
} // namespace

QString dataFolderPath() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base + QStringLiteral("/Kaxo/Qelto");
}

QString dataSystemFolder() {
    return dataFolderPath() + QStringLiteral("/System");
}
QString dataTempFolder() {
    return dataFolderPath() + QStringLiteral("/Temp");
}

bool ForceLocalFolders(const QString& path, FolderAccess access) {
    QString full = path;
    while (full.endsWith(u'/'))
        full.chop(1);
    if (full.isEmpty()) return false;
    full += u'/';
    QString prefix;
    prefix.reserve(full.size());
    for (QChar c : full) {
        prefix += c;
        if (c != u'/' || prefix == QStringLiteral("/")) continue;
        if (QFileInfo(prefix).isDir()) continue;
        const bool made = access == FolderAccess::Private ? QDir().mkdir(prefix, ownerOnlyFolder) : QDir().mkdir(prefix);
        if (!made) return false;
    }
    return QFileInfo(full).isDir();
}

QStringList templateSearchFolders() {
    return {
        QDir::currentPath() + QStringLiteral("/System"),
        QCoreApplication::applicationDirPath() + QStringLiteral("/System"),
        QDir::cleanPath(QCoreApplication::applicationDirPath() +
                        QStringLiteral("/" QELTO_DATA_FROM_PROGRAM "/System")),
    };
}

QString findTemplateFolder() {
    for (const QString& folder : templateSearchFolders())
        if (QFileInfo(folder).isDir()) return folder;
    return {};
}

QStringList copyMissingTemplates(const QString& templateFolder, const QString& systemFolder,
                                 const QStringList& fileNames) {
    return copyMissingTemplates(templateFolder.isEmpty() ? QStringList() : QStringList{templateFolder},
                                systemFolder, fileNames);
}

QStringList copyMissingTemplates(const QStringList& templateFolders, const QString& systemFolder,
                                 const QStringList& fileNames) {
    QStringList copied;
    for (const QString& name : fileNames) {
        const QString target = systemFolder + u'/' + name;
        if (QFileInfo::exists(target)) continue;
        for (const QString& folder : templateFolders) {
            const QString source = folder + u'/' + name;
            if (!QFileInfo(source).isFile()) continue;
            if (QFile::copy(source, target)) {
                QFile::setPermissions(target, ownerOnlyFile);
                copied << name;
            }
            break;
        }
    }
    return copied;
}
