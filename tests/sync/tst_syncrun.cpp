#include "sync/syncrun.h"

#include "art/artcache.h"
#include "model/localdatabase.h"
#include "platform/paths.h"
#include "platform/textfile.h"
#include "sync/folderscan.h"
#include "sync/reports.h"
#include "sync/snapshot.h"
#include "tools/mmtreegen.h"
#include "ui/viewlist.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <stdexcept>

namespace {

const QString kVersion = u"1.7.2017.0006"_qs;
// Title XML files get this time when written, so that a later touch is a
// real change at the two-second resolution of the snapshot.
const QDateTime kWritten(QDate(2024, 5, 6), QTime(10, 20, 30));
const QDateTime kNow(QDate(2026, 3, 4), QTime(5, 6, 7));

void writeFile(const QString &path, const QByteArray &content, const QDateTime &time = kWritten)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    f.write(content);
    f.close();
    if (time.isValid())
        QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(time, QFileDevice::FileModificationTime));
}

QByteArray titleXml(const QString &id, const QString &title, const QString &inner = QString(),
                    const QString &rootAttributes = QString())
{
    return (u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Title"_qs
            + (rootAttributes.isEmpty() ? QString() : u" "_qs + rootAttributes) + u">\n  <ID>"_qs + id
            + u"</ID>\n  <LocalTitle>"_qs + title + u"</LocalTitle>\n"_qs + inner + u"</Title>\n"_qs)
        .toUtf8();
}

QStringList readLines(const QString &path)
{
    QStringList lines;
    ReadTextFile(path, &lines);
    return lines;
}

const tTitle *findTitle(const tTitles &titles, const QString &id)
{
    for (const tTitle &t : titles.Title)
        if (t.ID == id)
            return &t;
    return nullptr;
}

qsizetype indexOfTitle(const tTitles &titles, const QString &id)
{
    for (qsizetype i = 0; i < titles.Title.size(); ++i)
        if (titles.Title.at(i).ID == id)
            return i;
    return -1;
}

QString shortDate(const QDateTime &t)
{
    return QLocale::system().toString(t.date(), QLocale::ShortFormat);
}

} // namespace

class TestSyncRun : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<LocalDatabaseWriter> m_writer;
    QString m_home;   // the program folder, with a trailing separator
    QString m_movies; // the monitored folder, without one

    QString movie(const QString &relative) const { return m_movies + u'/' + relative; }

    // A DVD folder title: <dir>/VIDEO_TS and <dir>/mymovies.xml.
    void dvdTitle(const QString &relative, const QByteArray &xml)
    {
        QVERIFY(QDir().mkpath(movie(relative) + u"/VIDEO_TS"_qs));
        if (!xml.isNull())
            writeFile(movie(relative) + u"/mymovies.xml"_qs, xml);
    }

    tSettings settings(const QStringList &folders = {}) const
    {
        tSettings s;
        for (const QString &f : folders.isEmpty() ? QStringList{m_movies} : folders)
            s.Folders.append(tScannedFolders{f + u'/', false});
        s.LocalDB = true;
        s.Debug = true;
        return s;
    }

    // A run with its program folder in `home` at the fixed time kNow.
    SyncRunOptions runOptions(const QString &home) const
    {
        SyncRunOptions options;
        options.appPath = home;
        options.progVersion = kVersion;
        options.lastMountedFile = u"ERROR"_qs;
        options.databaseWriter = m_writer.get();
        options.now = kNow;
        return options;
    }

    SyncRunResult sync(tTitles &titles, tSettings s, const SyncProgress &progress = {}, ArtCache *cache = nullptr)
    {
        SyncRunOptions options = runOptions(m_home);
        options.artCache = cache;
        SyncRunResult r = SyncFolders(titles, s, options, progress);
        m_writer->waitForIdle();
        return r;
    }
    SyncRunResult sync(tTitles &titles) { return sync(titles, settings()); }

    QString logFile(const QString &name) const { return m_home + u"Logs/"_qs + name; }
    QStringList debugLog() const { return readLines(logFile(u"DebugLog.txt"_qs)); }
    QStringList errorLog() const { return readLines(logFile(u"Cinevue Sync Error Log.txt"_qs)); }

    // Three plain DVD titles A, B, C.
    void threeTitles()
    {
        dvdTitle(u"Alpha"_qs, titleXml(u"id-a"_qs, u"Alpha"_qs));
        dvdTitle(u"Beta"_qs, titleXml(u"id-b"_qs, u"Beta"_qs));
        dvdTitle(u"Gamma"_qs, titleXml(u"id-c"_qs, u"Gamma"_qs));
    }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_home = m_tmp->path() + u"/home/"_qs;
        m_movies = m_tmp->path() + u"/movies"_qs;
        QVERIFY(QDir().mkpath(m_home) && QDir().mkpath(m_movies));
        m_writer = std::make_unique<LocalDatabaseWriter>();
    }
    void cleanup()
    {
        m_writer.reset();
        m_tmp.reset();
    }

    void firstRunImportsEveryTitle()
    {
        MMTreeOptions gen;
        gen.root = m_movies;
        gen.titles = 30;
        gen.seed = 7;
        const MMTreeResult tree = GenerateMyMoviesTree(gen);
        QVERIFY2(tree.ok, qPrintable(tree.error));

        tTitles titles;
        titles.MyGenres << u"Stale genre"_qs;
        const SyncRunResult r = sync(titles);
        QVERIFY(r.fullRefresh);
        QVERIFY(!titles.MyGenres.contains(u"Stale genre"_qs));
        QVERIFY(std::is_sorted(titles.MyGenres.cbegin(), titles.MyGenres.cend()));

        for (const MMTitleDir &dir : tree.titles) {
            const tTitle *t = findTitle(titles, dir.id);
            QVERIFY2(t, qPrintable(MMTitleKindName(dir.kind) + u' ' + dir.directory));
            if (dir.kind == MMTitleKind::Encrypted || dir.kind == MMTitleKind::Corrupt
                || dir.kind == MMTitleKind::MediaOnly) {
                QVERIFY2(t->Description.startsWith(u"ERROR: "_qs), qPrintable(dir.directory));
            } else {
                QCOMPARE(t->Title, dir.title);
                QVERIFY(!t->Description.startsWith(u"ERROR: "_qs));
            }
            if (dir.kind != MMTitleKind::BoxSetParent)
                QVERIFY2(!t->DiscInfo.isEmpty(), qPrintable(dir.directory));
        }

        // The stored snapshot describes the folders as they are now, and the
        // database holding the same collection is there with it.
        const SnapshotLoad stored = LoadSnapshot(SmartSyncFile(m_home));
        QVERIFY(stored.loaded());
        QCOMPARE(stored.Directories, ScanFolders(settings().Folders, {}).Directories);
        const LoadResult db = LoadLocalDatabase(m_home, kVersion, true, u"ERROR"_qs, kNow);
        QCOMPARE(db.status, LoadResult::Loaded);
        QCOMPARE(db.titles.Title.size(), titles.Title.size());
    }

    void secondRunWithoutChangesParsesNothing()
    {
        MMTreeOptions gen;
        gen.root = m_movies;
        gen.titles = 30;
        gen.seed = 11;
        QVERIFY(GenerateMyMoviesTree(gen).ok);
        tTitles titles;
        sync(titles);
        const tTitles before = titles;

        const SyncRunResult r = sync(titles);
        QVERIFY(!r.fullRefresh);
        QCOMPARE(r.imported, 0);
        QCOMPARE(r.removedDiscs, 0);
        QCOMPARE(titles, before);

        const QStringList log = debugLog();
        QVERIFY(!log.isEmpty());
        for (const QString &line : log)
            QVERIFY2(!line.contains(u"Reading XML file"_qs), qPrintable(line));
        const SnapshotLoad stored = LoadSnapshot(SmartSyncFile(m_home));
        QVERIFY(stored.loaded());
        for (const tDirectoryRec &dir : stored.Directories)
            QVERIFY2(log.contains(u"    No new data to add from "_qs + dir.Directory), qPrintable(dir.Directory));
    }

    void touchedTitleXmlReimportsThatTitleOnly()
    {
        threeTitles();
        tTitles titles;
        sync(titles);
        const tTitles before = titles;
        const qsizetype beta = indexOfTitle(titles, u"id-b"_qs);
        QVERIFY(beta >= 0);

        writeFile(movie(u"Beta/mymovies.xml"_qs), titleXml(u"id-b"_qs, u"Beta Revised"_qs), kWritten.addSecs(3600));
        const SyncRunResult r = sync(titles);
        QCOMPARE(r.imported, 1);
        QCOMPARE(titles.Title.size(), before.Title.size());
        QCOMPARE(titles.Title.at(beta).ID, u"id-b"_qs);
        QCOMPARE(titles.Title.at(beta).Title, u"Beta Revised"_qs);
        QCOMPARE(titles.Title.at(beta).DiscInfo, before.Title.at(beta).DiscInfo);
        for (qsizetype i = 0; i < titles.Title.size(); ++i)
            if (i != beta)
                QCOMPARE(titles.Title.at(i), before.Title.at(i));
        QVERIFY(debugLog().contains(u"    Changed mymovies.xml data found in "_qs + movie(u"Beta"_qs)));
    }

    void markerCreatedOutsideReimports_data()
    {
        QTest::addColumn<QString>("watchedInXml");
        QTest::addColumn<QString>("marker");
        QTest::addColumn<bool>("watchList");
        QTest::addColumn<bool>("watchedCVB");
        QTest::newRow("watch list") << u"False"_qs << u"CVB_WatchList.txt"_qs << true << false;
        QTest::newRow("watched here, not in My Movies") << u"False"_qs << u"CVB_Watched.txt"_qs << false << true;
        QTest::newRow("not watched here, watched in My Movies") << u"True"_qs << u"CVB_NotWatched.txt"_qs << false
                                                                 << false;
        QTest::newRow("watched marker that repeats My Movies") << u"True"_qs << u"CVB_Watched.txt"_qs << false
                                                                << true;
    }
    void markerCreatedOutsideReimports()
    {
        QFETCH(QString, watchedInXml);
        QFETCH(QString, marker);
        QFETCH(bool, watchList);
        QFETCH(bool, watchedCVB);
        threeTitles();
        dvdTitle(u"Delta"_qs, titleXml(u"id-d"_qs, u"Delta"_qs, u"  <Watched>"_qs + watchedInXml + u"</Watched>\n"_qs));
        tTitles titles;
        sync(titles);
        const qsizetype delta = indexOfTitle(titles, u"id-d"_qs);
        QVERIFY(delta >= 0);
        QVERIFY(!titles.Title.at(delta).WatchList);

        writeFile(movie(u"Delta/"_qs) + marker, QByteArray(), QDateTime());
        const SyncRunResult r = sync(titles);
        QCOMPARE(r.imported, 1);
        QCOMPARE(indexOfTitle(titles, u"id-d"_qs), delta);
        QCOMPARE(titles.Title.at(delta).WatchList, watchList);
        QCOMPARE(titles.Title.at(delta).WatchedCVB, watchedCVB);
        QVERIFY(debugLog().contains(u"    Changed "_qs + marker + u" data found in "_qs + movie(u"Delta"_qs)));

        // Whatever the import did with the marker, the next run finds nothing new.
        QCOMPARE(sync(titles).imported, 0);
    }

    void removedMedia_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("removed");
        QTest::addColumn<int>("discsLeft"); // of title "id-m"; -1: the title is gone
        QTest::addColumn<int>("titlesLeft");
        QTest::newRow("title folder with one disc") << u"single"_qs << u"Multi"_qs << -1 << 3;
        QTest::newRow("one of two disc folders") << u"disc folders"_qs << u"Multi/Disc 2"_qs << 1 << 4;
        QTest::newRow("both disc folders") << u"disc folders"_qs << u"Multi"_qs << -1 << 3;
        QTest::newRow("one of two ISO files") << u"iso files"_qs << u"Multi/Movie Disc 2.iso"_qs << 1 << 4;
        QTest::newRow("one of two media files with titles of their own")
            << u"mkv titles"_qs << u"Multi/Movie One.mkv"_qs << -1 << 4;
    }
    void removedMedia()
    {
        QFETCH(QString, layout);
        QFETCH(QString, removed);
        QFETCH(int, discsLeft);
        QFETCH(int, titlesLeft);
        threeTitles();
        const QByteArray xml = titleXml(u"id-m"_qs, u"Multi"_qs);
        if (layout == u"single") {
            dvdTitle(u"Multi"_qs, xml);
        } else if (layout == u"disc folders") {
            dvdTitle(u"Multi/Disc 1"_qs, xml);
            dvdTitle(u"Multi/Disc 2"_qs, xml);
        } else if (layout == u"iso files") {
            writeFile(movie(u"Multi/mymovies.xml"_qs), xml);
            writeFile(movie(u"Multi/Movie Disc 1.iso"_qs), "iso");
            writeFile(movie(u"Multi/Movie Disc 2.iso"_qs), "iso");
        } else {
            writeFile(movie(u"Multi/Movie One.mkv"_qs), "mkv");
            writeFile(movie(u"Multi/Movie One.mymovies.xml"_qs), xml);
            writeFile(movie(u"Multi/Movie Two.mkv"_qs), "mkv");
            writeFile(movie(u"Multi/Movie Two.mymovies.xml"_qs), titleXml(u"id-n"_qs, u"Other"_qs));
        }
        tTitles titles;
        sync(titles);
        QCOMPARE(titles.Title.size(), layout == u"mkv titles" ? 5 : 4);
        QCOMPARE(findTitle(titles, u"id-m"_qs)->DiscInfo.size(),
                 layout == u"single" || layout == u"mkv titles" ? 1 : 2);

        const QString gone = movie(removed);
        QVERIFY(QFileInfo(gone).isDir() ? QDir(gone).removeRecursively() : QFile::remove(gone));
        const SyncRunResult r = sync(titles);
        const tTitle *m = findTitle(titles, u"id-m"_qs);
        if (discsLeft < 0) {
            QVERIFY(!m);
            QCOMPARE(r.removedTitles, 1);
        } else {
            QVERIFY(m);
            QCOMPARE(m->DiscInfo.size(), discsLeft);
            for (const tDiscInfo &disc : m->DiscInfo)
                QVERIFY2(QFileInfo::exists(disc.Loc), qPrintable(disc.Loc));
            QVERIFY2(QFileInfo(m->Directory).isDir(), qPrintable(m->Directory));
        }
        QCOMPARE(titles.Title.size(), titlesLeft);
        for (const QString &id : {u"id-a"_qs, u"id-b"_qs, u"id-c"_qs})
            QVERIFY(findTitle(titles, id));
    }

    void placeholderGivesWayToRealTitle()
    {
        threeTitles();
        dvdTitle(u"Untitled"_qs, QByteArray());
        tTitles titles;
        sync(titles);
        const tTitle *placeholder = findTitle(titles, u"Untitled"_qs);
        QVERIFY(placeholder);
        QCOMPARE(placeholder->Description, u"ERROR: Missing mymovies.xml file"_qs);
        QCOMPARE(errorLog(), QStringList{u"Found an ISO file without a \"mymovies.xml\" file in Folder \""_qs
                                         + movie(u"Untitled"_qs) + u'"'});

        writeFile(movie(u"Untitled/mymovies.xml"_qs), titleXml(u"id-u"_qs, u"Finally Named"_qs));
        sync(titles);
        QVERIFY(!findTitle(titles, u"Untitled"_qs));
        const tTitle *real = findTitle(titles, u"id-u"_qs);
        QVERIFY(real);
        QCOMPARE(real->Title, u"Finally Named"_qs);
        QCOMPARE(real->DiscInfo.size(), 1);
        QCOMPARE(real->DiscInfo.first().Loc, movie(u"Untitled"_qs));
        QCOMPARE(titles.Title.size(), 4);
        QCOMPARE(errorLog(), QStringList());
    }

    void unusableTitleXmlBecomesPlaceholder_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("errorLine"); // %1 the file, %2 its date
        QTest::newRow("enciphered")
            << QByteArray("<?xml version=\"1.0\"?>\n<EncryptedData><CipherData>AAAA</CipherData></EncryptedData>\n")
            << u"ERROR: Encrypted mymovies.xml file"_qs
            << u"Found ENCRYPTED \"mymovies.xml\" in \"%1\" (Last Updated %2)"_qs;
        QTest::newRow("not well-formed") << QByteArray("<?xml version=\"1.0\"?>\n<Title><ID>x</ID><LocalTitle>")
                                         << u"ERROR: Bad mymovies.xml file"_qs
                                         << u"Found a bad \"mymovies.xml\" in \"%1\" (Last Updated %2)"_qs;
        QTest::newRow("integer element without a number")
            << titleXml(u"id-x"_qs, u"Broken"_qs, u"  <CollectionNumber></CollectionNumber>\n"_qs)
            << u"ERROR: Bad mymovies.xml file"_qs << u"Found a bad \"mymovies.xml\" in \"%1\" (Last Updated %2)"_qs;
    }
    void unusableTitleXmlBecomesPlaceholder()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, description);
        QFETCH(QString, errorLine);
        threeTitles();
        dvdTitle(u"Trouble"_qs, xml);
        tTitles titles;
        const SyncRunResult r = sync(titles);
        QCOMPARE(r.placeholders, 1);
        QCOMPARE(titles.Title.size(), 4);
        QVERIFY(!findTitle(titles, u"id-x"_qs)); // a half-read title does not stay under its own ID
        const tTitle *t = findTitle(titles, u"Trouble"_qs);
        QVERIFY(t);
        QCOMPARE(t->Title, u"Trouble"_qs);
        QCOMPARE(t->Description, description);
        QCOMPARE(t->RatedDesc, description);
        QCOMPARE(t->DiscInfo.size(), 1);
        const QString file = movie(u"Trouble/mymovies.xml"_qs);
        QCOMPARE(errorLog(), QStringList{errorLine.arg(file, shortDate(kWritten))});
        QVERIFY(debugLog().contains(u"    "_qs + errorLine.arg(file, shortDate(kWritten))));

        // A fixed file is read at the next run and replaces the placeholder.
        writeFile(file, titleXml(u"id-x"_qs, u"Mended"_qs), kWritten.addSecs(60));
        sync(titles);
        QVERIFY(!findTitle(titles, u"Trouble"_qs));
        QCOMPARE(findTitle(titles, u"id-x"_qs)->Title, u"Mended"_qs);
        QCOMPARE(titles.Title.size(), 4);
    }

    void folderChangesTitle_data()
    {
        QTest::addColumn<QByteArray>("newXml"); // null: the file is deleted
        QTest::addColumn<QString>("newId");
        QTest::newRow("title XML names another ID") << titleXml(u"id-new"_qs, u"Renamed"_qs) << u"id-new"_qs;
        QTest::newRow("title XML turns unreadable") << QByteArray("<Title><ID>") << u"Beta"_qs;
        QTest::newRow("title XML deleted") << QByteArray() << u"Beta"_qs;
    }
    void folderChangesTitle()
    {
        // Whatever the folder holds now, its disc belongs to one title only.
        QFETCH(QByteArray, newXml);
        QFETCH(QString, newId);
        threeTitles();
        tTitles titles;
        sync(titles);
        const QString xml = movie(u"Beta/mymovies.xml"_qs);
        if (newXml.isNull())
            QVERIFY(QFile::remove(xml));
        else
            writeFile(xml, newXml, kWritten.addSecs(3600));
        sync(titles);
        QVERIFY(!findTitle(titles, u"id-b"_qs));
        const tTitle *now = findTitle(titles, newId);
        QVERIFY(now);
        QCOMPARE(now->DiscInfo.size(), 1);
        QCOMPARE(now->DiscInfo.first().Loc, movie(u"Beta"_qs));
        QCOMPARE(titles.Title.size(), 3);
        int holders = 0;
        for (const tTitle &t : std::as_const(titles.Title))
            for (const tDiscInfo &disc : t.DiscInfo)
                holders += disc.Loc == movie(u"Beta"_qs);
        QCOMPARE(holders, 1);
    }

    void encipheredPerFileXmlUsesFolderXml()
    {
        writeFile(movie(u"Hidden/Hidden.mkv"_qs), "mkv");
        writeFile(movie(u"Hidden/Hidden.mymovies.xml"_qs),
                  "<?xml version=\"1.0\"?>\n<EncryptedData><CipherData>AAAA</CipherData></EncryptedData>\n");
        writeFile(movie(u"Hidden/mymovies.xml"_qs), titleXml(u"id-h"_qs, u"Hidden In Plain Sight"_qs));
        tTitles titles;
        const SyncRunResult r = sync(titles);
        QCOMPARE(r.placeholders, 0);
        QCOMPARE(titles.Title.size(), 1);
        QCOMPARE(titles.Title.first().ID, u"id-h"_qs);
        QCOMPARE(titles.Title.first().Title, u"Hidden In Plain Sight"_qs);
        QCOMPARE(titles.Title.first().DiscInfo.size(), 1);
        QCOMPARE(titles.Title.first().DiscInfo.first().Loc, movie(u"Hidden/Hidden.mkv"_qs));
        QCOMPARE(errorLog(), QStringList());
    }

    void boxSetParents_data()
    {
        QTest::addColumn<bool>("withChild");
        QTest::newRow("without children") << false;
        QTest::newRow("with a child") << true;
    }
    void boxSetParents()
    {
        QFETCH(bool, withChild);
        writeFile(movie(u"Trilogy/mymovies.xml"_qs),
                  titleXml(u"id-box"_qs, u"The Trilogy"_qs, QString(), u"IsBoxSetParent=\"True\""_qs));
        if (withChild)
            dvdTitle(u"Trilogy/Part One"_qs,
                     titleXml(u"id-one"_qs, u"Part One"_qs, u"  <ParentTitle ID=\"id-box\" />\n"_qs,
                              u"IsBoxSetChild=\"True\""_qs));
        tTitles titles;
        sync(titles);
        const tTitle *parent = findTitle(titles, u"id-box"_qs);
        QVERIFY(parent);
        QVERIFY(parent->SeriesBoxSetParent);
        const QStringList expected =
            withChild ? QStringList()
                      : QStringList{u"[ERROR] Box Set Parent [id-box] \"The Trilogy\" in "_qs + movie(u"Trilogy"_qs)
                                    + u" has 0 Titles assigned as children"_qs};
        QCOMPARE(errorLog(), expected);
        QCOMPARE(titles.Title.size(), withChild ? 2 : 1);

        // An unchanged box set stays as it is.
        const tTitles before = titles;
        QCOMPARE(sync(titles).imported, 0);
        QCOMPARE(titles, before);
        QCOMPARE(errorLog(), expected);
    }

    void boxSetParentLeavesWithItsXml()
    {
        writeFile(movie(u"Trilogy/mymovies.xml"_qs),
                  titleXml(u"id-box"_qs, u"The Trilogy"_qs, QString(), u"IsBoxSetParent=\"True\""_qs));
        dvdTitle(u"Trilogy/Part One"_qs, titleXml(u"id-one"_qs, u"Part One"_qs, u"  <ParentTitle ID=\"id-box\" />\n"_qs,
                                                  u"IsBoxSetChild=\"True\""_qs));
        tTitles titles;
        sync(titles);
        QVERIFY(findTitle(titles, u"id-box"_qs));
        QVERIFY(QFile::remove(movie(u"Trilogy/mymovies.xml"_qs)));
        sync(titles);
        QVERIFY(!findTitle(titles, u"id-box"_qs));
        QVERIFY(findTitle(titles, u"id-one"_qs));
        QCOMPARE(titles.Title.size(), 1);
    }

    // A monitored folder that cannot be read between two runs, in each of
    // the ways a share or a disk goes away.
    void offlineFolderKeepsItsTitles_data()
    {
        QTest::addColumn<QString>("change"); // what happens to the folder
        QTest::addColumn<QString>("logLine"); // %1: the folder
        const QString unreadable = u"Could not read monitored folder \"%1\": its titles are kept as they "
                                   "were until it can be read again"_qs;
        QTest::newRow("vanished") << u"vanish"_qs << unreadable;
        QTest::newRow("turned into a file") << u"file"_qs << unreadable;
        QTest::newRow("not readable") << u"unreadable"_qs << unreadable;
        QTest::newRow("empty mount point") << u"empty"_qs
                                           << u"Monitored folder \"%1\" is empty (a share that is not mounted?): its "
                                              "titles are kept as they were until it holds folders again"_qs;
    }
    void offlineFolderKeepsItsTitles()
    {
        QFETCH(QString, change);
        QFETCH(QString, logLine);
        threeTitles();
        const QString share = m_tmp->path() + u"/share"_qs;
        const QString away = m_tmp->path() + u"/share-offline"_qs;
        QVERIFY(QDir().mkpath(share + u"/Remote/VIDEO_TS"_qs));
        writeFile(share + u"/Remote/mymovies.xml"_qs, titleXml(u"id-r"_qs, u"Remote"_qs));
        const tSettings both = settings({m_movies, share});
        tTitles titles;
        sync(titles, both);
        QCOMPARE(titles.Title.size(), 4);
        const tTitles before = titles;

        if (change == u"unreadable") {
            QVERIFY(QFile::setPermissions(share, QFileDevice::Permissions()));
            if (QDir(share).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size() > 0) {
                QFile::setPermissions(share, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
                QSKIP("this user reads folders without read permission");
            }
        } else {
            QVERIFY(QDir().rename(share, away));
            if (change == u"empty")
                QVERIFY(QDir().mkpath(share));
            else if (change == u"file")
                writeFile(share, "not a folder");
        }
        SyncRunResult r = sync(titles, both);
        QCOMPARE(titles, before);
        QCOMPARE(r.removedDiscs, 0);
        QCOMPARE(r.unavailableFolders, QStringList{share + u'/'});
        QCOMPARE(errorLog(), QStringList{logLine.arg(share + u'/')});

        if (change == u"unreadable") {
            QVERIFY(QFile::setPermissions(share, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        } else {
            if (change == u"empty")
                QVERIFY(QDir(share).rmdir(share));
            else if (change == u"file")
                QVERIFY(QFile::remove(share));
            QVERIFY(QDir().rename(away, share));
        }
        r = sync(titles, both);
        QCOMPARE(r.imported, 0);
        QCOMPARE(titles, before);
        QCOMPARE(errorLog(), QStringList());
    }

    // A forced full refresh (no snapshot) believes an empty folder.
    void emptyFolderWithoutSnapshotIsEmpty()
    {
        threeTitles();
        tTitles titles;
        sync(titles);
        QCOMPARE(titles.Title.size(), 3);
        QVERIFY(QDir(m_movies).removeRecursively());
        QVERIFY(QDir().mkpath(m_movies));
        QVERIFY(QFile::remove(SmartSyncFile(m_home)));
        const SyncRunResult r = sync(titles);
        QVERIFY(r.fullRefresh);
        QVERIFY(titles.Title.isEmpty());
        QVERIFY(r.unavailableFolders.isEmpty());
    }

    void damagedSnapshotGivesFullRefresh_data()
    {
        QTest::addColumn<int>("keepBytes"); // of the stored snapshot
        QTest::newRow("cut in the middle") << -2;
        QTest::newRow("header only") << 4;
        QTest::newRow("empty file") << 0;
    }
    void damagedSnapshotGivesFullRefresh()
    {
        QFETCH(int, keepBytes);
        threeTitles();
        tTitles titles;
        sync(titles);
        const tTitles before = titles;
        QFile snapshot(SmartSyncFile(m_home));
        QVERIFY(snapshot.open(QIODevice::ReadWrite));
        QVERIFY(snapshot.resize(keepBytes < 0 ? snapshot.size() / -keepBytes : keepBytes));
        snapshot.close();

        const SyncRunResult r = sync(titles);
        QVERIFY(r.fullRefresh);
        QCOMPARE(r.imported, 3);
        QCOMPARE(titles, before);
        const QStringList errors = errorLog();
        if (keepBytes == 0) {
            // An empty file holds no snapshot: a plain full refresh.
            QVERIFY(errors.isEmpty() || errors.first().startsWith(u"Previous Smart Sync Directory Snapshot"_qs));
        } else {
            QCOMPARE(errors.size(), 1);
            QVERIFY2(errors.first().startsWith(
                         u"Previous Smart Sync Directory Snapshot \"CVB_SmartSync.bin\" could not be read ("_qs),
                     qPrintable(errors.first()));
        }
        QVERIFY(LoadSnapshot(SmartSyncFile(m_home)).loaded());
        QCOMPARE(sync(titles).imported, 0);
    }

    void runCutShortIsRepeated_data()
    {
        QTest::addColumn<bool>("firstRun");
        QTest::newRow("first run") << true;
        QTest::newRow("run after a change") << false;
    }
    void runCutShortIsRepeated()
    {
        QFETCH(bool, firstRun);
        threeTitles();
        tTitles titles;
        QByteArray storedBefore;
        if (!firstRun) {
            sync(titles);
            QFile f(SmartSyncFile(m_home));
            QVERIFY(f.open(QIODevice::ReadOnly));
            storedBefore = f.readAll();
            writeFile(movie(u"Beta/mymovies.xml"_qs), titleXml(u"id-b"_qs, u"Beta Revised"_qs),
                      kWritten.addSecs(3600));
        }

        // The program ends in the middle of the adding phase.
        SyncProgress stop;
        stop.adding = [](int, int) { throw std::runtime_error("cut short"); };
        tTitles partial = titles;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, sync(partial, settings(), stop));

        QFile f(SmartSyncFile(m_home));
        if (firstRun) {
            QVERIFY(!f.exists());
        } else {
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), storedBefore);
        }

        // The next run still sees what the cut-short one did not finish.
        const SyncRunResult r = sync(titles);
        QCOMPARE(r.fullRefresh, firstRun);
        QCOMPARE(findTitle(titles, u"id-b"_qs)->Title, firstRun ? u"Beta"_qs : u"Beta Revised"_qs);
        QCOMPARE(titles.Title.size(), 3);
    }

    void localArtIsCopiedToTheCache()
    {
        dvdTitle(u"Alpha"_qs, titleXml(u"id-a"_qs, u"Alpha"_qs));
        writeFile(movie(u"Alpha/folder.jpg"_qs), "folder image");
        writeFile(movie(u"Alpha/mymovies-front.jpg"_qs), "front cover");
        writeFile(movie(u"Alpha/VIDEO_TS/fanart.jpg"_qs), "fan art");
        // A second title keeps the monitored folder from being empty, which
        // would count as an unmounted share.
        dvdTitle(u"Beta"_qs, titleXml(u"id-b"_qs, u"Beta"_qs));
        tSettings s = settings();
        s.LocalArt = true;
        ArtCache cache(CachePath(m_home));
        tTitles titles;
        sync(titles, s, {}, &cache);
        const tTitle *t = findTitle(titles, u"id-a"_qs);
        QVERIFY(t);
        QCOMPARE(t->ImgFanArt, u"VIDEO_TS\\fanart.jpg"_qs);

        auto cached = [&](const QString &value, bool fanArt) {
            QFile f(ArtCacheFilePath(CachePath(m_home), u"id-a"_qs, value, fanArt));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
        };
        QCOMPARE(cached(t->ImgFolder, false), QByteArray("folder image"));
        QCOMPARE(cached(t->ImgCoverFront, false), QByteArray("front cover"));
        QCOMPARE(cached(t->ImgFanArt, true), QByteArray("fan art"));
        QVERIFY(QFile::exists(CachePath(m_home) + u"id-a/fanart.jpg"_qs));

        // A title that leaves the collection takes its cache folder with it.
        QVERIFY(QDir(movie(u"Alpha"_qs)).removeRecursively());
        sync(titles, s, {}, &cache);
        QCOMPARE(titles.Title.size(), 1);
        QCOMPARE(titles.Title.first().ID, u"id-b"_qs);
        QVERIFY(!QFileInfo::exists(CachePath(m_home) + u"id-a"_qs));
    }

    void reportTexts_data()
    {
        // Titles of the fixture, one per folder: "Folder|ID|Title|inner XML|marker file".
        QTest::addColumn<QStringList>("titleSpecs");
        QTest::addColumn<QString>("file");
        // Expected lines; "~" at the start: the line begins with the rest.
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("sync error log of a clean run")
            << QStringList{u"Alpha|id-a|Alpha||"_qs} << QString::fromUtf16(kSyncErrorLogName) << QStringList();
        QTest::newRow("rental list, sorted without regard to case")
            << QStringList{u"Zed|id-z|zed and two noughts|<Edition>Rental</Edition>|"_qs,
                           u"Kept|id-k|Kept|<Edition>Collector's Edition</Edition>|"_qs,
                           u"Apple|id-p|Apple|<Edition>Blu-ray RENTAL copy</Edition>|"_qs}
            << QString::fromUtf16(kRentalListReportName) << QStringList{u"Apple"_qs, u"zed and two noughts"_qs};
        QTest::newRow("out-of-sync report")
            << QStringList{u"Agreed|id-1|Agreed|<Watched>True</Watched>|"_qs,
                           u"Seen|id-2|Seen|<CollectionNumber>42</CollectionNumber><Watched>False</Watched>|CVB_Watched.txt"_qs,
                           u"Unseen|id-3|Unseen|<CollectionNumber>7</CollectionNumber><Watched>True</Watched>|CVB_NotWatched.txt"_qs}
            << QString::fromUtf16(kOutofSyncReportName)
            << QStringList{QString(69, u'*'),
                           u"~Cinevue \"Out of Sync Titles\" Report - "_qs,
                           QString(69, u'*'),
                           u" "_qs,
                           u"The following titles have a Watched status that needs to be manually updated in My Movies."_qs,
                           u" "_qs,
                           u"WATCHED [   42] Seen"_qs,
                           u"NOT WATCHED [7] Unseen"_qs,
                           u" "_qs,
                           u"2 My Movies titles need updating."_qs,
                           u" "_qs,
                           u"END OF REPORT"_qs};
        QTest::newRow("out-of-sync report with nothing to do")
            << QStringList{u"Agreed|id-1|Agreed|<Watched>True</Watched>|"_qs}
            << QString::fromUtf16(kOutofSyncReportName)
            << QStringList{QString(69, u'*'),
                           u"~Cinevue \"Out of Sync Titles\" Report - "_qs,
                           QString(69, u'*'),
                           u" "_qs,
                           u"The following titles have a Watched status that needs to be manually updated in My Movies."_qs,
                           u" "_qs,
                           u" "_qs,
                           u"0 My Movies titles need updating."_qs,
                           u" "_qs,
                           u"END OF REPORT"_qs};
    }
    void reportTexts()
    {
        QFETCH(QStringList, titleSpecs);
        QFETCH(QString, file);
        QFETCH(QStringList, lines);
        for (const QString &spec : titleSpecs) {
            const QStringList p = spec.split(u'|');
            dvdTitle(p.at(0), titleXml(p.at(1), p.at(2), p.at(3)));
            if (!p.at(4).isEmpty())
                writeFile(movie(p.at(0) + u'/' + p.at(4)), QByteArray());
        }
        tTitles titles;
        sync(titles);
        const ViewListResult view = buildViewList(titles, OutofSyncViewFilter(ViewFilter()));
        QVERIFY(WriteOutofSyncTitlesReport(m_home, titles, view.ViewList, nullptr, kNow));

        const QString path = JoinNative(m_home, file);
        QVERIFY2(QFile::exists(path), qPrintable(path));
        const QStringList got = readLines(path);
        QCOMPARE(got.size(), lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (lines.at(i).startsWith(u'~'))
                QVERIFY2(got.at(i).startsWith(lines.at(i).mid(1)), qPrintable(got.at(i)));
            else
                QCOMPARE(got.at(i), lines.at(i));
        }
    }

    // The title files are read ahead on worker threads; the run must still
    // import, log and store exactly what a run reading them one by one does,
    // on a first run and on a run over a few changed titles.
    void readAheadChangesNothing()
    {
        // Each run gets the same tree with the same file times: a run may
        // delete marker files that repeat a title XML.
        MMTreeResult generated;
        const auto freshTree = [&] {
            QVERIFY(QDir(m_movies).removeRecursively());
            MMTreeOptions tree;
            tree.root = m_movies;
            tree.titles = 240;
            tree.seed = 7;
            tree.stubImages = true;
            generated = GenerateMyMoviesTree(tree);
            QVERIFY2(generated.ok, qPrintable(generated.error));
            QDirIterator it(m_movies, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                QFile f(it.next());
                QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(kWritten, QFileDevice::FileModificationTime));
            }
        };
        // Every seventh title file gets a new title and a later time.
        const auto changeTitles = [&] {
            int changed = 0;
            for (qsizetype i = 0; i < generated.titles.size(); i += 7) {
                for (const QString &xml : generated.titles.at(i).xmlFiles) {
                    QFile f(xml);
                    QVERIFY(f.open(QIODevice::ReadOnly));
                    QByteArray content = f.readAll();
                    f.close();
                    content.replace("<LocalTitle>", "<LocalTitle>Changed ");
                    writeFile(xml, content, kWritten.addDays(1));
                    ++changed;
                }
            }
            QVERIFY(changed > 30);
        };

        struct Run {
            QString home;
            tTitles titles;
            QList<SyncRunResult> results;
        };
        Run runs[2];
        const auto syncWith = [&](Run &run, int threads) {
            tSettings s = settings();
            SyncRunOptions options = runOptions(run.home);
            options.readerThreads = threads;
            run.results.append(SyncFolders(run.titles, s, options, {}));
            m_writer->waitForIdle();
        };
        const QString homeA = m_tmp->path() + u"/one-thread/"_qs;
        const QString homeB = m_tmp->path() + u"/read-ahead/"_qs;
        runs[0].home = homeA;
        runs[1].home = homeB;
        QVERIFY(QDir().mkpath(homeA) && QDir().mkpath(homeB));

        const auto compareRuns = [&] {
            QCOMPARE(runs[1].titles, runs[0].titles);
            const SyncRunResult &a = runs[0].results.last();
            const SyncRunResult &b = runs[1].results.last();
            QCOMPARE(b.imported, a.imported);
            QCOMPARE(b.placeholders, a.placeholders);
            QCOMPARE(b.removedDiscs, a.removedDiscs);
            QCOMPARE(b.removedTitles, a.removedTitles);
            QCOMPARE(b.rentalList, a.rentalList);
            QCOMPARE(b.errorLog, a.errorLog);
            for (const QString &name : {u"DebugLog.txt"_qs, u"Cinevue Sync Error Log.txt"_qs}) {
                const QStringList linesA = readLines(homeA + u"Logs/"_qs + name);
                const QStringList linesB = readLines(homeB + u"Logs/"_qs + name);
                qsizetype i = 0;
                while (i < linesA.size() && i < linesB.size() && linesA.at(i) == linesB.at(i))
                    ++i;
                QVERIFY2(linesA.size() == linesB.size() && i == linesA.size(),
                         qPrintable(name + u" line %1: \""_qs.arg(i + 1) + linesA.value(i) + u"\" one-thread, \""_qs
                                    + linesB.value(i) + u"\" read ahead"_qs));
            }
            for (const QString &name : {u"CinevueDB.xml"_qs, u"CVB_SmartSync.bin"_qs}) {
                QFile fa(homeA + name), fb(homeB + name);
                QVERIFY2(fa.open(QIODevice::ReadOnly) && fb.open(QIODevice::ReadOnly), qPrintable(name));
                QVERIFY2(fa.readAll() == fb.readAll(), qPrintable(name + u" differs"_qs));
            }
        };

        for (Run &run : runs) {
            freshTree();
            if (QTest::currentTestFailed())
                return;
            syncWith(run, &run == &runs[0] ? 0 : 4);
        }
        QVERIFY(runs[0].results.last().placeholders > 0); // the tree has unreadable titles too
        QVERIFY(runs[0].titles.Title.size() > 200);
        compareRuns();
        if (QTest::currentTestFailed())
            return;

        for (Run &run : runs) {
            freshTree();
            changeTitles();
            if (QTest::currentTestFailed())
                return;
            syncWith(run, &run == &runs[0] ? 0 : 4);
        }
        QVERIFY(runs[0].results.last().imported > 30);
        compareRuns();
    }

    void debugAndPerformanceLogs_data()
    {
        QTest::addColumn<bool>("debug");
        QTest::addColumn<bool>("perfMon");
        QTest::newRow("both off") << false << false;
        QTest::newRow("debug only") << true << false;
        QTest::newRow("performance only") << false << true;
        QTest::newRow("both on") << true << true;
    }
    void debugAndPerformanceLogs()
    {
        QFETCH(bool, debug);
        QFETCH(bool, perfMon);
        threeTitles();
        tSettings s = settings();
        s.Debug = debug;
        s.PerfMon = perfMon;
        QString heading;
        SyncProgress progress;
        progress.processing = [&](const QString &text) {
            if (heading.isEmpty())
                heading = text;
        };
        tTitles titles;
        sync(titles, s, progress);
        QCOMPARE(heading, SyncingTitlesHeading(debug, perfMon));

        const QString stamp = u"2026-03-04_0506"_qs;
        for (const QString &name : {u"DebugLog.txt"_qs, u"DebugLog_DirScan.txt"_qs, u"DebugLog_"_qs + stamp + u".txt"_qs})
            QVERIFY2(QFile::exists(logFile(name)) == debug, qPrintable(name));
        const QString perfName = u"PerformanceLog_"_qs + stamp + u".txt"_qs;
        QCOMPARE(QFile::exists(logFile(perfName)), perfMon);
        QVERIFY(QFile::exists(logFile(u"Cinevue Sync Error Log.txt"_qs)));

        if (debug) {
            const QStringList log = debugLog();
            QVERIFY(log.first().startsWith(u"Debug Log Generated "_qs));
            QVERIFY(log.first().endsWith(u" with CVB v"_qs + kVersion));
            QCOMPARE(log.at(1), QString(65, u'-'));
            QCOMPARE(log.last(), u"DONE"_qs);
            QCOMPARE(readLines(logFile(u"DebugLog_"_qs + stamp + u".txt"_qs)), log);
            QVERIFY(readLines(logFile(u"DebugLog_DirScan.txt"_qs))
                        .contains(u"Scanning Directory: "_qs + m_movies + u"/Beta"_qs));
        }
        if (perfMon) {
            const QStringList log = readLines(logFile(perfName));
            QVERIFY(log.first().startsWith(u"Performance Log Generated "_qs));
            QCOMPARE(log.at(1), QString(71, u'-'));
            QCOMPARE(log.last(), u"END OF PERFORMANCE LOG"_qs);
            const QRegularExpression scanned(u"^ \\* Scanned 0004 Directories in \\d+\\.\\d{4} seconds for path \""_qs
                                             + QRegularExpression::escape(m_movies + u'/') + u"\"$"_qs);
            QVERIFY(!log.filter(scanned).isEmpty());
            const QRegularExpression saved(
                u"^\\[\\d+\\.\\d{4}\\] Saved Local Database in \\d+\\.\\d{4} seconds\\.$"_qs);
            QVERIFY(!log.filter(saved).isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestSyncRun)
#include "tst_syncrun.moc"
