#include "ui/viewlist.h"

#include <QRandomGenerator>
#include <QtConcurrent/QtConcurrentRun>
#include <QtTest>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

// A title as the import leaves one without optional data.
tTitle movie(const QString &name)
{
    tTitle t;
    t.ID = name;
    t.Title = name;
    t.SortTitle = name;
    t.MediaType = mtMovie;
    t.CollectionNum = -1;
    t.Year = 9999;
    t.Runtime = 999;
    t.ReleaseDate = u"99990101"_s;
    t.AddedDate = u"99990101"_s;
    t.Description = u"Description Missing"_s;
    return t;
}

tActor actor(const QString &name) { return tActor{name, QString()}; }

QStringList namesOf(const tTitles &titles, const QList<qint32> &indices)
{
    QStringList names;
    for (qint32 i : indices)
        names.append(titles.Title.at(i).Title);
    return names;
}

QStringList viewNames(const tTitles &titles, const ViewFilter &filter)
{
    return namesOf(titles, buildViewList(titles, filter, kEnglish).ViewList);
}

using FilterEdit = std::function<void(ViewFilter &)>;

// Flags, media types, genres and categories.
tTitles filterCollection()
{
    tTitles c;
    tTitle a = movie(u"Alpha"_s);
    a.Genres = {u"Action"_s, u"Drama"_s};
    a.Cats = {u"Kids"_s};
    tTitle b = movie(u"Bravo"_s);
    b.WatchedCVB = true;
    b.Genres = {u"Action"_s};
    tTitle ch = movie(u"Charlie"_s);
    ch.MediaType = mtTV;
    ch.WatchList = true;
    ch.Genres = {u"drama"_s};
    ch.Cats = {u"Kids"_s, u"Family"_s};
    tTitle d = movie(u"Delta"_s);
    d.WatchList = true;
    d.WatchedCVB = true;
    d.Genres = {u"Comedy"_s};
    tTitle e = movie(u"Echo"_s); // a box-set member: never listed
    e.SeriesBoxSetChild = true;
    e.PID = u"Box"_s;
    e.Genres = {u"Action"_s};
    tTitle f = movie(u"Foxtrot"_s);
    f.MediaType = mtTV;
    f.Cats = {u"Family"_s};
    c.Title = {a, b, ch, d, e, f};
    return c;
}

// Names, synopses and people for the search boxes.
tTitles searchCollection()
{
    tTitles c;
    tTitle matrix = movie(u"The Matrix"_s);
    matrix.SortTitle = u"Matrix, The"_s;
    matrix.Description = u"A hacker learns the TRUTH about reality."_s;
    matrix.Actors = {actor(u"Keanu Reeves"_s), actor(u"Carrie-Anne Moss"_s)};
    matrix.Crew.Director = {u"Lana Wachowski"_s, u"Lilly Wachowski"_s};
    matrix.Crew.Writer = {u"Lana Wachowski"_s};
    matrix.Crew.Producer = {u"Joel Silver"_s};
    tTitle speed = movie(u"Speed"_s);
    speed.Description = u"A bus must stay above fifty miles an hour."_s;
    speed.Actors = {actor(u"Keanu"_s), actor(u"Reeves Sandra"_s)};
    speed.SortTitle = u"Speed (1994)"_s;
    speed.Crew.Director = {u"Jan de Bont"_s};
    tTitle ecole = movie(u"L'École des femmes"_s);
    ecole.Description = u"Une ÉCOLE, un mariage."_s;
    ecole.Actors = {actor(u"Éric Élmosnino"_s)};
    tTitle polis = movie(u"Πόλις"_s); // ends in a final sigma
    polis.Description = u"Μια ΠΌΛΙΣ."_s;
    tTitle quoted = movie(u"\"Quoted\" Matters"_s); // no actors, no crew
    c.Title = {matrix, speed, ecole, polis, quoted};
    return c;
}

} // namespace

class TestViewList : public QObject
{
    Q_OBJECT
private slots:
    void filters_data()
    {
        QTest::addColumn<FilterEdit>("edit");
        QTest::addColumn<QStringList>("expected");
        const QStringList all{u"Alpha"_s, u"Bravo"_s, u"Charlie"_s, u"Delta"_s, u"Foxtrot"_s};
        QTest::newRow("no filter lists all but box-set members") << FilterEdit([](ViewFilter &) {}) << all;
        QTest::newRow("watched hidden")
            << FilterEdit([](ViewFilter &f) { f.ShowWatched = false; })
            << QStringList{u"Alpha"_s, u"Charlie"_s, u"Foxtrot"_s};
        QTest::newRow("watch list only")
            << FilterEdit([](ViewFilter &f) { f.ShowWatchListOnly = true; })
            << QStringList{u"Charlie"_s, u"Delta"_s};
        QTest::newRow("media type TV")
            << FilterEdit([](ViewFilter &f) { f.MediaTypeFilter = mtTV; })
            << QStringList{u"Charlie"_s, u"Foxtrot"_s};
        QTest::newRow("media type with no titles")
            << FilterEdit([](ViewFilter &f) { f.MediaTypeFilter = mtMusic; }) << QStringList{};
        QTest::newRow("genres any of, letter case ignored")
            << FilterEdit([](ViewFilter &f) {
                   f.GenreMode = u"ShowAnyOf"_s;
                   f.SelectedGenres = {u"DRAMA"_s, u"Comedy"_s};
               })
            << QStringList{u"Alpha"_s, u"Charlie"_s, u"Delta"_s};
        QTest::newRow("genres show only needs every genre")
            << FilterEdit([](ViewFilter &f) {
                   f.GenreMode = u"ShowOnly"_s;
                   f.SelectedGenres = {u"Action"_s, u"Drama"_s};
               })
            << QStringList{u"Alpha"_s};
        QTest::newRow("genre selection ignored in ShowAll mode")
            << FilterEdit([](ViewFilter &f) {
                   f.GenreMode = u"ShowAll"_s;
                   f.SelectedGenres = {u"Comedy"_s};
               })
            << all;
        QTest::newRow("genre selection ignored with empty mode")
            << FilterEdit([](ViewFilter &f) { f.SelectedGenres = {u"Comedy"_s}; }) << all;
        QTest::newRow("genre mode without selection tests nothing")
            << FilterEdit([](ViewFilter &f) { f.GenreMode = u"ShowOnly"_s; }) << all;
        QTest::newRow("categories any of")
            << FilterEdit([](ViewFilter &f) {
                   f.CatMode = u"ShowAnyOf"_s;
                   f.SelectedCats = {u"family"_s};
               })
            << QStringList{u"Charlie"_s, u"Foxtrot"_s};
        QTest::newRow("categories show only")
            << FilterEdit([](ViewFilter &f) {
                   f.CatMode = u"ShowOnly"_s;
                   f.SelectedCats = {u"Kids"_s, u"Family"_s};
               })
            << QStringList{u"Charlie"_s};
        QTest::newRow("hidden watched title stays hidden with a selected genre")
            << FilterEdit([](ViewFilter &f) {
                   f.ShowWatched = false;
                   f.GenreMode = u"ShowAnyOf"_s;
                   f.SelectedGenres = {u"Action"_s};
               })
            << QStringList{u"Alpha"_s};
        QTest::newRow("watch list, TV and category together")
            << FilterEdit([](ViewFilter &f) {
                   f.ShowWatchListOnly = true;
                   f.MediaTypeFilter = mtTV;
                   f.CatMode = u"ShowAnyOf"_s;
                   f.SelectedCats = {u"Kids"_s};
               })
            << QStringList{u"Charlie"_s};
        QTest::newRow("watch list with watched hidden")
            << FilterEdit([](ViewFilter &f) {
                   f.ShowWatchListOnly = true;
                   f.ShowWatched = false;
               })
            << QStringList{u"Charlie"_s};
    }
    void filters()
    {
        QFETCH(FilterEdit, edit);
        QFETCH(QStringList, expected);
        const tTitles c = filterCollection();
        ViewFilter f;
        edit(f);
        QCOMPARE(viewNames(c, f), expected);
        for (const tTitle &t : c.Title)
            QCOMPARE(f.matches(t), expected.contains(t.Title));
    }

    void splitTerms_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("terms");
        QTest::newRow("empty text") << QString() << QStringList{};
        QTest::newRow("one term") << u"keanu"_s << QStringList{u"keanu"_s};
        QTest::newRow("two terms keep their blanks") << u"a, b"_s << QStringList{u"a"_s, u" b"_s};
        QTest::newRow("final comma adds nothing") << u"a,"_s << QStringList{u"a"_s};
        QTest::newRow("leading comma gives empty first term") << u",a"_s << QStringList{QString(), u"a"_s};
        QTest::newRow("double comma gives empty middle term")
            << u"a,,b"_s << QStringList{u"a"_s, QString(), u"b"_s};
        QTest::newRow("only a comma") << u","_s << QStringList{QString()};
        QTest::newRow("two final commas") << u"a,,"_s << QStringList{u"a"_s, QString()};
        QTest::newRow("quotation marks are plain characters")
            << u"\"a,b\""_s << QStringList{u"\"a"_s, u"b\""_s};
    }
    void splitTerms()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, terms);
        QCOMPARE(splitSearchTerms(text), terms);
    }

    void trimTerm_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("blanks and tabs") << u" \tab c\t "_s << u"ab c"_s;
        QTest::newRow("control characters") << u"\x01x\x1f"_s << u"x"_s;
        QTest::newRow("only blanks") << u"   "_s << QString();
        QTest::newRow("no-break space is kept") << u"\u00a0x"_s << u"\u00a0x"_s;
    }
    void trimTerm()
    {
        QFETCH(QString, term);
        QFETCH(QString, trimmed);
        QCOMPARE(trimSearchTerm(term), trimmed);
    }

    void search_data()
    {
        QTest::addColumn<FilterEdit>("edit");
        QTest::addColumn<QStringList>("expected");
        const QStringList all{u"\"Quoted\" Matters"_s, u"L'École des femmes"_s, u"The Matrix"_s,
                              u"Speed"_s, u"Πόλις"_s};
        auto name = [](const QString &s) { return FilterEdit([s](ViewFilter &f) { f.SearchName = s; }); };
        auto desc = [](const QString &s) { return FilterEdit([s](ViewFilter &f) { f.SearchDesc = s; }); };
        auto actors = [](const QString &s) { return FilterEdit([s](ViewFilter &f) { f.SearchActors = s; }); };
        auto directors = [](const QString &s) {
            return FilterEdit([s](ViewFilter &f) { f.SearchDirectors = s; });
        };

        QTest::newRow("name, letter case ignored") << name(u"MATRIX"_s) << QStringList{u"The Matrix"_s};
        QTest::newRow("name, two terms in any order")
            << name(u"matrix,the"_s) << QStringList{u"The Matrix"_s};
        QTest::newRow("name, both terms must match") << name(u"matrix,speed"_s) << QStringList{};
        QTest::newRow("name, terms are trimmed") << name(u"  speed\t"_s) << QStringList{u"Speed"_s};
        QTest::newRow("name, empty middle term changes nothing")
            << name(u"matrix,,the"_s) << QStringList{u"The Matrix"_s};
        QTest::newRow("name, blank text matches all") << name(u"  "_s) << all;
        QTest::newRow("name, Title is searched, not SortTitle") << name(u"1994"_s) << QStringList{};
        QTest::newRow("name, quotation marks are plain characters")
            << name(u"\"quoted\""_s) << QStringList{u"\"Quoted\" Matters"_s};
        QTest::newRow("name, accented capitals") << name(u"ÉCOLE"_s) << QStringList{u"L'École des femmes"_s};
        QTest::newRow("name, final sigma folds like sigma")
            << name(u"ΠΌΛΙΣ"_s) << QStringList{u"Πόλις"_s};

        QTest::newRow("synopsis, lower-cased text") << desc(u"truth"_s) << QStringList{u"The Matrix"_s};
        QTest::newRow("synopsis, two terms") << desc(u"bus, fifty"_s) << QStringList{u"Speed"_s};
        QTest::newRow("synopsis, non-ASCII") << desc(u"école"_s) << QStringList{u"L'École des femmes"_s};
        QTest::newRow("synopsis, empty term matches none") << desc(u"bus,,fifty"_s) << QStringList{};
        QTest::newRow("synopsis, blank term matches none") << desc(u"bus, "_s) << QStringList{};

        QTest::newRow("actor, part of a name")
            << actors(u"reeves"_s) << QStringList{u"The Matrix"_s, u"Speed"_s};
        QTest::newRow("actor, a term never spans two names")
            << actors(u"keanu reeves"_s) << QStringList{u"The Matrix"_s};
        QTest::newRow("actor, terms may match different actors")
            << actors(u"keanu,sandra"_s) << QStringList{u"Speed"_s};
        QTest::newRow("actor, non-ASCII") << actors(u"élmosnino"_s) << QStringList{u"L'École des femmes"_s};
        QTest::newRow("actor, empty term needs at least one actor")
            << actors(u","_s) << QStringList{u"L'École des femmes"_s, u"The Matrix"_s, u"Speed"_s};

        QTest::newRow("director") << directors(u"wachowski"_s) << QStringList{u"The Matrix"_s};
        QTest::newRow("director, empty term matches none")
            << directors(u"wachowski,,lana"_s) << QStringList{};
        QTest::newRow("director, blank text matches none") << directors(u" "_s) << QStringList{};
        QTest::newRow("writer") << FilterEdit([](ViewFilter &f) { f.SearchWriters = u"LANA"_s; })
                                << QStringList{u"The Matrix"_s};
        QTest::newRow("writer, not the other crew lists")
            << FilterEdit([](ViewFilter &f) { f.SearchWriters = u"silver"_s; }) << QStringList{};
        QTest::newRow("producer") << FilterEdit([](ViewFilter &f) { f.SearchProducers = u"silver"_s; })
                                  << QStringList{u"The Matrix"_s};
        QTest::newRow("boxes combine by and")
            << FilterEdit([](ViewFilter &f) {
                   f.SearchActors = u"keanu"_s;
                   f.SearchDirectors = u"bont"_s;
               })
            << QStringList{u"Speed"_s};
        QTest::newRow("search and filter combine by and")
            << FilterEdit([](ViewFilter &f) {
                   f.SearchActors = u"keanu"_s;
                   f.MediaTypeFilter = mtTV;
               })
            << QStringList{};
    }
    void search()
    {
        QFETCH(FilterEdit, edit);
        QFETCH(QStringList, expected);
        const tTitles c = searchCollection();
        ViewFilter f;
        edit(f);
        QCOMPARE(viewNames(c, f), expected);
        for (const tTitle &t : c.Title)
            QCOMPARE(f.matches(t), expected.contains(t.Title));
    }

    void sortKeys_data()
    {
        QTest::addColumn<int>("sort");
        QTest::addColumn<std::function<void(tTitle &)>>("set");
        QTest::addColumn<QString>("key");
        using Set = std::function<void(tTitle &)>;
        QTest::newRow("stars padded") << int(SortStarsAsc) << Set([](tTitle &t) { t.Stars = 5; }) << u"05"_s;
        QTest::newRow("stars ten") << int(SortStarsDes) << Set([](tTitle &t) { t.Stars = 10; }) << u"10"_s;
        QTest::newRow("runtime missing") << int(SortRuntimeAsc) << Set([](tTitle &t) { t.Runtime = 999; })
                                         << u"0999"_s;
        QTest::newRow("runtime last four digits")
            << int(SortRuntimeAsc) << Set([](tTitle &t) { t.Runtime = 12345; }) << u"2345"_s;
        QTest::newRow("year not padded") << int(SortProdYearAsc) << Set([](tTitle &t) { t.Year = 999; })
                                         << u"999"_s;
        QTest::newRow("release date as stored")
            << int(SortReleasedAsc) << Set([](tTitle &t) { t.ReleaseDate = u"19960704"_s; }) << u"19960704"_s;
        QTest::newRow("added date as stored")
            << int(SortAddedDes) << Set([](tTitle &t) { t.AddedDate = u"99990101"_s; }) << u"99990101"_s;
        QTest::newRow("collection number padded")
            << int(SortColNumAsc) << Set([](tTitle &t) { t.CollectionNum = 42; }) << u"00042"_s;
        QTest::newRow("collection number last five digits")
            << int(SortColNumAsc) << Set([](tTitle &t) { t.CollectionNum = 123456; }) << u"23456"_s;
        QTest::newRow("collection number missing")
            << int(SortColNumDes) << Set([](tTitle &t) { t.CollectionNum = -1; }) << u"000-1"_s;
        QTest::newRow("sort title") << int(SortTitleDes) << Set([](tTitle &t) { t.SortTitle = u"Matrix, The"_s; })
                                    << u"Matrix, The"_s;
    }
    void sortKeys()
    {
        QFETCH(int, sort);
        QFETCH(std::function<void(tTitle &)>, set);
        QFETCH(QString, key);
        tTitle t = movie(u"x"_s);
        set(t);
        QCOMPARE(viewSortKey(t, tSort(sort)), key);
    }

    // Four titles with ties and missing values in every field.
    void sorts_data()
    {
        QTest::addColumn<int>("sort");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("title ascending ignores case, ties in collection order")
            << int(SortTitleAsc) << QStringList{u"B"_s, u"A"_s, u"D"_s, u"C"_s};
        QTest::newRow("title descending respects case")
            << int(SortTitleDes) << QStringList{u"C"_s, u"D"_s, u"A"_s, u"B"_s};
        QTest::newRow("stars ascending") << int(SortStarsAsc) << QStringList{u"D"_s, u"A"_s, u"C"_s, u"B"_s};
        QTest::newRow("stars descending, tie in collection order")
            << int(SortStarsDes) << QStringList{u"B"_s, u"A"_s, u"C"_s, u"D"_s};
        QTest::newRow("runtime ascending, missing 999 before 1000")
            << int(SortRuntimeAsc) << QStringList{u"C"_s, u"A"_s, u"B"_s, u"D"_s};
        QTest::newRow("runtime descending") << int(SortRuntimeDes) << QStringList{u"D"_s, u"B"_s, u"A"_s, u"C"_s};
        QTest::newRow("year ascending sorts as text, 999 after 1999")
            << int(SortProdYearAsc) << QStringList{u"A"_s, u"D"_s, u"B"_s, u"C"_s};
        QTest::newRow("year descending, missing 9999 first")
            << int(SortProdYearDes) << QStringList{u"C"_s, u"B"_s, u"D"_s, u"A"_s};
        QTest::newRow("released ascending, missing last")
            << int(SortReleasedAsc) << QStringList{u"C"_s, u"A"_s, u"D"_s, u"B"_s};
        QTest::newRow("released descending") << int(SortReleasedDes) << QStringList{u"B"_s, u"D"_s, u"A"_s, u"C"_s};
        QTest::newRow("added ascending, tie in collection order")
            << int(SortAddedAsc) << QStringList{u"B"_s, u"A"_s, u"C"_s, u"D"_s};
        QTest::newRow("added descending, tie in collection order")
            << int(SortAddedDes) << QStringList{u"D"_s, u"A"_s, u"C"_s, u"B"_s};
        QTest::newRow("collection number ascending, -1 first, last five digits")
            << int(SortColNumAsc) << QStringList{u"B"_s, u"A"_s, u"D"_s, u"C"_s};
        QTest::newRow("collection number descending")
            << int(SortColNumDes) << QStringList{u"C"_s, u"D"_s, u"A"_s, u"B"_s};
    }
    void sorts()
    {
        QFETCH(int, sort);
        QFETCH(QStringList, order);
        auto make = [](const QString &id, const QString &sortTitle, int stars, int runtime, int year,
                       const QString &released, const QString &added, int colNum) {
            tTitle t = movie(id);
            t.SortTitle = sortTitle;
            t.Stars = stars;
            t.Runtime = runtime;
            t.Year = year;
            t.ReleaseDate = released;
            t.AddedDate = added;
            t.CollectionNum = colNum;
            return t;
        };
        tTitles c;
        c.Title = {
            make(u"A"_s, u"banana"_s, 7, 120, 1999, u"20010305"_s, u"20100101"_s, 3),
            make(u"B"_s, u"Apple"_s, 10, 999, 999, u"99990101"_s, u"20090101"_s, -1),
            make(u"C"_s, u"cherry"_s, 7, 95, 9999, u"19991231"_s, u"20100101"_s, 123457),
            make(u"D"_s, u"Banana"_s, 0, 1000, 2005, u"20050101"_s, u"99990101"_s, 12),
        };
        ViewFilter f;
        f.CurrentSort = tSort(sort);
        const ViewListResult r = buildViewList(c, f, kEnglish);
        QCOMPARE(namesOf(c, r.ViewList), order);
        QCOMPARE(namesOf(c, sortViewIndices(c, {0, 1, 2, 3}, tSort(sort), kEnglish)), order);
    }

    void titleCollation_data()
    {
        QTest::addColumn<int>("sort");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("order");
        const QStringList accented{u"Zorro"_s, u"Émile"_s, u"eagle"_s, u"Apple"_s, u"Ångström"_s};
        QTest::newRow("accents sort with their letter, ascending")
            << int(SortTitleAsc) << accented
            << QStringList{u"Ångström"_s, u"Apple"_s, u"eagle"_s, u"Émile"_s, u"Zorro"_s};
        QTest::newRow("accents sort with their letter, descending")
            << int(SortTitleDes) << accented
            << QStringList{u"Zorro"_s, u"Émile"_s, u"eagle"_s, u"Apple"_s, u"Ångström"_s};
        const QStringList cased{u"apple"_s, u"APPLE"_s, u"Apple"_s};
        QTest::newRow("ascending: case-only differences tie")
            << int(SortTitleAsc) << cased << QStringList{u"apple"_s, u"APPLE"_s, u"Apple"_s};
        QTest::newRow("descending: capitals before small letters")
            << int(SortTitleDes) << cased << QStringList{u"APPLE"_s, u"Apple"_s, u"apple"_s};
    }
    void titleCollation()
    {
        QFETCH(int, sort);
        QFETCH(QStringList, titles);
        QFETCH(QStringList, order);
        tTitles c;
        for (const QString &t : titles)
            c.Title.append(movie(t));
        ViewFilter f;
        f.CurrentSort = tSort(sort);
        QCOMPARE(viewNames(c, f), order);
    }

    void letterIndex_data()
    {
        QTest::addColumn<int>("sort");
        QTest::addColumn<QString>("letters"); // one character per entry, in ViewList order
        QTest::addColumn<QList<qint32>>("positions");
        // Ascending: "", "[Rec]", "@Home", "2001", "2012", "alien", "Aliens", "Émile", "Zulu";
        // "[" lies above "Z" and "É" outside the range, so neither gets an entry.
        QTest::newRow("title ascending") << int(SortTitleAsc) << u"@2AZ"_s << QList<qint32>{2, 3, 5, 8};
        // Descending: "Zulu", "Émile", "Aliens", "alien", "2012", "2001", "@Home", "[Rec]", ""
        QTest::newRow("title descending") << int(SortTitleDes) << u"ZA2@"_s << QList<qint32>{0, 2, 4, 6};
        QTest::newRow("other sorts have none") << int(SortStarsAsc) << QString() << QList<qint32>{};
    }
    void letterIndex()
    {
        QFETCH(int, sort);
        QFETCH(QString, letters);
        QFETCH(QList<qint32>, positions);
        tTitles c;
        for (const QString &t : {u"Zulu"_s, u"alien"_s, u"2012"_s, u"@Home"_s, u"Émile"_s, QString(),
                                 u"[Rec]"_s, u"Aliens"_s, u"2001"_s})
            c.Title.append(movie(t));
        ViewFilter f;
        f.CurrentSort = tSort(sort);
        const ViewListResult r = buildViewList(c, f, kEnglish);
        QCOMPARE(r.ViewList.size(), c.Title.size());
        QList<LetterIndexEntry> expected;
        for (qsizetype k = 0; k < letters.size(); ++k)
            expected.append({letters.at(k), positions.at(k)});
        QCOMPARE(r.LetterIndex, expected);
        // Every entry points at the first title of its character.
        for (const LetterIndexEntry &e : r.LetterIndex) {
            const QString key = c.Title.at(r.ViewList.at(e.Position)).SortTitle;
            QCOMPARE(key.front().toUpper(), e.Letter);
        }
    }

    void letterLookup()
    {
        ViewListResult r;
        r.LetterIndex = {{u'2', 0}, {u'A', 3}, {u'M', 7}};
        QCOMPARE(r.letterPosition(u'a'), 3);
        QCOMPARE(r.letterPosition(u'A'), 3);
        QCOMPARE(r.letterPosition(u'm'), 7);
        QCOMPARE(r.letterPosition(u'2'), 0);
        QCOMPARE(r.letterPosition(u'b'), -1);
        QCOMPARE(r.letterPosition(u'['), -1);
    }

    void results_data()
    {
        QTest::addColumn<int>("titleCount");
        QTest::addColumn<bool>("hideAll");
        QTest::addColumn<bool>("hasTitles");
        QTest::addColumn<int>("focus");
        QTest::newRow("empty collection") << 0 << false << false << -1;
        QTest::newRow("titles, none passing") << 3 << true << true << -1;
        QTest::newRow("titles passing") << 3 << false << true << 0;
    }
    void results()
    {
        QFETCH(int, titleCount);
        QFETCH(bool, hideAll);
        QFETCH(bool, hasTitles);
        QFETCH(int, focus);
        tTitles c;
        for (int i = 0; i < titleCount; ++i)
            c.Title.append(movie(QString::number(i)));
        ViewFilter f;
        if (hideAll)
            f.SearchName = u"nothing like it"_s;
        const ViewListResult r = ViewListIndex(c, kEnglish).build(f);
        QCOMPARE(r.HasTitles, hasTitles);
        QCOMPARE(r.FocusIndex, focus);
        QCOMPARE(r.ViewList.isEmpty(), focus < 0);
    }

    // The index must give exactly what the plain rules give, for any
    // collection and filter state.
    void indexAgreesWithPlainRules()
    {
        QRandomGenerator rng(7);
        const QStringList words{u"night"_s, u"Élan"_s, u"ΣΟΦΙΑ"_s, u"star"_s, u"STAR"_s, u"war"_s,
                                u"straße"_s, u"Ørsted"_s, u"moon"_s, u"a"_s, u"the"_s, u"river"_s,
                                u"\U00010400x"_s}; // a letter outside the BMP, with a case pair
        auto phrase = [&](int maxWords) {
            QStringList p;
            const int n = rng.bounded(maxWords + 1);
            for (int k = 0; k < n; ++k)
                p.append(words.at(rng.bounded(words.size())));
            return p.join(u' ');
        };
        auto people = [&](int max) {
            QStringList p;
            const int n = rng.bounded(max + 1);
            for (int k = 0; k < n; ++k)
                p.append(phrase(2));
            return p;
        };
        tTitles c;
        for (int i = 0; i < 300; ++i) {
            tTitle t = movie(phrase(3));
            t.SortTitle = rng.bounded(4) == 0 ? phrase(2) : t.Title;
            t.Description = phrase(12);
            for (const QString &name : people(4))
                t.Actors.append(actor(name));
            t.Crew.Director = people(2);
            t.Crew.Writer = people(2);
            t.Crew.Producer = people(2);
            t.Stars = rng.bounded(11);
            t.Runtime = rng.bounded(4) == 0 ? 999 : rng.bounded(200);
            t.Year = rng.bounded(4) == 0 ? 9999 : 1900 + rng.bounded(120);
            t.CollectionNum = rng.bounded(5) == 0 ? -1 : rng.bounded(200000);
            t.ReleaseDate = rng.bounded(4) == 0 ? u"99990101"_s : QString::number(19500101 + rng.bounded(700000));
            t.AddedDate = QString::number(20000101 + rng.bounded(200000));
            t.WatchedCVB = rng.bounded(3) == 0;
            t.WatchList = rng.bounded(3) == 0;
            t.SeriesBoxSetChild = rng.bounded(10) == 0;
            t.MediaType = tMediaType(rng.bounded(6));
            c.Title.append(t);
        }
        const ViewListIndex index(c, kEnglish);
        auto term = [&] {
            static const QStringList extra{u""_s, u" "_s, u","_s, u"ar"_s, u"r s"_s, u"Σ"_s, u"é"_s, u"\U00010428"_s};
            return rng.bounded(3) == 0 ? extra.at(rng.bounded(extra.size()))
                                       : words.at(rng.bounded(words.size())).left(1 + rng.bounded(4));
        };
        auto box = [&] {
            if (rng.bounded(3) != 0)
                return QString();
            QString text = term();
            if (rng.bounded(3) == 0)
                text += u',' + term();
            return text;
        };
        for (int round = 0; round < 400; ++round) {
            ViewFilter f;
            f.CurrentSort = tSort(rng.bounded(14));
            f.ShowWatched = rng.bounded(2);
            f.ShowWatchListOnly = rng.bounded(4) == 0;
            f.MediaTypeFilter = rng.bounded(3) == 0 ? tMediaType(rng.bounded(6)) : mtNotSet;
            f.SearchName = box();
            f.SearchDesc = box();
            f.SearchActors = box();
            f.SearchDirectors = box();
            f.SearchWriters = box();
            f.SearchProducers = box();
            QList<qint32> passing;
            for (qint32 i = 0; i < c.Title.size(); ++i) {
                if (f.matches(c.Title.at(i)))
                    passing.append(i);
            }
            const QList<qint32> expected = sortViewIndices(c, passing, f.CurrentSort, kEnglish);
            const ViewListResult r = index.build(f);
            if (r.ViewList != expected)
                qWarning() << "sort" << f.CurrentSort << f.SearchName << f.SearchDesc << f.SearchActors
                           << f.SearchDirectors << f.SearchWriters << f.SearchProducers;
            QCOMPARE(r.ViewList, expected);
        }
    }

    // The index makes its parts when first needed; threads that need them at
    // once, each for another sort or search, all get what a prepared index gives.
    void firstUsesFromManyThreadsAgree()
    {
        tTitles c = searchCollection();
        for (int copy = 0; copy < 40; ++copy)
            for (const tTitle &t : searchCollection().Title) {
                tTitle more = t;
                more.Title += QString::number(copy);
                c.Title.append(more);
            }
        QList<ViewFilter> filters;
        for (int s = SortTitleAsc; s <= SortColNumDes; ++s) {
            ViewFilter f;
            f.CurrentSort = tSort(s);
            f.SearchActors = s % 3 == 0 ? u"keanu"_s : QString();
            f.SearchDesc = s % 3 == 1 ? u"a"_s : QString();
            filters.append(f);
        }
        const ViewListIndex prepared(c, kEnglish);
        prepared.prepare();
        for (int round = 0; round < 5; ++round) {
            const ViewListIndex fresh(c, kEnglish);
            QList<QFuture<ViewListResult>> results;
            for (const ViewFilter &f : std::as_const(filters))
                results.append(QtConcurrent::run([&fresh, f] { return fresh.build(f); }));
            const QFuture<QList<qint32>> person =
                QtConcurrent::run([&fresh] { return fresh.titlesWithPerson(u"Reeves"_s); });
            for (qsizetype k = 0; k < filters.size(); ++k)
                QCOMPARE(results[k].result(), prepared.build(filters.at(k)));
            QCOMPARE(person.result(), prepared.titlesWithPerson(u"Reeves"_s));
        }
    }

    void updateFollowsCollection()
    {
        tTitles c = searchCollection();
        ViewListIndex index(c, kEnglish);
        QVERIFY(index.isBuiltFrom(c));
        ViewFilter hideWatched;
        hideWatched.ShowWatched = false;
        QCOMPARE(index.build(hideWatched).ViewList.size(), 5);

        // A watched toggle: only a flag changes.
        c.Title[2].WatchedCVB = true;
        QVERIFY(!index.isBuiltFrom(c));
        index.update(c);
        QVERIFY(index.isBuiltFrom(c));
        QCOMPARE(namesOf(c, index.build(hideWatched).ViewList).contains(u"L'École des femmes"_s), false);

        // A renamed title must be found under its new name and sorted by it.
        c.Title[1].Title = u"Aardvark"_s;
        c.Title[1].SortTitle = u"Aardvark"_s;
        index.update(c);
        ViewFilter byName;
        byName.SearchName = u"aardvark"_s;
        QCOMPARE(namesOf(c, index.build(byName).ViewList), QStringList{u"Aardvark"_s});
        // '"' sorts before letters and Greek after Latin.
        QCOMPARE(index.build(ViewFilter()).ViewList, (QList<qint32>{4, 1, 2, 0, 3}));

        // A sync appends a title.
        c.Title.append(movie(u"Zebra"_s));
        index.update(c);
        QCOMPARE(index.build(ViewFilter()).ViewList, (QList<qint32>{4, 1, 2, 0, 5, 3}));

        c.Title.clear();
        index.update(c);
        QVERIFY(!index.build(ViewFilter()).HasTitles);
    }

    void startState_data()
    {
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<int>("sort");
        QTest::addColumn<bool>("showWatched");
        QTest::newRow("configuration read") << true << int(SortAddedDes) << false;
        QTest::newRow("first run") << false << int(SortTitleAsc) << true;
    }
    void startState()
    {
        QFETCH(bool, loaded);
        QFETCH(int, sort);
        QFETCH(bool, showWatched);
        tSettings s;
        s.Loaded = loaded;
        s.DefaultSort = SortAddedDes;
        s.DefaultShowWatched = false;
        const ViewFilter f = startViewFilter(s);
        QCOMPARE(int(f.CurrentSort), sort);
        QCOMPARE(f.ShowWatched, showWatched);
        QVERIFY(!f.ShowWatchListOnly);
        QCOMPARE(f.MediaTypeFilter, mtNotSet);
        QVERIFY(!f.hasSearch());
    }
};

QTEST_GUILESS_MAIN(TestViewList)
#include "tst_viewlist.moc"
