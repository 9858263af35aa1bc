// View list rebuild over a synthetic collection of 10,000 titles: the index
// build, a three-box search next to a bare memmem scan of the same folded
// text, and the slowest plain rebuild over the fourteen sort orders.

#include "bench/benchsize.h"
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

const int kTitles = BenchTitles();
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
    // The whole index, and what the first view list of a start waits for:
    // the index made for one sort order only.
    const double buildMs = medianMs(5, [&] {
        const ViewListIndex index(titles);
        index.prepare();
        sink = sink + index.titles().Title.size();
    });
    const double firstViewMs = medianMs(5, [&] { sink = sink + ViewListIndex(titles).build(ViewFilter()).ViewList.size(); });
    std::printf("BENCH %s: %.2f ms\n", BenchSized("viewlist_index_build").c_str(), buildMs);
    std::printf("BENCH %s: %.2f ms\n", BenchSized("viewlist_first_view").c_str(), firstViewMs);

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
    std::printf("BENCH %s: %.2f ms (target < 16 ms; %lld of %d titles match)\n", BenchSized("viewlist_search3").c_str(), searchMs,
                static_cast<long long>(matched), kTitles);
    std::printf("BENCH %s: %.2f ms (%lld match)\n", BenchSized("viewlist_memmem_scan").c_str(), scanMs,
                static_cast<long long>(scanMatched));
    std::printf("BENCH %s: %.2fx (target <= 2x)\n", BenchFigure("viewlist_search3_vs_memmem").c_str(), searchMs / scanMs);

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
    std::printf("BENCH %s: %.2f ms (%s)\n", BenchSized("viewlist_rebuild_slowest_sort").c_str(), slowestMs, sortName(slowest));
    return 0;
}
