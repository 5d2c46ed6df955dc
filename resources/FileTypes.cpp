#include "FileTypes.h"

namespace {

struct Row {
    const char* extension;
    const char* fileType;
    const char* fileGroup;
    const char* popularity;
    const char* information;
};

// The listing takes rows 0 to 3 by position. Their markers are not extensions (a name ending in "." has
// the key "."), so no file name can match them.
constexpr Row rows[] = {
    {"<ROOT>", "Root folder", "Folder", "High",
     "The top folder of the server. Opening it lists the root again."},
    {"<UP>", "Parent folder", "Folder", "High",
     "The folder one level up. Opening it goes back to the parent."},
    {"<DIR>", "Folder", "Folder", "High", "A folder on the server. Open it to list its files and folders."},
    {"<FILE>", "File", "Other", "Low", "A file of a type not in the catalogue."},

    {".TXT", "Text document", "Document", "High", "Plain text without formatting. Opens in any text editor."},
    {".PDF", "PDF document", "Document", "High",
     "A Portable Document Format file with fixed page layout. Looks the same on every system."},
    {".DOC", "Word document", "Document", "High", "A word processor document in the older binary format."},
    {".DOCX", "Word document", "Document", "High",
     "A word processor document in the Office Open XML format."},
    {".ODT", "OpenDocument text", "Document", "Medium", "A text document in the OpenDocument format."},
    {".RTF", "Rich text document", "Document", "Medium",
     "Text with fonts, colours and simple layout, readable by most word processors."},
    {".MD", "Markdown document", "Document", "Medium",
     "Plain text with light markup for headings, lists and links."},
    {".LOG", "Log file", "Document", "Medium", "Text written by a program to record what it did."},

    {".CSV", "Comma-separated values", "Spreadsheet", "High",
     "A table as plain text, one record a line and the values separated by commas."},
    {".XLS", "Excel spreadsheet", "Spreadsheet", "High", "A spreadsheet in the older binary format."},
    {".XLSX", "Excel spreadsheet", "Spreadsheet", "High", "A spreadsheet in the Office Open XML format."},
    {".ODS", "OpenDocument spreadsheet", "Spreadsheet", "Medium",
     "A spreadsheet in the OpenDocument format."},
    {".PPT", "PowerPoint presentation", "Presentation", "Medium",
     "A slide presentation in the older binary format."},
    {".PPTX", "PowerPoint presentation", "Presentation", "Medium",
     "A slide presentation in the Office Open XML format."},
    {".ODP", "OpenDocument presentation", "Presentation", "Low",
     "A slide presentation in the OpenDocument format."},

    {".PNG", "PNG image", "Image", "High", "A losslessly compressed bitmap image with transparency."},
    {".JPG", "JPEG image", "Image", "High", "A photo compressed with some loss of detail to keep it small."},
    {".JPEG", "JPEG image", "Image", "High", "A photo compressed with some loss of detail to keep it small."},
    {".GIF", "GIF image", "Image", "Medium",
     "A bitmap image of up to 256 colours; may hold a short animation."},
    {".BMP", "Bitmap image", "Image", "Medium", "An uncompressed bitmap image."},
    {".SVG", "SVG drawing", "Image", "Medium",
     "A vector drawing in XML that scales to any size without blurring."},
    {".ICO", "Icon", "Image", "Low", "One or more small pictures used as program or web site icons."},
    {".TIF", "TIFF image", "Image", "Low", "A bitmap image format used for scans and printing."},
    {".TIFF", "TIFF image", "Image", "Low", "A bitmap image format used for scans and printing."},
    {".WEBP", "WebP image", "Image", "Medium", "A compact image format for web pages, with or without loss."},

    {".MP3", "MP3 audio", "Audio", "High", "Compressed audio, the most common format for music files."},
    {".WAV", "Wave audio", "Audio", "Medium", "Uncompressed audio samples."},
    {".FLAC", "FLAC audio", "Audio", "Medium", "Audio compressed without loss of quality."},
    {".OGG", "Ogg audio", "Audio", "Medium",
     "Compressed audio in the free Ogg container, usually Vorbis or Opus."},
    {".M4A", "MPEG-4 audio", "Audio", "Medium", "Compressed audio in an MPEG-4 container, usually AAC."},

    {".MP4", "MPEG-4 video", "Video", "High",
     "Video with sound in the MPEG-4 container; plays almost everywhere."},
    {".AVI", "AVI video", "Video", "Medium",
     "Video with sound in the older Audio Video Interleave container."},
    {".MKV", "Matroska video", "Video", "Medium",
     "Video in the Matroska container, which can hold several sound tracks and subtitles."},
    {".MOV", "QuickTime video", "Video", "Medium", "Video with sound in the QuickTime container."},
    {".WEBM", "WebM video", "Video", "Medium", "Video for web pages in a free format."},
    {".MPG", "MPEG video", "Video", "Low", "Video in the older MPEG-1 or MPEG-2 format."},

    {".ZIP", "ZIP archive", "Archive", "High", "Files and folders packed and compressed into one file."},
    {".TAR", "Tape archive", "Archive", "Medium",
     "Files and folders packed into one file, without compression."},
    {".GZ", "Gzip compressed file", "Archive", "High",
     "A file compressed with gzip; .tar.gz holds a whole folder tree."},
    {".TGZ", "Gzip compressed archive", "Archive", "Medium", "A tape archive compressed with gzip."},
    {".BZ2", "Bzip2 compressed file", "Archive", "Medium", "A file compressed with bzip2."},
    {".XZ", "XZ compressed file", "Archive", "Medium",
     "A file compressed with xz, which packs tighter than gzip."},
    {".7Z", "7-Zip archive", "Archive", "Medium", "Files and folders packed with strong compression."},
    {".RAR", "RAR archive", "Archive", "Medium", "Files and folders packed and compressed into one file."},
    {".DEB", "Debian package", "Package", "Medium",
     "A software package for Debian and the systems built on it."},
    {".RPM", "RPM package", "Package", "Low", "A software package for Red Hat, Fedora and similar systems."},

    {".C", "C source", "Source code", "Medium", "Program source code in C."},
    {".CPP", "C++ source", "Source code", "Medium", "Program source code in C++."},
    {".H", "C header", "Source code", "Medium", "Declarations shared by C and C++ source files."},
    {".PY", "Python script", "Source code", "High", "A program in Python, run by the Python interpreter."},
    {".JAVA", "Java source", "Source code", "Medium", "Program source code in Java."},
    {".JS", "JavaScript", "Source code", "High", "A script that runs in web browsers or on a server."},
    {".TS", "TypeScript", "Source code", "Medium",
     "JavaScript with type annotations, compiled to JavaScript."},
    {".SH", "Shell script", "Source code", "High", "Commands run by a Unix shell."},
    {".PL", "Perl script", "Source code", "Low", "A program in Perl."},
    {".GO", "Go source", "Source code", "Low", "Program source code in Go."},
    {".RS", "Rust source", "Source code", "Low", "Program source code in Rust."},

    {".HTML", "Web page", "Web", "High", "A page of the web in HTML. The preview window can show it."},
    {".HTM", "Web page", "Web", "High", "A page of the web in HTML. The preview window can show it."},
    {".CSS", "Style sheet", "Web", "High", "Rules for the look of web pages."},
    {".PHP", "PHP script", "Web", "High", "A script the web server runs to build a page."},

    {".JSON", "JSON data", "Data", "High", "Structured data as text, as used by web services."},
    {".XML", "XML document", "Data", "High", "Structured data as text with tags."},
    {".YML", "YAML data", "Data", "Medium", "Structured data as indented text, often settings."},
    {".SQL", "SQL script", "Data", "Medium", "Database statements, often a database dump."},
    {".INI", "Settings file", "Data", "Medium", "Settings as name and value lines in sections."},

    {".EXE", "Windows program", "Executable", "High", "A program for Windows."},
    {".DLL", "Windows library", "Executable", "Medium", "Program code shared by Windows programs."},
    {".SO", "Shared library", "Executable", "Medium", "Program code shared by Linux programs."},
    {".BIN", "Binary file", "Executable", "Medium", "Raw binary data, often firmware or a program image."},
    {".ISO", "Disc image", "Disk image", "Medium", "The whole content of a CD or DVD in one file."},
    {".IMG", "Disk image", "Disk image", "Low", "The whole content of a disk or memory card in one file."},

    {".TTF", "TrueType font", "Font", "Low", "A scalable font."},
    {".OTF", "OpenType font", "Font", "Low", "A scalable font with advanced typographic features."},
};

} // namespace

QList<FileTypeEntry> fileTypeCatalogue() {
    QList<FileTypeEntry> entries;
    for (const Row& row : rows)
        entries.append({QString::fromUtf8(row.extension), QString::fromUtf8(row.fileType),
                        QString::fromUtf8(row.fileGroup), QString::fromUtf8(row.popularity),
                        QString::fromUtf8(row.information)});
    return entries;
}

IconShape iconShapeOf(int row) {
    switch (row) {
    case 0:
        return IconShape::Root;
    case 1:
        return IconShape::ParentFolder;
    case 2:
        return IconShape::Folder;
    case 3:
        return IconShape::UnknownFile;
    default:
        return IconShape::Page;
    }
}

QColor groupColor(const QString& fileGroup) {
    static const QList<std::pair<const char*, QRgb>> colors = {
        {"Document", 0x2B6CB0},   {"Spreadsheet", 0x2F855A}, {"Presentation", 0xDD6B20},
        {"Image", 0x805AD5},      {"Audio", 0xD53F8C},       {"Video", 0xC53030},
        {"Archive", 0x975A16},    {"Package", 0xB7791F},     {"Source code", 0x2C7A7B},
        {"Web", 0x4C51BF},        {"Data", 0x6B8E23},        {"Executable", 0x4A5568},
        {"Disk image", 0x718096}, {"Font", 0x1A202C},
    };
    for (const auto& [group, rgb] : colors)
        if (fileGroup == QLatin1String(group)) return QColor::fromRgb(rgb);
    return QColor::fromRgb(0x808080);
}
