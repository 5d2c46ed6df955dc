#include "core/ftp/MlstFacts.h"

#include "core/ftp/TIdFTP.h"

QString mlstModeRequest(const QStringList& capabilities) {
    // The facts the listing parse reads, apart from perm.
    static const QStringList wanted{QStringLiteral("type"),      QStringLiteral("size"),
                                    QStringLiteral("sizd"),      QStringLiteral("modify"),
                                    QStringLiteral("unix.mode"), QStringLiteral("charset")};
    for (const QString& capability : capabilities) {
        const QString line = capability.trimmed();
        const QString feature = line.section(u' ', 0, 0);
        if (feature.compare(QLatin1String("MLST"), Qt::CaseInsensitive) != 0) continue;
        QStringList request;
        bool modeOffered = false;
        bool modeSent = false;
        bool permSent = false;
        for (QString fact : line.section(u' ', 1).split(u';', Qt::SkipEmptyParts)) {
            fact = fact.trimmed();
            const bool enabled = fact.endsWith(u'*'); // the facts the server sends now are marked so
            if (enabled) fact.chop(1);
            if (fact.compare(QLatin1String("perm"), Qt::CaseInsensitive) == 0) permSent = enabled;
            if (fact.compare(QLatin1String("unix.mode"), Qt::CaseInsensitive) == 0) {
                modeOffered = true;
                modeSent = enabled;
            }
            if (wanted.contains(fact, Qt::CaseInsensitive)) request << fact + u';';
        }
        if (!modeOffered || (modeSent && !permSent)) return QString();
        return QStringLiteral("OPTS MLST ") + request.join(QString());
    }
    return QString();
}

void requestUnixMode(TIdFTP& ftp) {
    const QString line = mlstModeRequest(ftp.Capabilities());
    if (!line.isEmpty()) ftp.SendCmd(line, -1);
}
