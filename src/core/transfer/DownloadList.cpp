#include "core/transfer/DownloadList.h"

#include "core/base/Errors.h"
#include "core/ftp/ListParse.h"
#include "core/ftp/RemotePath.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/Table.h"
#include "core/transfer/JobRows.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <optional>

namespace {

class RemoteWalk {
public:
    RemoteWalk(TIdFTP& ftp, TTable& events, ListBuild& build, const ListOptions& options)
        : m_ftp(ftp), m_events(events), m_build(build), m_options(options) {}

    // Rows for everything inside `folder` (text and raw path), relative local folder `local`.
    void walk(const QString& folder, const QByteArray& rawFolder, const QString& local, int depth) {
        if (m_options.cancelled && m_options.cancelled())
            throw QeltoError(QStringLiteral("Job cancelled"), ErrorCategory::Aborted);
        if (depth > m_options.maxDepth)
            throw QeltoError(QStringLiteral("The folder %1 lies more than %2 levels deep: the list was not made")
                                 .arg(folder)
                                 .arg(m_options.maxDepth));
        m_ftp.ChangeDir(rawFolder);
        const QList<TIdFTPListItem> entries = listHere(folder); // kept: the walk lists deeper folders
        for (const TIdFTPListItem& e : entries)
            if (e.ItemType != ditDirectory && usable(e, folder)) add(e, folder, rawFolder, local);
        for (const TIdFTPListItem& e : entries) {
            if (e.ItemType != ditDirectory || !usable(e, folder) || !add(e, folder, rawFolder, local)) continue;
            walk(folder + u'/' + e.FileName, joinRemotePath(rawFolder, e.RawName), local + e.FileName + u'/',
                 depth + 1);
        }
    }

    // The entries of the current folder (`folder` names it in reports). Where links must be told apart
    // and the listing came from MLSD, which describes a link by what it leads to, the plain LIST of the
    // folder settles each entry: a link there is a link here, and a folder it does not show as a folder
    // is left out. Only the walks that ask pay for the second listing.
    QList<TIdFTPListItem> listHere(const QString& folder) {
        m_ftp.List(nullptr, QByteArray(), true);
        QList<TIdFTPListItem> entries = m_ftp.DirectoryListing();
        if (!m_options.confirmLinks || !m_ftp.ListResult().mlsd) return entries;
        const bool anyEntry = std::any_of(entries.cbegin(), entries.cend(), [](const TIdFTPListItem& e) {
            return e.FileName != u"." && e.FileName != u"..";
        });
        if (!anyEntry) return entries;
        const bool mlis = m_ftp.useMLIS();
        m_ftp.setUseMLIS(false);
        try {
            m_ftp.List(nullptr, QByteArray(), true);
        } catch (...) {
            m_ftp.setUseMLIS(mlis);
            throw;
        }
        m_ftp.setUseMLIS(mlis);
        QSet<QByteArray> folders, links;
        for (const TIdFTPListItem& e : m_ftp.DirectoryListing()) {
            if (e.ItemType == ditDirectory) folders.insert(e.RawName);
            if (isLink(e)) links.insert(e.RawName);
        }
        QList<TIdFTPListItem> settled;
        settled.reserve(entries.size());
        for (TIdFTPListItem& e : entries) {
            if (links.contains(e.RawName)) {
                e.ItemType = ditSymbolicLink;
            } else if (e.ItemType == ditDirectory && !folders.contains(e.RawName) && e.FileName != u"." &&
                       e.FileName != u"..") {
                m_build.skipped << folder + u'/' + e.FileName +
                                       QStringLiteral(" (a folder the plain listing does not show as one)");
                continue;
            }
            settled << e;
        }
        return settled;
    }

    bool usable(const TIdFTPListItem& e, const QString& folder) {
        if (e.FileName == u"." || e.FileName == u"..") return false;
        if (isLink(e) && !m_options.linksAsFiles) {
            m_build.skipped << folder + u'/' + e.FileName + QStringLiteral(" (a link)");
            return false;
        }
        if (!isSafeRemoteName(e.FileName)) {
            m_build.skipped << folder + u'/' + e.FileName + QStringLiteral(" (not a usable file name)");
            return false;
        }
        return true;
    }

    // Writes the row; false when its local path is taken by an earlier row (the row is then left out).
    bool add(const TIdFTPListItem& e, const QString& folder, const QByteArray& rawFolder, const QString& local) {
        const JobRow row = remoteJobRow(e, folder, local);
        if (m_options.localNames != LocalNames::Unchecked) {
            const QString key = m_options.localNames == LocalNames::IgnoreCase ? row.local.toCaseFolded() : row.local;
            const auto earlier = m_locals.constFind(key);
            if (earlier != m_locals.cend()) {
                m_build.skipped << row.remote + QStringLiteral(" (its local name is the one of %1)").arg(*earlier);
                return false;
            }
            m_locals.insert(key, row.remote);
        }
        appendJobRow(m_events, row);
        m_build.rawRemote.append(joinRemotePath(rawFolder, e.RawName));
        m_build.sizes.append(e.Size);
        return true;
    }

private:
    static bool isLink(const TIdFTPListItem& e) {
        return e.ItemType == ditSymbolicLink || e.ItemType == ditSymbolicLinkDir;
    }

    TIdFTP& m_ftp;
    TTable& m_events;
    ListBuild& m_build;
    const ListOptions& m_options;
    QHash<QString, QString> m_locals; // local path (folded when the file system ignores case) -> remote path
};

} // namespace

ListBuild buildDownloadList(TIdFTP& ftp, const QList<RemoteSelection>& selection, TTable& events,
                            const ListOptions& options) {
    ListBuild build;
    events.emptyDataSet();
    const QString start = absoluteCurrentDir(ftp);
    const QByteArray rawStart = ftp.encodeText(start);
    build.folder = start;
    build.rawFolder = rawStart;
    const QString base = start == u"/" ? QString() : start;
    RemoteWalk walk(ftp, events, build, options);
    // The selection's own entries, as the listing of the current folder describes them.
    const QList<TIdFTPListItem> here = walk.listHere(base);
    auto find = [&](const RemoteSelection& s) -> const TIdFTPListItem* {
        for (const TIdFTPListItem& e : here)
            if (e.RawName == s.rawName || (s.rawName.isEmpty() && e.FileName == s.name)) return &e;
        return nullptr;
    };
    QList<const TIdFTPListItem*> folders, files;
    for (const RemoteSelection& s : selection) {
        if (s.name == u"." || s.name == u"..") continue;
        const TIdFTPListItem* e = find(s);
        if (!e) {
            // Left out by the plain listing (and said so), or gone.
            if (options.confirmLinks && !build.skipped.isEmpty()) continue;
            throw QeltoError(QStringLiteral("\"%1\" is no longer in the folder %2").arg(s.name, start));
        }
        if (!walk.usable(*e, base)) continue;
        (e->ItemType == ditDirectory ? folders : files) << e;
    }
    QList<const TIdFTPListItem*> written;
    for (const TIdFTPListItem* e : folders)
        if (walk.add(*e, base, rawStart, QString())) written << e;
    try {
        for (const TIdFTPListItem* e : written)
            walk.walk(base + u'/' + e->FileName, joinRemotePath(rawStart, e->RawName), e->FileName + u'/', 1);
    } catch (...) {
        // However the walk ended, the connection goes back to where the selection was made.
        if (ftp.Connected()) {
            try {
                ftp.ChangeDir(rawStart);
            } catch (const QeltoError&) {
            }
        }
        throw;
    }
    for (const TIdFTPListItem* e : files)
        walk.add(*e, base, rawStart, QString());
    if (!written.isEmpty()) ftp.ChangeDir(rawStart);
    events.first();
    return build;
}

QString absoluteCurrentDir(TIdFTP& ftp) {
    const QString folder = ftp.RetrieveCurrentDir();
    if (!folder.startsWith(u'/'))
        throw QeltoError(QStringLiteral("The server does not say which folder is current (its PWD reply names no "
                                        "absolute path), so no job can be made here"),
                         ErrorCategory::Protocol);
    return folder;
}

bool folderIgnoresCase(const QString& folder) {
    const QString lower = QStringLiteral("/.qelto-case-%1").arg(QCoreApplication::applicationPid());
    QFile probe(folder + lower);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return false;
    probe.close();
    const bool ignores = QFile::exists(folder + lower.toUpper());
    probe.remove();
    return ignores;
}
