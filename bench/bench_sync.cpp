// SmartSync runs over a My Movies tree of 10,000 titles (see benchsize.h)
// without images:
//  - a no-change run (the second of two, caches warm) against a find(1) walk
//    that skips disc folders and reads every file's time;
//  - a full first run against a bare pugixml parse of the same title XML files;
//  - the peak resident memory of a full run.
// The tree is written once to /tmp/cinevue-bench-tree (-100k, ...) and reused.
//
// bench_sync [--phases] [ROOT [TITLES]]: another tree or size (e.g. a small
// one for a profiler run); --phases prints the performance logs of a full and
// a no-change run.

#include "bench/benchsize.h"
#include "bench/benchtree.h"
#include "model/localdatabase.h"
#include "platform/paths.h"
#include "sync/folderscan.h"
#include "sync/syncrun.h"
#include "tools/mmtreegen.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <pugixml.hpp>

#include <malloc.h>

#include <cstdio>

namespace {

const QString kVersion = QStringLiteral("1.7.2017.0006");

// The shortest of `rounds` timings of `f`; `prepare` runs untimed before each.
template <typename P, typename F>
double bestMs(int rounds, P &&prepare, F &&f)
{
    double best = 1e300;
    for (int r = 0; r < rounds; ++r) {
        prepare();
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QStringList positional = args.mid(1);
    positional.removeAll(QStringLiteral("--phases"));
    const int titleCount = positional.size() > 1 ? positional.at(1).toInt() : BenchTitles();
    const QString root = positional.value(0, BenchCacheFolder(QStringLiteral("tree"), titleCount));
    const std::string tag = BenchSizeTag(titleCount);
    if (!EnsureBenchTree(root, titleCount))
        return 1;

    QTemporaryDir home;
    const QString appPath = WithTrailingSeparator(home.path());
    tSettings settings;
    settings.Folders = {tScannedFolders{root + u'/', false}};
    settings.LocalDB = true;
    LocalDatabaseWriter writer;
    SyncRunOptions options;
    options.appPath = appPath;
    options.progVersion = kVersion;
    options.lastMountedFile = QStringLiteral("ERROR");
    options.databaseWriter = &writer;

    const QString findCommand =
        QStringLiteral("find '%1' \\( -name VIDEO_TS -o -name BDMV \\) -prune -o -type f -printf '%T@ %p\\n' "
                       ">/dev/null")
            .arg(root);
    const QStringList findArgs{QStringLiteral("-c"), findCommand};
    QProcess::execute(QStringLiteral("sh"), findArgs); // warm the caches

    // Full runs: the first one warms the caches and settles the tree (the
    // import removes marker files that only repeat the XML); the best of the
    // next two, each from an empty collection without a snapshot, counts.
    // The machine may be shared, so every figure is the best of a few rounds.
    // The peak memory of a run counts from a trimmed heap.
    tTitles titles;
    SyncFolders(titles, settings, options);
    writer.waitForIdle();
    SyncRunResult fullRun;
    qint64 fullPeakKb = 0;
    const double fullMs = bestMs(
        2,
        [&] {
            writer.waitForIdle();
            QFile::remove(SmartSyncFile(appPath));
            titles = tTitles();
            malloc_trim(0);
            ResetPeakMemory();
        },
        [&] {
            fullRun = SyncFolders(titles, settings, options);
            fullPeakKb = std::max(fullPeakKb, ProcStatusKb("VmHWM"));
        });
    writer.waitForIdle();
    // The same without reading title files ahead on worker threads.
    double oneThreadMs = 0;
    {
        SyncRunOptions oneThread = options;
        oneThread.readerThreads = 0;
        oneThreadMs = bestMs(
            2,
            [&] {
                writer.waitForIdle();
                QFile::remove(SmartSyncFile(appPath));
                titles = tTitles();
                malloc_trim(0); // as before the runs above
            },
            [&] { SyncFolders(titles, settings, oneThread); });
        writer.waitForIdle();
    }

    // The same title XML files parsed by pugixml alone.
    QSet<QString> xmlFiles;
    for (const tDirectoryRec &dir : ScanFolders(settings.Folders, {}).Directories) {
        if (!dir.mmXMLFile.isEmpty())
            xmlFiles.insert(dir.mmXMLFile);
        for (const tDirDiscInfo &disc : dir.DiscInfo)
            if (!disc.XML.isEmpty())
                xmlFiles.insert(disc.XML);
    }
    const QStringList xmlList(xmlFiles.cbegin(), xmlFiles.cend());
    int parsed = 0;
    const double parseMs = bestMs(2, [] {}, [&] {
        parsed = 0;
        for (const QString &path : xmlList) {
            pugi::xml_document doc;
            if (doc.load_file(QFile::encodeName(path).constData()))
                ++parsed;
        }
    });

    // No-change runs: the first one after the full run is not counted.
    SyncFolders(titles, settings, options);
    writer.waitForIdle();
    SyncRunResult unchangedRun;
    const double unchangedMs = bestMs(3, [&] { writer.waitForIdle(); },
                                      [&] { unchangedRun = SyncFolders(titles, settings, options); });
    writer.waitForIdle();
    const double findMs = bestMs(3, [] {}, [&] { QProcess::execute(QStringLiteral("sh"), findArgs); });

    // --phases: one more full and no-change run each with the performance log
    // on, printed to stderr, to see where the time goes.
    if (app.arguments().contains(QStringLiteral("--phases"))) {
        settings.PerfMon = true;
        auto printLog = [&](const char *what) {
            const QDir logs(LogsPath(appPath));
            for (const QString &name : logs.entryList({QStringLiteral("PerformanceLog_*.txt")})) {
                QFile f(logs.filePath(name));
                if (f.open(QIODevice::ReadOnly))
                    std::fprintf(stderr, "---- %s\n%s", what, f.readAll().constData());
                f.remove();
            }
        };
        QFile::remove(SmartSyncFile(appPath));
        tTitles again;
        SyncFolders(again, settings, options);
        writer.waitForIdle();
        printLog("full run");
        QElapsedTimer wall;
        wall.start();
        SyncFolders(again, settings, options);
        std::fprintf(stderr, "no-change run returned after %lld ms\n", wall.elapsed());
        writer.waitForIdle();
        printLog("no-change run");
        settings.LocalDB = false;
        wall.restart();
        SyncFolders(again, settings, options);
        std::fprintf(stderr, "no-change run without the database returned after %lld ms\n", wall.elapsed());
        settings.LocalDB = true;
        settings.PerfMon = false;
    }

    const int n = int(titles.Title.size());
    const char *size = tag.c_str();
    std::printf("BENCH sync_nochange_%s: %.1f ms (%d directories, %d imported)\n", size, unchangedMs,
                unchangedRun.directories, unchangedRun.imported);
    std::printf("BENCH sync_nochange_find_%s: %.1f ms\n", size, findMs);
    std::printf("BENCH sync_nochange_vs_find_%s: %.2fx (target <= 1.00x)\n", size, unchangedMs / findMs);
    std::printf("BENCH sync_full_%s: %.1f ms, %.0f titles/s (%d titles, %d directories imported)\n", size, fullMs,
                n / (fullMs / 1000.0), n, fullRun.imported);
    std::printf("BENCH sync_full_pugixml_parse_%s: %.1f ms (%d of %d files)\n", size, parseMs, parsed,
                int(xmlList.size()));
    std::printf("BENCH sync_full_vs_parse_%s: %.2fx (target <= 2.00x)\n", size, fullMs / parseMs);
    std::printf("BENCH sync_full_one_thread_%s: %.1f ms, %.2fx the parse (title files read as they are imported)\n",
                size, oneThreadMs, oneThreadMs / parseMs);
    std::printf("BENCH sync_full_peak_memory_%s: %.1f MB VmHWM (target <= %d MB)\n", size, fullPeakKb / 1024.0,
                titleCount / 50);
    return 0;
}
