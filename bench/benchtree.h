#pragma once
// The generated My Movies tree the sync benchmarks share: written once per
// size and reused while its stamp says it is complete.

#include "tools/mmtreegen.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <cstdio>

inline bool EnsureBenchTree(const QString &root, int titles)
{
    const QString stamp = root + QStringLiteral("/.cinevue-bench-complete");
    QFile done(stamp);
    if (done.open(QIODevice::ReadOnly) && done.readAll().trimmed() == QByteArray::number(titles))
        return true;
    done.close();
    QDir(root).removeRecursively();
    MMTreeOptions options;
    options.root = root;
    options.titles = titles;
    options.seed = 2017;
    QElapsedTimer t;
    t.start();
    const MMTreeResult tree = GenerateMyMoviesTree(options);
    if (!tree.ok) {
        std::fprintf(stderr, "bench: %s\n", qUtf8Printable(tree.error));
        return false;
    }
    std::fprintf(stderr, "bench: wrote %d files to %s in %lld ms\n", tree.files, qUtf8Printable(root), t.elapsed());
    return done.open(QIODevice::WriteOnly) && done.write(QByteArray::number(titles)) > 0;
}
