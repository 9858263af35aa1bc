// A no-change rescan of a 10,000-title tree (see benchsize.h), against a
// find(1) walk that also skips disc folders and reads every file's time. The
// tree is written once to /tmp/cinevue-bench-scantree (-100k, ...) and reused.

#include "bench/benchsize.h"
#include "bench/benchtiming.h"
#include "sync/folderscan.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {
void touch(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        std::fprintf(stderr, "cannot create %s\n", qPrintable(path));
}

// 20 collection folders of 500 titles: half disc folders, half MKV files with
// their own XML, artwork in every title, markers and extras in some.
void buildTree(const QString &root, int titles)
{
    QDir dir(root);
    for (int i = 0; i < titles; ++i) {
        const QString t = QStringLiteral("%1/Collection %2/Title %3/").arg(root).arg(i / 500).arg(i);
        dir.mkpath(t);
        touch(t + QStringLiteral("mymovies.xml"));
        touch(t + QStringLiteral("folder.jpg"));
        touch(t + QStringLiteral("fanart.jpg"));
        if (i % 2 == 0) {
            dir.mkpath(t + QStringLiteral("VIDEO_TS"));
            for (const char *name : {"VIDEO_TS.IFO", "VIDEO_TS.BUP", "VTS_01_0.IFO", "VTS_01_1.VOB"})
                touch(t + QStringLiteral("VIDEO_TS/") + QLatin1String(name));
        } else {
            touch(t + QStringLiteral("Title.mkv"));
            touch(t + QStringLiteral("Title.mymovies.xml"));
        }
        if (i % 3 == 0)
            touch(t + QStringLiteral("CVB_Watched.txt"));
        if (i % 10 == 0) {
            dir.mkpath(t + QStringLiteral("Extras"));
            touch(t + QStringLiteral("Extras/still.jpg"));
        }
    }
}

} // namespace

int main()
{
    const int titles = BenchTitles();
    const QString cache = BenchCacheFolder(QStringLiteral("scantree"), titles);
    const QString root = cache + QStringLiteral("/Movies");
    QFile stamp(cache + QStringLiteral("/.complete"));
    if (!stamp.open(QIODevice::ReadOnly) || stamp.readAll() != QByteArray::number(titles)) {
        stamp.close();
        QDir(cache).removeRecursively();
        buildTree(root, titles);
        if (!stamp.open(QIODevice::WriteOnly) || stamp.write(QByteArray::number(titles)) <= 0)
            std::fprintf(stderr, "cannot write %s\n", qPrintable(stamp.fileName()));
    }
    stamp.close();

    const QStringList findArgs{QStringLiteral("-c"),
                               QStringLiteral("find '%1' \\( -name VIDEO_TS -o -name BDMV \\) -prune -o -type f "
                                              "-printf '%T@ %p\\n' >/dev/null")
                                   .arg(root)};
    QProcess::execute(QStringLiteral("sh"), findArgs); // warm the caches
    const double findMs = bestMs(3, [&] { QProcess::execute(QStringLiteral("sh"), findArgs); });

    int directories = 0;
    const double scanMs = bestMs(3, [&] {
        directories = int(ScanFolders({tScannedFolders{root + u'/', false}}, {}).Directories.size());
    });
    std::printf("BENCH %s: %.1f ms (%d directories)\n", BenchSized("folderscan").c_str(), scanMs, directories);
    std::printf("BENCH %s: %.1f ms\n", BenchSized("folderscan_find").c_str(), findMs);
    std::printf("BENCH %s: %.2fx (target <= 1.00x)\n", BenchFigure("folderscan_vs_find").c_str(), scanMs / findMs);
    return 0;
}
