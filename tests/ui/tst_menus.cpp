// The option menus driven through the real window with real key events:
// cursor rules, drawing, choosing, the genre grid layouts and the exit menu
// with the restart and program end replaced; and what the script driver
// reports and pictures of a menu.

#include "app/collection.h"
#include "app/config.h"
#include "app/scriptdriver.h"
#include "app/tform1.h"
#include "tests/ui/windowfixture.h"
#include "platform/power.h"
#include "ui/menus.h"
#include "ui/messages.h"
#include "ui/scene.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

struct FakePower : PowerControl {
    std::optional<QString> refusal;
    int reboots = 0;
    int ends = 0;
    std::optional<QString> Reboot() override
    {
        ++reboots;
        return refusal;
    }
    void EndProgram() override { ++ends; }
};

tTitle makeTitle(const QString &name, tMediaType type, const QStringList &genres, const QStringList &cats = {})
{
    tTitle t;
    t.ID = name;
    t.Title = name;
    t.SortTitle = name;
    t.MediaType = type;
    t.Genres = genres;
    t.Cats = cats;
    t.ReleaseDate = u"20000101"_qs;
    t.AddedDate = u"20000101"_qs;
    return t;
}

void press(TForm1 &form, Qt::Key key)
{
    QTest::keyClick(&form, key);
}

bool isWhite(LabelElement *l) { return l->color() == QColor(Qt::white); }

// Pixels of a label's area in a picture of the surface that are white text,
// and that are light sky blue text (the strong ones, not the edges).
struct TextPixels {
    int white = 0;
    int skyBlue = 0;
};
TextPixels textPixels(const QImage &surface, LabelElement *label)
{
    TextPixels n;
    const QRect area = label->surfaceGeometry().toAlignedRect().intersected(surface.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = surface.pixel(x, y);
            if (qRed(p) > 235 && qGreen(p) > 235 && qBlue(p) > 235)
                ++n.white;
            else if (qRed(p) > 110 && qRed(p) < 170 && qGreen(p) > 180 && qBlue(p) > 225)
                ++n.skyBlue;
        }
    }
    return n;
}

const QStringList kSortLabels = {u"Sort_Label_byTitle"_qs, u"Sort_Label_byStars"_qs, u"Sort_Label_byRuntime"_qs,
                                 u"Sort_Label_byProdYear"_qs, u"Sort_Label_byReleaseDate"_qs,
                                 u"Sort_Label_byDateAdded"_qs, u"Sort_Label_byColNum"_qs};

} // namespace

class TestMenus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sortCursor_data();
    void sortCursor();
    void sortChoice_data();
    void sortChoice();
    void defaultSort_data();
    void defaultSort();

    void mediaTypeCursor_data();
    void mediaTypeCursor();
    void mediaTypeChoice_data();
    void mediaTypeChoice();

    void gridLayout_data();
    void gridLayout();
    void gridCursor_data();
    void gridCursor();
    void genreSelectionAndModes();
    void categoryMenuHidesGenreBoxes();
    void gridMenusNeedEntries();

    void backspaceLeavesMenusOpen_data();
    void backspaceLeavesMenusOpen();

    void exitCursor_data();
    void exitCursor();
    void exitChoice_data();
    void exitChoice();
    void systemEndProgramQuitsEventLoop();

    void scriptShotsFollowTheCursor();

private:
    // The form with a small collection, on the carousel.
    void openForm(int genreCount = 4);

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<TForm1> m_form;
    FakePower *m_power = nullptr;
};

void TestMenus::initTestCase()
{
    messages::SetHeadless(true);
}

void TestMenus::init()
{
    makeWindowHome(m_home);
    tSettings s;
    s.ScreenSaver = false;
    s.ShowHelp = false;
    QString error;
    QVERIFY2(SaveConfig(s, m_home->path(), &error), qPrintable(error));
    messages::TakeShown();
}

void TestMenus::cleanup()
{
    m_form.reset();
    m_power = nullptr;
}

void TestMenus::openForm(int genreCount)
{
    m_form = std::make_unique<TForm1>();
    m_form->resize(Scene::kWidth / 4, Scene::kHeight / 4);
    m_form->show();
    QTRY_VERIFY_WITH_TIMEOUT(m_form->isStartupFinished(), 20000);
    auto power = std::make_unique<FakePower>();
    m_power = power.get();
    m_form->menus().setPowerControl(std::move(power));

    const QStringList genres = {u"Action"_qs, u"Comedy"_qs, u"Drama"_qs, u"Horror"_qs, u"Western"_qs,
                                u"Sci-Fi"_qs, u"War"_qs};
    tTitles titles;
    titles.MyGenres = genres.mid(0, genreCount);
    titles.MyCats = {u"Favourites"_qs, u"Kids"_qs};
    titles.Title = {makeTitle(u"Alpha"_qs, mtMovie, {u"Action"_qs, u"Comedy"_qs}, {u"Kids"_qs}),
                    makeTitle(u"Bravo"_qs, mtTV, {u"comedy"_qs}),
                    makeTitle(u"Charlie"_qs, mtMovie, {u"Drama"_qs}, {u"Favourites"_qs}),
                    makeTitle(u"Delta"_qs, mtDoc, {u"Action"_qs})};
    m_form->collection().setTitles(titles, false);
    m_form->SortItems();
    QCOMPARE(m_form->ScreenMode, smRowA);
}

// ---------------------------------------------------------------- sort menu

void TestMenus::sortCursor_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");
    QTest::newRow("left from descending to ascending") << 3 << int(Qt::Key_Left) << 2;
    QTest::newRow("left from ascending goes to the row above's descending") << 2 << int(Qt::Key_Left) << 1;
    QTest::newRow("left at the first entry stays") << 0 << int(Qt::Key_Left) << 0;
    QTest::newRow("right from ascending") << 4 << int(Qt::Key_Right) << 5;
    QTest::newRow("right at the last order stays") << 13 << int(Qt::Key_Right) << 13;
    QTest::newRow("up one row") << 5 << int(Qt::Key_Up) << 3;
    QTest::newRow("up on the first row stays") << 1 << int(Qt::Key_Up) << 1;
    QTest::newRow("down one row") << 0 << int(Qt::Key_Down) << 2;
    QTest::newRow("down from the last row, ascending, to cancel") << 12 << int(Qt::Key_Down) << 14;
    QTest::newRow("down from the last row, descending, to cancel") << 13 << int(Qt::Key_Down) << 15;
    QTest::newRow("down on cancel stays") << 14 << int(Qt::Key_Down) << 14;
    QTest::newRow("up from cancel back to the last row") << 15 << int(Qt::Key_Up) << 13;
    QTest::newRow("left on cancel stays") << 14 << int(Qt::Key_Left) << 14;
}

void TestMenus::sortCursor()
{
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, expected);
    openForm();
    m_form->OpenIconMenu(6);
    QCOMPARE(m_form->ScreenMode, smSortMenu);
    OptionMenus &menus = m_form->menus();
    menus.SortCursor = start;
    menus.ShowSort();
    press(*m_form, Qt::Key(key));
    QCOMPARE(menus.SortCursor, expected);

    // Drawn from the cursor: its row and arrow white, everything else blue.
    for (int r = 0; r < 7; ++r) {
        const bool onRow = expected < 14 && expected / 2 == r;
        QCOMPARE(isWhite(m_form->label(kSortLabels.at(r))), onRow);
        QCOMPARE(isWhite(m_form->label(kSortLabels.at(r) + u"_Up"_qs)), onRow && expected % 2 == 0);
        QCOMPARE(isWhite(m_form->label(kSortLabels.at(r) + u"_Down"_qs)), onRow && expected % 2 == 1);
    }
    QCOMPARE(isWhite(m_form->label(u"Sort_Label_Cancel"_qs)), expected >= 14);
    QVERIFY(m_form->image(u"ImageSortBackground"_qs)->isShown());
}

void TestMenus::sortChoice_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("expectedSort");
    QTest::addColumn<int>("expectedMode");
    QTest::addColumn<int>("expectedFocus");
    // The focus was moved to 2 before the menu opened.
    QTest::newRow("another order rebuilds from the first title")
        << QList<int>{Qt::Key_Right} << int(SortTitleDes) << int(smRowA) << 0;
    QTest::newRow("the current order again keeps the focus")
        << QList<int>{} << int(SortTitleAsc) << int(smIconBar) << 2;
    QTest::newRow("cancel keeps order and focus")
        << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}
        << int(SortTitleAsc) << int(smIconBar) << 2;
}

void TestMenus::sortChoice()
{
    QFETCH(QList<int>, keys);
    QFETCH(int, expectedSort);
    QFETCH(int, expectedMode);
    QFETCH(int, expectedFocus);
    openForm();
    m_form->FocusIndex = 2;
    m_form->OpenIconMenu(6);
    QCOMPARE(m_form->menus().SortCursor, int(SortTitleAsc));
    for (int key : keys)
        press(*m_form, Qt::Key(key));
    press(*m_form, Qt::Key_Return);
    QCOMPARE(int(m_form->Filter.CurrentSort), expectedSort);
    QCOMPARE(int(m_form->ScreenMode), expectedMode);
    QCOMPARE(m_form->FocusIndex, expectedFocus);
    QVERIFY(!m_form->image(u"ImageSortBackground"_qs)->isShown());
}

void TestMenus::defaultSort_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("expectedDefault");
    QTest::addColumn<bool>("changed");
    QTest::newRow("an order is stored") << QList<int>{Qt::Key_Down, Qt::Key_Right} << int(SortStarsDes) << true;
    QTest::newRow("cancel stores nothing")
        << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}
        << int(SortTitleAsc) << false;
}

void TestMenus::defaultSort()
{
    QFETCH(QList<int>, keys);
    QFETCH(int, expectedDefault);
    QFETCH(bool, changed);
    openForm();
    int redraws = 0;
    m_form->menus().setSettingsRedraw([&redraws] { ++redraws; });
    m_form->menus().OpenDefaultSort();
    QCOMPARE(m_form->ScreenMode, smDefaultSortMenu);
    for (int key : keys)
        press(*m_form, Qt::Key(key));
    press(*m_form, Qt::Key_Return);
    QCOMPARE(int(m_form->Settings.DefaultSort), expectedDefault);
    QCOMPARE(m_form->Settings.Changed, changed);
    // The browser's own order is not touched.
    QCOMPARE(m_form->Filter.CurrentSort, SortTitleAsc);
    QCOMPARE(int(m_form->ScreenMode), 9);
    QCOMPARE(redraws, 1);
    QVERIFY(!m_form->image(u"ImageSortBackground"_qs)->isShown());
}

// ---------------------------------------------------------------- media type menu

void TestMenus::mediaTypeCursor_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");
    QTest::newRow("up from cancel") << 6 << int(Qt::Key_Up) << 5;
    QTest::newRow("down on cancel stays") << 6 << int(Qt::Key_Down) << 6;
    QTest::newRow("up on the first stays") << 0 << int(Qt::Key_Up) << 0;
    QTest::newRow("down") << 0 << int(Qt::Key_Down) << 1;
    QTest::newRow("left does nothing") << 3 << int(Qt::Key_Left) << 3;
    QTest::newRow("right does nothing") << 3 << int(Qt::Key_Right) << 3;
}

void TestMenus::mediaTypeCursor()
{
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, expected);
    openForm();
    m_form->OpenIconMenu(2);
    QCOMPARE(m_form->ScreenMode, smMediaTypeMenu);
    QCOMPARE(m_form->menus().MediaTypeCursor, 6);
    m_form->menus().MediaTypeCursor = start;
    m_form->menus().ShowMediaTypes();
    press(*m_form, Qt::Key(key));
    QCOMPARE(m_form->menus().MediaTypeCursor, expected);
    const QStringList labels = {u"MediaType_Label0_All"_qs, u"MediaType_Label1_Movies"_qs, u"MediaType_Label2_TV"_qs,
                                u"MediaType_Label3_Music"_qs, u"MediaType_Label4_Docs"_qs, u"MediaType_Label5_Other"_qs,
                                u"MediaType_Label6_Cancel"_qs};
    for (int i = 0; i < labels.size(); ++i)
        QCOMPARE(isWhite(m_form->label(labels.at(i))), i == expected);
}

void TestMenus::mediaTypeChoice_data()
{
    QTest::addColumn<int>("ups"); // from cancel
    QTest::addColumn<int>("expectedFilter");
    QTest::addColumn<QStringList>("expectedTitles");
    QTest::newRow("TV series") << 4 << int(mtTV) << QStringList{u"Bravo"_qs};
    QTest::newRow("show all") << 6 << int(mtNotSet)
                              << QStringList{u"Alpha"_qs, u"Bravo"_qs, u"Charlie"_qs, u"Delta"_qs};
    QTest::newRow("cancel keeps the filter but rebuilds") << 0 << int(mtMovie)
                                                          << QStringList{u"Alpha"_qs, u"Charlie"_qs};
}

void TestMenus::mediaTypeChoice()
{
    QFETCH(int, ups);
    QFETCH(int, expectedFilter);
    QFETCH(QStringList, expectedTitles);
    openForm();
    m_form->Filter.MediaTypeFilter = mtMovie;
    m_form->SortItems();
    m_form->FocusIndex = 1;
    m_form->OpenIconMenu(2);
    for (int i = 0; i < ups; ++i)
        press(*m_form, Qt::Key_Up);
    press(*m_form, Qt::Key_Return);
    QCOMPARE(int(m_form->Filter.MediaTypeFilter), expectedFilter);
    QStringList shown;
    for (qint32 index : std::as_const(m_form->ViewList))
        shown << m_form->Titles.Title.at(index).Title;
    QCOMPARE(shown, expectedTitles);
    QCOMPARE(m_form->FocusIndex, 0);
    QCOMPARE(m_form->ScreenMode, smRowA);
    QVERIFY(!m_form->image(u"ImageMediaTypeBackground"_qs)->isShown());
}

// ---------------------------------------------------------------- genre and category grids

void TestMenus::gridLayout_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("columns"); // the three column labels' texts
    QTest::addColumn<int>("panelHeight");
    QTest::newRow("4 genres: 2, 1, 1") << 4 << QStringList{u"Action\nComedy"_qs, u"Drama"_qs, u"Horror"_qs} << 274;
    QTest::newRow("5 genres: 2, 2, 1")
        << 5 << QStringList{u"Action\nComedy"_qs, u"Drama\nHorror"_qs, u"Western"_qs} << 274;
    QTest::newRow("7 genres: 3, 2, 2")
        << 7 << QStringList{u"Action\nComedy\nDrama"_qs, u"Horror\nWestern"_qs, u"Sci-Fi\nWar"_qs} << 316;
    QTest::newRow("one genre") << 1 << QStringList{u"Action"_qs, QString(), QString()} << 232;
}

void TestMenus::gridLayout()
{
    QFETCH(int, count);
    QFETCH(QStringList, columns);
    QFETCH(int, panelHeight);
    openForm(count);
    m_form->OpenIconMenu(4);
    QCOMPARE(m_form->ScreenMode, smGenreMenu);
    ImageElement *panel = m_form->image(u"ImageGenresBackground"_qs);
    QCOMPARE(panel->geometry(), QRectF(368, 176, 1000, panelHeight));
    QCOMPARE(m_form->label(u"Genres_Label_Left"_qs)->text(), columns.at(0));
    QCOMPARE(m_form->label(u"Genres_Label_Center"_qs)->text(), columns.at(1));
    QCOMPARE(m_form->label(u"Genres_Label_Right"_qs)->text(), columns.at(2));
    QCOMPARE(m_form->label(u"Genres_Label_ShowAnyOf"_qs)->pos(), QPointF(24, panelHeight - 120));
    QCOMPARE(m_form->label(u"Genres_Label_ShowOnly"_qs)->pos(), QPointF(550, panelHeight - 120));
    QCOMPARE(m_form->label(u"Genres_Label_ShowALL"_qs)->pos(), QPointF(348, panelHeight - 72));
    QVERIFY(isWhite(m_form->label(u"Genres_Label_ShowALL"_qs)));

    // Each check box at its column's x and its row's y.
    const GridLayout g = MakeGridLayout(count);
    for (int i = 0; i < count; ++i) {
        ImageElement *box = m_form->image(u"Genres_Image_CheckBox%1"_qs.arg(i));
        QVERIFY(box->isShown());
        QCOMPARE(box->pos(), QPointF(56 + 300 * g.column(i), 22 + 42 * g.row(i)));
        QCOMPARE(box->pictureName(), u"PngCheckboxBlueNo"_qs);
    }
}

void TestMenus::gridCursor_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");
    // Entries: 0 .. count-1 genres, then any-of, all-of, show-all.
    const int U = Qt::Key_Up, D = Qt::Key_Down, L = Qt::Key_Left, R = Qt::Key_Right;
    QTest::newRow("4: down from the only genre of column 1 to any-of") << 4 << 2 << D << 4;
    QTest::newRow("4: down from the end of column 0 to any-of") << 4 << 1 << D << 4;
    QTest::newRow("4: down from the last genre to any-of") << 4 << 3 << D << 4;
    QTest::newRow("4: down within column 0") << 4 << 0 << D << 1;
    QTest::newRow("4: up from the top of column 1 to the end of column 0") << 4 << 2 << U << 1;
    QTest::newRow("4: up on the first genre stays") << 4 << 0 << U << 0;
    QTest::newRow("4: right to the same row") << 4 << 0 << R << 2;
    QTest::newRow("4: right to a shorter column's last genre") << 4 << 1 << R << 2;
    QTest::newRow("4: right from column 1") << 4 << 2 << R << 3;
    QTest::newRow("4: right from column 2 stays") << 4 << 3 << R << 3;
    QTest::newRow("4: left from column 2") << 4 << 3 << L << 2;
    QTest::newRow("4: left from column 0 stays") << 4 << 1 << L << 1;
    QTest::newRow("4: up from any-of to the end of column 0") << 4 << 4 << U << 1;
    QTest::newRow("4: up from all-of to the end of column 1") << 4 << 5 << U << 2;
    QTest::newRow("4: up from show-all to the last genre") << 4 << 6 << U << 3;
    QTest::newRow("4: any-of down to all-of") << 4 << 4 << D << 5;
    QTest::newRow("4: all-of down to show-all") << 4 << 5 << D << 6;
    QTest::newRow("4: show-all down stays") << 4 << 6 << D << 6;
    QTest::newRow("4: any-of right to all-of") << 4 << 4 << R << 5;
    QTest::newRow("4: all-of left to any-of") << 4 << 5 << L << 4;
    QTest::newRow("4: any-of left stays") << 4 << 4 << L << 4;
    QTest::newRow("4: show-all right stays") << 4 << 6 << R << 6;
    QTest::newRow("5: right from genre 3 to genre 4") << 5 << 3 << R << 4;
    QTest::newRow("5: down from the end of column 1 to any-of") << 5 << 3 << D << 5;
    QTest::newRow("5: down from the top of column 1") << 5 << 2 << D << 3;
    QTest::newRow("5: left from genre 4 to genre 2") << 5 << 4 << L << 2;
    QTest::newRow("1: up from all-of with an empty column 1 stays") << 1 << 2 << U << 2;
    QTest::newRow("1: right with nothing to the right stays") << 1 << 0 << R << 0;
}

void TestMenus::gridCursor()
{
    QFETCH(int, count);
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, expected);
    openForm(count);
    m_form->OpenIconMenu(4);
    OptionMenus &menus = m_form->menus();
    QCOMPARE(menus.GenreCursor, count + 2); // opens on show-all
    menus.GenreCursor = start;
    menus.ShowGenre();
    press(*m_form, Qt::Key(key));
    QCOMPARE(menus.GenreCursor, expected);
    for (int i = 0; i < count; ++i) {
        const QString expectedPicture = i == expected ? u"PngCheckboxWhiteNo"_qs : u"PngCheckboxBlueNo"_qs;
        QCOMPARE(m_form->image(u"Genres_Image_CheckBox%1"_qs.arg(i))->pictureName(), expectedPicture);
    }
    QCOMPARE(isWhite(m_form->label(u"Genres_Label_ShowAnyOf"_qs)), expected == count);
    QCOMPARE(isWhite(m_form->label(u"Genres_Label_ShowOnly"_qs)), expected == count + 1);
    QCOMPARE(isWhite(m_form->label(u"Genres_Label_ShowALL"_qs)), expected == count + 2);
}

void TestMenus::genreSelectionAndModes()
{
    openForm(4); // Action, Comedy, Drama, Horror
    auto shown = [this] {
        QStringList names;
        for (qint32 index : std::as_const(m_form->ViewList))
            names << m_form->Titles.Title.at(index).Title;
        return names;
    };
    m_form->OpenIconMenu(4);
    OptionMenus &menus = m_form->menus();
    // Up from show-all reaches Horror (3), Up again Drama, Up again Comedy ... to Action.
    press(*m_form, Qt::Key_Up);
    press(*m_form, Qt::Key_Up);
    press(*m_form, Qt::Key_Up);
    press(*m_form, Qt::Key_Up);
    QCOMPARE(menus.GenreCursor, 0);
    press(*m_form, Qt::Key_Return); // Action
    press(*m_form, Qt::Key_Down);
    press(*m_form, Qt::Key_Return); // Comedy
    QCOMPARE(m_form->Filter.SelectedGenres, (QStringList{u"Action"_qs, u"Comedy"_qs}));
    // Selecting leaves the menu open and the view list as it was.
    QCOMPARE(m_form->ScreenMode, smGenreMenu);
    QCOMPARE(m_form->ViewList.size(), 4);
    QCOMPARE(m_form->image(u"Genres_Image_CheckBox0"_qs)->pictureName(), u"PngCheckboxBlueYes"_qs);
    QCOMPARE(m_form->image(u"Genres_Image_CheckBox1"_qs)->pictureName(), u"PngCheckboxWhiteYes"_qs);

    // Comedy again removes it; then all-of with Action alone.
    press(*m_form, Qt::Key_Return);
    QCOMPARE(m_form->Filter.SelectedGenres, QStringList{u"Action"_qs});
    QCOMPARE(m_form->image(u"Genres_Image_CheckBox1"_qs)->pictureName(), u"PngCheckboxWhiteNo"_qs);
    press(*m_form, Qt::Key_Return); // Comedy once more
    press(*m_form, Qt::Key_Down);   // end of column 0 -> any-of
    press(*m_form, Qt::Key_Right);  // all-of
    press(*m_form, Qt::Key_Return);
    QCOMPARE(m_form->Filter.GenreMode, u"ShowOnly"_qs);
    QCOMPARE(shown(), QStringList{u"Alpha"_qs});
    QVERIFY(!m_form->image(u"ImageGenresBackground"_qs)->isShown());

    // The selection stays for the next opening; any-of widens the list.
    m_form->OpenIconMenu(4);
    QCOMPARE(m_form->image(u"Genres_Image_CheckBox0"_qs)->pictureName(), u"PngCheckboxBlueYes"_qs);
    press(*m_form, Qt::Key_Up);   // show-all -> last genre
    press(*m_form, Qt::Key_Down); // -> any-of
    press(*m_form, Qt::Key_Return);
    QCOMPARE(m_form->Filter.GenreMode, u"ShowAnyOf"_qs);
    // Bravo's "comedy" matches "Comedy" in any letter case.
    QCOMPARE(shown(), (QStringList{u"Alpha"_qs, u"Bravo"_qs, u"Delta"_qs}));

    // Show-all clears the selection and the filter.
    m_form->OpenIconMenu(4);
    press(*m_form, Qt::Key_Return);
    QCOMPARE(m_form->Filter.GenreMode, u"ShowAll"_qs);
    QVERIFY(m_form->Filter.SelectedGenres.isEmpty());
    QCOMPARE(shown().size(), 4);
    m_form->OpenIconMenu(4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(m_form->image(u"Genres_Image_CheckBox%1"_qs.arg(i))->pictureName(), u"PngCheckboxBlueNo"_qs);
}

void TestMenus::categoryMenuHidesGenreBoxes()
{
    openForm(4);
    m_form->OpenIconMenu(4);
    press(*m_form, Qt::Key_Return); // show-all closes
    m_form->OpenIconMenu(5);
    QCOMPARE(m_form->ScreenMode, smCatMenu);
    QCOMPARE(m_form->image(u"ImageGenresBackground"_qs)->geometry(), QRectF(168, 176, 1600, 232));
    QCOMPARE(m_form->label(u"Genres_Label_Left"_qs)->text(), u"Favourites"_qs);
    QCOMPARE(m_form->label(u"Genres_Label_Center"_qs)->text(), u"Kids"_qs);
    QCOMPARE(m_form->label(u"Genres_Label_ShowAnyOf"_qs)->text(), u"Match Any Of These Category"_qs);
    QCOMPARE(m_form->label(u"Genres_Label_ShowALL"_qs)->text(), u"Show ALL Categories"_qs);
    QCOMPARE(m_form->image(u"Cats_Image_CheckBox1"_qs)->pos(), QPointF(556, 22));
    for (int i = 0; i < 4; ++i)
        QVERIFY(!m_form->image(u"Genres_Image_CheckBox%1"_qs.arg(i))->isShown());

    press(*m_form, Qt::Key_Up); // show-all -> Kids
    press(*m_form, Qt::Key_Return);
    press(*m_form, Qt::Key_Down); // -> any-of
    press(*m_form, Qt::Key_Return);
    QCOMPARE(m_form->Filter.CatMode, u"ShowAnyOf"_qs);
    QCOMPARE(m_form->ViewList.size(), 1);
    QCOMPARE(m_form->Titles.Title.at(m_form->ViewList.at(0)).Title, u"Alpha"_qs);
    // The genre filter is a separate state.
    QVERIFY(m_form->Filter.SelectedGenres.isEmpty());
}

void TestMenus::gridMenusNeedEntries()
{
    openForm(0);
    tTitles withoutCats = m_form->Titles;
    withoutCats.MyCats.clear();
    m_form->collection().setTitles(withoutCats, false);
    m_form->ScreenMode = smIconBar;
    m_form->OpenIconMenu(4);
    QCOMPARE(m_form->ScreenMode, smIconBar);
    m_form->OpenIconMenu(5);
    QCOMPARE(m_form->ScreenMode, smIconBar);
    QVERIFY(!m_form->image(u"ImageGenresBackground"_qs)->isShown());
}

// ---------------------------------------------------------------- Backspace

void TestMenus::backspaceLeavesMenusOpen_data()
{
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("panel");
    QTest::newRow("media type") << 2 << u"ImageMediaTypeBackground"_qs;
    QTest::newRow("genres") << 4 << u"ImageGenresBackground"_qs;
    QTest::newRow("categories") << 5 << u"ImageGenresBackground"_qs;
    QTest::newRow("sort") << 6 << u"ImageSortBackground"_qs;
}

void TestMenus::backspaceLeavesMenusOpen()
{
    QFETCH(int, icon);
    QFETCH(QString, panel);
    openForm();
    m_form->OpenIconMenu(icon);
    const tScreenMode mode = m_form->ScreenMode;
    press(*m_form, Qt::Key_Backspace);
    QCOMPARE(m_form->ScreenMode, mode);
    QVERIFY(m_form->image(panel)->isShown());
}

// ---------------------------------------------------------------- exit menu

void TestMenus::exitCursor_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");
    QTest::newRow("up from exit to reboot") << 1 << int(Qt::Key_Up) << 0;
    QTest::newRow("up on reboot stays") << 0 << int(Qt::Key_Up) << 0;
    QTest::newRow("down from exit to cancel") << 1 << int(Qt::Key_Down) << 2;
    QTest::newRow("down on cancel stays") << 2 << int(Qt::Key_Down) << 2;
    QTest::newRow("left does nothing") << 1 << int(Qt::Key_Left) << 1;
}

void TestMenus::exitCursor()
{
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, expected);
    openForm();
    m_form->ScreenMode = smIconBar;
    m_form->OpenIconMenu(10);
    QCOMPARE(m_form->ScreenMode, smExitMenu);
    QCOMPARE(m_form->menus().ExitCursor, 1);
    m_form->menus().ExitCursor = start;
    m_form->menus().ShowExit();
    press(*m_form, Qt::Key(key));
    QCOMPARE(m_form->menus().ExitCursor, expected);
    const QStringList labels = {u"Exit_Label0_Reboot"_qs, u"Exit_Label1_Exit"_qs, u"Exit_Label2_Cancel"_qs};
    for (int i = 0; i < 3; ++i)
        QCOMPARE(isWhite(m_form->label(labels.at(i))), i == expected);
    QVERIFY(m_form->image(u"ImageExitOptions"_qs)->isShown());
}

void TestMenus::exitChoice_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<bool>("refuseReboot");
    QTest::addColumn<int>("reboots");
    QTest::addColumn<int>("ends");
    QTest::addColumn<int>("expectedMode");
    QTest::addColumn<bool>("errorShown");
    const int U = Qt::Key_Up, D = Qt::Key_Down, E = Qt::Key_Return, B = Qt::Key_Backspace;
    QTest::newRow("exit ends the program") << QList<int>{E} << false << 0 << 1 << int(smExitMenu) << false;
    QTest::newRow("reboot restarts, then ends") << QList<int>{U, E} << false << 1 << 1 << int(smExitMenu) << false;
    QTest::newRow("a refused reboot is reported and the program goes on")
        << QList<int>{U, E} << true << 1 << 0 << int(smExitMenu) << true;
    QTest::newRow("cancel closes the menu") << QList<int>{D, E} << false << 0 << 0 << int(smIconBar) << false;
    QTest::newRow("backspace closes the menu") << QList<int>{B} << false << 0 << 0 << int(smIconBar) << false;
}

void TestMenus::exitChoice()
{
    QFETCH(QList<int>, keys);
    QFETCH(bool, refuseReboot);
    QFETCH(int, reboots);
    QFETCH(int, ends);
    QFETCH(int, expectedMode);
    QFETCH(bool, errorShown);
    openForm();
    if (refuseReboot)
        m_power->refusal = u"Cannot restart the computer: not authorised"_qs;
    m_form->ScreenMode = smIconBar;
    m_form->OpenIconMenu(10);
    messages::TakeShown();
    for (int key : keys)
        press(*m_form, Qt::Key(key));
    QCOMPARE(m_power->reboots, reboots);
    QCOMPARE(m_power->ends, ends);
    QCOMPARE(int(m_form->ScreenMode), expectedMode);
    QCOMPARE(m_form->image(u"ImageExitOptions"_qs)->isShown(), expectedMode == smExitMenu);
    const QStringList shown = messages::TakeShown();
    QCOMPARE(!shown.isEmpty(), errorShown);
    if (errorShown)
        QVERIFY(shown.join(u'\n').contains(u"not authorised"_qs));
}

void TestMenus::systemEndProgramQuitsEventLoop()
{
    // The real program end leaves the application's event loop, after which
    // the window is destroyed and its destruction work runs.
    const std::unique_ptr<PowerControl> power = MakeSystemPowerControl();
    bool timedOut = false;
    QTimer::singleShot(0, [&power] { power->EndProgram(); });
    QTimer::singleShot(10000, [&timedOut] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!timedOut);
}

QTEST_MAIN(TestMenus)
// ---------------------------------------------------------------- script driver

// The script driver's state carries the menus' cursors, and each of its
// screenshots shows the cursor where it is, although only the entries'
// colours change and the window's view has drawn them first.
void TestMenus::scriptShotsFollowTheCursor()
{
    openForm();
    m_form->OpenIconMenu(6);
    QTemporaryDir out;
    QString error;
    QVERIFY2(WriteScreenState(*m_form, out.path(), u"-1"_qs, &error), qPrintable(error));
    QVERIFY(SendScriptKey(*m_form, u"Down"_qs));
    QVERIFY2(WriteScreenState(*m_form, out.path(), u"-2"_qs, &error), qPrintable(error));

    QFile json(QDir(out.path()).filePath(u"state-2.json"_qs));
    QVERIFY(json.open(QIODevice::ReadOnly));
    const QJsonObject state = QJsonDocument::fromJson(json.readAll()).object();
    QCOMPARE(state.value(u"ScreenMode"_qs).toInt(), int(smSortMenu));
    QCOMPARE(state.value(u"SortCursor"_qs).toInt(), 2);
    for (const QString &field : {u"MediaTypeCursor"_qs, u"GenreCursor"_qs, u"CatCursor"_qs, u"ExitCursor"_qs,
                                 u"GenreMode"_qs, u"SelectedGenres"_qs, u"CatMode"_qs, u"SelectedCats"_qs})
        QVERIFY2(state.contains(field), qPrintable(field));

    LabelElement *byTitle = m_form->label(kSortLabels.at(0));
    LabelElement *byStars = m_form->label(kSortLabels.at(1));
    const QImage before(QDir(out.path()).filePath(u"screen-1.png"_qs));
    const QImage after(QDir(out.path()).filePath(u"screen-2.png"_qs));
    QVERIFY(textPixels(before, byTitle).white > 20);
    QCOMPARE(textPixels(before, byStars).white, 0);
    QCOMPARE(textPixels(after, byTitle).white, 0);
    QVERIFY(textPixels(after, byTitle).skyBlue > 20);
    QVERIFY(textPixels(after, byStars).white > 20);
}

#include "tst_menus.moc"
