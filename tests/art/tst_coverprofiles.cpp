#include "art/coverprofiles.h"
#include "art/imageresources.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

void writeImage(const QString &path, QSize size, QColor color)
{
    QDir().mkpath(QFileInfo(path).path());
    QImage img(size, QImage::Format_ARGB32);
    img.fill(color);
    QVERIFY(img.save(path));
}

QByteArray profileXml(const QByteArray &covers, const QByteArray &rootAttributes =
                                                    R"(Name="Slim" MissingImage="Missing" TextMarginBottom="1" TextMarginRight="2" TextMarginTop="3" TextMarginLeft="4" Height="400" Width="300")")
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<CoverProfile " + rootAttributes + ">\n<Text/>\n" + covers +
           "</CoverProfile>\n";
}

QByteArray coverXml(const QByteArray &type, const QByteArray &box = R"(PositionY="10" PositionX="5" MaxHeight="380" MaxWidth="290")",
                    const QByteArray &children = "<Over>o</Over><Under>u</Under>")
{
    return "<Cover Type=\"" + type + "\" ContainProportions=\"True\" " + box + ">" + children + "</Cover>\n";
}

QStringList strings(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *t : texts)
        list << QString::fromUtf8(t);
    return list;
}

QColor pixel(const QImage &img, int x, int y)
{
    return img.pixelColor(x, y);
}

} // namespace

class tst_CoverProfiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void embeddedImages_data();
    void embeddedImages();
    void embeddedImageNamesIgnoreCase();
    void backdropChoice_data();
    void backdropChoice();

    void listing_data();
    void listing();
    void listingWithoutProfilesReportsTheFolder();
    void standardFoldersFollowTheDataHome();

    void parse_data();
    void parse();

    void layoutType_data();
    void layoutType();

    void builtInProfile();
    void builtInProfileUsesMyMoviesFrames();
    void namedProfileIsLoaded();
    void unusableProfileFallsBackToBuiltIn_data();
    void unusableProfileFallsBackToBuiltIn();

private:
    ImageResources m_resources;
};

void tst_CoverProfiles::initTestCase()
{
    QCOMPARE(m_resources.PreLoad(), QStringList());
}

void tst_CoverProfiles::embeddedImages_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    const QList<std::pair<const char *, QSize>> fixed = {
        {"PngMainBackground", {1920, 1080}}, {"PngHelpBackground1", {1920, 1080}},
        {"PngHelpBackground2", {1920, 1080}}, {"PngHelpBackground3", {1920, 1080}},
        {"PngBlackShadow", {245, 343}}, {"PngTransparent", {1, 1}},
        {"PngFolder", {50, 39}}, {"PngFolderSel", {50, 39}}, {"PngSmallX", {24, 24}}, {"PngSmallXSel", {24, 24}},
        {"PngMovieTVBlue", {512, 512}}, {"PngMovieTVWhite", {512, 512}},
        {"PngWatched", {100, 90}}, {"PngWatchListRibbon", {60, 85}},
        {"PngRatedG_White", {80, 70}}, {"PngRatedG_Black", {80, 70}},
        {"PngRatedPG_White", {133, 70}}, {"PngRatedPG_Black", {133, 70}},
        {"PngRatedPG13_White", {248, 70}}, {"PngRatedPG13_Black", {248, 70}},
        {"PngRatedR_White", {81, 70}}, {"PngRatedR_Black", {81, 70}},
        {"PngRatedNC17_White", {238, 70}}, {"PngRatedNC17_Black", {238, 70}},
        {"PngRatedUnrated_White", {240, 70}}, {"PngRatedUnrated_Black", {240, 70}},
        {"PngCheckboxBlueNo", {80, 64}}, {"PngCheckboxBlueYes", {80, 64}},
        {"PngCheckboxWhiteNo", {80, 64}}, {"PngCheckboxWhiteYes", {80, 64}},
        {"PngDefaultBluRayUnder", {245, 343}}, {"PngDefaultHDDVDUnder", {245, 343}},
    };
    for (const auto &[name, size] : fixed)
        QTest::newRow(name) << QString::fromLatin1(name) << size;
    for (const char *icon : {"Settings", "Sync", "Watched", "Unwatched", "Genre", "Cats", "Sort", "Filter", "Search",
                             "WatchList", "Exit"}) {
        for (const char *variant : {"Blue", "White"}) {
            const QString name = QStringLiteral("Png%1%2").arg(QLatin1String(icon), QLatin1String(variant));
            QTest::newRow(qPrintable(name)) << name << QSize(256, 256);
        }
    }
    for (int stars = 0; stars <= 10; ++stars) {
        for (const char *variant : {"White", "Black"}) {
            const QString name = QStringLiteral("PngStars%1_%2").arg(stars).arg(QLatin1String(variant));
            QTest::newRow(qPrintable(name)) << name << QSize(175, 33);
        }
    }
}

void tst_CoverProfiles::embeddedImages()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const QImage img = m_resources.image(name);
    QVERIFY2(!img.isNull(), qPrintable(name));
    QCOMPARE(img.size(), size);
}

void tst_CoverProfiles::embeddedImageNamesIgnoreCase()
{
    QCOMPARE(m_resources.image(QStringLiteral("pngblackshadow")).size(), QSize(245, 343));
    QCOMPARE(m_resources.image(QStringLiteral("PNGCHECKBOXWHITEYES")).size(), QSize(80, 64));
    QVERIFY(m_resources.image(QStringLiteral("PngNoSuchImage")).isNull());
    const QImage blank = m_resources.blank();
    QCOMPARE(blank.size(), QSize(1, 1));
    QCOMPARE(blank.pixelColor(0, 0).alpha(), 0);
}

void tst_CoverProfiles::backdropChoice_data()
{
    QTest::addColumn<bool>("showHelp");
    QTest::addColumn<bool>("hasFolders");
    QTest::addColumn<bool>("hasTitles");
    QTest::addColumn<QString>("name");
    QTest::newRow("help off") << false << true << true << "PngMainBackground";
    QTest::newRow("help off, nothing set up") << false << false << false << "PngMainBackground";
    QTest::newRow("no folder") << true << false << false << "PngHelpBackground1";
    QTest::newRow("folders, no titles") << true << true << false << "PngHelpBackground2";
    QTest::newRow("folders and titles") << true << true << true << "PngHelpBackground3";
}

void tst_CoverProfiles::backdropChoice()
{
    QFETCH(bool, showHelp);
    QFETCH(bool, hasFolders);
    QFETCH(bool, hasTitles);
    QFETCH(QString, name);
    QCOMPARE(ImageResources::BackdropName(showHelp, hasFolders, hasTitles), name);
}

void tst_CoverProfiles::listing_data()
{
    QTest::addColumn<QStringList>("firstFolder");  // files; a trailing '/' makes a folder
    QTest::addColumn<QStringList>("secondFolder");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("profiles in one folder")
        << strings({"Alpha.xml", "Beta.XML", "notes.txt", "Images/"}) << QStringList{}
        << strings({"Default", "Alpha", "Beta"});
    QTest::newRow("every .xml removed") << strings({"My.xml.Profile.xml"}) << QStringList{}
                                        << strings({"Default", "My.Profile"});
    QTest::newRow("a folder named like a profile is skipped") << strings({"Dir.xml/", "Real.xml"}) << QStringList{}
                                                              << strings({"Default", "Real"});
    QTest::newRow("a Default.xml is listed besides the built-in")
        << strings({"Default.xml"}) << QStringList{} << strings({"Default", "Default"});
    QTest::newRow("a later folder adds, never repeats")
        << strings({"Alpha.xml"}) << strings({"Alpha.xml", "Gamma.xml"})
        << strings({"Default", "Alpha", "Gamma"});
}

void tst_CoverProfiles::listing()
{
    QFETCH(QStringList, firstFolder);
    QFETCH(QStringList, secondFolder);
    QFETCH(QStringList, names);
    QTemporaryDir tmp;
    const QString a = tmp.filePath(QStringLiteral("a")), b = tmp.filePath(QStringLiteral("b"));
    for (auto [folder, entries] : {std::pair{a, firstFolder}, std::pair{b, secondFolder}}) {
        QDir().mkpath(folder);
        for (const QString &e : entries) {
            if (e.endsWith(u'/'))
                QDir().mkpath(folder + u'/' + e);
            else
                writeFile(folder + u'/' + e, profileXml(coverXml("DVD")));
        }
    }
    const tCoverProfileList list = CoverProfiles::GetCoverProfiles({a, b});
    QCOMPARE(list.Names, names);
    QCOMPARE(list.Error, QString());
}

void tst_CoverProfiles::listingWithoutProfilesReportsTheFolder()
{
    QTemporaryDir tmp;
    const QString missing = tmp.filePath(QStringLiteral("CoverProfiles"));
    const tCoverProfileList list = CoverProfiles::GetCoverProfiles({missing});
    QCOMPARE(list.Names, QStringList{QStringLiteral("Default")});
    QCOMPARE(list.Error, QStringLiteral("ERROR: Path \"%1/*.xml\" was not found.").arg(missing));
    QCOMPARE(CoverProfiles::GetCoverProfiles({}).Names, QStringList{QStringLiteral("Default")});
}

void tst_CoverProfiles::standardFoldersFollowTheDataHome()
{
    QTemporaryDir tmp;
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", tmp.path().toLocal8Bit());
    const tCoverFolders folders = tCoverFolders::Standard(QStringLiteral("/opt/cinevue/"));
    if (saved.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", saved);
    QCOMPARE(folders.Profiles.first(), tmp.path() + QStringLiteral("/Cinevue/CoverProfiles"));
    QCOMPARE(folders.Images.first(), tmp.path() + QStringLiteral("/Cinevue/Images"));
    QCOMPARE(folders.Profiles.last(), QStringLiteral("/opt/cinevue/CoverProfiles"));
    QCOMPARE(folders.Images.last(), QStringLiteral("/opt/cinevue/Images"));
}

void tst_CoverProfiles::parse_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("entry");     // Covers entry to check, -1 none
    QTest::addColumn<QList<int>>("box"); // PositionX, PositionY, MaxWidth, MaxHeight of that entry
    QTest::addColumn<QList<bool>>("loaded");

    const QList<int> fullBox{5, 10, 290, 380};
    QTest::newRow("DVD layout") << profileXml(coverXml("DVD")) << true << 0 << fullBox
                                << QList<bool>{true, false, false, false};
    QTest::newRow("all four types")
        << profileXml(coverXml("DVD") + coverXml("HD DVD") + coverXml("Blu-ray") + coverXml("4K Ultra HD")) << true
        << 3 << fullBox << QList<bool>{true, true, true, true};
    QTest::newRow("unknown or differently cased type is DVD")
        << profileXml(coverXml("blu-ray")) << true << 0 << fullBox << QList<bool>{true, false, false, false};
    QTest::newRow("empty PositionY reads as 0")
        << profileXml(coverXml("Blu-ray", R"(PositionY="" PositionX="5" MaxHeight="380" MaxWidth="290")")) << true
        << 2 << QList<int>{5, 0, 290, 380} << QList<bool>{false, false, true, false};
    QTest::newRow("a later layout of the same type wins")
        << profileXml(coverXml("DVD") + coverXml("DVD", R"(PositionY="1" PositionX="2" MaxHeight="3" MaxWidth="4")"))
        << true << 0 << QList<int>{2, 1, 4, 3} << QList<bool>{true, false, false, false};
    QTest::newRow("the first child is never a layout")
        << QByteArray(R"(<P Name="x" TextMarginBottom="0" TextMarginRight="0" TextMarginTop="0" TextMarginLeft="0" Height="343" Width="245">)"
                      R"(<Cover Type="DVD" PositionY="1" PositionX="1" MaxHeight="1" MaxWidth="1"><Over/><Under/></Cover></P>)")
        << true << -1 << QList<int>{} << QList<bool>{false, false, false, false};
    QTest::newRow("not well-formed") << QByteArray("<CoverProfile Height=\"343\"") << false << -1 << QList<int>{}
                                     << QList<bool>{};
    QTest::newRow("empty file") << QByteArray() << false << -1 << QList<int>{} << QList<bool>{};
    QTest::newRow("root attribute missing")
        << profileXml(coverXml("DVD"), R"(Name="x" TextMarginBottom="0" TextMarginRight="0" TextMarginTop="0" TextMarginLeft="0" Width="245")")
        << false << -1 << QList<int>{} << QList<bool>{};
    QTest::newRow("root attribute not a number")
        << profileXml(coverXml("DVD"), R"(Name="x" TextMarginBottom="a" TextMarginRight="0" TextMarginTop="0" TextMarginLeft="0" Height="343" Width="245")")
        << false << -1 << QList<int>{} << QList<bool>{};
    QTest::newRow("zero cover size")
        << profileXml(coverXml("DVD"), R"(Name="x" TextMarginBottom="0" TextMarginRight="0" TextMarginTop="0" TextMarginLeft="0" Height="0" Width="245")")
        << false << -1 << QList<int>{} << QList<bool>{};
    QTest::newRow("position with a sign")
        << profileXml(coverXml("DVD", R"(PositionY="-4" PositionX="5" MaxHeight="380" MaxWidth="290")")) << false
        << -1 << QList<int>{} << QList<bool>{};
    QTest::newRow("size with letters")
        << profileXml(coverXml("DVD", R"(PositionY="4" PositionX="5" MaxHeight="38o" MaxWidth="290")")) << false << -1
        << QList<int>{} << QList<bool>{};
    QTest::newRow("layout without Under")
        << profileXml(coverXml("DVD", R"(PositionY="4" PositionX="5" MaxHeight="380" MaxWidth="290")", "<Over/>"))
        << false << -1 << QList<int>{} << QList<bool>{};
}

void tst_CoverProfiles::parse()
{
    QFETCH(QByteArray, xml);
    QFETCH(bool, ok);
    QFETCH(int, entry);
    QFETCH(QList<int>, box);
    QFETCH(QList<bool>, loaded);
    QString error;
    const std::optional<tCoverProfile> p = CoverProfiles::ParseProfile(xml, &error);
    QCOMPARE(p.has_value(), ok);
    if (!ok) {
        QVERIFY(!error.isEmpty());
        return;
    }
    for (int i = 0; i < 4; ++i)
        QCOMPARE(p->Covers[i].Loaded, loaded[i]);
    if (entry >= 0) {
        const tCover &c = p->Covers[entry];
        QCOMPARE((QList<int>{c.PositionX, c.PositionY, c.MaxWidth, c.MaxHeight}), box);
    }
}

void tst_CoverProfiles::layoutType_data()
{
    QTest::addColumn<QList<bool>>("loaded");
    QTest::addColumn<int>("discType");
    QTest::addColumn<int>("layout");
    const QList<bool> builtIn{true, true, true, false};
    QTest::newRow("built-in DVD") << builtIn << int(dtDVD) << 0;
    QTest::newRow("built-in Blu-ray") << builtIn << int(dtBluray) << 2;
    QTest::newRow("built-in 4K uses HD DVD") << builtIn << int(dt4KUltraHD) << 1;
    QTest::newRow("4K defined") << QList<bool>{true, true, true, true} << int(dt4KUltraHD) << 3;
    QTest::newRow("only Blu-ray: DVD falls to Blu-ray") << QList<bool>{false, false, true, false} << int(dtDVD) << 2;
    QTest::newRow("HD DVD preferred over Blu-ray") << QList<bool>{false, true, true, false} << int(dtDVD) << 1;
    QTest::newRow("nothing loaded: DVD entry") << QList<bool>{false, false, false, false} << int(dtBluray) << 0;
}

void tst_CoverProfiles::layoutType()
{
    QFETCH(QList<bool>, loaded);
    QFETCH(int, discType);
    QFETCH(int, layout);
    tCoverProfile p;
    for (int i = 0; i < 4; ++i)
        p.Covers[i].Loaded = loaded[i];
    QCOMPARE(CoverProfiles::LayoutType(p, tDiscTypes(discType)), layout);
}

void tst_CoverProfiles::builtInProfile()
{
    QTemporaryDir tmp;
    CoverProfiles profiles;
    const tCoverFolders folders{{tmp.filePath(QStringLiteral("none"))}, {tmp.filePath(QStringLiteral("none"))}};
    QCOMPARE(profiles.Load(QStringLiteral("Default"), folders, m_resources), QStringList());
    const tCoverProfile &p = profiles.profile();
    QCOMPARE(p.Name, QStringLiteral("Default"));
    QCOMPARE(QSize(p.Width, p.Height), QSize(245, 343));
    QCOMPARE((QList<int>{p.Covers[dtDVD].PositionX, p.Covers[dtDVD].PositionY, p.Covers[dtDVD].MaxWidth, p.Covers[dtDVD].MaxHeight}),
             (QList<int>{0, 0, 245, 343}));
    QCOMPARE((QList<int>{p.Covers[dtBluray].PositionX, p.Covers[dtBluray].PositionY, p.Covers[dtBluray].MaxWidth, p.Covers[dtBluray].MaxHeight}),
             (QList<int>{0, 28, 245, 286}));
    QVERIFY(p.Covers[dtHDDVD].Loaded);
    QVERIFY(!p.Covers[dt4KUltraHD].Loaded);

    // No My Movies image folder: every frame comes from the embedded images.
    const tCoverImageSet &img = profiles.images();
    QCOMPARE(img.DVDUnder, m_resources.image(QStringLiteral("PngBlackShadow")));
    QCOMPARE(img.Missing, m_resources.image(QStringLiteral("PngBlackShadow")));
    QCOMPARE(img.BluRayUnder, m_resources.image(QStringLiteral("PngDefaultBluRayUnder")));
    QCOMPARE(img.HDDVDUnder, m_resources.image(QStringLiteral("PngDefaultHDDVDUnder")));
    QCOMPARE(img.New.size(), QSize(1, 1));
    QCOMPARE(img.InDriveHD.size(), QSize(1, 1));
}

void tst_CoverProfiles::builtInProfileUsesMyMoviesFrames()
{
    QTemporaryDir tmp;
    const QString images = tmp.filePath(QStringLiteral("Images"));
    writeImage(images + QStringLiteral("/Default-BluRay-Under.png"), {245, 343}, Qt::red);
    const tCoverFolders folders{{}, {tmp.filePath(QStringLiteral("missing")), images}};
    CoverProfiles profiles;
    profiles.Load(QStringLiteral("Default"), folders, m_resources);
    QCOMPARE(pixel(profiles.images().BluRayUnder, 100, 10), QColor(Qt::red));
    QCOMPARE(profiles.images().HDDVDUnder, m_resources.image(QStringLiteral("PngDefaultHDDVDUnder")));
}

void tst_CoverProfiles::namedProfileIsLoaded()
{
    QTemporaryDir tmp;
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", tmp.path().toLocal8Bit());
    const tCoverFolders folders = tCoverFolders::Standard(tmp.filePath(QStringLiteral("app/")));
    if (saved.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", saved);

    // A profile copied from Windows: capital file ending, other letter case in
    // the image names, and one image missing.
    const QString root = tmp.filePath(QStringLiteral("Cinevue/CoverProfiles"));
    writeFile(root + QStringLiteral("/Slim.XML"), profileXml(coverXml("DVD") + coverXml("Blu-ray")));
    const QStringList present = strings({"bluray-over.png", "BluRay-Under.png", "DVD-Over.png", "DVD-Under.png",
                                 "HDDVD-Over.png", "HDDVD-Under.png", "Missing.png", "InDrive.png",
                                 "InDriveBD.png", "InDriveDVD.png", "InDriveHD.png"});
    for (const QString &file : present)
        writeImage(root + QStringLiteral("/Slim/") + file, {300, 400}, Qt::green);

    QVERIFY(CoverProfiles::GetCoverProfiles(folders.Profiles).Names.contains(QStringLiteral("Slim")));
    CoverProfiles profiles;
    const quint64 before = profiles.generation();
    const QStringList problems = profiles.Load(QStringLiteral("Slim"), folders, m_resources);
    QCOMPARE(problems.size(), 1);
    QVERIFY2(problems.first().contains(QStringLiteral("New.png")), qPrintable(problems.first()));
    QVERIFY(profiles.generation() != before);

    const tCoverProfile &p = profiles.profile();
    QCOMPARE(p.Name, QStringLiteral("Slim"));
    QCOMPARE(QSize(p.Width, p.Height), QSize(300, 400));
    QCOMPARE(p.TextMarginLeft, 4);
    QVERIFY(p.Covers[dtDVD].ContainProportions);
    QVERIFY(p.Covers[dtBluray].Loaded);
    QVERIFY(!p.Covers[dtHDDVD].Loaded);
    QCOMPARE(pixel(profiles.images().BluRayOver, 5, 5), QColor(Qt::green));
    QCOMPARE(pixel(profiles.images().DVDUnder, 5, 5), QColor(Qt::green));
    QCOMPARE(profiles.images().New.size(), QSize(1, 1)); // the built-in stand-in
}

void tst_CoverProfiles::unusableProfileFallsBackToBuiltIn_data()
{
    QTest::addColumn<QByteArray>("xml"); // empty: no profile file at all
    QTest::addColumn<bool>("withImages");
    QTest::newRow("corrupt XML") << QByteArray("<CoverProfile Name=\"Broken\"><Cover") << true;
    QTest::newRow("missing Height") << profileXml(coverXml("DVD"), R"(Name="x" TextMarginBottom="0" TextMarginRight="0" TextMarginTop="0" TextMarginLeft="0" Width="245")")
                                    << true;
    QTest::newRow("not found") << QByteArray() << false;
}

void tst_CoverProfiles::unusableProfileFallsBackToBuiltIn()
{
    QFETCH(QByteArray, xml);
    QFETCH(bool, withImages);
    QTemporaryDir tmp;
    const QString root = tmp.filePath(QStringLiteral("CoverProfiles"));
    QDir().mkpath(root);
    if (!xml.isEmpty())
        writeFile(root + QStringLiteral("/Broken.xml"), xml);
    if (withImages)
        writeImage(root + QStringLiteral("/Broken/DVD-Under.png"), {10, 10}, Qt::green);
    CoverProfiles profiles;
    const QStringList problems = profiles.Load(QStringLiteral("Broken"), {{root}, {}}, m_resources);
    QCOMPARE(problems.size(), 1);
    QVERIFY2(problems.first().contains(QStringLiteral("built-in")), qPrintable(problems.first()));
    QCOMPARE(profiles.profile(), CoverProfiles::BuiltInProfile());
    QCOMPARE(profiles.images().DVDUnder, m_resources.image(QStringLiteral("PngBlackShadow")));
}

QTEST_GUILESS_MAIN(tst_CoverProfiles)
#include "tst_coverprofiles.moc"
