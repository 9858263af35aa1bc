#include "tools/collectiongen.h"

#include <QDate>
#include <QSet>
#include <QtTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
bool isStoredDate(const QString &text)
{
    return text == u"99990101"_s || QDate::fromString(text, u"yyyyMMdd"_s).isValid();
}
} // namespace

class TestCollectionGen : public QObject
{
    Q_OBJECT
private slots:
    void sameSeedSameCollection()
    {
        CollectionGenOptions options;
        options.titleCount = 300;
        options.seed = 11;
        const tTitles a = GenerateCollection(options);
        QCOMPARE(a.Title.size(), 300);
        QVERIFY(a == GenerateCollection(options));
        options.seed = 12;
        QVERIFY(!(a == GenerateCollection(options)));
    }

    // What the model promises every consumer of a collection.
    void collectionKeepsTheModelsInvariants()
    {
        CollectionGenOptions options;
        options.titleCount = 2000;
        options.rootDirectory = u"/srv/films"_s;
        const tTitles titles = GenerateCollection(options);

        QVERIFY(std::is_sorted(titles.MyGenres.cbegin(), titles.MyGenres.cend()));
        QVERIFY(std::is_sorted(titles.MyCats.cbegin(), titles.MyCats.cend()));
        const QSet<QString> genres(titles.MyGenres.cbegin(), titles.MyGenres.cend());
        const QSet<QString> cats(titles.MyCats.cbegin(), titles.MyCats.cend());
        QCOMPARE(genres.size(), titles.MyGenres.size());

        QSet<QString> ids;
        QSet<QString> parents;
        int tvTitles = 0;
        int children = 0;
        QSet<tContainers> containers;
        for (const tTitle &t : titles.Title) {
            const QString where = t.ID + u' ' + t.Title;
            QVERIFY2(!ids.contains(t.ID), qPrintable(where));
            ids.insert(t.ID);
            if (t.SeriesBoxSetParent)
                parents.insert(t.ID);
            if (t.SeriesBoxSetChild) {
                ++children;
                QVERIFY2(parents.contains(t.PID), qPrintable(where));
            }
            QVERIFY2(t.Directory.startsWith(u"/srv/films/"_s), qPrintable(where));
            QVERIFY2(!t.DiscInfo.isEmpty() || t.SeriesBoxSetParent, qPrintable(where));
            QSet<QString> locs;
            for (const tDiscInfo &d : t.DiscInfo) {
                containers.insert(d.Container);
                QVERIFY2(d.Loc.startsWith(t.Directory), qPrintable(where));
                QVERIFY2(!locs.contains(d.Loc.toLower()), qPrintable(where));
                locs.insert(d.Loc.toLower());
                QSet<QPair<int, int>> episodes;
                for (const tEpisode &e : d.Episodes) {
                    QVERIFY2(!episodes.contains({e.Season, e.EpiNum}), qPrintable(where));
                    episodes.insert({e.Season, e.EpiNum});
                }
                QVERIFY(d.Episodes.isEmpty() || t.MediaType == mtTV);
            }
            tvTitles += t.MediaType == mtTV;
            QVERIFY2(isStoredDate(t.ReleaseDate) && isStoredDate(t.AddedDate), qPrintable(where));
            QVERIFY(t.Stars >= 0 && t.Stars <= 10);
            QVERIFY(t.Actors.size() >= 10 && t.Actors.size() <= 60);
            QVERIFY(t.Description.toUtf8().size() >= 500);
            QVERIFY(t.Genres.size() >= 1 && t.Genres.size() <= 4);
            for (const QString &g : t.Genres)
                QVERIFY(genres.contains(g));
            for (const QString &c : t.Cats)
                QVERIFY(cats.contains(c));
            for (const tActor &a : t.Actors)
                QVERIFY(!a.Actor.isEmpty());
            QVERIFY(!t.Crew.Director.isEmpty());
        }
        QVERIFY(tvTitles > 0);
        QVERIFY(children > 0);
        QCOMPARE(containers.size(), 4);
    }
};

QTEST_GUILESS_MAIN(TestCollectionGen)
#include "tst_collectiongen.moc"
