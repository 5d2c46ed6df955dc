#include "core/tables/Schemas.h"
#include "core/tables/Table.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString templateDir() {
    return QStringLiteral(QELTO_BINARY_DIR "/System");
}

TEST(Schemas, TablesFilesAndFieldPositions) {
    const QList<TableSpec> tables = allTables();
    ASSERT_EQ(tables.size(), 4);
    QStringList files;
    for (const TableSpec& t : tables)
        files << t.fileName;
    EXPECT_EQ(files, (QStringList{QStringLiteral("FilesInfo.XML"), QStringLiteral("FTPEvents.XML"),
                                  QStringLiteral("FTPServers.XML"), QStringLiteral("Permisions.XML")}));

    struct Expect {
        TableSpec spec;
        QString name;
        int fields;
        QList<std::pair<int, FieldDef>> at; // positions others address, and every non-text kind
    };
    const Expect expected[] = {
        {permissionsTable(),
         QStringLiteral("Permissions"),
         11,
         {{3, {QStringLiteral("Icon"), FieldKind::Picture}},
          {5, {QStringLiteral("SizeValue"), FieldKind::Integer}},
          {7, {QStringLiteral("DateValue"), FieldKind::DateTime}},
          {9, {QStringLiteral("TimeValue"), FieldKind::DateTime}},
          {10, {QStringLiteral("Permissions"), FieldKind::Text}}}},
        {ftpEventsTable(),
         QStringLiteral("FTPEvents"),
         15,
         {{4, {QStringLiteral("SizeValue"), FieldKind::Integer}},
          {8, {QStringLiteral("Status"), FieldKind::Text}},
          {11, {QStringLiteral("Event"), FieldKind::Text}},
          {14, {QStringLiteral("EventDate"), FieldKind::Text}}}},
        {ftpServersTable(),
         QStringLiteral("FTPServers"),
         28,
         {{0, {QStringLiteral("No"), FieldKind::Integer}},
          {13, {QStringLiteral("ExentionDataPort"), FieldKind::Text}},
          {21, {QStringLiteral("Address"), FieldKind::Text}},
          {27, {QStringLiteral("EditTime"), FieldKind::Text}}}},
        {fileInfoTable(),
         QStringLiteral("FileInfo"),
         12,
         {{0, {QStringLiteral("No"), FieldKind::Integer}},
          {1, {QStringLiteral("Extention"), FieldKind::Text}},
          {2, {QStringLiteral("Information"), FieldKind::LongText}},
          {8, {QStringLiteral("Pictures48x48"), FieldKind::Picture}},
          {10, {QStringLiteral("Picttures128x128"), FieldKind::Picture}},
          {11, {QStringLiteral("Pictures256x256"), FieldKind::Picture}}}},
    };
    for (const Expect& e : expected) {
        EXPECT_EQ(e.spec.tableName, e.name);
        ASSERT_EQ(e.spec.fields.size(), e.fields) << e.name.toStdString();
        int nonText = 0;
        for (const FieldDef& f : e.spec.fields)
            nonText += f.kind != FieldKind::Text;
        int listedNonText = 0;
        for (const auto& [pos, field] : e.at) {
            EXPECT_EQ(e.spec.fields[pos].name, field.name) << e.name.toStdString() << " " << pos;
            EXPECT_EQ(e.spec.fields[pos].kind, field.kind) << e.name.toStdString() << " " << pos;
            listedNonText += field.kind != FieldKind::Text;
        }
        if (e.name != u"FileInfo") { // FileInfo's pictures are only partly listed
            EXPECT_EQ(nonText, listedNonText) << e.name.toStdString() << ": the other fields are text";
        }
    }
}

// Opens a copy of a shipped template, so nothing a test does can write into the build.
class Templates : public ::testing::Test {
protected:
    std::unique_ptr<TTable> open(const TableSpec& spec) {
        const QString source = QDir(templateDir()).filePath(spec.fileName);
        EXPECT_TRUE(QFile::exists(source))
            << "build the qelto_templates target first: " << source.toStdString();
        const QString copy = dir.filePath(spec.fileName);
        QFile::remove(copy);
        EXPECT_TRUE(QFile::copy(source, copy));
        auto table = std::make_unique<TTable>(spec.tableName, spec.fields);
        table->setFileName(copy);
        table->open();
        return table;
    }

    QTemporaryDir dir;
};

TEST_F(Templates, FileInfoCatalogue) {
    auto t = open(fileInfoTable());
    SortAndRenumber(*t, QStringLiteral("No")); // as at start-up: the shipped order must survive it
    ASSERT_GE(t->recordCount(), 44);
    QStringList types;
    for (int row = 0; row < 4; ++row)
        types << t->value(row, 3).toString();
    EXPECT_EQ(types, (QStringList{QStringLiteral("Root folder"), QStringLiteral("Parent folder"),
                                  QStringLiteral("Folder"), QStringLiteral("File")}));

    const int sizes[] = {24, 32, 48, 64, 128, 256};
    QSet<QString> extensions;
    for (int row = 0; row < t->recordCount(); ++row) {
        t->moveTo(row);
        EXPECT_EQ(t->fields(0).asInteger(), row + 1);
        const QString ext = t->fields(1).asString();
        if (row >= 4) {
            EXPECT_TRUE(ext.startsWith(u'.') && ext == ext.toUpper()) << ext.toStdString();
            EXPECT_FALSE(extensions.contains(ext)) << "listed twice: " << ext.toStdString();
            extensions.insert(ext);
        }
        for (int f = 2; f <= 5; ++f)
            EXPECT_FALSE(t->fields(f).asString().isEmpty()) << ext.toStdString() << " field " << f;
        for (int i = 0; i < 6; ++i) {
            const QImage icon = t->fields(6 + i).picture();
            EXPECT_EQ(icon.size(), QSize(sizes[i], sizes[i]))
                << ext.toStdString() << " " << t->fields(6 + i).name().toStdString();
            EXPECT_TRUE(icon.hasAlphaChannel());
            EXPECT_EQ(qAlpha(icon.pixel(0, sizes[i] - 1)), 0) << "transparent corner";
        }
    }
    for (const char* ext :
         {".TXT", ".PDF", ".DOCX", ".CSV", ".PNG",  ".JPG", ".MP3",  ".MP4", ".ZIP", ".GZ",
          ".DEB", ".CPP", ".PY",   ".SH",  ".HTML", ".PHP", ".JSON", ".EXE", ".SO",  ".ISO"})
        EXPECT_TRUE(extensions.contains(QString::fromLatin1(ext))) << ext;
}

TEST_F(Templates, DemoBookmarkAndEmptyTables) {
    auto servers = open(ftpServersTable());
    ASSERT_EQ(servers->recordCount(), 1);
    EXPECT_EQ(servers->fields(0).asInteger(), 1);
    for (const auto& [field, value] : {std::pair{"URLAlias", "Local demo server"},
                                       {"Address", "127.0.0.1"},
                                       {"UserID", "demo"},
                                       {"Password", "demo"},
                                       {"Port", "2121"},
                                       {"TransferType", "Binary"},
                                       {"Passive", "True"}})
        EXPECT_EQ(servers->fieldByName(QString::fromLatin1(field)).asString(), QString::fromLatin1(value))
            << field;
    EXPECT_EQ(open(ftpEventsTable())->recordCount(), 0);
    EXPECT_EQ(open(permissionsTable())->recordCount(), 0);
}

TEST_F(Templates, GeneratorOutputIsReproducible) {
    QProcess generator;
    QStringList env = QProcess::systemEnvironment();
    env << QStringLiteral("QT_QPA_PLATFORM=offscreen");
    generator.setEnvironment(env);
    generator.start(QStringLiteral(QELTO_BINARY_DIR "/resources/qelto_make_templates"), {dir.path()});
    ASSERT_TRUE(generator.waitForFinished(120000)) << generator.errorString().toStdString();
    ASSERT_EQ(generator.exitCode(), 0) << generator.readAllStandardError().toStdString();
    for (const TableSpec& spec : allTables()) {
        QFile fresh(dir.filePath(spec.fileName));
        QFile built(QDir(templateDir()).filePath(spec.fileName));
        ASSERT_TRUE(fresh.open(QIODevice::ReadOnly) && built.open(QIODevice::ReadOnly))
            << spec.fileName.toStdString();
        EXPECT_TRUE(fresh.readAll() == built.readAll())
            << spec.fileName.toStdString() << " differs between runs";
    }
}

} // namespace
