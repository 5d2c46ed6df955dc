#include "core/tables/Schemas.h"

namespace {

QList<FieldDef> fieldsOf(std::initializer_list<const char16_t*> names, FieldKind kind) {
    QList<FieldDef> fields;
    for (const char16_t* name : names)
        fields.append({QString::fromUtf16(name), kind});
    return fields;
}

} // namespace

QList<FieldDef> permissionsSchema() {
    return {
        {QStringLiteral("No"), FieldKind::Text},
        {QStringLiteral("Name"), FieldKind::Text},
        {QStringLiteral("Type"), FieldKind::Text},
        {QStringLiteral("Icon"), FieldKind::Picture}, // reached by name only; position 3 is never addressed
        {QStringLiteral("Size"), FieldKind::Text},
        {QStringLiteral("SizeValue"), FieldKind::Integer},
        {QStringLiteral("Date"), FieldKind::Text},
        {QStringLiteral("DateValue"), FieldKind::DateTime},
        {QStringLiteral("Time"), FieldKind::Text},
        {QStringLiteral("TimeValue"), FieldKind::DateTime},
        {QStringLiteral("Permissions"), FieldKind::Text},
    };
}

QList<FieldDef> ftpEventsSchema() {
    QList<FieldDef> fields = fieldsOf({u"No", u"Name", u"Type", u"Size"}, FieldKind::Text);
    fields.append({QStringLiteral("SizeValue"), FieldKind::Integer});
    fields += fieldsOf({u"Date", u"Time", u"Permissions", u"Status", u"Remote", u"Local", u"Event",
                        u"StartTime", u"EndTime", u"EventDate"},
                       FieldKind::Text);
    return fields;
}

QList<FieldDef> ftpServersSchema() {
    QList<FieldDef> fields{{QStringLiteral("No"), FieldKind::Integer}};
    fields +=
        fieldsOf({u"URLAlias",     u"FTPServer",    u"FTPServerIP",      u"UserID",        u"Password",
                  u"Port",         u"TransferType", u"UseTLS",           u"Passive",       u"PortMin",
                  u"PortMax",      u"DataPort",     u"ExentionDataPort", u"ReadTimeOut",   u"TransferTimeOut",
                  u"NATFastTrack", u"MLIS",         u"UseProxy",         u"ProxyType",     u"Host",
                  u"Address",      u"ProxyHost",    u"ProxyUserID",      u"ProxyPassword", u"ProxyPort",
                  u"EditDate",     u"EditTime"},
                 FieldKind::Text);
    return fields;
}

QList<FieldDef> fileInfoSchema() {
    QList<FieldDef> fields{
        {QStringLiteral("No"), FieldKind::Integer},           {QStringLiteral("Extention"), FieldKind::Text},
        {QStringLiteral("Information"), FieldKind::LongText}, {QStringLiteral("FileType"), FieldKind::Text},
        {QStringLiteral("FileGroup"), FieldKind::Text},       {QStringLiteral("Popularity"), FieldKind::Text},
    };
    fields += fieldsOf({u"Pictures24x24", u"Pictures32x32", u"Pictures48x48", u"Pictures64x64",
                        u"Picttures128x128", u"Pictures256x256"},
                       FieldKind::Picture);
    return fields;
}

TableSpec permissionsTable() {
    return {QStringLiteral("Permissions"), QStringLiteral("Permisions.XML"), permissionsSchema()};
}

TableSpec ftpEventsTable() {
    return {QStringLiteral("FTPEvents"), QStringLiteral("FTPEvents.XML"), ftpEventsSchema()};
}

TableSpec ftpServersTable() {
    return {QStringLiteral("FTPServers"), QStringLiteral("FTPServers.XML"), ftpServersSchema()};
}

TableSpec fileInfoTable() {
    return {QStringLiteral("FileInfo"), QStringLiteral("FilesInfo.XML"), fileInfoSchema()};
}

QList<TableSpec> allTables() {
    return {fileInfoTable(), ftpEventsTable(), ftpServersTable(), permissionsTable()};
}
