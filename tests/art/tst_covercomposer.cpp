#include "art/covercomposer.h"
#include "art/coverpredecoder.h"
#include "art/coverprofiles.h"
#include "art/imageresources.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QColor kArt(200, 30, 40);

void writeImage(const QString &path, QSize size, QColor color, const char *format = "PNG")
{
    QDir().mkpath(QFileInfo(path).path());
    QImage img(size, QImage::Format_ARGB32);
    img.fill(color);
    QVERIFY(img.save(path, format));
}

bool near(QColor a, QColor b, int tolerance = 6)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance && qAbs(a.alpha() - b.alpha()) <= tolerance;
}

} // namespace

class tst_CoverComposer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void artFile_data();
    void artFile();

    void builtInLayouts_data();
    void builtInLayouts();
    void missingOrUnreadableArtShowsTheMissingCover_data();
    void missingOrUnreadableArtShowsTheMissingCover();
    void statusMarks_data();
    void statusMarks();
    void profileMarks_data();
    void profileMarks();
    void fourKLayoutSitsInTheBluRayFrame();

    void artIsDecodedAtTheDrawnSize();
    void coversAreCachedByWhatChangesThem();
    void predecoderFillsTheCache();

    void carouselPositions_data();
    void carouselPositions();
    void loadCoverArt_data();
    void loadCoverArt();

    void starsImage_data();
    void starsImage();
    void ratingImage_data();
    void ratingImage();

private:
    tTitle titleWithArt(tDiscTypes type = dtDVD) const;

    QTemporaryDir m_tmp;
    ImageResources m_resources;
    CoverProfiles m_builtIn;
};

void tst_CoverComposer::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    QCOMPARE(m_resources.PreLoad(), QStringList());
    m_builtIn.Load(QStringLiteral("Default"), {}, m_resources);
    writeImage(m_tmp.filePath(QStringLiteral("Movie/folder.jpg")), {100, 140}, kArt, "PNG");
}

tTitle tst_CoverComposer::titleWithArt(tDiscTypes type) const
{
    tTitle t;
    t.ID = QStringLiteral("id-1");
    t.Directory = m_tmp.filePath(QStringLiteral("Movie"));
    t.ImgFolder = QStringLiteral("folder.jpg");
    t.DiscType = type;
    return t;
}

void tst_CoverComposer::artFile_data()
{
    QTest::addColumn<QStringList>("files"); // created below the temporary folder
    QTest::addColumn<QString>("imgFolder");
    QTest::addColumn<QString>("imgCoverFront");
    QTest::addColumn<QString>("imgCoverBack");
    QTest::addColumn<bool>("back");
    QTest::addColumn<bool>("localArt");
    QTest::addColumn<QString>("expected"); // relative to the temporary folder, empty: missing

    const QStringList both{QStringLiteral("t/folder.jpg"), QStringLiteral("t/front.jpg"), QStringLiteral("t/back.jpg"),
                           QStringLiteral("Cache/ID7/folder.jpg"), QStringLiteral("Cache/ID7/back.jpg")};
    QTest::newRow("front: folder image") << both << "folder.jpg" << "front.jpg" << "back.jpg" << false << false << "t/folder.jpg";
    QTest::newRow("front: cover scan when no folder image") << both << "" << "front.jpg" << "" << false << false << "t/front.jpg";
    QTest::newRow("front: neither is missing") << both << "" << "" << "back.jpg" << false << false << "";
    QTest::newRow("front: cache first with LocalArt") << both << "folder.jpg" << "" << "" << false << true << "Cache/ID7/folder.jpg";
    QTest::newRow("front: title folder when not cached")
        << QStringList{QStringLiteral("t/folder.jpg")} << "folder.jpg" << "" << "" << false << true << "t/folder.jpg";
    QTest::newRow("front: named file that is gone") << QStringList{} << "folder.jpg" << "" << "" << false << false << "";
    QTest::newRow("back: cover scan") << both << "folder.jpg" << "" << "back.jpg" << true << false << "t/back.jpg";
    QTest::newRow("back: cache first with LocalArt") << both << "" << "" << "back.jpg" << true << true << "Cache/ID7/back.jpg";
    QTest::newRow("back: none named is missing") << both << "folder.jpg" << "front.jpg" << "" << true << true << "";
    QTest::newRow("stored backslash name")
        << QStringList{QStringLiteral("t/VIDEO_TS/folder.jpg")} << "VIDEO_TS\\folder.jpg" << "" << "" << false << false
        << "t/VIDEO_TS/folder.jpg";
}

void tst_CoverComposer::artFile()
{
    QFETCH(QStringList, files);
    QFETCH(QString, imgFolder);
    QFETCH(QString, imgCoverFront);
    QFETCH(QString, imgCoverBack);
    QFETCH(bool, back);
    QFETCH(bool, localArt);
    QFETCH(QString, expected);
    QTemporaryDir tmp;
    for (const QString &f : files)
        writeImage(tmp.filePath(f), {4, 4}, Qt::blue);
    tTitle t;
    t.ID = QStringLiteral("ID7");
    t.Directory = tmp.filePath(QStringLiteral("t"));
    t.ImgFolder = imgFolder;
    t.ImgCoverFront = imgCoverFront;
    t.ImgCoverBack = imgCoverBack;
    const QString found = CoverComposer::ArtFile(t, back, localArt, tmp.filePath(QStringLiteral("Cache/")));
    QCOMPARE(found, expected.isEmpty() ? QString() : tmp.filePath(expected));
}

void tst_CoverComposer::builtInLayouts_data()
{
    QTest::addColumn<int>("discType");
    QTest::addColumn<QString>("frame"); // embedded image under the art
    QTest::addColumn<int>("artTop");
    QTest::newRow("DVD fills the whole cover") << int(dtDVD) << "PngBlackShadow" << 0;
    QTest::newRow("Blu-ray below the band") << int(dtBluray) << "PngDefaultBluRayUnder" << 28;
    QTest::newRow("HD DVD below the band") << int(dtHDDVD) << "PngDefaultHDDVDUnder" << 28;
    QTest::newRow("4K uses the HD DVD layout") << int(dt4KUltraHD) << "PngDefaultHDDVDUnder" << 28;
}

void tst_CoverComposer::builtInLayouts()
{
    QFETCH(int, discType);
    QFETCH(QString, frame);
    QFETCH(int, artTop);
    CoverComposer composer(m_builtIn, m_resources);
    const QImage cover = composer.Compose(titleWithArt(tDiscTypes(discType)), false);
    QCOMPARE(cover.size(), QSize(245, 343));
    const QImage under = m_resources.image(frame);
    // The art box: 245 wide, from artTop to 314 (or 343 for the DVD box).
    const int artBottom = artTop == 0 ? 342 : 313;
    for (QPoint p : {QPoint(0, artTop), QPoint(244, artTop), QPoint(122, 170), QPoint(0, artBottom), QPoint(244, artBottom)})
        QVERIFY2(near(cover.pixelColor(p), kArt), qPrintable(QStringLiteral("art at %1,%2").arg(p.x()).arg(p.y())));
    if (artTop > 0) {
        for (QPoint p : {QPoint(122, 10), QPoint(122, 330)})
            QVERIFY2(cover.pixelColor(p) == under.pixelColor(p), qPrintable(QStringLiteral("frame at %1,%2").arg(p.x()).arg(p.y())));
    }
}

void tst_CoverComposer::missingOrUnreadableArtShowsTheMissingCover_data()
{
    QTest::addColumn<QByteArray>("content"); // of folder.jpg; empty: no file
    QTest::newRow("no art file") << QByteArray();
    QTest::newRow("corrupt art file") << QByteArray("\xff\xd8\xff\xe0 not really a JPEG");
}

void tst_CoverComposer::missingOrUnreadableArtShowsTheMissingCover()
{
    QFETCH(QByteArray, content);
    QTemporaryDir tmp;
    tTitle t;
    t.ID = QStringLiteral("x");
    t.Directory = tmp.path();
    t.ImgFolder = QStringLiteral("folder.jpg");
    t.DiscType = dtBluray;
    if (!content.isEmpty()) {
        QFile f(tmp.filePath(t.ImgFolder));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    CoverComposer composer(m_builtIn, m_resources);
    QCOMPARE(composer.Compose(t, false), m_builtIn.images().Missing);
    QCOMPARE(composer.Compose(t, true), m_builtIn.images().Missing);
}

void tst_CoverComposer::statusMarks_data()
{
    QTest::addColumn<bool>("watched");
    QTest::addColumn<bool>("watchList");
    QTest::addColumn<bool>("others"); // New, Lent, Online, InDrive: no visible mark with the built-in profile
    QTest::addColumn<bool>("back");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<bool>("ribbon");
    QTest::newRow("plain") << false << false << false << false << false << false;
    QTest::newRow("watched") << true << false << false << false << true << false;
    QTest::newRow("watch list") << false << true << false << false << false << true;
    QTest::newRow("watched and watch list") << true << true << false << false << true << true;
    QTest::newRow("new, lent, online, in drive") << false << false << true << false << false << false;
    QTest::newRow("back cover shows no marks") << true << true << true << true << false << false;
}

void tst_CoverComposer::statusMarks()
{
    QFETCH(bool, watched);
    QFETCH(bool, watchList);
    QFETCH(bool, others);
    QFETCH(bool, back);
    QFETCH(bool, tick);
    QFETCH(bool, ribbon);
    CoverComposer composer(m_builtIn, m_resources);
    tTitle t = titleWithArt();
    const QImage plain = composer.Compose(t, back);
    t.WatchedCVB = watched;
    t.WatchList = watchList;
    t.New = t.Lent = t.Online = t.InDrive = others;
    const QImage cover = composer.Compose(t, back);

    const auto changed = [&](const QRect &r) {
        return cover.copy(r) != plain.copy(r);
    };
    QCOMPARE(changed(QRect(212, 10, 33, 30)), tick);   // the tick, top right
    QCOMPARE(changed(QRect(0, 0, 30, 42)), ribbon);    // the ribbon, top left
    QCOMPARE(changed(QRect(0, 50, 245, 293)), false);  // nothing else moves
    QCOMPARE(changed(QRect(40, 0, 160, 50)), false);
}

void tst_CoverComposer::profileMarks_data()
{
    QTest::addColumn<int>("discType");
    QTest::addColumn<bool>("isNew");
    QTest::addColumn<bool>("inDrive");
    QTest::addColumn<QColor>("left");  // at (3, 200): new-title mark
    QTest::addColumn<QColor>("right"); // at (241, 200): in-drive mark
    QTest::newRow("new") << int(dtDVD) << true << false << QColor(Qt::green) << kArt;
    QTest::newRow("DVD in drive") << int(dtDVD) << false << true << kArt << QColor(Qt::blue);
    QTest::newRow("Blu-ray in drive") << int(dtBluray) << false << true << kArt << QColor(Qt::yellow);
    QTest::newRow("4K in drive uses the HD mark") << int(dt4KUltraHD) << false << true << kArt << QColor(Qt::cyan);
    QTest::newRow("neither") << int(dtDVD) << false << false << kArt << kArt;
}

// A profile whose marks are narrow coloured strips shows where each is drawn.
void tst_CoverComposer::profileMarks()
{
    QFETCH(int, discType);
    QFETCH(bool, isNew);
    QFETCH(bool, inDrive);
    QFETCH(QColor, left);
    QFETCH(QColor, right);
    QTemporaryDir tmp;
    const QString root = tmp.filePath(QStringLiteral("CoverProfiles"));
    QFile xml(root + QStringLiteral("/Strips.xml"));
    QDir().mkpath(root);
    QVERIFY(xml.open(QIODevice::WriteOnly));
    xml.write(R"(<P Name="Strips" TextMarginBottom="0" TextMarginRight="0" TextMarginTop="0" TextMarginLeft="0" Height="343" Width="245"><T/>)"
              R"(<C Type="DVD" PositionY="0" PositionX="0" MaxHeight="343" MaxWidth="245"><Over/><Under/></C>)"
              R"(<C Type="Blu-ray" PositionY="0" PositionX="0" MaxHeight="343" MaxWidth="245"><Over/><Under/></C>)"
              R"(<C Type="4K Ultra HD" PositionY="0" PositionX="0" MaxHeight="343" MaxWidth="245"><Over/><Under/></C></P>)");
    xml.close();
    const QString images = root + QStringLiteral("/Strips/");
    for (const char *f : {"BluRay-Over.png", "DVD-Over.png", "HDDVD-Over.png", "InDrive.png"})
        writeImage(images + QLatin1String(f), {1, 1}, Qt::transparent);
    for (const char *f : {"BluRay-Under.png", "DVD-Under.png", "HDDVD-Under.png", "Missing.png"})
        writeImage(images + QLatin1String(f), {245, 343}, Qt::black);
    writeImage(images + QStringLiteral("New.png"), {8, 100}, Qt::green);
    writeImage(images + QStringLiteral("InDriveDVD.png"), {8, 100}, Qt::blue);
    writeImage(images + QStringLiteral("InDriveBD.png"), {8, 100}, Qt::yellow);
    writeImage(images + QStringLiteral("InDriveHD.png"), {8, 100}, Qt::cyan);
    CoverProfiles profiles;
    QCOMPARE(profiles.Load(QStringLiteral("Strips"), {{root}, {}}, m_resources), QStringList());

    CoverComposer composer(profiles, m_resources);
    tTitle t = titleWithArt(tDiscTypes(discType));
    t.New = isNew;
    t.InDrive = inDrive;
    const QImage cover = composer.Compose(t, false);
    // Stretched to the cover's full height and drawn at their own width.
    QVERIFY(near(cover.pixelColor(3, 200), left));
    QVERIFY(near(cover.pixelColor(3, 340), left));
    QVERIFY(near(cover.pixelColor(241, 200), right));
    QVERIFY(near(cover.pixelColor(241, 2), right));
    QVERIFY(near(cover.pixelColor(12, 200), kArt));
    QVERIFY(near(cover.pixelColor(232, 200), kArt));
    // The back cover (no art: the black missing cover) carries no marks.
    QVERIFY(near(composer.Compose(t, true).pixelColor(3, 200), Qt::black));
}

void tst_CoverComposer::fourKLayoutSitsInTheBluRayFrame()
{
    QTemporaryDir tmp;
    const QString root = tmp.filePath(QStringLiteral("P"));
    QDir().mkpath(root);
    QFile xml(root + QStringLiteral("/K.xml"));
    QVERIFY(xml.open(QIODevice::WriteOnly));
    xml.write(R"(<P Name="K" TextMarginBottom="0" TextMarginRight="0" TextMarginTop="0" TextMarginLeft="0" Height="343" Width="245"><T/>)"
              R"(<C Type="4K Ultra HD" PositionY="40" PositionX="0" MaxHeight="200" MaxWidth="245"><Over/><Under/></C></P>)");
    xml.close();
    for (const char *f : {"BluRay-Over.png", "DVD-Over.png", "HDDVD-Over.png", "InDrive.png", "InDriveBD.png",
                          "InDriveDVD.png", "InDriveHD.png", "New.png"})
        writeImage(root + QStringLiteral("/K/") + QLatin1String(f), {1, 1}, Qt::transparent);
    for (const char *f : {"DVD-Under.png", "HDDVD-Under.png", "Missing.png"})
        writeImage(root + QStringLiteral("/K/") + QLatin1String(f), {245, 343}, Qt::black);
    writeImage(root + QStringLiteral("/K/BluRay-Under.png"), {245, 343}, Qt::magenta);
    CoverProfiles profiles;
    QCOMPARE(profiles.Load(QStringLiteral("K"), {{root}, {}}, m_resources), QStringList());
    CoverComposer composer(profiles, m_resources);
    const QImage cover = composer.Compose(titleWithArt(dt4KUltraHD), false);
    // A full-size cover in the Blu-ray case, not a 1 x 1 copy of an over image.
    QCOMPARE(cover.size(), QSize(245, 343));
    QVERIFY(near(cover.pixelColor(100, 20), QColor(Qt::magenta)));
    QVERIFY(near(cover.pixelColor(100, 140), kArt));
}

void tst_CoverComposer::artIsDecodedAtTheDrawnSize()
{
    QTemporaryDir tmp;
    const QString file = tmp.filePath(QStringLiteral("big.jpg"));
    writeImage(file, {1000, 1400}, kArt, "JPEG");
    QCOMPARE(CoverComposer::DecodeArt(file, {245, 343}).size(), QSize(245, 343));
    QCOMPARE(CoverComposer::DecodeArt(file, {}).size(), QSize(1000, 1400));
    QVERIFY(CoverComposer::DecodeArt(tmp.filePath(QStringLiteral("none.jpg")), {245, 343}).isNull());
}

void tst_CoverComposer::coversAreCachedByWhatChangesThem()
{
    CoverComposer composer(m_builtIn, m_resources);
    tTitle t = titleWithArt();
    const QString key = composer.cacheKey(t, false);
    QVERIFY(!composer.cachedCover(key));
    const QImage first = composer.CreateCover(t, false);
    QCOMPARE(composer.cachedCover(key).value(), first);
    QCOMPARE(composer.CreateCover(t, false), first);

    // Every change of what is drawn is a different cover.
    QSet<QString> keys{key, composer.cacheKey(t, true)};
    for (auto change : std::initializer_list<std::function<void(tTitle &)>>{
             [](tTitle &x) { x.WatchedCVB = true; }, [](tTitle &x) { x.WatchList = true; },
             [](tTitle &x) { x.New = true; }, [](tTitle &x) { x.InDrive = true; },
             [](tTitle &x) { x.DiscType = dtBluray; }, [](tTitle &x) { x.ImgFolder = QStringLiteral("other.jpg"); },
             [](tTitle &x) { x.ID = QStringLiteral("id-2"); }}) {
        tTitle changed = t;
        change(changed);
        keys.insert(composer.cacheKey(changed, false));
    }
    QCOMPARE(keys.size(), 9);
    composer.setLocalArt(true, m_tmp.filePath(QStringLiteral("Cache/")));
    QVERIFY(composer.cacheKey(t, false) != key);

    // A watched toggle recomposes with the tick.
    t.WatchedCVB = true;
    QVERIFY(composer.CreateCover(t, false) != first);
    composer.clearCache();
    QVERIFY(!composer.cachedCover(composer.cacheKey(t, false)));
}

void tst_CoverComposer::predecoderFillsTheCache()
{
    CoverComposer composer(m_builtIn, m_resources);
    QList<tTitle> titles;
    for (int i = 0; i < 6; ++i) {
        tTitle t = titleWithArt(i % 2 ? dtBluray : dtDVD);
        t.ID = QStringLiteral("p%1").arg(i);
        t.WatchedCVB = i % 3 == 0;
        titles << t;
    }
    {
        CoverPredecoder predecoder(composer);
        predecoder.Prefetch(titles);
        predecoder.waitForDone();
        for (const tTitle &t : titles)
            QCOMPARE(composer.cachedCover(composer.cacheKey(t, false)).value(), composer.Compose(t, false));
        // Nothing left to do for covers that are ready.
        predecoder.Prefetch(titles);
        predecoder.waitForDone();
    }
    // Dropping the predecoder with work queued waits for its workers.
    composer.clearCache();
    {
        CoverPredecoder predecoder(composer, 1);
        predecoder.Prefetch(titles);
    }
}

void tst_CoverComposer::carouselPositions_data()
{
    QTest::addColumn<int>("coverIndex");
    QTest::addColumn<int>("viewCount");
    QTest::addColumn<QList<int>>("positions");
    const auto blanks = [](int n) { return QList<int>(n, -1); };
    const auto range = [](int from, int to) {
        QList<int> r;
        for (int i = from; i <= to; ++i)
            r << i;
        return r;
    };
    QTest::newRow("first title: ten blank slots first")
        << 0 << 100 << blanks(10) + range(0, 11);
    QTest::newRow("odd index rounds down to its column")
        << 7 << 100 << blanks(4) + range(0, 17);
    QTest::newRow("three titles") << 0 << 3 << blanks(10) + range(0, 2) + blanks(9);
    QTest::newRow("three titles, focus on the bottom row") << 1 << 3 << blanks(10) + range(0, 2) + blanks(9);
    QTest::newRow("middle of a long list") << 40 << 100 << range(30, 51);
    QTest::newRow("last title on the top row") << 20 << 21 << range(10, 20) + blanks(11);
    QTest::newRow("empty view list") << 0 << 0 << blanks(22);
}

void tst_CoverComposer::carouselPositions()
{
    QFETCH(int, coverIndex);
    QFETCH(int, viewCount);
    QFETCH(QList<int>, positions);
    const auto result = CoverComposer::CarouselPositions(coverIndex, viewCount);
    QCOMPARE(QList<int>(result.begin(), result.end()), positions);
}

void tst_CoverComposer::loadCoverArt_data()
{
    QTest::addColumn<int>("coverIndex");
    QTest::addColumn<int>("screenMode");
    QTest::addColumn<int>("focusRow");
    QTest::addColumn<int>("bigSlot"); // slot copied into the enlarged cover, -1 none
    QTest::newRow("top row") << 4 << 1 << 0 << 10;
    QTest::newRow("bottom row") << 5 << 2 << 1 << 11;
    QTest::newRow("icon bar") << 4 << 0 << -1 << -1;
}

void tst_CoverComposer::loadCoverArt()
{
    QFETCH(int, coverIndex);
    QFETCH(int, screenMode);
    QFETCH(int, focusRow);
    QFETCH(int, bigSlot);
    tTitles titles;
    for (int i = 0; i < 8; ++i) {
        tTitle t = titleWithArt();
        t.ID = QString::number(i);
        t.WatchedCVB = i % 2; // odd titles carry the tick, so covers differ
        titles.Title << t;
    }
    // The view list shows the collection backwards.
    const QList<qint32> viewList{7, 6, 5, 4, 3, 2, 1, 0};
    CoverComposer composer(m_builtIn, m_resources);

    QStringList events;
    QList<QImage> shown(CoverComposer::kSlotCount);
    QImage bigA, bigB;
    int row = -2;
    tCarouselSink sink;
    sink.HideBigShadows = [&] { events << QStringLiteral("hide"); };
    sink.SetSlot = [&](int slot, const QImage &img) {
        events << CoverComposer::CarouselSlotName(slot);
        shown[slot] = img;
    };
    sink.SetBigCovers = [&](int r, const QImage &a, const QImage &b) {
        events << QStringLiteral("big");
        row = r;
        bigA = a;
        bigB = b;
    };
    composer.LoadCoverArt(coverIndex, viewList, titles, screenMode, sink);

    QCOMPARE(events.size(), 24);
    QCOMPARE(events.first(), QStringLiteral("hide"));
    QCOMPARE(events.mid(12, 3), (QStringList{QStringLiteral("ImageCoverB5"), QStringLiteral("big"), QStringLiteral("ImageCoverA6")}));
    QCOMPARE(events.last(), QStringLiteral("ImageCoverB10"));
    QCOMPARE(row, focusRow);
    const QImage blank = m_resources.blank();
    QCOMPARE(bigA, bigSlot == 10 ? shown[10] : blank);
    QCOMPARE(bigB, bigSlot == 11 ? shown[11] : blank);

    // Slot 10 shows view-list position 4 (collection title 3), slot 11 position 5.
    QCOMPARE(shown[10], composer.Compose(titles.Title[3], false));
    QCOMPARE(shown[11], composer.Compose(titles.Title[2], false));
    QCOMPARE(shown[5], blank);                                    // position -1
    QCOMPARE(shown[6], composer.Compose(titles.Title[7], false)); // position 0
    QCOMPARE(shown[14], blank);                                   // position 8
}

void tst_CoverComposer::starsImage_data()
{
    QTest::addColumn<int>("stars");
    QTest::addColumn<bool>("black");
    QTest::addColumn<QString>("name"); // empty: target left unchanged
    QTest::newRow("none, white") << 0 << false << "PngStars0_White";
    QTest::newRow("seven, black") << 7 << true << "PngStars7_Black";
    QTest::newRow("ten, white") << 10 << false << "PngStars10_White";
    QTest::newRow("eleven") << 11 << false << "";
    QTest::newRow("minus one") << -1 << true << "";
}

void tst_CoverComposer::starsImage()
{
    QFETCH(int, stars);
    QFETCH(bool, black);
    QFETCH(QString, name);
    CoverComposer composer(m_builtIn, m_resources);
    QCOMPARE(CoverComposer::StarsImageName(stars, black), name);
    const std::optional<QImage> img = composer.GetStarsImage(stars, black);
    QCOMPARE(img.has_value(), !name.isEmpty());
    if (img)
        QCOMPARE(*img, m_resources.image(name));
}

void tst_CoverComposer::ratingImage_data()
{
    QTest::addColumn<QString>("rating");
    QTest::addColumn<bool>("black");
    QTest::addColumn<QString>("name");
    QTest::newRow("G") << "G" << false << "PngRatedG_White";
    QTest::newRow("PG black") << "PG" << true << "PngRatedPG_Black";
    QTest::newRow("PG13") << "PG13" << false << "PngRatedPG13_White";
    QTest::newRow("R") << "R" << true << "PngRatedR_Black";
    QTest::newRow("NC17") << "NC17" << false << "PngRatedNC17_White";
    QTest::newRow("Unrated") << "Unrated" << false << "PngRatedUnrated_White";
    QTest::newRow("TV14 has no badge of its own") << "TV14" << true << "PngRatedUnrated_Black";
    QTest::newRow("lower case is not PG") << "pg" << false << "PngRatedUnrated_White";
    QTest::newRow("unknown code") << "X - Unknown" << false << "PngRatedUnrated_White";
    QTest::newRow("empty") << "" << false << "PngRatedUnrated_White";
}

void tst_CoverComposer::ratingImage()
{
    QFETCH(QString, rating);
    QFETCH(bool, black);
    QFETCH(QString, name);
    CoverComposer composer(m_builtIn, m_resources);
    QCOMPARE(CoverComposer::RatingImageName(rating, black), name);
    QCOMPARE(composer.GetRatingImage(rating, black), m_resources.image(name));
}

QTEST_GUILESS_MAIN(tst_CoverComposer)
#include "tst_covercomposer.moc"
