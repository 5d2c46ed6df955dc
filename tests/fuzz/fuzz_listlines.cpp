// The LIST parse against arbitrary listings. Every line is read as UTF-8 and as one byte per character:
// both must agree on whether it is an entry, and the whole-listing parse must give exactly the entries of
// the line-by-line one. An entry's raw name is bytes of its own line, so a command about it names it.
#include "FuzzCheck.h"

#include "core/ftp/ListLineParse.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "Europe/Berlin", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QByteArray> lines = bytes.split('\n');
    const QDateTime now(QDate(2024, 6, 15), QTime(12, 0));
    qsizetype entries = 0;
    int unknown = 0;
    for (const QByteArray& line : lines) {
        const ListLine asUtf8 = parseListLine(line, true, now);
        const ListLine asLatin1 = parseListLine(line, false, now);
        FUZZ_CHECK(asUtf8.kind == asLatin1.kind);
        if (asUtf8.kind == ListLineKind::Unknown) ++unknown;
        if (asUtf8.kind != ListLineKind::Entry) continue;
        ++entries;
        for (const TIdFTPListItem* item : {&asUtf8.item, &asLatin1.item}) {
            FUZZ_CHECK(!item->RawName.isEmpty());
            FUZZ_CHECK(!item->FileName.isEmpty());
            FUZZ_CHECK(item->Size >= 0);
            FUZZ_CHECK(line.contains(item->RawName));
        }
        FUZZ_CHECK(asUtf8.item.RawName == asLatin1.item.RawName);
        FUZZ_CHECK(asUtf8.item.ItemType == asLatin1.item.ItemType);
    }
    const ListLines whole = parseListLines(lines, true, now);
    FUZZ_CHECK(whole.items.size() == entries);
    FUZZ_CHECK(whole.unknown == unknown);
    return 0;
}
