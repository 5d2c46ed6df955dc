#include "core/browse/PreviewAddress.h"

QString previewAddress(const QString& site, const QString& serverAddress, const QString& remotePath) {
    QString address = site.trimmed();
    if (address.isEmpty()) {
        address = QStringLiteral("http://") + serverAddress;
    } else {
        // A site given with a trailing "/" would double the path's first one.
        while (address.endsWith(u'/'))
            address.chop(1);
    }
    // The web server's root is the FTP account's public_html folder. Host names cannot hold the word,
    // so only the path is searched, and a site that names such a folder itself stays as given.
    QString path = remotePath;
    static const QString webRoot = QStringLiteral("public_html");
    const qsizetype at = path.indexOf(webRoot);
    if (at >= 0) path.remove(at, webRoot.size() + 1);
    return address + path;
}
