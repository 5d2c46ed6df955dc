#include "core/browse/RemoteListing.h"

#include <cmath>

QString ByteSizeText(qint64 n) {
    double value = double(n);
    const char* unit = " Byte";
    if (n >= 1000000) {
        value /= 1000000.0;
        unit = " MByte";
    } else if (n >= 1000) {
        value /= 1000.0;
        unit = " KByte";
    }
    const qint64 rounded = qint64(std::round(value)); // halves away from zero
    return QString::number(rounded).rightJustified(8, u' ') + QLatin1String(unit);
}

QString fileExtensionKey(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0) return {};
    QString key = name.mid(dot);
    if (key.contains(u'\\') || key.contains(u':')) return {};
    for (QChar& c : key)
        if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - (u'a' - u'A'));
    return key;
}

int fileIconIndex(const QString& name, const QStringList& catalogueExtensions) {
    const QString key = fileExtensionKey(name);
    int result = 3;
    for (int i = 0; i < catalogueExtensions.size(); ++i)
        if (catalogueExtensions.at(i) == key) result = i;
    return result;
}

QString JoinRemotePath(const QString& directory, const QString& name) {
    const qsizetype slash = directory.indexOf(u'/');
    if (slash == directory.size() - 1 || directory.isEmpty()) return directory + name;
    return directory + u'/' + name;
}

QString listingRowNumber(int listingPosition, int rowsBefore) {
    return listingPosition > 1 ? QString::number(rowsBefore - 1) : QString();
}
