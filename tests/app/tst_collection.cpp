// The collection owner: marker toggles keep every title that reads the same
// folder in line with the disk, and jobs never overlap.

#include "app/collection.h"
#include "model/localdatabase.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
tTitle perFileTitle(const QString &id, const QString &folder, const QString &file)
{
    tTitle t;
    t.ID = id;
    t.Title = id;
    t.Directory = folder;
    tDiscInfo d;
    d.Loc = folder + u'/' + file;
    d.Container = ctMKV;
    t.DiscInfo << d;
    return t;
}
} // namespace

class TestCollection : public QObject
{
    Q_OBJECT

private slots:
    // Two titles from per-file XMLs of one folder read the same markers: a
    // toggle of one changes what the disk says of the other, and the
    // collection (and so the database) follows the disk for both.
    void toggleInASharedFolder()
    {
        QTemporaryDir home;
        QTemporaryDir movies;
        tTitles titles;
        titles.Title << perFileTitle(u"A"_qs, movies.path(), u"a.mkv"_qs)
                     << perFileTitle(u"B"_qs, movies.path(), u"b.mkv"_qs)
                     << perFileTitle(u"C"_qs, movies.path() + u"/elsewhere"_qs, u"c.mkv"_qs);
        Collection collection(home.path(), u"1.7.2017.0006"_qs);
        collection.setTitles(titles, true);

        QVERIFY(collection.toggleWatched(0).ok);
        QVERIFY(collection.titles().Title.at(0).WatchedCVB);
        QVERIFY(collection.titles().Title.at(1).WatchedCVB);
        QVERIFY(!collection.titles().Title.at(2).WatchedCVB);
        QVERIFY(collection.toggleWatchList(1).ok);
        QVERIFY(collection.titles().Title.at(0).WatchList);

        collection.waitForStored();
        const LoadResult stored = LoadLocalDatabase(home.path(), u"1.7.2017.0006"_qs, true, u"ERROR"_qs,
                                                    QDateTime::currentDateTime());
        QCOMPARE(stored.status, LoadResult::Loaded);
        QCOMPARE(stored.titles.Title.size(), 3);
        for (int i = 0; i < 2; ++i) {
            QVERIFY(stored.titles.Title.at(i).WatchedCVB);
            QVERIFY(stored.titles.Title.at(i).WatchList);
        }
    }

    void toggleOfNoTitleIsRefused()
    {
        QTemporaryDir home;
        Collection collection(home.path(), u"1.7.2017.0006"_qs);
        const MarkerResult r = collection.toggleWatched(5);
        QVERIFY(!r.ok);
        QVERIFY(!r.error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCollection)
#include "tst_collection.moc"
