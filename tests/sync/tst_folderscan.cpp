#include "sync/folderscan.h"

#include "platform/filesystem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Builds a tree below `root`: "a/b/" is a folder, "a/b.txt" a file,
// "link -> target" a symbolic link to `root`/target.
void makeTree(const QString &root, const QStringList &paths)
{
    QDir dir(root);
    for (const QString &p : paths) {
        if (p.contains(u" -> "_qs)) {
            const QStringList parts = p.split(u" -> "_qs);
            QVERIFY(dir.mkpath(QFileInfo(dir.filePath(parts[0])).path()));
            QVERIFY(QFile::link(dir.filePath(parts[1]), dir.filePath(parts[0])));
        } else if (p.endsWith(u'/')) {
            QVERIFY(dir.mkpath(p));
        } else {
            QVERIFY(dir.mkpath(QFileInfo(dir.filePath(p)).path()));
            QFile f(dir.filePath(p));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    }
}

void setTime(const QString &path, const QDateTime &utc)
{
    const time_t t = time_t(utc.toSecsSinceEpoch());
    const struct timespec times[2] = {{t, 0}, {t, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

QString relative(const QString &root, const QString &path)
{
    if (path == root)
        return u"."_qs;
    return path.startsWith(root + u'/') ? path.mid(root.size() + 1) : path;
}

// One line per entry: "dir [group] {disc, disc}", discs as "loc container xml=...".
QStringList describe(const QString &root, const tDirectories &list)
{
    QStringList lines;
    for (const tDirectoryRec &rec : list) {
        QStringList discs;
        for (const tDirDiscInfo &d : rec.DiscInfo) {
            QString disc = relative(root, d.Loc) + u' ' + ContainerName(d.Container);
            if (!d.XML.isEmpty())
                disc += u" xml="_qs + relative(root, d.XML);
            discs << disc;
        }
        discs.sort();
        QString line = relative(root, rec.Directory);
        if (rec.GroupDir)
            line += u" [group]"_qs;
        if (!rec.mmXMLFile.isEmpty())
            line += u" mm="_qs + relative(root, rec.mmXMLFile);
        line += u" {"_qs + discs.join(u", "_qs) + u'}';
        lines << line;
    }
    return lines;
}

// Depth-first pre-order: every entry follows its parent's entry, and a
// subtree is not interrupted by entries from elsewhere.
bool isPreOrder(const tDirectories &list)
{
    QStringList stack;
    for (const tDirectoryRec &rec : list) {
        while (!stack.isEmpty() && !rec.Directory.startsWith(stack.last() + u'/'))
            stack.removeLast();
        if (stack.isEmpty() && &rec != &list.first())
            return false;
        stack << rec.Directory;
    }
    return true;
}

ScanResult scanOne(const QString &folder, QStringList *debugLines = nullptr, QStringList *perfLines = nullptr)
{
    ScanOptions options;
    options.Debug = debugLines != nullptr;
    options.PerfMon = perfLines != nullptr;
    options.DebugLine = [debugLines](const QString &line) { debugLines->append(line); };
    options.PerfLine = [perfLines](const QString &line) { perfLines->append(line); };
    return ScanFolders({tScannedFolders{folder, false}}, options);
}
} // namespace

class TestFolderScan : public QObject
{
    Q_OBJECT
private slots:
    void walk_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QStringList>("entries"); // sorted descriptions
        QTest::addColumn<QString>("folder");      // walked, relative to the fixture; "" for all of it

        QTest::newRow("no media: only the folder itself")
            << QStringList{u"readme.txt"_qs, u"Extras/a.jpg"_qs, u"mymovies.xml/"_qs}
            << QStringList{u". [group] {}"_qs} << QString();
        QTest::newRow("only a title XML: box-set parent")
            << QStringList{u"Box/mymovies.xml"_qs}
            << QStringList{u". [group] {}"_qs, u"Box mm=Box/mymovies.xml {BoxSetParent ctFolder}"_qs} << QString();
        QTest::newRow("title XML in another letter case")
            << QStringList{u"Box/MyMovies.XML"_qs}
            << QStringList{u". [group] {}"_qs, u"Box mm=Box/MyMovies.XML {BoxSetParent ctFolder}"_qs} << QString();
        QTest::newRow("ISO with its per-file XML, extension in upper case")
            << QStringList{u"Movie/Movie.ISO"_qs, u"Movie/Movie.mymovies.xml"_qs, u"Movie/Other.mymovies.xml"_qs}
            << QStringList{u". [group] {}"_qs, u"Movie {Movie/Movie.ISO ctISO xml=Movie/Movie.mymovies.xml}"_qs} << QString();
        QTest::newRow("per-file XML in another letter case")
            << QStringList{u"M/a.mkv"_qs, u"M/A.MyMovies.XML"_qs}
            << QStringList{u". [group] {}"_qs, u"M {M/a.mkv ctMKV xml=M/A.MyMovies.XML}"_qs} << QString();
        QTest::newRow("extension repeated inside the name")
            << QStringList{u"M/Iso.Story.iso"_qs, u"M/Iso.Story.mymovies.xml"_qs}
            << QStringList{u". [group] {}"_qs, u"M {M/Iso.Story.iso ctISO xml=M/Iso.Story.mymovies.xml}"_qs} << QString();
        QTest::newRow("media without XML and unrelated files")
            << QStringList{u"M/a.mp4"_qs, u"M/b.MKV"_qs, u"M/c.avi"_qs, u"M/mkv"_qs, u"M/d.iso.txt"_qs}
            << QStringList{u". [group] {}"_qs, u"M {M/a.mp4 ctMP4, M/b.MKV ctMKV}"_qs} << QString();
        QTest::newRow("Extras without media dropped with its subtree")
            << QStringList{u"T/VIDEO_TS/VTS_01_0.IFO"_qs, u"T/mymovies.xml"_qs, u"T/Extras/still.jpg"_qs,
                           u"T/Extras/notes.txt"_qs, u"T/Extras/deep/x.png"_qs}
            << QStringList{u". [group] {}"_qs, u"T mm=T/mymovies.xml {T ctFolder xml=T/mymovies.xml}"_qs} << QString();
        QTest::newRow("Collection without media kept as a group")
            << QStringList{u"Collection/A/a.mp4"_qs, u"Collection/B/VIDEO_TS/"_qs, u"Collection/Empty/x.txt"_qs}
            << QStringList{u". [group] {}"_qs, u"Collection [group] {}"_qs, u"Collection/A {Collection/A/a.mp4 ctMP4}"_qs,
                           u"Collection/B {Collection/B ctFolder}"_qs} << QString();
        QTest::newRow("title with media and a title below it is a group")
            << QStringList{u"Series/s.mkv"_qs, u"Series/Part 2/p.mkv"_qs}
            << QStringList{u". [group] {}"_qs, u"Series [group] {Series/s.mkv ctMKV}"_qs,
                           u"Series/Part 2 {Series/Part 2/p.mkv ctMKV}"_qs} << QString();
        QTest::newRow("both disc folders give two discs")
            << QStringList{u"T/VIDEO_TS/"_qs, u"T/bdmv/"_qs}
            << QStringList{u". [group] {}"_qs, u"T {T ctFolder, T ctFolder}"_qs} << QString();
        QTest::newRow("structural and hidden folders are not entered")
            << QStringList{u"T/AUDIO_TS/a.mkv"_qs, u"T/Certificate/b.mkv"_qs, u"T/.hidden/c.mkv"_qs,
                           u"T/jacket_p/d.mkv"_qs, u"T/VIDEO_TS/e.mkv"_qs, u"T/BDMV/STREAM/f.mkv"_qs}
            << QStringList{u". [group] {}"_qs, u"T {T ctFolder, T ctFolder}"_qs} << QString();
        QTest::newRow("box-set parent with children")
            << QStringList{u"Box/mymovies.xml"_qs, u"Box/One/1.iso"_qs, u"Box/Two/mymovies.xml"_qs, u"Box/Two/VIDEO_TS/"_qs}
            << QStringList{u". [group] {}"_qs, u"Box [group] mm=Box/mymovies.xml {BoxSetParent ctFolder}"_qs,
                           u"Box/One {Box/One/1.iso ctISO}"_qs,
                           u"Box/Two mm=Box/Two/mymovies.xml {Box/Two ctFolder xml=Box/Two/mymovies.xml}"_qs} << QString();
        QTest::newRow("linked title folder is followed, a loop is not")
            << QStringList{u"Elsewhere/Movie/m.mkv"_qs, u"Root/Linked -> Elsewhere/Movie"_qs,
                           u"Root/T/t.mkv"_qs, u"Root/T/Loop -> Root"_qs}
            << QStringList{u". [group] {}"_qs, u"Linked {Linked/m.mkv ctMKV}"_qs, u"T {T/t.mkv ctMKV}"_qs} << u"Root"_qs;
    }
    void walk()
    {
        QFETCH(QStringList, tree);
        QFETCH(QStringList, entries);
        QFETCH(QString, folder);
        QTemporaryDir dir;
        makeTree(dir.path(), tree);
        const QString root = folder.isEmpty() ? dir.path() : dir.filePath(folder);
        const ScanResult scan = scanOne(root + u'/');

        QVERIFY(scan.Folders.at(0).RootListable);
        QCOMPARE(scan.Directories.first().Directory, root);
        QVERIFY(scan.Directories.first().GroupDir);
        QVERIFY(isPreOrder(scan.Directories));
        QStringList got = describe(root, scan.Directories);
        got.sort();
        QCOMPARE(got, entries);
    }

    void fileTimes()
    {
        QTemporaryDir dir;
        makeTree(dir.path(), {u"T/mymovies.xml"_qs, u"T/VIDEO_TS/"_qs, u"T/CVB_Watched.txt"_qs,
                              u"T/cvb_notwatched.TXT"_qs, u"T/a.mkv"_qs, u"T/a.mymovies.xml"_qs});
        const QString t = dir.filePath(u"T/"_qs);
        setTime(t + u"mymovies.xml"_qs, QDateTime(QDate(2015, 3, 4), QTime(5, 6, 8), Qt::UTC));
        setTime(t + u"CVB_Watched.txt"_qs, QDateTime(QDate(2016, 1, 1), QTime(0, 0, 0), Qt::UTC));
        setTime(t + u"cvb_notwatched.TXT"_qs, QDateTime(QDate(2016, 1, 2), QTime(0, 0, 0), Qt::UTC));
        setTime(t + u"a.mymovies.xml"_qs, QDateTime(QDate(2017, 7, 7), QTime(7, 7, 7), Qt::UTC));

        const qint32 xmlTime = FileDosTime(t + u"mymovies.xml"_qs);
        const ScanResult scan = scanOne(dir.path());
        QCOMPARE(scan.Directories.size(), 2);
        const tDirectoryRec &rec = scan.Directories[1];
        QCOMPARE(rec.mmXMLFile, t + u"mymovies.xml"_qs);
        QCOMPARE(rec.FileDate, xmlTime);
        QCOMPARE(rec.CVBWatchedFileDate, FileDosTime(t + u"CVB_Watched.txt"_qs));
        QCOMPARE(rec.CVBNotWatchedFileDate, FileDosTime(t + u"cvb_notwatched.TXT"_qs));
        QCOMPARE(rec.CVBWatchListFileDate, kDosTimeAbsent);
        QVERIFY(rec.CVBWatchedFileDate > 0 && rec.CVBNotWatchedFileDate != rec.CVBWatchedFileDate);
        QCOMPARE(rec.DiscInfo.size(), 2);
        for (const tDirDiscInfo &disc : rec.DiscInfo) {
            if (disc.Container == ctFolder)
                QCOMPARE(disc.FileDate, xmlTime);
            else
                QCOMPARE(disc.FileDate, FileDosTime(t + u"a.mymovies.xml"_qs));
            QVERIFY(!disc.Found);
        }
    }

    void unreadableTimesAreMinusOne()
    {
        if (geteuid() == 0)
            QSKIP("permissions do not stop root");
        QTemporaryDir dir;
        makeTree(dir.path(), {u"T/mymovies.xml"_qs, u"T/a.mkv"_qs, u"T/CVB_WatchList.txt"_qs});
        // Readable but not searchable: the names can be listed, their times not.
        const QByteArray t = QFile::encodeName(dir.filePath(u"T"_qs));
        QCOMPARE(::chmod(t.constData(), 0444), 0);
        const ScanResult scan = scanOne(dir.path());
        ::chmod(t.constData(), 0755);
        QCOMPARE(scan.Directories.size(), 2);
        const tDirectoryRec &rec = scan.Directories[1];
        QCOMPARE(rec.FileDate, kDosTimeUnreadable);
        QCOMPARE(rec.CVBWatchListFileDate, kDosTimeUnreadable);
        QCOMPARE(rec.mmXMLFile, dir.filePath(u"T/mymovies.xml"_qs));
        QCOMPARE(rec.DiscInfo.size(), 1);
        QCOMPARE(rec.DiscInfo[0].Container, ctMKV);
    }

    void trailingSeparatorOrNot()
    {
        QTemporaryDir dir;
        makeTree(dir.path(), {u"A/a.iso"_qs, u"B/b/VIDEO_TS/"_qs});
        const ScanResult with = scanOne(dir.path() + u'/');
        const ScanResult without = scanOne(dir.path());
        QCOMPARE(with.Directories.first().Directory, dir.path());
        QCOMPARE(with.Folders[0].Root, dir.path());
        QCOMPARE(describe(dir.path(), without.Directories), describe(dir.path(), with.Directories));
        QCOMPARE(without.Directories, with.Directories);
        QCOMPARE(with.Directories.size(), 4);
    }

    void foldersJoinedInFolderOrder()
    {
        QTemporaryDir dir;
        QStringList big;
        for (int i = 0; i < 200; ++i)
            big << QStringLiteral("Big/T%1/t.mkv").arg(i);
        makeTree(dir.path(), big + QStringList{u"Small/S/s.mp4"_qs});
        // The small folder, second in the list, finishes first.
        const QList<tScannedFolders> folders{{dir.filePath(u"Big/"_qs), false}, {dir.filePath(u"Small/"_qs), false}};
        QList<QList<bool>> polls;
        const ScanResult scan = ScanFolders(folders, {}, [&](const QList<bool> &done) { polls << done; });

        QCOMPARE(scan.Directories.size(), 201 + 2);
        QCOMPARE(scan.Directories[0].Directory, dir.filePath(u"Big"_qs));
        QCOMPARE(scan.Directories[201].Directory, dir.filePath(u"Small"_qs));
        QCOMPARE(scan.Folders[0].FirstIndex, 0);
        QCOMPARE(scan.Folders[0].DirectoryCount, 201);
        QCOMPARE(scan.Folders[1].FirstIndex, 201);
        QCOMPARE(scan.Folders[1].DirectoryCount, 2);
        for (int i = 1; i < 201; ++i)
            QVERIFY(scan.Directories[i].Directory.startsWith(dir.filePath(u"Big/"_qs)));
        QVERIFY(!polls.isEmpty());
        QCOMPARE(polls.last(), (QList<bool>{true, true}));
    }

    void progressText()
    {
        const QList<tScannedFolders> folders{{u"/a/"_qs, false}, {u"/b/"_qs, false}};
        QCOMPARE(BuildingDirectoryListText(folders, {true, false}),
                 u"Building Directory List:\r\n[    DONE     ]    /a/\r\n[SCANNING]    /b/"_qs);
        QCOMPARE(BuildingDirectoryListText({}, {}), u"Building Directory List:"_qs);
    }

    // Each level holds two links to the level below: walked once per path
    // that would be 2^depth walks and as many copies of the one disc.
    void linkFanOutIsWalkedOnce_data()
    {
        QTest::addColumn<bool>("levelsInside"); // the linked levels lie inside the monitored folder
        QTest::newRow("levels outside the monitored folder") << false;
        QTest::newRow("levels inside the monitored folder") << true;
    }
    void linkFanOutIsWalkedOnce()
    {
        QFETCH(bool, levelsInside);
        constexpr int kDepth = 14;
        QTemporaryDir dir;
        const QString root = dir.filePath(u"Root"_qs);
        const QString levels = levelsInside ? root + u"/Levels"_qs : dir.filePath(u"Levels"_qs);
        QVERIFY(QDir().mkpath(root));
        for (int level = 1; level <= kDepth; ++level)
            QVERIFY(QDir().mkpath(levels + u"/L%1"_qs.arg(level)));
        QFile media(levels + u"/L%1/m.mkv"_qs.arg(kDepth));
        QVERIFY(media.open(QIODevice::WriteOnly));
        media.close();
        for (int level = 0; level < kDepth; ++level) {
            const QString from = level == 0 ? root : levels + u"/L%1"_qs.arg(level);
            for (const QString &name : {u"a"_qs, u"b"_qs})
                QVERIFY(QFile::link(levels + u"/L%1"_qs.arg(level + 1), from + u'/' + name));
        }

        const ScanResult scan = scanOne(root + u'/');
        int discs = 0;
        for (const tDirectoryRec &rec : scan.Directories)
            discs += int(rec.DiscInfo.size());
        QCOMPARE(discs, 1);
    }

    // A scan thread that cannot be created must not leave the run waiting:
    // its folder counts as unreadable and keeps what the snapshot knew.
    void threadThatCannotStart()
    {
        QTemporaryDir dir;
        makeTree(dir.path(), {u"A/T/t.mkv"_qs, u"B/U/u.mkv"_qs});
        ScanOptions options;
        options.ThreadStackSize = 1; // below any platform's minimum: creation fails
        const ScanResult scan =
            ScanFolders({{dir.filePath(u"A/"_qs), false}, {dir.filePath(u"B/"_qs), false}}, options);
        QCOMPARE(scan.Folders.size(), 2);
        for (const FolderScanInfo &info : scan.Folders) {
            QVERIFY(!info.ScanStarted);
            QVERIFY(!info.RootListable);
            QCOMPARE(info.DirectoryCount, 1);
        }
        const tDirectories previous{{dir.filePath(u"A"_qs), {}, 0, 0, 0, 0, {}, true},
                                    {dir.filePath(u"A/T"_qs), {}, 0, 0, 0, 0, {{QString(), 0, dir.filePath(u"A/T/t.mkv"_qs), ctMKV, false}}, false}};
        QStringList unavailable;
        const tDirectories kept = KeepUnreachableFolders(scan, previous, &unavailable);
        QCOMPARE(unavailable.size(), 2);
        QCOMPARE(kept.mid(0, 2), previous);
    }

    void unreachableFolder()
    {
        QTemporaryDir dir;
        makeTree(dir.path(), {u"Online/T/t.mkv"_qs});
        const QString offline = dir.filePath(u"Offline"_qs);
        const ScanResult scan = ScanFolders({{offline + u'/', false}, {dir.filePath(u"Online/"_qs), false}}, {});
        QCOMPARE(scan.Folders.size(), 2);
        QVERIFY(!scan.Folders[0].RootListable);
        QVERIFY(scan.Folders[1].RootListable);
        QCOMPARE(scan.Folders[0].DirectoryCount, 1);
        QCOMPARE(scan.Directories[0].Directory, offline);
        QVERIFY(scan.Directories[0].GroupDir);
        QVERIFY(scan.Directories[0].DiscInfo.isEmpty());

        // The previous run saw the share; its entries stand in for it. An
        // entry of a folder whose name only starts the same stays out.
        tDirDiscInfo disc;
        disc.Loc = offline + u"/Movie/m.iso"_qs;
        disc.Container = ctISO;
        const tDirectories previous{
            {offline, {}, 0, 0, 0, 0, {}, true},
            {offline + u"/Movie"_qs, {}, 0, 0, 0, 0, {disc}, false},
            {offline + u"Two/X"_qs, {}, 0, 0, 0, 0, {disc}, false},
            {dir.filePath(u"Online/Old"_qs), {}, 0, 0, 0, 0, {disc}, false},
        };
        const tDirectories kept = KeepUnreachableFolders(scan, previous);
        QCOMPARE(kept.size(), 2 + 2);
        QCOMPARE(kept[0], previous[0]);
        QCOMPARE(kept[1], previous[1]);
        QCOMPARE(kept.mid(2), scan.Directories.mid(1));
        // Nothing known about the folder: its lone entry stays.
        QCOMPARE(KeepUnreachableFolders(scan, {}), scan.Directories);
    }

    void unlistableFolder()
    {
        if (geteuid() == 0)
            QSKIP("permissions do not stop root");
        QTemporaryDir dir;
        makeTree(dir.path(), {u"Locked/T/t.mkv"_qs});
        const QByteArray locked = QFile::encodeName(dir.filePath(u"Locked"_qs));
        QCOMPARE(::chmod(locked.constData(), 0), 0);
        const ScanResult scan = scanOne(dir.filePath(u"Locked"_qs));
        ::chmod(locked.constData(), 0755);
        QVERIFY(!scan.Folders[0].RootListable);
        QCOMPARE(scan.Directories.size(), 1);
    }

    void emptyFolderPathIsNotTheFileSystemRoot()
    {
        const ScanResult scan = scanOne(QString());
        QCOMPARE(scan.Directories.size(), 1);
        QVERIFY(!scan.Folders[0].RootListable);
    }

    void debugAndPerformanceLines()
    {
        QTemporaryDir dir;
        makeTree(dir.path(), {u"T/mymovies.xml"_qs, u"T/VIDEO_TS/"_qs, u"T/Sub/x.iso"_qs, u"T/Sub/x.mymovies.xml"_qs,
                              u"T/Sub/Box/mymovies.xml"_qs, u"T/Sub/Box/CVB_WatchList.txt"_qs,
                              u"T/Sub/Box/Empty/"_qs});
        const QString r = dir.path() + u'/';
        QStringList debug, perf;
        scanOne(r, &debug, &perf);
        const QStringList expected{
            u"Scanning Directory: "_qs + r,
            u"Scanning Directory: "_qs + r + u"T"_qs,
            u"  Found: "_qs + r + u"T/mymovies.xml"_qs,
            u"   * Successfully Stored FileName and FileAge"_qs,
            u"  Found: VIDEO_TS or BDMV in "_qs + r + u"T/"_qs,
            u"   * Successfully Recorded DVD Folder"_qs,
            u"Scanning Directory: "_qs + r + u"T/Sub"_qs,
            u"  Found Playable Media: "_qs + r + u"T/Sub/x.iso"_qs,
            u"    * Found XML: "_qs + r + u"T/Sub/x.mymovies.xml"_qs,
            u"   * Successfully Recorded .iso File"_qs,
            u"Scanning Directory: "_qs + r + u"T/Sub/Box"_qs,
            u"  Found: "_qs + r + u"T/Sub/Box/mymovies.xml"_qs,
            u"   * Successfully Stored FileName and FileAge"_qs,
            u"  Found: "_qs + r + u"T/Sub/Box/CVB_WatchList.txt"_qs,
            u"   * Successfully Stored FileAge"_qs,
            u"    * No playable media found - tracking XML as a possible Box Set Parent"_qs,
            u"   * Done logging potential Box Set Parent"_qs,
            u"Scanning Directory: "_qs + r + u"T/Sub/Box/Empty"_qs,
            u"Finished Scanning Directory: "_qs + r + u"T/Sub/Box/Empty"_qs,
            u" * Removing Directory Results - No Playable Media Found"_qs,
            u"Finished Scanning Directory: "_qs + r + u"T/Sub/Box"_qs,
            u" * Keeping Directory Results - Playable Media Found"_qs,
            u"Finished Scanning Directory: "_qs + r + u"T/Sub"_qs,
            u" * Keeping Directory Results - Playable Media Found"_qs,
            u"Finished Scanning Directory: "_qs + r + u"T"_qs,
            u" * Keeping Directory Results - Playable Media Found"_qs,
        };
        QCOMPARE(debug, expected);
        QCOMPARE(perf.size(), 1);
        const QRegularExpression line(u"^ \\* Scanned 0004 Directories in \\d+\\.\\d{4} seconds for path \""_qs
                                      + QRegularExpression::escape(r) + u"\"$"_qs);
        QVERIFY2(line.match(perf[0]).hasMatch(), qPrintable(perf[0]));

        // With both logs off nothing is written.
        ScanOptions quiet;
        quiet.DebugLine = [&](const QString &) { QFAIL("debug line with the log off"); };
        quiet.PerfLine = [&](const QString &) { QFAIL("performance line with the log off"); };
        ScanFolders({{r, false}}, quiet);
    }

    void performanceLineTexts_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("one digit padded") << 7 << 0.0 << u" * Scanned 0007 Directories in 0.0000 seconds for path \"/m/\""_qs;
        QTest::newRow("two digits padded") << 12 << 1.23456 << u" * Scanned 0012 Directories in 1.2346 seconds for path \"/m/\""_qs;
        QTest::newRow("five digits cut") << 12345 << 10.5 << u" * Scanned 2345 Directories in 10.5000 seconds for path \"/m/\""_qs;
    }
    void performanceLineTexts()
    {
        QFETCH(int, count);
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(ScannedDirectoriesLine(count, seconds, u"/m/"_qs), text);
        QCOMPARE(CompletedScanningLine(2.5, 42), u" [2.5000] Completed Scanning 42 Directories."_qs);
    }
};

QTEST_GUILESS_MAIN(TestFolderScan)
#include "tst_folderscan.moc"
