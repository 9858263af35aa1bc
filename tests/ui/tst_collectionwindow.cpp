// The window and the collection it shows: keys that arrive while the
// database loads, a database that cannot be written, a sync whose monitored
// folder is an empty mount point, and keys that end the screensaver.

#include "tests/immutable.h"
#include "app/collection.h"
#include "app/config.h"
#include "app/tform1.h"
#include "model/localdatabase.h"
#include "tests/ui/windowfixture.h"
#include "ui/elements.h"
#include "ui/messages.h"
#include "ui/scene.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace {

void writeConfig(const QString &appPath, const QStringList &folders, bool screenSaver = false)
{
    tSettings s;
    for (const QString &f : folders)
        s.Folders.append({f, false});
    s.AutoScan = false;
    s.ScreenSaver = screenSaver;
    QString error;
    QVERIFY2(SaveConfig(s, appPath, &error), qPrintable(error));
}

tTitle titleIn(const QString &folder, int i)
{
    tTitle t;
    t.ID = u"T%1"_qs.arg(i, 5, 10, QChar(u'0'));
    t.Title = u"Title %1"_qs.arg(i, 5, 10, QChar(u'0'));
    t.SortTitle = t.Title;
    t.Directory = folder;
    t.Year = 2000;
    t.Runtime = 100;
    t.MediaType = mtMovie;
    t.ReleaseDate = u"20000101"_qs;
    t.AddedDate = u"20000101"_qs;
    return t;
}


QStringList markerFiles(const QString &folder)
{
    return QDir(folder).entryList({u"CVB_*"_qs}, QDir::Files);
}

} // namespace

class TestCollectionWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_movies;

private slots:
    void initTestCase() { messages::SetHeadless(true); }
    void init()
    {
        makeWindowHome(m_home);
        m_movies = std::make_unique<QTemporaryDir>();
        QVERIFY(m_movies->isValid());
        messages::TakeShown();
    }
    void cleanup()
    {
        SetImmutable(DatabaseFilePath(m_home->path()), false);
        m_home.reset();
        m_movies.reset();
    }

    // While the database loads, the event loop runs; keys then must not
    // start a sync (whose result the load would overwrite) or toggle a
    // marker of a title that is not there yet.
    void keysDuringTheLoadDoNothing()
    {
        const QString folder = m_movies->path();
        writeConfig(m_home->path(), {folder});
        // Enough titles that the load lets the event loop run a few times
        // (it does so every 100 ms) even in a fast build.
        constexpr int kTitles = 30000;
        QList<tTitle> titles;
        for (int i = 0; i < kTitles; ++i)
            titles << titleIn(folder, i);
        writeDatabase(m_home->path(), titles);

        TForm1 form;
        int keysWhileLoading = 0;
        QTimer typist;
        typist.setInterval(5);
        int step = 0;
        QObject::connect(&typist, &QTimer::timeout, &form, [&] {
            // Keys after the load are ordinary presses on the carousel.
            if (form.collection().job() != Collection::Job::Loading)
                return;
            ++keysWhileLoading;
            // Right to the sync icon and Enter; Down, Escape and '*' on a cover.
            switch (step++ % 6) {
            case 0: press(&form, Qt::Key_Right); break;
            case 1: press(&form, Qt::Key_Return); break;
            case 2: press(&form, Qt::Key_Down); break;
            case 3: press(&form, Qt::Key_Escape); break;
            case 4: press(&form, Qt::Key_Asterisk, u"*"_qs); break;
            default: press(&form, Qt::Key_Left); break;
            }
        });
        typist.start();
        showAndWait(form);
        typist.stop();

        if (keysWhileLoading == 0)
            QSKIP("the load finished before a key could arrive");
        QCOMPARE(form.Titles.Title.size(), kTitles);
        QVERIFY(!QFileInfo::exists(form.SmartSyncFile));
        QVERIFY(!QFileInfo::exists(form.AppPath + u"Logs/Cinevue Sync Error Log.txt"_qs));
        QCOMPARE(markerFiles(folder), QStringList());
        QCOMPARE(messages::TakeShown(), QStringList());
    }

    // A database that cannot be written is reported in the window, and the
    // collection stays as shown.
    void failedDatabaseWriteIsShown()
    {
        const QString folder = m_movies->path();
        writeConfig(m_home->path(), {});
        writeDatabase(m_home->path(), {titleIn(folder, 1), titleIn(folder, 2)});
        TForm1 form;
        showAndWait(form);
        QCOMPARE(form.ScreenMode, smRowA);
        if (!SetImmutable(DatabaseFilePath(m_home->path()), true))
            QSKIP("this file system cannot make a file immutable");

        press(&form, Qt::Key_Escape); // watched toggle: marker written, database stored
        QVERIFY(form.Titles.Title.at(form.FocusTitle).WatchedCVB);
        QTRY_VERIFY_WITH_TIMEOUT(!messages::Shown().isEmpty(), 10000);
        const QStringList shown = messages::TakeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(u"CinevueDB.xml"_qs), qPrintable(shown.first()));
        QVERIFY(form.label(u"LabelProcessing"_qs)->isShown());
        QCOMPARE(form.label(u"LabelProcessing"_qs)->text(), u"ERROR: Local Database not saved"_qs);
        QCOMPARE(form.Titles.Title.size(), 2);
        QVERIFY(form.Titles.Title.at(form.FocusTitle).WatchedCVB);
    }

    // An empty mount point keeps its titles, and the user is told.
    void syncWithAnEmptyMountPointTellsTheUser()
    {
        const QString folder = m_movies->path() + u"/share"_qs;
        QVERIFY(QDir().mkpath(folder + u"/Alpha/VIDEO_TS"_qs));
        QFile xml(folder + u"/Alpha/mymovies.xml"_qs);
        QVERIFY(xml.open(QIODevice::WriteOnly));
        xml.write("<Title><ID>id-a</ID><LocalTitle>Alpha</LocalTitle><SortTitle>Alpha</SortTitle><Type>Movie</Type>"
                  "</Title>");
        xml.close();
        writeConfig(m_home->path(), {folder + u'/'});
        TForm1 form;
        showAndWait(form);
        form.SyncFolders();
        QCOMPARE(form.Titles.Title.size(), 1);

        QVERIFY(QDir().rename(folder, folder + u"-away"_qs));
        QVERIFY(QDir().mkpath(folder));
        form.SyncFolders();
        QCOMPARE(form.Titles.Title.size(), 1);
        QVERIFY(form.label(u"LabelProcessingStatus"_qs)->isShown());
        QVERIFY2(form.label(u"LabelProcessingStatus"_qs)->text().contains(folder),
                 qPrintable(form.label(u"LabelProcessingStatus"_qs)->text()));
    }

    // A press that ends the screensaver does nothing else, whatever the key.
    void keyEndingTheScreenSaverDoesNothingElse_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("Right") << int(Qt::Key_Right) << QString();
        QTest::newRow("Down") << int(Qt::Key_Down) << QString();
        QTest::newRow("Up") << int(Qt::Key_Up) << QString();
        QTest::newRow("Enter") << int(Qt::Key_Return) << u"\r"_qs;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << u"\x1b"_qs;
        QTest::newRow("star") << int(Qt::Key_Asterisk) << u"*"_qs;
        QTest::newRow("letter") << int(Qt::Key_T) << u"t"_qs;
        QTest::newRow("digit") << int(Qt::Key_2) << u"2"_qs;
        QTest::newRow("full stop") << int(Qt::Key_Period) << u"."_qs;
        QTest::newRow("play") << int(Qt::Key_MediaPlay) << QString();
        QTest::newRow("next track") << int(Qt::Key_MediaNext) << QString();
    }
    void keyEndingTheScreenSaverDoesNothingElse()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        const QString folder = m_movies->path();
        writeConfig(m_home->path(), {});
        QList<tTitle> titles;
        // Every key of the table would act on this list: 't' and '2' jump,
        // full stop pages on.
        for (int i = 0; i < 80; ++i) {
            titles << titleIn(folder, i);
            titles.last().Title = titles.last().SortTitle = u"Alpha %1"_qs.arg(i, 2, 10, QChar(u'0'));
        }
        titles[40].Title = titles[40].SortTitle = u"The Last"_qs;
        titles[50].Title = titles[50].SortTitle = u"2 Fast"_qs;
        writeDatabase(m_home->path(), titles);
        TForm1 form;
        showAndWait(form);
        QCOMPARE(form.ScreenMode, smRowA);
        QCOMPARE(form.FocusIndex, 0);

        Element *screenSaver = form.scene().element(u"ImageScreenSaver1"_qs);
        QVERIFY(screenSaver);
        screenSaver->show();
        press(&form, key, text);
        QVERIFY(!screenSaver->isShown());
        QCOMPARE(form.ScreenMode, smRowA);
        QCOMPARE(form.FocusIndex, 0);
        QCOMPARE(markerFiles(folder), QStringList());
        QCOMPARE(messages::TakeShown(), QStringList());
    }
};

QTEST_MAIN(TestCollectionWindow)
#include "tst_collectionwindow.moc"
