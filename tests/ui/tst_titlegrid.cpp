// The title grids. The rules first, without a window: selection moves, the
// row layout with its folded rows and the animation frames, finding a person
// among actors and crew, and the grid's order for each sort. Then the real
// window with real key events: the box-set grid from the carousel (moves,
// folding and unfolding with 13 titles, an empty box set, Play, Enter into
// the fan-art view and back through a cover zoom, a watched mark made there)
// and the person grid from the fan-art view's cast + crew page.

#include "app/collection.h"
#include "app/config.h"
#include "app/tform1.h"
#include "play/playscreen.h"
#include "tests/ui/windowfixture.h"
#include "ui/carousel.h"
#include "ui/elements.h"
#include "ui/fanartview.h"
#include "ui/messages.h"
#include "ui/scene.h"
#include "ui/titlegrid.h"
#include "ui/viewlist.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

using Arrow = TitleGrid::Arrow;

// Keys by name; "Right*5" presses Right five times.
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

tTitle plainTitle(const QString &id, const QString &name)
{
    tTitle t;
    t.ID = id;
    t.Title = name;
    t.SortTitle = name;
    t.MediaType = mtMovie;
    return t;
}

// "id:Name" items; the rest of each title is left empty.
tTitles titlesNamed(const QStringList &items)
{
    tTitles titles;
    for (const QString &item : items) {
        const qsizetype colon = item.indexOf(u':');
        titles.Title.append(plainTitle(item.left(colon), item.mid(colon + 1)));
    }
    return titles;
}

// The largest difference of one colour channel between two pictures of the
// same size.
int largestDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    int largest = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const QRgb *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            largest = std::max({largest, std::abs(qRed(p[col]) - qRed(q[col])), std::abs(qGreen(p[col]) - qGreen(q[col])),
                                std::abs(qBlue(p[col]) - qBlue(q[col]))});
    }
    return largest;
}

QStringList idsOf(const tTitles &titles, const QList<qint32> &indices)
{
    QStringList ids;
    for (qint32 i : indices)
        ids << titles.Title.at(i).ID;
    return ids;
}

} // namespace

class TestTitleGrid : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    // ---- rules
    void moves_data();
    void moves();
    void restingLayout_data();
    void restingLayout();
    void animationFrames_data();
    void animationFrames();
    void personMatching_data();
    void personMatching();
    void gridOrder_data();
    void gridOrder();
    void descendingKeepsCaseSensitiveOrder();

    // ---- the window
    void boxSetKeys_data();
    void boxSetKeys();
    void thirteenTitlesFoldAndUnfold();
    void emptyBoxSet();
    void playKeyPlaysTheSelectedTitle();
    void boxSetClosesToTheCarouselRow_data();
    void boxSetClosesToTheCarouselRow();
    void coverZoomFromBoxSetReturnsToTheGrid();
    void watchedMarkFollowsIntoTheGrid();
    void personGrid();
    void personGridBackspaceReturnsToFanArtView();
    void coversArriveAfterTheFirstFrame();

private:
    // A window on a fresh program folder whose collection is `list`, with a
    // cover and a fan-art file for every title that names one.
    void openWindow(const QList<tTitle> &list);
    // A box set "BS" with `children` titles "Part 01", "Part 02", ... and one
    // more title after it, and with `onRowB` one before it.
    void openBoxSet(int children, bool onRowB = false);
    tTitle artTitle(const QString &id, const QString &name, int seed) const;
    TitleGrid &grid() { return *m_form->screen<TitleGrid>(); }
    QSizeF coverSize() { return {qreal(m_form->carousel().profiles().profile().Width),
                                 qreal(m_form->carousel().profiles().profile().Height)}; }
    LabelElement *label(const QString &name) { return m_form->scene().label(name); }
    ImageElement *image(const QString &name) { return m_form->scene().image(name); }
    void waitForAnimation() { QTRY_VERIFY(!grid().isAnimating()); }
    QStringList gridIds();

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<TForm1> m_form;
};

void TestTitleGrid::initTestCase()
{
    messages::SetHeadless(true);
}

void TestTitleGrid::init()
{
    makeWindowHome(m_home);
    tSettings s;
    s.ScreenSaver = false;
    s.ShowHelp = false;
    QString error;
    QVERIFY2(SaveConfig(s, m_home->path() + u'/', &error), qPrintable(error));
    messages::TakeShown();
}

void TestTitleGrid::cleanup()
{
    m_form.reset();
    WaitForDatabaseWriter();
    m_home.reset();
}

// ---------------------------------------------------------------- rules

void TestTitleGrid::moves_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("arrow");
    QTest::addColumn<int>("expected");

    QTest::newRow("Right from the end of a row goes to the next row") << 13 << 5 << int(Arrow::Right) << 6;
    QTest::newRow("Right on the last entry stays") << 13 << 12 << int(Arrow::Right) << 12;
    QTest::newRow("Left from the start of a row goes to the row above") << 13 << 6 << int(Arrow::Left) << 5;
    QTest::newRow("Left on the first entry stays") << 13 << 0 << int(Arrow::Left) << 0;
    QTest::newRow("Up from the first row stays") << 13 << 4 << int(Arrow::Up) << 4;
    QTest::newRow("Up goes to the same column") << 13 << 7 << int(Arrow::Up) << 1;
    QTest::newRow("Down to an entry that exists") << 13 << 6 << int(Arrow::Down) << 12;
    QTest::newRow("Down below the last row stays") << 13 << 7 << int(Arrow::Down) << 7;
    QTest::newRow("Down onto a short last row's gap stays") << 8 << 3 << int(Arrow::Down) << 3;
    QTest::newRow("one entry: Right stays") << 1 << 0 << int(Arrow::Right) << 0;
    QTest::newRow("empty list: nothing moves") << 0 << -1 << int(Arrow::Right) << -1;
}

void TestTitleGrid::moves()
{
    QFETCH(int, count);
    QFETCH(int, index);
    QFETCH(int, arrow);
    QFETCH(int, expected);
    QCOMPARE(TitleGrid::Move(index, count, Arrow(arrow)), expected);
}

void TestTitleGrid::restingLayout_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("topRow");
    // The tops of rows 0 to 3 with the selection resting at `index`.
    QTest::addColumn<QList<qreal>>("rowTops");

    // Cover 245 x 343: a row with its gap is 363 px, a folded row 10 px.
    QTest::newRow("first row: nothing folded") << 0 << 0 << QList<qreal>{100, 463, 826, 1189};
    QTest::newRow("second row: nothing folded") << 11 << 0 << QList<qreal>{100, 463, 826, 1189};
    QTest::newRow("third row: the first row folded") << 12 << 1 << QList<qreal>{100, 110, 473, 836};
    QTest::newRow("fourth row: two rows folded") << 18 << 2 << QList<qreal>{100, 110, 120, 483};
}

void TestTitleGrid::restingLayout()
{
    QFETCH(int, index);
    QFETCH(int, topRow);
    QFETCH(QList<qreal>, rowTops);
    const QSizeF cover(245, 343);
    QCOMPARE(TitleGrid::TopRowFor(index), topRow);
    QCOMPARE(TitleGrid::FirstColumnX(cover.width()), 175.0);
    for (int row = 0; row < rowTops.size(); ++row) {
        QCOMPARE(TitleGrid::RowY(row, topRow, cover.height()), rowTops.at(row));
        // A cover that is not selected fills its cell.
        const int entry = row * TitleGrid::kColumns + 2;
        if (entry != index)
            QCOMPARE(TitleGrid::FrameRect(entry, 10, index, -1, topRow, cover),
                     QRectF(175 + 2 * 265, rowTops.at(row), 245, 343));
    }
    // The selected cover rests at 1.5 times its size in whole pixels,
    // centred on its cell.
    const QRectF cell(175 + (index % 6) * 265, rowTops.at(index / 6), 245, 343);
    QCOMPARE(TitleGrid::FrameRect(index, 10, index, -1, topRow, cover),
             QRectF(cell.x() - 62, cell.y() - 86, 368, 515));
}

void TestTitleGrid::animationFrames_data()
{
    QTest::addColumn<int>("previous");
    QTest::addColumn<int>("index");
    // The frame at step 6 (the third of five): the top of the previous
    // cover's row and of the selected cover's row, and both covers' scale.
    QTest::addColumn<qreal>("previousRowTop");
    QTest::addColumn<qreal>("indexRowTop");
    QTest::addColumn<qreal>("previousScale");
    QTest::addColumn<qreal>("indexScale");

    // (343 + 10) x 6 / 10 = 211.8, so 212 px of the fold are done at step 6.
    QTest::newRow("11 to 12 folds the second row up") << 11 << 12 << 463.0 - 212 << 826.0 - 212 << 1.2 << 1.3;
    QTest::newRow("12 to 11 unfolds it again") << 12 << 11 << 473.0 + 212 << 110.0 + 212 << 1.2 << 1.3;
    QTest::newRow("5 to 6 moves down without folding") << 5 << 6 << 100.0 << 463.0 << 1.2 << 1.3;
    QTest::newRow("7 to 8 stays in the row") << 7 << 8 << 463.0 << 463.0 << 1.2 << 1.3;
    QTest::newRow("18 to 12 unfolds the second row") << 18 << 12 << 483.0 + 212 << 120.0 + 212 << 1.2 << 1.3;
}

void TestTitleGrid::animationFrames()
{
    QFETCH(int, previous);
    QFETCH(int, index);
    QFETCH(qreal, previousRowTop);
    QFETCH(qreal, indexRowTop);
    QFETCH(qreal, previousScale);
    QFETCH(qreal, indexScale);
    const QSizeF cover(245, 343);
    const int topRow = TitleGrid::TopRowFor(previous);

    // A row's top, from a cover of the row that is not animated.
    const auto rowTop = [&](int entry, int step) {
        const int first = entry - entry % 6;
        int other = first;
        while (other == index || other == previous)
            ++other;
        return TitleGrid::FrameRect(other, step, index, previous, topRow, cover).y();
    };
    QCOMPARE(rowTop(previous, 6), previousRowTop);
    QCOMPARE(rowTop(index, 6), indexRowTop);
    const QRectF previousCover = TitleGrid::FrameRect(previous, 6, index, previous, topRow, cover);
    const QRectF indexCover = TitleGrid::FrameRect(index, 6, index, previous, topRow, cover);
    QCOMPARE(previousCover.size(), QSizeF(qRound(245 * previousScale), qRound(343 * previousScale)));
    QCOMPARE(indexCover.size(), QSizeF(qRound(245 * indexScale), qRound(343 * indexScale)));
    // Both centred on their cells, to half a pixel.
    QVERIFY(qAbs(previousCover.center().y() - (previousRowTop + 171.5)) <= 0.5);
    QVERIFY(qAbs(indexCover.center().y() - (indexRowTop + 171.5)) <= 0.5);

    // The last frame is the resting layout of the new selection, for every
    // cover of a 30-title grid.
    const int newTopRow = TitleGrid::TopRowFor(index);
    for (int entry = 0; entry < 30; ++entry)
        QCOMPARE(TitleGrid::FrameRect(entry, 10, index, previous, topRow, cover),
                 TitleGrid::FrameRect(entry, 10, index, -1, newTopRow, cover));
}

void TestTitleGrid::personMatching_data()
{
    QTest::addColumn<QString>("person");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("an actor") << u"Anna Berg"_qs << QStringList{u"A"_qs, u"B"_qs};
    QTest::newRow("a part of a longer name, other letter case")
        << u"anna"_qs << QStringList{u"A"_qs, u"B"_qs, u"C"_qs, u"F"_qs};
    QTest::newRow("only as Sound") << u"Sam Sound"_qs << QStringList{u"D"_qs};
    QTest::newRow("only as Art, upper case") << u"ART PERSON"_qs << QStringList{u"E"_qs};
    QTest::newRow("crew lists of every kind")
        << u"Crew"_qs << QStringList{u"A"_qs, u"B"_qs, u"C"_qs, u"D"_qs, u"E"_qs, u"F"_qs};
    QTest::newRow("no match across two names") << u"Berg,Cara"_qs << QStringList{};
    QTest::newRow("a name with a comma in it") << u"Davis, Jr."_qs << QStringList{u"F"_qs};
    QTest::newRow("non-ASCII letters in any case") << u"ÅSA ÖBERG"_qs << QStringList{u"C"_qs};
    QTest::newRow("nobody") << u"Nobody Here"_qs << QStringList{};
    QTest::newRow("an empty name names nobody") << QString() << QStringList{};
}

void TestTitleGrid::personMatching()
{
    QFETCH(QString, person);
    QFETCH(QStringList, expected);

    tTitles titles = titlesNamed({u"A:One"_qs, u"B:Two"_qs, u"C:Three"_qs, u"D:Four"_qs, u"E:Five"_qs,
                                  u"F:Six"_qs, u"G:Seven"_qs});
    QList<tTitle> &t = titles.Title;
    t[0].Actors = {{u"Anna Berg"_qs, u"Lead"_qs}, {u"Cara Dunn"_qs, u"Friend"_qs}};
    t[0].Crew.Director = {u"Dir Crew"_qs};
    t[1].Crew.Writer = {u"Anna Berg"_qs, u"Writer Crew"_qs};
    t[2].Actors = {{u"Joanna Lind"_qs, {}}, {u"Åsa Öberg"_qs, {}}};
    t[2].Crew.Producer = {u"Producer Crew"_qs};
    t[3].Crew.Sound = {u"Sam Sound"_qs, u"Sound Crew"_qs};
    t[4].Crew.Art = {u"Art Person"_qs};
    t[4].Crew.Cinematography = {u"Camera Crew"_qs};
    t[5].Crew.Editor = {u"Hanna Cut"_qs};
    t[5].Crew.Music = {u"Davis, Jr."_qs, u"Music Crew"_qs};
    t[6].Description = u"Anna Berg is not in the cast of this one."_qs;

    const ViewListIndex index(titles);
    QCOMPARE(idsOf(titles, index.titlesWithPerson(person)), expected);
    // The index gives what the plain rule gives.
    QStringList plain;
    for (const tTitle &title : t)
        if (TitleHasPerson(title, person))
            plain << title.ID;
    QCOMPARE(plain, expected);
}

void TestTitleGrid::gridOrder_data()
{
    QTest::addColumn<int>("sort");
    QTest::addColumn<QStringList>("expected");

    // A: "beta" 7 stars 95 min 1999, B: "Alpha" 10 stars 120 min 999,
    // C: "gamma" 7 stars 1000 min 2005.
    QTest::newRow("title ascending, letter case ignored") << int(SortTitleAsc) << QStringList{u"B"_qs, u"A"_qs, u"C"_qs};
    QTest::newRow("title descending") << int(SortTitleDes) << QStringList{u"C"_qs, u"A"_qs, u"B"_qs};
    QTest::newRow("stars ascending, ties in collection order")
        << int(SortStarsAsc) << QStringList{u"A"_qs, u"C"_qs, u"B"_qs};
    QTest::newRow("runtime descending, four digits") << int(SortRuntimeDes) << QStringList{u"C"_qs, u"B"_qs, u"A"_qs};
    QTest::newRow("production year ascending as text: 999 after 1999")
        << int(SortProdYearAsc) << QStringList{u"A"_qs, u"C"_qs, u"B"_qs};
}

void TestTitleGrid::gridOrder()
{
    QFETCH(int, sort);
    QFETCH(QStringList, expected);
    tTitles titles = titlesNamed({u"A:beta"_qs, u"B:Alpha"_qs, u"C:gamma"_qs});
    const int stars[] = {7, 10, 7};
    const int runtimes[] = {95, 120, 1000};
    const int years[] = {1999, 999, 2005};
    for (int i = 0; i < 3; ++i) {
        tTitle &t = titles.Title[i];
        t.Stars = stars[i];
        t.Runtime = runtimes[i];
        t.Year = years[i];
        t.Actors = {{u"Someone"_qs, {}}};
    }
    const ViewListIndex index(titles);
    QCOMPARE(idsOf(titles, index.sorted(index.titlesWithPerson(u"someone"_qs), tSort(sort))), expected);
}

void TestTitleGrid::descendingKeepsCaseSensitiveOrder()
{
    // Titles that differ only in letter case: ascending treats them as equal
    // (collection order stays), descending orders them by case, whichever
    // comes first in the collection.
    const tTitles lowerFirst = titlesNamed({u"a:alien"_qs, u"A:Alien"_qs, u"b:Brazil"_qs});
    const tTitles upperFirst = titlesNamed({u"A:Alien"_qs, u"a:alien"_qs, u"b:Brazil"_qs});
    const auto order = [](const tTitles &titles, tSort sort) {
        const ViewListIndex index(titles);
        return idsOf(titles, index.sorted({0, 1, 2}, sort));
    };
    QCOMPARE(order(lowerFirst, SortTitleAsc), (QStringList{u"a"_qs, u"A"_qs, u"b"_qs}));
    QCOMPARE(order(upperFirst, SortTitleAsc), (QStringList{u"A"_qs, u"a"_qs, u"b"_qs}));
    const QStringList descending = order(lowerFirst, SortTitleDes);
    QCOMPARE(descending.first(), u"b"_qs);
    QCOMPARE(order(upperFirst, SortTitleDes), descending);
}

// ---------------------------------------------------------------- the window

tTitle TestTitleGrid::artTitle(const QString &id, const QString &name, int seed) const
{
    tTitle t = plainTitle(id, name);
    t.Year = 1990 + seed;
    t.Runtime = 90 + seed;
    t.Stars = seed % 11;
    t.Rated = u"PG"_qs;
    t.Directory = QDir(m_home->path()).filePath(u"Movies/"_qs + id);
    t.ImgFolder = u"folder.jpg"_qs;
    t.ImgFanArt = u"fanart.jpg"_qs;
    t.ImgCoverBack = u"back.jpg"_qs;
    t.Online = true;
    tDiscInfo disc;
    disc.Loc = t.Directory + u"/VIDEO_TS"_qs;
    disc.Name = u"Disc 1"_qs;
    t.DiscInfo = {disc};
    return t;
}

void TestTitleGrid::openWindow(const QList<tTitle> &list)
{
    int seed = 0;
    for (const tTitle &t : list) {
        if (t.Directory.isEmpty())
            continue;
        QVERIFY(QDir().mkpath(t.Directory));
        writePicture(QDir(t.Directory).filePath(u"folder.jpg"_qs), {100, 140}, seed);
        writePicture(QDir(t.Directory).filePath(u"back.jpg"_qs), {140, 100}, seed + 5);
        writePicture(QDir(t.Directory).filePath(u"fanart.jpg"_qs), {160, 90}, seed + 3);
        ++seed;
    }
    m_form = std::make_unique<TForm1>();
    showAndWait(*m_form);
    TForm1 &f = *m_form;
    tTitles all;
    all.Title = list;
    f.collection().setTitles(all, true);
    f.SortItems();
}

void TestTitleGrid::openBoxSet(int children, bool onRowB)
{
    QList<tTitle> list;
    tTitle parent = artTitle(u"BS"_qs, u"A Box Set"_qs, 0);
    parent.SeriesBoxSetParent = true;
    list << parent << artTitle(u"Z"_qs, u"Zulu"_qs, 1);
    if (onRowB)
        list << artTitle(u"F"_qs, u"0 First"_qs, 2);
    // Children in reverse collection order: the grid sorts them by title.
    for (int i = children; i >= 1; --i) {
        tTitle child = artTitle(u"P%1"_qs.arg(i, 2, 10, QChar(u'0')), u"Part %1"_qs.arg(i, 2, 10, QChar(u'0')), i + 1);
        child.PID = u"BS"_qs;
        child.SeriesBoxSetChild = true;
        list << child;
    }
    openWindow(list);
    QCOMPARE(m_form->ScreenMode, smRowA);
    QCOMPARE(m_form->Titles.Title.at(m_form->FocusTitle).ID, onRowB ? u"F"_qs : u"BS"_qs);
}

QStringList TestTitleGrid::gridIds()
{
    return idsOf(m_form->Titles, grid().entries());
}

void TestTitleGrid::boxSetKeys_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("previous");
    QTest::addColumn<int>("topRow");

    QTest::newRow("opening selects the first title") << QString() << 0 << 0 << 0;
    QTest::newRow("Right from the end of a row") << u"Right*6"_qs << 6 << 5 << 0;
    QTest::newRow("Right at the last entry does nothing") << u"Right*20"_qs << 13 << 12 << 1;
    QTest::newRow("Down twice folds the first row") << u"Down Down"_qs << 12 << 6 << 1;
    QTest::newRow("Down below the last row does nothing") << u"Right*3 Down Down Down"_qs << 9 << 3 << 0;
    QTest::newRow("Up back to the first row") << u"Down Up"_qs << 0 << 6 << 0;
    QTest::newRow("Left at the first entry does nothing") << u"Left"_qs << 0 << 0 << 0;
    QTest::newRow("Escape and Star do nothing") << u"Right Escape Star"_qs << 1 << 0 << 0;
}

void TestTitleGrid::boxSetKeys()
{
    QFETCH(QString, keys);
    QFETCH(int, index);
    QFETCH(int, previous);
    QFETCH(int, topRow);
    openBoxSet(14);
    TForm1 &f = *m_form;
    pressKeys(&f, u"Enter"_qs);
    QCOMPARE(f.ScreenMode, smBoxSetTitles);
    QCOMPARE(f.FanArtTitle, 0);
    QCOMPARE(f.FanArtReturnState, smRowA);
    QCOMPARE(gridIds().size(), 14);
    QCOMPARE(gridIds().first(), u"P01"_qs);
    QCOMPARE(gridIds().last(), u"P14"_qs);
    QCOMPARE(label(u"ActorCrewDetail_Label_Name"_qs)->text(), u"A Box Set"_qs);
    QVERIFY(image(u"FanArt_Image_ActorCrewDetail"_qs)->isVisible());
    QVERIFY(image(u"ImageFanArtBackground"_qs)->isVisible());

    pressKeys(&f, keys);
    waitForAnimation();
    QCOMPARE(f.GridIndex, index);
    QCOMPARE(grid().GridPrevious(), previous);
    QCOMPARE(grid().GridTopRow(), topRow);
    QCOMPARE(f.ScreenMode, smBoxSetTitles);
    const tTitle &selected = f.Titles.Title.at(grid().entries().at(index));
    QCOMPARE(label(u"ActorCrewDetail_Label_Title"_qs)->text(), selected.Title);
    QCOMPARE(label(u"ActorCrewDetail_Label_Year"_qs)->text(), QString::number(selected.Year));
    QCOMPARE(label(u"ActorCrewDetail_Label_Runtime"_qs)->text(), u"%1 min"_qs.arg(selected.Runtime));
    QCOMPARE(label(u"ActorCrewDetail_Label_TitleNum"_qs)->text(), QString::number(index + 1));
    QCOMPARE(label(u"ActorCrewDetail_Label_TotalTitles"_qs)->text(), u"| 14"_qs);
    QCOMPARE(image(u"ActorCrewDetail_Image_Stars"_qs)->pictureName(), u"PngStars%1_White"_qs.arg(selected.Stars));
    QCOMPARE(image(u"ActorCrewDetail_Image_Rating"_qs)->pictureName(), u"PngRatedPG_White"_qs);

    // Every cover stands where the resting layout puts it, the selected one
    // enlarged and in front.
    const QSizeF size = coverSize();
    for (int entry = 0; entry < 14; ++entry)
        QCOMPARE(grid().cover(entry)->surfaceGeometry(),
                 TitleGrid::FrameRect(entry, 10, index, -1, topRow, size));
}

void TestTitleGrid::thirteenTitlesFoldAndUnfold()
{
    openBoxSet(13);
    TForm1 &f = *m_form;
    const qreal h = coverSize().height();
    // The top of an entry's cell (an enlarged cover is centred on it to
    // half a pixel).
    const auto rowTop = [&](int entry) {
        const QRectF r = grid().cover(entry)->surfaceGeometry();
        return qreal(qRound(r.center().y() - h / 2));
    };
    pressKeys(&f, u"Enter Right*11"_qs);
    waitForAnimation();
    QCOMPARE(f.GridIndex, 11);
    QCOMPARE(grid().GridTopRow(), 0);
    QCOMPARE(rowTop(0), 100.0);
    QCOMPARE(rowTop(6), 100 + h + 20);

    // 11 to 12: the first row folds into the stack at the top.
    pressKeys(&f, u"Right"_qs);
    QVERIFY(grid().isAnimating());
    waitForAnimation();
    QCOMPARE(f.GridIndex, 12);
    QCOMPARE(grid().GridTopRow(), 1);
    QCOMPARE(rowTop(0), 100.0);
    QCOMPARE(rowTop(6), 110.0);
    QCOMPARE(rowTop(12), 110 + h + 20);
    QCOMPARE(label(u"ActorCrewDetail_Label_TitleNum"_qs)->text(), u"13"_qs);

    // And back: it unfolds.
    pressKeys(&f, u"Left"_qs);
    waitForAnimation();
    QCOMPARE(f.GridIndex, 11);
    QCOMPARE(grid().GridPrevious(), 12);
    QCOMPARE(grid().GridTopRow(), 0);
    QCOMPARE(rowTop(6), 100 + h + 20);
    QCOMPARE(grid().cover(12)->surfaceGeometry().size(), coverSize());
    QCOMPARE(grid().cover(11)->surfaceGeometry().size(),
             QSizeF(qRound(coverSize().width() * 1.5), qRound(coverSize().height() * 1.5)));
}

void TestTitleGrid::emptyBoxSet()
{
    openBoxSet(0);
    TForm1 &f = *m_form;
    pressKeys(&f, u"Enter"_qs);
    QCOMPARE(f.ScreenMode, smBoxSetTitles);
    QCOMPARE(f.GridIndex, -1);
    QVERIFY(grid().entries().isEmpty());
    QCOMPARE(label(u"ActorCrewDetail_Label_Title"_qs)->text(), u"Empty Box Set"_qs);
    QCOMPARE(label(u"ActorCrewDetail_Label_Year"_qs)->text(), QString());
    QCOMPARE(label(u"ActorCrewDetail_Label_Runtime"_qs)->text(), QString());
    QCOMPARE(label(u"ActorCrewDetail_Label_TitleNum"_qs)->text(), u"0"_qs);
    QCOMPARE(label(u"ActorCrewDetail_Label_TotalTitles"_qs)->text(), u"| 0"_qs);
    QCOMPARE(image(u"ActorCrewDetail_Image_Stars"_qs)->pictureName(), u"PngStars0_White"_qs);
    QCOMPARE(image(u"ActorCrewDetail_Image_Rating"_qs)->pictureName(), u"PngRatedUnrated_White"_qs);

    // Moves, Enter and Play do nothing on an empty list.
    pressKeys(&f, u"Right Down Left Up Enter Play"_qs);
    QCOMPARE(f.ScreenMode, smBoxSetTitles);
    QCOMPARE(f.GridIndex, -1);
    QVERIFY(!label(u"LabelProcessing"_qs)->isShown());

    pressKeys(&f, u"Backspace"_qs);
    QCOMPARE(f.ScreenMode, smRowA);
    QCOMPARE(f.GridIndex, -1);
    QCOMPARE(f.FanArtTitle, -1);
}

void TestTitleGrid::playKeyPlaysTheSelectedTitle()
{
    openBoxSet(3);
    TForm1 &f = *m_form;
    f.screen<PlayScreen>()->setHoldMs(50);
    pressKeys(&f, u"Enter Right Right"_qs);
    waitForAnimation();
    const QImage before = f.scene().renderSurface();
    // The test titles' discs do not exist: the launch stops at the check
    // for the selected title's disc and says so.
    pressKeys(&f, u"Play"_qs);
    QVERIFY(label(u"LabelProcessing"_qs)->isShown());
    QVERIFY2(label(u"LabelProcessingStatus"_qs)->text().contains(u"/Movies/P03/"_qs),
             qPrintable(label(u"LabelProcessingStatus"_qs)->text()));
    // The message is seen over the grid in full contrast, not dimmed under it.
    const QRect heading = label(u"LabelProcessing"_qs)->surfaceGeometry().toRect();
    QCOMPARE_GT(largestDifference(f.scene().renderSurface().copy(heading), before.copy(heading)), 128);
    // The grid is back when the launch is over.
    QTRY_COMPARE(f.ScreenMode, smBoxSetTitles);
    QCOMPARE(f.GridIndex, 2);
    QVERIFY(image(u"FanArt_Image_ActorCrewDetail"_qs)->isVisible());
}

void TestTitleGrid::boxSetClosesToTheCarouselRow_data()
{
    QTest::addColumn<bool>("onRowB");
    QTest::newRow("box set on row A") << false;
    QTest::newRow("box set on row B") << true;
}

void TestTitleGrid::boxSetClosesToTheCarouselRow()
{
    QFETCH(bool, onRowB);
    openBoxSet(3, onRowB);
    TForm1 &f = *m_form;
    const tScreenMode row = onRowB ? smRowB : smRowA;
    if (onRowB)
        pressKeys(&f, u"Down"_qs);
    QCOMPARE(f.ScreenMode, row);
    QCOMPARE(f.Titles.Title.at(f.FocusTitle).ID, u"BS"_qs);
    pressKeys(&f, u"Enter Right"_qs);
    QCOMPARE(f.ScreenMode, smBoxSetTitles);
    pressKeys(&f, u"Backspace"_qs);
    QCOMPARE(f.ScreenMode, row);
    QCOMPARE(f.FanArtTitle, -1);
    QCOMPARE(f.GridIndex, -1);
    QCOMPARE(f.Titles.Title.at(f.FocusTitle).ID, u"BS"_qs);
    QVERIFY(grid().entries().isEmpty());
    QVERIFY(!image(u"FanArt_Image_ActorCrewDetail"_qs)->isVisible());
    QVERIFY(!image(u"ImageFanArtBackground"_qs)->isVisible());
    // The carousel's keys act again.
    pressKeys(&f, u"Up"_qs);
    QCOMPARE(f.ScreenMode, onRowB ? smRowA : smIconBar);
}

void TestTitleGrid::coverZoomFromBoxSetReturnsToTheGrid()
{
    openBoxSet(3);
    TForm1 &f = *m_form;
    pressKeys(&f, u"Enter Right"_qs);
    waitForAnimation();
    const QRectF selected = grid().cover(1)->surfaceGeometry();

    pressKeys(&f, u"Enter"_qs);
    QCOMPARE(f.ScreenMode, smBoxSetFanArt);
    const tTitle &shown = f.Titles.Title.at(f.FanArtTitle);
    QCOMPARE(shown.ID, u"P02"_qs);
    QCOMPARE(f.GridIndex, 1);
    QVERIFY(!image(u"FanArt_Image_ActorCrewDetail"_qs)->isVisible());
    // The title's own fan art, not the box set's that the grid showed.
    QCOMPARE(QDir::cleanPath(image(u"ImageFanArtBackground"_qs)->pictureName()),
             QDir::cleanPath(QDir(shown.Directory).filePath(shown.ImgFanArt)));

    // The back cover enlarged, closed again, then back to the grid.
    pressKeys(&f, u"Down Right Right Enter"_qs);
    QCOMPARE(f.ScreenMode, smBoxSetZoom);
    pressKeys(&f, u"Enter"_qs);
    QCOMPARE(f.ScreenMode, smBoxSetFanArt);
    pressKeys(&f, u"Backspace"_qs);
    QCOMPARE(f.ScreenMode, smBoxSetTitles);
    waitForAnimation();
    QVERIFY(image(u"FanArt_Image_ActorCrewDetail"_qs)->isVisible());
    QVERIFY(!image(u"FanArt_Image_Details_Frame"_qs)->isVisible());
    QCOMPARE(f.GridIndex, 1);
    QCOMPARE(gridIds(), (QStringList{u"P01"_qs, u"P02"_qs, u"P03"_qs}));
    QCOMPARE(grid().cover(1)->surfaceGeometry(), selected);
    QCOMPARE(label(u"ActorCrewDetail_Label_Title"_qs)->text(), u"Part 02"_qs);
}

void TestTitleGrid::watchedMarkFollowsIntoTheGrid()
{
    openBoxSet(3);
    TForm1 &f = *m_form;
    pressKeys(&f, u"Enter Right"_qs);
    waitForAnimation();
    const QImage before = grid().cover(1)->picture();

    // "Mark as Watched" on the action page of the title's fan-art view.
    pressKeys(&f, u"Enter Right*6 Down Enter"_qs);
    QCOMPARE(f.ScreenMode, smBoxSetFanArt);
    QVERIFY(f.Titles.Title.at(f.FanArtTitle).WatchedCVB);
    QVERIFY(QFile::exists(QDir(f.Titles.Title.at(f.FanArtTitle).Directory).filePath(u"CVB_Watched.txt"_qs)));

    // Back in the grid the selection is where it was and the cover shows
    // the tick.
    pressKeys(&f, u"Backspace"_qs);
    QCOMPARE(f.ScreenMode, smBoxSetTitles);
    waitForAnimation();
    QCOMPARE(f.GridIndex, 1);
    QCOMPARE(gridIds(), (QStringList{u"P01"_qs, u"P02"_qs, u"P03"_qs}));
    QCOMPARE(grid().cover(1)->picture().size(), before.size());
    QVERIFY(grid().cover(1)->picture() != before);
    QCOMPARE(grid().cover(1)->pictureName(), u"P02"_qs);
}

void TestTitleGrid::personGrid()
{
    QList<tTitle> list;
    for (int i = 0; i < 4; ++i)
        list << artTitle(u"T%1"_qs.arg(i), u"Title %1"_qs.arg(i), i);
    list[0].Actors = {{u"Jon Smith"_qs, u"Hero"_qs}};
    list[1].Actors = {{u"JON SMITHSON"_qs, {}}};
    list[2].Crew.Sound = {u"Jon Smith"_qs};
    list[3].Actors = {{u"Jane Doe"_qs, {}}};
    openWindow(list);
    TForm1 &f = *m_form;
    f.Filter.CurrentSort = SortTitleDes;
    // The first actor of the first title's cast + crew page.
    pressKeys(&f, u"Enter Right Right Down"_qs);
    QCOMPARE(f.ScreenMode, smFanArt);
    QCOMPARE(f.Titles.Title.at(f.FanArtTitle).ID, u"T0"_qs);
    pressKeys(&f, u"Enter"_qs);
    QCOMPARE(f.ScreenMode, smPersonTitles);
    QCOMPARE(f.GridIndex, 0);
    QCOMPARE(grid().GridPrevious(), 0);
    QCOMPARE(grid().GridTopRow(), 0);
    QCOMPARE(gridIds(), (QStringList{u"T2"_qs, u"T1"_qs, u"T0"_qs}));
    QCOMPARE(label(u"ActorCrewDetail_Label_Name"_qs)->text(), u"Jon Smith"_qs);
    QCOMPARE(label(u"ActorCrewDetail_Label_TotalTitles"_qs)->text(), u"| 3"_qs);
    QVERIFY(!image(u"FanArt_Image_Details_Frame"_qs)->isVisible());

    f.screen<PlayScreen>()->setHoldMs(50);
    pressKeys(&f, u"Right Play"_qs);
    QCOMPARE(f.GridIndex, 1);
    QVERIFY2(label(u"LabelProcessingStatus"_qs)->text().contains(u"/Movies/T1/"_qs),
             qPrintable(label(u"LabelProcessingStatus"_qs)->text()));
    QTRY_COMPARE(f.ScreenMode, smPersonTitles);

    // Enter opens the fan-art view of the selected title.
    pressKeys(&f, u"Enter"_qs);
    QCOMPARE(f.ScreenMode, smFanArt);
    QCOMPARE(f.Titles.Title.at(f.FanArtTitle).ID, u"T1"_qs);
    QVERIFY(!image(u"FanArt_Image_ActorCrewDetail"_qs)->isVisible());
}

void TestTitleGrid::personGridBackspaceReturnsToFanArtView()
{
    QList<tTitle> list;
    for (int i = 0; i < 3; ++i) {
        list << artTitle(u"T%1"_qs.arg(i), u"Title %1"_qs.arg(i), i);
        list.last().Actors = {{u"Ann Lee"_qs, {}}};
    }
    openWindow(list);
    TForm1 &f = *m_form;
    pressKeys(&f, u"Enter Right Right Down Enter"_qs);
    const qint32 fanArtTitle = f.FanArtTitle;
    QCOMPARE(f.ScreenMode, smPersonTitles);
    QCOMPARE(gridIds(), (QStringList{u"T0"_qs, u"T1"_qs, u"T2"_qs}));
    pressKeys(&f, u"Right Right"_qs);
    pressKeys(&f, u"Backspace"_qs);
    QCOMPARE(f.ScreenMode, smFanArt);
    QCOMPARE(f.FanArtTitle, fanArtTitle);
    QVERIFY(!image(u"FanArt_Image_ActorCrewDetail"_qs)->isVisible());
    QVERIFY(image(u"ImageFanArtBackground"_qs)->isVisible());
    QVERIFY(image(u"FanArt_Image_Details_Frame"_qs)->isVisible());
    // Still on the cast + crew page; the grid opens again from the same row.
    pressKeys(&f, u"Enter"_qs);
    QCOMPARE(f.ScreenMode, smPersonTitles);
    QCOMPARE(f.GridIndex, 0);
    QCOMPARE(grid().GridTopRow(), 0);
    // Backspace from the fan-art view then closes both.
    pressKeys(&f, u"Backspace Backspace"_qs);
    QCOMPARE(f.ScreenMode, smRowA);
    QVERIFY(grid().entries().isEmpty());
}

void TestTitleGrid::coversArriveAfterTheFirstFrame()
{
    // 40 titles: the rows on screen are there at once, the others come from
    // the worker; each cover carries its title's ID.
    QList<tTitle> list;
    for (int i = 0; i < 40; ++i) {
        list << artTitle(u"T%1"_qs.arg(i, 2, 10, QChar(u'0')), u"Title %1"_qs.arg(i, 2, 10, QChar(u'0')), i);
        list.last().Actors = {{u"Actor %1"_qs.arg(i), {}}};
        list.last().Crew.Director = {u"Many Films"_qs};
    }
    openWindow(list);
    TForm1 &f = *m_form;
    // The director, in the crew column.
    pressKeys(&f, u"Enter Right Right Down Right Enter"_qs);
    QCOMPARE(f.ScreenMode, smPersonTitles);
    QCOMPARE(label(u"ActorCrewDetail_Label_Name"_qs)->text(), u"Many Films"_qs);
    QCOMPARE(grid().entries().size(), 40);
    for (int entry = 0; entry < 18; ++entry)
        QCOMPARE(grid().cover(entry)->pictureName(), gridIds().at(entry));
    grid().waitForCovers();
    for (int entry = 0; entry < 40; ++entry)
        QCOMPARE(grid().cover(entry)->pictureName(), gridIds().at(entry));
    QCOMPARE(grid().cover(39)->picture().size(), coverSize().toSize());
}

QTEST_MAIN(TestTitleGrid)
#include "tst_titlegrid.moc"
