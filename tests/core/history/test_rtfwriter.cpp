// The RTF of the history pane, read back by an independent reader (unrtf).
#include "core/history/RtfWriter.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace {

const QColor teal(0, 128, 128);
const QColor olive(128, 128, 0);
const QColor historyDefault(64, 128, 128);

void appendLine(QTextCursor& cursor, const QString& text, const QColor& color) {
    QTextCharFormat format;
    if (color.isValid()) format.setForeground(color);
    cursor.insertText(text + u'\n', format);
}

// Runs unrtf on the RTF and gives its output.
QString unrtf(const QByteArray& rtf, const char* mode) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.rtf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size())
        return QStringLiteral("<unwritten>");
    file.close();
    QProcess process;
    process.start(QStringLiteral("unrtf"), {QString::fromLatin1(mode), path});
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return QStringLiteral("<unrtf failed: ") + QString::fromLocal8Bit(process.readAllStandardError()) +
               u'>';
    return QString::fromUtf8(process.readAllStandardOutput());
}

class RtfWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        QTextCursor cursor(&document);
        appendLine(cursor, QStringLiteral("CLIENT SENT:"), teal);
        appendLine(cursor, QStringLiteral("CWD /pub {braces} back\\slash"), teal);
        appendLine(cursor, QStringLiteral("SERVER RESEIVED:"), olive);
        appendLine(cursor, QStringLiteral("250 Directory changed to caf\u00e9 M\u00fcller"), olive);
        appendLine(cursor, QStringLiteral("no colour of its own"), QColor());
        appendLine(cursor, QStringLiteral("a\ttab and \u4e2d\U0001F600 beyond Latin-1"), teal);
        appendLine(cursor, QStringLiteral(". . ."), olive);
    }

    QTextDocument document;
};

} // namespace

TEST_F(RtfWriterTest, TextModeGivesBackTheAsciiLines) {
    const QByteArray rtf = documentToRtf(document, historyDefault, QStringLiteral("Tahoma"), 8);
    ASSERT_TRUE(rtf.startsWith("{\\rtf1"));
    QStringList lines = unrtf(rtf, "--text").split(u'\n');
    // unrtf's header ends with a line of dashes.
    const qsizetype header = lines.indexOf(QStringLiteral("-----------------"));
    ASSERT_GE(header, 0) << lines.join(u'\n').toStdString();
    lines.remove(0, header + 1);
    ASSERT_GE(lines.size(), 5) << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("CLIENT SENT:"));
    EXPECT_EQ(lines[1], QStringLiteral("CWD /pub {braces} back\\slash"));
    EXPECT_EQ(lines[2], QStringLiteral("SERVER RESEIVED:"));
    EXPECT_EQ(lines[4], QStringLiteral("no colour of its own"));
    EXPECT_TRUE(lines.contains(QStringLiteral(". . ."))) << lines.join(u'\n').toStdString();
}

TEST_F(RtfWriterTest, HtmlModeKeepsColoursAndLatin1) {
    const QByteArray rtf = documentToRtf(document, historyDefault, QStringLiteral("Tahoma"), 8);
    const QString html = unrtf(rtf, "--html");
    EXPECT_TRUE(html.contains(QStringLiteral("caf\u00e9 M\u00fcller")) ||
                html.contains(QStringLiteral("caf&eacute;")))
        << html.toStdString();
    const QString lower = html.toLower();
    for (const char* colour : {"#008080", "#808000", "#408080"})
        EXPECT_TRUE(lower.contains(QLatin1String(colour))) << colour << "\n" << html.toStdString();
    // The teal of the sent lines is the colour in force where they stand.
    const qsizetype sent = html.indexOf(QStringLiteral("CLIENT SENT:"));
    const qsizetype tealAt = lower.lastIndexOf(QStringLiteral("#008080"), sent);
    const qsizetype oliveAt = lower.lastIndexOf(QStringLiteral("#808000"), sent);
    EXPECT_GT(tealAt, oliveAt);
}

TEST(RtfWriter, EscapesEverythingOutsidePrintableAscii) {
    QTextDocument document;
    QTextCursor cursor(&document);
    appendLine(cursor, QStringLiteral("{\\}\t\u00e9\u0080\u4e2d\U0001F600"), QColor(1, 2, 3));
    const QByteArray rtf = documentToRtf(document, QColor(4, 5, 6), QStringLiteral("Tahoma"), 8);
    EXPECT_TRUE(rtf.contains("{\\colortbl;\\red4\\green5\\blue6;\\red1\\green2\\blue3;}")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\{\\\\\\}\\tab \\'e9\\u128?\\u20013?\\u-10179?\\u-8704?")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\fs16")) << rtf.constData();
    for (const char c : rtf)
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7f)) << int(c);
}
