// The connect bar's texts against arbitrary input: a port is refused or lies in 1..65535, and the other
// fields always pick one of their values.
#include "FuzzCheck.h"

#include "core/base/Errors.h"
#include "core/ftp/ConnectBarText.h"

#include <QString>

namespace {

void check(const QString& text) {
    try {
        const quint16 port = connectBarPort(text);
        FUZZ_CHECK(port != 0);
        const int typed = text.trimmed().toInt();
        FUZZ_CHECK(port == (typed == 0 ? 21 : typed));
    } catch (const QeltoError& error) {
        FUZZ_CHECK(error.text().contains(text));
    }
    const bool passive = passiveFromText(text);
    if (passive) FUZZ_CHECK(text.size() == 4);
    const TIdFTPTransferType type = transferTypeFromText(text);
    FUZZ_CHECK(type == ftASCII || type == ftBinary);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    check(QString::fromUtf8(bytes));
    check(QString::fromLatin1(bytes));
    return 0;
}
