// Writes the table files the program ships as templates. Usage: qelto_make_templates <folder>
// The output depends on nothing but this program and the fonts, so builds are reproducible.
#include "FileTypes.h"
#include "IconPainter.h"
#include "core/base/Errors.h"
#include "core/tables/Schemas.h"
#include "core/tables/Table.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

namespace {

constexpr int iconSizes[] = {24, 32, 48, 64, 128, 256};
constexpr int firstPictureField = 6;

void writeFileInfo(TTable& table) {
    const QList<FileTypeEntry> entries = fileTypeCatalogue();
    for (int row = 0; row < entries.size(); ++row) {
        const FileTypeEntry& entry = entries[row];
        table.append();
        table.fieldByName(QStringLiteral("No")).setAsInteger(row + 1);
        table.fieldByName(QStringLiteral("Extention")).setAsString(entry.extension);
        table.fieldByName(QStringLiteral("Information")).setAsString(entry.information);
        table.fieldByName(QStringLiteral("FileType")).setAsString(entry.fileType);
        table.fieldByName(QStringLiteral("FileGroup")).setAsString(entry.fileGroup);
        table.fieldByName(QStringLiteral("Popularity")).setAsString(entry.popularity);
        for (int i = 0; i < int(std::size(iconSizes)); ++i)
            table.fields(firstPictureField + i).assign(drawFileIcon(entry, iconShapeOf(row), iconSizes[i]));
        table.post();
    }
}

void writeServers(TTable& table) {
    const std::pair<const char*, const char*> values[] = {
        {"URLAlias", "Local demo server"},
        {"FTPServer", "127.0.0.1"},
        {"FTPServerIP", "127.0.0.1"},
        {"UserID", "demo"},
        {"Password", "demo"},
        {"Port", "2121"},
        {"TransferType", "Binary"},
        {"UseTLS", "False"},
        {"Passive", "True"},
        {"NATFastTrack", "False"},
        {"MLIS", "True"},
        {"UseProxy", "False"},
        {"Host", "localhost"},
        {"Address", "127.0.0.1"},
        {"EditDate", "01.01.2024"},
        {"EditTime", "12:00:00"},
    };
    table.append();
    table.fieldByName(QStringLiteral("No")).setAsInteger(1);
    for (const auto& [field, value] : values)
        table.fieldByName(QString::fromLatin1(field)).setAsString(QString::fromUtf8(value));
    table.post();
}

void writeTable(const QString& folder, const TableSpec& spec, void (*fill)(TTable&)) {
    TTable table(spec.tableName, spec.fields);
    table.setFileName(QDir(folder).filePath(spec.fileName));
    table.createDataSet();
    if (fill) fill(table);
    table.close();
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: qelto_make_templates <folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    try {
        writeTable(folder, fileInfoTable(), writeFileInfo);
        writeTable(folder, ftpEventsTable(), nullptr);
        writeTable(folder, ftpServersTable(), writeServers);
        writeTable(folder, permissionsTable(), nullptr);
    } catch (const QeltoError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
