#include "core/tables/Schemas.h"
#include "core/tables/TableModel.h"

#include <gtest/gtest.h>

namespace {

class TableModelTest : public ::testing::Test {
protected:
    TableModelTest() : table(QStringLiteral("Permissions"), permissionsSchema()) {
        table.createDataSet();
        for (const char16_t* name : {u"c", u"a", u"b"}) {
            table.append();
            table.fieldByName(QStringLiteral("Name")).setAsString(QString::fromUtf16(name));
            table.fieldByName(QStringLiteral("SizeValue")).setAsInteger(int(name[0]));
            table.fieldByName(QStringLiteral("Icon")).assign(QImage(48, 48, QImage::Format_ARGB32));
            table.post();
        }
    }

    TTable table;
};

TEST_F(TableModelTest, ShowsChosenColumnsWithTitles) {
    TableModel model(table, {{QStringLiteral("name"), QStringLiteral("File name"), true},
                             {QStringLiteral("SizeValue"), QString(), false},
                             {QStringLiteral("Icon"), QString(), true}});
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("File name"));
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("SizeValue"));
    EXPECT_EQ(model.fieldNameOfColumn(0), QStringLiteral("Name"));
    EXPECT_EQ(model.columnOfField(QStringLiteral("Icon")), 2);
    EXPECT_FALSE(model.isColumnVisible(1));
    EXPECT_EQ(model.data(model.index(1, 0)).toString(), QStringLiteral("a"));
    EXPECT_EQ(model.data(model.index(1, 1)).toInt(), int(u'a'));
    EXPECT_FALSE(model.data(model.index(1, 2)).isValid()) << "pictures have no text";
    EXPECT_EQ(model.data(model.index(1, 2), Qt::DecorationRole).value<QImage>().size(), QSize(48, 48));
    EXPECT_FALSE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEditable));

    TableModel all(table);
    EXPECT_EQ(all.columnCount(), 11);
    EXPECT_EQ(all.headerData(3, Qt::Horizontal).toString(), QStringLiteral("Icon"));
}

TEST_F(TableModelTest, FollowsTheCurrentRecordBothWays) {
    TableModel model(table);
    table.first();
    QList<int> seen;
    QObject::connect(&model, &TableModel::currentRowChanged, [&](int row) { seen << row; });

    table.moveTo(2);
    table.next(); // stays at the end: no change to report
    EXPECT_EQ(model.currentRow(), 2);
    model.setCurrentRow(1);
    EXPECT_EQ(table.recNo(), 1);
    EXPECT_EQ(table.fieldByName(QStringLiteral("Name")).asString(), QStringLiteral("a"));
    model.setCurrentRow(-1);
    model.setCurrentRow(3);
    EXPECT_EQ(table.recNo(), 1);
    EXPECT_EQ(seen, (QList<int>{2, 1}));

    // A sort moves the first record into view; the model reports it.
    SortAndRenumber(table, QStringLiteral("Name"));
    EXPECT_EQ(model.currentRow(), 0);
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), QStringLiteral("a"));

    table.close();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.currentRow(), -1);
    model.setCurrentRow(0); // closed: ignored
}

TEST_F(TableModelTest, ReportsChangesRowByRow) {
    TableModel model(table);
    SortAndRenumber(table, QStringLiteral("Name")); // a b c
    int resets = 0;
    QList<int> changed, inserted, removed;
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++resets; });
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& from, const QModelIndex& to) {
                         EXPECT_EQ(from.row(), to.row());
                         EXPECT_EQ(to.column(), model.columnCount() - 1);
                         changed << from.row();
                     });
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&](const QModelIndex&, int first, int last) {
        EXPECT_EQ(first, last);
        EXPECT_EQ(model.rowCount(), 4) << "the row exists once it is announced";
        inserted << first;
    });
    QObject::connect(&model, &QAbstractItemModel::rowsRemoved,
                     [&](const QModelIndex&, int first, int) { removed << first; });

    table.moveTo(2);
    table.edit();
    table.fieldByName(QStringLiteral("Size")).setAsString(QStringLiteral("2 KByte"));
    table.post();
    table.append();
    table.fieldByName(QStringLiteral("Name")).setAsString(QStringLiteral("ab"));
    table.post();
    EXPECT_EQ(model.currentRow(), 1);
    table.remove();
    EXPECT_EQ(changed, QList<int>{2});
    EXPECT_EQ(inserted, QList<int>{1}) << "inserted at its place in the sort";
    EXPECT_EQ(removed, QList<int>{1});
    EXPECT_EQ(resets, 0);

    table.emptyDataSet();
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(model.rowCount(), 0);
}

} // namespace
