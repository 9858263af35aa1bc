// Database figures for a 10,000-title collection: write time and file size,
// load time against a bare in-place pugixml parse of the same file, and the
// memory the loaded collection takes.

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
constexpr int kTitles = 10000;
constexpr int kRounds = 7;

// A field of /proc/self/status in kB (VmRSS, VmHWM), 0 when unavailable.
qint64 procStatusKb(const char *field)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

double bareParseMs(const QString &path, unsigned options)
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
    return ok ? ms : -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString appPath = dir.path() + u'/';
    const QString dbPath = DatabaseFilePath(appPath);

    QElapsedTimer timer;
    {
        CollectionGenOptions options;
        options.titleCount = kTitles;
        timer.start();
        const tTitles titles = GenerateCollection(options);
        std::printf("BENCH collectiongen_10k: %lld ms (target < 1000 ms)\n", timer.elapsed());

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
        std::printf("BENCH db_write_10k: %.0f ms\n", best);
        std::printf("BENCH db_file_size_10k: %.1f MB\n", QFileInfo(dbPath).size() / (1024.0 * 1024.0));
    }
    malloc_trim(0); // hand the generated collection back so the memory figure is the loaded one

    // Loads and bare parses take turns, so that a busy machine slows both alike;
    // the best round of each counts.
    const qint64 rssBefore = procStatusKb("VmRSS");
    double loadMs = 1e12;
    double parseMs = 1e12;
    double readerParseMs = 1e12;
    qint64 collectionKb = 0;
    for (int i = 0; i < kRounds; ++i) {
        {
            timer.start();
            const LoadResult result =
                LoadLocalDatabase(appPath, kVersion, false, u"ERROR"_s, QDateTime::currentDateTime());
            loadMs = std::min(loadMs, timer.nsecsElapsed() / 1e6);
            if (result.status != LoadResult::Loaded || result.titles.Title.size() != kTitles) {
                std::fprintf(stderr, "load failed: %s\n", qPrintable(result.error));
                return 1;
            }
            if (i == 0) {
                malloc_trim(0); // the parse buffers are gone: count what the collection holds
                collectionKb = procStatusKb("VmRSS") - rssBefore;
            }
        }
        // Each run starts from a trimmed heap, so that none profits from pages
        // another one left behind.
        malloc_trim(0);
        parseMs = std::min(parseMs, bareParseMs(dbPath, pugi::parse_default));
        malloc_trim(0);
        readerParseMs = std::min(readerParseMs, bareParseMs(dbPath, DatabaseParseOptions()));
        malloc_trim(0);
    }

    std::printf("BENCH db_load_10k: %.0f ms, pugixml parse %.0f ms, ratio %.2fx (target <= 1.5x)\n", loadMs, parseMs,
                loadMs / parseMs);
    std::printf("BENCH db_parse_reader_options_10k: %.0f ms (bare parse with the reader's options)\n", readerParseMs);
    std::printf("BENCH db_loaded_collection_memory_10k: %.1f MB RSS, peak %.1f MB VmHWM\n", collectionKb / 1024.0,
                procStatusKb("VmHWM") / 1024.0);
    return 0;
}
