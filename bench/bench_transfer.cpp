// One timed transfer with TIdFTP, for bench/transfer.sh to compare with curl on the same server:
//   bench_transfer [--tls <cert.pem>] <host> <port> <user> <password> get|put <remote> <local>
// Prints the seconds from connect until the transfer's closing reply: login and transfer, as curl's
// time_total, which curl takes before it sends QUIT. The QUIT that follows is not timed; some servers
// answer it only after they have finished with the file they received.
// With --tls the connection requires TLS (AUTH TLS, protected data connections) and trusts exactly the
// certificate in <cert.pem>, as curl does with --ssl-reqd --cacert.
#include "core/ftp/TIdFTP.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    QString certFile;
    if (args.size() > 2 && args[1] == QLatin1String("--tls")) {
        certFile = args[2];
        args.remove(1, 2);
    }
    if (args.size() != 8 || (args[5] != QLatin1String("get") && args[5] != QLatin1String("put"))) {
        std::fprintf(stderr, "usage: bench_transfer [--tls <cert.pem>] <host> <port> <user> <password> "
                             "get|put <remote> <local>\n");
        return 2;
    }
    TIdFTP ftp;
    ftp.setHost(args[1]);
    ftp.setPort(quint16(args[2].toUInt()));
    ftp.setUsername(args[3]);
    ftp.setPassword(args[4]);
    ftp.setPassive(true);
    ftp.setTransferType(ftBinary);
    QTemporaryDir trustFolder; // the certificate is trusted for this run only, never in the data folder
    if (!certFile.isEmpty()) {
        const QList<QSslCertificate> certs = QSslCertificate::fromPath(certFile);
        if (certs.size() != 1 || !trustFolder.isValid()) {
            std::fprintf(stderr, "bench_transfer: cannot read one certificate from %s\n", qPrintable(certFile));
            return 2;
        }
        const QString expected = certificateFingerprint(certs.first());
        ftp.setTlsMode(TlsMode::Require);
        ftp.setTrustStore(TlsTrustStore(trustFolder.filePath(QStringLiteral("TrustedCertificates"))));
        ftp.OnUntrustedCertificate = [expected](const TlsCertificateQuestion& q) {
            return q.fingerprint == expected;
        };
    }
    try {
        QElapsedTimer timer;
        timer.start();
        ftp.Connect();
        if (args[5] == QLatin1String("get"))
            ftp.Get(args[6], args[7], true);
        else
            ftp.Put(args[7], args[6]);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        ftp.Disconnect();
        std::printf("%.3f\n", seconds);
    } catch (const QeltoError& error) {
        std::fprintf(stderr, "bench_transfer: %s\n", error.what());
        return 1;
    }
    return 0;
}
