// The disc selection box: its layout rules, and the keys through the real
// window with a title of many discs.

#include "app/config.h"
#include "app/tform1.h"
#include "play/discselection.h"
#include "tests/ui/windowfixture.h"
#include "ui/elements.h"
#include "ui/messages.h"

#include <QTest>

namespace {

tTitle titleWithDiscs(int discs, const QString &name = u"Disc %1"_qs)
{
    tTitle t;
    t.ID = u"many"_qs;
    t.Title = t.SortTitle = u"Many Discs"_qs;
    t.Year = 2001;
    t.Runtime = 90;
    t.MediaType = mtMovie;
    t.ReleaseDate = t.AddedDate = u"20010101"_qs;
    for (int i = 0; i < discs; ++i) {
        tDiscInfo d;
        d.Name = name.arg(i + 1);
        d.Loc = u"/nowhere/disc%1"_qs.arg(i + 1);
        t.DiscInfo << d;
    }
    return t;
}

} // namespace

class TestDiscSelection : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<TForm1> m_form;
    QList<qint32> m_chosen;

    DiscSelection &openFor(const tTitle &title)
    {
        tSettings s;
        s.ScreenSaver = false;
        SaveConfig(s, m_home->path());
        writeDatabase(m_home->path(), {title});
        m_form = std::make_unique<TForm1>();
        showAndWait(*m_form);
        DiscSelection &box = *m_form->screen<DiscSelection>();
        m_form->ScreenMode = smRowB;
        box.Open(0, [this](qint32 disc) { m_chosen << disc; });
        return box;
    }

private slots:
    void initTestCase() { messages::SetHeadless(true); }
    void init()
    {
        makeWindowHome(m_home);
        m_chosen.clear();
    }
    void cleanup()
    {
        m_form.reset();
        m_home.reset();
    }

    void boxSize_data()
    {
        QTest::addColumn<int>("discs");
        QTest::addColumn<qreal>("widest");
        QTest::addColumn<QSizeF>("size");
        QTest::newRow("two short names: at least 450 wide") << 2 << 120.0 << QSizeF(450, 257);
        QTest::newRow("a long name widens the box") << 3 << 700.0 << QSizeF(750, 307);
        QTest::newRow("fourteen rows at most") << 20 << 400.0 << QSizeF(450, 857);
    }
    void boxSize()
    {
        QFETCH(int, discs);
        QFETCH(qreal, widest);
        QFETCH(QSizeF, size);
        QCOMPARE(discselection::BoxSize(discs, widest), size);
    }

    void columnScroll_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("discs");
        QTest::addColumn<qreal>("y");
        QTest::newRow("first") << 0 << 20 << 0.0;
        QTest::newRow("fourteenth disc still unscrolled") << 13 << 20 << 0.0;
        QTest::newRow("fifteenth scrolls one row") << 14 << 20 << -50.0;
        QTest::newRow("last disc is the last row") << 19 << 20 << -300.0;
        QTest::newRow("Cancel keeps the last disc in view") << 20 << 20 << -300.0;
        QTest::newRow("Cancel of a short list") << 3 << 3 << 0.0;
    }
    void columnScroll()
    {
        QFETCH(int, selected);
        QFETCH(int, discs);
        QFETCH(qreal, y);
        QCOMPARE(discselection::ColumnY(selected, discs), y);
    }

    void keysOnTwentyDiscs()
    {
        DiscSelection &box = openFor(titleWithDiscs(20));
        QCOMPARE(m_form->ScreenMode, smSelectDisc);
        QVERIFY(box.box()->isShown());
        QCOMPARE(box.discLabels().size(), 20);
        QCOMPARE(box.box()->size().height(), 50.0 * 14 + 157);
        QVERIFY(box.box()->size().width() >= 450);
        QCOMPARE(box.discLabels().first()->color(), QColor(Qt::white));

        QTest::keyClick(m_form.get(), Qt::Key_Up); // at the top: nothing
        QCOMPARE(box.SelectedDisc, 0);
        QTest::keyClick(m_form.get(), Qt::Key_Left);
        QTest::keyClick(m_form.get(), Qt::Key_Right);
        QCOMPARE(box.SelectedDisc, 0);
        for (int i = 0; i < 14; ++i)
            QTest::keyClick(m_form.get(), Qt::Key_Down);
        QCOMPARE(box.SelectedDisc, 14);
        QCOMPARE(box.discColumn()->pos().y(), -50.0);
        QCOMPARE(box.discLabels().at(14)->color(), QColor(Qt::white));
        QCOMPARE(box.discLabels().at(13)->color(), colors::LightSkyBlue);

        for (int i = 0; i < 10; ++i)
            QTest::keyClick(m_form.get(), Qt::Key_Down); // stops on Cancel
        QCOMPARE(box.SelectedDisc, 20);
        QCOMPARE(box.cancelLabel()->color(), QColor(Qt::white));
        QTest::keyClick(m_form.get(), Qt::Key_Return);
        QCOMPARE(m_chosen, QList<qint32>{-1}); // Enter on Cancel plays nothing
        QVERIFY(!box.box()->isShown());
        QCOMPARE(m_form->ScreenMode, smRowB);
    }

    void enterAndBackspace_data()
    {
        QTest::addColumn<int>("downs");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("chosen");
        QTest::newRow("Enter on the first disc") << 0 << int(Qt::Key_Return) << 0;
        QTest::newRow("Enter on the second disc") << 1 << int(Qt::Key_Return) << 1;
        QTest::newRow("Backspace cancels") << 1 << int(Qt::Key_Backspace) << -1;
    }
    void enterAndBackspace()
    {
        QFETCH(int, downs);
        QFETCH(int, key);
        QFETCH(int, chosen);
        DiscSelection &box = openFor(titleWithDiscs(2, u"Side %1"_qs));
        QCOMPARE(box.discLabels().at(1)->text(), u"Side 2"_qs);
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(m_form.get(), Qt::Key_Down);
        QTest::keyClick(m_form.get(), Qt::Key(key));
        QCOMPARE(m_chosen, QList<qint32>{chosen});
        QCOMPARE(m_form->ScreenMode, smRowB);
        // A new opening starts from the first disc with fresh labels.
        box.Open(0, [this](qint32 disc) { m_chosen << disc; });
        QCOMPARE(box.SelectedDisc, 0);
        QCOMPARE(box.discLabels().size(), 2);
    }
};

QTEST_MAIN(TestDiscSelection)
#include "tst_discselection.moc"
