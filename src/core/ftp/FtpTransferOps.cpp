// The transfer operations of TIdFTP: List, DirectoryListing, Get and Put.
#include "core/ftp/FtpTransfer.h"
#include "core/ftp/FtpErrors.h"
#include "core/ftp/FtpTransferFile.h"
#include "core/ftp/ListLineParse.h"
#include "core/ftp/TIdFTP.h"

#include <QBuffer>
#include <QFileInfo>
#include <QStringDecoder>
#include <utility>

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

// Lines end with CR LF or a lone LF; a last line without its end still counts. The lines are views into
// `data`: a large folder's listing is not copied line by line.
QList<QByteArrayView> splitLines(const QByteArray& data) {
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype end = data.indexOf('\n', start);
        const qsizetype next = end < 0 ? data.size() : end + 1;
        if (end < 0) end = data.size();
        if (end > start && data[end - 1] == '\r') --end;
        lines.append(QByteArrayView(data.constData() + start, end - start));
        start = next;
    }
    return lines;
}

QByteArray withArgument(const char* command, const QByteArray& argument) {
    return argument.isEmpty() ? QByteArray(command) : QByteArray(command) + ' ' + argument;
}

} // namespace

void TIdFTP::List(QStringList* lines, const QString& specifier, bool details) {
    List(lines, encodeText(specifier.trimmed()), details);
}

void TIdFTP::List(QStringList* lines, const QByteArray& specifier, bool details) {
    refuseWhileBusy();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const QString tooLarge = QStringLiteral("Listing too large");
    const bool mlsd = details && m_useMLIS && m_canUseMLS;
    if (mlsd) {
        FtpTransfer(*this, FtpTransfer::Download, withArgument("MLSD", specifier), true)
            .run(buffer, -1, MaxListingBytes, tooLarge);
    } else {
        const TIdFTPTransferType previous = m_transferType;
        setTransferType(ftASCII);
        try {
            // "-a" shows dot-files; a server that takes it for a name refuses it, and plain LIST follows.
            const bool tryAll = details && specifier.isEmpty() && !m_listAllRefused;
            const ListAllResult all = tryAll ? listAll(buffer) : ListAllResult::Refused;
            if (all != ListAllResult::Listed) {
                buffer.buffer().clear();
                buffer.seek(0);
                FtpTransfer(*this, FtpTransfer::Download, withArgument(details ? "LIST" : "NLST", specifier),
                            true)
                    .run(buffer, -1, MaxListingBytes, tooLarge);
            }
            // 450 to "-a" and files to plain LIST: the option was the trouble. 450 to both: an empty folder.
            if (all == ListAllResult::Refused || (all == ListAllResult::NoFiles && !buffer.data().isEmpty()))
                m_listAllRefused = tryAll;
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
    FtpListResult result;
    result.data = buffer.data();
    buffer.close();
    buffer.setData(QByteArray()); // `data` is then the only owner of the bytes, kept at their size
    result.data.squeeze();
    result.rawLines = splitLines(result.data);
    result.mlsd = mlsd;
    result.details = details;
    result.utf8 = m_utf8;
    m_listResult = std::move(result);
    m_directoryListing.reset();
    m_listUnknownReported = false;
    if (lines) *lines = m_listResult.lines();
}

QStringList FtpListResult::lines() const {
    QStringList text;
    text.reserve(rawLines.size());
    for (const QByteArrayView line : rawLines)
        text.append(decodeLine(line, !mlsd && utf8));
    return text;
}

TIdFTP::ListAllResult TIdFTP::listAll(QBuffer& buffer) {
    try {
        FtpTransfer(*this, FtpTransfer::Download, "LIST -a", true)
            .run(buffer, -1, MaxListingBytes, QStringLiteral("Listing too large"));
    } catch (const FtpReplyError& error) {
        // 421 ends the session; any other refusal is about the option.
        if (error.code() < 400 || error.code() == 421) throw;
        return ListAllResult::Refused;
    }
    // A passive listing takes 450 as "no files"; a server that read "-a" as a name says the same.
    return m_lastCmdResult.code == 450 ? ListAllResult::NoFiles : ListAllResult::Listed;
}

const QList<TIdFTPListItem>& TIdFTP::DirectoryListing() {
    if (m_directoryListing) return *m_directoryListing;
    QList<TIdFTPListItem> items;
    items.reserve(m_listResult.rawLines.size());
    forEachListedEntry([&](TIdFTPListItem& item) { items.append(std::move(item)); });
    m_directoryListing = std::move(items);
    return *m_directoryListing;
}

void TIdFTP::forEachListedEntry(const std::function<void(TIdFTPListItem&)>& visit) {
    if (m_directoryListing) {
        for (TIdFTPListItem item : std::as_const(*m_directoryListing))
            visit(item);
        return;
    }
    m_listUnknownLines = 0;
    if (m_listResult.details && !m_listResult.mlsd) {
        const QDateTime now = QDateTime::currentDateTime();
        int unknown = 0;
        for (const QByteArrayView line : m_listResult.rawLines) {
            ListLine parsed = parseListLine(line, m_listResult.utf8, now);
            if (parsed.kind == ListLineKind::Entry)
                visit(parsed.item);
            else if (parsed.kind == ListLineKind::Unknown)
                ++unknown;
        }
        m_listUnknownLines = unknown;
        // Said once for each listing, however often its entries are walked.
        if (unknown > 0 && !std::exchange(m_listUnknownReported, true))
            doStatus(hsStatusText,
                     QStringLiteral("%1 listing lines could not be read and were left out").arg(unknown));
        return;
    }
    ListingParser parser(m_listResult.mlsd, m_listResult.details, m_listResult.utf8);
    for (const QByteArrayView line : m_listResult.rawLines)
        if (auto item = parser.parse(line)) visit(*item);
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
    Get(encodeText(source), localFile, canOverwrite, resume);
}

void TIdFTP::Get(const QByteArray& source, const QString& localFile, bool canOverwrite, bool resume) {
    refuseWhileBusy();
    const bool resuming = resume && serverCanResume();
    DownloadFile file(localFile, canOverwrite, resuming);
    FtpTransfer(*this, FtpTransfer::Download, "RETR " + source)
        .run(file.device(), resuming ? file.restartAt() : -1);
    file.commit();
}

void TIdFTP::GetResumable(const QByteArray& source, const QString& localFile, const QString& partKey,
                          qint64 expectedSize) {
    refuseWhileBusy();
    DownloadFile file(localFile, partKey);
    qint64 from = file.partLength();
    // A kept file as long as the listed one (or longer) cannot tell a finished download from another
    // version: the file comes anew, as it does from a server without REST.
    if (from > 0 && ((expectedSize >= 0 && from >= expectedSize) || !serverCanResume())) {
        file.startOver();
        from = 0;
    }
    if (from > 0)
        doStatus(ftpTransfer, QStringLiteral("Resuming the download at byte %1").arg(from));
    FtpTransfer(*this, FtpTransfer::Download, "RETR " + source).run(file.device(), from > 0 ? from : -1);
    const qint64 length = file.device().size();
    // Fewer bytes than listed, and a closing 226 all the same: a data connection cut on the way looks like
    // this, and so does a file that shrank since the listing. The server's SIZE tells them apart; a cut
    // one stays hidden, to go on from another time.
    if (from == 0 && expectedSize >= 0 && length < expectedSize && m_transferType == ftBinary) {
        const qint64 now = Size(source);
        if (now != length)
            throw QeltoError(QStringLiteral("Partial file: %1 of the %2 bytes the server listed came").arg(length).arg(expectedSize),
                             ErrorCategory::ConnectionLost);
    }
    if (from > 0 && expectedSize >= 0) {
        if (length != expectedSize) {
            file.discard();
            throw QeltoError(QStringLiteral("The resumed file has %1 bytes where the server listed %2; it was "
                                            "discarded")
                                 .arg(length)
                                 .arg(expectedSize),
                             ErrorCategory::Protocol);
        }
    }
    file.commit();
}

void TIdFTP::Put(const QString& localFile, const QString& destination, bool append) {
    Put(localFile, encodeText(destination.isEmpty() ? QFileInfo(localFile).fileName() : destination), append);
}

void TIdFTP::Put(const QString& localFile, const QByteArray& destination, bool append, qint64 from) {
    refuseWhileBusy();
    if (destination.isEmpty()) throw QeltoError(QStringLiteral("The destination filename can not be empty"));
    QFile file(localFile);
    openUploadSource(file);
    if (from > 0 && !file.seek(from))
        throw QeltoError(QStringLiteral("Cannot read file \"%1\". %2").arg(localFile, file.errorString()),
                         ErrorCategory::LocalFile);
    FtpTransfer(*this, FtpTransfer::Upload, (append ? "APPE " : "STOR ") + destination).run(file);
}
