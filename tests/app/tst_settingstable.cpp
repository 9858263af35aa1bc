// The table that declares every setting once: file keys, conversions and the
// settings screen's entries.

#include "app/config.h"
#include "app/settingstable.h"

#include <QSet>
#include <QTest>

class TestSettingsTable : public QObject
{
    Q_OBJECT

private slots:
    // Every setting survives a write and a read with a value other than its
    // default, so a row whose conversion or member is wrong shows up.
    void everySettingRoundTrips()
    {
        tSettings s;
        s.Folders = {{u"/srv/a/"_qs, false}, {u"/srv/b/"_qs, false}};
        s.AutoScan = true;
        s.DefaultSort = SortAddedDes;
        s.DefaultShowWatched = false;
        s.ISOMountTimeout = 7;
        s.VCDFilePath = u"/usr/bin/cinevue-mount"_qs;
        s.VCDDriveLetter = u"V"_qs;
        s.Player4BluRays = TMT;
        s.Player4DVDs = W10MTV;
        s.Player4EncMedia = tPlayers::PDVD;
        s.PDVD.Filepath = u"/usr/bin/cinevue-play"_qs;
        s.PDVD.AutoPlay = false;
        s.PDVD.LaunchProgram = PowerCinema;
        s.PDVD.OtherOptions = u"a=b c"_qs;
        s.PDVD.ClosePlayer = true;
        s.LocalArt = true;
        s.CoverProfile = u"Slim"_qs;
        s.FanArtBackground = u"Alien & Co"_qs;
        s.ShowClock = true;
        s.Debug = true;
        s.PerfMon = true;
        s.ButtonLaunch = u"Green"_qs;
        s.ButtonClose = u"Red"_qs;
        s.ShowHelp = false;
        s.DetailsDelay = 9;
        s.ScreenSaver = false;
        s.ScreenSaverDelay = 4;
        s.ScreenSaverInterval = 6;
        s.ScreenSaverTitle = false;
        tSettings back = ConfigFromLines(ConfigLines(s));
        QCOMPARE(back, s);
        // And each stored field differs from its default, so none is skipped.
        for (const SettingDescriptor &d : SettingsTable())
            QVERIFY2(d.values(s) != d.values(tSettings()), qPrintable(d.key));
    }

    void keysAndScreenEntriesAreUnique()
    {
        QSet<QString> keys;
        QSet<QPair<int, int>> places;
        QSet<QString> elements;
        for (const SettingDescriptor &d : SettingsTable()) {
            QVERIFY2(!keys.contains(d.key), qPrintable(d.key));
            keys.insert(d.key);
            QCOMPARE(FindSetting(d.key), &d);
            if (!d.screen)
                continue;
            const QPair<int, int> place(d.screen->row, d.screen->column);
            QVERIFY2(!places.contains(place), qPrintable(d.key));
            places.insert(place);
            QVERIFY2(!elements.contains(d.screen->element), qPrintable(d.screen->element));
            elements.insert(d.screen->element);
            QCOMPARE(SettingAt(place.first, place.second), &d);
        }
        QVERIFY(!FindSetting(u"[Cinevue Configuration Settings v.1]"_qs));
    }

    void screenTexts_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("text");
        QTest::newRow("two spaces before Enabled") << u"AutoScan"_qs << u"AutoScan=True"_qs
                                                   << u"Auto-run SmartSync on every program start:  Enabled"_qs;
        QTest::newRow("drive letter") << u"VCDDriveLetter"_qs << u"VCDDriveLetter=V"_qs
                                      << u"Virtual CloneDrive Drive Letter:  V:\\"_qs;
        QTest::newRow("other media player, doubled ampersand")
            << u"Player4EncMedia"_qs << u"Player4EncMedia=W10MTV"_qs << u"Play other Media with: Win10 Movies && TV"_qs;
        QTest::newRow("no options") << u"PDVDOtherOptions"_qs << u"PDVDOtherOptions="_qs << u"PDVD Options: <none>"_qs;
        QTest::newRow("background with an ampersand")
            << u"FanArtBackground"_qs << u"FanArtBackground=Tom & Jerry"_qs
            << u"Clear Background (currently Tom && Jerry)"_qs;
        QTest::newRow("clear background") << u"FanArtBackground"_qs << u"FanArtBackground="_qs
                                          << u"Clear Background (currently clear)"_qs;
        QTest::newRow("default sort") << u"DefaultSort"_qs << u"DefaultSort=SortColNumDes"_qs
                                      << u"Default Sort: by Collection Number (Descending)"_qs;
        QTest::newRow("launch button None") << u"ButtonLaunch"_qs << u"ButtonLaunch=None"_qs
                                            << u"MCE Remote Button to Launch Cinevue: <none>"_qs;
        QTest::newRow("close button") << u"ButtonClose"_qs << u"ButtonClose=Record"_qs
                                      << u"...to Close Programs (i.e. PowerDVD): [Record]"_qs;
        QTest::newRow("details delay") << u"DetailsDelay"_qs << u"DetailsDelay=12"_qs << u"Details Pop-Up Delay: 12 secs"_qs;
    }
    void screenTexts()
    {
        QFETCH(QString, key);
        QFETCH(QString, setup);
        QFETCH(QString, text);
        const tSettings s = ConfigFromLines({setup});
        const SettingDescriptor *d = FindSetting(key);
        QVERIFY(d && d->screen);
        QCOMPARE(d->screen->text(s), text);
    }

    // A value that does not convert keeps the default and says so.
    void badValuesKeepTheDefault_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("number too large for 32 bits") << u"DetailsDelay=99999999999"_qs;
        QTest::newRow("not a number") << u"ISOMountTimeout=ten"_qs;
        QTest::newRow("unknown sort") << u"DefaultSort=SortByMood"_qs;
        QTest::newRow("unknown player") << u"Player4DVDs=VLC"_qs;
    }
    void badValuesKeepTheDefault()
    {
        QFETCH(QString, line);
        const QString key = line.left(line.indexOf(u'='));
        tSettings s;
        QVERIFY(!FindSetting(key)->take(s, line.mid(line.indexOf(u'=') + 1)));
        QCOMPARE(s, tSettings());
        QCOMPARE(ConfigFromLines({line}), tSettings());
    }
};

QTEST_GUILESS_MAIN(TestSettingsTable)
#include "tst_settingstable.moc"
