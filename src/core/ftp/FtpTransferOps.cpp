// The transfer operations of TIdFTP: List, DirectoryListing, Get and Put.
#include "core/ftp/FtpTransfer.h"
#include "core/ftp/FtpTransferFile.h"
#include "core/ftp/TIdFTP.h"

#include <QBuffer>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

QString decodeLine(QByteArrayView line, bool utf8) {
    if (utf8) {
        QStringDecoder decoder(QStringDecoder::Utf8,
                               QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        QString text = decoder(line);
        if (!decoder.hasError()) return text;
    }
    return QString::fromLatin1(line);
}

// Lines end with CR LF or a lone LF; a last line without its end still counts.
QStringList listingLines(const QByteArray& data, bool utf8) {
    QStringList lines;
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype end = data.indexOf('\n', start);
        const qsizetype next = end < 0 ? data.size() : end + 1;
        if (end < 0) end = data.size();
        QByteArrayView line(data.constData() + start, end - start);
        if (line.endsWith('\r')) line.chop(1);
        lines.append(decodeLine(line, utf8));
        start = next;
    }
    return lines;
}

} // namespace

void TIdFTP::List(QStringList* lines, const QString& specifier, bool details) {
    refuseWhileBusy();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const QString tooLarge = QStringLiteral("Listing too large");
    const bool mlsd = details && m_useMLIS && m_canUseMLS;
    if (mlsd) {
        const QString command =
            specifier.isEmpty() ? QStringLiteral("MLSD") : QStringLiteral("MLSD ") + specifier;
        FtpTransfer(*this, FtpTransfer::Download, command, true).run(buffer, -1, MaxListingBytes, tooLarge);
    } else {
        const QString command =
            QString((details ? QStringLiteral("LIST") : QStringLiteral("NLST")) + u' ' + specifier).trimmed();
        const TIdFTPTransferType previous = m_transferType;
        setTransferType(ftASCII);
        try {
            FtpTransfer(*this, FtpTransfer::Download, command, true)
                .run(buffer, -1, MaxListingBytes, tooLarge);
        } catch (...) {
            try {
                setTransferType(previous);
            } catch (const QeltoError&) {
                // The listing's failure is the one to report.
            }
            throw;
        }
        setTransferType(previous);
    }
    // MLSD lines stay one byte per character: the listing parse decodes each name by its charset fact.
    m_listResult = FtpListResult{listingLines(buffer.data(), !mlsd && m_utf8), mlsd, details};
    m_directoryListing.reset();
    if (lines) *lines = m_listResult.lines;
}

const QList<TIdFTPListItem>& TIdFTP::DirectoryListing() {
    if (!m_directoryListing)
        m_directoryListing = parseListing(m_listResult.lines, m_listResult.mlsd, m_listResult.details);
    return *m_directoryListing;
}

bool TIdFTP::serverCanResume() {
    if (m_resumeSupport == ResumeSupport::Unknown) {
        const int code = sendCmd(QStringLiteral("REST 1"), {});
        sendCmd(QStringLiteral("REST 0"), {});
        m_resumeSupport = code == 350 ? ResumeSupport::Yes : ResumeSupport::No;
    }
    return m_resumeSupport == ResumeSupport::Yes;
}

void TIdFTP::Get(const QString& source, const QString& localFile, bool canOverwrite, bool resume) {
    refuseWhileBusy();
    const bool resuming = resume && serverCanResume();
    DownloadFile file(localFile, canOverwrite, resuming);
    FtpTransfer(*this, FtpTransfer::Download, QStringLiteral("RETR ") + source)
        .run(file.device(), resuming ? file.restartAt() : -1);
    file.commit();
}

void TIdFTP::Put(const QString& localFile, const QString& destination, bool append) {
    refuseWhileBusy();
    const QString target = destination.isEmpty() ? QFileInfo(localFile).fileName() : destination;
    if (target.isEmpty()) throw QeltoError(QStringLiteral("The destination filename can not be empty"));
    QFile file(localFile);
    openUploadSource(file);
    FtpTransfer(*this, FtpTransfer::Upload,
                (append ? QStringLiteral("APPE ") : QStringLiteral("STOR ")) + target)
        .run(file);
}
