#pragma once
// Synthetic collections of realistic size for benchmarks and tests: 10-60
// actors, a 0.5-2 KB synopsis, genres, categories, crew, several discs, TV
// episodes, box sets. Deterministic for a given seed.

#include "model/titles.h"

struct CollectionGenOptions {
    int titleCount = 1000;
    quint32 seed = 1;
    QString rootDirectory = QStringLiteral("/media/Movies"); // title directories live below it
};

tTitles GenerateCollection(const CollectionGenOptions &options);
