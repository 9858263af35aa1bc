#include "art/artcache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QDateTime kOldTime = QDateTime(QDate(2020, 3, 14), QTime(9, 26, 52), Qt::UTC);
const QDateTime kNewTime = QDateTime(QDate(2021, 6, 1), QTime(18, 0, 0), Qt::UTC);

void writeFile(const QString &path, const QByteArray &bytes, const QDateTime &lastWrite = kOldTime)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(bytes);
    file.flush();
    QVERIFY(file.setFileTime(lastWrite, QFileDevice::FileModificationTime));
}

QDateTime lastWrite(const QString &path)
{
    return QFileInfo(path).fileTime(QFileDevice::FileModificationTime);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Two titles in a movies folder: a DVD whose fan art lies in VIDEO_TS, and an
// MKV file whose images carry the media file's base name.
struct Fixture {
    QTemporaryDir root;
    QString cache;
    QString alien;
    QString heat;
    tTitles titles;

    Fixture()
    {
        cache = root.filePath(u"Cache/"_qs);
        alien = root.filePath(u"Movies/Alien"_qs);
        heat = root.filePath(u"Movies/Heat"_qs);
        writeFile(alien + u"/folder.jpg"_qs, "alien folder");
        writeFile(alien + u"/VIDEO_TS/fanart.jpg"_qs, "alien fan art");
        writeFile(alien + u"/mymovies-front.jpg"_qs, "alien front");
        writeFile(heat + u"/Heat.jpg"_qs, "heat folder");
        writeFile(heat + u"/Heat-fanart.jpg"_qs, "heat fan art");
        writeFile(heat + u"/Heat.mymovies-back.jpg"_qs, "heat back");

        tTitle a;
        a.ID = u"id-alien"_qs;
        a.Title = u"Alien"_qs;
        a.Directory = alien;
        a.ImgFolder = u"folder.jpg"_qs;
        a.ImgFanArt = u"VIDEO_TS\\fanart.jpg"_qs;
        a.ImgCoverFront = u"mymovies-front.jpg"_qs;
        tTitle h;
        h.ID = u"id-heat"_qs;
        h.Title = u"Heat"_qs;
        h.Directory = heat;
        h.ImgFolder = u"Heat.jpg"_qs;
        h.ImgFanArt = u"Heat-fanart.jpg"_qs;
        h.ImgCoverBack = u"Heat.mymovies-back.jpg"_qs;
        titles.Title = {a, h};
    }

    // One sync run's share of the cache: scan at the start, update at the end.
    ArtCacheUpdateResult run(const ArtCacheProgress &progress = {})
    {
        ArtCache art(cache);
        art.GetSubDirectoryInfo();
        return art.UpdateLocalArt(titles, progress);
    }
    QString cached(const QString &id, const QString &name) const { return cache + id + u'/' + name; }
};

} // namespace

class TestArtCache : public QObject
{
    Q_OBJECT
private slots:
    void storedName_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("fanArt");
        QTest::addColumn<QString>("stored");
        QTest::newRow("fan art in VIDEO_TS") << u"VIDEO_TS\\fanart.jpg"_qs << true << u"fanart.jpg"_qs;
        QTest::newRow("fan art in bdmv, lower case") << u"bdmv\\fanart.jpg"_qs << true << u"fanart.jpg"_qs;
        QTest::newRow("fan art beside the media file") << u"Heat-fanart.jpg"_qs << true << u"Heat-fanart.jpg"_qs;
        QTest::newRow("other images keep their name") << u"VIDEO_TS\\folder.jpg"_qs << false
                                                      << u"VIDEO_TS\\folder.jpg"_qs;
    }
    void storedName()
    {
        QFETCH(QString, value);
        QFETCH(bool, fanArt);
        QFETCH(QString, stored);
        QCOMPARE(ArtCacheStoredName(value, fanArt), stored);
    }

    void scanRecordsFoldersAndFiles()
    {
        QTemporaryDir root;
        const QString cache = root.filePath(u"Cache"_qs);
        ArtCache empty(cache);
        empty.GetSubDirectoryInfo();
        QVERIFY(empty.WaitForScanDone());
        QVERIFY(QFileInfo(cache).isDir()); // created by the scan alone, whatever LocalArt says
        QVERIFY(empty.Index().isEmpty());

        writeFile(cache + u"/id-1/folder.jpg"_qs, "12345");
        QDir().mkpath(cache + u"/id-2/nested"_qs);
        ArtCache art(cache);
        art.GetSubDirectoryInfo();
        QVERIFY(art.WaitForScanDone());
        QList<tArtCacheDirRec> index = art.Index();
        std::sort(index.begin(), index.end(),
                  [](const auto &a, const auto &b) { return a.Directory < b.Directory; });
        QCOMPARE(index.size(), 2);
        QCOMPARE(index[0].Directory, cache + u"/id-1/"_qs);
        QVERIFY(index[0].Delete);
        QCOMPARE(index[0].Files.size(), 1);
        QCOMPARE(index[0].Files[0].FileName, cache + u"/id-1/folder.jpg"_qs);
        QCOMPARE(index[0].Files[0].AttrData.Size, 5);
        QVERIFY(index[0].Files[0].AttrData.LastWriteTime > 0);
        QVERIFY(index[1].Files.isEmpty()); // subfolders of a title folder are not files
    }

    void firstRunCopiesKeepingTimes()
    {
        Fixture f;
        const ArtCacheUpdateResult result = f.run();
        QCOMPARE(result.copied, 6);
        QCOMPARE(result.copyFailed, 0);
        QCOMPARE(contents(f.cached(u"id-alien"_qs, u"fanart.jpg"_qs)), QByteArray("alien fan art"));
        QVERIFY(!QFileInfo::exists(f.cached(u"id-alien"_qs, u"VIDEO_TS"_qs)));
        QCOMPARE(contents(f.cached(u"id-heat"_qs, u"Heat.mymovies-back.jpg"_qs)), QByteArray("heat back"));
        QCOMPARE(lastWrite(f.cached(u"id-heat"_qs, u"Heat.jpg"_qs)), kOldTime);
        QCOMPARE(ArtCacheFilePath(f.cache, u"id-alien"_qs, u"VIDEO_TS\\fanart.jpg"_qs, true),
                 f.cached(u"id-alien"_qs, u"fanart.jpg"_qs));
    }

    void changeDetection_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("copied");
        QTest::addColumn<int>("copyFailed");
        QTest::addColumn<QByteArray>("cachedAfter");
        QTest::newRow("untouched") << u"none"_qs << 0 << 0 << QByteArray("heat folder");
        QTest::newRow("new last-write time") << u"time"_qs << 1 << 0 << QByteArray("heat FOLDER");
        QTest::newRow("new size, same time") << u"size"_qs << 1 << 0 << QByteArray("heat folder, bigger");
        QTest::newRow("source offline keeps the copy") << u"gone"_qs << 0 << 1 << QByteArray("heat folder");
        QTest::newRow("cached copy deleted by hand") << u"cachegone"_qs << 1 << 0 << QByteArray("heat folder");
    }
    void changeDetection()
    {
        QFETCH(QString, change);
        QFETCH(int, copied);
        QFETCH(int, copyFailed);
        QFETCH(QByteArray, cachedAfter);
        Fixture f;
        QCOMPARE(f.run().copied, 6);

        const QString source = f.heat + u"/Heat.jpg"_qs;
        if (change == u"time")
            writeFile(source, "heat FOLDER", kNewTime);
        else if (change == u"size")
            writeFile(source, "heat folder, bigger", kOldTime);
        else if (change == u"gone")
            QVERIFY(QFile::remove(source));
        else if (change == u"cachegone")
            QVERIFY(QFile::remove(f.cached(u"id-heat"_qs, u"Heat.jpg"_qs)));

        const ArtCacheUpdateResult second = f.run();
        QCOMPARE(second.copied, copied);
        QCOMPARE(second.copyFailed, copyFailed);
        QCOMPARE(second.upToDate, 6 - copied - copyFailed);
        QCOMPARE(second.deletedFolders, 0);
        QCOMPARE(contents(f.cached(u"id-heat"_qs, u"Heat.jpg"_qs)), cachedAfter);
    }

    void titlesThatLeaveLoseTheirFolder()
    {
        Fixture f;
        f.run();
        writeFile(f.cache + u"id-gone/folder.jpg"_qs, "left over"); // a title removed long ago
        f.titles.Title.removeFirst();                               // Alien leaves the collection

        const ArtCacheUpdateResult result = f.run();
        QCOMPARE(result.deletedFolders, 2);
        QVERIFY(!QFileInfo::exists(f.cache + u"id-alien"_qs));
        QVERIFY(!QFileInfo::exists(f.cache + u"id-gone"_qs));
        QVERIFY(QFileInfo::exists(f.cached(u"id-heat"_qs, u"Heat.jpg"_qs)));
        QVERIFY(QFileInfo::exists(f.alien + u"/folder.jpg"_qs)); // the title folder is never touched
    }

    void titlesSharingAnIdShareAFolder()
    {
        Fixture f;
        f.titles.Title[1].ID = f.titles.Title[0].ID;
        f.run();
        const QStringList names = QDir(f.cache + u"id-alien"_qs).entryList(QDir::Files, QDir::Name);
        QCOMPARE(names, (QStringList{u"Heat-fanart.jpg"_qs, u"Heat.jpg"_qs, u"Heat.mymovies-back.jpg"_qs,
                                     u"fanart.jpg"_qs, u"folder.jpg"_qs, u"mymovies-front.jpg"_qs}));
        QCOMPARE(QDir(f.cache).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
    }

    void idsThatAreNoFolderNameAreSkipped_data()
    {
        QTest::addColumn<QString>("id");
        QTest::newRow("parent folder") << u".."_qs;
        QTest::newRow("climbs out") << u"../escape"_qs;
        QTest::newRow("backslash") << u"..\\escape"_qs;
        QTest::newRow("nested") << u"a/b"_qs;
    }
    void idsThatAreNoFolderNameAreSkipped()
    {
        QFETCH(QString, id);
        Fixture f;
        f.titles.Title[0].ID = id;
        const ArtCacheUpdateResult result = f.run();
        QCOMPARE(result.skippedTitles, 1);
        QCOMPARE(result.copied, 3);
        QCOMPARE(QDir(f.root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{u"Cache"_qs, u"Movies"_qs}));
        QCOMPARE(QDir(f.cache).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{u"id-heat"_qs});
    }

    void progressTexts()
    {
        QTemporaryDir root;
        writeFile(root.filePath(u"Movies/T3/folder.jpg"_qs), "poster");
        tTitles titles;
        for (int i = 0; i < 12; ++i) {
            tTitle t;
            t.ID = i == 6 ? QString() : u"id-%1"_qs.arg(i);
            t.Title = u"T%1"_qs.arg(i);
            t.Directory = root.filePath(u"Movies/T%1"_qs.arg(i));
            if (i == 3)
                t.ImgFolder = u"folder.jpg"_qs;
            titles.Title.append(t);
        }
        QStringList events;
        ArtCacheProgress progress;
        progress.processing = [&](const QString &s) { events << u"processing: "_qs + s; };
        progress.totalTitles = [&](const QString &s) { events << u"total: "_qs + s; };
        progress.status = [&](const QString &s) { events << u"status: "_qs + s; };
        progress.titleNum = [&](int n) { events << u"num: "_qs + QString::number(n); };
        progress.processEvents = [&] { events << u"events"_qs; };
        progress.message = [&](const QString &s) { events << u"message: "_qs + s; };

        ArtCache first(root.filePath(u"Cache"_qs));
        first.GetSubDirectoryInfo();
        first.UpdateLocalArt(titles, progress);
        const QStringList head{u"processing: Caching Artwork"_qs, u"total: | 12"_qs, u"events"_qs,
                               u"status: Scanning for changes..."_qs, u"num: 1"_qs, u"events"_qs};
        const QStringList firstTail{u"status: Copying Artwork for \"T3\"..."_qs, u"events"_qs,
                                    u"status: Scanning for changes..."_qs, u"num: 5"_qs, u"events"_qs,
                                    u"status: Scanning for changes..."_qs, u"num: 10"_qs, u"events"_qs};
        QCOMPARE(events, head + firstTail);

        events.clear();
        ArtCache second(root.filePath(u"Cache"_qs));
        second.GetSubDirectoryInfo();
        second.UpdateLocalArt(titles, progress);
        const QStringList secondTail{u"status: Scanning for changes..."_qs, u"num: 10"_qs, u"events"_qs};
        QCOMPARE(events, head + secondTail);
    }

    // A run whose scan is still going when the next run starts one: the old scan
    // must not add its folders to the new index or report the new scan done.
    void backToBackScansDoNotMix()
    {
        QTemporaryDir root;
        const QString cache = root.filePath(u"Cache/"_qs);
        for (int i = 0; i < 300; ++i)
            writeFile(cache + u"id-%1/folder.jpg"_qs.arg(i), "x");
        ArtCache art(cache);
        for (int round = 0; round < 10; ++round) {
            art.GetSubDirectoryInfo();
            art.GetSubDirectoryInfo();
            QVERIFY(art.WaitForScanDone());
            const QList<tArtCacheDirRec> index = art.Index();
            QSet<QString> folders;
            for (const tArtCacheDirRec &rec : index)
                folders.insert(rec.Directory);
            QCOMPARE(index.size(), 300);
            QCOMPARE(folders.size(), 300);
        }
    }

    // Events processed during an update may start the next run: its scan waits
    // until the update has finished changing the cache, and its update is made
    // by the running one once that is through.
    void runStartedDuringAnUpdateWaitsForIt()
    {
        Fixture f;
        ArtCache art(f.cache);
        art.GetSubDirectoryInfo();

        tTitles onlyHeat = f.titles;
        onlyHeat.Title.removeFirst();
        bool nested = false;
        bool nestedScanWaited = false;
        ArtCacheUpdateResult nestedResult;
        ArtCacheProgress progress;
        progress.status = [&](const QString &s) {
            if (nested || !s.startsWith(u"Copying"))
                return;
            nested = true;
            art.GetSubDirectoryInfo();
            nestedScanWaited = !art.WaitForScanDone({}, std::chrono::milliseconds(10), std::chrono::milliseconds(200));
            nestedResult = art.UpdateLocalArt(onlyHeat);
        };

        const ArtCacheUpdateResult result = art.UpdateLocalArt(f.titles, progress);
        QVERIFY(nested);
        QVERIFY(nestedScanWaited);
        QVERIFY(nestedResult.deferred);
        // First pass caches both titles, the deferred pass drops Alien again.
        QCOMPARE(result.copied, 6);
        QCOMPARE(result.upToDate, 3);
        QCOMPARE(result.deletedFolders, 1);
        QVERIFY(!QFileInfo::exists(f.cache + u"id-alien"_qs));
        QVERIFY(QFileInfo::exists(f.cached(u"id-heat"_qs, u"Heat-fanart.jpg"_qs)));
    }

    void updateWithoutScanScansItself()
    {
        Fixture f;
        f.run();
        ArtCache art(f.cache);
        QVERIFY(!art.ScanDone());
        const ArtCacheUpdateResult result = art.UpdateLocalArt(f.titles);
        QVERIFY(!result.scanTimedOut);
        QCOMPARE(result.upToDate, 6);
        QCOMPARE(result.copied, 0);
    }
};

QTEST_GUILESS_MAIN(TestArtCache)
#include "tst_artcache.moc"
