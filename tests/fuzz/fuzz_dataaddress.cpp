// The PASV and EPSV reply parsers against arbitrary reply lines. An accepted address names a usable
// port, and the host finally dialled is always the control connection's peer.
#include "FuzzCheck.h"

#include "core/base/Errors.h"
#include "core/ftp/DataAddress.h"

#include <QHostAddress>
#include <QString>

namespace {

void checkDialled(const DataAddress& address) {
    static const QHostAddress peer4(QStringLiteral("192.0.2.7"));
    static const QHostAddress peer6(QStringLiteral("2001:db8::7"));
    FUZZ_CHECK(QHostAddress(chooseDataHost(address.host, peer4)).isEqual(peer4));
    FUZZ_CHECK(QHostAddress(chooseDataHost(address.host, peer6)).isEqual(peer6));
}

void parseLine(const QString& line) {
    try {
        const DataAddress address = parsePasvReply(line);
        FUZZ_CHECK(address.port != 0);
        FUZZ_CHECK(QHostAddress(address.host).protocol() == QAbstractSocket::IPv4Protocol);
        checkDialled(address);
    } catch (const QeltoError& error) {
        FUZZ_CHECK(!error.text().isEmpty());
    }
    try {
        const DataAddress address = parseEpsvReply(line);
        FUZZ_CHECK(address.port != 0);
        checkDialled(address);
    } catch (const QeltoError& error) {
        FUZZ_CHECK(!error.text().isEmpty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    parseLine(QString::fromUtf8(bytes));
    parseLine(QString::fromLatin1(bytes));
    return 0;
}
