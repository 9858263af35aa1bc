#include "model/titles.h"

#include <QtTest>

class TestTitles : public QObject
{
    Q_OBJECT
private slots:
    void enumNames_data()
    {
        QTest::addColumn<int>("container");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("word");
        QTest::newRow("folder") << int(ctFolder) << u"ctFolder"_qs << u"DVD Folder"_qs;
        QTest::newRow("iso") << int(ctISO) << u"ctISO"_qs << u"ISO"_qs;
        QTest::newRow("mp4") << int(ctMP4) << u"ctMP4"_qs << u"MP4"_qs;
        QTest::newRow("mkv") << int(ctMKV) << u"ctMKV"_qs << u"MKV"_qs;
        QTest::newRow("unknown") << int(ctUnknown) << u"ctUnknown"_qs << u"Unknown"_qs;
    }
    void enumNames()
    {
        QFETCH(int, container);
        QFETCH(QString, name);
        QFETCH(QString, word);
        const auto c = tContainers(container);
        QCOMPARE(ContainerName(c), name);
        QCOMPARE(ContainerDisplayWord(c), word);
        QCOMPARE(ContainerFromName(name), std::optional<tContainers>(c));
    }
    void unknownNamesAreRejected()
    {
        QVERIFY(!MediaTypeFromName(u"mtmovie"_qs)); // names are exact
        QVERIFY(!DiscTypeFromName(QString()));
        QCOMPARE(MediaTypeFromName(u"mtTV"_qs), std::optional<tMediaType>(mtTV));
        QCOMPARE(DiscTypeFromName(u"dt4KUltraHD"_qs), std::optional<tDiscTypes>(dt4KUltraHD));
    }
    void placeholderDefaults()
    {
        const tTitle t = PlaceholderTitle(u"/m/Alien"_qs, u"Alien"_qs, u"No XML"_qs);
        QCOMPARE(t.ID, u"Alien"_qs);
        QCOMPARE(t.SortTitle, u"Alien"_qs);
        QCOMPARE(t.CollectionNum, -1);
        QCOMPARE(t.Year, 9999);
        QCOMPARE(t.Runtime, 999);
        QCOMPARE(t.ReleaseDate, u"99990101"_qs);
        QCOMPARE(t.AddedDate, u"99990101"_qs);
        QCOMPARE(t.Rated, u"Unrated"_qs);
        QCOMPARE(t.AspectRatio, u"Unknown"_qs);
        QVERIFY(t.Online);
        QVERIFY(!t.WatchedCVB);
        QCOMPARE(t.Description, u"No XML"_qs);
        QCOMPARE(t.RatedDesc, u"No XML"_qs);
    }
};

QTEST_GUILESS_MAIN(TestTitles)
#include "tst_titles.moc"
