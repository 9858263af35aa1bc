// Artwork cache on a synthetic collection: the first update copies every
// image, the second finds everything current and should cost one attribute
// query per image.

#include "art/artcache.h"
#include "tools/mmtreegen.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

tTitles titlesOf(const MMTreeResult &tree)
{
    tTitles titles;
    for (const MMTitleDir &dir : tree.titles) {
        tTitle t;
        t.ID = dir.id;
        t.Title = dir.title;
        t.Directory = dir.directory;
        for (const QString &image : dir.images) {
            // Stored names are relative to the title folder, with backslashes.
            const QString name = QDir(dir.directory).relativeFilePath(image).replace(u'/', u'\\');
            if (name.endsWith(u"fanart.jpg"))
                t.ImgFanArt = name;
            else if (name.endsWith(u"mymovies-front.jpg"))
                t.ImgCoverFront = name;
            else if (name.endsWith(u"mymovies-back.jpg"))
                t.ImgCoverBack = name;
            else
                t.ImgFolder = name;
        }
        titles.Title.append(t);
    }
    return titles;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    MMTreeOptions options;
    options.root = root.filePath(u"Movies"_s);
    options.titles = 1000;
    options.stubImages = true;
    const MMTreeResult tree = GenerateMyMoviesTree(options);
    if (!tree.ok) {
        std::fprintf(stderr, "bench_artcache: %s\n", qUtf8Printable(tree.error));
        return 1;
    }
    const tTitles titles = titlesOf(tree);
    const QString cache = root.filePath(u"Cache/"_s);

    const auto run = [&] {
        QElapsedTimer timer;
        timer.start();
        ArtCache art(cache);
        art.GetSubDirectoryInfo();
        const ArtCacheUpdateResult result = art.UpdateLocalArt(titles);
        return std::pair{timer.elapsed(), result};
    };
    const auto [firstMs, first] = run();
    const auto [secondMs, second] = run();
    std::printf("BENCH artcache_first_update_1k: %lld ms (%d images copied)\n", firstMs, first.copied);
    std::printf("BENCH artcache_unchanged_update_1k: %lld ms (%d images current, %d copied) (target < 1000 ms)\n",
                secondMs, second.upToDate, second.copied);
    return second.copied == 0 ? 0 : 1;
}
