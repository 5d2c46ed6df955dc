#include "core/tables/Table.h"

#include "core/base/Errors.h"
#include "core/tables/TableStorage.h"

#include <QFileInfo>
#include <algorithm>
#include <optional>

namespace {

const QString dateTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

// The engine stores each kind as one type (text QString, integer int, date-time QDateTime, picture
// QImage, or StoredPicture when read from a file) and null as an invalid QVariant, so the values can be
// read without conversion.
template <class T> const T& stored(const QVariant& v) {
    return *static_cast<const T*>(v.constData());
}

int compareValues(FieldKind kind, const QVariant& a, const QVariant& b, bool caseInsensitive) {
    if (!a.isValid() || !b.isValid()) return int(a.isValid()) - int(b.isValid());
    switch (kind) {
    case FieldKind::Text:
    case FieldKind::LongText:
        return QString::compare(stored<QString>(a), stored<QString>(b),
                                caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
    case FieldKind::Integer:
        return (stored<int>(a) > stored<int>(b)) - (stored<int>(a) < stored<int>(b));
    case FieldKind::DateTime:
        return (stored<QDateTime>(a) > stored<QDateTime>(b)) - (stored<QDateTime>(a) < stored<QDateTime>(b));
    case FieldKind::Picture:
        break;
    }
    return 0;
}

// A text's integer value, or nothing when it holds no number.
std::optional<qint64> numberIn(const QString& text) {
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

int compareNumbers(FieldKind kind, const QVariant& a, const QVariant& b) {
    if (!a.isValid() || !b.isValid()) return int(a.isValid()) - int(b.isValid());
    if (kind == FieldKind::Integer) {
        const quint32 x = quint32(stored<int>(a)), y = quint32(stored<int>(b));
        return (x > y) - (x < y);
    }
    if (kind != FieldKind::Text && kind != FieldKind::LongText) return compareValues(kind, a, b, true);
    const std::optional<qint64> x = numberIn(stored<QString>(a)), y = numberIn(stored<QString>(b));
    if (!x || !y) return int(x.has_value()) - int(y.has_value());
    return (*x > *y) - (*x < *y);
}

[[noreturn]] void notAnInteger(const QString& text, const QString& field) {
    throw QeltoError(QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(text, field));
}

int parseInteger(const QString& text, const QString& field) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok) notAnInteger(text, field);
    return value;
}

QDateTime parseDateTime(const QString& text) {
    QDateTime value = QDateTime::fromString(text, dateTimeFormat);
    if (!value.isValid()) value = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!value.isValid()) throw QeltoError(QStringLiteral("'%1' is not a valid date and time").arg(text));
    return value;
}

} // namespace

// ---- TField ----

const QString& TField::name() const {
    return m_table->m_schema[m_pos].name;
}

FieldKind TField::kind() const {
    return m_table->m_schema[m_pos].kind;
}

const QVariant& TField::value() const {
    return m_table->currentValue(m_pos);
}

void TField::write(QVariant value) {
    m_table->writeValue(m_pos, std::move(value));
}

bool TField::isNull() const {
    return !value().isValid();
}

void TField::clear() {
    write(QVariant());
}

QString TField::asString() const {
    const QVariant& v = value();
    if (!v.isValid()) return {};
    switch (kind()) {
    case FieldKind::Text:
    case FieldKind::LongText:
        return stored<QString>(v);
    case FieldKind::Integer:
        return QString::number(stored<int>(v));
    case FieldKind::DateTime:
        return stored<QDateTime>(v).toString(dateTimeFormat);
    case FieldKind::Picture:
        break;
    }
    return {};
}

void TField::setAsString(const QString& text) {
    if (text.isEmpty()) {
        clear();
        return;
    }
    switch (kind()) {
    case FieldKind::Text:
    case FieldKind::LongText:
        write(text);
        return;
    case FieldKind::Integer:
        write(parseInteger(text, name()));
        return;
    case FieldKind::DateTime:
        write(parseDateTime(text));
        return;
    case FieldKind::Picture:
        break;
    }
    m_table->fail(QStringLiteral("Field '%1' cannot take text").arg(name()));
}

int TField::asInteger() const {
    const QVariant& v = value();
    if (!v.isValid()) return 0;
    switch (kind()) {
    case FieldKind::Integer:
        return stored<int>(v);
    case FieldKind::Text:
    case FieldKind::LongText:
        return parseInteger(stored<QString>(v), name());
    case FieldKind::DateTime:
    case FieldKind::Picture:
        break;
    }
    m_table->fail(QStringLiteral("Field '%1' cannot be read as an integer").arg(name()));
}

void TField::setAsInteger(int value) {
    switch (kind()) {
    case FieldKind::Integer:
        write(value);
        return;
    case FieldKind::Text:
    case FieldKind::LongText:
        write(QString::number(value));
        return;
    case FieldKind::DateTime:
    case FieldKind::Picture:
        break;
    }
    m_table->fail(QStringLiteral("Field '%1' cannot take an integer").arg(name()));
}

QDateTime TField::asDateTime() const {
    const QVariant& v = value();
    if (!v.isValid()) return {};
    switch (kind()) {
    case FieldKind::DateTime:
        return stored<QDateTime>(v);
    case FieldKind::Text:
    case FieldKind::LongText:
        return parseDateTime(stored<QString>(v));
    case FieldKind::Integer:
    case FieldKind::Picture:
        break;
    }
    m_table->fail(QStringLiteral("Field '%1' cannot be read as a date and time").arg(name()));
}

void TField::setAsDateTime(const QDateTime& value) {
    switch (kind()) {
    case FieldKind::DateTime:
        write(value.isValid() ? QVariant(value) : QVariant());
        return;
    case FieldKind::Text:
    case FieldKind::LongText:
        write(value.isValid() ? QVariant(value.toString(dateTimeFormat)) : QVariant());
        return;
    case FieldKind::Integer:
    case FieldKind::Picture:
        break;
    }
    m_table->fail(QStringLiteral("Field '%1' cannot take a date and time").arg(name()));
}

QImage TField::picture() const {
    const QVariant& v = value();
    if (kind() != FieldKind::Picture || !v.isValid()) return {};
    return pictureOf(v); // pictures read from a file are decoded on first use
}

void TField::assign(const QImage& image) {
    if (kind() != FieldKind::Picture)
        m_table->fail(QStringLiteral("Field '%1' cannot take a picture").arg(name()));
    write(image.isNull() ? QVariant() : QVariant(image));
}

// ---- TTable: life cycle ----

TTable::TTable(QString tableName, QList<FieldDef> schema, QObject* parent)
    : QObject(parent), m_tableName(std::move(tableName)), m_schema(std::move(schema)) {
    for (int i = 0; i < int(m_schema.size()); ++i)
        m_fields.emplace_back(new TField(this, i));
}

TTable::~TTable() {
    try {
        close();
    } catch (const QeltoError& e) {
        qWarning("%s", e.what());
    }
}

QString TTable::prefixed(const QString& text) const {
    return m_tableName + u": " + text;
}

void TTable::fail(const QString& text) const {
    throw QeltoError(prefixed(text));
}

void TTable::checkActive() const {
    if (!active()) fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void TTable::setActive(bool on) {
    if (on)
        open();
    else
        close();
}

void TTable::open() {
    if (active()) return;
    if (m_fileName.isEmpty() || !QFileInfo::exists(m_fileName))
        fail(QStringLiteral("Missing data provider or data packet"));
    std::vector<TableRecordValues> loaded = readTableFile(m_tableName, m_fileName, m_schema);
    resetRecords();
    for (auto& values : loaded)
        m_records.push_back(std::unique_ptr<Record>(new Record{m_nextSeq++, std::move(values)}));
    m_state = TableState::Browse;
    m_dirty = false;
    rebuildOrder(nullptr);
    reset();
    scrolled();
}

void TTable::createDataSet() {
    close();
    resetRecords();
    m_state = TableState::Browse;
    m_dirty = true;
    rebuildOrder(nullptr);
    reset();
    scrolled();
}

void TTable::close() {
    if (!active()) return;
    if (m_state != TableState::Browse) {
        m_state = TableState::Browse;
        m_buffer.clear();
        m_modified = false;
    }
    if (!m_fileName.isEmpty() && (m_dirty || !QFileInfo::exists(m_fileName)))
        saveToFile(m_fileName); // on failure the table stays open with its data
    resetRecords();
    m_state = TableState::Inactive;
    m_cur = -1;
    m_bof = m_eof = true;
    reset();
}

void TTable::saveToFile(const QString& fileName) const {
    std::vector<const TableRecordValues*> records;
    records.reserve(std::size_t(m_records.size()));
    m_records.forEach([&](const std::unique_ptr<Record>& r) { records.push_back(&r->values); });
    writeTableFile(m_tableName, fileName, m_schema, records);
}

void TTable::resetRecords() {
    m_records.clear();
    m_order.clear();
}

void TTable::scrolled() {
    if (!quiet()) emit afterScroll();
}

void TTable::reset() {
    if (!quiet()) emit dataReset();
}

void TTable::beginBulkUpdate() {
    ++m_bulk;
}

void TTable::endBulkUpdate() {
    if (m_bulk == 0 || --m_bulk > 0) return;
    emit dataReset();
    emit afterScroll();
}

// ---- TTable: records ----

int TTable::recordCount() const {
    return active() ? int(m_records.size()) : 0;
}

int TTable::recNo() const {
    return m_state == TableState::Insert ? -1 : m_cur;
}

TTable::Record* TTable::recordAt(int row) const {
    return m_activeIndex.isEmpty() ? m_records.at(row).get() : m_order.at(row);
}

QVariant TTable::value(int row, int field) const {
    if (row < 0 || row >= recordCount() || field < 0 || field >= fieldCount()) return {};
    return recordAt(row)->values[field];
}

const QVariant& TTable::currentValue(int pos) const {
    static const QVariant null;
    if (m_state == TableState::Edit || m_state == TableState::Insert) return m_buffer[pos];
    if (m_state == TableState::Browse && m_cur >= 0) return recordAt(m_cur)->values[pos];
    return null;
}

void TTable::writeValue(int pos, QVariant value) {
    if (m_state != TableState::Edit && m_state != TableState::Insert)
        fail(QStringLiteral("Dataset not in edit or insert mode"));
    m_buffer[pos] = std::move(value);
    m_modified = true;
}

void TTable::checkBrowseMode() {
    if (m_state == TableState::Edit || m_state == TableState::Insert) {
        if (m_modified)
            post();
        else
            cancel();
    }
}

void TTable::emptyDataSet() {
    checkActive();
    m_state = TableState::Browse;
    m_buffer.clear();
    m_modified = false;
    if (!m_records.empty()) m_dirty = true;
    resetRecords();
    m_cur = -1;
    m_bof = m_eof = true;
    reset();
    scrolled();
}

void TTable::append() {
    checkActive();
    checkBrowseMode();
    m_buffer.assign(std::size_t(fieldCount()), QVariant());
    m_modified = false;
    m_state = TableState::Insert;
    scrolled();
}

void TTable::edit() {
    checkActive();
    if (m_state != TableState::Browse) return;
    if (m_records.empty()) {
        append();
        return;
    }
    m_buffer = recordAt(m_cur)->values;
    m_modified = false;
    m_state = TableState::Edit;
}

void TTable::post() {
    checkActive();
    if (m_state == TableState::Edit) {
        // Writing back the same values (the start-up renumbering of the catalogue) is no change to save.
        if (recordAt(m_cur)->values != m_buffer) m_dirty = true;
        recordAt(m_cur)->values = std::move(m_buffer);
        m_buffer.clear();
        m_state = TableState::Browse;
        m_modified = false;
        if (!quiet()) emit rowChanged(m_cur);
        scrolled();
        return;
    }
    if (m_state != TableState::Insert) return;

    auto record = std::unique_ptr<Record>(new Record{m_nextSeq++, std::move(m_buffer)});
    Record* raw = record.get();
    m_buffer.clear();
    const bool indexed = !m_activeIndex.isEmpty();
    // After the records of equal key, so equal keys stay in the order they came.
    const int pos =
        indexed
            ? int(m_order.partitionPoint([&](const Record* r) { return !keyLess(raw->values, r->values); }))
            : int(m_records.size());
    if (!quiet()) emit rowAboutToBeInserted(pos);
    m_records.push_back(std::move(record));
    if (indexed) m_order.insert(pos, raw);
    m_state = TableState::Browse;
    m_modified = false;
    m_dirty = true;
    m_cur = pos;
    m_bof = m_eof = false;
    if (!quiet()) emit rowInserted(pos);
    scrolled();
}

void TTable::cancel() {
    checkActive();
    if (m_state == TableState::Browse) return;
    m_state = TableState::Browse;
    m_buffer.clear();
    m_modified = false;
    scrolled();
}

void TTable::remove() {
    checkActive();
    if (m_state == TableState::Insert) {
        cancel();
        return;
    }
    if (m_records.empty()) fail(QStringLiteral("Cannot perform this operation on an empty dataset"));
    m_state = TableState::Browse;
    m_buffer.clear();
    m_modified = false;

    const int pos = m_cur;
    const quint64 seq = recordAt(pos)->seq;
    if (!quiet()) emit rowAboutToBeRemoved(pos);
    if (!m_activeIndex.isEmpty()) m_order.take(pos);
    m_records.take(m_records.partitionPoint([&](const std::unique_ptr<Record>& r) { return r->seq < seq; }));
    m_dirty = true;
    const int count = recordCount();
    if (count == 0) {
        m_cur = -1;
        m_bof = m_eof = true;
    } else {
        m_bof = false;
        m_eof = m_cur >= count;
        m_cur = std::min(m_cur, count - 1);
    }
    if (!quiet()) emit rowRemoved(pos);
    scrolled();
}

// ---- TTable: moving ----

void TTable::first() {
    checkActive();
    checkBrowseMode();
    m_cur = m_records.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_records.empty();
    scrolled();
}

void TTable::last() {
    checkActive();
    checkBrowseMode();
    m_cur = recordCount() - 1;
    m_eof = true;
    m_bof = m_records.empty();
    scrolled();
}

void TTable::next() {
    checkActive();
    checkBrowseMode();
    if (m_cur + 1 < recordCount()) {
        ++m_cur;
        m_bof = m_eof = false;
    } else {
        m_eof = true;
    }
    scrolled();
}

void TTable::prior() {
    checkActive();
    checkBrowseMode();
    if (m_cur > 0) {
        --m_cur;
        m_bof = m_eof = false;
    } else {
        m_bof = true;
    }
    scrolled();
}

void TTable::moveTo(int row) {
    checkActive();
    checkBrowseMode();
    if (row < 0 || row >= recordCount()) return;
    m_cur = row;
    m_bof = m_eof = false;
    scrolled();
}

// ---- TTable: fields ----

TField& TTable::fields(int pos) {
    if (pos < 0 || pos >= fieldCount()) fail(QStringLiteral("Field index out of range"));
    return *m_fields[std::size_t(pos)];
}

TField* TTable::findField(const QString& name) {
    for (auto& field : m_fields)
        if (field->name().compare(name, Qt::CaseInsensitive) == 0) return field.get();
    return nullptr;
}

TField& TTable::fieldByName(const QString& name) {
    TField* field = findField(name);
    if (!field) fail(QStringLiteral("Field '%1' not found").arg(name));
    return *field;
}

// ---- TTable: indexes ----

const TTable::IndexDef* TTable::findIndex(const QString& name) const {
    for (const IndexDef& def : m_indexes)
        if (def.name.compare(name, Qt::CaseInsensitive) == 0) return &def;
    return nullptr;
}

bool TTable::keyLess(const std::vector<QVariant>& a, const std::vector<QVariant>& b) const {
    for (int pos : m_indexFields) {
        const int c = m_indexValues == IndexValues::Numeric
                          ? compareNumbers(m_schema[pos].kind, a[pos], b[pos])
                          : compareValues(m_schema[pos].kind, a[pos], b[pos], m_indexCaseInsensitive);
        if (c != 0) return c < 0;
    }
    return false;
}

int TTable::positionOf(const Record* record) const {
    if (m_activeIndex.isEmpty())
        return int(
            m_records.partitionPoint([&](const std::unique_ptr<Record>& r) { return r->seq < record->seq; }));
    for (int row = 0; row < int(m_order.size()); ++row)
        if (m_order.at(row) == record) return row;
    return -1;
}

// Puts the records in the active order and keeps `keepCurrent` current (else the first record).
void TTable::rebuildOrder(const Record* keepCurrent) {
    m_order.clear();
    if (!active()) return;
    if (!m_activeIndex.isEmpty()) {
        std::vector<Record*> sorted;
        sorted.reserve(std::size_t(m_records.size()));
        m_records.forEach([&](const std::unique_ptr<Record>& r) { sorted.push_back(r.get()); });
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&](const Record* a, const Record* b) { return keyLess(a->values, b->values); });
        m_order.assign(std::move(sorted));
    }
    m_cur = keepCurrent ? positionOf(keepCurrent) : (m_records.empty() ? -1 : 0);
    m_bof = m_cur <= 0;
    m_eof = m_records.empty();
}

void TTable::addIndex(const QString& name, const QString& fields, bool caseInsensitive, IndexValues values) {
    IndexDef def{name, {}, caseInsensitive, values};
    for (const QString& part : fields.split(u';')) {
        const TField& field = fieldByName(part.trimmed());
        if (field.kind() == FieldKind::Picture)
            fail(QStringLiteral("Field '%1' cannot be used in an index").arg(field.name()));
        def.fields.append(field.position());
    }
    m_indexes.removeIf([&](const IndexDef& d) { return d.name.compare(name, Qt::CaseInsensitive) == 0; });
    m_indexes.append(def);
    if (!m_activeIndex.isEmpty() && m_activeIndex.compare(name, Qt::CaseInsensitive) == 0)
        activateIndex(&m_indexes.back());
}

void TTable::deleteIndex(const QString& name) {
    if (!findIndex(name)) fail(QStringLiteral("Index '%1' not found").arg(name));
    if (m_activeIndex.compare(name, Qt::CaseInsensitive) == 0) setIndexName(QString());
    m_indexes.removeIf([&](const IndexDef& d) { return d.name.compare(name, Qt::CaseInsensitive) == 0; });
}

void TTable::setIndexName(const QString& name) {
    if (m_activeIndex.compare(name, Qt::CaseInsensitive) == 0) return;
    const IndexDef* def = nullptr;
    if (!name.isEmpty()) {
        def = findIndex(name);
        if (!def) fail(QStringLiteral("Index '%1' not found").arg(name));
    }
    activateIndex(def);
}

void TTable::activateIndex(const IndexDef* def) {
    if (active()) checkBrowseMode();
    const Record* current = (active() && m_cur >= 0) ? recordAt(m_cur) : nullptr;
    m_activeIndex = def ? def->name : QString();
    m_indexFields = def ? def->fields : QList<int>();
    m_indexCaseInsensitive = def && def->caseInsensitive;
    m_indexValues = def ? def->values : IndexValues::AsStored;
    rebuildOrder(current);
    if (active()) {
        reset();
        scrolled();
    }
}

// ---- composite operations ----

void SortAndRenumber(TTable& table, const QString& key, IndexValues values) {
    if (!table.indexName().isEmpty()) table.deleteIndex(table.indexName());
    table.addIndex(QStringLiteral("Sort"), key, true, values);
    table.setIndexName(QStringLiteral("Sort"));
    table.updateIndexDefs();
    table.first();
    const int n = table.recordCount();
    for (int i = 1; i <= n; ++i) {
        table.edit();
        table.fields(0).setAsString(QString::number(i));
        table.post();
        table.next();
    }
    table.first();
}

void DropSortIndex(TTable& table) {
    if (!table.indexName().isEmpty()) table.deleteIndex(table.indexName());
}
