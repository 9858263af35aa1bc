// Title XML import of a synthetic My Movies tree (about 2,000 titles) against
// a bare parse of the same files: the import should cost at most twice the
// parse. The tree is scanned once; both passes then read the file that each
// disc entry is imported from, with the file cache warm.

#include "bench/benchsize.h"
#include "sync/folderscan.h"
#include "sync/titleimport.h"
#include "sync/titlexmlreader.h"
#include "tools/mmtreegen.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const int kTitles = BenchTitles(2000);
constexpr int kRounds = 5;

QString fileOf(const tDirectoryRec &dir, const tDirDiscInfo &disc)
{
    return disc.XML.isEmpty() ? dir.mmXMLFile : disc.XML;
}

double bareParse(const tDirectories &dirs, int *parsed)
{
    QElapsedTimer timer;
    timer.start();
    int n = 0;
    for (const tDirectoryRec &dir : dirs) {
        for (const tDirDiscInfo &disc : dir.DiscInfo) {
            const QString file = fileOf(dir, disc);
            if (file.isEmpty())
                continue;
            pugi::xml_document doc;
            if (doc.load_file(QFile::encodeName(file).constData()))
                ++n;
        }
    }
    *parsed = n;
    return timer.nsecsElapsed() / 1e6;
}

// `threads` read and parse ahead of the import, as in a sync run (0: none).
double importAll(const ScanResult &scan, const QString &root, int threads, int *titles, tTitles *out = nullptr)
{
    tDirectories dirs = scan.Directories; // Found flags are set by the import
    tTitles collection;
    ImportContext ctx;
    ctx.monitoredFolder = root;
    ctx.listings = &scan.Listings; // as a sync run does
    QElapsedTimer timer;
    timer.start();
    TitleXmlReader reader(TitleXmlJobsFor(dirs), threads);
    for (tDirectoryRec &dir : dirs) {
        for (qsizetype k = 0; k < dir.DiscInfo.size(); ++k) {
            const std::unique_ptr<LoadedTitleXml> loaded = reader.take();
            ImportTitleXML(dir, k, ctx, collection, loaded.get());
        }
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    *titles = int(collection.Title.size());
    if (out)
        *out = collection;
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    if (!tmp.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    MMTreeOptions options;
    options.root = tmp.path() + u"/Movies"_s;
    options.titles = kTitles;
    options.stubImages = true;
    const MMTreeResult tree = GenerateMyMoviesTree(options);
    if (!tree.ok) {
        std::fprintf(stderr, "tree: %s\n", qPrintable(tree.error));
        return 1;
    }
    const ScanResult scan = ScanFolders({tScannedFolders{options.root, false}}, ScanOptions());

    int parsed = 0;
    int titles = 0;
    bareParse(scan.Directories, &parsed); // warm the file cache
    double parseMs = 1e300;
    double importMs = 1e300;
    double oneThreadMs = 1e300;
    const int threads = TitleXmlReader::DefaultThreads();
    for (int round = 0; round < kRounds; ++round) {
        parseMs = std::min(parseMs, bareParse(scan.Directories, &parsed));
        importMs = std::min(importMs, importAll(scan, options.root, threads, &titles));
        oneThreadMs = std::min(oneThreadMs, importAll(scan, options.root, 0, &titles));
    }

    // The share of the import that is existence tests of image files (up to
    // ten per title, answered from the scan's listing as in a sync): the same
    // lookups again on the imported titles.
    tTitles imported;
    importAll(scan, options.root, 0, &titles, &imported);
    double imagesMs = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (tTitle &t : imported.Title) {
            t.ImgCoverFront.clear();
            t.ImgCoverBack.clear();
            t.ImgFolder.clear();
            t.ImgFanArt.clear();
            const auto listed = scan.Listings.constFind(t.Directory);
            for (const tDiscInfo &disc : std::as_const(t.DiscInfo))
                LookUpImages(t, disc.Loc, disc.Container, listed != scan.Listings.cend() ? &*listed : nullptr);
        }
        imagesMs = std::min(imagesMs, timer.nsecsElapsed() / 1e6);
    }

    std::printf("BENCH import_bare_parse_%d_files: %.1f ms\n", parsed, parseMs);
    std::printf("BENCH import_%d_titles: %.1f ms (%d reader thread(s))\n", titles, importMs, threads);
    std::printf("BENCH import_%d_titles_one_thread: %.1f ms\n", titles, oneThreadMs);
    std::printf("BENCH import_image_lookup_%d_titles: %.1f ms\n", titles, imagesMs);
    std::printf("BENCH %s: %.2fx (target at most 1.5x)\n", BenchFigure("import_vs_bare_parse").c_str(),
                importMs / parseMs);
    std::printf("BENCH %s: %.2fx\n", BenchFigure("import_one_thread_vs_bare_parse").c_str(), oneThreadMs / parseMs);
    std::printf("BENCH %s: %.0f titles/s\n", BenchFigure("import_titles_per_second").c_str(),
                titles / (importMs / 1000.0));
    return 0;
}
