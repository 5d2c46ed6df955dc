#pragma once

#include "core/tables/Table.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QVariant>
#include <vector>

// Table files. Layout (UTF-8 XML, one record a line):
//
//   <QeltoTable name="FTPServers" version="1">
//   <Fields><Field name="No" kind="integer"/>...</Fields>
//   <Pictures><Picture>base64 of a 32-bit BMP</Picture>...</Pictures>
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

// Reads a table file written for `schema`. Throws QeltoError "<table>: <file> is not a valid table
// file (<reason>)" for anything else: bad XML, other fields, values that do not fit, oversized input.
std::vector<TableRecordValues> readTableFile(const QString& tableName, const QString& fileName,
                                             const QList<FieldDef>& schema);

// Writes through a temporary file that replaces `fileName` only when complete; the file is 0600.
// Throws QeltoError "<table>: cannot save <file> (<reason>)".
void writeTableFile(const QString& tableName, const QString& fileName, const QList<FieldDef>& schema,
                    const std::vector<const TableRecordValues*>& records);

// 32-bit BMP with an alpha mask (BITMAPV4HEADER, bottom-up rows); Qt's own BMP writer drops alpha.
QByteArray encodeBmp(const QImage& image);
// Decodes BMP data; a null image when the data is no BMP or larger than 4096 x 4096.
QImage decodeBmp(const QByteArray& data);
