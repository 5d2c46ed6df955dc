// The MLSD parse against arbitrary listings. Each line is parsed in both of its forms (the bytes off the
// data connection, and text held one byte per character, as a listing result keeps it): they must give
// the same entry. Local times come from a zone with daylight saving, so the conversion's edges are hit.
#include "FuzzCheck.h"

#include "core/ftp/ListParse.h"

#include <QByteArray>
#include <QList>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "Europe/Berlin", 1);
    return 0;
}

namespace {

bool sameEntry(const TIdFTPListItem& a, const TIdFTPListItem& b) {
    return a.FileName == b.FileName && a.RawName == b.RawName && a.ItemType == b.ItemType &&
           a.Size == b.Size && a.ModifiedDate == b.ModifiedDate &&
           a.PermissionDisplay == b.PermissionDisplay && a.LinkTarget == b.LinkTarget;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QByteArray> lines = bytes.split('\n');
    QStringList textLines;
    qsizetype expected = 0;
    for (const QByteArray& line : lines) {
        const auto fromBytes = parseMlsdLine(QByteArrayView(line));
        const QString text = QString::fromLatin1(line);
        const auto fromText = parseMlsdLine(QStringView(text));
        FUZZ_CHECK(fromBytes.has_value() == fromText.has_value());
        textLines.append(text);
        if (!fromBytes) continue;
        ++expected;
        FUZZ_CHECK(sameEntry(*fromBytes, *fromText));
        FUZZ_CHECK(!fromBytes->RawName.isEmpty());
        FUZZ_CHECK(fromBytes->Size >= 0);
        FUZZ_CHECK(fromBytes->ModifiedDate.isValid());
        // The raw name is the line's tail, byte for byte, so commands about the entry name it exactly.
        QByteArrayView body(line);
        while (body.endsWith('\r') || body.endsWith('\n'))
            body.chop(1);
        FUZZ_CHECK(body.endsWith(fromBytes->RawName));
    }
    FUZZ_CHECK(parseMlsdListing(textLines).size() == expected);
    FUZZ_CHECK(parseListing(lines, true, true, true).size() == expected);
    return 0;
}
