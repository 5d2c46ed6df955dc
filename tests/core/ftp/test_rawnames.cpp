// Names as the server's bytes: a listed entry goes back into CWD, DELE, RNFR and RETR exactly as the
// server named it, with and without the UTF8 feature; text the connection cannot carry is refused.
#include "core/ftp/RemotePath.h"
#include "core/ftp/TIdFTP.h"
#include "support/FtpTestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ftptest;

namespace {

// Bytes as a script text: bytes above 0x7F as \xNN escapes.
QString escaped(const QByteArray& bytes) {
    QString text;
    for (const char c : bytes)
        text += uchar(c) < 0x80 ? QString(QLatin1Char(c)) : QStringLiteral("\\x%1").arg(uchar(c), 2, 16);
    return text;
}

QStringList login(bool utf8) {
    return ss({"S 220 Ready", "C USER alice", "S 230 Logged in", "C FEAT"}) +
           (utf8 ? ss({"R 211-Features\\r\\n MLSD\\r\\n UTF8\\r\\n211 End\\r\\n", "C OPTS UTF8 ON",
                       "S 200 ok"})
                 : ss({"R 211-Features\\r\\n MLSD\\r\\n211 End\\r\\n"})) +
           ss({"C TYPE A", "S 200 ok", "C SYST", "S 215 UNIX", "C TYPE A", "S 200 ok"});
}

QStringList passive(const QString& command) {
    return {s("L"), s("C PASV"),    s("S 227 (127,0,0,1,{p1},{p2})"), s("CB ") + command,
            s("A"), s("S 150 Here")};
}

TEST(FtpRawNames, ListedNamesGoBackAsTheirBytes) {
    const struct {
        const char* name;
        bool utf8;
        QByteArray folder, file; // as the server lists them
        QString folderText, fileText;
        QString typed;        // a name typed by the user
        QByteArray typedWire; // as it goes out
        QString refused;      // a name the connection cannot carry
    } cases[] = {
        {"without UTF8", false, "Caf\xC3\xA9", "\xE2\x82\xAC.txt", s("Café"), s("€.txt"), s("Café"),
         "Caf\xE9", s("€.txt")},
        {"with UTF8, Latin-1 names", true, "caf\xE9", "\xE9t\xE9.txt", s("café"), s("été.txt"), s("café"),
         "caf\xC3\xA9", QString(QChar(char16_t(0xD800))) + s(".txt")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString listing =
            s("D type=dir; %1\\r\\ntype=file;size=1; %2\\r\\n").arg(escaped(c.folder), escaped(c.file));
        ScriptedServer server(
            login(c.utf8) + passive(s("MLSD")) + QStringList{listing, s("DX"), s("S 226 Done")} +
            QStringList{s("CB CWD ") + escaped(c.folder), s("S 250 ok"), s("CB DELE ") + escaped(c.file),
                        s("S 250 ok"), s("CB RNFR ") + escaped(c.file), s("S 350 ok"), s("C RNTO new"),
                        s("S 250 ok")} +
            passive(s("RETR ") + escaped(c.file)) +
            QStringList{s("D x"), s("DX"), s("S 226 Done"), s("CB CWD ") + escaped(c.typedWire),
                        s("S 250 ok")});
        TIdFTP ftp;
        connectPassive(ftp, server.port());
        ASSERT_EQ(ftp.usingUtf8(), c.utf8);
        ftp.List(nullptr);
        const QList<TIdFTPListItem>& items = ftp.DirectoryListing();
        ASSERT_EQ(items.size(), 2);
        EXPECT_EQ(items[0].FileName, c.folderText);
        EXPECT_EQ(items[0].RawName, c.folder);
        EXPECT_EQ(items[1].FileName, c.fileText);
        EXPECT_EQ(items[1].RawName, c.file);
        const QByteArray file = items[1].RawName;

        ftp.ChangeDir(items[0].RawName);
        ftp.Delete(file);
        ftp.Rename(file, QByteArray("new"));
        QTemporaryDir dir;
        ftp.Get(file, dir.filePath(s("got")), true);
        EXPECT_EQ(readFile(dir.filePath(s("got"))), QByteArray("x"));
        // Typed text goes out in the connection's encoding, or not at all.
        EXPECT_EQ(
            errorOf([&] { ftp.Delete(c.refused); }),
            s("Cannot send \"%1\": the connection's character encoding cannot carry it").arg(c.refused));
        EXPECT_EQ(
            errorOf([&] { ftp.Rename(s("a"), c.refused); }),
            s("Cannot send \"%1\": the connection's character encoding cannot carry it").arg(c.refused));
        ftp.ChangeDir(c.typed);
        ftp.Disconnect();

        const QStringList sent = server.session();
        EXPECT_FALSE(sent.join(u'\n').contains(s("!!"))) << sent.join(u'\n').toStdString();
        EXPECT_EQ(sent.mid(sent.size() - 2),
                  QStringList({QString::fromLatin1("CWD " + c.typedWire), s("QUIT")}));
    }
}

TEST(FtpRawNames, JoinAFolderAndAName) {
    const struct {
        QByteArray folder, name, joined;
    } cases[] = {
        {"/pub", "Caf\xE9", "/pub/Caf\xE9"},
        {"/", "a", "/a"},
        {"/pub/", "a b", "/pub/a b"},
        {"", "a", "a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(joinRemotePath(c.folder, c.name), c.joined) << c.folder.constData();
}

} // namespace
