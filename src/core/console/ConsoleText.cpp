#include "core/console/ConsoleText.h"

#include "core/base/TextFormat.h"

namespace {

const QString crlf = QStringLiteral("\r\n");
const QChar tab = u'\t';

QString eolToCrLf(const QString& block) {
    QString out = block;
    out.replace(QStringLiteral("<EOL>"), crlf, Qt::CaseInsensitive);
    return out;
}

} // namespace

ConsoleCommand parseConsoleCommand(const QString& typed) {
    if (typed.trimmed().isEmpty()) return {};
    qsizetype start = 0;
    while (start < typed.size() && typed[start].isSpace())
        ++start;
    qsizetype end = start;
    while (end < typed.size() && !typed[end].isSpace())
        ++end;
    const QString line = typed.left(start) + typed.mid(start, end - start).toUpper() + typed.mid(end);

    if (line == u"QUIT" || line == u"BYE" || line == u"CLOSE") return {ConsoleAction::Disconnect, line};
    if (line == u"PASV") return {ConsoleAction::ExtendedPassive, QStringLiteral("EPSV = TRUE")};
    if (line == u"LIST" || line == u"DIR") return {ConsoleAction::DirectoryReport, line};
    return {ConsoleAction::Send, line};
}

QString consoleSentText(const QString& block) {
    QString shown = block;
    if (shown.startsWith(QStringLiteral("PASS "), Qt::CaseInsensitive)) {
        const qsizetype eol = shown.indexOf(QStringLiteral("<EOL>"), 0, Qt::CaseInsensitive);
        shown = shown.left(5) + QStringLiteral("***") + (eol >= 0 ? shown.mid(eol) : QString());
    }
    return QStringLiteral("Command >> ") + eolToCrLf(shown);
}

QString consoleReceivedText(const QString& block) {
    return eolToCrLf(block);
}

QString consoleSizeText(qint64 size) {
    if (size >= 1000000) return QString::number(size / 1000000) + QStringLiteral(" MByte");
    if (size >= 1000) return QString::number(size / 1000) + QStringLiteral(" KByte");
    return QString::number(size) + QStringLiteral(" Byte");
}

QStringList consoleDirectoryReport(const QList<TIdFTPListItem>& entries, const QLocale& locale) {
    QStringList appends{crlf, QStringLiteral("[ ----- FTP SERVER DIRECTORIES ----- ]") + crlf};
    for (const TIdFTPListItem& entry : entries)
        if (entry.ItemType == ditDirectory) appends << QStringLiteral("<DIR>") + tab + entry.FileName;
    appends << crlf << QStringLiteral("[ ----- FTP SERVER FILES ----- ]") + crlf;
    for (const TIdFTPListItem& entry : entries) {
        if (entry.ItemType == ditDirectory) continue;
        appends << QStringLiteral("File name:") + tab + entry.FileName;
        appends << QStringLiteral("File size:") + tab + tab + consoleSizeText(entry.Size);
        appends << QStringLiteral("Modified:") + tab + tab + QStringLiteral("Date: ") +
                       formatDateTime(QStringLiteral("dd/mm/yyyy"), entry.ModifiedDate, locale) +
                       QStringLiteral("; Time:") +
                       formatDateTime(QStringLiteral("hh:nn:ss.zzz"), entry.ModifiedDate, locale);
        appends << QStringLiteral("Permisions:") + tab + entry.PermissionDisplay + crlf;
    }
    return appends;
}
