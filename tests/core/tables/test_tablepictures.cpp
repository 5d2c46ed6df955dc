// Pictures in table files: written as PNG, older files with BMP still read, and read pictures handed on
// without being decoded.
#include "core/base/Errors.h"
#include "core/tables/TableStorage.h"

#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QList<FieldDef> schema = {{QStringLiteral("No"), FieldKind::Integer},
                                {QStringLiteral("Small"), FieldKind::Picture},
                                {QStringLiteral("Large"), FieldKind::Picture}};

QImage picture(int side, QColor colour) {
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.fillRect(side / 8, side / 8, side / 2, side / 3, colour);
    p.fillRect(side / 2, side / 2, side / 3, side / 3, QColor(0, 90, 255, 90));
    return image;
}

// A table file as older versions wrote it: base64 BMP pictures.
QByteArray bmpTableFile(const QImage& small, const QImage& large) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QeltoTable name=\"T\" version=\"1\">\n"
           "<Fields><Field name=\"No\" kind=\"integer\"/><Field name=\"Small\" kind=\"picture\"/>"
           "<Field name=\"Large\" kind=\"picture\"/></Fields>\n<Pictures>\n<Picture>" +
           encodeBmp(small).toBase64() + "</Picture>\n<Picture>" + encodeBmp(large).toBase64() +
           "</Picture>\n</Pictures>\n<Records>\n<R><V>1</V><P i=\"0\"/><P i=\"1\"/></R>\n</Records>\n"
           "</QeltoTable>\n";
}

bool samePixels(const QImage& a, const QImage& b) {
    return a.size() == b.size() &&
           a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

TEST(TablePictures, BmpFilesReadAndAreWrittenBackAsSmallerPngWithTheSamePixels) {
    const QImage small = picture(48, QColor(200, 30, 60, 128));
    const QImage large = picture(256, QColor(20, 160, 60));
    const QByteArray bmpFile = bmpTableFile(small, large);
    const auto records = readTableData(QStringLiteral("T"), QStringLiteral("old"), bmpFile, schema);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(samePixels(pictureOf(records[0][1]), small));
    EXPECT_TRUE(samePixels(pictureOf(records[0][2]), large));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("t.xml"));
    writeTableFile(QStringLiteral("T"), file, schema, {&records[0]});
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray pngFile = written.readAll();
    EXPECT_TRUE(pngFile.contains(QByteArray("<Picture>iVBORw0KGgo")));
    EXPECT_LT(pngFile.size() * 4, bmpFile.size()) << "pictures are stored compressed";

    const auto again = readTableFile(QStringLiteral("T"), file, schema);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_TRUE(samePixels(pictureOf(again[0][1]), small));
    EXPECT_TRUE(samePixels(pictureOf(again[0][2]), large));
    EXPECT_TRUE(pictureOf(again[0][2]).hasAlphaChannel());
}

TEST(TablePictures, ReadPicturesStayEncodedUntilAskedForAndGoBackUnchanged) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("t.xml"));
    const TableRecordValues record{1, picture(48, Qt::red), picture(256, Qt::green)};
    writeTableFile(QStringLiteral("T"), file, schema, {&record});
    const auto read = readTableFile(QStringLiteral("T"), file, schema);
    ASSERT_EQ(read.size(), 1u);
    ASSERT_EQ(read[0][2].metaType(), QMetaType::fromType<StoredPicture>());
    const StoredPicture large = read[0][2].value<StoredPicture>();
    EXPECT_TRUE(large.isPng());

    // Written again untouched, the PNG bytes are copied, not decoded and encoded anew.
    const QString copy = dir.filePath(QStringLiteral("copy.xml"));
    writeTableFile(QStringLiteral("T"), copy, schema, {&read[0]});
    const auto back = readTableFile(QStringLiteral("T"), copy, schema);
    EXPECT_EQ(back[0][2].value<StoredPicture>().encoded(), large.encoded());
    EXPECT_TRUE(samePixels(large.image(), record[2].value<QImage>()));
}

TEST(TablePictures, DamagedOrOversizedPicturesAreRefusedOrDecodeToNothing) {
    const QImage small = picture(16, Qt::red);
    QByteArray file = bmpTableFile(small, small);
    // Header of another format, or a header claiming more than 4096 pixels a side: the file is refused.
    for (const QByteArray& bad :
         {QByteArray("GIF89a\x01\x00\x01\x00", 10), encodeBmp(QImage(4097, 1, QImage::Format_ARGB32))}) {
        QByteArray damaged = file;
        damaged.replace(encodeBmp(small).toBase64(), bad.toBase64());
        EXPECT_THROW(readTableData(QStringLiteral("T"), QStringLiteral("bad"), damaged, schema), QeltoError);
    }
    // A sound header over cut-off pixel data: read, and decoded to a null picture when asked for.
    QByteArray png = encodePng(picture(64, Qt::blue));
    png.truncate(png.size() / 2);
    QByteArray cut = file;
    cut.replace(encodeBmp(small).toBase64(), png.toBase64());
    const auto records = readTableData(QStringLiteral("T"), QStringLiteral("cut"), cut, schema);
    EXPECT_TRUE(pictureOf(records[0][1]).isNull());
}

} // namespace
