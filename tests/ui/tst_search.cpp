// The real-time search overlay through the real window: cursor rules, typing
// into the boxes with real key events, and the two ways out.

#include "app/collection.h"
#include "app/config.h"
#include "app/statedump.h"
#include "app/tform1.h"
#include "tests/ui/windowfixture.h"
#include "ui/messages.h"
#include "ui/scene.h"
#include "ui/search.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {

tTitle makeTitle(const QString &name, tMediaType type, const QStringList &actors, const QString &description = {})
{
    tTitle t;
    t.ID = name;
    t.Title = name;
    t.SortTitle = name;
    t.MediaType = type;
    t.Description = description;
    for (const QString &a : actors)
        t.Actors.append({a, QString()});
    t.ReleaseDate = u"20000101"_qs;
    t.AddedDate = u"20000101"_qs;
    return t;
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void searchCursor_data();
    void searchCursor();
    void typingNarrowsTheListAfterEachKey();
    void enterClosesOnlyTheBox();
    void browseResultsKeepsTheTerms();
    void exitEntryClearsTheTerms();
    void emptyResultKeepsTyping();
    void backspaceOnTheOverlayDoesNothing();
    void scriptStateCarriesTheSearch();

private:
    void openForm();
    QStringList shown() const;
    void typeText(const QString &text);

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<TForm1> m_form;
};

void TestSearch::initTestCase()
{
    messages::SetHeadless(true);
}

void TestSearch::init()
{
    makeWindowHome(m_home);
    tSettings s;
    s.ScreenSaver = false;
    QString error;
    QVERIFY2(SaveConfig(s, m_home->path(), &error), qPrintable(error));
}

void TestSearch::cleanup()
{
    m_form.reset();
}

void TestSearch::openForm()
{
    m_form = std::make_unique<TForm1>();
    m_form->resize(Scene::kWidth / 4, Scene::kHeight / 4);
    m_form->show();
    QTRY_VERIFY_WITH_TIMEOUT(m_form->isStartupFinished(), 20000);
    tTitles titles;
    titles.Title = {makeTitle(u"Sleepless"_qs, mtMovie, {u"Tom Hanks"_qs, u"Meg Ryan"_qs}, u"A widower"_qs),
                    makeTitle(u"Big"_qs, mtMovie, {u"Tom Hanks"_qs}, u"A boy wishes"_qs),
                    makeTitle(u"Top Gun"_qs, mtMovie, {u"Tom Cruise"_qs, u"Meg Ryan"_qs}),
                    makeTitle(u"Cheers"_qs, mtTV, {u"Ted Danson"_qs})};
    m_form->collection().setTitles(titles, false);
    m_form->SortItems();
    m_form->ScreenMode = smIconBar;
    m_form->OpenIconMenu(8);
    QCOMPARE(m_form->ScreenMode, smSearch);
    QCOMPARE(m_form->search().SearchCursor, 0);
    QVERIFY(m_form->image(u"ImageSearchBackground"_qs)->isShown());
}

QStringList TestSearch::shown() const
{
    QStringList names;
    for (qint32 index : std::as_const(m_form->ViewList))
        names << m_form->Titles.Title.at(index).Title;
    names.sort();
    return names;
}

void TestSearch::typeText(const QString &text)
{
    for (QChar c : text)
        QTest::keyClick(m_form.get(), c.toLatin1());
}

void TestSearch::searchCursor_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");
    const int U = Qt::Key_Up, D = Qt::Key_Down, L = Qt::Key_Left, R = Qt::Key_Right;
    QTest::newRow("down within the first column") << 0 << D << 1;
    QTest::newRow("down from the end of the first column") << 2 << D << 3;
    QTest::newRow("down from the end of the second column") << 5 << D << 6;
    QTest::newRow("down on browse results stays") << 7 << D << 7;
    QTest::newRow("up on the first entry stays") << 0 << U << 0;
    QTest::newRow("up from the second column's top") << 3 << U << 2;
    QTest::newRow("right from the first column") << 1 << R << 4;
    QTest::newRow("right from the second column to browse results") << 3 << R << 7;
    QTest::newRow("right from the third column stays") << 6 << R << 6;
    QTest::newRow("left from the second column") << 5 << L << 2;
    QTest::newRow("left from the exit entry") << 6 << L << 4;
    QTest::newRow("left from browse results") << 7 << L << 5;
    QTest::newRow("left from the first column stays") << 2 << L << 2;
}

void TestSearch::searchCursor()
{
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, expected);
    openForm();
    m_form->search().SearchCursor = start;
    m_form->search().ShowSearch();
    QTest::keyClick(m_form.get(), Qt::Key(key));
    QCOMPARE(m_form->search().SearchCursor, expected);
    const QStringList labels = {u"Search_Label_Name"_qs, u"Search_Label_Desc"_qs, u"Search_Label_Actors"_qs,
                                u"Search_Label_Directors"_qs, u"Search_Label_Writers"_qs, u"Search_Label_Producers"_qs,
                                u"Search_Label_Exit"_qs, u"Search_Label_Browse"_qs};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(m_form->label(labels.at(i))->color() == QColor(Qt::white), i == expected);
}

void TestSearch::typingNarrowsTheListAfterEachKey()
{
    openForm();
    QTest::keyClick(m_form.get(), Qt::Key_Down);
    QTest::keyClick(m_form.get(), Qt::Key_Down); // actors
    QTest::keyClick(m_form.get(), Qt::Key_Return);
    QCOMPARE(m_form->ScreenMode, smSearchEdit);
    QVERIFY(m_form->image(u"Search_Edit_Actors"_qs)->isShown());

    const QList<std::pair<QChar, QStringList>> steps = {
        {u'T', {u"Big"_qs, u"Sleepless"_qs, u"Top Gun"_qs, u"Cheers"_qs}},
        {u'o', {u"Big"_qs, u"Sleepless"_qs, u"Top Gun"_qs}},
        {u'm', {u"Big"_qs, u"Sleepless"_qs, u"Top Gun"_qs}},
        {u' ', {u"Big"_qs, u"Sleepless"_qs, u"Top Gun"_qs}},
        {u'H', {u"Big"_qs, u"Sleepless"_qs}},
    };
    for (const auto &[c, expected] : steps) {
        QTest::keyClick(m_form.get(), c.toLatin1());
        QStringList sorted = expected;
        sorted.sort();
        QCOMPARE(shown(), sorted);
        QCOMPARE(m_form->ScreenMode, smSearchEdit);
        QCOMPARE(m_form->FocusIndex, 0);
    }
    QCOMPARE(m_form->Filter.SearchActors, u"Tom H"_qs);
    // Editing keys work in the box and rebuild too.
    QTest::keyClick(m_form.get(), Qt::Key_Backspace);
    QCOMPARE(m_form->Filter.SearchActors, u"Tom "_qs);
    QCOMPARE(shown().size(), 3);
}

void TestSearch::enterClosesOnlyTheBox()
{
    openForm();
    QTest::keyClick(m_form.get(), Qt::Key_Return); // the name box
    typeText(u"big"_qs);
    QTest::keyClick(m_form.get(), Qt::Key_Return);
    QCOMPARE(m_form->ScreenMode, smSearch);
    QVERIFY(!m_form->image(u"Search_Edit_Name"_qs)->isShown());
    QVERIFY(m_form->image(u"ImageSearchBackground"_qs)->isShown());
    QCOMPARE(m_form->label(u"Search_Label_Name"_qs)->text(), u"Title Name Contains: \"big\""_qs);
    QCOMPARE(m_form->label(u"Search_Label_Desc"_qs)->text(), u"Synopsis Contains: \"\""_qs);
    QCOMPARE(shown(), QStringList{u"Big"_qs});
    // Enter acted on the box only: the cursor did not open anything else.
    QCOMPARE(m_form->search().SearchCursor, 0);
}

void TestSearch::browseResultsKeepsTheTerms()
{
    openForm();
    QTest::keyClick(m_form.get(), Qt::Key_Down); // synopsis
    QTest::keyClick(m_form.get(), Qt::Key_Return);
    typeText(u"wid"_qs);
    QTest::keyClick(m_form.get(), Qt::Key_Return);
    QTest::keyClick(m_form.get(), Qt::Key_Right); // 4
    QTest::keyClick(m_form.get(), Qt::Key_Right); // browse results
    QTest::keyClick(m_form.get(), Qt::Key_Return);
    QCOMPARE(m_form->ScreenMode, smRowA);
    QVERIFY(!m_form->image(u"ImageSearchBackground"_qs)->isShown());
    QCOMPARE(shown(), QStringList{u"Sleepless"_qs});

    m_form->ScreenMode = smIconBar;
    m_form->OpenIconMenu(8);
    QCOMPARE(m_form->label(u"Search_Label_Desc"_qs)->text(), u"Synopsis Contains: \"wid\""_qs);
    QTest::keyClick(m_form.get(), Qt::Key_Down);
    QTest::keyClick(m_form.get(), Qt::Key_Return);
    QCOMPARE(m_form->search().box(1)->text(), u"wid"_qs);
    QTest::keyClick(m_form.get(), 'e');
    QCOMPARE(m_form->Filter.SearchDesc, u"wide"_qs);
}

void TestSearch::exitEntryClearsTheTerms()
{
    openForm();
    m_form->Filter.MediaTypeFilter = mtMovie;
    QTest::keyClick(m_form.get(), Qt::Key_Return);
    typeText(u"top"_qs);
    QTest::keyClick(m_form.get(), Qt::Key_Return);
    QCOMPARE(shown(), QStringList{u"Top Gun"_qs});
    m_form->search().SearchCursor = 6;
    m_form->search().ShowSearch();
    QTest::keyClick(m_form.get(), Qt::Key_Return);
    QVERIFY(m_form->Filter.SearchName.isEmpty());
    QVERIFY(!m_form->image(u"ImageSearchBackground"_qs)->isShown());
    // The other filters stay.
    QCOMPARE(shown(), (QStringList{u"Big"_qs, u"Sleepless"_qs, u"Top Gun"_qs}));
    QCOMPARE(m_form->ScreenMode, smRowA);
}

void TestSearch::emptyResultKeepsTyping()
{
    openForm();
    QTest::keyClick(m_form.get(), Qt::Key_Return);
    typeText(u"zz"_qs);
    QVERIFY(m_form->ViewList.isEmpty());
    QCOMPARE(m_form->ScreenMode, smSearchEdit);
    QVERIFY(!m_form->image(u"ImageCovers"_qs)->isShown());
    QVERIFY(m_form->image(u"ImageSearchBackground"_qs)->isShown());
    // Browse Results with no match falls back to the icon bar.
    QTest::keyClick(m_form.get(), Qt::Key_Return);
    m_form->search().SearchCursor = 7;
    QTest::keyClick(m_form.get(), Qt::Key_Return);
    QCOMPARE(m_form->ScreenMode, smIconBar);
}

void TestSearch::backspaceOnTheOverlayDoesNothing()
{
    openForm();
    QTest::keyClick(m_form.get(), Qt::Key_Down);
    QTest::keyClick(m_form.get(), Qt::Key_Backspace);
    QCOMPARE(m_form->ScreenMode, smSearch);
    QCOMPARE(m_form->search().SearchCursor, 1);
    QVERIFY(m_form->image(u"ImageSearchBackground"_qs)->isShown());
}

QTEST_MAIN(TestSearch)
// What the script driver reports while the user types: the cursor and the
// six search texts under their own names.
void TestSearch::scriptStateCarriesTheSearch()
{
    openForm();
    QTest::keyClick(m_form.get(), Qt::Key_Down);
    QTest::keyClick(m_form.get(), Qt::Key_Down); // actors
    QTest::keyClick(m_form.get(), Qt::Key_Return);
    typeText(u"Meg"_qs);
    const QJsonObject state = WindowState(*m_form);
    QCOMPARE(state.value(u"ScreenMode"_qs).toInt(), int(smSearchEdit));
    QCOMPARE(state.value(u"SearchCursor"_qs).toInt(), 2);
    const QJsonObject texts = state.value(u"Search"_qs).toObject();
    QCOMPARE(texts.size(), 6);
    QCOMPARE(texts.value(u"SearchActors"_qs).toString(), u"Meg"_qs);
    for (const QString &name : {u"SearchName"_qs, u"SearchDesc"_qs, u"SearchDirectors"_qs, u"SearchWriters"_qs,
                                u"SearchProducers"_qs})
        QCOMPARE(texts.value(name).toString(), QString());
    const QJsonArray shownIds = state.value(u"ViewList"_qs).toArray();
    QCOMPARE(shownIds.size(), 2);
}

#include "tst_search.moc"
