#pragma once

#include "core/tables/TableOrder.h"

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

enum class FieldKind { Text, Integer, DateTime, Picture, LongText };
struct FieldDef {
    QString name;
    FieldKind kind;
};
enum class TableState { Inactive, Browse, Edit, Insert };
// How an index compares its fields' values: as stored, or as numbers (a text field by the integer it
// holds, texts that are no number first; an integer field as an unsigned 32-bit count).
enum class IndexValues { AsStored, Numeric };

class TTable;

// A field of the current record, or of the pending record while the table edits or inserts. Reading a
// closed or empty table gives null values; writing needs the edit or insert state.
class TField {
public:
    const QString& name() const;
    FieldKind kind() const;
    int position() const { return m_pos; }

    QString asString() const;
    void setAsString(const QString& text); // Integer: decimal text; "" clears
    int asInteger() const;
    void setAsInteger(int value);
    QDateTime asDateTime() const;
    void setAsDateTime(const QDateTime& value);
    QImage picture() const;
    void assign(const QImage& image); // a null image clears
    bool isNull() const;
    void clear();

private:
    friend class TTable;
    TField(TTable* table, int pos) : m_table(table), m_pos(pos) {}
    const QVariant& value() const;
    void write(QVariant value);

    TTable* m_table;
    int m_pos;
};

// One in-memory table: a fixed schema, records kept in insertion order, an optional active index giving
// another order, a current record and the browse / edit / insert states. Bound to a file, it loads the
// file when opened and saves it when closed if anything changed (or the file is missing).
//
// Order: positions (recNo, moveTo, value) count in the active order. Records appended while an index
// is active are placed at their key's position; editing a record does not move it, so a renumbering
// pass over an index leaves the order it walked.
class TTable : public QObject {
    Q_OBJECT
public:
    TTable(QString tableName, QList<FieldDef> schema, QObject* parent = nullptr);
    // An open table closes (and so saves) as it goes; a save error is then only logged.
    ~TTable() override;

    const QString& tableName() const { return m_tableName; }
    const QList<FieldDef>& schema() const { return m_schema; }
    int fieldCount() const { return int(m_schema.size()); }

    void setFileName(const QString& fileName) { m_fileName = fileName; }
    const QString& fileName() const { return m_fileName; }

    void setActive(bool active);
    bool active() const { return m_state != TableState::Inactive; }
    void open();
    void close();
    // Opens the table with no records, whatever the file holds; the next close writes the file.
    void createDataSet();
    // Writes the records (pending edits aside) to `fileName` now.
    void saveToFile(const QString& fileName) const;
    TableState state() const { return m_state; }

    void emptyDataSet();
    void append();
    void edit();
    void post();
    void cancel();
    void remove();

    void first();
    void next();
    void prior();
    void last();
    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }
    int recordCount() const;
    int recNo() const;
    void moveTo(int row); // rows outside the table are ignored

    QVariant value(int row, int field) const;

    TField& fields(int pos);
    TField& fieldByName(const QString& name);
    TField* findField(const QString& name);

    QString indexName() const { return m_activeIndex; }
    void setIndexName(const QString& name);
    // `fields` is a ";"-separated list of field names.
    void addIndex(const QString& name, const QString& fields, bool caseInsensitive,
                  IndexValues values = IndexValues::AsStored);
    void deleteIndex(const QString& name);
    // Definitions take effect when added; kept for the callers' refresh step.
    void updateIndexDefs() {}

    // Between these (they nest) no per-record signal is sent; the last end sends one dataReset and one
    // afterScroll.
    void beginBulkUpdate();
    void endBulkUpdate();

signals:
    void afterScroll();
    void dataReset();
    void rowChanged(int row);
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);

private:
    friend class TField;
    struct Record {
        quint64 seq;
        std::vector<QVariant> values;
    };
    struct IndexDef {
        QString name;
        QList<int> fields;
        bool caseInsensitive;
        IndexValues values;
    };

    QString prefixed(const QString& text) const;
    [[noreturn]] void fail(const QString& text) const;
    void checkActive() const;
    void checkBrowseMode();
    Record* recordAt(int row) const;
    const QVariant& currentValue(int pos) const;
    void writeValue(int pos, QVariant value);
    const IndexDef* findIndex(const QString& name) const;
    bool keyLess(const std::vector<QVariant>& a, const std::vector<QVariant>& b) const;
    void activateIndex(const IndexDef* def); // null: insertion order
    void rebuildOrder(const Record* keepCurrent);
    int positionOf(const Record* record) const;
    void resetRecords();
    void scrolled();
    void reset();
    bool quiet() const { return m_bulk > 0; }

    QString m_tableName;
    QList<FieldDef> m_schema;
    std::vector<std::unique_ptr<TField>> m_fields;
    QString m_fileName;
    TableState m_state = TableState::Inactive;

    ChunkedList<std::unique_ptr<Record>> m_records; // insertion order, ascending seq
    ChunkedList<Record*> m_order;                   // index order, used while an index is active
    quint64 m_nextSeq = 0;
    bool m_dirty = false;

    int m_cur = -1;
    bool m_bof = true;
    bool m_eof = true;
    std::vector<QVariant> m_buffer; // the pending record in edit and insert state
    bool m_modified = false;

    QList<IndexDef> m_indexes;
    QString m_activeIndex; // empty: insertion order
    QList<int> m_indexFields;
    bool m_indexCaseInsensitive = false;
    IndexValues m_indexValues = IndexValues::AsStored;

    int m_bulk = 0;
};

// Orders the table by `key` (ascending, ignoring letter case), numbers field 0 from 1 in that order and
// goes to the first record.
void SortAndRenumber(TTable& table, const QString& key, IndexValues values = IndexValues::AsStored);
// Drops the active index, if any: the records are then in insertion order.
void DropSortIndex(TTable& table);
