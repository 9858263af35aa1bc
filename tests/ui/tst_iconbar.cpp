// The icon bar driven through the real window: which icons can be reached
// with and without titles and folders, their pictures, brightness and the
// clock, the backdrop, and Enter on the icons (a sync over a generated tree).

#include "app/config.h"
#include "app/tform1.h"
#include "tests/ui/windowfixture.h"
#include "model/localdatabase.h"
#include "tools/mmtreegen.h"
#include "ui/elements.h"
#include "ui/iconbar.h"
#include "ui/mainlayout.h"
#include "ui/messages.h"
#include "ui/scene.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct ConfigOptions {
    QStringList folders;
    bool showHelp = true;
    bool showClock = false;
    QString fanArtBackground;
};

void writeConfig(const QString &appPath, const ConfigOptions &o)
{
    tSettings s;
    for (const QString &f : o.folders)
        s.Folders.append({f, false});
    s.AutoScan = false;
    s.ScreenSaver = false;
    s.ShowHelp = o.showHelp;
    s.ShowClock = o.showClock;
    s.FanArtBackground = o.fanArtBackground;
    QString error;
    QVERIFY2(SaveConfig(s, appPath, &error), qPrintable(error));
}

tTitle makeTitle(const QString &id, const QString &name)
{
    tTitle t;
    t.ID = id;
    t.Title = name;
    t.SortTitle = name;
    t.Year = 2000;
    t.Runtime = 100;
    t.MediaType = mtMovie;
    t.ReleaseDate = u"20000101"_qs;
    t.AddedDate = u"20000101"_qs;
    return t;
}

void writeTitles(const QString &appPath, int count)
{
    QList<tTitle> list;
    for (int i = 0; i < count; ++i)
        list.append(makeTitle(u"T%1"_qs.arg(i), u"Title %1"_qs.arg(QChar(u'A' + i))));
    writeDatabase(appPath, list);
}

ImageElement *icon(TForm1 &form, int i)
{
    return form.image(QString::fromUtf16(mainlayout::kIconNames[i]));
}

QList<int> visibleIcons(TForm1 &form)
{
    QList<int> shown;
    for (int i = 0; i < iconbar::kIconCount; ++i)
        if (icon(form, i)->isShown())
            shown.append(i);
    return shown;
}

} // namespace

class TestIconBar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void reachability_data();
    void reachability();
    void leftoverIndexMovesToNeighbour_data();
    void leftoverIndexMovesToNeighbour();
    void brightOnlyWithFocus();
    void watchedIconFollowsFilter();
    void backdrop_data();
    void backdrop();
    void enterDoesNothing_data();
    void enterDoesNothing();
    void keysDuringSyncDoNothing();
    void syncIconRunsSync();

private:
    std::unique_ptr<QTemporaryDir> m_home;
};

void TestIconBar::initTestCase()
{
    messages::SetHeadless(true);
}

void TestIconBar::init()
{
    makeWindowHome(m_home);
    messages::TakeShown();
}

void TestIconBar::reachability_data()
{
    QTest::addColumn<bool>("titles");
    QTest::addColumn<bool>("folders");
    QTest::addColumn<QList<int>>("shown");
    QTest::addColumn<QList<int>>("rightPath"); // IconIndex after each Right from 0
    QTest::addColumn<QList<int>>("leftPath");  // then after each Left

    const QList<int> all = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10};
    const QList<int> back = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0};
    QTest::newRow("titles and folders: every icon")
        << true << true << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << all << back;
    QTest::newRow("titles, no folders: hidden sync icon still selectable")
        << true << false << QList<int>{0, 2, 3, 4, 5, 6, 7, 8, 9, 10} << all << back;
    QTest::newRow("no titles, folders: settings, sync, exit")
        << false << true << QList<int>{0, 1, 10} << QList<int>{1, 10, 10} << QList<int>{1, 0, 0};
    QTest::newRow("no titles, no folders: settings and exit")
        << false << false << QList<int>{0, 10} << QList<int>{10, 10} << QList<int>{0, 0};
}

void TestIconBar::reachability()
{
    QFETCH(bool, titles);
    QFETCH(bool, folders);
    QFETCH(QList<int>, shown);
    QFETCH(QList<int>, rightPath);
    QFETCH(QList<int>, leftPath);
    ConfigOptions o;
    if (folders)
        o.folders = {m_home->filePath(u"movies"_qs)};
    writeConfig(m_home->path(), o);
    if (titles)
        writeTitles(m_home->path(), 3);

    TForm1 form;
    showAndWait(form);
    if (titles) {
        QCOMPARE(form.ScreenMode, smRowA);
        QTest::keyClick(&form, Qt::Key_Up);
    }
    QCOMPARE(form.ScreenMode, smIconBar);
    QCOMPARE(form.IconIndex, 0);
    QCOMPARE(visibleIcons(form), shown);

    QList<int> visited;
    for (qsizetype i = 0; i < rightPath.size(); ++i) {
        QTest::keyClick(&form, Qt::Key_Right);
        visited.append(form.IconIndex);
    }
    QCOMPARE(visited, rightPath);
    visited.clear();
    for (qsizetype i = 0; i < leftPath.size(); ++i) {
        QTest::keyClick(&form, Qt::Key_Left);
        visited.append(form.IconIndex);
    }
    QCOMPARE(visited, leftPath);
    QCOMPARE(form.ScreenMode, smIconBar);
}

void TestIconBar::leftoverIndexMovesToNeighbour_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("titles");
    QTest::addColumn<bool>("folders");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    // A sync run that ends without titles leaves IconIndex at 5.
    QTest::newRow("5 without titles, with folders") << 5 << false << true << 1 << 10;
    QTest::newRow("5 without titles or folders") << 5 << false << false << 0 << 10;
    QTest::newRow("ends of the bar stay") << 0 << true << true << 0 << 1;
    QTest::newRow("exit is the last") << 10 << true << true << 9 << 10;
}

void TestIconBar::leftoverIndexMovesToNeighbour()
{
    QFETCH(int, start);
    QFETCH(bool, titles);
    QFETCH(bool, folders);
    QFETCH(int, left);
    QFETCH(int, right);
    QCOMPARE(iconbar::MoveLeft(start, titles, folders), left);
    QCOMPARE(iconbar::MoveRight(start, titles, folders), right);
}

void TestIconBar::brightOnlyWithFocus()
{
    ConfigOptions o;
    o.showClock = true;
    writeConfig(m_home->path(), o);
    writeTitles(m_home->path(), 3);
    TForm1 form;
    showAndWait(form);
    ImageElement *bar = form.image(u"ImageIconBar"_qs);
    LabelElement *clock = form.label(u"LabelClock"_qs);

    // Focus on the carousel: dimmed, every icon blue, the clock in exit's place.
    QCOMPARE(form.ScreenMode, smRowA);
    QCOMPARE(bar->opacity(), 0.12);
    QVERIFY(clock->isShown());
    QVERIFY(!icon(form, 10)->isShown());
    for (int i = 0; i < iconbar::kIconCount; ++i)
        QVERIFY2(icon(form, i)->pictureName().endsWith(u"Blue"_qs), qPrintable(icon(form, i)->pictureName()));

    QTest::keyClick(&form, Qt::Key_Up);
    QCOMPARE(bar->opacity(), 1.0);
    QVERIFY(!clock->isShown());
    QVERIFY(icon(form, 10)->isShown());
    QCOMPARE(icon(form, 0)->pictureName(), u"PngSettingsWhite"_qs);
    QTest::keyClick(&form, Qt::Key_Right);
    QTest::keyClick(&form, Qt::Key_Right);
    QCOMPARE(icon(form, 0)->pictureName(), u"PngSettingsBlue"_qs);
    QCOMPARE(icon(form, 2)->pictureName(), u"PngMovieTVWhite"_qs);
    QVERIFY(!icon(form, 2)->picture().isNull());

    // Back on the carousel the bar keeps its selection for the next visit.
    QTest::keyClick(&form, Qt::Key_Down);
    QCOMPARE(form.ScreenMode, smRowA);
    QCOMPARE(icon(form, 2)->pictureName(), u"PngMovieTVBlue"_qs);
    QTest::keyClick(&form, Qt::Key_Up);
    QCOMPARE(form.IconIndex, 2);
    QCOMPARE(icon(form, 2)->pictureName(), u"PngMovieTVWhite"_qs);
}

void TestIconBar::watchedIconFollowsFilter()
{
    writeConfig(m_home->path(), {});
    writeTitles(m_home->path(), 3);
    TForm1 form;
    showAndWait(form);
    QTest::keyClick(&form, Qt::Key_Up);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&form, Qt::Key_Right);
    QCOMPARE(icon(form, 3)->pictureName(), u"PngWatchedWhite"_qs);
    form.Filter.ShowWatched = false;
    form.UpdateIcons();
    QCOMPARE(icon(form, 3)->pictureName(), u"PngUnwatchedWhite"_qs);
    QTest::keyClick(&form, Qt::Key_Right);
    QCOMPARE(icon(form, 3)->pictureName(), u"PngUnwatchedBlue"_qs);
}

void TestIconBar::backdrop_data()
{
    QTest::addColumn<bool>("help");
    QTest::addColumn<bool>("folders");
    QTest::addColumn<bool>("titles");
    QTest::addColumn<QString>("fanArtBackground");
    QTest::addColumn<QString>("expected"); // picture name; "fanart" for the title's file
    QTest::newRow("help, nothing set up") << true << false << false << QString() << u"PngHelpBackground1"_qs;
    QTest::newRow("help, folders, no titles") << true << true << false << QString() << u"PngHelpBackground2"_qs;
    QTest::newRow("help, folders and titles") << true << true << true << QString() << u"PngHelpBackground3"_qs;
    QTest::newRow("help, titles without folders") << true << false << true << QString() << u"PngHelpBackground1"_qs;
    QTest::newRow("help wins over fan art") << true << true << true << u"Title A"_qs << u"PngHelpBackground3"_qs;
    QTest::newRow("no help") << false << true << true << QString() << u"PngMainBackground"_qs;
    QTest::newRow("no help, fan art of a title") << false << true << true << u"Title A"_qs << u"fanart"_qs;
    // The name is compared exactly; without a title of that name the plain
    // backdrop shows, not an empty screen.
    QTest::newRow("no help, fan art name not in the collection")
        << false << true << true << u"title a"_qs << u"PngMainBackground"_qs;
}

void TestIconBar::backdrop()
{
    QFETCH(bool, help);
    QFETCH(bool, folders);
    QFETCH(bool, titles);
    QFETCH(QString, fanArtBackground);
    QFETCH(QString, expected);
    ConfigOptions o;
    o.showHelp = help;
    o.fanArtBackground = fanArtBackground;
    if (folders)
        o.folders = {m_home->filePath(u"movies"_qs)};
    writeConfig(m_home->path(), o);
    const QString titleDir = m_home->filePath(u"movies/Title A"_qs);
    QVERIFY(QDir().mkpath(titleDir));
    QImage fanArt(64, 36, QImage::Format_RGB32);
    fanArt.fill(Qt::darkRed);
    QVERIFY(fanArt.save(titleDir + u"/fanart.jpg"_qs));
    if (titles) {
        tTitle t = makeTitle(u"T0"_qs, u"Title A"_qs);
        t.Directory = titleDir;
        t.ImgFanArt = u"fanart.jpg"_qs;
        writeDatabase(m_home->path(), {t, makeTitle(u"T1"_qs, u"Title B"_qs)});
    }

    TForm1 form;
    showAndWait(form);
    // Start-up puts the named fan art up whatever the help setting; the icon
    // bar decides from the first key on.
    QTest::keyClick(&form, titles ? Qt::Key_Up : Qt::Key_Right);
    ImageElement *background = form.image(u"ImageBackground"_qs);
    if (expected == u"fanart"_qs) {
        QVERIFY2(background->pictureName().endsWith(u"fanart.jpg"_qs), qPrintable(background->pictureName()));
        QCOMPARE(background->picture().size(), QSize(64, 36));
    } else {
        QCOMPARE(background->pictureName(), expected);
    }
    // An icon move keeps the backdrop.
    const QImage before = background->picture();
    QTest::keyClick(&form, Qt::Key_Right);
    QTest::keyClick(&form, Qt::Key_Left);
    QVERIFY(background->picture().cacheKey() == before.cacheKey());
}

void TestIconBar::enterDoesNothing_data()
{
    QTest::addColumn<bool>("folders");
    QTest::addColumn<int>("iconIndex");
    QTest::newRow("filter icon") << true << 7;
    // No folder is monitored: a sync would empty the collection.
    QTest::newRow("hidden sync icon") << false << 1;
}

void TestIconBar::enterDoesNothing()
{
    QFETCH(bool, folders);
    QFETCH(int, iconIndex);
    ConfigOptions o;
    if (folders)
        o.folders = {m_home->filePath(u"movies"_qs)};
    writeConfig(m_home->path(), o);
    writeTitles(m_home->path(), 3);
    TForm1 form;
    showAndWait(form);
    QTest::keyClick(&form, Qt::Key_Up);
    for (int i = 0; i < iconIndex; ++i)
        QTest::keyClick(&form, Qt::Key_Right);
    QCOMPARE(form.IconIndex, iconIndex);
    const tTitles titlesBefore = form.Titles;
    const QList<qint32> viewBefore = form.ViewList;

    QTest::keyClick(&form, Qt::Key_Return);
    QCOMPARE(form.ScreenMode, smIconBar);
    QCOMPARE(form.IconIndex, iconIndex);
    QCOMPARE(form.ViewList, viewBefore);
    QVERIFY(form.Titles == titlesBefore);
    QVERIFY(!QFile::exists(form.SmartSyncFile));
    QVERIFY(messages::Shown().isEmpty());
}

void TestIconBar::keysDuringSyncDoNothing()
{
    writeConfig(m_home->path(), {});
    writeTitles(m_home->path(), 3);
    TForm1 form;
    showAndWait(form);
    form.ScreenMode = smSyncing;
    form.IconIndex = 2;
    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Return, Qt::Key_Backspace}) {
        QTest::keyClick(&form, key);
        QCOMPARE(form.ScreenMode, smSyncing);
        QCOMPARE(form.IconIndex, 2);
        QCOMPARE(form.FocusIndex, 0);
        QVERIFY(!form.TimerShowDetails.isActive());
    }
}

void TestIconBar::syncIconRunsSync()
{
    const QString root = m_home->filePath(u"movies"_qs);
    MMTreeOptions tree;
    tree.root = root;
    tree.titles = 8;
    tree.seed = 7;
    const MMTreeResult generated = GenerateMyMoviesTree(tree);
    QVERIFY2(generated.ok, qPrintable(generated.error));
    ConfigOptions o;
    o.folders = {root + u"/"_qs};
    writeConfig(m_home->path(), o);

    TForm1 form;
    showAndWait(form);
    QCOMPARE(form.ScreenMode, smIconBar);
    QVERIFY(form.ViewList.isEmpty());
    QCOMPARE(visibleIcons(form), (QList<int>{0, 1, 10}));

    QTest::keyClick(&form, Qt::Key_Right);
    QCOMPARE(form.IconIndex, 1);
    QTest::keyClick(&form, Qt::Key_Return);

    QVERIFY(!form.Titles.Title.isEmpty());
    QVERIFY(form.HasTitles);
    QVERIFY(!form.ViewList.isEmpty());
    QCOMPARE(form.ScreenMode, smRowA);
    QCOMPARE(form.FocusIndex, 0);
    QCOMPARE(form.IconIndex, 5);
    QVERIFY(form.image(u"ImageCovers"_qs)->isShown());
    QVERIFY(form.image(u"ImageIconBar"_qs)->isShown());
    QVERIFY(!form.label(u"LabelProcessing"_qs)->isShown());
    QCOMPARE(form.label(u"LabelTitle"_qs)->text(), form.Titles.Title.at(form.FocusTitle).Title);
    QCOMPARE(form.label(u"LabelTotalTitles"_qs)->text(), u"| %1"_qs.arg(form.ViewList.size()));
    QCOMPARE(visibleIcons(form).size(), 11);
    QVERIFY(QFile::exists(form.SmartSyncFile));
    // The backdrop now carries the help for a loaded collection.
    QCOMPARE(form.image(u"ImageBackground"_qs)->pictureName(), u"PngHelpBackground3"_qs);
}

QTEST_MAIN(TestIconBar)
#include "tst_iconbar.moc"
