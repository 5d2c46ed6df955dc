// The table file reader against arbitrary files, one of the four schemas picked by the first byte. A
// damaged file is refused with the table's error; a file that is accepted gives records of the right
// shape, and writing them back and reading them again gives the same records.
#include "FuzzCheck.h"

#include "core/base/Errors.h"
#include "core/tables/Schemas.h"
#include "core/tables/TableStorage.h"

#include <QByteArray>
#include <QTemporaryDir>

namespace {

QString roundTripFile() {
    static QTemporaryDir dir;
    return dir.filePath(QStringLiteral("table.xml"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const QList<TableSpec> tables = allTables();
    const TableSpec& table = tables[data[0] % tables.size()];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    std::vector<TableRecordValues> records;
    try {
        records = readTableData(table.tableName, QStringLiteral("input"), bytes, table.fields);
    } catch (const QeltoError& error) {
        FUZZ_CHECK(error.text().startsWith(table.tableName + u": input is not a valid table file ("));
        return 0;
    }
    std::vector<const TableRecordValues*> pointers;
    for (const TableRecordValues& record : records) {
        FUZZ_CHECK(record.size() == size_t(table.fields.size()));
        pointers.push_back(&record);
    }
    writeTableFile(table.tableName, roundTripFile(), table.fields, pointers);
    const std::vector<TableRecordValues> again =
        readTableFile(table.tableName, roundTripFile(), table.fields);
    FUZZ_CHECK(again == records);
    return 0;
}
