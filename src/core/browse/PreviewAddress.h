#pragma once

#include <QString>

// The web address of a remote entry, for servers whose files are also published over HTTP: the site
// (the preview address setting; when it is empty, "http://" and the connect bar's address), then the
// entry's remote path with the first "public_html" and the character after it taken out.
QString previewAddress(const QString& site, const QString& serverAddress, const QString& remotePath);
