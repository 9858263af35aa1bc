// View list rebuild over a synthetic collection of 10,000 titles: the index
// build, a three-box search next to a bare memmem scan of the same folded
// text, and the slowest plain rebuild over the fourteen sort orders.

#include "bench/benchtiming.h"
#include "tools/collectiongen.h"
#include "ui/viewlist.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kTitles = 10000;
constexpr int kRuns = 31;

// The same three field groups, folded once, one buffer per title.
struct FoldedTitle {
    QByteArray name;
    QByteArray actors;
    QByteArray desc;
};

bool has(const QByteArray &hay, const QByteArray &needle)
{
    return memmem(hay.constData(), size_t(hay.size()), needle.constData(), size_t(needle.size())) != nullptr;
}

const char *sortName(tSort s)
{
    static const char *const names[] = {
        "SortTitleAsc",    "SortTitleDes",    "SortStarsAsc",    "SortStarsDes",    "SortRuntimeAsc",
        "SortRuntimeDes",  "SortProdYearAsc", "SortProdYearDes", "SortReleasedAsc", "SortReleasedDes",
        "SortAddedAsc",    "SortAddedDes",    "SortColNumAsc",   "SortColNumDes"};
    return names[s];
}

} // namespace

int main()
{
    CollectionGenOptions options;
    options.titleCount = kTitles;
    options.seed = 42;
    const tTitles titles = GenerateCollection(options);

    volatile qsizetype sink = 0;
    const double buildMs = medianMs(5, [&] { sink = sink + ViewListIndex(titles).titles().Title.size(); });
    std::printf("BENCH viewlist_index_build_10k: %.2f ms\n", buildMs);

    const ViewListIndex index(titles);

    // Terms that most titles match, so that every field is scanned.
    ViewFilter search;
    search.SearchName = u"e"_s;
    search.SearchDesc = u"the"_s;
    search.SearchActors = u"son"_s;
    const qsizetype matched = index.build(search).ViewList.size();
    const double searchMs = medianMs(kRuns, [&] { sink = sink + index.build(search).ViewList.size(); });

    std::vector<FoldedTitle> folded;
    folded.reserve(titles.Title.size());
    for (const tTitle &t : titles.Title) {
        QStringList actors;
        for (const tActor &a : t.Actors)
            actors.append(a.Actor);
        folded.push_back({foldForSearch(t.Title).toUtf8(), foldForSearch(actors.join(u',')).toUtf8(),
                          foldForSearch(t.Description).toUtf8()});
    }
    const QByteArray nameTerm = foldForSearch(search.SearchName).toUtf8();
    const QByteArray descTerm = foldForSearch(search.SearchDesc).toUtf8();
    const QByteArray actorTerm = foldForSearch(search.SearchActors).toUtf8();
    qsizetype scanMatched = 0;
    const double scanMs = medianMs(kRuns, [&] {
        std::vector<qint32> hits;
        hits.reserve(folded.size());
        for (size_t i = 0; i < folded.size(); ++i) {
            const FoldedTitle &f = folded[i];
            if (!titles.Title[qsizetype(i)].SeriesBoxSetChild && has(f.name, nameTerm) && has(f.actors, actorTerm) && has(f.desc, descTerm))
                hits.push_back(qint32(i));
        }
        scanMatched = qsizetype(hits.size());
        sink = sink + scanMatched;
    });
    std::printf("BENCH viewlist_search3_10k: %.2f ms (target < 16 ms; %lld of %d titles match)\n", searchMs,
                static_cast<long long>(matched), kTitles);
    std::printf("BENCH viewlist_memmem_scan_10k: %.2f ms (%lld match)\n", scanMs,
                static_cast<long long>(scanMatched));
    std::printf("BENCH viewlist_search3_vs_memmem: %.2fx (target <= 2x)\n", searchMs / scanMs);

    double slowestMs = 0;
    tSort slowest = SortTitleAsc;
    for (int s = SortTitleAsc; s <= SortColNumDes; ++s) {
        ViewFilter plain;
        plain.CurrentSort = tSort(s);
        const double ms = medianMs(kRuns, [&] { sink = sink + index.build(plain).ViewList.size(); });
        if (ms > slowestMs) {
            slowestMs = ms;
            slowest = tSort(s);
        }
    }
    std::printf("BENCH viewlist_rebuild_slowest_sort_10k: %.2f ms (%s)\n", slowestMs, sortName(slowest));
    return 0;
}
