#include "core/base/Errors.h"
#include "core/tables/Schemas.h"
#include "core/tables/Table.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QList<FieldDef> sampleSchema() {
    return {{QStringLiteral("No"), FieldKind::Integer},
            {QStringLiteral("Name"), FieldKind::Text},
            {QStringLiteral("Note"), FieldKind::LongText},
            {QStringLiteral("When"), FieldKind::DateTime},
            {QStringLiteral("Pic"), FieldKind::Picture}};
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QString errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const QeltoError& e) {
        return e.text();
    }
    return QStringLiteral("<no error>");
}

class TableTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    // A fresh open table "T" with the given names posted in that order (No = 1, 2, ...).
    std::unique_ptr<TTable> makeTable(const QStringList& names = {}, const QString& file = {}) {
        auto t = std::make_unique<TTable>(QStringLiteral("T"), sampleSchema());
        t->setFileName(file);
        t->createDataSet();
        for (const QString& name : names)
            addRow(*t, name);
        return t;
    }

    static void addRow(TTable& t, const QString& name) {
        t.append();
        t.fields(0).setAsInteger(t.recordCount() + 1);
        t.fieldByName(QStringLiteral("Name")).setAsString(name);
        t.post();
    }

    static QStringList column(TTable& t, int field) {
        QStringList values;
        for (int row = 0; row < t.recordCount(); ++row)
            values << t.value(row, field).toString();
        return values;
    }

    QTemporaryDir dir;
};

TEST_F(TableTest, OperationsFailWithTheirTexts) {
    struct Case {
        const char* what;
        std::function<void(TTable&)> action;
        QString text;
    };
    const Case cases[] = {
        {"open without file", [](TTable& t) { t.close(), t.setFileName({}), t.open(); },
         QStringLiteral("T: Missing data provider or data packet")},
        {"open missing file",
         [](TTable& t) { t.close(), t.setFileName(QStringLiteral("/nonexistent/x.XML")), t.open(); },
         QStringLiteral("T: Missing data provider or data packet")},
        {"unknown field", [](TTable& t) { t.fieldByName(QStringLiteral("Nope")); },
         QStringLiteral("T: Field 'Nope' not found")},
        {"field position past end", [](TTable& t) { t.fields(5); },
         QStringLiteral("T: Field index out of range")},
        {"negative field position", [](TTable& t) { t.fields(-1); },
         QStringLiteral("T: Field index out of range")},
        {"write in browse", [](TTable& t) { t.fields(1).setAsString(QStringLiteral("x")); },
         QStringLiteral("T: Dataset not in edit or insert mode")},
        {"clear in browse", [](TTable& t) { t.fields(4).clear(); },
         QStringLiteral("T: Dataset not in edit or insert mode")},
        {"delete on empty", [](TTable& t) { t.emptyDataSet(), t.remove(); },
         QStringLiteral("T: Cannot perform this operation on an empty dataset")},
        {"text that is no integer",
         [](TTable& t) { t.edit(), t.fields(0).setAsString(QStringLiteral("12a")); },
         QStringLiteral("'12a' is not a valid integer value for field 'No'")},
        {"integer out of range",
         [](TTable& t) { t.edit(), t.fields(0).setAsString(QStringLiteral("4294967296")); },
         QStringLiteral("'4294967296' is not a valid integer value for field 'No'")},
        {"move a closed table", [](TTable& t) { t.close(), t.next(); },
         QStringLiteral("T: Cannot perform this operation on a closed dataset")},
        {"append to a closed table", [](TTable& t) { t.close(), t.append(); },
         QStringLiteral("T: Cannot perform this operation on a closed dataset")},
        {"index on a missing field",
         [](TTable& t) { t.addIndex(QStringLiteral("I"), QStringLiteral("Name;Gone"), true); },
         QStringLiteral("T: Field 'Gone' not found")},
        {"unknown index", [](TTable& t) { t.setIndexName(QStringLiteral("X")); },
         QStringLiteral("T: Index 'X' not found")},
        {"delete unknown index", [](TTable& t) { t.deleteIndex(QStringLiteral("X")); },
         QStringLiteral("T: Index 'X' not found")},
    };
    for (const Case& c : cases) {
        auto t = makeTable({QStringLiteral("a")});
        EXPECT_EQ(errorOf([&] { c.action(*t); }), c.text) << c.what;
    }
}

TEST_F(TableTest, FieldConversions) {
    auto t = makeTable();
    t->append();
    TField& no = t->fields(0);
    no.setAsString(QStringLiteral("42"));
    EXPECT_EQ(no.asInteger(), 42);
    EXPECT_EQ(no.asString(), QStringLiteral("42"));
    no.setAsString(QString());
    EXPECT_TRUE(no.isNull()) << "empty text clears an integer";
    EXPECT_EQ(no.asInteger(), 0);
    no.setAsInteger(-7);
    EXPECT_EQ(no.asString(), QStringLiteral("-7"));

    // A text field written as an integer reads back as its decimal digits, both ways.
    TField& name = t->fieldByName(QStringLiteral("name"));
    name.setAsInteger(12);
    EXPECT_EQ(name.asString(), QStringLiteral("12"));
    EXPECT_EQ(name.asInteger(), 12);
    name.setAsString(QStringLiteral("x"));
    EXPECT_EQ(errorOf([&] { name.asInteger(); }),
              QStringLiteral("'x' is not a valid integer value for field 'Name'"));

    TField& when = t->fields(3);
    const QDateTime moment(QDate(2024, 2, 29), QTime(13, 5, 9));
    when.setAsDateTime(moment);
    EXPECT_EQ(when.asDateTime(), moment);
    EXPECT_EQ(when.asString(), QStringLiteral("2024-02-29 13:05:09"));
    when.setAsString(QStringLiteral("2000-01-02 03:04:05"));
    EXPECT_EQ(when.asDateTime(), QDateTime(QDate(2000, 1, 2), QTime(3, 4, 5)));

    EXPECT_NE(errorOf([&] { t->fields(4).setAsString(QStringLiteral("x")); }), QStringLiteral("<no error>"));
    EXPECT_NE(errorOf([&] { no.assign(QImage(2, 2, QImage::Format_ARGB32)); }), QStringLiteral("<no error>"));
}

TEST_F(TableTest, EditAppendPostCancel) {
    auto t = makeTable();
    // Edit on an empty table starts a new record; a second Edit changes nothing.
    t->edit();
    EXPECT_EQ(t->state(), TableState::Insert);
    t->fields(1).setAsString(QStringLiteral("first"));
    t->edit();
    EXPECT_EQ(t->state(), TableState::Insert);
    EXPECT_EQ(t->fields(1).asString(), QStringLiteral("first"));
    EXPECT_EQ(t->recordCount(), 0) << "an unposted append is not counted";
    t->post();
    EXPECT_EQ(t->recordCount(), 1);

    addRow(*t, QStringLiteral("second"));
    t->append();
    EXPECT_EQ(t->recordCount(), 2);
    EXPECT_EQ(t->recNo(), -1);
    t->fields(1).setAsString(QStringLiteral("third"));
    t->post();
    EXPECT_EQ(t->recordCount(), 3);
    EXPECT_EQ(t->recNo(), 2) << "post keeps the record current";
    EXPECT_EQ(t->fields(1).asString(), QStringLiteral("third"));

    t->first();
    t->edit();
    t->fields(1).setAsString(QStringLiteral("changed"));
    t->cancel();
    EXPECT_EQ(t->fields(1).asString(), QStringLiteral("first"));

    // Moving away from a modified record stores it, as a grid selection change does.
    t->edit();
    t->fields(1).setAsString(QStringLiteral("kept"));
    t->next();
    EXPECT_EQ(t->state(), TableState::Browse);
    EXPECT_EQ(t->value(0, 1).toString(), QStringLiteral("kept"));

    // Delete while inserting drops the insertion only.
    t->append();
    t->remove();
    EXPECT_EQ(t->recordCount(), 3);
    EXPECT_EQ(t->state(), TableState::Browse);
}

TEST_F(TableTest, MovesAndAfterScroll) {
    auto t = makeTable({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    int scrolls = 0;
    QObject::connect(t.get(), &TTable::afterScroll, [&] { ++scrolls; });

    t->first();
    EXPECT_TRUE(t->bof());
    EXPECT_FALSE(t->eof());
    EXPECT_EQ(t->recNo(), 0);
    t->prior();
    EXPECT_TRUE(t->bof());
    EXPECT_EQ(t->recNo(), 0);
    t->next();
    t->next();
    EXPECT_FALSE(t->eof());
    t->next();
    EXPECT_TRUE(t->eof());
    EXPECT_EQ(t->recNo(), 2);
    t->last();
    t->moveTo(1);
    EXPECT_EQ(t->fields(1).asString(), QStringLiteral("b"));
    EXPECT_EQ(scrolls, 7) << "one notification per move";

    scrolls = 0;
    t->edit();
    t->fields(1).setAsString(QStringLiteral("B"));
    t->post();
    EXPECT_EQ(scrolls, 1) << "a post notifies";

    t->moveTo(99);
    t->moveTo(-1);
    EXPECT_EQ(t->recNo(), 1) << "rows outside the table are ignored";

    t->remove();
    EXPECT_EQ(t->recNo(), 1);
    EXPECT_EQ(t->fields(1).asString(), QStringLiteral("c"));
    t->remove();
    EXPECT_EQ(t->recNo(), 0) << "deleting the last record moves back";
    t->remove();
    EXPECT_EQ(t->recNo(), -1);
    EXPECT_TRUE(t->bof() && t->eof());
}

TEST_F(TableTest, SortAndRenumberOrdersAsTextIgnoringCase) {
    // "No" of the listing is text: "10" sorts before "9", and the empty ones first.
    auto t = std::make_unique<TTable>(QStringLiteral("Permissions"), permissionsSchema());
    t->createDataSet();
    for (const auto& [no, name] :
         {std::pair{u"9", u"b"}, {u"", u"."}, {u"10", u"A"}, {u"2", u"a2"}, {u"", u"B1"}}) {
        t->append();
        t->fields(0).setAsString(QString::fromUtf16(no));
        t->fields(1).setAsString(QString::fromUtf16(name));
        t->post();
    }
    SortAndRenumber(*t, QStringLiteral("No"));
    EXPECT_EQ(t->indexName(), QStringLiteral("Sort"));
    EXPECT_EQ(column(*t, 1), (QStringList{u"."_s, u"B1"_s, u"A"_s, u"a2"_s, u"b"_s}));
    EXPECT_EQ(column(*t, 0), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}));
    EXPECT_EQ(t->recNo(), 0);

    SortAndRenumber(*t, QStringLiteral("Name"));
    EXPECT_EQ(column(*t, 1), (QStringList{u"."_s, u"A"_s, u"a2"_s, u"b"_s, u"B1"_s}));
    EXPECT_EQ(column(*t, 0), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}));

    // The chosen order stays: a later append lands at its key's place.
    t->append();
    t->fields(1).setAsString(QStringLiteral("aa"));
    t->post();
    EXPECT_EQ(t->recNo(), 3);
    EXPECT_EQ(column(*t, 1), (QStringList{u"."_s, u"A"_s, u"a2"_s, u"aa"_s, u"b"_s, u"B1"_s}));
}

TEST_F(TableTest, SortAndRenumberOnEmptyTableOnlyActivatesTheIndex) {
    auto t = makeTable();
    int changes = 0;
    QObject::connect(t.get(), &TTable::rowChanged, [&] { ++changes; });
    QObject::connect(t.get(), &TTable::rowInserted, [&] { ++changes; });
    SortAndRenumber(*t, QStringLiteral("Name"));
    EXPECT_EQ(t->indexName(), QStringLiteral("Sort"));
    EXPECT_EQ(t->recordCount(), 0);
    EXPECT_EQ(t->state(), TableState::Browse);
    EXPECT_EQ(changes, 0);
}

TEST_F(TableTest, SortOnMissingFieldLeavesInsertionOrder) {
    auto t = makeTable({QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b")});
    SortAndRenumber(*t, QStringLiteral("Name"));
    ASSERT_EQ(column(*t, 1), (QStringList{u"a"_s, u"b"_s, u"c"_s}));
    EXPECT_EQ(errorOf([&] { SortAndRenumber(*t, QStringLiteral("Extention")); }),
              QStringLiteral("T: Field 'Extention' not found"));
    EXPECT_EQ(t->indexName(), QString());
    EXPECT_EQ(column(*t, 1), (QStringList{u"c"_s, u"a"_s, u"b"_s}));
}

TEST_F(TableTest, RecordsKeepTheirIdentityThroughAnIndex) {
    auto t = makeTable({QStringLiteral("d"), QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("c")});
    SortAndRenumber(*t, QStringLiteral("Name")); // a b c d
    t->moveTo(1);
    t->remove(); // b
    t->moveTo(2);
    t->edit();
    t->fields(2).setAsString(QStringLiteral("note of d"));
    t->post();
    EXPECT_EQ(column(*t, 1), (QStringList{u"a"_s, u"c"_s, u"d"_s}));
    DropSortIndex(*t);
    EXPECT_EQ(t->indexName(), QString());
    EXPECT_EQ(column(*t, 1), (QStringList{u"d"_s, u"a"_s, u"c"_s}));
    EXPECT_EQ(t->value(0, 2).toString(), QStringLiteral("note of d"));
    EXPECT_EQ(t->fields(1).asString(), QStringLiteral("d")) << "the current record stays current";

    // Redefining the active index reorders at once, still on the same record.
    t->addIndex(u"ByName"_s, u"Name"_s, false);
    t->setIndexName(u"byname"_s);
    t->moveTo(0);
    t->edit();
    t->fields(2).setAsString(u"z"_s);
    t->post();
    t->addIndex(u"ByName"_s, u"Note;Name"_s, false);
    EXPECT_EQ(column(*t, 1), (QStringList{u"c"_s, u"d"_s, u"a"_s})) << "empty notes first";
    EXPECT_EQ(t->fields(1).asString(), u"a"_s);
}

TEST_F(TableTest, BulkUpdateSendsOneResetAtTheEnd) {
    auto t = makeTable({QStringLiteral("a")});
    int scrolls = 0, resets = 0, rowSignals = 0;
    QObject::connect(t.get(), &TTable::afterScroll, [&] { ++scrolls; });
    QObject::connect(t.get(), &TTable::dataReset, [&] { ++resets; });
    QObject::connect(t.get(), &TTable::rowChanged, [&] { ++rowSignals; });
    QObject::connect(t.get(), &TTable::rowInserted, [&] { ++rowSignals; });
    QObject::connect(t.get(), &TTable::rowRemoved, [&] { ++rowSignals; });
    t->beginBulkUpdate();
    t->beginBulkUpdate();
    t->emptyDataSet();
    addRow(*t, QStringLiteral("x"));
    addRow(*t, QStringLiteral("y"));
    t->edit();
    t->fields(1).setAsString(QStringLiteral("z"));
    t->post();
    t->remove();
    t->endBulkUpdate();
    EXPECT_EQ(scrolls + resets + rowSignals, 0) << "nested bulk update still open";
    t->endBulkUpdate();
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(rowSignals, 0);
    EXPECT_EQ(column(*t, 1), QStringList{u"x"_s});
}

TEST_F(TableTest, ListingSizedLoadStaysFast) {
    // One listing refresh writes 100,000 rows into a table that keeps the user's sort.
    auto t = makeTable();
    SortAndRenumber(*t, QStringLiteral("Name"));
    QElapsedTimer timer;
    timer.start();
    constexpr int rows = 100000;
    for (int i = 0; i < rows; ++i) {
        t->append();
        t->fields(1).setAsString(QString::number((i * 7919) % rows).rightJustified(6, u'0'));
        t->post();
        t->next();
    }
    SortAndRenumber(*t, QStringLiteral("Name"));
    const qint64 ms = timer.elapsed();
    ASSERT_EQ(t->recordCount(), rows);
    for (int row = 0; row < rows; row += 9973)
        ASSERT_EQ(t->value(row, 1).toString(), QString::number(row).rightJustified(6, u'0'));
    EXPECT_EQ(t->value(rows - 1, 0).toInt(), rows);
    EXPECT_LT(ms, 20000) << "took " << ms << " ms";
}

// ---- files ----

QImage samplePicture() {
    QImage image(48, 48, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.fillRect(4, 4, 20, 30, QColor(200, 30, 60, 128));
    p.fillRect(30, 10, 10, 10, QColor(0, 90, 255));
    return image;
}

TEST_F(TableTest, EveryKindSurvivesSaveAndLoad) {
    const QString file = path(QStringLiteral("t.XML"));
    const QString awkward =
        QStringLiteral("a<b>&\"c\"\r\n\x01\tend ") + QChar(0xD800) + QStringLiteral(" ü 😀");
    const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0));
    const QDateTime moment(QDate(2023, 7, 1), QTime(23, 59, 58, 123));
    const QImage picture = samplePicture();
    {
        auto t = makeTable({}, file);
        t->append();
        t->fields(0).setAsInteger(-2147483647 - 1);
        t->fields(1).setAsString(awkward);
        t->fields(2).setAsString(QStringLiteral("line 1\nline 2\n"));
        t->fields(3).setAsDateTime(moment);
        t->fields(4).assign(picture);
        t->post();
        t->append();
        t->fields(3).setAsDateTime(zero);
        t->post();
        t->append();
        t->fields(0).setAsInteger(0);
        t->fields(4).assign(picture); // shared with the first record
        t->post();
        t->close();
    }
    const auto perms = QFileInfo(file).permissions();
    EXPECT_TRUE(perms.testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_FALSE(perms & (QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                          QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther |
                          QFileDevice::ExeOther))
        << "bookmarks hold passwords: owner only";
    EXPECT_EQ(readAll(file).count("<Picture>"), 1) << "equal pictures are stored once";

    TTable t(QStringLiteral("T"), sampleSchema());
    t.setFileName(file);
    t.open();
    ASSERT_EQ(t.recordCount(), 3);
    EXPECT_EQ(t.fields(0).asInteger(), -2147483647 - 1);
    EXPECT_EQ(t.fields(1).asString(), awkward);
    EXPECT_EQ(t.fields(2).asString(), QStringLiteral("line 1\nline 2\n"));
    EXPECT_EQ(t.fields(3).asDateTime(), moment);
    const QImage back = t.fields(4).picture();
    ASSERT_EQ(back.size(), picture.size());
    EXPECT_TRUE(back.hasAlphaChannel());
    for (const QPoint at : {QPoint(0, 0), QPoint(10, 10), QPoint(35, 15), QPoint(47, 47)})
        EXPECT_EQ(back.pixel(at), picture.pixel(at)) << at.x() << "," << at.y();
    t.next();
    EXPECT_TRUE(t.fields(0).isNull());
    EXPECT_TRUE(t.fields(1).isNull());
    EXPECT_TRUE(t.fields(4).isNull());
    EXPECT_EQ(t.fields(3).asDateTime(), zero);
    t.next();
    EXPECT_FALSE(t.fields(0).isNull()) << "zero is not null";
    EXPECT_EQ(t.fields(4).picture().size(), picture.size());
}

TEST_F(TableTest, CloseSavesOnlyChangedOrMissingFiles) {
    const QString file = path(QStringLiteral("t.XML"));
    makeTable({}, file)->close();
    ASSERT_TRUE(QFileInfo::exists(file)) << "a missing file is written even without changes";

    const QDateTime old(QDate(2001, 1, 1), QTime(0, 0));
    const auto stamp = [&] {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
    };
    stamp();
    TTable t(QStringLiteral("T"), sampleSchema());
    t.setFileName(file);
    t.open();
    t.first();
    t.append(); // dropped unposted
    t.close();
    EXPECT_EQ(QFileInfo(file).lastModified(), old) << "nothing changed, nothing written";

    t.open();
    addRow(t, QStringLiteral("new"));
    t.close();
    EXPECT_NE(QFileInfo(file).lastModified(), old);
    t.open();
    EXPECT_EQ(t.recordCount(), 1);

    // Renumbering rows that are already numbered 1..N writes the same values: no save at close.
    SortAndRenumber(t, QStringLiteral("No"));
    t.close();
    stamp();
    t.open();
    SortAndRenumber(t, QStringLiteral("No"));
    t.close();
    EXPECT_EQ(QFileInfo(file).lastModified(), old);
}

TEST_F(TableTest, UnpostedBookmarkIsLostPostedOneSurvives) {
    const TableSpec spec = ftpServersTable();
    const QString file = path(spec.fileName);
    {
        TTable servers(spec.tableName, spec.fields);
        servers.setFileName(file);
        servers.createDataSet();
        servers.append();
        servers.fields(0).setAsInteger(servers.recordCount() + 1);
        servers.fieldByName(QStringLiteral("URLAlias")).setAsString(QStringLiteral("posted"));
        servers.fieldByName(QStringLiteral("Password")).setAsString(QStringLiteral("secret"));
        servers.post();
        servers.append();
        servers.fieldByName(QStringLiteral("URLAlias")).setAsString(QStringLiteral("pending"));
        servers.setActive(false);
    }
    TTable servers(spec.tableName, spec.fields);
    servers.setFileName(file);
    servers.setActive(true);
    ASSERT_EQ(servers.recordCount(), 1);
    EXPECT_EQ(servers.fieldByName(QStringLiteral("URLAlias")).asString(), QStringLiteral("posted"));
    EXPECT_EQ(servers.fieldByName(QStringLiteral("Password")).asString(), QStringLiteral("secret"));
    EXPECT_EQ(servers.fields(0).asInteger(), 1);
}

TEST_F(TableTest, FailedSaveKeepsTheTableOpen) {
    auto t = makeTable({QStringLiteral("keep me")}, path(QStringLiteral("missing/dir/t.XML")));
    EXPECT_TRUE(errorOf([&] { t->close(); }).startsWith(QStringLiteral("T: cannot save ")));
    EXPECT_TRUE(t->active());
    EXPECT_EQ(column(*t, 1), QStringList{u"keep me"_s});
    t->setFileName(path(QStringLiteral("t.XML")));
    t->close();
    EXPECT_FALSE(t->active());
}

TEST_F(TableTest, BadFilesAreRefusedAndLeftUntouched) {
    const QString good = path(QStringLiteral("good.XML"));
    makeTable({QStringLiteral("a")}, good)->close();
    const QByteArray valid = readAll(good);
    const auto replaced = [&](const char* from, const char* to) {
        return QByteArray(valid).replace(from, to);
    };
    QByteArray fileInfo;
    {
        const TableSpec spec = fileInfoTable();
        TTable other(spec.tableName, spec.fields);
        other.setFileName(path(QStringLiteral("other.XML")));
        other.createDataSet();
        other.close();
        fileInfo = readAll(other.fileName());
    }
    const QByteArray head = valid.left(valid.indexOf("<Records>"));
    const QByteArray bmpHeader = QByteArray::fromHex("424d"
                                                     "00000000"
                                                     "00000000"
                                                     "36000000"
                                                     "28000000"
                                                     "a0860100"
                                                     "a0860100"
                                                     "0100"
                                                     "2000"
                                                     "000000000000000000000000000000000000000000000000");

    struct Case {
        const char* what;
        QByteArray content;
    };
    const Case cases[] = {
        {"not XML", "this is not a table\n"},
        {"empty file", ""},
        {"truncated", valid.left(valid.size() - 30)},
        {"another table's file", fileInfo},
        {"a field renamed", replaced("name=\"Name\"", "name=\"Nome\"")},
        {"a field of another kind", replaced("kind=\"longtext\"", "kind=\"text\"")},
        {"text in an integer field", replaced("<R><V>1</V>", "<R><V>one</V>")},
        {"a record with too few values", replaced("<N/></R>", "</R>")},
        {"a picture that is not in the pool", replaced("<N/></R>", "<P i=\"0\"/></R>")},
        {"a declaration with entities",
         "<?xml version=\"1.0\"?><!DOCTYPE t [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>"
         "<QeltoTable version=\"1\">&b;</QeltoTable>"},
        {"deep nesting", head + QByteArray("<Records>") + QByteArray(200000, 'x').replace("x", "<R>")},
        {"a damaged picture",
         head + "<Pictures><Picture>AAAA</Picture></Pictures><Records></Records></QeltoTable>"},
        {"a picture claiming 100000 x 100000 pixels",
         head + "<Pictures><Picture>" + bmpHeader.toBase64() +
             "</Picture></Pictures><Records></Records></QeltoTable>"},
        {"a huge value", head + "<Pictures><Picture>" + QByteArray(70 << 20, 'A') + "</Picture>"},
    };
    for (const Case& c : cases) {
        const QString file = path(QStringLiteral("bad.XML"));
        writeFile(file, c.content);
        {
            TTable t(QStringLiteral("FTPServers"), sampleSchema());
            t.setFileName(file);
            const QString text = errorOf([&] { t.open(); });
            EXPECT_TRUE(text.startsWith(QStringLiteral("FTPServers: ") + file +
                                        QStringLiteral(" is not a valid table file (")))
                << c.what << ": " << text.toStdString();
            EXPECT_FALSE(t.active()) << c.what;
        }
        EXPECT_EQ(readAll(file), c.content) << c.what;
    }
}

} // namespace
