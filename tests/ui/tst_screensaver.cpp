// The clock text and the fan-art screensaver of the real window: idle start,
// the cross-fade order, caption colours, the title draw and the key that
// ends it.

#include "app/config.h"
#include "app/tform1.h"
#include "tests/ui/windowfixture.h"
#include "ui/clock.h"
#include "ui/messages.h"
#include "ui/scene.h"
#include "ui/screensaver.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

tTitle makeTitle(const QString &id, const QString &name, const QString &directory, const QString &fanArt)
{
    tTitle t;
    t.ID = id;
    t.Title = name;
    t.SortTitle = name;
    t.MediaType = mtMovie;
    t.Directory = directory;
    t.ImgFanArt = fanArt;
    t.ReleaseDate = u"20000101"_qs;
    t.AddedDate = u"20000101"_qs;
    return t;
}

// A fan-art picture of one colour in its own title folder.
QString writeFanArt(const QString &root, const QString &folder, const QColor &color, const QString &name = u"fanart.jpg"_qs)
{
    const QString dir = QDir(root).filePath(folder);
    QDir().mkpath(dir);
    QImage image(320, 180, QImage::Format_RGB32);
    image.fill(color);
    const QString file = QDir(dir).filePath(name);
    image.save(file, "PNG");
    return dir;
}

} // namespace

class TestScreenSaver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void clockText_data();
    void clockText();
    void clockFollowsTheSetting();

    void fanArtFile_data();
    void fanArtFile();
    void drawReachesEveryTitle();

    void startsAfterTheIdleDelay();
    void crossFadeOrder();
    void captionColour_data();
    void captionColour();
    void keyEndingTheScreenSaverIsUsedUp();
    void emptyCollectionShowsTransparentPictures();

private:
    void openForm(const QList<tTitle> &titles, bool screenSaver = false);

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<TForm1> m_form;
};

void TestScreenSaver::initTestCase()
{
    messages::SetHeadless(true);
}

void TestScreenSaver::init()
{
    makeWindowHome(m_home);
}

void TestScreenSaver::cleanup()
{
    m_form.reset();
}

void TestScreenSaver::openForm(const QList<tTitle> &titles, bool screenSaver)
{
    tSettings s;
    s.ScreenSaver = screenSaver;
    s.ScreenSaverTitle = true;
    QString error;
    QVERIFY2(SaveConfig(s, m_home->path(), &error), qPrintable(error));
    m_form = std::make_unique<TForm1>();
    m_form->resize(Scene::kWidth / 4, Scene::kHeight / 4);
    m_form->show();
    QTRY_VERIFY_WITH_TIMEOUT(m_form->isStartupFinished(), 20000);
    m_form->screenSaver().setFadeStepDelay(0);
    replaceTitles(*m_form, titles);
    m_form->SortItems();
}

// ---------------------------------------------------------------- clock

void TestScreenSaver::clockText_data()
{
    QTest::addColumn<QString>("timeText");
    QTest::addColumn<QString>("expected");
    QTest::newRow("12-hour with day period") << u"9:05:30 PM"_qs << u"9:05"_qs;
    QTest::newRow("24-hour") << u"21:05:30"_qs << u"21:05"_qs;
    QTest::newRow("two-digit morning hour") << u"10:05:30"_qs << u"10:05"_qs;
    QTest::newRow("with a time zone") << u"21:05:30 CET"_qs << u"21:05"_qs;
    QTest::newRow("dots as separators") << u"21.05.30"_qs << QString();
    QTest::newRow("hours and minutes only") << u"9:05"_qs << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestScreenSaver::clockText()
{
    QFETCH(QString, timeText);
    QFETCH(QString, expected);
    QCOMPARE(ClockText(timeText), expected);
}

void TestScreenSaver::clockFollowsTheSetting()
{
    openForm({});
    LabelElement *clock = m_form->label(u"LabelClock"_qs);
    m_form->Settings.ShowClock = true;
    const QTime evening(21, 5, 30);
    m_form->clock().UpdateClock(evening, QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(clock->text(), u"9:05"_qs);
    m_form->clock().UpdateClock(evening, QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(clock->text(), u"21:05"_qs);
    // With the clock off the label keeps its last text.
    m_form->Settings.ShowClock = false;
    m_form->clock().UpdateClock(QTime(7, 0, 0), QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(clock->text(), u"21:05"_qs);
}

// ---------------------------------------------------------------- fan-art choice

void TestScreenSaver::fanArtFile_data()
{
    QTest::addColumn<bool>("localArt");
    QTest::addColumn<bool>("cached");
    QTest::addColumn<bool>("inFolder");
    QTest::addColumn<QString>("expected"); // "cache", "folder" or empty
    QTest::newRow("local art prefers the cache") << true << true << true << u"cache"_qs;
    QTest::newRow("local art without a cache file uses the folder") << true << false << true << u"folder"_qs;
    QTest::newRow("without local art the cache is ignored") << false << true << true << u"folder"_qs;
    QTest::newRow("no file anywhere") << true << false << false << QString();
}

void TestScreenSaver::fanArtFile()
{
    QFETCH(bool, localArt);
    QFETCH(bool, cached);
    QFETCH(bool, inFolder);
    QFETCH(QString, expected);
    QTemporaryDir root;
    const QString cachePath = root.filePath(u"Cache"_qs) + QDir::separator();
    const QString folder = QDir(root.path()).filePath(u"Movie"_qs);
    QDir().mkpath(folder);
    if (inFolder)
        writeFanArt(root.path(), u"Movie"_qs, Qt::red);
    if (cached)
        writeFanArt(root.path(), u"Cache/T1"_qs, Qt::blue);
    const tTitle t = makeTitle(u"T1"_qs, u"Movie"_qs, folder, u"fanart.jpg"_qs);
    const QString file = ScreenSaverFanArtFile(t, cachePath, localArt);
    // An ID that climbs out of the cache never reaches a file there.
    writeFanArt(root.path(), u"Outside"_qs, Qt::green);
    tTitle climbing = t;
    climbing.ID = u"../Outside"_qs;
    const QString climbed = ScreenSaverFanArtFile(climbing, cachePath, localArt);
    QVERIFY2(!climbed.contains(u"Outside"_qs), qPrintable(climbed));
    if (expected.isEmpty())
        QVERIFY(file.isEmpty());
    else if (expected == u"cache"_qs)
        QCOMPARE(file, QDir(root.path()).filePath(u"Cache/T1/fanart.jpg"_qs));
    else
        QCOMPARE(file, QDir(folder).filePath(u"fanart.jpg"_qs));
    // A title without fan art is passed over whatever files exist.
    tTitle none = t;
    none.ImgFanArt.clear();
    QVERIFY(ScreenSaverFanArtFile(none, cachePath, localArt).isEmpty());
}

void TestScreenSaver::drawReachesEveryTitle()
{
    // Only the last title has fan art: a draw that left the last title out
    // would never find a picture.
    QTemporaryDir root;
    QList<tTitle> titles;
    for (int i = 0; i < 3; ++i)
        titles << makeTitle(u"T%1"_qs.arg(i), u"Title %1"_qs.arg(i), root.path(), QString());
    titles.last().Directory = writeFanArt(root.path(), u"Last"_qs, Qt::green);
    titles.last().ImgFanArt = u"fanart.jpg"_qs;
    openForm(titles);
    for (int round = 0; round < 20; ++round)
        QCOMPARE(m_form->screenSaver().PickTitle(nullptr), std::optional<qint32>(2));

    // One title alone is found too.
    replaceTitles(*m_form, {titles.last()});
    QCOMPARE(m_form->screenSaver().PickTitle(nullptr), std::optional<qint32>(0));

    // Without any fan art the draw gives up.
    for (tTitle &t : titles)
        t.ImgFanArt.clear();
    replaceTitles(*m_form, titles);
    QCOMPARE(m_form->screenSaver().PickTitle(nullptr), std::nullopt);
}

// ---------------------------------------------------------------- showing

void TestScreenSaver::startsAfterTheIdleDelay()
{
    QTemporaryDir root;
    openForm({makeTitle(u"T0"_qs, u"Only"_qs, writeFanArt(root.path(), u"A"_qs, Qt::red), u"fanart.jpg"_qs)}, true);
    // Armed by the configuration with the idle delay in minutes.
    QVERIFY(m_form->TimerSlideShow.isActive());
    QCOMPARE(m_form->TimerSlideShow.interval(), 60000);
    ImageElement *first = m_form->image(u"ImageScreenSaver1"_qs);
    QVERIFY(!first->isShown());
    // A short idle delay: the screensaver starts without a key.
    m_form->TimerSlideShow.start(30);
    QTRY_VERIFY_WITH_TIMEOUT(first->isShown(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(first->opacity(), 1.0, 5000);
    QCOMPARE(m_form->label(u"ScreenSaver_Label_Title1"_qs)->text(), u"Only"_qs);
    // Further pictures follow at the picture interval.
    QCOMPARE(m_form->TimerSlideShow.interval(), m_form->Settings.ScreenSaverInterval * 1000);
    QVERIFY(m_form->TimerSlideShow.isActive());
}

void TestScreenSaver::crossFadeOrder()
{
    QTemporaryDir root;
    QList<tTitle> titles;
    for (int i = 0; i < 3; ++i)
        titles << makeTitle(u"T%1"_qs.arg(i), u"Title %1"_qs.arg(i),
                            writeFanArt(root.path(), u"F%1"_qs.arg(i), QColor::fromHsv(i * 100, 200, 200)),
                            u"fanart.jpg"_qs);
    openForm(titles);
    ScreenSaver &saver = m_form->screenSaver();
    ImageElement *first = m_form->image(u"ImageScreenSaver1"_qs);
    ImageElement *second = m_form->image(u"ImageScreenSaver2"_qs);
    LabelElement *caption1 = m_form->label(u"ScreenSaver_Label_Title1"_qs);
    LabelElement *caption2 = m_form->label(u"ScreenSaver_Label_Title2"_qs);
    // Each tick draws from a collection of the one title wanted.
    auto tickWith = [&](int title) {
        replaceTitles(*m_form, {titles.at(title)});
        saver.Tick();
    };

    tickWith(0); // the first picture fades in from the browser screen
    QVERIFY(first->isShown());
    QCOMPARE(first->opacity(), 1.0);
    QCOMPARE(second->opacity(), 0.0);
    QCOMPARE(caption1->text(), u"Title 0"_qs);
    QVERIFY(caption1->isShown());

    tickWith(1); // the second fades in over it
    QCOMPARE(first->opacity(), 1.0);
    QCOMPARE(second->opacity(), 1.0);
    QCOMPARE(caption2->text(), u"Title 1"_qs);
    QCOMPARE(caption1->text(), u"Title 0"_qs);

    tickWith(2); // the first, loaded behind, is revealed as the second fades out
    QCOMPARE(first->opacity(), 1.0);
    QCOMPARE(second->opacity(), 0.0);
    QCOMPARE(caption1->text(), u"Title 2"_qs);
    QCOMPARE(first->pictureName(), QDir(titles.at(2).Directory).filePath(u"fanart.jpg"_qs));

    tickWith(0); // and the second fades in again
    QCOMPARE(second->opacity(), 1.0);
    QCOMPARE(caption2->text(), u"Title 0"_qs);
}

void TestScreenSaver::captionColour_data()
{
    QTest::addColumn<QColor>("picture");
    QTest::addColumn<QColor>("text");
    QTest::newRow("bright sky: black text") << QColor(230, 240, 255) << QColor(Qt::black);
    QTest::newRow("dark scene: white text") << QColor(20, 20, 40) << QColor(Qt::white);
    QTest::newRow("sum 378: black text") << QColor(126, 126, 126) << QColor(Qt::black);
    QTest::newRow("sum 377: white text") << QColor(126, 126, 125) << QColor(Qt::white);
}

void TestScreenSaver::captionColour()
{
    QFETCH(QColor, picture);
    QFETCH(QColor, text);
    QTemporaryDir root;
    openForm({makeTitle(u"T0"_qs, u"Tom & Jerry"_qs, writeFanArt(root.path(), u"A"_qs, picture), u"fanart.jpg"_qs)});
    m_form->screenSaver().Tick();
    LabelElement *caption = m_form->label(u"ScreenSaver_Label_Title1"_qs);
    // Shown with a single ampersand.
    QCOMPARE(caption->text(), u"Tom & Jerry"_qs);
    QCOMPARE(caption->color(), text);
    QVERIFY(caption->hasGlow());
    const QColor glow = caption->glowColor();
    QCOMPARE(glow.alpha(), 255);
    QVERIFY2(qAbs(glow.red() - picture.red()) <= 1 && qAbs(glow.green() - picture.green()) <= 1
                 && qAbs(glow.blue() - picture.blue()) <= 1,
             qPrintable(glow.name()));
}

void TestScreenSaver::keyEndingTheScreenSaverIsUsedUp()
{
    QTemporaryDir root;
    QList<tTitle> titles;
    for (int i = 0; i < 6; ++i)
        titles << makeTitle(u"T%1"_qs.arg(i), u"Title %1"_qs.arg(i), writeFanArt(root.path(), u"F%1"_qs.arg(i), Qt::gray),
                            u"fanart.jpg"_qs);
    openForm(titles, true);
    QCOMPARE(m_form->ScreenMode, smRowA);
    QCOMPARE(m_form->FocusIndex, 0);
    m_form->screenSaver().Tick();
    ImageElement *first = m_form->image(u"ImageScreenSaver1"_qs);
    QVERIFY(first->isShown());

    QTest::keyClick(m_form.get(), Qt::Key_Right);
    QVERIFY(!first->isShown());
    QCOMPARE(m_form->FocusIndex, 0); // the key only ended the screensaver
    // The idle countdown starts again with the delay.
    QVERIFY(m_form->TimerSlideShow.isActive());
    QCOMPARE(m_form->TimerSlideShow.interval(), m_form->Settings.ScreenSaverDelay * 60000);
    QTest::keyClick(m_form.get(), Qt::Key_Right);
    QCOMPARE(m_form->FocusIndex, 2);

    // While typing into a search box the key is not typed either.
    m_form->ScreenMode = smIconBar;
    m_form->OpenIconMenu(8);
    QTest::keyClick(m_form.get(), Qt::Key_Return);
    QCOMPARE(m_form->ScreenMode, smSearchEdit);
    m_form->screenSaver().Tick();
    QVERIFY(first->isShown());
    QTest::keyClick(m_form.get(), 'x');
    QVERIFY(!first->isShown());
    QVERIFY(m_form->Filter.SearchName.isEmpty());
    QCOMPARE(m_form->ScreenMode, smSearchEdit);
    m_form->screenSaver().Tick();
    QTest::keyClick(m_form.get(), Qt::Key_Return);
    QCOMPARE(m_form->ScreenMode, smSearchEdit); // Enter too only ended the screensaver
}

void TestScreenSaver::emptyCollectionShowsTransparentPictures()
{
    openForm({});
    m_form->screenSaver().Tick();
    ImageElement *first = m_form->image(u"ImageScreenSaver1"_qs);
    QVERIFY(first->isShown());
    QCOMPARE(first->opacity(), 0.0);
    QVERIFY(first->picture().isNull());
    const tScreenMode mode = m_form->ScreenMode;
    const int icon = m_form->IconIndex;
    QTest::keyClick(m_form.get(), Qt::Key_Right);
    QVERIFY(!first->isShown());
    QCOMPARE(m_form->ScreenMode, mode);
    QCOMPARE(m_form->IconIndex, icon);
}

QTEST_MAIN(TestScreenSaver)
#include "tst_screensaver.moc"
