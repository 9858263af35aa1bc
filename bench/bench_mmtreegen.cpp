// Writing a 10,000-title My Movies tree without images (see benchsize.h).

#include "bench/benchsize.h"
#include "tools/mmtreegen.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    MMTreeOptions options;
    options.root = root.path();
    options.titles = BenchTitles();
    QElapsedTimer timer;
    timer.start();
    const MMTreeResult result = GenerateMyMoviesTree(options);
    const qint64 ms = timer.elapsed();
    if (!result.ok) {
        std::fprintf(stderr, "bench_mmtreegen: %s\n", qUtf8Printable(result.error));
        return 1;
    }
    std::printf("BENCH mmtreegen_%s_titles: %lld ms (%d files, %.1f MB) (target < %d ms)\n",
                BenchSizeTag(options.titles).c_str(), ms,
                result.files, result.bytes / (1024.0 * 1024.0), 6 * options.titles);
    return 0;
}
