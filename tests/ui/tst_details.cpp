// The details pop-up, the title summary and the glow colours, driven through
// the real window: when the pop-up opens and closes, what it lists, how its
// blocks are laid out, and how the captions follow a light or dark backdrop.

#include "app/config.h"
#include "app/tform1.h"
#include "tests/ui/windowfixture.h"
#include "model/localdatabase.h"
#include "ui/details.h"
#include "ui/elements.h"
#include "ui/glow.h"
#include "ui/messages.h"
#include "ui/scene.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

void writeConfig(const QString &appPath, int detailsDelay = 5)
{
    tSettings s;
    s.AutoScan = false;
    s.ScreenSaver = false;
    s.DetailsDelay = detailsDelay;
    QString error;
    QVERIFY2(SaveConfig(s, appPath, &error), qPrintable(error));
}

tTitle makeTitle(const QString &id, const QString &name)
{
    tTitle t;
    t.ID = id;
    t.Title = name;
    t.SortTitle = name;
    t.Year = 1999;
    t.Runtime = 121;
    t.MediaType = mtMovie;
    t.ReleaseDate = u"19990101"_qs;
    t.AddedDate = u"19990101"_qs;
    t.Stars = 7;
    t.Rated = u"PG"_qs;
    return t;
}

QList<tActor> actors(int count)
{
    QList<tActor> list;
    for (int i = 1; i <= count; ++i)
        list.append({u"Actor %1"_qs.arg(i), u"Role"_qs});
    return list;
}

QStringList names(const QString &prefix, int count)
{
    QStringList list;
    for (int i = 1; i <= count; ++i)
        list.append(prefix + QString::number(i));
    return list;
}

QImage plain(const QColor &color, QSize size = {1920, 1080})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

} // namespace

class TestDetails : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void popupOpensAfterDelay();
    void contents_data();
    void contents();
    void layout_data();
    void layout();
    void emptyViewListChangesNothing();
    void summaryBadgeAndStars();

    void averageColor_data();
    void averageColor();
    void glowFollowsBackdrop_data();
    void glowFollowsBackdrop();

private:
    std::unique_ptr<QTemporaryDir> m_home;
};

void TestDetails::initTestCase()
{
    messages::SetHeadless(true);
}

void TestDetails::init()
{
    makeWindowHome(m_home);
    messages::TakeShown();
}

void TestDetails::popupOpensAfterDelay()
{
    writeConfig(m_home->path(), 1);
    writeDatabase(m_home->path(), {makeTitle(u"T0"_qs, u"Alien"_qs), makeTitle(u"T1"_qs, u"Brazil"_qs),
                                   makeTitle(u"T2"_qs, u"Casablanca"_qs)});
    TForm1 form;
    showAndWait(form);
    QCOMPARE(form.TimerShowDetails.interval(), 1000);
    ImageElement *backing = form.image(u"ImageDetailsBackground"_qs);
    ImageElement *panel = form.image(u"ImageDetailsBlank"_qs);

    QTest::keyClick(&form, Qt::Key_Down);
    QCOMPARE(form.ScreenMode, smRowB);
    QCOMPARE(panel->opacity(), 0.0);
    QCOMPARE(form.label(u"LabelDetailsTitle"_qs)->text(), u"Brazil"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(panel->opacity(), 1.0, 5000);
    QVERIFY(qAbs(backing->opacity() - 25 / 26.5) < 1e-9);
    QVERIFY(backing->isShown() && panel->isShown());

    // Later ticks find it open and neither move nor fade it.
    const QPointF where = panel->pos();
    form.TimerShowDetailsTimer();
    QVERIFY(!panel->isFading());
    QCOMPARE(panel->opacity(), 1.0);
    QCOMPARE(panel->pos(), where);

    // Any key closes it at once.
    QTest::keyClick(&form, Qt::Key_Up);
    QCOMPARE(panel->opacity(), 0.0);
    QCOMPARE(backing->opacity(), 0.0);

    // A key during the fade-in closes it for good.
    form.ToggleDetails(true);
    QVERIFY(panel->isFading());
    QTest::keyClick(&form, Qt::Key_Up); // to the icon bar: no timer afterwards
    QCOMPARE(form.ScreenMode, smIconBar);
    QTest::qWait(400);
    QCOMPARE(panel->opacity(), 0.0);
    // The timer's tick off the carousel does not open it either.
    form.TimerShowDetailsTimer();
    QCOMPARE(panel->opacity(), 0.0);
}

void TestDetails::contents_data()
{
    QTest::addColumn<tTitle>("title");
    QTest::addColumn<QString>("shownTitle");
    QTest::addColumn<QString>("actors");
    QTest::addColumn<QString>("directors");
    QTest::addColumn<QString>("writers");

    const QString eleven = names(u"Actor "_qs, 11).join(u", "_qs);
    tTitle t = makeTitle(u"T0"_qs, u"Heat"_qs);
    t.Actors = actors(15);
    t.Crew.Director = {u"Michael Mann"_qs};
    t.Crew.Writer = {u"Michael Mann"_qs};
    QTest::newRow("fifteen actors list the first eleven")
        << t << u"Heat"_qs << eleven << u"Directed by Michael Mann"_qs << u"Written by Michael Mann"_qs;

    t = makeTitle(u"T0"_qs, u"Koyaanisqatsi"_qs);
    t.Actors = actors(2);
    t.Crew.Writer = {u"Ron Fricke"_qs};
    QTest::newRow("no directors: no lead words")
        << t << u"Koyaanisqatsi"_qs << u"Actor 1, Actor 2"_qs << QString() << u"Written by Ron Fricke"_qs;

    t = makeTitle(u"T0"_qs, u"Anthology"_qs);
    t.Crew.Director = names(u"D"_qs, 7);
    t.Crew.Writer = names(u"W"_qs, 6);
    QTest::newRow("crew lists stop at five")
        << t << u"Anthology"_qs << QString() << u"Directed by D1, D2, D3, D4, D5"_qs
        << u"Written by W1, W2, W3, W4, W5"_qs;

    t = makeTitle(u"T0"_qs, u"Gaps"_qs);
    t.Actors = {{QString(), {}}, {u"B"_qs, {}}, {QString(), {}}, {u"D"_qs, {}}};
    t.Crew.Director = {QString(), u"X"_qs};
    t.Crew.Writer = {QString()};
    QTest::newRow("empty names are left out")
        << t << u"Gaps"_qs << u"B, D"_qs << u"Directed by X"_qs << QString();

    t = makeTitle(u"T0"_qs, u"Tom & Jerry && Friends"_qs);
    QTest::newRow("ampersands shown as they are")
        << t << u"Tom & Jerry && Friends"_qs << QString() << QString() << QString();
}

void TestDetails::contents()
{
    QFETCH(tTitle, title);
    QFETCH(QString, shownTitle);
    QFETCH(QString, actors);
    QFETCH(QString, directors);
    QFETCH(QString, writers);
    title.Genres = {u"Crime"_qs, u"Drama"_qs};
    title.RatedDesc = u"Violence"_qs;
    title.Description = u"Synopsis."_qs;
    writeConfig(m_home->path());
    writeDatabase(m_home->path(), {title});

    TForm1 form;
    showAndWait(form);
    QCOMPARE(form.FocusTitle, 0);
    QCOMPARE(form.label(u"LabelTitle"_qs)->text(), shownTitle);
    QCOMPARE(form.label(u"LabelDetailsTitle"_qs)->text(), shownTitle);
    QCOMPARE(form.label(u"LabelDetailsYear"_qs)->text(), u"1999"_qs);
    QCOMPARE(form.label(u"LabelDetailsRuntime"_qs)->text(), u"121 min"_qs);
    QCOMPARE(form.label(u"LabelDetailsGenres"_qs)->text(), u"Crime, Drama"_qs);
    QCOMPARE(form.label(u"LabelDetailsRatingReason"_qs)->text(), u"Violence"_qs);
    QCOMPARE(form.label(u"LabelDetailsDescription"_qs)->text(), u"Synopsis."_qs);
    QCOMPARE(form.label(u"LabelDetailsActors"_qs)->text(), actors);
    QCOMPARE(form.label(u"LabelDetailsDirectors"_qs)->text(), directors);
    QCOMPARE(form.label(u"LabelDetailsWriters"_qs)->text(), writers);
    QCOMPARE(form.label(u"LabelTitleNum"_qs)->text(), u"1"_qs);
    QCOMPARE(form.label(u"LabelTotalTitles"_qs)->text(), u"| 1"_qs);

    // The name is drawn literally: as wide as the same text drawn plainly,
    // with no character taken as a mnemonic.
    LabelElement *label = form.label(u"LabelTitle"_qs);
    QCOMPARE(label->size().width(), std::ceil(QFontMetricsF(label->font()).horizontalAdvance(shownTitle)));
}

void TestDetails::layout_data()
{
    QTest::addColumn<int>("titleWords");
    QTest::addColumn<int>("actorCount");
    QTest::addColumn<int>("synopsisWords");
    QTest::addColumn<int>("titleHeight");
    QTest::addColumn<int>("actorsHeight");
    // "Extraordinary " is some 270 design pixels in the title font, an actor
    // entry some 320 in the body font; the panel is 713 wide.
    QTest::newRow("short everything") << 1 << 1 << 10 << 47 << 31;
    QTest::newRow("title on two lines") << 4 << 1 << 10 << 94 << 31;
    QTest::newRow("title on three lines") << 7 << 1 << 10 << 141 << 31;
    QTest::newRow("actors on three lines") << 1 << 6 << 10 << 47 << 101;
    QTest::newRow("actors beyond three lines") << 1 << 11 << 10 << 47 << 136;
    QTest::newRow("synopsis far too long") << 1 << 1 << 2000 << 47 << 31;
}

void TestDetails::layout()
{
    QFETCH(int, titleWords);
    QFETCH(int, actorCount);
    QFETCH(int, synopsisWords);
    QFETCH(int, titleHeight);
    QFETCH(int, actorsHeight);
    QStringList words;
    for (int i = 0; i < titleWords; ++i)
        words << u"Extraordinary"_qs;
    tTitle t = makeTitle(u"T0"_qs, words.join(u' '));
    for (int i = 0; i < actorCount; ++i)
        t.Actors.append({u"Actorname Longsurname%1"_qs.arg(i), {}});
    t.Crew.Director = {u"A Director"_qs};
    t.Crew.Writer = {u"A Writer"_qs};
    QStringList synopsis;
    for (int i = 0; i < synopsisWords; ++i)
        synopsis << u"word"_qs;
    t.Description = synopsis.join(u' ');
    writeConfig(m_home->path(), 1);
    writeDatabase(m_home->path(), {t, makeTitle(u"T1"_qs, u"Zz"_qs)});

    TForm1 form;
    showAndWait(form);
    form.ToggleDetails(true);
    auto rect = [&form](const QString &name) { return form.scene().element(name)->geometry(); };

    QCOMPARE(rect(u"LabelDetailsTitle"_qs).height(), qreal(titleHeight));
    QCOMPARE(rect(u"ImageDetailsYearStars"_qs).top(), qreal(titleHeight));
    QCOMPARE(rect(u"LabelDetailsActors"_qs).height(), qreal(actorsHeight));
    // The bottom block hangs from the panel's bottom edge, 14 apart.
    const QRectF writers = rect(u"LabelDetailsWriters"_qs);
    const QRectF directors = rect(u"LabelDetailsDirectors"_qs);
    const QRectF actorsRect = rect(u"LabelDetailsActors"_qs);
    QCOMPARE(writers.bottom(), 950.0);
    QCOMPARE(directors.bottom(), writers.top() - 14);
    QCOMPARE(actorsRect.bottom(), directors.top() - 14);
    // The synopsis lies between the blocks whatever its length.
    const QRectF description = rect(u"LabelDetailsDescription"_qs);
    QCOMPARE(description.top(), rect(u"LabelDetailsRatingReason"_qs).bottom() + 10);
    QVERIFY(description.bottom() <= actorsRect.top() - 10);
    QVERIFY(description.bottom() > actorsRect.top() - 10 - 40);
}

void TestDetails::emptyViewListChangesNothing()
{
    writeConfig(m_home->path());
    TForm1 form;
    showAndWait(form);
    QVERIFY(form.ViewList.isEmpty());
    form.label(u"LabelDetailsTitle"_qs)->setText(u"kept"_qs);
    const QString title = form.label(u"LabelTitle"_qs)->text();
    form.UpdateDetails();
    QCOMPARE(form.FocusTitle, -1);
    QCOMPARE(form.label(u"LabelTitle"_qs)->text(), title);
    QCOMPARE(form.label(u"LabelDetailsTitle"_qs)->text(), u"kept"_qs);
}

void TestDetails::summaryBadgeAndStars()
{
    tTitle odd = makeTitle(u"T1"_qs, u"Brazil"_qs);
    odd.Stars = 42; // out of range: no strip rather than the previous title's
    odd.Rated = u"Unknown rating"_qs;
    writeConfig(m_home->path());
    writeDatabase(m_home->path(), {makeTitle(u"T0"_qs, u"Alien"_qs), odd});
    TForm1 form;
    showAndWait(form);
    ImageElement *stars = form.image(u"ImageStars"_qs);
    ImageElement *rated = form.image(u"ImageRated"_qs);
    QCOMPARE(stars->pictureName(), u"PngStars7_White"_qs);
    QCOMPARE(form.image(u"ImageDetailsStars"_qs)->pictureName(), u"PngStars7_White"_qs);
    QCOMPARE(rated->pictureName(), u"PngRatedPG_White"_qs);
    QCOMPARE(rated->size(), QSizeF(rated->picture().size()) / 2);
    QCOMPARE(rated->geometry().right(), 290.0);

    // A light backdrop turns the summary black, and with it strip and badge.
    form.image(u"ImageBackground"_qs)->setPicture(plain(Qt::white));
    form.UpdateGlowEffect();
    form.UpdateDetails();
    QCOMPARE(stars->pictureName(), u"PngStars7_Black"_qs);
    QCOMPARE(rated->pictureName(), u"PngRatedPG_Black"_qs);

    QTest::keyClick(&form, Qt::Key_Down);
    QCOMPARE(form.FocusTitle, 1);
    QVERIFY(stars->picture().isNull());
    QVERIFY(form.image(u"ImageDetailsStars"_qs)->picture().isNull());
    QCOMPARE(rated->pictureName(), u"PngRatedUnrated_Black"_qs);
}

void TestDetails::averageColor_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<QRectF>("rect"); // design surface
    QTest::addColumn<QColor>("expected");

    QImage halves = plain(Qt::black);
    for (int y = 0; y < 1080; ++y)
        for (int x = 960; x < 1920; ++x)
            halves.setPixel(x, y, qRgb(200, 100, 50));
    QTest::newRow("uniform") << plain(QColor(10, 20, 30)) << QRectF(100, 100, 50, 50) << QColor(10, 20, 30);
    QTest::newRow("over both halves: integer division")
        << halves << QRectF(940, 0, 40, 10) << QColor(100, 50, 25);
    QTest::newRow("right half only") << halves << QRectF(1000, 500, 10, 10) << QColor(200, 100, 50);
    // A quarter-size bitmap: the rectangle is scaled to it.
    QImage small = plain(Qt::black, {480, 270});
    for (int y = 0; y < 270; ++y)
        for (int x = 240; x < 480; ++x)
            small.setPixel(x, y, qRgb(255, 255, 255));
    QTest::newRow("scaled bitmap") << small << QRectF(952, 0, 16, 4) << QColor(127, 127, 127);
    QTest::newRow("reaching beyond the right edge")
        << halves << QRectF(1900, 0, 400, 10) << QColor(200, 100, 50);
    QTest::newRow("empty rectangle") << plain(Qt::white) << QRectF(10, 10, 0, 20) << QColor(Qt::black);
    QTest::newRow("outside the bitmap") << plain(Qt::white) << QRectF(2000, 10, 50, 20) << QColor(Qt::black);
    QTest::newRow("no bitmap") << QImage() << QRectF(0, 0, 100, 100) << QColor(Qt::black);
    QImage indexed = plain(QColor(90, 60, 30)).convertToFormat(QImage::Format_Indexed8);
    QTest::newRow("indexed bitmap") << indexed << QRectF(0, 0, 10, 10) << QColor(90, 60, 30);
}

void TestDetails::averageColor()
{
    QFETCH(QImage, image);
    QFETCH(QRectF, rect);
    QFETCH(QColor, expected);
    const QColor c = glow::GetAverageColor(image, rect.height(), rect.width(), rect.top(), rect.left());
    QCOMPARE(c, expected);
    QCOMPARE(c.alpha(), 255);
}

void TestDetails::glowFollowsBackdrop_data()
{
    QTest::addColumn<QColor>("backdrop");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("secondary"); // runtime and total titles
    QTest::newRow("white backdrop") << QColor(Qt::white) << QColor(Qt::black) << QColor(0x05, 0x4D, 0x7A);
    QTest::newRow("black backdrop") << QColor(Qt::black) << QColor(Qt::white) << QColor(0x87, 0xCE, 0xFA);
    // 126 + 126 + 126 = 378 is light, 125 * 3 + 2 = 377 is not.
    QTest::newRow("just light") << QColor(126, 126, 126) << QColor(Qt::black) << QColor(0x05, 0x4D, 0x7A);
    QTest::newRow("just dark") << QColor(125, 126, 126) << QColor(Qt::white) << QColor(0x87, 0xCE, 0xFA);
}

void TestDetails::glowFollowsBackdrop()
{
    QFETCH(QColor, backdrop);
    QFETCH(QColor, text);
    QFETCH(QColor, secondary);
    writeConfig(m_home->path());
    writeDatabase(m_home->path(), {makeTitle(u"T0"_qs, u"Alien"_qs)});
    TForm1 form;
    showAndWait(form);
    form.Settings.ShowClock = true;
    form.image(u"ImageBackground"_qs)->setPicture(plain(backdrop));
    form.UpdateGlowEffect();

    for (const QString &name : {u"LabelTitle"_qs, u"LabelYear"_qs, u"LabelTitleNum"_qs, u"LabelClock"_qs,
                                u"LabelProcessing"_qs, u"LabelProcessingStatus"_qs})
        QVERIFY2(form.label(name)->color() == text, qPrintable(name));
    QCOMPARE(form.label(u"LabelRuntime"_qs)->color(), secondary);
    QCOMPARE(form.label(u"LabelTotalTitles"_qs)->color(), secondary);
    for (const QString &name : {u"LabelTitle"_qs, u"LabelYear"_qs, u"LabelRuntime"_qs, u"ImageStars"_qs,
                                u"ImageRated"_qs, u"LabelTitleNum"_qs, u"LabelTotalTitles"_qs, u"LabelClock"_qs})
        QVERIFY2(form.scene().element(name)->glowColor() == backdrop, qPrintable(name));
}

QTEST_MAIN(TestDetails)
#include "tst_details.moc"
