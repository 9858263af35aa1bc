#include "app/config.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString folderOf(const QTemporaryDir &dir) { return dir.path() + u'/'; }

void writeRaw(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readRaw(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every stored field changed from its default.
tSettings everythingChanged()
{
    tSettings s;
    s.Folders = {{u"/media/Movies"_qs, false}, {u"/media/TV=Shows"_qs, false}, {u"/media/Movies"_qs, false}};
    s.AutoScan = true;
    s.DefaultSort = SortColNumDes;
    s.DefaultShowWatched = false;
    s.ISOMountTimeout = 45;
    s.VCDFilePath = u"/opt/vcd/VCDMount.exe"_qs;
    s.VCDDriveLetter = u"Z"_qs;
    s.Player4BluRays = TMT;
    s.Player4DVDs = W10MTV;
    s.Player4EncMedia = PDVD;
    s.PDVD.Filepath = u"/opt/pdvd/PDVDLP.exe"_qs;
    s.PDVD.AutoPlay = false;
    s.PDVD.LaunchProgram = PowerCinema;
    s.PDVD.OtherOptions = u" /a=b  "_qs;
    s.PDVD.ClosePlayer = true;
    s.LocalArt = true;
    s.CoverProfile = u"Blu-ray"_qs;
    s.FanArtBackground = u"Alien"_qs;
    s.ShowClock = true;
    s.Debug = true;
    s.PerfMon = true;
    s.ButtonLaunch = u"Green"_qs;
    s.ButtonClose = u"Clear"_qs;
    s.ShowHelp = false;
    s.DetailsDelay = 9;
    s.ScreenSaver = false;
    s.ScreenSaverDelay = 12;
    s.ScreenSaverInterval = 7;
    s.ScreenSaverTitle = false;
    return s;
}

const tFirstRunProbes kNoProbes;

} // namespace

class TestConfig : public QObject
{
    Q_OBJECT
private slots:
    void fileLayout()
    {
        QTemporaryDir dir;
        tSettings s;
        s.Folders = {{u"/m/A"_qs, false}, {u"/m/B"_qs, false}};
        QVERIFY(SaveConfig(s, folderOf(dir)));
        const QByteArray bytes = readRaw(dir.filePath(u"Cinevue.cfg"_qs));
        QVERIFY(bytes.endsWith("ButtonClose=\r\n"));
        QCOMPARE(bytes.count("\r\n"), bytes.count('\n')); // no bare LF anywhere

        const QList<QByteArray> lines = bytes.chopped(2).split('\n');
        QStringList keys;
        for (const QByteArray &l : lines)
            keys << QString::fromLatin1(l.chopped(1).split('=').first());
        QCOMPARE(keys.first(), u"[Cinevue Configuration Settings v."_qs + ProgVersion() + u']');
        keys.removeFirst();
        const QStringList expected = {
            u"ScanFolder"_qs, u"ScanFolder"_qs, u"AutoScan"_qs, u"ClosePlayer"_qs, u"DefaultSort"_qs,
            u"DefaultShowWatched"_qs, u"ISOMountTimeout"_qs, u"VCDFilePath"_qs, u"VCDDriveLetter"_qs,
            u"Player4BluRays"_qs, u"Player4DVDs"_qs, u"Player4EncMedia"_qs, u"PDVDFilePath"_qs,
            u"PDVDAutoPlay"_qs, u"PDVDLP"_qs, u"PDVDOtherOptions"_qs, u"LocalArt"_qs, u"CoverProfile"_qs,
            u"ShowClock"_qs, u"FanArtBackground"_qs, u"PerformanceLogging"_qs, u"DebugLogging"_qs,
            u"ShowHelp"_qs, u"DetailsDelay"_qs, u"ScreensaverEnabled"_qs, u"ScreensaverInterval"_qs,
            u"ScreensaverDelay"_qs, u"ScreensaverTitles"_qs, u"ButtonLaunch"_qs, u"ButtonClose"_qs,
        };
        QCOMPARE(keys, expected);
        QVERIFY(bytes.contains("\r\nAutoScan=False\r\n"));
        QVERIFY(bytes.contains("\r\nDefaultSort=SortTitleAsc\r\n"));
        QVERIFY(bytes.contains("\r\nPlayer4EncMedia=W10MTV\r\n"));
        QVERIFY(bytes.contains("\r\nPDVDLP=PowerDVDCinema\r\n"));
        QVERIFY(bytes.contains("\r\nISOMountTimeout=30\r\n"));
    }

    void saveClearsChangedAndSetsSaved()
    {
        QTemporaryDir dir;
        tSettings s;
        s.Changed = true;
        QList<tTimerSettings> applied;
        QVERIFY(SaveConfig(s, folderOf(dir), nullptr, [&](const tTimerSettings &t) { applied << t; }));
        QVERIFY(!s.Changed);
        QVERIFY(s.Saved);
        QCOMPARE(applied.size(), 1);
        QCOMPARE(applied.first(), (tTimerSettings{true, 60000, 5000}));
    }

    void roundTrip()
    {
        QTemporaryDir dir;
        tSettings s = everythingChanged();
        QVERIFY(SaveConfig(s, folderOf(dir)));
        const tSettings back = LoadConfig(folderOf(dir), {}, nullptr, kNoProbes);

        tSettings expected = everythingChanged();
        expected.Loaded = true;
        QCOMPARE(back, expected);
    }

    void notStoredFieldsKeepDefaults()
    {
        QTemporaryDir dir;
        tSettings s;
        s.LocalDB = false;
        s.MaxActors = 10;
        s.Folders = {{u"/m/A"_qs, true}};
        QVERIFY(SaveConfig(s, folderOf(dir)));
        const tSettings back = LoadConfig(folderOf(dir), {}, nullptr, kNoProbes);
        QVERIFY(back.LocalDB);
        QCOMPARE(back.MaxActors, 500);
        QCOMPARE(back.Folders.size(), 1);
        QVERIFY(!back.Folders.first().Done);
        QVERIFY(back.Loaded);
        QVERIFY(!back.Saved);
    }

    void orderIndependence()
    {
        QTemporaryDir dir;
        tSettings s = everythingChanged();
        QStringList lines = ConfigLines(s);
        const QString header = lines.takeFirst();
        std::reverse(lines.begin(), lines.end());
        lines.prepend(header);
        tSettings back = ConfigFromLines(lines);
        // Only the folders follow the line order.
        std::reverse(s.Folders.begin(), s.Folders.end());
        QCOMPARE(back, s);
    }

    // One line for one key, read into a fresh record.
    void conversions_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected"); // the field as SaveConfig writes it

        QTest::newRow("bool 1") << u"AutoScan=1"_qs << u"AutoScan"_qs << u"True"_qs;
        QTest::newRow("bool -3") << u"AutoScan=-3"_qs << u"AutoScan"_qs << u"True"_qs;
        QTest::newRow("bool 0") << u"ShowHelp=0"_qs << u"ShowHelp"_qs << u"False"_qs;
        QTest::newRow("bool tRuE") << u"AutoScan=tRuE"_qs << u"AutoScan"_qs << u"True"_qs;
        QTest::newRow("bool FALSE") << u"ShowHelp=FALSE"_qs << u"ShowHelp"_qs << u"False"_qs;
        QTest::newRow("bool yes") << u"AutoScan=yes"_qs << u"AutoScan"_qs << u"False"_qs;
        QTest::newRow("bool empty") << u"ShowHelp="_qs << u"ShowHelp"_qs << u"False"_qs;
        QTest::newRow("bool no equals sign") << u"ShowHelp"_qs << u"ShowHelp"_qs << u"False"_qs;

        QTest::newRow("int plain") << u"DetailsDelay=12"_qs << u"DetailsDelay"_qs << u"12"_qs;
        QTest::newRow("int leading zeros") << u"DetailsDelay=007"_qs << u"DetailsDelay"_qs << u"7"_qs;
        QTest::newRow("int empty") << u"DetailsDelay="_qs << u"DetailsDelay"_qs << u"0"_qs;
        QTest::newRow("int negative keeps default") << u"DetailsDelay=-5"_qs << u"DetailsDelay"_qs << u"5"_qs;
        QTest::newRow("int letters keep default") << u"ISOMountTimeout=abc"_qs << u"ISOMountTimeout"_qs << u"30"_qs;
        QTest::newRow("int blank keeps default") << u"ISOMountTimeout= 4"_qs << u"ISOMountTimeout"_qs << u"30"_qs;
        QTest::newRow("int too large keeps default") << u"ScreensaverDelay=99999999999"_qs << u"ScreensaverDelay"_qs << u"1"_qs;

        QTest::newRow("sort any case") << u"DefaultSort=sorttitledes"_qs << u"DefaultSort"_qs << u"SortTitleDes"_qs;
        QTest::newRow("sort unknown keeps default") << u"DefaultSort=SortByMood"_qs << u"DefaultSort"_qs << u"SortTitleAsc"_qs;
        QTest::newRow("player any case") << u"Player4DVDs=tmt"_qs << u"Player4DVDs"_qs << u"TMT"_qs;
        QTest::newRow("player unknown keeps default") << u"Player4EncMedia=VLC"_qs << u"Player4EncMedia"_qs << u"W10MTV"_qs;
        QTest::newRow("launch program any case") << u"PDVDLP=POWERDVD"_qs << u"PDVDLP"_qs << u"PowerDVD"_qs;

        QTest::newRow("text untrimmed") << u"CoverProfile=  My Profile "_qs << u"CoverProfile"_qs << u"  My Profile "_qs;
        QTest::newRow("text with equals sign") << u"PDVDOtherOptions=/a=1 /b=2"_qs << u"PDVDOtherOptions"_qs << u"/a=1 /b=2"_qs;
        QTest::newRow("text empty") << u"CoverProfile="_qs << u"CoverProfile"_qs << QString();
        QTest::newRow("key is case-sensitive") << u"coverprofile=X"_qs << u"CoverProfile"_qs << u"Default"_qs;
        QTest::newRow("key with blank is unknown") << u"CoverProfile =X"_qs << u"CoverProfile"_qs << u"Default"_qs;
        QTest::newRow("stored name of PerfMon") << u"PerformanceLogging=True"_qs << u"PerformanceLogging"_qs << u"True"_qs;
        QTest::newRow("stored name of ClosePlayer") << u"ClosePlayer=1"_qs << u"ClosePlayer"_qs << u"True"_qs;
    }
    void conversions()
    {
        QFETCH(QString, line);
        QFETCH(QString, field);
        QFETCH(QString, expected);
        const tSettings s = ConfigFromLines({u"[header]"_qs, line});
        const QString prefix = field + u'=';
        const QStringList written = ConfigLines(s).filter(prefix);
        QCOMPARE(written.size(), 1);
        QCOMPARE(written.first().mid(prefix.size()), expected);
    }

    void lastValueWinsFoldersAppend()
    {
        const tSettings s = ConfigFromLines({
            u"ScanFolder=/b"_qs, u"CoverProfile=First"_qs, u"ScanFolder=/a"_qs,
            u"CoverProfile=Second"_qs, u"ScanFolder=/b"_qs, u"ScanFolder="_qs,
            u"ScanFolder=/x=y"_qs, u"Unknown=1"_qs, QString(),
        });
        QCOMPARE(s.CoverProfile, u"Second"_qs);
        QStringList folders;
        for (const tScannedFolders &f : s.Folders)
            folders << f.Folder;
        QCOMPARE(folders, (QStringList{u"/b"_qs, u"/a"_qs, u"/b"_qs, QString(), u"/x=y"_qs}));
    }

    void lineEndsAndByteOrderMark_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("CR LF") << QByteArray("[h]\r\nAutoScan=True\r\nCoverProfile=Big\r\n");
        QTest::newRow("LF only, no final line end") << QByteArray("[h]\nAutoScan=True\nCoverProfile=Big");
        QTest::newRow("UTF-8 byte-order mark") << QByteArray("\xEF\xBB\xBF[h]\r\nAutoScan=True\r\nCoverProfile=Big\r\n");
        QTest::newRow("key on the first line") << QByteArray("AutoScan=True\r\nCoverProfile=Big\r\n");
    }
    void lineEndsAndByteOrderMark()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        writeRaw(dir.filePath(u"Cinevue.cfg"_qs), bytes);
        const tSettings s = LoadConfig(folderOf(dir), {}, nullptr, kNoProbes);
        QVERIFY(s.Loaded);
        QVERIFY(s.AutoScan);
        QCOMPARE(s.CoverProfile, u"Big"_qs);
    }

    void nonAsciiFolderSurvives()
    {
        QTemporaryDir dir;
        tSettings s;
        s.Folders = {{u"/media/Filme/Amélie"_qs, false}};
        QVERIFY(SaveConfig(s, folderOf(dir)));
        const tSettings back = LoadConfig(folderOf(dir), {}, nullptr, kNoProbes);
        QCOMPARE(back.Folders.first().Folder, u"/media/Filme/Amélie"_qs);
    }

    void firstRun()
    {
        QTemporaryDir dir;
        const QString found = dir.filePath(u"PDVDLP.exe"_qs);
        writeRaw(found, "x");
        tFirstRunProbes probes;
        probes.vcdMount = {dir.filePath(u"missing/VCDMount.exe"_qs)};
        probes.pdvdLauncher = {dir.filePath(u"PowerDVD18/PDVDLP.exe"_qs), found, dir.filePath(u"other.exe"_qs)};

        QList<tTimerSettings> applied;
        QString error;
        const tSettings s = LoadConfig(folderOf(dir), [&](const tTimerSettings &t) { applied << t; }, &error, probes);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(!s.Loaded);
        QVERIFY(s.Saved);
        QCOMPARE(s.PDVD.Filepath, found);
        QCOMPARE(s.VCDFilePath, QString());
        QVERIFY(!applied.isEmpty());
        QCOMPARE(applied.last(), (tTimerSettings{true, 60000, 5000}));

        const QByteArray bytes = readRaw(dir.filePath(u"Cinevue.cfg"_qs));
        QVERIFY(bytes.contains("\r\nPDVDFilePath=" + found.toLocal8Bit() + "\r\n"));
        QVERIFY(bytes.contains("\r\nVCDFilePath=\r\n"));

        // The second start reads what the first one wrote.
        const tSettings second = LoadConfig(folderOf(dir), {}, nullptr, kNoProbes);
        QVERIFY(second.Loaded);
        QCOMPARE(second.PDVD.Filepath, found);
    }

    void firstRunInUnwritableFolder()
    {
        QTemporaryDir dir;
        QString error;
        const tSettings s = LoadConfig(dir.filePath(u"gone/"_qs), {}, &error, kNoProbes);
        QVERIFY(!s.Loaded);
        QVERIFY(!s.Saved);
        QVERIFY(error.contains(u"Cinevue.cfg"_qs));
        QCOMPARE(s.CoverProfile, u"Default"_qs);
    }

    void unreadableFileIsNotReplaced()
    {
        QTemporaryDir dir;
        // A folder in the file's place cannot be read as a file.
        QVERIFY(QDir(dir.path()).mkdir(u"Cinevue.cfg"_qs));
        QString error;
        const tSettings s = LoadConfig(folderOf(dir), {}, &error, kNoProbes);
        QVERIFY(!s.Loaded);
        QVERIFY(!s.Saved);
        QVERIFY(!error.isEmpty());
        QVERIFY(QFileInfo(dir.filePath(u"Cinevue.cfg"_qs)).isDir());
    }

    void saveFailureKeepsChanged()
    {
        QTemporaryDir dir;
        tSettings s;
        s.Changed = true;
        QString error;
        QVERIFY(!SaveConfig(s, dir.filePath(u"gone/"_qs), &error));
        QVERIFY(s.Changed);
        QVERIFY(!s.Saved);
        QVERIFY(!error.isEmpty());
    }

    void timerSettings_data()
    {
        QTest::addColumn<bool>("screenSaver");
        QTest::addColumn<int>("delayMinutes");
        QTest::addColumn<int>("detailsSeconds");
        QTest::addColumn<bool>("enable");
        QTest::addColumn<int>("slideShowMs");
        QTest::addColumn<int>("detailsMs");
        QTest::newRow("defaults") << true << 1 << 5 << true << 60000 << 5000;
        QTest::newRow("screensaver off leaves the timer") << false << 4 << 2 << false << 240000 << 2000;
        QTest::newRow("zero delays") << true << 0 << 0 << true << 0 << 0;
        QTest::newRow("huge delay is clamped") << true << 100000 << 3000000 << true
                                               << std::numeric_limits<int>::max() << std::numeric_limits<int>::max();
    }
    void timerSettings()
    {
        QFETCH(bool, screenSaver);
        QFETCH(int, delayMinutes);
        QFETCH(int, detailsSeconds);
        QFETCH(bool, enable);
        QFETCH(int, slideShowMs);
        QFETCH(int, detailsMs);
        tSettings s;
        s.ScreenSaver = screenSaver;
        s.ScreenSaverDelay = delayMinutes;
        s.DetailsDelay = detailsSeconds;
        const tTimerSettings t = TimerSettingsOf(s);
        QCOMPARE(t.enableSlideShow, enable);
        if (enable)
            QCOMPARE(t.slideShowIntervalMs, slideShowMs);
        QCOMPARE(t.showDetailsIntervalMs, detailsMs);
    }

    void loadAppliesTimers()
    {
        QTemporaryDir dir;
        writeRaw(dir.filePath(u"Cinevue.cfg"_qs), "[h]\r\nScreensaverDelay=3\r\nDetailsDelay=2\r\n");
        QList<tTimerSettings> applied;
        LoadConfig(folderOf(dir), [&](const tTimerSettings &t) { applied << t; }, nullptr, kNoProbes);
        QCOMPARE(applied.size(), 1);
        QCOMPARE(applied.first(), (tTimerSettings{true, 180000, 2000}));
    }

    void versionText_data()
    {
        QTest::addColumn<int>("build");
        QTest::addColumn<QString>("text");
        QTest::newRow("one digit") << 7 << u"1.7.2017.0007"_qs;
        QTest::newRow("four digits") << 1220 << u"1.7.2017.1220"_qs;
        QTest::newRow("zero") << 0 << u"1.7.2017.0000"_qs;
        QTest::newRow("five digits are kept whole") << 12345 << u"1.7.2017.12345"_qs;
    }
    void versionText()
    {
        QFETCH(int, build);
        QFETCH(QString, text);
        QCOMPARE(FormatVersion(1, 7, 2017, build), text);
        QCOMPARE(FormatVersion(0, 0, 0, 0), u"0.0.0.0000"_qs);
    }

    void enumNamesRoundTrip()
    {
        for (int i = SortTitleAsc; i <= SortColNumDes; ++i)
            QCOMPARE(SortFromName(SortName(tSort(i)).toLower()), std::optional<tSort>(tSort(i)));
        for (int i = PDVD; i <= TMT; ++i)
            QCOMPARE(PlayerFromName(PlayerName(tPlayers(i)).toUpper()), std::optional<tPlayers>(tPlayers(i)));
        for (int i = PowerDVD; i <= PowerCinema; ++i)
            QCOMPARE(PDVDLPFromName(PDVDLPName(tPDVDLP(i))), std::optional<tPDVDLP>(tPDVDLP(i)));
        QVERIFY(!SortFromName(QString()));
        QVERIFY(!PlayerFromName(u"PDVD "_qs));
    }
};

QTEST_GUILESS_MAIN(TestConfig)
#include "tst_config.moc"
