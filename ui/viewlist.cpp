#include "ui/viewlist.h"

#include <QCollator>

#include <algorithm>
#include <array>
#include <cstring>
#include <atomic>
#include <mutex>
#include <numeric>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kKeyKinds = 7; // tSort values come in ascending/descending pairs

bool hasEntryIgnoringCase(const QStringList &entries, const QString &wanted)
{
    return std::any_of(entries.cbegin(), entries.cend(), [&](const QString &entry) {
        return entry.compare(wanted, Qt::CaseInsensitive) == 0;
    });
}

bool matchesSelection(const QString &mode, const QStringList &selected, const QStringList &entries)
{
    if (selected.isEmpty())
        return true;
    if (mode == u"ShowOnly"_s)
        return std::all_of(selected.cbegin(), selected.cend(),
                           [&](const QString &s) { return hasEntryIgnoringCase(entries, s); });
    if (mode == u"ShowAnyOf"_s)
        return std::any_of(selected.cbegin(), selected.cend(),
                           [&](const QString &s) { return hasEntryIgnoringCase(entries, s); });
    return true;
}

bool anyContains(const QStringList &names, const QString &foldedTerm)
{
    return std::any_of(names.cbegin(), names.cend(), [&](const QString &name) {
        return foldForSearch(name).contains(foldedTerm);
    });
}

// How an empty (after trimming) term of a person box behaves.
enum class EmptyTerm { MatchesAll, MatchesNone, NeedsEntries };

// One search box, in the straightforward form: every term must match.
template <typename ContainsFn>
bool boxMatches(const QString &text, EmptyTerm emptyTerm, bool hasEntries, ContainsFn contains)
{
    if (text.isEmpty())
        return true;
    const QStringList terms = splitSearchTerms(text);
    for (const QString &raw : terms) {
        const QString term = trimSearchTerm(raw);
        if (term.isEmpty()) {
            if (emptyTerm == EmptyTerm::MatchesNone)
                return false;
            if (emptyTerm == EmptyTerm::NeedsEntries && !hasEntries)
                return false;
            continue;
        }
        if (!contains(foldForSearch(term)))
            return false;
    }
    return true;
}

QLocale usableLocale(const QLocale &locale)
{
    // The C locale's collation compares code units and its sort keys ignore
    // the case setting, so it cannot give the case-insensitive ascending order.
    if (locale.language() == QLocale::C)
        return QLocale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

bool isAsciiDigits(const QString &s)
{
    return std::all_of(s.cbegin(), s.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// Dense ranks: equal keys share a rank, so a rank sort reproduces the key order
// and leaves the tie order to the caller.
template <typename Less>
QList<qint32> ranksOf(qsizetype count, Less less)
{
    std::vector<qint32> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), less);
    QList<qint32> rank(count);
    qint32 current = 0;
    for (qsizetype k = 0; k < count; ++k) {
        if (k > 0 && less(order[k - 1], order[k]))
            ++current;
        rank[order[k]] = current;
    }
    return rank;
}

// Folded UTF-8 text of one field group of every title, one after the other.
// UTF-8 keeps a byte search exact: a valid needle only matches at character
// boundaries of a valid haystack. A title's names are joined by commas: search
// terms never contain a comma, so a match can neither span two names nor
// straddle one.
struct FieldTexts {
    QByteArray text;
    QList<qint32> start{0}; // title i spans [start[i], start[i + 1])

    void append(QStringView unfolded)
    {
        appendFolded(unfolded);
        start.append(qint32(text.size()));
    }
    template <typename Range, typename NameOf>
    void appendNames(const Range &names, NameOf nameOf)
    {
        appendMoreNames(names, nameOf);
        endTitle();
    }
    // Several lists of one title: appendMoreNames for each, then endTitle.
    template <typename Range, typename NameOf>
    void appendMoreNames(const Range &names, NameOf nameOf)
    {
        for (const auto &entry : names) {
            if (qint32(text.size()) != start.last())
                text += ',';
            appendFolded(nameOf(entry));
        }
    }
    void endTitle() { start.append(qint32(text.size())); }
    bool contains(qsizetype i, const QByteArray &needle) const
    {
        const qint32 from = start[i];
        return memmem(text.constData() + from, size_t(start[i + 1] - from), needle.constData(),
                      size_t(needle.size())) != nullptr;
    }

private:
    // Folding works code point by code point (QChar's folding of one code
    // point is QString's), so this equals foldForSearch(s).toUtf8() with a
    // fast path for ASCII, which folds to ASCII lower case.
    void appendFolded(QStringView s)
    {
        const qsizetype n = s.size();
        const qsizetype at = text.size();
        text.resize(at + 3 * n); // UTF-8 needs at most 3 bytes per UTF-16 code unit
        char *const begin = text.data() + at;
        char *out = begin;
        for (qsizetype i = 0; i < n; ++i) {
            char32_t c = s[i].unicode();
            if (c < 0x80) {
                *out++ = char(c >= u'A' && c <= u'Z' ? c + 32 : c);
                continue;
            }
            // A lone surrogate keeps its own 3-byte form, which no valid needle
            // can match (nor can a valid term match it in the text).
            if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1].unicode())) {
                c = QChar::surrogateToUcs4(char16_t(c), s[i + 1].unicode());
                ++i;
            }
            c = QChar::toCaseFolded(c);
            if (c < 0x800) {
                *out++ = char(0xc0 | (c >> 6));
            } else if (c < 0x10000) {
                *out++ = char(0xe0 | (c >> 12));
                *out++ = char(0x80 | ((c >> 6) & 0x3f));
            } else {
                *out++ = char(0xf0 | (c >> 18));
                *out++ = char(0x80 | ((c >> 12) & 0x3f));
                *out++ = char(0x80 | ((c >> 6) & 0x3f));
            }
            *out++ = char(0x80 | (c & 0x3f));
        }
        text.resize(at + (out - begin));
    }
};

QByteArray foldedUtf8(QStringView s)
{
    FieldTexts one;
    one.append(s);
    return one.text;
}

struct BoxTerms {
    bool active = false;
    bool hasEmptyTerm = false;
    // A term with a lone surrogate matches code units, not characters: such a
    // box is left to the plain rules.
    bool needsPlainMatch = false;
    QList<QByteArray> needles;
};

bool hasLoneSurrogate(QStringView s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && QChar::isLowSurrogate(s[i + 1].unicode()))
            ++i;
        else if (QChar::isSurrogate(c))
            return true;
    }
    return false;
}

BoxTerms prepareTerms(const QString &text)
{
    BoxTerms box;
    if (text.isEmpty())
        return box;
    box.active = true;
    for (const QString &raw : splitSearchTerms(text)) {
        const QString term = trimSearchTerm(raw);
        if (term.isEmpty())
            box.hasEmptyTerm = true;
        else
            box.needles.append(foldedUtf8(term));
        if (hasLoneSurrogate(term))
            box.needsPlainMatch = true;
    }
    return box;
}

bool allFound(const FieldTexts &field, qsizetype i, const QList<QByteArray> &needles)
{
    for (const QByteArray &needle : needles) {
        if (!field.contains(i, needle))
            return false;
    }
    return true;
}

template <typename T>
bool sameShared(const T &a, const T &b)
{
    return (a.constData() == b.constData() && a.size() == b.size()) || a == b;
}

// The fields the index derives its texts and ranks from.
bool sameIndexedFields(const tTitle &a, const tTitle &b)
{
    return a.Stars == b.Stars && a.Runtime == b.Runtime && a.Year == b.Year
        && a.CollectionNum == b.CollectionNum && sameShared(a.Title, b.Title)
        && sameShared(a.SortTitle, b.SortTitle) && sameShared(a.ReleaseDate, b.ReleaseDate)
        && sameShared(a.AddedDate, b.AddedDate) && sameShared(a.Description, b.Description)
        && sameShared(a.Actors, b.Actors) && sameShared(a.Crew.Director, b.Crew.Director)
        && sameShared(a.Crew.Writer, b.Crew.Writer) && sameShared(a.Crew.Producer, b.Crew.Producer)
        && sameShared(a.Crew.Cinematography, b.Crew.Cinematography) && sameShared(a.Crew.Editor, b.Crew.Editor)
        && sameShared(a.Crew.Music, b.Crew.Music) && sameShared(a.Crew.Sound, b.Crew.Sound)
        && sameShared(a.Crew.Art, b.Crew.Art);
}

} // namespace

// ---------------------------------------------------------------- filter

bool ViewFilter::hasSearch() const
{
    return !SearchName.isEmpty() || !SearchDesc.isEmpty() || !SearchActors.isEmpty()
        || !SearchDirectors.isEmpty() || !SearchWriters.isEmpty() || !SearchProducers.isEmpty();
}

bool ViewFilter::matchesWatched(const tTitle &title) const { return ShowWatched || !title.WatchedCVB; }

bool ViewFilter::matchesWatchList(const tTitle &title) const
{
    return !ShowWatchListOnly || title.WatchList;
}

bool ViewFilter::matchesMediaType(const tTitle &title) const
{
    return MediaTypeFilter == mtNotSet || MediaTypeFilter == title.MediaType;
}

bool ViewFilter::matchesGenres(const tTitle &title) const
{
    return matchesSelection(GenreMode, SelectedGenres, title.Genres);
}

bool ViewFilter::matchesCats(const tTitle &title) const
{
    return matchesSelection(CatMode, SelectedCats, title.Cats);
}

bool ViewFilter::matchesSearch(const tTitle &title) const
{
    const auto actorsContain = [&](const QString &term) {
        return std::any_of(title.Actors.cbegin(), title.Actors.cend(), [&](const tActor &a) {
            return foldForSearch(a.Actor).contains(term);
        });
    };
    return boxMatches(SearchDesc, EmptyTerm::MatchesNone, true,
                      [&](const QString &term) { return foldForSearch(title.Description).contains(term); })
        && boxMatches(SearchName, EmptyTerm::MatchesAll, true,
                      [&](const QString &term) { return foldForSearch(title.Title).contains(term); })
        && boxMatches(SearchActors, EmptyTerm::NeedsEntries, !title.Actors.isEmpty(), actorsContain)
        && boxMatches(SearchDirectors, EmptyTerm::MatchesNone, true,
                      [&](const QString &term) { return anyContains(title.Crew.Director, term); })
        && boxMatches(SearchWriters, EmptyTerm::MatchesNone, true,
                      [&](const QString &term) { return anyContains(title.Crew.Writer, term); })
        && boxMatches(SearchProducers, EmptyTerm::MatchesNone, true,
                      [&](const QString &term) { return anyContains(title.Crew.Producer, term); });
}

bool ViewFilter::matches(const tTitle &title) const
{
    return !title.SeriesBoxSetChild && matchesWatched(title) && matchesWatchList(title)
        && matchesMediaType(title) && matchesGenres(title) && matchesCats(title) && matchesSearch(title);
}

ViewFilter startViewFilter(const tSettings &settings)
{
    ViewFilter filter;
    if (settings.Loaded) {
        filter.CurrentSort = settings.DefaultSort;
        filter.ShowWatched = settings.DefaultShowWatched;
    }
    return filter;
}

// ---------------------------------------------------------------- terms and keys

QStringList splitSearchTerms(const QString &text)
{
    QStringList terms = text.split(u',');
    // split() yields one piece more than there are commas; the piece after a
    // final comma is not a term, and an empty text has none.
    if (terms.last().isEmpty())
        terms.removeLast();
    return terms;
}

QString trimSearchTerm(const QString &term)
{
    qsizetype begin = 0;
    qsizetype end = term.size();
    while (begin < end && term.at(begin).unicode() < 33)
        ++begin;
    while (end > begin && term.at(end - 1).unicode() < 33)
        --end;
    return term.mid(begin, end - begin);
}

QString foldForSearch(const QString &text) { return text.toCaseFolded(); }

bool TitleHasPerson(const tTitle &title, const QString &person)
{
    if (person.isEmpty())
        return false;
    const QString folded = foldForSearch(person);
    const auto names = [&](const QStringList &list) { return anyContains(list, folded); };
    const tCrew &c = title.Crew;
    return std::any_of(title.Actors.cbegin(), title.Actors.cend(),
                       [&](const tActor &a) { return foldForSearch(a.Actor).contains(folded); })
        || names(c.Director) || names(c.Writer) || names(c.Producer) || names(c.Cinematography)
        || names(c.Editor) || names(c.Music) || names(c.Sound) || names(c.Art);
}

QString viewSortKey(const tTitle &title, tSort sort)
{
    switch (sort / 2) {
    case 0:
        return title.SortTitle;
    case 1:
        return (u"00"_s + QString::number(title.Stars)).right(2);
    case 2:
        return (u"0000"_s + QString::number(title.Runtime)).right(4);
    case 3:
        return QString::number(title.Year);
    case 4:
        return title.ReleaseDate;
    case 5:
        return title.AddedDate;
    default:
        return (u"0000"_s + QString::number(title.CollectionNum)).right(5);
    }
}

QList<qint32> sortViewIndices(const tTitles &titles, QList<qint32> indices, tSort sort,
                              const QLocale &locale)
{
    const bool ascending = sort % 2 == 0;
    QCollator collator(usableLocale(locale));
    collator.setCaseSensitivity(ascending ? Qt::CaseInsensitive : Qt::CaseSensitive);
    std::vector<std::pair<QString, qint32>> keyed;
    keyed.reserve(indices.size());
    for (qint32 i : indices)
        keyed.emplace_back(viewSortKey(titles.Title.at(i), sort), i);
    std::sort(keyed.begin(), keyed.end(), [&](const auto &a, const auto &b) {
        const int c = ascending ? collator.compare(a.first, b.first) : collator.compare(b.first, a.first);
        return c != 0 ? c < 0 : a.second < b.second;
    });
    for (qsizetype k = 0; k < indices.size(); ++k)
        indices[k] = keyed[k].second;
    return indices;
}

qint32 ViewListResult::letterPosition(QChar c) const
{
    const QChar wanted = (c >= u'a' && c <= u'z') ? QChar(c.unicode() - 32) : c;
    for (const LetterIndexEntry &entry : LetterIndex) {
        if (entry.Letter == wanted)
            return entry.Position;
    }
    return -1;
}

// ---------------------------------------------------------------- index

// The folded search texts and the sort ranks, each made on first use: a
// start that shows the collection in one order needs one rank, and prepare()
// makes the rest on another thread meanwhile. Shared by the copies of an index
// and by an index that took over a collection with the same searched and
// sorted fields.
struct ViewListIndex::Lazy {
    tTitles titles;
    QLocale locale;

    std::once_flag searchOnce;
    FieldTexts name, desc, actors, directors, writers, producers;
    // Cinematography, Editor, Music, Sound and Art, for finding a person.
    FieldTexts otherCrew;

    // Per key kind (tSort / 2): ranks for ascending (letter case ignored) and
    // descending (letter case respected) order.
    std::array<std::once_flag, kKeyKinds * 2> rankOnce;
    std::array<std::atomic<bool>, kKeyKinds * 2> rankDone{};
    std::array<QList<qint32>, kKeyKinds * 2> ranks;

    const Lazy &search()
    {
        std::call_once(searchOnce, [this] { makeSearchTexts(); });
        return *this;
    }

    const QList<qint32> &rank(int kind, bool ascending)
    {
        const int slot = kind * 2 + (ascending ? 0 : 1);
        std::call_once(rankOnce[slot], [&] {
            QCollator collator = collatorFor(ascending);
            ranks[slot] = makeRank(sortKeys(kind), &collator);
            rankDone[slot] = true;
        });
        return ranks[slot];
    }

    // Both orders of every key kind, each kind's keys made once.
    void prepareRanks()
    {
        QCollator caseless = collatorFor(true);
        QCollator cased = collatorFor(false);
        for (int kind = 0; kind < kKeyKinds; ++kind) {
            const int slot = kind * 2;
            if (rankDone[slot] && rankDone[slot + 1])
                continue;
            const QStringList keys = sortKeys(kind);
            for (const bool ascending : {true, false}) {
                const int s = slot + (ascending ? 0 : 1);
                std::call_once(rankOnce[s], [&] {
                    ranks[s] = makeRank(keys, ascending ? &caseless : &cased);
                    rankDone[s] = true;
                });
            }
        }
    }

    void makeSearchTexts()
    {
        const auto actorName = [](const tActor &a) { return QStringView(a.Actor); };
        const auto plainName = [](const QString &name) { return QStringView(name); };
        qsizetype descChars = 0;
        for (const tTitle &t : titles.Title)
            descChars += t.Description.size();
        desc.text.reserve(descChars + descChars / 8);
        for (const tTitle &t : titles.Title) {
            name.append(t.Title);
            desc.append(t.Description);
            actors.appendNames(t.Actors, actorName);
            directors.appendNames(t.Crew.Director, plainName);
            writers.appendNames(t.Crew.Writer, plainName);
            producers.appendNames(t.Crew.Producer, plainName);
            for (const QStringList *list : {&t.Crew.Cinematography, &t.Crew.Editor, &t.Crew.Music, &t.Crew.Sound,
                                            &t.Crew.Art})
                otherCrew.appendMoreNames(*list, plainName);
            otherCrew.endTitle();
        }
    }

    // Ascending orders ignore letter case, descending ones respect it.
    QCollator collatorFor(bool ascending) const
    {
        QCollator collator(locale);
        collator.setCaseSensitivity(ascending ? Qt::CaseInsensitive : Qt::CaseSensitive);
        return collator;
    }

    QStringList sortKeys(int kind) const
    {
        QStringList keys;
        keys.reserve(titles.Title.size());
        for (const tTitle &t : titles.Title)
            keys.append(viewSortKey(t, tSort(kind * 2)));
        return keys;
    }

    static QList<qint32> makeRank(const QStringList &keys, QCollator *collator)
    {
        const qsizetype n = keys.size();
        // Plain digit keys have no letter case and collate in code-unit
        // order; everything else goes through the locale's sort keys.
        if (std::all_of(keys.cbegin(), keys.cend(), isAsciiDigits))
            return ranksOf(n, [&](qint32 a, qint32 b) { return keys[a] < keys[b]; });
        std::vector<QCollatorSortKey> sortKeys;
        sortKeys.reserve(n);
        for (const QString &key : keys)
            sortKeys.push_back(collator->sortKey(key));
        return ranksOf(n, [&](qint32 a, qint32 b) { return sortKeys[a].compare(sortKeys[b]) < 0; });
    }
};

struct ViewListIndex::Data {
    tTitles titles; // may be newer than lazy->titles, with the same indexed fields
    std::shared_ptr<Lazy> lazy;
};

ViewListIndex::ViewListIndex() : ViewListIndex(tTitles{}) {}

ViewListIndex::ViewListIndex(const tTitles &titles, const QLocale &locale)
{
    auto data = std::make_shared<Data>();
    data->titles = titles;
    data->lazy = std::make_shared<Lazy>();
    data->lazy->titles = titles;
    data->lazy->locale = usableLocale(locale);
    d = std::move(data);
}

void ViewListIndex::prepare() const
{
    Lazy &lazy = *d->lazy;
    lazy.search();
    lazy.prepareRanks();
}

void ViewListIndex::update(const tTitles &titles)
{
    if (isBuiltFrom(titles))
        return;
    const QList<tTitle> &now = titles.Title;
    const QList<tTitle> &before = d->titles.Title;
    bool sameFields = now.size() == before.size();
    for (qsizetype i = 0; sameFields && i < now.size(); ++i)
        sameFields = sameIndexedFields(now.at(i), before.at(i));
    if (sameFields) {
        auto data = std::make_shared<Data>(*d);
        data->titles = titles;
        d = std::move(data);
        return;
    }
    *this = ViewListIndex(titles, d->lazy->locale);
}

bool ViewListIndex::isBuiltFrom(const tTitles &titles) const
{
    return titles.Title.constData() == d->titles.Title.constData()
        && titles.Title.size() == d->titles.Title.size();
}

const tTitles &ViewListIndex::titles() const { return d->titles; }

QLocale ViewListIndex::collationLocale() { return usableLocale(QLocale()); }

ViewListResult ViewListIndex::build(const ViewFilter &filter) const
{
    const Data &data = *d;
    const QList<tTitle> &list = data.titles.Title;
    ViewListResult result;
    result.HasTitles = !list.isEmpty();

    const BoxTerms name = prepareTerms(filter.SearchName);
    const BoxTerms desc = prepareTerms(filter.SearchDesc);
    const BoxTerms actors = prepareTerms(filter.SearchActors);
    const BoxTerms directors = prepareTerms(filter.SearchDirectors);
    const BoxTerms writers = prepareTerms(filter.SearchWriters);
    const BoxTerms producers = prepareTerms(filter.SearchProducers);
    // An empty term matches no title in these boxes.
    const bool nothingMatches = desc.hasEmptyTerm || directors.hasEmptyTerm || writers.hasEmptyTerm
        || producers.hasEmptyTerm;
    const bool plainSearch = name.needsPlainMatch || desc.needsPlainMatch || actors.needsPlainMatch
        || directors.needsPlainMatch || writers.needsPlainMatch || producers.needsPlainMatch;

    // The folded texts only once a box has a term.
    const bool anyBox =
        name.active || desc.active || actors.active || directors.active || writers.active || producers.active;
    const Lazy *texts = anyBox && !plainSearch ? &data.lazy->search() : nullptr;
    // The boxes with the shortest texts first.
    const auto fastSearch = [&](qsizetype i, const tTitle &t) {
        return (!name.active || allFound(texts->name, i, name.needles))
            && (!directors.active || allFound(texts->directors, i, directors.needles))
            && (!writers.active || allFound(texts->writers, i, writers.needles))
            && (!producers.active || allFound(texts->producers, i, producers.needles))
            && (!actors.active
                || (!(actors.hasEmptyTerm && t.Actors.isEmpty()) && allFound(texts->actors, i, actors.needles)))
            && (!desc.active || allFound(texts->desc, i, desc.needles));
    };

    const int kind = filter.CurrentSort / 2;
    const bool ascending = filter.isAscending();
    const QList<qint32> &rank = data.lazy->rank(kind, ascending);

    // Rank in the high half, collection index in the low half: one integer
    // sort gives the key order with ties in collection order.
    std::vector<quint64> picked;
    if (!nothingMatches) {
        picked.reserve(size_t(list.size()));
        for (qsizetype i = 0; i < list.size(); ++i) {
            const tTitle &t = list.at(i);
            // Cheap tests first; every rule must hold, so the order is free.
            if (t.SeriesBoxSetChild || !filter.matchesWatched(t) || !filter.matchesWatchList(t)
                || !filter.matchesMediaType(t) || !filter.matchesGenres(t) || !filter.matchesCats(t))
                continue;
            if (plainSearch ? !filter.matchesSearch(t) : !fastSearch(i, t))
                continue;
            const quint64 r = ascending ? quint64(rank.at(i)) : quint64(0x7fffffff - rank.at(i));
            picked.push_back((r << 32) | quint64(i));
        }
        std::sort(picked.begin(), picked.end());
    }

    result.ViewList.reserve(qsizetype(picked.size()));
    for (quint64 p : picked)
        result.ViewList.append(qint32(p & 0xffffffffu));

    if (filter.isTitleSort()) {
        std::array<bool, 'Z' - '0' + 1> seen{};
        for (qsizetype pos = 0; pos < result.ViewList.size(); ++pos) {
            const QString &key = list.at(result.ViewList.at(pos)).SortTitle;
            if (key.isEmpty())
                continue;
            QChar first = key.front();
            // A title written with a lower-case initial is found under its capital.
            if (first >= u'a' && first <= u'z')
                first = QChar(first.unicode() - 32);
            if (first < u'0' || first > u'Z' || seen[first.unicode() - '0'])
                continue;
            seen[first.unicode() - '0'] = true;
            result.LetterIndex.append({first, qint32(pos)});
        }
    }

    result.FocusIndex = result.ViewList.isEmpty() ? -1 : 0;
    return result;
}

QList<qint32> ViewListIndex::titlesWithPerson(const QString &person) const
{
    const Data &data = *d;
    const QList<tTitle> &list = data.titles.Title;
    QList<qint32> found;
    if (person.isEmpty())
        return found;
    // The folded texts join a title's names with commas; a name with a comma
    // in it could match across two names there, so such a name (and one with
    // a lone surrogate, which matches code units) is compared name by name.
    if (person.contains(u',') || hasLoneSurrogate(person)) {
        for (qsizetype i = 0; i < list.size(); ++i)
            if (TitleHasPerson(list.at(i), person))
                found.append(qint32(i));
        return found;
    }
    const QByteArray needle = foldedUtf8(person);
    const Lazy &texts = data.lazy->search();
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (texts.actors.contains(i, needle) || texts.directors.contains(i, needle)
            || texts.writers.contains(i, needle) || texts.producers.contains(i, needle)
            || texts.otherCrew.contains(i, needle))
            found.append(qint32(i));
    }
    return found;
}

QList<qint32> ViewListIndex::sorted(const QList<qint32> &indices, tSort sort) const
{
    const Data &data = *d;
    const bool ascending = sort % 2 == 0;
    const QList<qint32> &rank = data.lazy->rank(sort / 2, ascending);
    // Rank in the high half, collection index in the low half, as in build().
    std::vector<quint64> keyed;
    keyed.reserve(size_t(indices.size()));
    for (qint32 i : indices) {
        if (i < 0 || i >= rank.size())
            continue;
        const quint64 r = ascending ? quint64(rank.at(i)) : quint64(0x7fffffff - rank.at(i));
        keyed.push_back((r << 32) | quint64(i));
    }
    std::sort(keyed.begin(), keyed.end());
    QList<qint32> result;
    result.reserve(qsizetype(keyed.size()));
    for (quint64 k : keyed)
        result.append(qint32(k & 0xffffffffu));
    return result;
}

ViewListResult buildViewList(const tTitles &titles, const ViewFilter &filter, const QLocale &locale)
{
    return ViewListIndex(titles, locale).build(filter);
}
