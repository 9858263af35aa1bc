// The cover carousel through the real window and real key events: which
// view-list position every slot shows after refills and steps, the enlarged
// cover and its shadow, the ends of the list, page and media jumps, letter
// and digit jumps with multi-tap, and the watched and watch-list toggles.

#include "app/collection.h"
#include "app/config.h"
#include "app/tform1.h"
#include "tests/ui/windowfixture.h"
#include "model/localdatabase.h"
#include "ui/carousel.h"
#include "ui/multitap.h"
#include "ui/elements.h"
#include "ui/messages.h"
#include "ui/scene.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// One key press and release as the platform delivers them.
// Key names as the tables below write them.
void pressNamed(QWidget *window, const QString &name)
{
    static const QHash<QString, std::pair<int, QString>> keys = {
        {u"Left"_qs, {Qt::Key_Left, {}}},       {u"Right"_qs, {Qt::Key_Right, {}}},
        {u"Up"_qs, {Qt::Key_Up, {}}},           {u"Down"_qs, {Qt::Key_Down, {}}},
        {u"Escape"_qs, {Qt::Key_Escape, {}}},   {u"Star"_qs, {Qt::Key_Asterisk, u"*"_qs}},
        {u"Next"_qs, {Qt::Key_MediaNext, {}}},  {u"Prev"_qs, {Qt::Key_MediaPrevious, {}}},
        {u"Comma"_qs, {Qt::Key_Comma, u","_qs}}, {u"Period"_qs, {Qt::Key_Period, u"."_qs}},
        {u"["_qs, {Qt::Key_BracketLeft, u"["_qs}}, {u"]"_qs, {Qt::Key_BracketRight, u"]"_qs}},
    };
    if (keys.contains(name)) {
        press(window, keys[name].first, keys[name].second);
        return;
    }
    // A single character: letters and digits.
    QVERIFY2(name.size() == 1, qPrintable(name));
    const QChar c = name.at(0);
    const int key = c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - u'A') : Qt::Key_0 + (c.unicode() - u'0');
    press(window, key, name);
}

// A small cover picture, different for every seed.
void writeCover(const QString &path, int seed)
{
    QImage img(100, 140, QImage::Format_RGB32);
    img.fill(QColor::fromHsv((seed * 47) % 360, 200, 200));
    QPainter p(&img);
    p.fillRect(10, 10, 40, 40, Qt::white);
    p.end();
    QVERIFY(img.save(path, "JPEG"));
}

// The name each slot's picture carries, in fill order (A0, B0, A1, ...),
// "-" for a blank slot.
QStringList slotNames(TForm1 &form)
{
    QStringList names;
    for (int c = 0; c < Carousel::kColumns; ++c) {
        for (const QChar row : {u'A', u'B'}) {
            const QString name = form.image(u"ImageCover"_qs + row + QString::number(c))->pictureName();
            names << (name == Carousel::blankName() ? u"-"_qs : name);
        }
    }
    return names;
}

// The expected slot names from view-list positions written per row, e.g.
// "- - - - - 0 2 - - - -" for row A ("-" is a blank slot).
QStringList expectedNames(TForm1 &form, const QString &rowA, const QString &rowB)
{
    const QStringList a = rowA.split(u' ');
    const QStringList b = rowB.split(u' ');
    Q_ASSERT(a.size() == Carousel::kColumns && b.size() == Carousel::kColumns);
    auto idAt = [&form](const QString &position) {
        return position == u"-" ? position : form.Titles.Title.at(form.ViewList.at(position.toInt())).ID;
    };
    QStringList names;
    for (int c = 0; c < Carousel::kColumns; ++c)
        names << idAt(a.at(c)) << idAt(b.at(c));
    return names;
}

// Slot i in fill order: A0, B0, A1, B1, ...
QString slotName(int i)
{
    return (i % 2 ? u"ImageCoverB"_qs : u"ImageCoverA"_qs) + QString::number(i / 2);
}

QString focusedId(TForm1 &form)
{
    return form.Titles.Title.at(form.ViewList.at(form.FocusIndex)).ID;
}

} // namespace

class TestCarousel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void refillAroundPosition_data();
    void refillAroundPosition();
    void arrowSteps_data();
    void arrowSteps();
    void pageAndMediaJumps_data();
    void pageAndMediaJumps();
    void letterAndDigitJumps_data();
    void letterAndDigitJumps();
    void lettersDoNothingOutsideTitleSort();
    void multiTap_data();
    void multiTap();
    void markerToggles_data();
    void markerToggles();
    void markerFailureShowsError();

private:
    // A window on a fresh program folder showing `names` as its collection
    // (sorted by title); titles get cover art when `withArt`.
    void openWindow(const QStringList &names, bool withArt = true);
    void openWindow(int count, bool withArt = true);

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<TForm1> m_form;
};

void TestCarousel::initTestCase()
{
    messages::SetHeadless(true);
}

void TestCarousel::init()
{
    makeWindowHome(m_home);
    tSettings s;
    s.ScreenSaver = false;
    QString error;
    QVERIFY2(SaveConfig(s, m_home->path() + u'/', &error), qPrintable(error));
    messages::TakeShown();
}

void TestCarousel::cleanup()
{
    m_form.reset();
    WaitForDatabaseWriter();
    m_home.reset();
}

void TestCarousel::openWindow(const QStringList &names, bool withArt)
{
    m_form = std::make_unique<TForm1>();
    m_form->resize(Scene::kWidth / 4, Scene::kHeight / 4);
    m_form->show();
    QTRY_VERIFY_WITH_TIMEOUT(m_form->isStartupFinished(), 20000);

    tTitles titles;
    for (qsizetype i = 0; i < names.size(); ++i) {
        tTitle t;
        t.ID = u"T%1"_qs.arg(i, 2, 10, QChar(u'0'));
        t.Title = names.at(i);
        t.SortTitle = names.at(i);
        t.Year = 2000;
        t.Runtime = 90;
        t.MediaType = mtMovie;
        t.Directory = QDir(m_home->path()).filePath(u"Movies/"_qs + t.ID);
        QVERIFY(QDir().mkpath(t.Directory));
        if (withArt) {
            t.ImgFolder = u"folder.jpg"_qs;
            writeCover(t.Directory + u"/folder.jpg"_qs, int(i));
        }
        titles.Title.append(t);
    }
    m_form->collection().setTitles(titles, false);
    m_form->SortItems();
    QCOMPARE(m_form->ScreenMode, smRowA);
    QCOMPARE(m_form->FocusIndex, 0);
}

void TestCarousel::openWindow(int count, bool withArt)
{
    // "Title 00", "Title 01", ...: title order is collection order.
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << u"Title %1"_qs.arg(i, 2, 10, QChar(u'0'));
    openWindow(names, withArt);
}

// ---------------------------------------------------------------- refill

void TestCarousel::refillAroundPosition_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("coverIndex");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("rowA");
    QTest::addColumn<QString>("rowB");

    QTest::newRow("three titles, focus on the first")
        << 3 << 0 << 1 << u"- - - - - 0 2 - - - -"_qs << u"- - - - - 1 - - - - -"_qs;
    QTest::newRow("focus on row B: the window starts four positions before the list")
        << 30 << 7 << 2 << u"- - 0 2 4 6 8 10 12 14 16"_qs << u"- - 1 3 5 7 9 11 13 15 17"_qs;
    QTest::newRow("last title of the list")
        << 30 << 29 << 2 << u"18 20 22 24 26 28 - - - - -"_qs << u"19 21 23 25 27 29 - - - - -"_qs;
    QTest::newRow("middle of a long list")
        << 60 << 30 << 1 << u"20 22 24 26 28 30 32 34 36 38 40"_qs << u"21 23 25 27 29 31 33 35 37 39 41"_qs;
}

void TestCarousel::refillAroundPosition()
{
    QFETCH(int, count);
    QFETCH(int, coverIndex);
    QFETCH(int, mode);
    QFETCH(QString, rowA);
    QFETCH(QString, rowB);
    openWindow(count, false);
    TForm1 &f = *m_form;
    f.FocusIndex = coverIndex;
    f.ScreenMode = tScreenMode(mode);
    f.LoadCoverArt(coverIndex);

    QCOMPARE(slotNames(f), expectedNames(f, rowA, rowB));
    const bool rowBFocused = mode == smRowB;
    QCOMPARE(f.image(u"ImageCoverA5Big"_qs)->pictureName(), rowBFocused ? Carousel::blankName() : focusedId(f));
    QCOMPARE(f.image(u"ImageCoverB5Big"_qs)->pictureName(), rowBFocused ? focusedId(f) : Carousel::blankName());
    QCOMPARE(f.image(u"ImageCoverA5BigShadow"_qs)->isShown(), !rowBFocused);
    QCOMPARE(f.image(u"ImageCoverB5BigShadow"_qs)->isShown(), rowBFocused);
}

// ---------------------------------------------------------------- arrows

void TestCarousel::arrowSteps_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<int>("focus");
    QTest::addColumn<int>("mode");

    const auto keys = [](const char *text) { return QString::fromLatin1(text).split(u' '); };
    QTest::newRow("right on row A moves one column") << 30 << keys("Right") << 2 << 1;
    QTest::newRow("right twice, left once") << 30 << keys("Right Right Left") << 2 << 1;
    QTest::newRow("left at the first column does not wrap") << 30 << keys("Left") << 0 << 1;
    QTest::newRow("down moves to row B") << 30 << keys("Down") << 1 << 2;
    QTest::newRow("down on row B goes to the top of the next column") << 30 << keys("Down Down") << 2 << 1;
    QTest::newRow("up on row B goes to row A") << 30 << keys("Down Up") << 0 << 1;
    QTest::newRow("up on row A goes to the icon bar, focus kept") << 30 << keys("Right Up") << 2 << 0;
    QTest::newRow("back down from the icon bar") << 30 << keys("Right Up Down") << 2 << 1;
    QTest::newRow("right on row B moves along the bottom row") << 30 << keys("Down Right Right") << 5 << 2;
    QTest::newRow("right on row A into a column with only a top title") << 5 << keys("Right Right") << 4 << 1;
    QTest::newRow("right at the last column does not wrap") << 5 << keys("Right Right Right") << 4 << 1;
    QTest::newRow("right on row B into a column without a bottom title") << 5 << keys("Right Down Right") << 3 << 2;
    QTest::newRow("down on the last title does nothing") << 4 << keys("Right Down Down") << 3 << 2;
    QTest::newRow("down on row A when the column has no bottom title") << 5 << keys("Right Right Down") << 4 << 1;
    QTest::newRow("a long walk right and back")
        << 40 << keys("Right Right Right Right Right Right Right Right Right Right Right Right Left Left Left Left Left")
        << 14 << 1;
    QTest::newRow("left from the bottom row keeps the row") << 40 << keys("Right Right Down Left") << 3 << 2;
}

void TestCarousel::arrowSteps()
{
    QFETCH(int, count);
    QFETCH(QStringList, keys);
    QFETCH(int, focus);
    QFETCH(int, mode);
    openWindow(count);
    TForm1 &f = *m_form;
    for (const QString &key : keys)
        pressNamed(&f, key);

    QCOMPARE(f.FocusIndex, focus);
    QCOMPARE(int(f.ScreenMode), mode);

    // Steps move the pictures the slots hold and compose only the new edge
    // column; the result must be what a full refill at the focus gives.
    const QStringList stepped = slotNames(f);
    QList<QImage> pictures;
    for (int i = 0; i < 22; ++i) {
        const QImage picture = f.image(slotName(i))->picture();
        // A cover that was not ready ahead of time is composed, not left blank.
        QCOMPARE(picture.width() > 1, stepped.at(i) != u"-");
        pictures << picture;
    }
    const QString bigA = f.image(u"ImageCoverA5Big"_qs)->pictureName();
    const QString bigB = f.image(u"ImageCoverB5Big"_qs)->pictureName();
    const bool shadowA = f.image(u"ImageCoverA5BigShadow"_qs)->isShown();
    const bool shadowB = f.image(u"ImageCoverB5BigShadow"_qs)->isShown();

    // Exactly the focused row's cover is enlarged, with its shadow.
    QCOMPARE(bigA, mode == smRowA ? focusedId(f) : Carousel::blankName());
    QCOMPARE(bigB, mode == smRowB ? focusedId(f) : Carousel::blankName());
    QCOMPARE(shadowA, mode == smRowA);
    QCOMPARE(shadowB, mode == smRowB);

    f.LoadCoverArt(f.FocusIndex);
    QCOMPARE(stepped, slotNames(f));
    for (int i = 0; i < 22; ++i)
        QCOMPARE(pictures.at(i), f.image(slotName(i))->picture());
}

// ---------------------------------------------------------------- jumps

void TestCarousel::pageAndMediaJumps_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<int>("focus");

    // 100 titles: positions 0 to 99.
    const auto keys = [](const char *text) { return QString::fromLatin1(text).split(u' '); };
    QTest::newRow("] moves 10 columns") << keys("]") << 20;
    QTest::newRow("[ moves back 10 columns") << keys("] ] [") << 20;
    QTest::newRow("[ at the start stays at the first title") << keys("Right [") << 0;
    QTest::newRow("full stop moves 30 columns") << keys("Period") << 60;
    QTest::newRow("full stop past the end stops at the last title") << keys("Period Period") << 99;
    QTest::newRow("comma moves back 30 columns") << keys("Period Right Comma") << 2;
    QTest::newRow("a jump from row B keeps the odd position") << keys("Down ]") << 21;
    QTest::newRow("next track jumps to the last title") << keys("Next") << 99;
    QTest::newRow("previous track jumps to the first title") << keys("Next Prev") << 0;
    QTest::newRow("steps after a jump continue from there") << keys("] Right Down") << 23;
}

void TestCarousel::pageAndMediaJumps()
{
    QFETCH(QStringList, keys);
    QFETCH(int, focus);
    openWindow(100, false);
    TForm1 &f = *m_form;
    for (const QString &key : keys)
        pressNamed(&f, key);

    QCOMPARE(f.FocusIndex, focus);
    QCOMPARE(f.ScreenMode, focus % 2 ? smRowB : smRowA);
    QCOMPARE(f.FocusTitle, f.ViewList.at(focus));
    // The whole carousel is refilled around the new focus.
    const QString focusSlot = focus % 2 ? u"ImageCoverB5"_qs : u"ImageCoverA5"_qs;
    QCOMPARE(f.image(focusSlot)->pictureName(), focusedId(f));
    const QStringList around = slotNames(f);
    f.LoadCoverArt(f.FocusIndex);
    QCOMPARE(around, slotNames(f));
    QCOMPARE(f.image(focus % 2 ? u"ImageCoverB5Big"_qs : u"ImageCoverA5Big"_qs)->pictureName(), focusedId(f));
}

void TestCarousel::letterAndDigitJumps_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<int>("focus");

    // Title order: 0 "2001", 1 "42nd Street", 2 "Alien", 3 "Amelie", 4 "Batman",
    // 5 "Brazil", 6 "Casablanca", 7 "Chinatown", 8 "Dune", 9 "Psycho", 10 "Zodiac".
    const auto keys = [](const char *text) { return QString::fromLatin1(text).split(u' '); };
    QTest::newRow("a letter jumps to its first title") << keys("b") << 4;
    QTest::newRow("letter case does not matter") << keys("C") << 6;
    QTest::newRow("a digit jumps to titles starting with it") << keys("4") << 1;
    QTest::newRow("a letter without titles leaves the focus") << keys("d x") << 8;
    QTest::newRow("2 twice is A") << keys("2 2") << 2;
    QTest::newRow("2 three times is B") << keys("2 2 2") << 4;
    QTest::newRow("2 four times is C") << keys("2 2 2 2") << 6;
    QTest::newRow("2 five times is the digit again") << keys("2 2 2 2 2") << 0;
    QTest::newRow("7 has four letters: P, then Q R S find nothing") << keys("7 7 7 7 7") << 9;
    QTest::newRow("9 five times is Z") << keys("9 9 9 9 9") << 10;
    QTest::newRow("arrows after a jump step from there") << keys("b Right") << 6;
}

void TestCarousel::letterAndDigitJumps()
{
    QFETCH(QStringList, keys);
    QFETCH(int, focus);
    openWindow({u"Casablanca"_qs, u"Alien"_qs, u"Zodiac"_qs, u"2001"_qs, u"Batman"_qs, u"Dune"_qs,
                u"42nd Street"_qs, u"Amelie"_qs, u"Psycho"_qs, u"Brazil"_qs, u"Chinatown"_qs},
               false);
    TForm1 &f = *m_form;
    for (const QString &key : keys)
        pressNamed(&f, key);

    QCOMPARE(f.FocusIndex, focus);
    QCOMPARE(f.ScreenMode, focus % 2 ? smRowB : smRowA);
    QCOMPARE(f.image(focus % 2 ? u"ImageCoverB5"_qs : u"ImageCoverA5"_qs)->pictureName(), focusedId(f));
}

void TestCarousel::lettersDoNothingOutsideTitleSort()
{
    openWindow({u"Alien"_qs, u"Batman"_qs, u"Casablanca"_qs}, false);
    TForm1 &f = *m_form;
    f.Filter.CurrentSort = SortStarsAsc;
    f.SortItems();
    const QStringList before = slotNames(f);
    pressNamed(&f, u"b"_qs);
    pressNamed(&f, u"c"_qs);
    QCOMPARE(f.FocusIndex, 0);
    QCOMPARE(slotNames(f), before);
}

void TestCarousel::multiTap_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QList<qint64>>("times");
    QTest::addColumn<QString>("expected");

    QTest::newRow("quick presses step through the letters")
        << u"2222"_qs << QList<qint64>{0, 500, 1000, 1500} << u"2ABC"_qs;
    QTest::newRow("a pause of 2.592 s or more starts again")
        << u"2222"_qs << QList<qint64>{0, 1000, 3592, 3600} << u"2A2A"_qs;
    QTest::newRow("just below the limit still counts")
        << u"22"_qs << QList<qint64>{0, 2591} << u"2A"_qs;
    QTest::newRow("four-letter keys") << u"777777"_qs << QList<qint64>{0, 1, 2, 3, 4, 5} << u"7PQRS7"_qs;
    QTest::newRow("each digit counts on its own")
        << u"2323"_qs << QList<qint64>{0, 10, 20, 30} << u"23AD"_qs;
    QTest::newRow("0, 1 and letters are taken as they are")
        << u"00b1"_qs << QList<qint64>{0, 1, 2, 3} << u"00b1"_qs;
}

void TestCarousel::multiTap()
{
    QFETCH(QString, digits);
    QFETCH(QList<qint64>, times);
    QFETCH(QString, expected);
    MultiTap tap;
    QString typed;
    for (qsizetype i = 0; i < digits.size(); ++i)
        typed += tap.press(digits.at(i), times.at(i));
    QCOMPARE(typed, expected);
}

// ---------------------------------------------------------------- markers

void TestCarousel::markerToggles_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("toggle");
    QTest::addColumn<QString>("marker");

    QTest::newRow("escape on row A: watched") << QStringList() << u"Escape"_qs << u"CVB_Watched.txt"_qs;
    QTest::newRow("escape on row B: watched") << QStringList{u"Down"_qs} << u"Escape"_qs << u"CVB_Watched.txt"_qs;
    QTest::newRow("star on row A: watch list") << QStringList() << u"Star"_qs << u"CVB_WatchList.txt"_qs;
    QTest::newRow("star on row B: watch list") << QStringList{u"Right"_qs, u"Down"_qs} << u"Star"_qs
                                               << u"CVB_WatchList.txt"_qs;
}

void TestCarousel::markerToggles()
{
    QFETCH(QStringList, before);
    QFETCH(QString, toggle);
    QFETCH(QString, marker);
    openWindow(6);
    TForm1 &f = *m_form;
    for (const QString &key : before)
        pressNamed(&f, key);
    const bool rowB = f.ScreenMode == smRowB;
    ImageElement *slot = f.image(rowB ? u"ImageCoverB5"_qs : u"ImageCoverA5"_qs);
    ImageElement *big = f.image(rowB ? u"ImageCoverB5Big"_qs : u"ImageCoverA5Big"_qs);
    const tTitle &title = f.Titles.Title.at(f.FocusTitle);
    const QString markerFile = QDir(title.Directory).filePath(marker);
    auto flag = [&f, &toggle] {
        const tTitle &t = f.Titles.Title.at(f.FocusTitle);
        return toggle == u"Escape" ? t.WatchedCVB : t.WatchList;
    };
    const QImage plain = slot->picture();

    pressNamed(&f, toggle);
    QVERIFY(flag());
    QVERIFY(QFile::exists(markerFile));
    // The focused cover is composed again with its mark, and enlarged.
    QVERIFY(slot->picture() != plain);
    QCOMPARE(big->picture(), slot->picture());
    QCOMPARE(big->pictureName(), title.ID);
    QVERIFY(messages::TakeShown().isEmpty());
    f.collection().waitForStored();
    QVERIFY(QFile::exists(DatabaseFilePath(f.AppPath)));

    pressNamed(&f, toggle);
    QVERIFY(!flag());
    QVERIFY(!QFile::exists(markerFile));
    QCOMPARE(slot->picture(), plain);
    QCOMPARE(big->picture(), plain);
    // Other titles are left alone.
    for (qsizetype i = 0; i < f.Titles.Title.size(); ++i) {
        QVERIFY(!f.Titles.Title.at(i).WatchedCVB);
        QVERIFY(!f.Titles.Title.at(i).WatchList);
    }
}

void TestCarousel::markerFailureShowsError()
{
    openWindow(3);
    TForm1 &f = *m_form;
    // The folder went away (an unplugged disk): no marker can be written.
    QVERIFY(QDir(f.Titles.Title.at(f.FocusTitle).Directory).removeRecursively());
    const QImage before = f.image(u"ImageCoverA5"_qs)->picture();

    pressNamed(&f, u"Escape"_qs);
    const QStringList shown = messages::TakeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().contains(u"CVB_Watched.txt"_qs), qPrintable(shown.first()));
    QVERIFY(!f.Titles.Title.at(f.FocusTitle).WatchedCVB);
    QCOMPARE(f.image(u"ImageCoverA5"_qs)->picture(), before);

    pressNamed(&f, u"Star"_qs);
    QCOMPARE(messages::TakeShown().size(), 1);
    QVERIFY(!f.Titles.Title.at(f.FocusTitle).WatchList);
}

QTEST_MAIN(TestCarousel)
#include "tst_carousel.moc"
