#pragma once

// Debian's vsftpd as a test peer: tests/fixtures/vsftpd_server.py runs it on 127.0.0.1 and a free
// port, anonymous (user "anonymous", any password), serving a folder whose subfolders are writable.

#include "support/TestSupport.h"

#include <QStringList>

class VsftpdServer : public testsupport::ServerProcess {
public:
    explicit VsftpdServer(const QString& root, const QStringList& extra = {}) {
        start(QStringLiteral("/usr/bin/python3"),
              QStringList{QStringLiteral(QELTO_FIXTURES_DIR "/vsftpd_server.py"), QStringLiteral("--root"),
                          root} +
                  extra);
    }
};
