// Writing a 10,000-title My Movies tree without images.

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
    options.titles = 10000;
    QElapsedTimer timer;
    timer.start();
    const MMTreeResult result = GenerateMyMoviesTree(options);
    const qint64 ms = timer.elapsed();
    if (!result.ok) {
        std::fprintf(stderr, "bench_mmtreegen: %s\n", qUtf8Printable(result.error));
        return 1;
    }
    std::printf("BENCH mmtreegen_10k_titles: %lld ms (%d files, %.1f MB) (target < 60000 ms)\n", ms,
                result.files, result.bytes / (1024.0 * 1024.0));
    return 0;
}
