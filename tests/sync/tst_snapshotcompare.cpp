#include "sync/snapshotcompare.h"

#include <QtTest>

namespace {
tDirDiscInfo disc(const QString &loc, qint32 xmlDate = 100, const QString &xml = QString())
{
    tDirDiscInfo d;
    d.Loc = loc;
    d.XML = xml;
    d.FileDate = xmlDate;
    return d;
}

tDirectoryRec dir(const QString &path, qint32 xmlDate, QList<tDirDiscInfo> discs, qint32 watched = 0)
{
    tDirectoryRec r;
    r.Directory = path;
    r.mmXMLFile = xmlDate ? path + u"/mymovies.xml"_qs : QString();
    r.FileDate = xmlDate;
    r.CVBWatchedFileDate = watched;
    r.DiscInfo = discs;
    return r;
}

QStringList paths(const tDirectories &list)
{
    QStringList out;
    for (const auto &r : list) {
        QStringList locs;
        for (const auto &d : r.DiscInfo)
            locs << d.Loc.section(u'/', -1);
        out << r.Directory.section(u'/', -1) + u'[' + locs.join(u',') + u']';
    }
    return out;
}

tTitle title(const QString &id, QStringList locs, const QString &directory = QString())
{
    tTitle t;
    t.ID = id;
    t.Title = id;
    t.Directory = directory;
    for (const QString &l : locs) {
        tDiscInfo d;
        d.Loc = l;
        t.DiscInfo << d;
    }
    return t;
}
} // namespace

class TestSnapshotCompare : public QObject
{
    Q_OBJECT
private slots:
    void compare_data()
    {
        QTest::addColumn<tDirectories>("fresh");
        QTest::addColumn<tDirectories>("previous");
        QTest::addColumn<QStringList>("toImport");
        QTest::addColumn<QStringList>("toRemove");

        const tDirectoryRec a = dir(u"/m/A"_qs, 100, {disc(u"/m/A"_qs)});
        QTest::newRow("new directory") << tDirectories{a} << tDirectories{} << QStringList{u"A[A]"_qs} << QStringList{};
        QTest::newRow("unchanged") << tDirectories{a} << tDirectories{a} << QStringList{} << QStringList{};
        QTest::newRow("xml touched")
            << tDirectories{dir(u"/m/A"_qs, 101, {disc(u"/m/A"_qs, 101)})} << tDirectories{a}
            << QStringList{u"A[A]"_qs} << QStringList{};
        QTest::newRow("xml appears over a placeholder")
            << tDirectories{dir(u"/m/A"_qs, 101, {disc(u"/m/A"_qs, 101)})}
            << tDirectories{dir(u"/m/A"_qs, 0, {disc(u"/m/A"_qs, 0)})} << QStringList{u"A[A]"_qs}
            << QStringList{u"A[A]"_qs};
        QTest::newRow("watched marker created")
            << tDirectories{dir(u"/m/A"_qs, 100, {disc(u"/m/A"_qs)}, 55)} << tDirectories{a}
            << QStringList{u"A[A]"_qs} << QStringList{};
        const tDirectoryRec two = dir(u"/m/B"_qs, 100, {disc(u"/m/B/1.mkv"_qs), disc(u"/m/B/2.mkv"_qs)});
        QTest::newRow("one of two discs gone")
            << tDirectories{dir(u"/m/B"_qs, 100, {disc(u"/m/B/1.mkv"_qs)})} << tDirectories{two} << QStringList{}
            << QStringList{u"B[2.mkv]"_qs};
        QTest::newRow("per-file xml of one disc changed")
            << tDirectories{dir(u"/m/B"_qs, 100, {disc(u"/m/B/1.mkv"_qs), disc(u"/m/B/2.mkv"_qs, 300)})}
            << tDirectories{two} << QStringList{u"B[2.mkv]"_qs} << QStringList{};
        QTest::newRow("disc added")
            << tDirectories{dir(u"/m/B"_qs, 100, {disc(u"/m/B/1.mkv"_qs), disc(u"/m/B/2.mkv"_qs), disc(u"/m/B/3.mkv"_qs)})}
            << tDirectories{two} << QStringList{u"B[3.mkv]"_qs} << QStringList{};
        QTest::newRow("directory gone") << tDirectories{} << tDirectories{a} << QStringList{}
                                        << QStringList{u"A[A]"_qs};
        QTest::newRow("paths compare case-sensitively")
            << tDirectories{dir(u"/m/a"_qs, 100, {disc(u"/m/a"_qs)})} << tDirectories{a}
            << QStringList{u"a[a]"_qs} << QStringList{u"A[A]"_qs};
    }
    void compare()
    {
        QFETCH(tDirectories, fresh);
        QFETCH(tDirectories, previous);
        QFETCH(QStringList, toImport);
        QFETCH(QStringList, toRemove);
        SyncTextLog log(true);
        CompareSnapshots(fresh, previous, log);
        QCOMPARE(paths(fresh), toImport);
        QCOMPARE(paths(previous), toRemove);
    }

    void unchangedDirectoryLogsNoNewData()
    {
        tDirectories fresh{dir(u"/m/A"_qs, 100, {disc(u"/m/A"_qs)})};
        tDirectories previous = fresh;
        SyncTextLog log(true);
        CompareSnapshots(fresh, previous, log);
        QCOMPARE(log.lines(), (QStringList{u"  Comparing Dir Snapshot for /m/A"_qs, u"    No old data to remove from /m/A"_qs,
                                           u"    No new data to add from /m/A"_qs}));
    }

    void removalTakesEveryDiscOfAnEntry()
    {
        tTitles titles;
        titles.Title << title(u"one"_qs, {u"/m/B/1.mkv"_qs}) << title(u"two"_qs, {u"/m/B/2.mkv"_qs, u"/m/C/x.iso"_qs})
                     << title(u"keep"_qs, {u"/m/D"_qs});
        const tDirectories previous{dir(u"/m/B"_qs, 100, {disc(u"/m/B/1.MKV"_qs), disc(u"/m/B/2.mkv"_qs)})};
        SyncTextLog log(true);
        int lookups = 0;
        const RemovalResult r = RemoveVanishedDiscs(titles, previous, log, [&](tTitle &t) {
            ++lookups;
            t.ImgFolder = u"x.jpg"_qs;
        });
        QCOMPARE(r.discsRemoved, 2);
        QCOMPARE(r.titlesRemoved, 1);
        QCOMPARE(titles.Title.size(), 2);
        QCOMPARE(titles.Title.at(0).ID, u"two"_qs);
        QCOMPARE(titles.Title.at(0).DiscInfo.size(), 1);
        // The first disc went: the title moves to the folder of its new first disc.
        QCOMPARE(titles.Title.at(0).Directory, u"/m/C"_qs);
        QCOMPARE(titles.Title.at(0).ImgFolder, u"x.jpg"_qs);
        QCOMPARE(lookups, 1);
        QCOMPARE(titles.Title.at(1).ID, u"keep"_qs);
    }

    void removedBoxSetParentGoes()
    {
        tTitles titles;
        tTitle parent = title(u"box"_qs, {}, u"/m/Box"_qs);
        parent.SeriesBoxSetParent = true;
        tTitle other = title(u"other"_qs, {}, u"/m/Other"_qs);
        other.SeriesBoxSetParent = true;
        titles.Title << parent << other;
        const tDirectories previous{dir(u"/m/Box"_qs, 100, {disc(u"BoxSetParent"_qs)})};
        SyncTextLog log(false);
        RemoveVanishedDiscs(titles, previous, log, {});
        QCOMPARE(titles.Title.size(), 1);
        QCOMPARE(titles.Title.at(0).ID, u"other"_qs);
    }
};

QTEST_GUILESS_MAIN(TestSnapshotCompare)
#include "tst_snapshotcompare.moc"
