#include "core/ftp/ListParse.h"

#include <benchmark/benchmark.h>

#include <QStringList>

namespace {

constexpr int listingLines = 100000;

// A listing as a busy server sends it: mostly files, some folders and links, a share of UTF-8 names
// with blanks, every fact a real server gives. Lines are held one byte per character, as a listing
// result keeps them.
QList<QByteArray> syntheticListing() {
    static const char* const stems[] = {"report",      "Übersicht Q3", "photo",
                                        "日本語 メモ", "backup-2024",  "naïve café"};
    static const char* const extensions[] = {".pdf", ".txt", ".jpg", ".tar.gz", ".docx", ""};
    QList<QByteArray> lines;
    lines.reserve(listingLines + 2);
    lines.append("type=cdir;sizd=4096;modify=20240115081500;perm=flcdmpe;UNIX.mode=0755; .");
    lines.append("type=pdir;sizd=4096;modify=20231201120000;perm=flcdmpe;UNIX.mode=0755; ..");
    for (int i = 0; i < listingLines; ++i) {
        const QByteArray stamp = QByteArray::number(20200101000000LL + qint64(i % 28) * 1000000 +
                                                    qint64(i % 24) * 10000 + (i % 60) * 100 + i % 60);
        const QByteArray name = QByteArray(stems[i % 6]) + ' ' + QByteArray::number(i) + extensions[i % 6];
        QByteArray line;
        if (i % 10 == 0)
            line = "type=dir;sizd=4096;modify=" + stamp +
                   ";perm=flcdmpe;UNIX.group=1000;UNIX.mode=0755;"
                   "UNIX.owner=1000; " +
                   name;
        else if (i % 97 == 0)
            line = "type=OS.unix=slink:/srv/data/" + name + ";modify=" + stamp +
                   ";perm=adfrw;UNIX.mode=0777; link " + name;
        else
            line = "size=" + QByteArray::number(qint64(i) * 7919 % 500000000) + ";modify=" + stamp + ".123" +
                   ";perm=adfrw;type=file;UNIX.group=1000;UNIX.mode=0644;UNIX.owner=1000; " + name;
        lines.append(line);
    }
    return lines;
}

void BM_ParseMlsdListing(benchmark::State& state) {
    QStringList lines;
    for (const QByteArray& line : syntheticListing())
        lines.append(QString::fromLatin1(line));
    for (auto _ : state) {
        QList<TIdFTPListItem> items = parseMlsdListing(lines);
        benchmark::DoNotOptimize(items.data());
        if (items.size() != lines.size()) {
            state.SkipWithError("entries lost");
            break;
        }
    }
    state.counters["lines"] =
        benchmark::Counter(double(lines.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ParseMlsdListing)->Unit(benchmark::kMillisecond);

// The lines as they came off the data connection, parsed as a listing transfer parses them.
void BM_ParseMlsdBytes(benchmark::State& state) {
    const QList<QByteArray> lines = syntheticListing();
    for (auto _ : state) {
        QList<TIdFTPListItem> items = parseListing(lines, true, true, true);
        benchmark::DoNotOptimize(items.data());
        if (items.size() != lines.size()) {
            state.SkipWithError("entries lost");
            break;
        }
    }
    state.counters["lines"] =
        benchmark::Counter(double(lines.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ParseMlsdBytes)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
