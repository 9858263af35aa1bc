#include "model/markers.h"
#include "tests/immutable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

const QString kWatched = u"CVB_Watched.txt"_qs;
const QString kNotWatched = u"CVB_NotWatched.txt"_qs;
const QString kWatchList = u"CVB_WatchList.txt"_qs;

void writeFile(const QString &path, const QByteArray &content = "by hand\r\n")
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

tTitle titleIn(const QString &dir, bool watched)
{
    tTitle t;
    t.Title = u"Alien"_qs;
    t.Directory = dir;
    t.Watched = watched;
    t.WatchedCVB = watched;
    return t;
}

} // namespace

class TestMarkers : public QObject
{
    Q_OBJECT
private slots:
    // The import's evaluation: every combination of the XML's value and the two
    // watched markers.
    void evaluate_data()
    {
        QTest::addColumn<bool>("xmlWatched");
        QTest::addColumn<bool>("watchedFile");
        QTest::addColumn<bool>("notWatchedFile");
        QTest::addColumn<bool>("watchedCVB");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("unwatched, no markers") << false << false << false << false << QStringList();
        QTest::newRow("unwatched, marked watched") << false << true << false << true << QStringList{kWatched};
        QTest::newRow("unwatched, redundant not-watched") << false << false << true << false << QStringList();
        QTest::newRow("unwatched, both markers") << false << true << true << false << QStringList{kWatched};
        QTest::newRow("watched, no markers") << true << false << false << true << QStringList();
        QTest::newRow("watched, redundant watched") << true << true << false << true << QStringList();
        QTest::newRow("watched, marked not watched") << true << false << true << false << QStringList{kNotWatched};
        QTest::newRow("watched, both markers") << true << true << true << false << QStringList{kNotWatched};
    }
    void evaluate()
    {
        QFETCH(bool, xmlWatched);
        QFETCH(bool, watchedFile);
        QFETCH(bool, notWatchedFile);
        QFETCH(bool, watchedCVB);
        QFETCH(QStringList, left);
        QTemporaryDir dir;
        if (watchedFile)
            writeFile(dir.filePath(kWatched));
        if (notWatchedFile)
            writeFile(dir.filePath(kNotWatched));

        tTitle t = titleIn(dir.path(), xmlWatched);
        t.WatchedCVB = !watchedCVB; // must be overwritten
        EvaluateMarkers(t);
        QCOMPARE(t.WatchedCVB, watchedCVB);
        QCOMPARE(filesIn(dir.path()), left);
        QVERIFY(!t.WatchList);
    }

    void watchListFollowsFile()
    {
        QTemporaryDir dir;
        tTitle t = titleIn(dir.path(), false);
        t.WatchList = true;
        EvaluateMarkers(t);
        QVERIFY(!t.WatchList);

        writeFile(dir.filePath(kWatchList)); // made by hand
        EvaluateMarkers(t);
        QVERIFY(t.WatchList);
        QCOMPARE(filesIn(dir.path()), QStringList{kWatchList});
    }

    void namesIgnoreLetterCase()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(u"cvb_watchlist.TXT"_qs));
        writeFile(dir.filePath(u"Cvb_Watched.txt"_qs));
        tTitle t = titleIn(dir.path(), false);
        EvaluateMarkers(t);
        QVERIFY(t.WatchList);
        QVERIFY(t.WatchedCVB);

        // Toggling off removes the marker whatever its spelling, and makes no other.
        QVERIFY(ToggleWatchList(t).ok);
        QVERIFY(ToggleWatchedStatus(t).ok);
        QCOMPARE(filesIn(dir.path()), QStringList());
    }

    void placeholder_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("watchedCVB");
        QTest::newRow("no markers") << QStringList() << false;
        QTest::newRow("watched marker") << QStringList{kWatched} << true;
        QTest::newRow("not-watched marker is not looked at") << QStringList{kNotWatched} << false;
        QTest::newRow("both markers") << QStringList{kNotWatched, kWatched} << true;
    }
    void placeholder()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, watchedCVB);
        QTemporaryDir dir;
        for (const QString &f : files)
            writeFile(dir.filePath(f));
        writeFile(dir.filePath(kWatchList));
        tTitle t = titleIn(dir.path(), false);
        t.WatchedCVB = !watchedCVB;
        EvaluatePlaceholderMarkers(t);
        QCOMPARE(t.WatchedCVB, watchedCVB);
        QVERIFY(t.WatchList); // the list marker counts: a toggle on a placeholder is kept
        files << kWatchList;
        files.sort();
        QCOMPARE(filesIn(dir.path()), files); // nothing deleted
    }

    void toggleWatched_data()
    {
        QTest::addColumn<bool>("xmlWatched");
        QTest::addColumn<bool>("watchedCVB");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<bool>("after");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QByteArray>("contentStart"); // of the one file left
        QTest::newRow("mark watched against the XML") << false << false << QStringList() << true << QStringList{kWatched} << QByteArray("Watched=");
        QTest::newRow("and back again") << false << true << QStringList{kWatched} << false << QStringList() << QByteArray();
        QTest::newRow("mark not watched against the XML") << true << true << QStringList() << false << QStringList{kNotWatched} << QByteArray("OverrideWatched=");
        QTest::newRow("and back to the XML") << true << false << QStringList{kNotWatched} << true << QStringList() << QByteArray();
        QTest::newRow("stale not-watched marker goes") << false << false << QStringList{kNotWatched} << true << QStringList{kWatched} << QByteArray("Watched=");
        QTest::newRow("stale watched marker goes") << true << true << QStringList{kWatched} << false << QStringList{kNotWatched} << QByteArray("OverrideWatched=");
        QTest::newRow("existing marker keeps its content") << false << false << QStringList{kWatched} << true << QStringList{kWatched} << QByteArray("by hand");
        QTest::newRow("back to the XML removes both") << false << true << QStringList{kWatched, kNotWatched} << false << QStringList() << QByteArray();
    }
    void toggleWatched()
    {
        QFETCH(bool, xmlWatched);
        QFETCH(bool, watchedCVB);
        QFETCH(QStringList, before);
        QFETCH(bool, after);
        QFETCH(QStringList, left);
        QFETCH(QByteArray, contentStart);
        QTemporaryDir dir;
        for (const QString &f : before)
            writeFile(dir.filePath(f));
        tTitle t = titleIn(dir.path(), xmlWatched);
        t.WatchedCVB = watchedCVB;

        const MarkerResult r = ToggleWatchedStatus(t);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(t.WatchedCVB, after);
        QCOMPARE(t.Watched, xmlWatched);
        QCOMPARE(filesIn(dir.path()), left);
        if (!left.isEmpty()) {
            const QByteArray content = readFile(dir.filePath(left.first()));
            QVERIFY2(content.startsWith(contentStart), content.constData());
            QCOMPARE(content.count('\n'), 1);
            QVERIFY(content.endsWith('\n'));
        }
        // What the toggle left on disk reads back as the same state.
        tTitle reread = titleIn(dir.path(), xmlWatched);
        EvaluateMarkers(reread);
        QCOMPARE(reread.WatchedCVB, after);
    }

    // A title whose discs lie in several folders: every folder gets the
    // markers, so that importing any of them gives the toggled state.
    void toggleReachesEveryDiscFolder()
    {
        QTemporaryDir dir;
        const QString disc1 = dir.filePath(u"Disc 1"_qs);
        const QString disc2 = dir.filePath(u"Disc 2"_qs);
        const QString files = dir.filePath(u"Files"_qs);
        for (const QString &d : {disc1, disc2, files})
            QVERIFY(QDir().mkpath(d));
        writeFile(disc2 + u"/CVB_NotWatched.txt"_qs);
        tTitle t = titleIn(disc1, true);
        t.WatchedCVB = false; // as the import of Disc 2 left it
        t.DiscInfo = {tDiscInfo{}, tDiscInfo{}, tDiscInfo{}};
        t.DiscInfo[0].Loc = disc1;
        t.DiscInfo[1].Loc = disc2;
        t.DiscInfo[2].Loc = files + u"/part3.mkv"_qs;
        t.DiscInfo[2].Container = ctMKV;
        QCOMPARE(MarkerFolders(t), (QStringList{disc1, disc2, files}));

        QVERIFY(ToggleWatchedStatus(t).ok);
        QVERIFY(t.WatchedCVB);
        for (const QString &d : {disc1, disc2, files}) {
            QCOMPARE(filesIn(d).filter(u"CVB_"_qs), QStringList()); // Watched in the XML: no marker needed
            tTitle reread = titleIn(d, true);
            EvaluateMarkers(reread);
            QVERIFY2(reread.WatchedCVB, qPrintable(d));
        }
        QVERIFY(ToggleWatchList(t).ok);
        for (const QString &d : {disc1, disc2, files})
            QCOMPARE(filesIn(d), QStringList{u"CVB_WatchList.txt"_qs});
        QVERIFY(ToggleWatchedStatus(t).ok);
        QVERIFY(!t.WatchedCVB);
        for (const QString &d : {disc1, disc2, files})
            QVERIFY(filesIn(d).contains(u"CVB_NotWatched.txt"_qs));
    }

    void watchListOnOffOn()
    {
        QTemporaryDir dir;
        tTitle t = titleIn(dir.path(), false);
        QVERIFY(ToggleWatchList(t).ok);
        QVERIFY(t.WatchList);
        QVERIFY(readFile(dir.filePath(kWatchList)).startsWith("WatchList="));
        QVERIFY(ToggleWatchList(t).ok);
        QVERIFY(!t.WatchList);
        QCOMPARE(filesIn(dir.path()), QStringList());
        QVERIFY(ToggleWatchList(t).ok);
        QVERIFY(t.WatchList);
        QCOMPARE(filesIn(dir.path()), QStringList{kWatchList});
    }

    // A marker that cannot be written or deleted: the flag ends as the files
    // say and the error names the file.
    void failures_data()
    {
        QTest::addColumn<QString>("folder"); // "missing", "read-only", "none"
        QTest::addColumn<bool>("watchList"); // which toggle
        QTest::addColumn<bool>("xmlWatched");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<bool>("flagAfter");
        QTest::addColumn<QString>("error");
        QTest::newRow("missing folder, mark watched") << u"missing"_qs << false << false << QStringList() << false << u"Could not create"_qs;
        QTest::newRow("missing folder, mark not watched") << u"missing"_qs << false << true << QStringList() << true << u"Could not create"_qs;
        QTest::newRow("missing folder, watch list on") << u"missing"_qs << true << false << QStringList() << false << u"Could not create"_qs;
        QTest::newRow("read-only folder, mark watched") << u"read-only"_qs << false << false << QStringList() << false << u"Could not create"_qs;
        QTest::newRow("read-only folder, unmark watched") << u"read-only"_qs << false << false << QStringList{kWatched} << true << u"Could not delete"_qs;
        QTest::newRow("read-only folder, watch list off") << u"read-only"_qs << true << false << QStringList{kWatchList} << true << u"Could not delete"_qs;
        QTest::newRow("no folder, mark watched") << u"none"_qs << false << false << QStringList() << false << u"no folder"_qs;
        QTest::newRow("no folder, watch list on") << u"none"_qs << true << false << QStringList() << false << u"no folder"_qs;
    }
    void failures()
    {
        QFETCH(QString, folder);
        QFETCH(bool, watchList);
        QFETCH(bool, xmlWatched);
        QFETCH(QStringList, before);
        QFETCH(bool, flagAfter);
        QFETCH(QString, error);

        QTemporaryDir tmp;
        const QString workDir = QDir::currentPath();
        QDir::setCurrent(tmp.path());
        const QString dir = folder == u"none"_qs ? QString() : tmp.filePath(u"Alien"_qs);
        std::unique_ptr<ReadOnlyFolder> readOnly;
        if (folder == u"read-only"_qs) {
            QVERIFY(QDir().mkpath(dir));
            for (const QString &f : before)
                writeFile(dir + u'/' + f);
            readOnly = std::make_unique<ReadOnlyFolder>(dir);
            if (readOnly->writable()) {
                QDir::setCurrent(workDir);
                QSKIP("this folder cannot be made read-only here");
            }
        }
        tTitle t = titleIn(dir, xmlWatched);
        if (watchList)
            t.WatchList = before.contains(kWatchList);
        else
            t.WatchedCVB = before.contains(kWatched) ? true : xmlWatched;

        const MarkerResult r = watchList ? ToggleWatchList(t) : ToggleWatchedStatus(t);

        readOnly.reset();
        QDir::setCurrent(workDir);
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(error), qPrintable(r.error));
        if (!dir.isEmpty())
            QVERIFY2(r.error.contains(dir), qPrintable(r.error));
        QCOMPARE(watchList ? t.WatchList : t.WatchedCVB, flagAfter);
        QCOMPARE(filesIn(tmp.path()), QStringList()); // nothing written in the working directory
        if (!dir.isEmpty())
            QCOMPARE(filesIn(dir), before); // the files are as they were
    }
};

QTEST_GUILESS_MAIN(TestMarkers)
#include "tst_markers.moc"
