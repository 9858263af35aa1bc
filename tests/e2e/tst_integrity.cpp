// The collection survives what happens to its files between and during runs
// of cinevue-sync: a database that is lost or damaged while the snapshot
// stays, a monitored folder that is an unmounted mount point, a database
// that cannot be written, and runs killed at random points. After each, the
// following runs end with exactly the titles of the tree.

#include "tests/immutable.h"
#include "model/localdatabase.h"
#include "sync/snapshot.h"
#include "tools/mmtreegen.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace {

struct RunOutput {
    int exitCode = -1;
    bool finished = false;
    QString out;
    QString err;
};


} // namespace

class TestIntegrity : public QObject
{
    Q_OBJECT

    QString m_program;
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_home;
    QString m_movies;
    QString m_away; // title folders moved out of the tree
    MMTreeResult m_tree;
    QSet<QString> m_outside; // IDs of the titles moved away

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_qs, m_tmp->path());
        env.remove(u"CINEVUE_HOME"_qs);
        return env;
    }

    RunOutput run()
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.setWorkingDirectory(m_tmp->path());
        p.start(m_program, {m_home});
        RunOutput r;
        r.finished = p.waitForFinished(120000);
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }

    // Starts a run and kills it (SIGKILL) after `ms` milliseconds.
    void runKilledAfter(int ms)
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.setWorkingDirectory(m_tmp->path());
        p.start(m_program, {m_home});
        QVERIFY(p.waitForStarted());
        QThread::msleep(ms);
        p.kill();
        p.waitForFinished(10000);
    }

    void generate(int titles, quint32 seed)
    {
        MMTreeOptions gen;
        gen.root = m_movies;
        gen.titles = titles;
        gen.seed = seed;
        m_tree = GenerateMyMoviesTree(gen);
        QVERIFY2(m_tree.ok, qPrintable(m_tree.error));
        QFile f(m_home + u"/Cinevue.cfg"_qs);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write((u"[Cinevue Configuration Settings v.1]\r\nScanFolder="_qs + m_movies + u"/\r\nAutoScan=True\r\n"_qs)
                    .toUtf8());
    }

    // Title folders that hold one whole title and nothing else of another
    // one: moving such a folder out and back adds or removes exactly it.
    QList<MMTitleDir> movableTitles() const
    {
        QList<MMTitleDir> movable;
        for (const MMTitleDir &t : m_tree.titles)
            if ((t.kind == MMTitleKind::DVDFolder || t.kind == MMTitleKind::BlurayFolder
                 || t.kind == MMTitleKind::ISOFile)
                && t.parentId.isEmpty() && t.readable)
                movable << t;
        return movable;
    }

    QString awayPath(const MMTitleDir &t) const { return m_away + u'/' + t.id; }

    void moveOut(const MMTitleDir &t)
    {
        QVERIFY(QDir().rename(t.directory, awayPath(t)));
        m_outside.insert(t.id);
    }
    void moveBack(const MMTitleDir &t)
    {
        QVERIFY(QDir().rename(awayPath(t), t.directory));
        m_outside.remove(t.id);
    }

    QSet<QString> expectedIds() const
    {
        QSet<QString> ids;
        for (const MMTitleDir &t : m_tree.titles)
            if (!m_outside.contains(t.id))
                ids.insert(t.id);
        return ids;
    }

    // The database holds exactly the titles of the tree.
    void verifyDatabaseMatchesTree(const QString &when)
    {
        const LoadResult loaded = LoadLocalDatabase(m_home, u"1.7.2017.0006"_qs, true, u"ERROR"_qs,
                                                    QDateTime(QDate(2026, 1, 1), QTime(12, 0)));
        QVERIFY2(loaded.status == LoadResult::Loaded, qPrintable(when + u": "_qs + loaded.error));
        QSet<QString> ids;
        for (const tTitle &t : loaded.titles.Title)
            ids.insert(t.ID);
        const QSet<QString> expected = expectedIds();
        const QSet<QString> missing = expected - ids;
        const QSet<QString> extra = ids - expected;
        QVERIFY2(missing.isEmpty() && extra.isEmpty(),
                 qPrintable(u"%1: %2 titles missing (%3), %4 extra (%5)"_qs.arg(when)
                                .arg(missing.size())
                                .arg(QStringList(missing.values()).mid(0, 5).join(u", "_qs))
                                .arg(extra.size())
                                .arg(QStringList(extra.values()).mid(0, 5).join(u", "_qs))));
        QCOMPARE(loaded.titles.Title.size(), expected.size());
    }

    void syncOk(const QString &when)
    {
        const RunOutput r = run();
        QVERIFY(r.finished);
        QVERIFY2(r.exitCode == 0, qPrintable(when + u": "_qs + r.out + r.err));
    }

private slots:
    void initTestCase()
    {
        const QString buildDir = qEnvironmentVariable("CINEVUE_BUILD_DIR");
        QVERIFY2(!buildDir.isEmpty(), "CINEVUE_BUILD_DIR is not set (run the test through ctest)");
        m_program = buildDir + u"/cinevue-sync"_qs;
        QVERIFY2(QFileInfo(m_program).isExecutable(), qPrintable(m_program));
    }
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_home = m_tmp->path() + u"/home"_qs;
        m_movies = m_tmp->path() + u"/movies"_qs;
        m_away = m_tmp->path() + u"/away"_qs;
        QVERIFY(QDir().mkpath(m_home));
        QVERIFY(QDir().mkpath(m_away));
        m_outside.clear();
    }
    void cleanup()
    {
        SetImmutable(DatabaseFilePath(m_home), false);
        m_tmp.reset();
    }

    // The snapshot only describes the database it was stored with: when that
    // database is gone or cannot be read, the next run reads every folder.
    void lostDatabaseIsRebuilt_data()
    {
        QTest::addColumn<QByteArray>("database"); // "-": deleted
        QTest::addColumn<int>("exitCode");
        QTest::newRow("deleted") << QByteArray("-") << 0;
        QTest::newRow("no Titles element") << QByteArray("<?xml version=\"1.0\"?><CinevueDB CVBVer=\"1.7.2017.0006\"/>") << 1;
        QTest::newRow("not well-formed") << QByteArray("<?xml version=\"1.0\"?><CinevueDB CVBVer=\"1.7.2017.0006\"><Tit")
                                         << 1;
        QTest::newRow("empty file") << QByteArray() << 1;
    }
    void lostDatabaseIsRebuilt()
    {
        QFETCH(QByteArray, database);
        QFETCH(int, exitCode);
        generate(30, 5);
        syncOk(u"first run"_qs);
        verifyDatabaseMatchesTree(u"first run"_qs);

        QFile db(DatabaseFilePath(m_home));
        if (database == "-") {
            QVERIFY(db.remove());
        } else {
            QVERIFY(db.open(QIODevice::WriteOnly | QIODevice::Truncate));
            db.write(database);
            db.close();
        }
        QVERIFY(QFile::exists(m_home + u"/CVB_SmartSync.bin"_qs) || database != "-");

        const RunOutput second = run();
        QVERIFY(second.finished);
        QVERIFY2(second.exitCode == exitCode, qPrintable(second.out + second.err));
        QVERIFY2(second.out.contains(u"full refresh"_qs), qPrintable(second.out));
        verifyDatabaseMatchesTree(u"after the damage"_qs);

        const RunOutput third = run();
        QVERIFY2(third.exitCode == 0, qPrintable(third.out + third.err));
        QVERIFY2(third.out.contains(u" 0 changed directories imported"_qs), qPrintable(third.out));
        verifyDatabaseMatchesTree(u"the run after"_qs);
    }

    // An unmounted share looks like an empty folder: its titles stay until it
    // is back, and then nothing needs to be read again. Only a forced full
    // refresh (the snapshot removed) takes an empty folder at its word.
    void emptyMountPointKeepsItsTitles()
    {
        generate(30, 6);
        syncOk(u"first run"_qs);
        const QString mounted = m_tmp->path() + u"/share"_qs;
        QVERIFY(QDir().rename(m_movies, mounted));
        QVERIFY(QDir().mkpath(m_movies));

        const RunOutput unmounted = run();
        QVERIFY2(unmounted.exitCode == 0, qPrintable(unmounted.out + unmounted.err));
        QVERIFY2(unmounted.err.contains(u"is empty"_qs), qPrintable(unmounted.err));
        verifyDatabaseMatchesTree(u"share unmounted"_qs);
        QFile log(m_home + u"/Logs/Cinevue Sync Error Log.txt"_qs);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromLocal8Bit(log.readAll()).contains(m_movies));

        QVERIFY(QDir(m_movies).rmdir(m_movies));
        QVERIFY(QDir().rename(mounted, m_movies));
        const RunOutput back = run();
        QVERIFY2(back.exitCode == 0, qPrintable(back.out + back.err));
        QVERIFY2(back.out.contains(u" 0 changed directories imported"_qs), qPrintable(back.out));
        verifyDatabaseMatchesTree(u"share back"_qs);

        QVERIFY(QDir().rename(m_movies, mounted));
        QVERIFY(QDir().mkpath(m_movies));
        QVERIFY(QFile::remove(m_home + u"/CVB_SmartSync.bin"_qs));
        syncOk(u"forced full refresh"_qs);
        for (const MMTitleDir &t : m_tree.titles)
            m_outside.insert(t.id);
        verifyDatabaseMatchesTree(u"forced full refresh of an empty folder"_qs);
    }

    // A run whose database cannot be stored leaves no snapshot that claims
    // otherwise: once the file can be written again, the next run stores the
    // whole collection.
    void failedDatabaseWriteIsRetried()
    {
        generate(30, 7);
        const QList<MMTitleDir> movable = movableTitles();
        QVERIFY(movable.size() >= 3);
        for (int i = 0; i < 3; ++i)
            moveOut(movable.at(i));
        syncOk(u"first run"_qs);
        verifyDatabaseMatchesTree(u"first run"_qs);

        for (int i = 0; i < 3; ++i)
            moveBack(movable.at(i));
        if (!SetImmutable(DatabaseFilePath(m_home), true))
            QSKIP("this file system cannot make a file immutable");
        const RunOutput failed = run();
        QVERIFY2(failed.exitCode == 1, qPrintable(failed.out + failed.err));
        QVERIFY2(failed.err.contains(u"CinevueDB.xml"_qs), qPrintable(failed.err));
        QVERIFY(SetImmutable(DatabaseFilePath(m_home), false));

        syncOk(u"database writable again"_qs);
        verifyDatabaseMatchesTree(u"database writable again"_qs);
    }

    // A FIFO (or any other non-regular file) under a name the run reads must
    // never block it: the run ends, says what it skipped, and loses nothing.
    void fifoInsteadOfAFile_data()
    {
        QTest::addColumn<QString>("where"); // relative to the program folder, or "title:NAME" in a title folder
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("inOutput");
        QTest::newRow("mymovies.xml") << u"title:mymovies.xml"_qs << 0 << u"bad \"mymovies.xml\""_qs;
        QTest::newRow("per-file XML") << u"title:Extra.mymovies.xml"_qs << 0 << u"bad \"mymovies.xml\""_qs;
        QTest::newRow("folder.jpg with the artwork cache") << u"title:folder.jpg"_qs << 0 << QString();
        QTest::newRow("CinevueDB.xml") << u"CinevueDB.xml"_qs << 1 << u"not a regular file"_qs;
        QTest::newRow("CVB_SmartSync.bin") << u"CVB_SmartSync.bin"_qs << 0 << u"not a regular file"_qs;
        QTest::newRow("Cinevue.cfg") << u"Cinevue.cfg"_qs << 2 << u"Cinevue.cfg"_qs;
    }
    void fifoInsteadOfAFile()
    {
        QFETCH(QString, where);
        QFETCH(int, exitCode);
        QFETCH(QString, inOutput);
        generate(20, 9);
        {
            QFile cfg(m_home + u"/Cinevue.cfg"_qs);
            QVERIFY(cfg.open(QIODevice::Append));
            cfg.write("LocalArt=True\r\n");
        }
        syncOk(u"first run"_qs);
        const QList<MMTitleDir> movable = movableTitles();
        QVERIFY(!movable.isEmpty());
        QString path;
        if (where.startsWith(u"title:"_qs)) {
            path = movable.first().directory + u'/' + where.mid(6);
        } else {
            path = m_home + u'/' + where;
        }
        QFile::remove(path);
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0644) == 0);
        if (where.endsWith(u".mymovies.xml"_qs)) {
            // The per-file XML of a media file beside it.
            QFile media(movable.first().directory + u"/Extra.mkv"_qs);
            QVERIFY(media.open(QIODevice::WriteOnly));
        }
        if (where.startsWith(u"title:"_qs))
            QVERIFY(QFile::remove(m_home + u"/CVB_SmartSync.bin"_qs)); // every title is read again

        const RunOutput r = run();
        QVERIFY2(r.finished, "the run blocked on the FIFO");
        QVERIFY2(r.exitCode == exitCode, qPrintable(r.out + r.err));
        QVERIFY2(inOutput.isEmpty() || (r.out + r.err).contains(inOutput), qPrintable(r.out + r.err));
        if (where == u"title:mymovies.xml")
            m_outside.insert(movable.first().id); // a placeholder under the folder's name stands in for it
        if (exitCode != 2) {
            const LoadResult loaded = LoadLocalDatabase(m_home, u"1.7.2017.0006"_qs, true, u"ERROR"_qs,
                                                        QDateTime(QDate(2026, 1, 1), QTime(12, 0)));
            QCOMPARE(loaded.status, LoadResult::Loaded);
            QSet<QString> ids;
            for (const tTitle &t : loaded.titles.Title)
                ids.insert(t.ID);
            QVERIFY((expectedIds() - ids).isEmpty());
        }
        QFile::remove(path);
    }

    // Runs killed at random points, with the tree changing between them:
    // the first run that is allowed to finish ends with the whole collection.
    void killedRunsLoseNothing()
    {
        generate(400, 8);
        const QList<MMTitleDir> movable = movableTitles();
        QVERIFY(movable.size() >= 10);
        QElapsedTimer clock;
        clock.start();
        syncOk(u"first run"_qs);
        // Kill points spread over a little more than a full run.
        const int span = int(qMax<qint64>(clock.elapsed() * 5 / 4, 50));
        QRandomGenerator random(20261210);
        const int kills = qEnvironmentVariableIntValue("CINEVUE_KILL_POINTS") > 0
                              ? qEnvironmentVariableIntValue("CINEVUE_KILL_POINTS")
                              : 15;
        for (int k = 0; k < kills; ++k) {
            // Change a few titles, so that the run has work of every kind.
            for (int c = 0; c < 3; ++c) {
                const MMTitleDir &t = movable.at(random.bounded(int(movable.size())));
                if (m_outside.contains(t.id))
                    moveBack(t);
                else
                    moveOut(t);
            }
            if (k % 5 == 4)
                QFile::remove(DatabaseFilePath(m_home)); // a lost database now and then
            const int at = random.bounded(span);
            runKilledAfter(at);
            syncOk(u"after a kill at %1 ms"_qs.arg(at));
            verifyDatabaseMatchesTree(u"after a kill at %1 ms"_qs.arg(at));
            if (QTest::currentTestFailed())
                return;
        }
    }
};

QTEST_GUILESS_MAIN(TestIntegrity)
#include "tst_integrity.moc"
