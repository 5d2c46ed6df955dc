// One timed transfer with TIdFTP, for bench/transfer.sh to compare with curl on the same server:
//   bench_transfer <host> <port> <user> <password> get|put <remote> <local>
// Prints the seconds from connect to disconnect (login and transfer included, as curl's time_total).
#include "core/ftp/TIdFTP.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 8 || (args[5] != QLatin1String("get") && args[5] != QLatin1String("put"))) {
        std::fprintf(stderr,
                     "usage: bench_transfer <host> <port> <user> <password> get|put <remote> <local>\n");
        return 2;
    }
    TIdFTP ftp;
    ftp.setHost(args[1]);
    ftp.setPort(quint16(args[2].toUInt()));
    ftp.setUsername(args[3]);
    ftp.setPassword(args[4]);
    ftp.setPassive(true);
    ftp.setTransferType(ftBinary);
    try {
        QElapsedTimer timer;
        timer.start();
        ftp.Connect();
        if (args[5] == QLatin1String("get"))
            ftp.Get(args[6], args[7], true);
        else
            ftp.Put(args[7], args[6]);
        ftp.Disconnect();
        std::printf("%.3f\n", double(timer.nsecsElapsed()) / 1e9);
    } catch (const QeltoError& error) {
        std::fprintf(stderr, "bench_transfer: %s\n", error.what());
        return 1;
    }
    return 0;
}
