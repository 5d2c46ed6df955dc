#pragma once

#include "core/tables/Table.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QVariant>
#include <memory>
#include <mutex>
#include <vector>

// Table files. Layout (UTF-8 XML, one record a line):
//
//   <QeltoTable name="FTPServers" version="1">
//   <Fields><Field name="No" kind="integer"/>...</Fields>
//   <Pictures><Picture>base64 of a PNG (a 32-bit BMP in older files)</Picture>...</Pictures>
//   <Records>
//   <R><V>1</V><N/><P i="0"/><B>...</B>...</R>
//   </Records>
//   </QeltoTable>
//
// A record holds one element per field, in field order: V a value as text (integers in decimal,
// date-times as local ISO "yyyy-MM-ddTHH:mm:ss.zzz"), N null, P a picture of the pool by its position
// (listings repeat the same few icons thousands of times), B text holding characters XML cannot carry
// (control characters, CR, unpaired surrogates) as base64 of its UTF-16LE code units. Records are stored
// in insertion order; indexes are not stored. Kinds: text, integer, datetime, picture, longtext.

using TableRecordValues = std::vector<QVariant>;

// A picture as a table file holds it, decoded when it is first asked for: a catalogue holds thousands
// of icons in six sizes, of which a window shows a few. Copies share the bytes and the decoded image.
// The table reader checks the format and the dimensions; damaged pixel data decodes to a null image.
class StoredPicture {
public:
    StoredPicture() = default;
    explicit StoredPicture(QByteArray encoded);
    const QByteArray& encoded() const;
    bool isPng() const;
    QImage image() const;
    // Equal bytes, or equal decoded images.
    bool operator==(const StoredPicture& other) const;

private:
    struct Data {
        QByteArray encoded;
        std::once_flag decodeOnce;
        QImage image;
    };
    std::shared_ptr<Data> m_data;
};

// The picture of a table value: a QImage, or a StoredPicture decoded now; a null image otherwise.
QImage pictureOf(const QVariant& value);

// Reads a table file written for `schema`. Throws QeltoError "<table>: <file> is not a valid table
// file (<reason>)" for anything else: bad XML, other fields, values that do not fit, oversized input.
std::vector<TableRecordValues> readTableFile(const QString& tableName, const QString& fileName,
                                             const QList<FieldDef>& schema);
// The same for the bytes of a table file held in memory; `origin` names them in errors.
std::vector<TableRecordValues> readTableData(const QString& tableName, const QString& origin,
                                             const QByteArray& data, const QList<FieldDef>& schema);

// Writes through a temporary file that replaces `fileName` only when complete; the file is 0600.
// Throws QeltoError "<table>: cannot save <file> (<reason>)".
void writeTableFile(const QString& tableName, const QString& fileName, const QList<FieldDef>& schema,
                    const std::vector<const TableRecordValues*>& records);

// 32-bit BMP with an alpha mask (BITMAPV4HEADER, bottom-up rows); Qt's own BMP writer drops alpha.
QByteArray encodeBmp(const QImage& image);
// Decodes BMP data; a null image when the data is no BMP or larger than 4096 x 4096.
QImage decodeBmp(const QByteArray& data);
// PNG of the picture, alpha kept.
QByteArray encodePng(const QImage& image);
// Decodes PNG or BMP data; a null image for anything else or larger than 4096 x 4096.
QImage decodePicture(const QByteArray& data);
