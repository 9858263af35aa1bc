#include "model/localdatabase.h"
#include "tools/collectiongen.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>
#include <cstring>
#include <sys/resource.h>

#include <pugixml.hpp>

using namespace Qt::StringLiterals;

namespace {

const QString kVersion = u"1.7.2017.0006"_s;
// Noon, so that whole-day offsets stay clear of midnight and clock changes.
const QDateTime kNow(QDate(2024, 3, 15), QTime(12, 0));

QString ymd(const QDate &d) { return d.toString(u"yyyyMMdd"_s); }

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// A database holding the given <Title> children.
QByteArray databaseWith(const QByteArray &titles, const QByteArray &version = "1.7.2017.0006")
{
    return "<?xml version=\"1.0\"?><CVB_Database Titles=\"1\" CVBVer=\"" + version + "\"><Titles>" + titles
           + "</Titles></CVB_Database>";
}

LoadResult load(const QString &appPath, const QString &lastMounted = u"ERROR"_s, bool autoScan = false,
                const LoadProgress &progress = {})
{
    return LoadLocalDatabase(appPath, kVersion, autoScan, lastMounted, kNow, progress);
}

bool isWellFormed(const QByteArray &content)
{
    pugi::xml_document doc;
    return bool(doc.load_buffer(content.constData(), size_t(content.size())));
}

// What the reader derives: New from AddedDate and now, InDrive from the
// last-mounted image.
void deriveFlags(tTitles &titles, const QString &lastMounted)
{
    for (tTitle &t : titles.Title) {
        const QDate added = QDate::fromString(t.AddedDate, u"yyyyMMdd"_s);
        t.New = kNow < added.startOfDay().addSecs(672 * 3600);
        t.InDrive = false;
        for (tDiscInfo &d : t.DiscInfo) {
            d.InDrive = d.Loc == lastMounted;
            t.InDrive = t.InDrive || d.InDrive;
        }
    }
}

tTitle smallTitle(const QString &id)
{
    tTitle t;
    t.ID = id;
    t.Title = u"Title "_s + id;
    t.SortTitle = t.Title;
    t.Directory = u"/media/Movies/"_s + id;
    t.AddedDate = u"20200101"_s;
    t.DiscInfo.append(tDiscInfo{t.Directory, ctFolder, u"Disc 1"_s, false, {}, {}});
    return t;
}

// A change made to a database file's text.
using FileEdit = std::function<QByteArray(const QByteArray &)>;

FileEdit replacing(const QByteArray &from, const QByteArray &to)
{
    return [=](QByteArray text) { return text.replace(from, to); };
}

// Replaces the last occurrence only.
FileEdit replacingLast(const QByteArray &from, const QByteArray &to)
{
    return [=](QByteArray text) { return text.replace(text.lastIndexOf(from), from.size(), to); };
}

FileEdit both(const FileEdit &first, const FileEdit &second)
{
    return [=](const QByteArray &text) { return second(first(text)); };
}

// A file of several megabytes: read in many batches, converted in several
// parts. Made once, it is only read.
const tTitles &largeCollection()
{
    static const tTitles titles = [] {
        CollectionGenOptions options;
        options.titleCount = 1200;
        options.seed = 11;
        return GenerateCollection(options);
    }();
    return titles;
}

// The text a whole-document parse gives for a file that is not well-formed.
QString wholeParseError(QByteArray content)
{
    pugi::xml_document doc;
    const pugi::xml_parse_result r = doc.load_buffer_inplace(content.data(), size_t(content.size()),
                                                             DatabaseParseOptions(), pugi::encoding_utf8);
    if (r)
        return QString();
    return u"CinevueDB.xml is not well-formed XML: %1 at byte %2"_s.arg(QString::fromUtf8(r.description()))
        .arg(r.offset);
}

} // namespace

Q_DECLARE_METATYPE(FileEdit)

class TestLocalDatabase : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_appPath = m_dir->path() + u'/';
        m_dbPath = filePath(u"CinevueDB.xml"_s);
    }

    // ------------------------------------------------------------ writer format

    void writesExactFormat()
    {
        tTitles titles;
        titles.MyGenres = {u"Drama"_s, QString()};
        titles.MyCats = {u"Kids"_s};
        tTitle t;
        t.ID = u"42"_s;
        t.Title = u"Tom & Jerry"_s;
        t.SortTitle = u"Tom & Jerry"_s;
        t.Directory = u"/m/T"_s;
        t.CollectionNum = -1;
        t.MediaType = mtTV;
        t.Online = true;
        t.AudioTracks = {{u"5.1"_s, u"DTS"_s, u"English"_s}};
        t.Subtitles = {u"French"_s};
        t.DiscInfo = {tDiscInfo{u"/m/T/a.iso"_s, ctISO, u"Disc 1"_s, true, u"slot"_s,
                                {tEpisode{2, 7, u"Pilot"_s, u"45m12s"_s, QString(), QString()}}}};
        t.DiscType = dtBluray;
        t.ImgFanArt = u"BDMV\\fanart.jpg"_s;
        t.Year = 1999;
        t.Runtime = 95;
        t.ReleaseDate = u"19990704"_s;
        t.AddedDate = u"20011225"_s;
        t.Description = u"a\r\nb"_s;
        t.Stars = 7;
        t.Rated = u"PG"_s;
        t.Genres = {u"Drama"_s};
        t.Actors = {{u"Ann"_s, u"Cat"_s}, {QString(), u"Nobody"_s}};
        t.Crew.Director = {QString(), u"Dee"_s};
        titles.Title = {t};

        QString error;
        QVERIFY2(WriteDatabaseFile(m_dbPath, titles, kVersion, &error), qPrintable(error));
        const QByteArray expected =
            "<?xml version=\"1.0\"?>"
            "<CVB_Database Titles=\"1\" CVBVer=\"1.7.2017.0006\">"
            "<Genres><G>Drama</G><G/></Genres><Categories><C>Kids</C></Categories><Titles><Title>"
            "<ID>42</ID><PID/><Name>Tom &amp; Jerry</Name><Sort>Tom &amp; Jerry</Sort><Dir>/m/T</Dir>"
            "<ColNum>-1</ColNum><Media>mtTV</Media><Lent>False</Lent><Online>True</Online>"
            "<SBSPar>False</SBSPar><SBSKid>False</SBSKid><Ed/><AspRat/><VidStd/>"
            "<AudioTracks><AT C=\"5.1\" T=\"DTS\" L=\"English\"/></AudioTracks>"
            "<Subtitles><S L=\"French\"/></Subtitles>"
            "<Discs><D C=\"ctISO\" N=\"Disc 1\" L=\"/m/T/a.iso\">"
            "<Episode R=\"45m12s\" P=\"\" N=\"Pilot\" L=\"\" E=\"7\" S=\"2\"/></D></Discs>"
            "<DT>dtBluray</DT><ImgFol/><ImgFrnt/><ImgCovFrnt/><ImgCovBack/><ImgFanArt>BDMV\\fanart.jpg</ImgFanArt>"
            "<Year>1999</Year><Runtime>95</Runtime><RelDate>19990704</RelDate><AddDate>20011225</AddDate>"
            "<Watched>False</Watched><WatchedCVB>False</WatchedCVB><WatchList>False</WatchList>"
            "<Desc><![CDATA[a\r\nb]]></Desc><Extras><![CDATA[]]></Extras><Stars>7</Stars><Rated>PG</Rated>"
            "<RatedDesc/><Adult>False</Adult><TVRating>False</TVRating>"
            "<Genres><G>Drama</G></Genres><Categories/><Actor><A R=\"Cat\">Ann</A></Actor>"
            "<Director><D>Dee</D></Director><Writer/><Producer/><Cinematography/><Editor/><Music/><Sound/><Art/>"
            "</Title></Titles></CVB_Database>";
        QCOMPARE(readFile(m_dbPath), expected);
    }

    void writesEmptyCollection()
    {
        QString error;
        QVERIFY2(WriteDatabaseFile(m_dbPath, tTitles(), u"1.7.2017.0006 <&\"'>"_s, &error), qPrintable(error));
        QCOMPARE(readFile(m_dbPath),
                 QByteArray("<?xml version=\"1.0\"?><CVB_Database Titles=\"0\" CVBVer=\"1.7.2017.0006 &lt;&amp;&quot;'>\">"
                            "<Genres/><Categories/><Titles/></CVB_Database>"));
    }

    // Generated collection -> file -> collection: every stored field comes
    // back, New and InDrive are derived again.
    void roundTripKeepsEveryField()
    {
        CollectionGenOptions options;
        options.titleCount = 1500; // large enough to be converted in several parts
        options.seed = 7;
        tTitles titles = GenerateCollection(options);
        // Recent titles, so that New is true for some.
        titles.Title[0].AddedDate = ymd(kNow.date().addDays(-3));
        titles.Title[1].AddedDate = ymd(kNow.date());
        QString mounted;
        for (const tTitle &t : std::as_const(titles.Title))
            for (const tDiscInfo &d : t.DiscInfo)
                if (mounted.isEmpty() && d.Container == ctISO)
                    mounted = d.Loc;
        QVERIFY(!mounted.isEmpty());

        QString error;
        QVERIFY2(WriteDatabaseFile(m_dbPath, titles, kVersion, &error), qPrintable(error));
        const LoadResult result = load(m_appPath, mounted);
        QCOMPARE(result.status, LoadResult::Loaded);
        QCOMPARE(result.statusText, u"Load Complete"_s);

        tTitles expected = titles;
        deriveFlags(expected, mounted);
        QVERIFY(expected.Title[0].New);
        QCOMPARE(result.titles.MyGenres, expected.MyGenres);
        QCOMPARE(result.titles.MyCats, expected.MyCats);
        QCOMPARE(result.titles.Title.size(), expected.Title.size());
        for (qsizetype i = 0; i < expected.Title.size(); ++i)
            QVERIFY2(result.titles.Title[i] == expected.Title[i], qPrintable(u"title %1 differs"_s.arg(i)));
    }

    void textSurvivesCData_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("markup and ampersands") << u"<b>Tom &amp; Jerry</b> & <i>friends</i>"_s;
        QTest::newRow("line breaks") << u"first\r\nsecond\n\nthird\r"_s;
        QTest::newRow("section end inside") << u"before ]]> after"_s;
        QTest::newRow("section end at both ends") << u"]]>middle]]>"_s;
        QTest::newRow("brackets around section end") << u"]]]]>>]]>]]>"_s;
        QTest::newRow("non-latin") << u"Amélie — 千と千尋の神隠し"_s;
    }
    void textSurvivesCData()
    {
        QFETCH(QString, text);
        tTitles titles;
        tTitle t = smallTitle(u"1"_s);
        t.Description = text;
        t.ExtraFeatures = text + u"!"_s;
        titles.Title = {t};
        QVERIFY(WriteDatabaseFile(m_dbPath, titles, kVersion));
        const QByteArray file = readFile(m_dbPath);
        QVERIFY(isWellFormed(file));
        if (text.isEmpty())
            QVERIFY(file.contains("<Desc><![CDATA[]]></Desc>"));
        const LoadResult result = load(m_appPath);
        QCOMPARE(result.status, LoadResult::Loaded);
        QCOMPARE(result.titles.Title.at(0).Description, text);
        QCOMPARE(result.titles.Title.at(0).ExtraFeatures, text + u"!"_s);
    }

    // Line breaks, tabs and quotes in elements and attributes come back as
    // they were: no end-of-line or attribute whitespace normalisation.
    void whitespaceAndQuotesSurvive()
    {
        tTitles titles;
        tTitle t = smallTitle(u"1"_s);
        t.Title = u"Two\r\nLines\tand tab"_s;
        t.Actors = {{u"O'Brien \"Jr\""_s, u"line1\nline2\r\n<&>"_s}};
        t.DiscInfo[0].Name = u"  padded\t"_s;
        t.AudioTracks = {{u"5.1"_s, u"DTS & \"HD\""_s, u"\n"_s}};
        titles.Title = {t};
        QVERIFY(WriteDatabaseFile(m_dbPath, titles, kVersion));
        const LoadResult result = load(m_appPath);
        QCOMPARE(result.status, LoadResult::Loaded);
        const tTitle &r = result.titles.Title.at(0);
        QCOMPARE(r.Title, t.Title);
        QCOMPARE(r.Actors, t.Actors);
        QCOMPARE(r.DiscInfo.at(0).Name, t.DiscInfo.at(0).Name);
        QCOMPARE(r.AudioTracks, t.AudioTracks);
    }

    void emptyNamesAreDroppedEmptyGenresKept()
    {
        tTitles titles;
        titles.MyGenres = {QString(), u"Drama"_s};
        tTitle t = smallTitle(u"1"_s);
        t.Actors = {{QString(), u"Ghost"_s}, {u"Ann"_s, QString()}};
        t.Crew.Writer = {u"W1"_s, QString(), u"W2"_s};
        t.Crew.Art = {QString()};
        t.Genres = {QString(), u"Drama"_s};
        titles.Title = {t};
        QVERIFY(WriteDatabaseFile(m_dbPath, titles, kVersion));
        const LoadResult result = load(m_appPath);
        QCOMPARE(result.status, LoadResult::Loaded);
        const tTitle &r = result.titles.Title.at(0);
        QCOMPARE(r.Actors, (QList<tActor>{{u"Ann"_s, QString()}}));
        QCOMPARE(r.Crew.Writer, (QStringList{u"W1"_s, u"W2"_s}));
        QVERIFY(r.Crew.Art.isEmpty());
        QCOMPARE(r.Genres, (QStringList{QString(), u"Drama"_s}));
        QCOMPARE(result.titles.MyGenres, (QStringList{QString(), u"Drama"_s}));
    }

    // ------------------------------------------------------------ reader

    void versionGate_data()
    {
        QTest::addColumn<QByteArray>("rootName");
        QTest::addColumn<QString>("version"); // null: no CVBVer attribute
        QTest::addColumn<bool>("autoScan");
        QTest::addColumn<bool>("accepted");
        const QByteArray db = "CVB_Database";
        QTest::newRow("equal") << db << u"1.7.2017.0006"_s << false << true;
        QTest::newRow("higher second number") << db << u"1.8.2017.0006"_s << false << true;
        QTest::newRow("higher last number") << db << u"1.7.2017.0007"_s << true << true;
        QTest::newRow("last number one lower") << db << u"1.7.2017.0005"_s << false << false;
        QTest::newRow("last number one lower, auto scan") << db << u"1.7.2017.0005"_s << true << false;
        QTest::newRow("older year") << db << u"1.7.2016.9999"_s << false << false;
        QTest::newRow("empty version") << db << u""_s << false << false;
        QTest::newRow("no version") << db << QString() << false << false;
        QTest::newRow("no version, auto scan") << db << QString() << true << false;
        QTest::newRow("root name not checked") << QByteArray("Other") << u"1.7.2017.0006"_s << false << true;
    }
    void versionGate()
    {
        QFETCH(QByteArray, rootName);
        QFETCH(QString, version);
        QFETCH(bool, autoScan);
        QFETCH(bool, accepted);
        const QByteArray attribute = version.isNull() ? QByteArray() : " CVBVer=\"" + version.toLatin1() + '"';
        writeFile(m_dbPath, "<?xml version=\"1.0\"?><" + rootName + " Titles=\"1\"" + attribute
                                + "><Titles><Title><ID>a</ID></Title></Titles></" + rootName + ">");
        const QString snapshot = filePath(u"CVB_SmartSync.bin"_s);
        writeFile(snapshot, "snapshot");

        const LoadResult result = load(m_appPath, u"ERROR"_s, autoScan);
        if (accepted) {
            QCOMPARE(result.status, LoadResult::Loaded);
            QCOMPARE(result.titles.Title.size(), 1);
            QVERIFY(QFile::exists(snapshot));
            return;
        }
        QCOMPARE(result.status, LoadResult::Rejected);
        QVERIFY(result.titles.Title.isEmpty());
        QVERIFY(!QFile::exists(snapshot));
        QVERIFY(result.snapshotDeleted);
        if (autoScan) {
            QVERIFY(result.messageBoxText.isEmpty());
            QVERIFY(result.statusText != u"Load Aborted"_s);
        } else {
            QCOMPARE(result.statusText, u"Load Aborted"_s);
            QCOMPARE(result.messageBoxText,
                     u"Cinevue Local Database is from an older version ("_s + version
                         + u") that is not compatible with the current Cinevue version (1.7.2017.0006). \r\n\r\n"
                           "Local Database not loaded.  Please run a Sync now to rebuild DB."_s);
        }
    }

    void obsoleteBinaryDatabaseIsDeleted()
    {
        const QString obsolete = filePath(u"CVB_Database.bin"_s);
        writeFile(obsolete, "old");
        writeFile(m_dbPath, databaseWith("<Title><ID>a</ID></Title>"));
        QCOMPARE(load(m_appPath).status, LoadResult::Loaded);
        QVERIFY(!QFile::exists(obsolete));
    }

    void unreadableFilesAreErrors_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected"); // part of the error text
        QTest::newRow("ColNum not a number")
            << databaseWith("<Title><ID>x1</ID></Title><Title><ID>x2</ID><ColNum>abc</ColNum></Title>")
            << u"CinevueDB.xml: title 2 (ID x2): ColNum \"abc\" is not a whole number"_s;
        QTest::newRow("Year with trailing letters") << databaseWith("<Title><Year>1999a</Year></Title>") << u"Year \"1999a\""_s;
        QTest::newRow("empty Stars") << databaseWith("<Title><Stars></Stars></Title>") << u"Stars \"\""_s;
        QTest::newRow("Runtime beyond 32 bits") << databaseWith("<Title><Runtime>99999999999</Runtime></Title>") << u"Runtime"_s;
        QTest::newRow("episode E not a number")
            << databaseWith("<Title><Discs><D L=\"x\"><Episode E=\"one\" S=\"1\"/></D></Discs></Title>")
            << u"disc 1, episode 1: E \"one\""_s;
        QTest::newRow("episode without E")
            << databaseWith("<Title><Discs><D/><D L=\"x\"><Episode S=\"1\"/></D></Discs></Title>")
            << u"disc 2, episode 1: the E attribute is missing"_s;
        QTest::newRow("episode without S")
            << databaseWith("<Title><Discs><D L=\"x\"><Episode E=\"1\" S=\"1\"/><Episode E=\"2\"/></D></Discs></Title>")
            << u"disc 1, episode 2: the S attribute is missing"_s;
        QTest::newRow("AddDate 30 February") << databaseWith("<Title><AddDate>20230230</AddDate></Title>") << u"AddDate \"20230230\""_s;
        QTest::newRow("AddDate month 13") << databaseWith("<Title><AddDate>20231301</AddDate></Title>") << u"AddDate"_s;
        QTest::newRow("AddDate seven digits") << databaseWith("<Title><AddDate>2023011</AddDate></Title>") << u"AddDate"_s;
        QTest::newRow("unknown media type") << databaseWith("<Title><Media>mtmovie</Media></Title>") << u"Media \"mtmovie\""_s;
        QTest::newRow("unknown container") << databaseWith("<Title><Discs><D C=\"ctDVD\"/></Discs></Title>") << u"C \"ctDVD\""_s;
        QTest::newRow("not well-formed") << QByteArray("<?xml version=\"1.0\"?><CVB_Database CVBVer=\"1.7.2017.0006\"><Titles>")
                                         << u"CinevueDB.xml is not well-formed XML"_s;
        QTest::newRow("no root element") << QByteArray("<?xml version=\"1.0\"?>") << u"not well-formed"_s;
        QTest::newRow("missing file") << QByteArray() << u"CinevueDB.xml could not be opened"_s;
    }
    void unreadableFilesAreErrors()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        if (!content.isEmpty())
            writeFile(m_dbPath, content);
        const QString snapshot = filePath(u"CVB_SmartSync.bin"_s);
        writeFile(snapshot, "snapshot");
        const LoadResult result = load(m_appPath);
        QCOMPARE(result.status, LoadResult::Error);
        QVERIFY2(result.error.contains(expected), qPrintable(result.error));
        QVERIFY(result.titles.Title.isEmpty());
        // A sync against the old snapshot would re-import only changed titles.
        QVERIFY(!QFile::exists(snapshot));
    }

    // Large collections are converted in parts; the error reported is still
    // the first one in the file.
    void firstErrorOfALargeFileIsReported()
    {
        CollectionGenOptions options;
        options.titleCount = 1500;
        tTitles titles = GenerateCollection(options);
        titles.Title[1400].Year = 424242;
        titles.Title[900].Stars = 737373;
        QVERIFY(WriteDatabaseFile(m_dbPath, titles, kVersion));
        QByteArray content = readFile(m_dbPath);
        content.replace("<Year>424242</Year>", "<Year>late</Year>");
        content.replace("<Stars>737373</Stars>", "<Stars>many</Stars>");
        writeFile(m_dbPath, content);
        const LoadResult result = load(m_appPath);
        QCOMPARE(result.status, LoadResult::Error);
        QCOMPARE(result.error, u"CinevueDB.xml: title 901 (ID %1): Stars \"many\" is not a whole number"_s.arg(titles.Title[900].ID));
    }

    // The file is read in pieces; whatever lies around and between the titles,
    // the collection is the one the whole file holds.
    void piecesReadAsTheWholeFile_data()
    {
        QTest::addColumn<FileEdit>("edit");
        QTest::newRow("as written") << FileEdit([](const QByteArray &text) { return text; });
        QTest::newRow("comment holding end tags between titles")
            << replacing("</Title><Title>", "</Title><!-- </Title></Titles> --><Title>");
        QTest::newRow("CDATA holding a title between titles")
            << replacing("</Title><Title>", "</Title><![CDATA[<Title><ID>x</ID></Title>]]><Title>");
        QTest::newRow("line breaks and text between titles")
            << replacing("</Title><Title>", "</Title>\r\n\t text &amp; more\n<Title>");
        QTest::newRow("processing instruction between titles")
            << replacingLast("</Title><Title>", "</Title><?note x?><Title>");
        QTest::newRow("declaration between titles")
            << replacingLast("</Title><Title>", "</Title><?xml version=\"1.0\"?><Title>");
        QTest::newRow("attribute values holding > and />")
            << replacing("<Title>", "<Title x=\"a>b/>\" y='\"'>");
        QTest::newRow("comment holding a start tag inside a title")
            << replacing("<Name>", "<!-- <Name> --><Name>");
        QTest::newRow("byte order mark and a document type")
            << FileEdit([](const QByteArray &text) {
                   return "\xef\xbb\xbf" + QByteArray(text).replace("<?xml version=\"1.0\"?>",
                                                            "<?xml version=\"1.0\"?><!DOCTYPE CVB_Database "
                                                            "[<!ENTITY e \"]>\">]>");
               });
        QTest::newRow("a Titles element inside an earlier element")
            << replacing("<Genres>", "<Wrap><Titles><Title><ID>inner</ID></Title></Titles></Wrap><Genres>");
        QTest::newRow("a second Titles element")
            << replacing("</Titles>", "</Titles><Titles><Title><ID>second</ID></Title></Titles>");
        QTest::newRow("genres and categories after the titles") << FileEdit([](const QByteArray &text) {
            const qsizetype from = text.indexOf("<Genres>");
            const qsizetype to = text.indexOf("<Titles>");
            QByteArray moved = text;
            const QByteArray lists = moved.mid(from, to - from);
            moved.remove(from, to - from);
            return moved.replace("</CVB_Database>", lists + "</CVB_Database>");
        });
    }
    void piecesReadAsTheWholeFile()
    {
        QFETCH(FileEdit, edit);
        QString error;
        QVERIFY2(WriteDatabaseFile(m_dbPath, largeCollection(), kVersion, &error), qPrintable(error));
        writeFile(m_dbPath, edit(readFile(m_dbPath)));
        QVERIFY(wholeParseError(readFile(m_dbPath)).isEmpty());
        const LoadResult result = load(m_appPath);
        QCOMPARE(result.status, LoadResult::Loaded);
        tTitles expected = largeCollection();
        deriveFlags(expected, u"ERROR"_s);
        QCOMPARE(result.titles.Title.size(), expected.Title.size());
        QCOMPARE(result.titles.MyGenres, expected.MyGenres);
        for (qsizetype i = 0; i < expected.Title.size(); ++i)
            QVERIFY2(result.titles.Title[i] == expected.Title[i], qPrintable(u"title %1 differs"_s.arg(i)));
    }

    // Damage found late in the file, after many titles have been read, still
    // gives the error a whole-document parse gives, before any bad value.
    void damageAnywhereIsReportedAsWhole_data()
    {
        QTest::addColumn<FileEdit>("edit");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("expected"); // part of the error text; empty: that of a whole parse
        const int error = LoadResult::Error;
        const FileEdit lateMismatch = replacingLast("</Name>", "</Nam>");
        const FileEdit earlyBadYear = [](QByteArray text) {
            return text.replace(text.indexOf("<Year>") + 6, 1, "x");
        };
        const FileEdit oldVersion = replacing("CVBVer=\"1.7.2017.0006\"", "CVBVer=\"1.7.2017.0005\"");
        QTest::newRow("end tag mismatch in the last title") << lateMismatch << error << QString();
        QTest::newRow("cut off inside the last title")
            << FileEdit([](const QByteArray &text) { return text.chopped(200); }) << error << QString();
        QTest::newRow("bad number early, damage late") << both(earlyBadYear, lateMismatch) << error << QString();
        QTest::newRow("bad number early only") << earlyBadYear << error << u"title 1 (ID "_s;
        QTest::newRow("older version, damage late") << both(oldVersion, lateMismatch) << error << QString();
        QTest::newRow("older version, bad number") << both(oldVersion, earlyBadYear)
                                                   << int(LoadResult::Rejected) << QString();
    }
    void damageAnywhereIsReportedAsWhole()
    {
        QFETCH(FileEdit, edit);
        QFETCH(int, status);
        QFETCH(QString, expected);
        QString error;
        QVERIFY2(WriteDatabaseFile(m_dbPath, largeCollection(), kVersion, &error), qPrintable(error));
        const QByteArray content = edit(readFile(m_dbPath));
        writeFile(m_dbPath, content);
        QList<int> numbers;
        LoadProgress progress;
        progress.titleNumber = [&](int n) { numbers.append(n); };
        const LoadResult result = load(m_appPath, u"ERROR"_s, false, progress);
        QCOMPARE(int(result.status), status);
        QVERIFY(result.titles.Title.isEmpty());
        if (status == LoadResult::Rejected)
            return;
        if (expected.isEmpty()) {
            expected = wholeParseError(content);
            QVERIFY(!expected.isEmpty());
            QCOMPARE(result.error, expected);
            // The title count shown while reading starts again from 0.
            QCOMPARE(numbers.last(), 0);
        } else {
            QVERIFY2(result.error.contains(expected), qPrintable(result.error));
        }
    }

    void absentElementsTakeDefaults_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ColNum") << u"CollectionNum"_s << u"0"_s;
        QTest::newRow("Media") << u"MediaType"_s << u"mtNotSet"_s;
        QTest::newRow("DT") << u"DiscType"_s << u"dtDVD"_s;
        QTest::newRow("Year") << u"Year"_s << u"0"_s;
        QTest::newRow("Runtime") << u"Runtime"_s << u"0"_s;
        QTest::newRow("RelDate") << u"ReleaseDate"_s << QString();
        QTest::newRow("AddDate") << u"AddedDate"_s << u"99990101"_s;
        QTest::newRow("AddDate makes new") << u"New"_s << u"true"_s;
        QTest::newRow("Online") << u"Online"_s << u"false"_s;
        QTest::newRow("Desc") << u"Description"_s << QString();
        QTest::newRow("Stars") << u"Stars"_s << u"0"_s;
        QTest::newRow("disc without C") << u"Container"_s << u"ctFolder"_s;
        QTest::newRow("Actor") << u"Actors"_s << u"0"_s;
    }
    void absentElementsTakeDefaults()
    {
        QFETCH(QString, field);
        QFETCH(QString, expected);
        writeFile(m_dbPath, databaseWith("<Title><ID>a</ID><Discs><D L=\"/m/a\"/></Discs></Title>"));
        const LoadResult result = load(m_appPath);
        QCOMPARE(result.status, LoadResult::Loaded);
        const tTitle &t = result.titles.Title.at(0);
        const QHash<QString, QString> actual = {
            {u"CollectionNum"_s, QString::number(t.CollectionNum)},
            {u"MediaType"_s, MediaTypeName(t.MediaType)},
            {u"DiscType"_s, DiscTypeName(t.DiscType)},
            {u"Year"_s, QString::number(t.Year)},
            {u"Runtime"_s, QString::number(t.Runtime)},
            {u"ReleaseDate"_s, t.ReleaseDate},
            {u"AddedDate"_s, t.AddedDate},
            {u"New"_s, t.New ? u"true"_s : u"false"_s},
            {u"Online"_s, t.Online ? u"true"_s : u"false"_s},
            {u"Description"_s, t.Description},
            {u"Stars"_s, QString::number(t.Stars)},
            {u"Container"_s, ContainerName(t.DiscInfo.at(0).Container)},
            {u"Actors"_s, QString::number(t.Actors.size())},
        };
        QVERIFY(actual.contains(field));
        QCOMPARE(actual.value(field), expected);
    }

    void booleanReadings_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("True") << QByteArray("True") << true;
        QTest::newRow("true") << QByteArray("true") << true;
        QTest::newRow("TRUE") << QByteArray("TRUE") << true;
        QTest::newRow("1") << QByteArray("1") << true;
        QTest::newRow("other number") << QByteArray("-12") << true;
        QTest::newRow("0") << QByteArray("0") << false;
        QTest::newRow("False") << QByteArray("False") << false;
        QTest::newRow("fALSE") << QByteArray("fALSE") << false;
        QTest::newRow("yes") << QByteArray("yes") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void booleanReadings()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, expected);
        writeFile(m_dbPath, databaseWith("<Title><Lent>" + text + "</Lent><WatchList>" + text + "</WatchList></Title>"));
        const LoadResult result = load(m_appPath);
        QCOMPARE(result.status, LoadResult::Loaded);
        QCOMPARE(result.titles.Title.at(0).Lent, expected);
        QCOMPARE(result.titles.Title.at(0).WatchList, expected);
    }

    void inDriveMatchesExactLoc_data()
    {
        QTest::addColumn<QString>("lastMounted");
        QTest::addColumn<int>("discInDrive"); // index in the second title, -1 none
        QTest::newRow("exact path") << u"/m/B/two.iso"_s << 1;
        QTest::newRow("other letter case") << u"/m/b/TWO.iso"_s << -1;
        QTest::newRow("registry error") << u"ERROR"_s << -1;
        QTest::newRow("nothing mounted") << QString() << -1;
    }
    void inDriveMatchesExactLoc()
    {
        QFETCH(QString, lastMounted);
        QFETCH(int, discInDrive);
        writeFile(m_dbPath, databaseWith("<Title><ID>a</ID><Discs><D C=\"ctISO\" L=\"/m/A/one.iso\"/><D L=\"\"/></Discs></Title>"
                                         "<Title><ID>b</ID><Discs><D C=\"ctISO\" L=\"/m/B/one.iso\"/>"
                                         "<D C=\"ctISO\" L=\"/m/B/two.iso\"/></Discs></Title>"));
        const LoadResult result = load(m_appPath, lastMounted);
        QCOMPARE(result.status, LoadResult::Loaded);
        const tTitle &a = result.titles.Title.at(0);
        const tTitle &b = result.titles.Title.at(1);
        QVERIFY(!a.InDrive);
        QVERIFY(!a.DiscInfo.at(0).InDrive);
        QVERIFY(!a.DiscInfo.at(1).InDrive);
        QCOMPARE(b.InDrive, discInDrive >= 0);
        for (int i = 0; i < b.DiscInfo.size(); ++i)
            QCOMPARE(b.DiscInfo.at(i).InDrive, i == discInDrive);
    }

    void newForTwentyEightDays_data()
    {
        QTest::addColumn<int>("daysAgo");
        QTest::addColumn<bool>("expected");
        QTest::newRow("today") << 0 << true;
        QTest::newRow("27 days") << 27 << true;
        QTest::newRow("28 days") << 28 << false;
        QTest::newRow("29 days") << 29 << false;
        QTest::newRow("years ago") << 3000 << false;
    }
    void newForTwentyEightDays()
    {
        QFETCH(int, daysAgo);
        QFETCH(bool, expected);
        writeFile(m_dbPath, databaseWith("<Title><AddDate>" + ymd(kNow.date().addDays(-daysAgo)).toLatin1()
                                         + "</AddDate></Title>"));
        const LoadResult result = load(m_appPath);
        QCOMPARE(result.status, LoadResult::Loaded);
        QCOMPARE(result.titles.Title.at(0).New, expected);
    }

    // Entries of <Titles> that are not <Title> keep their place with default
    // fields; the progress callbacks see every position.
    void otherChildrenKeepTheirPlace()
    {
        writeFile(m_dbPath,
                  "<?xml version=\"1.0\"?><CVB_Database CVBVer=\"1.7.2017.0006\">"
                  "<Genres><G>Drama</G><X>Odd</X></Genres>"
                  "<Titles><Title><ID>a</ID><Name>Alpha</Name></Title><Note><ID>n</ID></Note>"
                  "<Title><ID>b</ID><Name>Beta</Name><Genres><G>Drama</G><Other>War</Other></Genres></Title>"
                  "</Titles></CVB_Database>");
        QStringList statuses;
        QList<int> numbers;
        QString total;
        QString processing;
        LoadProgress progress;
        progress.processing = [&](const QString &s) { processing = s; };
        progress.status = [&](const QString &s) { statuses.append(s); };
        progress.titleNumber = [&](int n) { numbers.append(n); };
        progress.totalTitles = [&](const QString &s) { total = s; };
        const LoadResult result = load(m_appPath, u"ERROR"_s, false, progress);
        QCOMPARE(result.status, LoadResult::Loaded);
        QCOMPARE(result.titles.Title.size(), 3);
        QCOMPARE(result.titles.Title.at(0).ID, u"a"_s);
        QVERIFY(result.titles.Title.at(1) == tTitle());
        QCOMPARE(result.titles.Title.at(2).Genres, (QStringList{u"Drama"_s, u"War"_s}));
        QCOMPARE(result.titles.MyGenres, (QStringList{u"Drama"_s, u"Odd"_s}));
        QVERIFY(result.titles.MyCats.isEmpty());
        QCOMPARE(processing, u"Loading Titles"_s);
        QCOMPARE(total, u"| 3"_s);
        QCOMPARE(numbers, (QList<int>{0, 1, 2, 3}));
        QCOMPARE(statuses, (QStringList{u"Reading CinevueDB.XML..."_s, u"Alpha"_s, u"Beta"_s, u"Load Complete"_s}));
    }

    // ------------------------------------------------------------ writer thread

    void overlappingWritesKeepTheLastState()
    {
        CollectionGenOptions options;
        options.titleCount = 200;
        const tTitles base = GenerateCollection(options);
        LocalDatabaseWriter writer;
        const int requests = 30;
        for (int i = 0; i < requests; ++i) {
            tTitles state = base;
            state.MyCats = {u"state %1"_s.arg(i)};
            state.Title.resize(100 + i);
            writer.request(state, m_appPath, kVersion);
            // Whenever the file is there it is complete.
            const QByteArray seen = readFile(m_dbPath);
            if (!seen.isEmpty())
                QVERIFY(isWellFormed(seen));
        }
        writer.waitForIdle();
        const LoadResult result = load(m_appPath);
        QCOMPARE(result.status, LoadResult::Loaded);
        QCOMPARE(result.titles.MyCats, QStringList{u"state %1"_s.arg(requests - 1)});
        QCOMPARE(result.titles.Title.size(), 100 + requests - 1);
        QVERIFY(QDir(m_appPath).entryList({u"CinevueDB.xml*"_s}, QDir::Files) == QStringList{u"CinevueDB.xml"_s});
    }

    // The writer works on the state at the time of the request, whatever the
    // caller does to its collection afterwards.
    void requestTakesACopy()
    {
        LocalDatabaseWriter writer;
        tTitles titles;
        titles.Title = {smallTitle(u"before"_s)};
        writer.request(titles, m_appPath, kVersion);
        titles.Title[0].ID = u"after"_s;
        titles.Title.append(smallTitle(u"extra"_s));
        writer.waitForIdle();
        const LoadResult result = load(m_appPath);
        QCOMPARE(result.titles.Title.size(), 1);
        QCOMPARE(result.titles.Title.at(0).ID, u"before"_s);
    }

    void sharedWriterFinishesOnWait()
    {
        tTitles titles;
        titles.Title = {smallTitle(u"shared"_s)};
        UpdateLocalDB(titles, m_appPath, kVersion);
        WaitForDatabaseWriter();
        QCOMPARE(load(m_appPath).titles.Title.value(0).ID, u"shared"_s);
    }

    void failedWriteIsReported_data()
    {
        QTest::addColumn<bool>("appFolderIsFile");
        QTest::newRow("database path is a folder") << false;
        QTest::newRow("program folder is a file") << true;
    }
    void failedWriteIsReported()
    {
        QFETCH(bool, appFolderIsFile);
        QString appPath = m_appPath;
        if (appFolderIsFile) {
            appPath = filePath(u"plainfile"_s) + u'/';
            writeFile(filePath(u"plainfile"_s), "x");
        } else {
            QVERIFY(QDir().mkpath(m_dbPath));
        }
        tTitles titles;
        titles.Title = {smallTitle(u"1"_s)};

        QString error;
        QVERIFY(!WriteDatabaseFile(DatabaseFilePath(appPath), titles, kVersion, &error));
        QVERIFY2(error.contains(u"CinevueDB.xml could not be written"_s), qPrintable(error));

        LocalDatabaseWriter writer;
        QSignalSpy failed(&writer, &LocalDatabaseWriter::writeFailed);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"CinevueDB.xml could not be written"_s));
        writer.request(titles, appPath, kVersion);
        QVERIFY(failed.wait());
        QVERIFY(failed.at(0).at(0).toString().contains(DatabaseFilePath(appPath)));
        if (!appFolderIsFile) {
            const QByteArray log = readFile(filePath(u"Logs/DatabaseErrors.txt"_s));
            QVERIFY2(log.contains("CinevueDB.xml could not be written"), log.constData());
        }
    }

    // A write that runs out of room names the cause instead of "Unknown
    // error". The file size limit stands in for a full disk: the write fails
    // the same way, with the reason in errno.
    void writeOutOfRoomNamesTheCause()
    {
        tTitles titles;
        for (int i = 0; i < 200; ++i)
            titles.Title << smallTitle(QString::number(i));
        const auto previous = ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit old {};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &old) == 0);
        struct rlimit small = old;
        small.rlim_cur = 4096;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
        QString error;
        const bool written = WriteDatabaseFile(m_dbPath, titles, kVersion, &error);
        ::setrlimit(RLIMIT_FSIZE, &old);
        ::signal(SIGXFSZ, previous);
        QVERIFY(!written);
        QVERIFY2(!error.contains(u"Unknown error"_s), qPrintable(error));
        QVERIFY2(error.contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(error));
        QVERIFY(!QFile::exists(m_dbPath));
        QCOMPARE(QDir(m_appPath).entryList(QDir::Files), QStringList()); // no temporary file left behind
    }

private:
    QString filePath(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_appPath;
    QString m_dbPath;
};

QTEST_GUILESS_MAIN(TestLocalDatabase)
#include "tst_localdatabase.moc"
