#include "core/ftp/RemotePath.h"

QByteArray joinRemotePath(const QByteArray& folder, const QByteArray& name) {
    if (folder.isEmpty()) return name;
    QByteArray path = folder;
    if (!path.endsWith('/')) path.append('/');
    return path.append(name);
}
