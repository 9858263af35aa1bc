// A no-change rescan of a 10,000-title tree, against a find(1) walk that also
// skips disc folders and reads every file's time.

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
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("Movies"));
    buildTree(root, 10000);

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
    std::printf("BENCH folderscan_10k: %.1f ms (%d directories)\n", scanMs, directories);
    std::printf("BENCH folderscan_find_10k: %.1f ms\n", findMs);
    std::printf("BENCH folderscan_vs_find: %.2fx (target <= 1.00x)\n", scanMs / findMs);
    return 0;
}
