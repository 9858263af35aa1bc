// The fan-art view through the real window and real key events: opening from
// either carousel row and returning there, the menu bar and page limits, the
// lowered panel, the synopsis and extras scrolling, the cast + crew columns,
// the details page texts and location lines, the cover enlargement, the
// action page's marker toggles and background choice, and the backdrop when
// a fan art is missing.

#include "app/collection.h"
#include "app/config.h"
#include "app/tform1.h"
#include "play/playscreen.h"
#include "tests/ui/windowfixture.h"
#include "model/localdatabase.h"
#include "ui/elements.h"
#include "ui/fanartview.h"
#include "ui/messages.h"
#include "ui/scene.h"
#include "ui/titlegrid.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Keys by name; "Down*5" presses Down five times.
void pressKeys(QWidget *window, const QString &keys)
{
    static const QHash<QString, std::pair<int, QString>> named = {
        {u"Left"_qs, {Qt::Key_Left, {}}},          {u"Right"_qs, {Qt::Key_Right, {}}},
        {u"Up"_qs, {Qt::Key_Up, {}}},              {u"Down"_qs, {Qt::Key_Down, {}}},
        {u"Enter"_qs, {Qt::Key_Return, u"\r"_qs}}, {u"Backspace"_qs, {Qt::Key_Backspace, u"\b"_qs}},
        {u"Escape"_qs, {Qt::Key_Escape, {}}},      {u"Star"_qs, {Qt::Key_Asterisk, u"*"_qs}},
        {u"Play"_qs, {Qt::Key_MediaPlay, {}}},
    };
    for (const QString &word : keys.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList parts = word.split(u'*');
        const int times = parts.size() > 1 ? parts.at(1).toInt() : 1;
        QVERIFY2(named.contains(parts.first()), qPrintable(word));
        for (int i = 0; i < times; ++i)
            press(window, named[parts.first()].first, named[parts.first()].second);
    }
}

void writePicture(const QString &path, QSize size, int seed)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor::fromHsv((seed * 53) % 360, 180, 160));
    QPainter p(&img);
    p.fillRect(size.width() / 4, size.height() / 4, size.width() / 2, size.height() / 2, Qt::white);
    p.end();
    QVERIFY(img.save(path, "JPEG"));
}

tDiscInfo disc(const QString &loc, tContainers container)
{
    tDiscInfo d;
    d.Loc = loc;
    d.Container = container;
    return d;
}

tTitle makeTitle(const QString &root, int i, const QString &name)
{
    tTitle t;
    t.ID = u"T%1"_qs.arg(i, 2, 10, QChar(u'0'));
    t.Title = name;
    t.SortTitle = name;
    t.Year = 1990 + i;
    t.Runtime = 90 + i;
    t.ReleaseDate = u"20010915"_qs;
    t.Genres = QStringList{u"Drama"_qs, u"Thriller"_qs};
    t.Rated = u"PG13"_qs;
    t.Stars = 7;
    t.MediaType = mtMovie;
    t.Online = true;
    t.Directory = QDir(root).filePath(u"Movies/"_qs + t.ID);
    t.DiscInfo = {disc(t.Directory + u"/VIDEO_TS"_qs, ctFolder)};
    t.ImgFolder = u"folder.jpg"_qs;
    t.ImgCoverFront = u"folder.jpg"_qs;
    t.ImgCoverBack = u"back.jpg"_qs;
    t.ImgFanArt = u"fanart.jpg"_qs;
    t.Description = u"A synopsis."_qs;
    t.ExtraFeatures = u"Commentary."_qs;
    t.Actors = {{u"First Actor"_qs, u"Hero"_qs}, {u"Second Actor"_qs, u"Villain"_qs}};
    t.Crew.Director = {u"A Director"_qs};
    return t;
}

QString fanArtFile(const tTitle &t)
{
    return QDir(t.Directory).filePath(t.ImgFanArt);
}

QStringList fileLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(f.readAll()).remove(u'\r').split(u'\n');
}

} // namespace

class TestFanArtView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void opensFromEitherRowAndReturns_data();
    void opensFromEitherRowAndReturns();
    void cursorKeys_data();
    void cursorKeys();
    void panelSlidesInStepsAndKeysStillAct();
    void castCrewColumns_data();
    void castCrewColumns();
    void manyActorsShowFiveHundredRows();
    void detailsTexts_data();
    void detailsTexts();
    void locationLines_data();
    void locationLines();
    void coverZoom_data();
    void coverZoom();
    void boxSetStatesReturnToTheirGrid();
    void personGridAndBack();
    void playKeys_data();
    void playKeys();
    void actionToggles_data();
    void actionToggles();
    void backgroundChoiceIsSaved();
    void missingFanArtShowsPlainBackdrop_data();
    void missingFanArtShowsPlainBackdrop();

private:
    // A window on a fresh program folder showing `titles` (sorted by title),
    // with cover, back cover and fan-art files written for every title.
    void openWindow(QList<tTitle> titles);
    void openWindow(int count);
    QList<tTitle> titles(int count) const;
    FanArtView &view() { return *m_form->screen<FanArtView>(); }
    ImageElement *image(const QString &name) { return m_form->scene().image(name); }
    LabelElement *label(const QString &name) { return m_form->scene().label(name); }
    const tTitle &shown() { return m_form->Titles.Title.at(m_form->FanArtTitle); }
    void waitForPanel() { QTRY_VERIFY(!view().isSliding()); }

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<TForm1> m_form;
};

void TestFanArtView::initTestCase()
{
    messages::SetHeadless(true);
}

void TestFanArtView::init()
{
    makeWindowHome(m_home);
    tSettings s;
    s.ScreenSaver = false;
    s.ShowHelp = false;
    QString error;
    QVERIFY2(SaveConfig(s, m_home->path() + u'/', &error), qPrintable(error));
    messages::TakeShown();
}

void TestFanArtView::cleanup()
{
    m_form.reset();
    WaitForDatabaseWriter();
    m_home.reset();
}

QList<tTitle> TestFanArtView::titles(int count) const
{
    QList<tTitle> list;
    for (int i = 0; i < count; ++i)
        list << makeTitle(m_home->path(), i, u"Title %1"_qs.arg(i, 2, 10, QChar(u'0')));
    return list;
}

void TestFanArtView::openWindow(QList<tTitle> list)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        const tTitle &t = list.at(i);
        QVERIFY(QDir().mkpath(t.Directory));
        writePicture(QDir(t.Directory).filePath(u"folder.jpg"_qs), {200, 280}, int(i));
        writePicture(QDir(t.Directory).filePath(u"back.jpg"_qs), {280, 200}, int(i) + 7);
        writePicture(QDir(t.Directory).filePath(u"fanart.jpg"_qs), {320, 180}, int(i) + 3);
    }
    m_form = std::make_unique<TForm1>();
    showAndWait(*m_form);
    tTitles all;
    all.Title = list;
    m_form->collection().setTitles(all, true);
    m_form->SortItems();
    QCOMPARE(m_form->ScreenMode, smRowA);
}

void TestFanArtView::openWindow(int count)
{
    openWindow(titles(count));
}

// ---------------------------------------------------------------- opening

void TestFanArtView::opensFromEitherRowAndReturns_data()
{
    QTest::addColumn<QString>("toCover");
    QTest::addColumn<int>("row");

    QTest::newRow("row A") << QString() << int(smRowA);
    QTest::newRow("row B") << u"Down"_qs << int(smRowB);
    QTest::newRow("row B of the third column") << u"Right Right Down"_qs << int(smRowB);
    QTest::newRow("row A of the second column") << u"Down Down"_qs << int(smRowA);
}

void TestFanArtView::opensFromEitherRowAndReturns()
{
    QFETCH(QString, toCover);
    QFETCH(int, row);
    openWindow(8);
    TForm1 &f = *m_form;
    pressKeys(&f, toCover);
    QCOMPARE(int(f.ScreenMode), row);
    const qint32 focusIndex = f.FocusIndex;
    const qint32 focusTitle = f.FocusTitle;

    // A page, a level and a column left behind do not carry over to the next opening.
    pressKeys(&f, u"Enter Right Right Down Down"_qs);
    QCOMPARE(f.ScreenMode, smFanArt);
    QCOMPARE(f.FanArtTitle, focusTitle);
    QCOMPARE(int(f.FanArtReturnState), row);
    QVERIFY(image(u"ImageFanArtBackground"_qs)->isShown());
    QCOMPARE(image(u"ImageFanArtBackground"_qs)->pictureName(), fanArtFile(shown()));

    pressKeys(&f, u"Backspace"_qs);
    QCOMPARE(int(f.ScreenMode), row);
    QCOMPARE(f.FanArtTitle, -1);
    QCOMPARE(f.GridIndex, -1);
    QCOMPARE(f.FocusIndex, focusIndex);
    QCOMPARE(f.FocusTitle, focusTitle);
    QVERIFY(!image(u"ImageFanArtBackground"_qs)->isShown());
    QCOMPARE(label(u"LabelTitle"_qs)->text(), f.Titles.Title.at(focusTitle).Title);

    pressKeys(&f, u"Enter"_qs);
    QCOMPARE(f.ScreenMode, smFanArt);
    QCOMPARE(f.FanArtMenu, 0);
    QCOMPARE(f.FanArtLevel, 0);
    QCOMPARE(f.FanArtColumn, 0);
    QVERIFY(image(u"FanArt_Image_Details"_qs)->isShown());
    QCOMPARE(image(u"FanArt_Image_Details_Frame"_qs)->y(), qreal(FanArtView::kPanelTop));
    QVERIFY(messages::TakeShown().isEmpty());
}

// ---------------------------------------------------------------- cursor

void TestFanArtView::cursorKeys_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("menu");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("page"); // the page element shown, empty for none

    const QString details = u"FanArt_Image_Details"_qs;
    QTest::newRow("left on the first page stays") << u"Left"_qs << 0 << 0 << 0 << details;
    QTest::newRow("right to the last page") << u"Right*6"_qs << 6 << 0 << 0 << u"FanArt_Image_Actions"_qs;
    QTest::newRow("right beyond the last page stays") << u"Right*9"_qs << 6 << 0 << 0 << u"FanArt_Image_Actions"_qs;
    QTest::newRow("audio + subs has no content") << u"Right*3"_qs << 3 << 0 << 0 << QString();
    QTest::newRow("down on audio + subs does nothing") << u"Right*3 Down"_qs << 3 << 0 << 0 << QString();
    QTest::newRow("down on similar movies does nothing")
        << u"Right*5 Down"_qs << 5 << 0 << 0 << u"FanArt_Image_SimilarMovies"_qs;
    QTest::newRow("details: into the page on play") << u"Down"_qs << 0 << 1 << 0 << details;
    QTest::newRow("details: down inside the page does nothing") << u"Down Down"_qs << 0 << 1 << 0 << details;
    QTest::newRow("details: columns stop at the front cover") << u"Down Right*5"_qs << 0 << 1 << 3 << details;
    QTest::newRow("details: columns stop at play") << u"Down Right Left*3"_qs << 0 << 1 << 0 << details;
    QTest::newRow("details: up resets the column") << u"Down Right Right Up"_qs << 0 << 0 << 0 << details;
    QTest::newRow("synopsis: scrolls to 30 and stops")
        << u"Right Down*35"_qs << 1 << 30 << 0 << u"FanArt_Image_Synopsis_Parent"_qs;
    QTest::newRow("synopsis: up from a scroll goes to the menu bar")
        << u"Right Down*4 Up"_qs << 1 << 0 << 0 << u"FanArt_Image_Synopsis_Parent"_qs;
    QTest::newRow("extras: stops at level 3") << u"Right*4 Down*5"_qs << 4 << 3 << 0 << u"FanArt_Image_Extras"_qs;
    QTest::newRow("extras: up from level 3 goes to the menu bar")
        << u"Right*4 Down*3 Up"_qs << 4 << 0 << 0 << u"FanArt_Image_Extras"_qs;
    QTest::newRow("action: stops at level 3") << u"Right*6 Down*4"_qs << 6 << 3 << 0 << u"FanArt_Image_Actions"_qs;
    QTest::newRow("action: left and right inside do nothing")
        << u"Right*6 Down Left Right"_qs << 6 << 1 << 0 << u"FanArt_Image_Actions"_qs;
    QTest::newRow("up at the menu bar lowers the panel") << u"Right Up"_qs << 1 << -1 << 0
                                                         << u"FanArt_Image_Synopsis_Parent"_qs;
    QTest::newRow("lowered panel: left, right, up and enter do nothing")
        << u"Right Up Left Right Up Enter"_qs << 1 << -1 << 0 << u"FanArt_Image_Synopsis_Parent"_qs;
    QTest::newRow("down raises the panel on the same page")
        << u"Right Right Up Down"_qs << 2 << 0 << 0 << u"FanArt_Image_CastCrewParent"_qs;
    QTest::newRow("escape and star do nothing") << u"Down Escape Star"_qs << 0 << 1 << 0 << details;
}

void TestFanArtView::cursorKeys()
{
    QFETCH(QString, keys);
    QFETCH(int, menu);
    QFETCH(int, level);
    QFETCH(int, column);
    QFETCH(QString, page);
    openWindow(3);
    TForm1 &f = *m_form;
    pressKeys(&f, u"Enter "_qs + keys);
    waitForPanel();

    QCOMPARE(f.ScreenMode, smFanArt);
    QCOMPARE(f.FanArtMenu, menu);
    QCOMPARE(f.FanArtLevel, level);
    QCOMPARE(f.FanArtColumn, column);
    const QStringList pages = {u"FanArt_Image_Details"_qs,  u"FanArt_Image_Synopsis_Parent"_qs,
                               u"FanArt_Image_CastCrewParent"_qs, u"FanArt_Image_Extras"_qs,
                               u"FanArt_Image_SimilarMovies"_qs, u"FanArt_Image_Actions"_qs};
    for (const QString &name : pages)
        QVERIFY2(image(name)->isVisibleTo(nullptr) == (name == page), qPrintable(name));
    QCOMPARE(image(u"FanArt_Image_Details_Frame"_qs)->y(), level < 0 ? 1080.0 : qreal(FanArtView::kPanelTop));

    // The selected name is the large one; it fades while the focus is inside the page.
    const QString bar = image(u"FanArt_Image_MenuBar"_qs)->pictureName();
    QCOMPARE(bar, u"MenuBar %1%2"_qs.arg(menu).arg(level == 0 ? u"" : u" faded"));
    if (menu == FanArtView::PageSynopsis) {
        QCOMPARE(image(u"FanArt_Image_Synopsis"_qs)->y(), level <= 1 ? 0.0 : 253.0 * (1 - level));
        QCOMPARE(label(u"FanArt_Synopsis_Label_Description"_qs)->color(),
                 level >= 1 ? QColor(Qt::white) : QColor(0x87, 0xCE, 0xFA));
    }
    if (menu == FanArtView::PageExtras) {
        const Qt::Alignment expected = level <= 1 ? Qt::AlignTop : level == 2 ? Qt::AlignVCenter : Qt::AlignBottom;
        QCOMPARE(label(u"FanArt_Extras_Label_Extras"_qs)->alignment() & Qt::AlignVertical_Mask, expected);
    }
}

void TestFanArtView::panelSlidesInStepsAndKeysStillAct()
{
    openWindow(3);
    TForm1 &f = *m_form;
    pressKeys(&f, u"Enter"_qs);
    ImageElement *frame = image(u"FanArt_Image_Details_Frame"_qs);
    QList<qreal> positions;
    connect(frame, &QGraphicsObject::yChanged, this, [&] { positions << frame->y(); });

    pressKeys(&f, u"Up"_qs);
    QCOMPARE(f.FanArtLevel, -1);
    // The key returns at once; the panel moves on the event loop.
    QVERIFY(view().isSliding());
    waitForPanel();
    QCOMPARE(frame->y(), 1080.0);
    QVERIFY(!positions.isEmpty() && positions.size() <= 10);
    for (qreal y : positions)
        QVERIFY2(int(y - FanArtView::kPanelTop) % FanArtView::kSlideStep == 0, qPrintable(QString::number(y)));

    // A key during the slide turns it round from where it is.
    pressKeys(&f, u"Down"_qs);
    QTRY_VERIFY(frame->y() < 1080.0);
    pressKeys(&f, u"Up"_qs);
    QCOMPARE(f.FanArtLevel, -1);
    waitForPanel();
    QCOMPARE(frame->y(), 1080.0);
    pressKeys(&f, u"Down"_qs);
    waitForPanel();
    QCOMPARE(frame->y(), qreal(FanArtView::kPanelTop));
    QCOMPARE(f.FanArtLevel, 0);
}

// ---------------------------------------------------------------- cast + crew

void TestFanArtView::castCrewColumns_data()
{
    QTest::addColumn<int>("actors");
    QTest::addColumn<int>("crew");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("selected");

    QTest::newRow("more crew: right from an actor row") << 2 << 5 << u"Down Down Right"_qs << 2 << 1 << u"Crew 1"_qs;
    QTest::newRow("more crew: down the crew column past the actors")
        << 2 << 5 << u"Down Right Down*6"_qs << 5 << 1 << u"Crew 4"_qs;
    QTest::newRow("more crew: left from a crew row past the actors stays")
        << 2 << 5 << u"Down Right Down*3 Left"_qs << 4 << 1 << u"Crew 3"_qs;
    QTest::newRow("more crew: left from a crew row beside an actor")
        << 2 << 5 << u"Down Right Down Left"_qs << 2 << 0 << u"Actor 1"_qs;
    QTest::newRow("more actors: right from an actor row past the crew stays")
        << 5 << 2 << u"Down*4 Right"_qs << 4 << 0 << u"Actor 3"_qs;
    QTest::newRow("more actors: down stops at the last actor") << 5 << 2 << u"Down*9"_qs << 5 << 0 << u"Actor 4"_qs;
    QTest::newRow("up from level 3 goes to level 2") << 5 << 2 << u"Down*3 Up"_qs << 2 << 0 << u"Actor 1"_qs;
    QTest::newRow("up from the first row goes to the menu bar and resets the column")
        << 2 << 5 << u"Down Right Up"_qs << 0 << 0 << QString();
    QTest::newRow("no actors: down from the menu bar does nothing") << 0 << 3 << u"Down"_qs << 0 << 0 << QString();
    QTest::newRow("no crew: right does nothing") << 2 << 0 << u"Down Right"_qs << 1 << 0 << u"Actor 0"_qs;
}

void TestFanArtView::castCrewColumns()
{
    QFETCH(int, actors);
    QFETCH(int, crew);
    QFETCH(QString, keys);
    QFETCH(int, level);
    QFETCH(int, column);
    QFETCH(QString, selected);
    QList<tTitle> list = titles(1);
    tTitle &t = list.first();
    t.Actors.clear();
    for (int i = 0; i < actors; ++i)
        t.Actors.append({u"Actor %1"_qs.arg(i), u"Role %1"_qs.arg(i)});
    // The crew column runs through the lists in their order: directors
    // first, then writers.
    t.Crew = {};
    for (int i = 0; i < crew; ++i)
        (i < (crew + 1) / 2 ? t.Crew.Director : t.Crew.Writer).append(u"Crew %1"_qs.arg(i));
    openWindow(list);
    TForm1 &f = *m_form;
    pressKeys(&f, u"Enter Right Right "_qs + keys);

    QCOMPARE(f.FanArtMenu, int(FanArtView::PageCastCrew));
    QCOMPARE(f.FanArtLevel, level);
    QCOMPARE(f.FanArtColumn, column);
    QCOMPARE(view().SelectedPerson(), selected);
    // The selected row stays in view, at the second row's place.
    QCOMPARE(image(u"FanArt_Image_CastCrew"_qs)->y(), level == 0 ? 0.0 : 100.0 - 100.0 * level);
    QCOMPARE(image(u"FanArt_Image_CastCrew"_qs)->size().height(), 100.0 * actors);
}

void TestFanArtView::manyActorsShowFiveHundredRows()
{
    QList<tTitle> list = titles(1);
    list.first().Actors.clear();
    for (int i = 0; i < 600; ++i)
        list.first().Actors.append({u"Actor %1"_qs.arg(i), u"Role %1"_qs.arg(i)});
    openWindow(list);
    TForm1 &f = *m_form;
    pressKeys(&f, u"Enter Right Right Down*505"_qs);

    QCOMPARE(f.FanArtLevel, 500);
    QCOMPARE(view().SelectedPerson(), u"Actor 499"_qs);
    QJsonObject state;
    view().dumpState(state);
    QCOMPARE(state.value(u"FanArtActorRows"_qs).toInt(), 500);
    QCOMPARE(state.value(u"FanArtCrewRows"_qs).toInt(), 1);
    QCOMPARE(image(u"FanArt_Image_CastCrew"_qs)->size().height(), 50000.0);

    // Leaving frees the rows.
    pressKeys(&f, u"Backspace"_qs);
    state = {};
    view().dumpState(state);
    QCOMPARE(state.value(u"FanArtActorRows"_qs).toInt(), 0);
    QCOMPARE(image(u"FanArt_Image_CastCrew"_qs)->childItems().size(), 2); // the two headers
}

// ---------------------------------------------------------------- details page

void TestFanArtView::detailsTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("releaseDate");
    QTest::addColumn<QString>("titleLine");
    QTest::addColumn<QString>("dateLine");

    QTest::newRow("plain title") << u"Alien"_qs << u"20010915"_qs << u"Alien"_qs
                                 << u"09/15/2001, 90 min, Drama, Thriller"_qs;
    // The label draws its text as it is: one "&" on screen.
    QTest::newRow("an ampersand shows once") << u"Tom & Jerry"_qs << u"20010915"_qs << u"Tom & Jerry"_qs
                                             << u"09/15/2001, 90 min, Drama, Thriller"_qs;
    QTest::newRow("missing release date") << u"Alien"_qs << u"99990101"_qs << u"Alien"_qs
                                          << u"01/01/9999, 90 min, Drama, Thriller"_qs;
}

void TestFanArtView::detailsTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, releaseDate);
    QFETCH(QString, titleLine);
    QFETCH(QString, dateLine);
    QList<tTitle> list = titles(1);
    list.first().Title = name;
    list.first().ReleaseDate = releaseDate;
    openWindow(list);
    TForm1 &f = *m_form;
    pressKeys(&f, u"Enter"_qs);

    QCOMPARE(label(u"FanArt_Details_Label_Title"_qs)->text(), titleLine);
    QCOMPARE(label(u"FanArt_Details_Label_Year"_qs)->text(), u"1990"_qs);
    QCOMPARE(label(u"FanArt_Details_Label_DateRuntimeGenre"_qs)->text(), dateLine);
    QCOMPARE(label(u"FanArt_Details_Label_Play"_qs)->text(), u"play"_qs);
    QCOMPARE(label(u"FanArt_Details_Label_Trailer"_qs)->text(), u"trailer"_qs);
    QCOMPARE(image(u"FanArt_Details_Image_Stars"_qs)->pictureName(), u"PngStars7_White"_qs);
    // The badge at two thirds of its size, centred on x 1150.
    ImageElement *rated = image(u"FanArt_Details_Image_Rated"_qs);
    QCOMPARE(rated->pictureName(), u"PngRatedPG13_White"_qs);
    QCOMPARE(rated->size(), QSizeF(248 * 0.66, 70 * 0.66));
    QCOMPARE(rated->x() + rated->size().width() / 2, 1150.0);
    QVERIFY(!image(u"FanArt_Details_Image_FrontCover"_qs)->picture().isNull());
    QVERIFY(!image(u"FanArt_Details_Image_BackCover"_qs)->picture().isNull());

    // Focus colours: play white, trailer grey.
    pressKeys(&f, u"Down"_qs);
    QCOMPARE(label(u"FanArt_Details_Label_Play"_qs)->color(), QColor(Qt::white));
    pressKeys(&f, u"Right"_qs);
    QCOMPARE(label(u"FanArt_Details_Label_Play"_qs)->color(), QColor(0x87, 0xCE, 0xFA));
    QCOMPARE(label(u"FanArt_Details_Label_Trailer"_qs)->color(), QColor(0x80, 0x80, 0x80));
    // Enter on the trailer does nothing.
    pressKeys(&f, u"Enter"_qs);
    QCOMPARE(f.ScreenMode, smFanArt);
    QVERIFY(!label(u"LabelProcessing"_qs)->isShown());
}

void TestFanArtView::locationLines_data()
{
    QTest::addColumn<bool>("online");
    QTest::addColumn<int>("discs");
    QTest::addColumn<int>("container");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("pathShown");

    QTest::newRow("offline") << false << 1 << int(ctFolder) << u"Located offline on disc"_qs << false;
    QTest::newRow("online without discs") << true << 0 << int(ctFolder) << u"No digital media available"_qs
                                          << false;
    QTest::newRow("one disc file") << true << 1 << int(ctISO) << u"Located online on disc"_qs << true;
    QTest::newRow("three disc files") << true << 3 << int(ctMKV) << u"Located online on 3 discs"_qs << true;
    QTest::newRow("one disc folder") << true << 1 << int(ctFolder) << u"Located online in a DVD Folder"_qs << true;
    QTest::newRow("two disc folders") << true << 2 << int(ctFolder) << u"Located online in 2 DVD Folders"_qs
                                      << true;
}

void TestFanArtView::locationLines()
{
    QFETCH(bool, online);
    QFETCH(int, discs);
    QFETCH(int, container);
    QFETCH(QString, line);
    QFETCH(bool, pathShown);
    QList<tTitle> list = titles(1);
    tTitle &t = list.first();
    t.Online = online;
    t.DiscInfo.clear();
    for (int i = 0; i < discs; ++i)
        t.DiscInfo.append(disc(u"/srv/movies/Alien/disc%1.iso"_qs.arg(i + 1), tContainers(container)));
    openWindow(list);
    pressKeys(m_form.get(), u"Enter"_qs);

    QCOMPARE(label(u"FanArt_Details_Label_DiscLocation"_qs)->text(), line);
    const QString path = label(u"FanArt_Details_Label_DiscPath"_qs)->text();
    if (pathShown)
        QCOMPARE(path, u"/srv/movies/Alien/disc1.iso"_qs);
    else
        QCOMPARE(path, online ? u"Online file(s) missing"_qs : QString());
}

// ---------------------------------------------------------------- covers

void TestFanArtView::coverZoom_data()
{
    QTest::addColumn<bool>("localArt");
    QTest::addColumn<bool>("cached");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("from"); // "cache", "folder" or "" (nothing enlarged)

    QTest::newRow("front cover from the title folder") << false << false << 3 << u"folder"_qs;
    QTest::newRow("back cover from the title folder") << false << false << 2 << u"folder"_qs;
    QTest::newRow("local art: the cached copy first") << true << true << 3 << u"cache"_qs;
    QTest::newRow("local art without a cached copy") << true << false << 2 << u"folder"_qs;
    QTest::newRow("cache ignored without local art") << false << true << 3 << u"folder"_qs;
    QTest::newRow("no cover file: nothing enlarged") << false << false << -3 << QString();
}

void TestFanArtView::coverZoom()
{
    QFETCH(bool, localArt);
    QFETCH(bool, cached);
    QFETCH(int, column);
    QFETCH(QString, from);
    const bool missing = column < 0;
    column = qAbs(column);
    tSettings s;
    s.ScreenSaver = false;
    s.LocalArt = localArt;
    QVERIFY(SaveConfig(s, m_home->path() + u'/'));
    QList<tTitle> list = titles(2);
    if (missing)
        list.first().ImgCoverFront = u"gone.jpg"_qs;
    const QString cacheDir = QDir(m_home->path()).filePath(u"Cache/"_qs + list.first().ID);
    const QString name = column == 2 ? list.first().ImgCoverBack : list.first().ImgCoverFront;
    if (cached) {
        QVERIFY(QDir().mkpath(cacheDir));
        writePicture(QDir(cacheDir).filePath(name), {100, 400}, 9);
    }
    openWindow(list);
    TForm1 &f = *m_form;
    ImageElement *zoom = image(u"FanArt_Details_Image_CoverZoom"_qs);
    pressKeys(&f, u"Enter Down"_qs + u" Right"_qs.repeated(column));
    QCOMPARE(f.FanArtColumn, column);

    if (from.isEmpty()) {
        QVERIFY(!zoom->isShown());
        QVERIFY(image(u"FanArt_Image_MenuBar"_qs)->isShown());
    } else {
        const QString expected = from == u"cache" ? QDir(cacheDir).filePath(name)
                                                  : QDir(shown().Directory).filePath(name);
        QVERIFY(zoom->isShown());
        QCOMPARE(zoom->pictureName(), expected);
        QVERIFY(!image(u"FanArt_Image_MenuBar"_qs)->isShown());
        // Full screen height, aspect kept, centred on the screen.
        const QSize size = QImage(expected).size();
        QCOMPARE(zoom->size().height(), 1080.0);
        QCOMPARE(qRound(zoom->size().width()), qRound(size.width() * 1080.0 / size.height()));
        QCOMPARE(zoom->x() + zoom->size().width() / 2, 960.0);
    }

    // Enter holds the enlargement; only Enter and Play act then.
    pressKeys(&f, u"Enter"_qs);
    QCOMPARE(f.ScreenMode, smFanArtZoom);
    pressKeys(&f, u"Left Up Backspace Escape"_qs);
    QCOMPARE(f.ScreenMode, smFanArtZoom);
    QCOMPARE(f.FanArtColumn, column);
    QCOMPARE(f.FanArtLevel, 1);
    pressKeys(&f, u"Enter"_qs);
    QCOMPARE(f.ScreenMode, smFanArt);
    QVERIFY(!zoom->isShown());
    QCOMPARE(f.FanArtColumn, column);

    pressKeys(&f, u"Up"_qs);
    QVERIFY(!zoom->isShown());
    QVERIFY(image(u"FanArt_Image_MenuBar"_qs)->isShown());
}

void TestFanArtView::boxSetStatesReturnToTheirGrid()
{
    QList<tTitle> list = titles(4);
    list[0].SeriesBoxSetParent = true;
    for (int i = 1; i < 4; ++i) {
        list[i].PID = list[0].ID;
        list[i].SeriesBoxSetChild = true;
    }
    openWindow(list);
    TForm1 &f = *m_form;
    QCOMPARE(f.FocusTitle, 0);
    // Enter on the box set opens its grid; the grid opens the view of its second title.
    TitleGrid *grid = f.screen<TitleGrid>();
    grid->OpenBoxSet();
    QCOMPARE(f.ScreenMode, smBoxSetTitles);
    pressKeys(&f, u"Right Enter"_qs);
    QCOMPARE(f.ScreenMode, smBoxSetFanArt);
    QCOMPARE(f.FanArtTitle, grid->entries().at(1));
    QCOMPARE(f.GridIndex, 1);
    QVERIFY(image(u"FanArt_Image_Details_Frame"_qs)->isShown());

    // A cover enlarged and closed again stays in the box-set states.
    pressKeys(&f, u"Down Right Right Right Enter"_qs);
    QCOMPARE(f.ScreenMode, smBoxSetZoom);
    QVERIFY(image(u"FanArt_Details_Image_CoverZoom"_qs)->isShown());
    pressKeys(&f, u"Right Backspace"_qs);
    QCOMPARE(f.ScreenMode, smBoxSetZoom);
    pressKeys(&f, u"Enter"_qs);
    QCOMPARE(f.ScreenMode, smBoxSetFanArt);
    QVERIFY(!image(u"FanArt_Details_Image_CoverZoom"_qs)->isShown());

    // Backspace leads back to the grid on the same title, then to the carousel.
    pressKeys(&f, u"Backspace"_qs);
    QCOMPARE(f.ScreenMode, smBoxSetTitles);
    QVERIFY(grid->isShown());
    QCOMPARE(f.GridIndex, 1);
    QVERIFY(!image(u"FanArt_Image_Details_Frame"_qs)->isShown());
    pressKeys(&f, u"Backspace"_qs);
    QCOMPARE(f.ScreenMode, smRowA);
    QCOMPARE(f.FanArtTitle, -1);
    QVERIFY(!image(u"ImageFanArtBackground"_qs)->isShown());
}

void TestFanArtView::personGridAndBack()
{
    QList<tTitle> list = titles(4);
    list[3].Actors = {{u"Someone Else"_qs, u"Lead"_qs}};
    openWindow(list);
    TForm1 &f = *m_form;
    pressKeys(&f, u"Enter Right Right Down"_qs);
    QCOMPARE(view().SelectedPerson(), u"First Actor"_qs);

    const qint32 title = f.FanArtTitle;

    pressKeys(&f, u"Enter"_qs);
    QCOMPARE(f.ScreenMode, smPersonTitles);
    TitleGrid *grid = f.screen<TitleGrid>();
    QVERIFY(grid->isShown());
    QCOMPARE(grid->entries().size(), 3); // the titles that name the actor
    QVERIFY(!image(u"FanArt_Image_Details_Frame"_qs)->isShown());

    // Back on the same row of the same view.
    pressKeys(&f, u"Backspace"_qs);
    QCOMPARE(f.ScreenMode, smFanArt);
    QCOMPARE(f.FanArtTitle, title);
    QCOMPARE(f.FanArtMenu, int(FanArtView::PageCastCrew));
    QCOMPARE(f.FanArtLevel, 1);
    QVERIFY(!grid->isShown());
    QVERIFY(image(u"FanArt_Image_Details_Frame"_qs)->isShown());
    QVERIFY(image(u"FanArt_Image_CastCrewParent"_qs)->isShown());
    QCOMPARE(view().SelectedPerson(), u"First Actor"_qs);

    pressKeys(&f, u"Backspace"_qs);
    QCOMPARE(f.ScreenMode, smRowA);
    QVERIFY(!grid->isShown());
    QVERIFY(!image(u"ImageFanArtBackground"_qs)->isShown());
}

void TestFanArtView::playKeys_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("mode");

    QTest::newRow("the details page's play entry") << u"Down Enter"_qs << int(smFanArt);
    QTest::newRow("play key on the menu bar") << u"Right Play"_qs << int(smFanArt);
    QTest::newRow("play key with the panel lowered") << u"Up Play"_qs << int(smFanArt);
    QTest::newRow("play key with a cover enlarged") << u"Down Right Right Enter Play"_qs << int(smFanArtZoom);
}

void TestFanArtView::playKeys()
{
    QFETCH(QString, keys);
    QFETCH(int, mode);
    openWindow(3);
    TForm1 &f = *m_form;
    f.play().setHoldMs(50);
    pressKeys(&f, u"Down Enter"_qs);
    // The shown title's disc is removed, so the launch stops at the check for
    // a missing disc and names it.
    QCOMPARE(shown().Title, u"Title 01"_qs);
    const QString loc = shown().DiscInfo.first().Loc;
    QDir(loc).removeRecursively();
    pressKeys(&f, keys);
    // The title shown, not the carousel's, is played; the message shows over the view.
    QVERIFY(f.play().isBusy());
    QVERIFY(label(u"LabelProcessing"_qs)->isVisibleTo(nullptr));
    QCOMPARE(label(u"LabelProcessing"_qs)->text(), u"ERROR: Disc not found"_qs);
    QCOMPARE(label(u"LabelProcessingStatus"_qs)->text(), loc);
    QVERIFY(label(u"LabelProcessing"_qs)->zValue() > image(u"ImageFanArtBackground"_qs)->zValue());
    QTRY_VERIFY(!f.play().isBusy());
    QCOMPARE(int(f.ScreenMode), mode);
}

// ---------------------------------------------------------------- action page

void TestFanArtView::actionToggles_data()
{
    QTest::addColumn<QString>("toCover");
    QTest::addColumn<bool>("xmlWatched");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<QString>("entryLabel");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");

    QTest::newRow("row A: mark as watched") << QString() << false << 1 << u"CVB_Watched.txt"_qs
                                            << u"FanArt_Actions_Label_SetWatchedFlag"_qs << u"Mark as Watched"_qs
                                            << u"Mark as Not Watched"_qs;
    QTest::newRow("row B: mark as watched") << u"Down"_qs << false << 1 << u"CVB_Watched.txt"_qs
                                            << u"FanArt_Actions_Label_SetWatchedFlag"_qs << u"Mark as Watched"_qs
                                            << u"Mark as Not Watched"_qs;
    QTest::newRow("watched in My Movies: mark as not watched")
        << QString() << true << 1 << u"CVB_NotWatched.txt"_qs << u"FanArt_Actions_Label_SetWatchedFlag"_qs
        << u"Mark as Not Watched"_qs << u"Mark as Watched"_qs;
    QTest::newRow("row A: add to the watch list") << QString() << false << 2 << u"CVB_WatchList.txt"_qs
                                                  << u"FanArt_Actions_Label_SetWatchList"_qs << u"Add to WatchList"_qs
                                                  << u"Remove from WatchList"_qs;
    QTest::newRow("row B: add to the watch list") << u"Right Down"_qs << false << 2 << u"CVB_WatchList.txt"_qs
                                                  << u"FanArt_Actions_Label_SetWatchList"_qs << u"Add to WatchList"_qs
                                                  << u"Remove from WatchList"_qs;
}

void TestFanArtView::actionToggles()
{
    QFETCH(QString, toCover);
    QFETCH(bool, xmlWatched);
    QFETCH(int, entry);
    QFETCH(QString, marker);
    QFETCH(QString, entryLabel);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QList<tTitle> list = titles(6);
    for (tTitle &t : list)
        t.Watched = t.WatchedCVB = xmlWatched;
    openWindow(list);
    TForm1 &f = *m_form;
    pressKeys(&f, toCover);
    const bool rowB = f.ScreenMode == smRowB;
    ImageElement *slot = image(rowB ? u"ImageCoverB5"_qs : u"ImageCoverA5"_qs);
    ImageElement *big = image(rowB ? u"ImageCoverB5Big"_qs : u"ImageCoverA5Big"_qs);
    const QImage plain = slot->picture();
    const qint32 index = f.FocusTitle;
    const QString markerFile = QDir(f.Titles.Title.at(index).Directory).filePath(marker);
    auto flag = [&] {
        const tTitle &t = f.Titles.Title.at(index);
        return entry == 1 ? t.WatchedCVB : t.WatchList;
    };
    const bool initial = flag();

    pressKeys(&f, u"Enter Right*6 Down"_qs + u" Down"_qs.repeated(entry - 1));
    QCOMPARE(label(entryLabel)->text(), before);
    QCOMPARE(label(entryLabel)->color(), QColor(Qt::white));

    pressKeys(&f, u"Enter"_qs);
    QCOMPARE(flag(), !initial);
    QVERIFY(QFile::exists(markerFile));
    QCOMPARE(label(entryLabel)->text(), after);
    QCOMPARE(f.ScreenMode, smFanArt);
    QCOMPARE(f.FanArtLevel, entry);
    // The carousel's centre cover of the row the view came from follows.
    QVERIFY(slot->picture() != plain);
    QCOMPARE(big->picture(), slot->picture());
    QVERIFY(messages::TakeShown().isEmpty());
    WaitForDatabaseWriter();
    f.collection().waitForStored();
    QVERIFY(QFile::exists(DatabaseFilePath(f.AppPath)));

    pressKeys(&f, u"Enter"_qs);
    QCOMPARE(flag(), initial);
    QVERIFY(!QFile::exists(markerFile));
    QCOMPARE(label(entryLabel)->text(), before);
    QCOMPARE(slot->picture(), plain);

    pressKeys(&f, u"Backspace"_qs);
    QCOMPARE(f.ScreenMode, rowB ? smRowB : smRowA);
    QCOMPARE(big->picture(), plain);
}

void TestFanArtView::backgroundChoiceIsSaved()
{
    QList<tTitle> list = titles(3);
    list[1].Title = u"Tom & Jerry"_qs;
    openWindow(list);
    TForm1 &f = *m_form;
    pressKeys(&f, u"Down Enter Right*6 Down*3"_qs);
    QCOMPARE(shown().Title, u"Tom & Jerry"_qs);
    QCOMPARE(label(u"FanArt_Actions_Label_SetBackground"_qs)->text(),
             u"Set this Fan Art image as Cinevue background image"_qs);
    QCOMPARE(label(u"FanArt_Actions_Label_SetBackground"_qs)->color(), QColor(Qt::white));

    pressKeys(&f, u"Enter"_qs);
    QCOMPARE(f.Settings.FanArtBackground, u"Tom & Jerry"_qs);
    QCOMPARE(image(u"ImageBackground"_qs)->pictureName(), fanArtFile(shown()));
    QVERIFY(fileLines(QDir(m_home->path()).filePath(u"Cinevue.cfg"_qs)).contains(u"FanArtBackground=Tom & Jerry"_qs));
    QVERIFY(messages::TakeShown().isEmpty());

    // The next start shows it as the backdrop.
    pressKeys(&f, u"Backspace"_qs);
    const QString expected = fanArtFile(list.at(1));
    m_form.reset();
    writeDatabase(m_home->path() + u'/', list);
    m_form = std::make_unique<TForm1>();
    showAndWait(*m_form);
    QCOMPARE(image(u"ImageBackground"_qs)->pictureName(), expected);
}

void TestFanArtView::missingFanArtShowsPlainBackdrop_data()
{
    QTest::addColumn<QString>("background");
    QTest::addColumn<bool>("fileMissing");

    QTest::newRow("no title of that name") << u"Not In The Collection"_qs << false;
    QTest::newRow("its fan art file is missing") << u"Title 01"_qs << true;
    QTest::newRow("no fan-art background chosen") << QString() << false;
}

void TestFanArtView::missingFanArtShowsPlainBackdrop()
{
    QFETCH(QString, background);
    QFETCH(bool, fileMissing);
    tSettings s;
    s.ScreenSaver = false;
    s.ShowHelp = false;
    s.FanArtBackground = background;
    QVERIFY(SaveConfig(s, m_home->path() + u'/'));
    QList<tTitle> list = titles(3);
    if (fileMissing)
        list[1].ImgFanArt = u"gone.jpg"_qs;
    for (const tTitle &t : list) {
        QVERIFY(QDir().mkpath(t.Directory));
        writePicture(QDir(t.Directory).filePath(u"fanart.jpg"_qs), {320, 180}, 1);
    }
    writeDatabase(m_home->path() + u'/', list);
    m_form = std::make_unique<TForm1>();
    showAndWait(*m_form);
    TForm1 &f = *m_form;
    QCOMPARE(f.Titles.Title.size(), 3);
    QCOMPARE(image(u"ImageBackground"_qs)->pictureName(), u"PngMainBackground"_qs);

    // The view of a title without fan art shows the plain backdrop too.
    if (fileMissing) {
        pressKeys(&f, u"Down Enter"_qs);
        QCOMPARE(shown().ImgFanArt, u"gone.jpg"_qs);
        QCOMPARE(image(u"ImageFanArtBackground"_qs)->pictureName(), u"PngMainBackground"_qs);
    }
}

QTEST_MAIN(TestFanArtView)
#include "tst_fanartview.moc"
