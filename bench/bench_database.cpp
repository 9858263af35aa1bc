// Database figures for a collection of 10,000 titles (see benchsize.h): write
// time and file size, load time against a bare in-place pugixml parse of the
// same file, and memory: the peak of a load against what the bare parse alone
// holds (the file and its document), and what the loaded collection takes.

#include "bench/benchsize.h"
#include "model/localdatabase.h"
#include "tools/collectiongen.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <pugixml.hpp>

#include <malloc.h>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const QString kVersion = u"1.7.2017.0006"_s;
constexpr int kRounds = 7;

double bareParseMs(const QString &path, unsigned options, qint64 *peakKb = nullptr)
{
    QElapsedTimer timer;
    timer.start();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    QByteArray buffer = file.readAll();
    pugi::xml_document doc;
    const bool ok = doc.load_buffer_inplace(buffer.data(), size_t(buffer.size()), options, pugi::encoding_utf8);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (peakKb)
        *peakKb = ProcStatusKb("VmHWM");
    return ok ? ms : -1;
}

double mb(qint64 kb) { return kb / 1024.0; }

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = BenchTitles();
    const std::string tag = BenchSizeTag(count);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString appPath = dir.path() + u'/';
    const QString dbPath = DatabaseFilePath(appPath);

    QElapsedTimer timer;
    {
        CollectionGenOptions options;
        options.titleCount = count;
        timer.start();
        const tTitles titles = GenerateCollection(options);
        std::printf("BENCH collectiongen_%s: %lld ms (target < %d ms)\n", tag.c_str(), timer.elapsed(),
                    count / 10);

        double best = 1e12;
        for (int i = 0; i < 3; ++i) {
            timer.start();
            QString error;
            if (!WriteDatabaseFile(dbPath, titles, kVersion, &error)) {
                std::fprintf(stderr, "%s\n", qPrintable(error));
                return 1;
            }
            best = std::min(best, timer.nsecsElapsed() / 1e6);
        }
        std::printf("BENCH db_write_%s: %.0f ms\n", tag.c_str(), best);
        std::printf("BENCH db_file_size_%s: %.1f MB\n", tag.c_str(), QFileInfo(dbPath).size() / (1024.0 * 1024.0));
    }
    malloc_trim(0); // hand the generated collection back: the memory figures are the load's

    // The peak of one load, from a trimmed heap; then what the collection
    // keeps once the load's buffers are gone.
    const qint64 rssBefore = ProcStatusKb("VmRSS");
    ResetPeakMemory();
    qint64 loadPeakKb = 0;
    qint64 collectionKb = 0;
    {
        const LoadResult result = LoadLocalDatabase(appPath, kVersion, false, u"ERROR"_s, QDateTime::currentDateTime());
        loadPeakKb = ProcStatusKb("VmHWM");
        if (result.status != LoadResult::Loaded || result.titles.Title.size() != count) {
            std::fprintf(stderr, "load failed: %s\n", qPrintable(result.error));
            return 1;
        }
        malloc_trim(0);
        collectionKb = ProcStatusKb("VmRSS") - rssBefore;
    }
    malloc_trim(0);
    ResetPeakMemory();
    qint64 bareParsePeakKb = 0;
    bareParseMs(dbPath, DatabaseParseOptions(), &bareParsePeakKb);
    malloc_trim(0);

    // Loads and bare parses take turns, so that a busy machine slows both alike;
    // the best round of each counts.
    double loadMs = 1e12;
    double parseMs = 1e12;
    double readerParseMs = 1e12;
    for (int i = 0; i < kRounds; ++i) {
        {
            timer.start();
            const LoadResult result =
                LoadLocalDatabase(appPath, kVersion, false, u"ERROR"_s, QDateTime::currentDateTime());
            loadMs = std::min(loadMs, timer.nsecsElapsed() / 1e6);
        }
        // Each run starts from a trimmed heap, so that none profits from pages
        // another one left behind.
        malloc_trim(0);
        parseMs = std::min(parseMs, bareParseMs(dbPath, pugi::parse_default));
        malloc_trim(0);
        readerParseMs = std::min(readerParseMs, bareParseMs(dbPath, DatabaseParseOptions()));
        malloc_trim(0);
    }

    std::printf("BENCH db_load_%s: %.0f ms, pugixml parse %.0f ms, ratio %.2fx (target <= 1.5x)\n", tag.c_str(),
                loadMs, parseMs, loadMs / parseMs);
    std::printf("BENCH db_parse_reader_options_%s: %.0f ms (bare parse with the reader's options)\n", tag.c_str(),
                readerParseMs);
    std::printf("BENCH db_load_peak_memory_%s: %.1f MB VmHWM (target <= %d MB; the file and its bare document "
                "alone: %.1f MB)\n",
                tag.c_str(), mb(loadPeakKb), 16 * count / 1000, mb(bareParsePeakKb));
    std::printf("BENCH db_loaded_collection_memory_%s: %.1f MB RSS\n", tag.c_str(), mb(collectionKb));
    return 0;
}
