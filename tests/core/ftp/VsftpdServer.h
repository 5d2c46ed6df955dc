#pragma once

// Debian's vsftpd as a test peer: tests/fixtures/vsftpd_server.py runs it on 127.0.0.1 and a free
// port, anonymous (user "anonymous", any password), serving a folder whose subfolders are writable.
// The binary is the one scripts/test (and .ci/sanitizers) unpack from the package into the build
// folder; without it the server does not start and the test fails, saying so.

#include "support/TestSupport.h"

#include <QStringList>

class VsftpdServer : public testsupport::ServerProcess {
public:
    explicit VsftpdServer(const QString& root, const QStringList& extra = {}) {
        start(QStringLiteral("/usr/bin/python3"),
              QStringList{QStringLiteral(QELTO_FIXTURES_DIR "/vsftpd_server.py"), QStringLiteral("--root"), root,
                          QStringLiteral("--vsftpd"),
                          QStringLiteral(QELTO_BINARY_DIR "/test-servers/vsftpd/usr/sbin/vsftpd")} +
                  extra);
    }
};
