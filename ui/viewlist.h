#pragma once
// The view list: which titles of the collection the browser shows, and in
// which order, as a function of the collection and the filter state. Nothing
// here touches screen elements; the window's SortItems turns the result into
// carousel, details and icon bar.

#include "app/settings.h"
#include "model/titles.h"

#include <QChar>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <memory>

// Filter and sort state of the browser screen.
struct ViewFilter {
    tSort CurrentSort = SortTitleAsc;
    bool ShowWatched = true;
    bool ShowWatchListOnly = false;
    tMediaType MediaTypeFilter = mtNotSet;
    QString GenreMode; // "ShowAll" (or empty), "ShowAnyOf", "ShowOnly"
    QStringList SelectedGenres;
    QString CatMode;
    QStringList SelectedCats;
    // Comma-separated terms of the six search boxes.
    QString SearchName;
    QString SearchDesc;
    QString SearchActors;
    QString SearchDirectors;
    QString SearchWriters;
    QString SearchProducers;

    // Even tSort values are ascending.
    bool isAscending() const { return CurrentSort % 2 == 0; }
    bool isTitleSort() const { return CurrentSort == SortTitleAsc || CurrentSort == SortTitleDes; }
    bool hasSearch() const;

    bool matchesWatched(const tTitle &title) const;
    bool matchesWatchList(const tTitle &title) const;
    bool matchesMediaType(const tTitle &title) const;
    bool matchesGenres(const tTitle &title) const;
    bool matchesCats(const tTitle &title) const;
    // All six search boxes (all terms of a box, all boxes).
    bool matchesSearch(const tTitle &title) const;
    // Every rule of the view list; box-set members never pass.
    bool matches(const tTitle &title) const;

    bool operator==(const ViewFilter &) const = default;
};

// The state at start-up: DefaultSort and DefaultShowWatched when the
// configuration file was read, else title ascending with watched titles shown.
ViewFilter startViewFilter(const tSettings &settings);

// A search box text cut at every comma. A comma at the very end adds no term;
// two commas in a row give an empty term between them, a leading comma an
// empty first term. An empty text has no terms.
QStringList splitSearchTerms(const QString &text);
// Removes the code units below 33 at both ends.
QString trimSearchTerm(const QString &term);
// The case folding applied to both sides of every search comparison.
QString foldForSearch(const QString &text);

// Whether `person` is part of the name of one of the title's actors or of a
// person in any of its eight crew lists, ignoring letter case. An empty name
// names nobody.
bool TitleHasPerson(const tTitle &title, const QString &person);

// The sort key text of a title for a sort order (ascending and descending
// share it): SortTitle, Stars as 2 digits, Runtime as the last 4 characters of
// "0000" + number, Year unpadded, the dates as stored, CollectionNum as the
// last 5 characters of "0000" + number.
QString viewSortKey(const tTitle &title, tSort sort);

// Sorts collection indices by the view's rules: ascending orders compare keys
// locale-aware ignoring case, descending ones respecting case, in reverse.
// Titles with equal keys keep their collection order.
QList<qint32> sortViewIndices(const tTitles &titles, QList<qint32> indices, tSort sort,
                              const QLocale &locale);

struct LetterIndexEntry {
    QChar Letter;     // "0" to "Z"
    qint32 Position;  // in ViewList
    bool operator==(const LetterIndexEntry &) const = default;
};

struct ViewListResult {
    QList<qint32> ViewList; // collection indices in display order
    // Title sorts only: the first ViewList position of each first character
    // "0" to "Z" (a lower-case initial counts as its capital), in ViewList order.
    QList<LetterIndexEntry> LetterIndex;
    qint32 FocusIndex = -1; // 0, or -1 for an empty ViewList
    bool HasTitles = false; // the collection has titles, whatever the filters
    // The ViewList position a typed character jumps to (letter case ignored),
    // or -1 when the index has no entry for it.
    qint32 letterPosition(QChar c) const;
    bool operator==(const ViewListResult &) const = default;
};

// Folded search texts and sort ranks of a collection, built once per
// collection change so that each rebuild of the view list is a scan and an
// integer sort. Each part is made when first needed (or by prepare()), so
// that the first view list waits only for its own sort order. Copies share
// their data; build() and prepare() are safe to call from any thread.
class ViewListIndex
{
public:
    ViewListIndex();
    explicit ViewListIndex(const tTitles &titles, const QLocale &locale = collationLocale());

    // Brings the index up to date with `titles`: nothing to do when it still
    // shares this index's collection; only the flags are taken over when no
    // searched or sorted field changed (a watched toggle); else a full rebuild.
    void update(const tTitles &titles);
    bool isBuiltFrom(const tTitles &titles) const;
    const tTitles &titles() const;

    ViewListResult build(const ViewFilter &filter) const;
    // Makes every part now, e.g. on a worker thread while the first view
    // list is shown.
    void prepare() const;

    // The titles that name `person` (TitleHasPerson), as collection indices
    // in collection order.
    QList<qint32> titlesWithPerson(const QString &person) const;
    // Collection indices in the order of a sort, by the view list's rules:
    // ascending ignoring letter case, descending respecting it; equal keys
    // keep their collection order.
    QList<qint32> sorted(const QList<qint32> &indices, tSort sort) const;

    // The system locale, or US English when the system has only the C locale
    // (whose comparison knows neither letter case nor accents).
    static QLocale collationLocale();

private:
    struct Lazy;
    struct Data;
    std::shared_ptr<const Data> d;
};

// One-off rebuild without keeping an index.
ViewListResult buildViewList(const tTitles &titles, const ViewFilter &filter,
                             const QLocale &locale = ViewListIndex::collationLocale());
