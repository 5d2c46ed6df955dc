#include "core/tables/TableStorage.h"

#include "core/base/Errors.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <QtEndian>

namespace {

constexpr qint64 maxFileSize = qint64(1) << 30;
// Raw bytes the XML reader may buffer for a single token (one value) before the file is refused.
constexpr qint64 maxTokenBytes = qint64(64) << 20;
constexpr qint64 readChunk = qint64(1) << 20;
constexpr int maxPictureSide = 4096;

const QString rootTag = QStringLiteral("QeltoTable");

QString kindName(FieldKind kind) {
    switch (kind) {
    case FieldKind::Text:
        return QStringLiteral("text");
    case FieldKind::Integer:
        return QStringLiteral("integer");
    case FieldKind::DateTime:
        return QStringLiteral("datetime");
    case FieldKind::Picture:
        return QStringLiteral("picture");
    case FieldKind::LongText:
        return QStringLiteral("longtext");
    }
    return {};
}

bool xmlCanCarry(const QString& text) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x20 && c != u'\t' && c != u'\n') return false;
        if (c == 0xFFFE || c == 0xFFFF) return false;
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 >= n || !QChar::isLowSurrogate(text[i + 1].unicode())) return false;
            ++i;
        } else if (QChar::isLowSurrogate(c)) {
            return false;
        }
    }
    return true;
}

QByteArray utf16Bytes(const QString& text) {
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + 2 * i);
    return bytes;
}

QString fromUtf16Bytes(const QByteArray& bytes) {
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(bytes.constData() + 2 * i));
    return text;
}

const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);

// The format of picture data by its signature: "png", "bmp" or nothing.
const char* pictureFormat(const QByteArray& data) {
    if (data.startsWith(pngSignature)) return "png";
    if (data.startsWith("BM")) return "bmp";
    return nullptr;
}

// Decodes PNG or BMP data; with `headerOnly`, only checks that the header names a picture of
// acceptable dimensions and returns an image of size 1 x 1 for it.
QImage readPicture(const QByteArray& data, bool headerOnly) {
    const char* format = pictureFormat(data);
    if (!format) return {};
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || size.width() > maxPictureSide || size.height() > maxPictureSide)
        return {};
    if (headerOnly) return QImage(1, 1, QImage::Format_ARGB32);
    return reader.read();
}

bool plausiblePicture(const QByteArray& data) {
    return !readPicture(data, true).isNull();
}

QString dateTimeText(const QDateTime& value) {
    return value.toString(Qt::ISODateWithMs);
}

class Reader {
public:
    Reader(const QString& tableName, const QString& fileName, const QList<FieldDef>& schema, QIODevice& file)
        : m_tableName(tableName), m_fileName(fileName), m_schema(schema), m_file(file) {}

    std::vector<TableRecordValues> read() {
        if (!m_file.isOpen() && !m_file.open(QIODevice::ReadOnly))
            throw QeltoError(m_tableName + u": cannot read " + m_fileName + u" (" + m_file.errorString() +
                             u')');
        if (m_file.size() > maxFileSize) fail(QStringLiteral("the file is too large"));

        expectStart(rootTag);
        if (m_xml.attributes().value(QLatin1StringView("version")) != u"1")
            fail(QStringLiteral("unknown version"));
        readFields();
        auto t = nextStructural();
        if (t == QXmlStreamReader::StartElement && m_xml.name() == u"Pictures") {
            readPictures();
            t = nextStructural();
        }
        if (t != QXmlStreamReader::StartElement || m_xml.name() != u"Records")
            fail(QStringLiteral("records missing"));
        std::vector<TableRecordValues> records = readRecords();
        if (nextStructural() != QXmlStreamReader::EndElement)
            fail(QStringLiteral("unexpected content after the records"));
        return records;
    }

private:
    [[noreturn]] void fail(const QString& reason) const {
        throw QeltoError(m_tableName + u": " + m_fileName + u" is not a valid table file (" + reason + u')');
    }

    bool feed() {
        if (m_file.atEnd()) return false;
        const QByteArray chunk = m_file.read(readChunk);
        if (chunk.isEmpty()) return false;
        m_pending += chunk.size();
        if (m_pending > maxTokenBytes) fail(QStringLiteral("a value is too large"));
        m_xml.addData(chunk);
        return true;
    }

    QXmlStreamReader::TokenType next() {
        for (;;) {
            const auto t = m_xml.readNext();
            if (t == QXmlStreamReader::Invalid) {
                if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError && feed()) continue;
                fail(QStringLiteral("line %1: %2").arg(m_xml.lineNumber()).arg(m_xml.errorString()));
            }
            m_pending = 0;
            switch (t) {
            case QXmlStreamReader::StartDocument:
            case QXmlStreamReader::Comment:
            case QXmlStreamReader::ProcessingInstruction:
                continue;
            case QXmlStreamReader::DTD:
            case QXmlStreamReader::EntityReference:
                fail(QStringLiteral("line %1: declarations are not allowed").arg(m_xml.lineNumber()));
            default:
                return t;
            }
        }
    }

    // The next element boundary; text between elements may only be white space.
    QXmlStreamReader::TokenType nextStructural() {
        for (;;) {
            const auto t = next();
            if (t == QXmlStreamReader::Characters) {
                if (!m_xml.isWhitespace())
                    fail(QStringLiteral("line %1: unexpected text").arg(m_xml.lineNumber()));
                continue;
            }
            if (t == QXmlStreamReader::EndDocument) fail(QStringLiteral("the file ends early"));
            return t;
        }
    }

    void expectStart(const QString& name) {
        if (nextStructural() != QXmlStreamReader::StartElement || m_xml.name() != name)
            fail(QStringLiteral("line %1: %2 expected").arg(m_xml.lineNumber()).arg(name));
    }

    void expectEnd() {
        if (nextStructural() != QXmlStreamReader::EndElement)
            fail(QStringLiteral("line %1: end of element expected").arg(m_xml.lineNumber()));
    }

    // Text content up to the end of the current element; nested elements are refused.
    QString readText() {
        QString text;
        for (;;) {
            const auto t = next();
            if (t == QXmlStreamReader::EndElement) return text;
            if (t != QXmlStreamReader::Characters)
                fail(QStringLiteral("line %1: unexpected element").arg(m_xml.lineNumber()));
            text += m_xml.text();
            if (text.size() > maxTokenBytes) fail(QStringLiteral("a value is too large"));
        }
    }

    void readFields() {
        expectStart(QStringLiteral("Fields"));
        qsizetype count = 0;
        for (;;) {
            const auto t = nextStructural();
            if (t == QXmlStreamReader::EndElement) break;
            if (m_xml.name() != u"Field")
                fail(QStringLiteral("line %1: Field expected").arg(m_xml.lineNumber()));
            const auto attributes = m_xml.attributes();
            if (count >= m_schema.size() ||
                attributes.value(QLatin1StringView("name")) != m_schema[count].name ||
                attributes.value(QLatin1StringView("kind")) != kindName(m_schema[count].kind))
                fail(QStringLiteral("its fields do not match the table"));
            ++count;
            expectEnd();
        }
        if (count != m_schema.size()) fail(QStringLiteral("its fields do not match the table"));
    }

    void readPictures() {
        for (;;) {
            const auto t = nextStructural();
            if (t == QXmlStreamReader::EndElement) return;
            if (m_xml.name() != u"Picture")
                fail(QStringLiteral("line %1: Picture expected").arg(m_xml.lineNumber()));
            const qint64 line = m_xml.lineNumber();
            const auto decoded = QByteArray::fromBase64Encoding(readText().toLatin1(),
                                                                QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded || !plausiblePicture(*decoded))
                fail(QStringLiteral("line %1: a picture is damaged").arg(line));
            // The decoding reuses the text's buffer, nearly three times the picture's size: keep a tight copy.
            QByteArray bytes = std::move(*decoded);
            bytes.squeeze();
            m_pictures.append(QVariant::fromValue(StoredPicture(std::move(bytes))));
        }
    }

    std::vector<TableRecordValues> readRecords() {
        std::vector<TableRecordValues> records;
        for (;;) {
            const auto t = nextStructural();
            if (t == QXmlStreamReader::EndElement) return records;
            if (m_xml.name() != u"R") fail(QStringLiteral("line %1: R expected").arg(m_xml.lineNumber()));
            TableRecordValues values;
            values.reserve(m_schema.size());
            for (const FieldDef& field : m_schema) {
                if (nextStructural() != QXmlStreamReader::StartElement)
                    fail(QStringLiteral("line %1: a record has too few values").arg(m_xml.lineNumber()));
                values.push_back(readValue(field));
            }
            if (nextStructural() != QXmlStreamReader::EndElement)
                fail(QStringLiteral("line %1: a record has too many values").arg(m_xml.lineNumber()));
            records.push_back(std::move(values));
        }
    }

    QVariant readValue(const FieldDef& field) {
        const qint64 line = m_xml.lineNumber();
        const auto misfit = [&]() {
            fail(QStringLiteral("line %1: a value does not fit field '%2'").arg(line).arg(field.name));
        };
        const QStringView tag = m_xml.name();
        if (tag == u"N") {
            expectEnd();
            return {};
        }
        if (tag == u"P") {
            if (field.kind != FieldKind::Picture) misfit();
            bool ok = false;
            const int index = m_xml.attributes().value(QLatin1StringView("i")).toInt(&ok);
            if (!ok || index < 0 || index >= m_pictures.size()) misfit();
            expectEnd();
            return m_pictures[index];
        }
        if (tag == u"B") {
            if (field.kind != FieldKind::Text && field.kind != FieldKind::LongText) misfit();
            const auto decoded = QByteArray::fromBase64Encoding(readText().toLatin1(),
                                                                QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded || (*decoded).size() % 2 != 0) misfit();
            return fromUtf16Bytes(*decoded);
        }
        if (tag != u"V") misfit();
        const QString text = readText();
        switch (field.kind) {
        case FieldKind::Text:
        case FieldKind::LongText:
            return text.isEmpty() ? QVariant() : QVariant(text);
        case FieldKind::Integer: {
            bool ok = false;
            const int value = text.toInt(&ok);
            if (!ok || text.trimmed() != text) misfit();
            return value;
        }
        case FieldKind::DateTime: {
            const QDateTime value = QDateTime::fromString(text, Qt::ISODateWithMs);
            if (!value.isValid()) misfit();
            return value;
        }
        case FieldKind::Picture:
            break;
        }
        misfit();
        return {};
    }

    QString m_tableName;
    QString m_fileName;
    const QList<FieldDef>& m_schema;
    QIODevice& m_file;
    QXmlStreamReader m_xml;
    qint64 m_pending = 0;
    QList<QVariant> m_pictures;
};

// Gives every distinct picture one place in the file's pool. Shared copies are found by cache key
// without encoding them again; equal pictures from different sources by their encoded bytes.
class PicturePool {
public:
    int idOf(const QVariant& value) {
        // A picture read from a file goes back as it came when it is PNG, without being decoded.
        if (value.metaType() == QMetaType::fromType<StoredPicture>()) {
            const StoredPicture picture = value.value<StoredPicture>();
            if (picture.isPng()) return idOfBytes(picture.encoded());
        }
        const QImage image = pictureOf(value);
        const auto known = m_byKey.constFind(image.cacheKey());
        if (known != m_byKey.cend()) return *known;
        const int id = idOfBytes(encodePng(image));
        m_byKey.insert(image.cacheKey(), id);
        return id;
    }
    const QList<QByteArray>& pictures() const { return m_pictures; }

private:
    int idOfBytes(const QByteArray& bytes) {
        int id = m_byBytes.value(bytes, -1);
        if (id < 0) {
            id = int(m_pictures.size());
            m_byBytes.insert(bytes, id);
            m_pictures.append(bytes);
        }
        return id;
    }

    QHash<qint64, int> m_byKey;
    QHash<QByteArray, int> m_byBytes;
    QList<QByteArray> m_pictures;
};

void put16(QByteArray& out, quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

} // namespace

QByteArray encodeBmp(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width();
    const int h = image.height();
    constexpr quint32 headerSize = 14 + 108;
    const quint32 pixelBytes = quint32(w) * quint32(h) * 4;
    QByteArray out;
    out.reserve(qsizetype(headerSize + pixelBytes));
    out.append("BM", 2);
    put32(out, headerSize + pixelBytes);
    put32(out, 0);
    put32(out, headerSize);
    put32(out, 108); // BITMAPV4HEADER
    put32(out, quint32(w));
    put32(out, quint32(h)); // positive: rows bottom-up
    put16(out, 1);
    put16(out, 32);
    put32(out, 3); // BI_BITFIELDS
    put32(out, pixelBytes);
    put32(out, 2835); // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0x00FF0000);
    put32(out, 0x0000FF00);
    put32(out, 0x000000FF);
    put32(out, 0xFF000000);
    put32(out, 0x73524742);      // 'sRGB'
    for (int i = 0; i < 12; ++i) // end points and gamma, unused with sRGB
        put32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            put32(out, line[x]);
    }
    return out;
}

StoredPicture::StoredPicture(QByteArray encoded) : m_data(std::make_shared<Data>()) {
    m_data->encoded = std::move(encoded);
}

const QByteArray& StoredPicture::encoded() const {
    static const QByteArray none;
    return m_data ? m_data->encoded : none;
}

bool StoredPicture::isPng() const {
    return encoded().startsWith(pngSignature);
}

QImage StoredPicture::image() const {
    if (!m_data) return {};
    std::call_once(m_data->decodeOnce, [this] { m_data->image = readPicture(m_data->encoded, false); });
    return m_data->image;
}

bool StoredPicture::operator==(const StoredPicture& other) const {
    return m_data == other.m_data || encoded() == other.encoded() || image() == other.image();
}

QImage pictureOf(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QImage>()) return value.value<QImage>();
    if (value.metaType() == QMetaType::fromType<StoredPicture>()) return value.value<StoredPicture>().image();
    return {};
}

QByteArray encodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.write(image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32) : image);
    return bytes;
}

QImage decodePicture(const QByteArray& data) {
    return readPicture(data, false);
}

QImage decodeBmp(const QByteArray& data) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > maxPictureSide || size.height() > maxPictureSide) return {};
    return reader.read();
}

std::vector<TableRecordValues> readTableFile(const QString& tableName, const QString& fileName,
                                             const QList<FieldDef>& schema) {
    QFile file(fileName);
    return Reader(tableName, fileName, schema, file).read();
}

std::vector<TableRecordValues> readTableData(const QString& tableName, const QString& origin,
                                             const QByteArray& data, const QList<FieldDef>& schema) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return Reader(tableName, origin, schema, buffer).read();
}

void writeTableFile(const QString& tableName, const QString& fileName, const QList<FieldDef>& schema,
                    const std::vector<const TableRecordValues*>& records) {
    const auto fail = [&](const QString& reason) {
        throw QeltoError(tableName + u": cannot save " + fileName + u" (" + reason + u')');
    };

    PicturePool pool;
    std::vector<int> pictureIds;
    for (const TableRecordValues* record : records)
        for (qsizetype f = 0; f < schema.size(); ++f)
            if (schema[f].kind == FieldKind::Picture && (*record)[f].isValid())
                pictureIds.push_back(pool.idOf((*record)[f]));

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) fail(file.errorString());
    // Bookmarks hold passwords.
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) fail(file.errorString());

    QXmlStreamWriter xml(&file);
    const QString nl = QStringLiteral("\n");
    xml.writeStartDocument();
    xml.writeCharacters(nl);
    xml.writeStartElement(rootTag);
    xml.writeAttribute(QStringLiteral("name"), tableName);
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1"));
    xml.writeCharacters(nl);

    xml.writeStartElement(QStringLiteral("Fields"));
    for (const FieldDef& field : schema) {
        xml.writeEmptyElement(QStringLiteral("Field"));
        xml.writeAttribute(QStringLiteral("name"), field.name);
        xml.writeAttribute(QStringLiteral("kind"), kindName(field.kind));
    }
    xml.writeEndElement();
    xml.writeCharacters(nl);

    if (!pool.pictures().isEmpty()) {
        xml.writeStartElement(QStringLiteral("Pictures"));
        xml.writeCharacters(nl);
        for (const QByteArray& picture : pool.pictures()) {
            xml.writeTextElement(QStringLiteral("Picture"), QString::fromLatin1(picture.toBase64()));
            xml.writeCharacters(nl);
        }
        xml.writeEndElement();
        xml.writeCharacters(nl);
    }

    xml.writeStartElement(QStringLiteral("Records"));
    xml.writeCharacters(nl);
    const QString v = QStringLiteral("V");
    const QString n = QStringLiteral("N");
    auto nextPicture = pictureIds.cbegin();
    for (const TableRecordValues* record : records) {
        xml.writeStartElement(QStringLiteral("R"));
        for (qsizetype f = 0; f < schema.size(); ++f) {
            const QVariant& value = (*record)[f];
            if (!value.isValid()) {
                xml.writeEmptyElement(n);
                continue;
            }
            switch (schema[f].kind) {
            case FieldKind::Text:
            case FieldKind::LongText: {
                const QString text = value.toString();
                if (xmlCanCarry(text))
                    xml.writeTextElement(v, text);
                else
                    xml.writeTextElement(QStringLiteral("B"),
                                         QString::fromLatin1(utf16Bytes(text).toBase64()));
                break;
            }
            case FieldKind::Integer:
                xml.writeTextElement(v, QString::number(value.toInt()));
                break;
            case FieldKind::DateTime:
                xml.writeTextElement(v, dateTimeText(value.toDateTime()));
                break;
            case FieldKind::Picture:
                xml.writeEmptyElement(QStringLiteral("P"));
                xml.writeAttribute(QStringLiteral("i"), QString::number(*nextPicture++));
                break;
            }
        }
        xml.writeEndElement();
        xml.writeCharacters(nl);
    }
    xml.writeEndElement();
    xml.writeCharacters(nl);
    xml.writeEndElement();
    xml.writeCharacters(nl);
    xml.writeEndDocument();

    if (xml.hasError()) fail(file.errorString());
    if (!file.commit()) fail(file.errorString());
}
