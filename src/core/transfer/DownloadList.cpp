#include "core/transfer/DownloadList.h"

#include "core/base/Errors.h"
#include "core/ftp/ListParse.h"
#include "core/ftp/RemotePath.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/Table.h"
#include "core/transfer/JobRows.h"

namespace {

class RemoteWalk {
public:
    RemoteWalk(TIdFTP& ftp, TTable& events, ListBuild& build)
        : m_ftp(ftp), m_events(events), m_build(build) {}

    // Rows for everything inside `folder` (text and raw path), relative local folder `local`.
    void walk(const QString& folder, const QByteArray& rawFolder, const QString& local) {
        m_ftp.ChangeDir(rawFolder);
        m_ftp.List(nullptr, QByteArray(), true);
        const QList<TIdFTPListItem> entries = m_ftp.DirectoryListing(); // kept: the walk lists deeper folders
        for (const TIdFTPListItem& e : entries)
            if (e.ItemType != ditDirectory && usable(e, folder)) add(e, folder, rawFolder, local);
        for (const TIdFTPListItem& e : entries) {
            if (e.ItemType != ditDirectory || e.FileName == u"." || e.FileName == u"..") continue;
            if (!usable(e, folder)) continue;
            add(e, folder, rawFolder, local);
            walk(folder + u'/' + e.FileName, joinRemotePath(rawFolder, e.RawName), local + e.FileName + u'/');
        }
    }

    bool usable(const TIdFTPListItem& e, const QString& folder) {
        if (e.FileName == u"." || e.FileName == u"..") return false;
        if (e.ItemType == ditSymbolicLink || e.ItemType == ditSymbolicLinkDir) {
            m_build.skipped << folder + u'/' + e.FileName + QStringLiteral(" (a link)");
            return false;
        }
        if (!isSafeRemoteName(e.FileName)) {
            m_build.skipped << folder + u'/' + e.FileName + QStringLiteral(" (not a usable file name)");
            return false;
        }
        return true;
    }

    void add(const TIdFTPListItem& e, const QString& folder, const QByteArray& rawFolder,
             const QString& local) {
        const JobRow row = remoteJobRow(e, folder, local);
        appendJobRow(m_events, row);
        m_build.rawRemote.insert(row.remote, joinRemotePath(rawFolder, e.RawName));
        m_build.sizes.insert(row.remote, e.Size);
    }

private:
    TIdFTP& m_ftp;
    TTable& m_events;
    ListBuild& m_build;
};

} // namespace

ListBuild buildDownloadList(TIdFTP& ftp, const QList<RemoteSelection>& selection, TTable& events) {
    ListBuild build;
    events.emptyDataSet();
    const QString start = ftp.RetrieveCurrentDir();
    const QByteArray rawStart = ftp.encodeText(start);
    build.folder = start;
    build.rawFolder = rawStart;
    // The selection's own entries, as the listing of the current folder describes them.
    ftp.List(nullptr, QByteArray(), true);
    const QList<TIdFTPListItem> here = ftp.DirectoryListing();
    auto find = [&](const RemoteSelection& s) -> const TIdFTPListItem* {
        for (const TIdFTPListItem& e : here)
            if (e.RawName == s.rawName || (s.rawName.isEmpty() && e.FileName == s.name)) return &e;
        return nullptr;
    };
    RemoteWalk walk(ftp, events, build);
    QList<const TIdFTPListItem*> folders, files;
    for (const RemoteSelection& s : selection) {
        if (s.name == u"." || s.name == u"..") continue;
        const TIdFTPListItem* e = find(s);
        if (!e) throw QeltoError(QStringLiteral("\"%1\" is no longer in the folder %2").arg(s.name, start));
        if (!walk.usable(*e, start == u"/" ? QString() : start)) continue;
        (e->ItemType == ditDirectory ? folders : files) << e;
    }
    const QString base = start == u"/" ? QString() : start;
    for (const TIdFTPListItem* e : folders)
        walk.add(*e, base, rawStart, QString());
    for (const TIdFTPListItem* e : folders)
        walk.walk(base + u'/' + e->FileName, joinRemotePath(rawStart, e->RawName), e->FileName + u'/');
    for (const TIdFTPListItem* e : files)
        walk.add(*e, base, rawStart, QString());
    if (!folders.isEmpty()) ftp.ChangeDir(rawStart);
    events.first();
    return build;
}
