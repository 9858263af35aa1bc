#include "sync/titleimport.h"
#include "sync/titlexmlreader.h"

#include "model/valueconv.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

namespace {

QString titleXml(const QString &inner, const QString &rootAttributes = QString())
{
    return u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Title"_qs
           + (rootAttributes.isEmpty() ? QString() : u" "_qs + rootAttributes) + u">\n"_qs + inner
           + u"\n</Title>\n"_qs;
}

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(content);
}

void writeFile(const QString &path, const QString &content) { writeFile(path, content.toUtf8()); }

// One field of a title as text, for table-driven comparisons.
QString field(const tTitle &t, const QString &name)
{
    const QHash<QString, std::function<QString()>> fields = {
        {u"Title"_qs, [&] { return t.Title; }},
        {u"SortTitle"_qs, [&] { return t.SortTitle; }},
        {u"PID"_qs, [&] { return t.PID; }},
        {u"SeriesBoxSetParent"_qs, [&] { return QString::number(t.SeriesBoxSetParent); }},
        {u"SeriesBoxSetChild"_qs, [&] { return QString::number(t.SeriesBoxSetChild); }},
        {u"CollectionNum"_qs, [&] { return QString::number(t.CollectionNum); }},
        {u"DiscType"_qs, [&] { return DiscTypeName(t.DiscType); }},
        {u"MediaType"_qs, [&] { return MediaTypeName(t.MediaType); }},
        {u"Edition"_qs, [&] { return t.Edition; }},
        {u"AspectRatio"_qs, [&] { return t.AspectRatio; }},
        {u"VideoStandard"_qs, [&] { return t.VideoStandard; }},
        {u"AudioTracks"_qs, [&] {
             QStringList out;
             for (const tAudioTracks &a : t.AudioTracks)
                 out << a.Channels + u'|' + a.AudioType + u'|' + a.Language;
             return out.join(u';');
         }},
        {u"Subtitles"_qs, [&] { return t.Subtitles.join(u';'); }},
        {u"Year"_qs, [&] { return QString::number(t.Year); }},
        {u"ReleaseDate"_qs, [&] { return t.ReleaseDate; }},
        {u"AddedDate"_qs, [&] { return t.AddedDate; }},
        {u"Runtime"_qs, [&] { return QString::number(t.Runtime); }},
        {u"Stars"_qs, [&] { return QString::number(t.Stars); }},
        {u"Watched"_qs, [&] { return QString::number(t.Watched); }},
        {u"Description"_qs, [&] { return t.Description; }},
        {u"ExtraFeatures"_qs, [&] { return t.ExtraFeatures; }},
        {u"Genres"_qs, [&] { return t.Genres.join(u';'); }},
        {u"Cats"_qs, [&] { return t.Cats.join(u';'); }},
        {u"Online"_qs, [&] { return QString::number(t.Online); }},
        {u"Lent"_qs, [&] { return QString::number(t.Lent); }},
        {u"TVRating"_qs, [&] { return QString::number(t.TVRating); }},
        {u"RatedAdult"_qs, [&] { return QString::number(t.RatedAdult); }},
        {u"Rated"_qs, [&] { return t.Rated; }},
        {u"RatedDesc"_qs, [&] { return t.RatedDesc; }},
    };
    const auto it = fields.constFind(name);
    return it == fields.constEnd() ? u"<no such field>"_qs : (*it)();
}

} // namespace

class TestTitleImport : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_movies; // the monitored folder

    // A title folder below the monitored folder with a mymovies.xml and one
    // folder disc (the folder itself).
    tDirectoryRec folderTitle(const QString &name, const QString &xml)
    {
        tDirectoryRec d;
        d.Directory = m_movies + u'/' + name;
        d.mmXMLFile = d.Directory + u"/mymovies.xml"_qs;
        writeFile(d.mmXMLFile, xml);
        d.DiscInfo.append(tDirDiscInfo{d.mmXMLFile, 1, d.Directory, ctFolder, false});
        recordMarkers(d);
        return d;
    }

    // The marker times as the folder scan records them (0 when absent).
    static void recordMarkers(tDirectoryRec &d)
    {
        auto time = [&](const QString &name) { return QFile::exists(d.Directory + u'/' + name) ? 1 : 0; };
        d.CVBWatchedFileDate = time(u"CVB_Watched.txt"_qs);
        d.CVBNotWatchedFileDate = time(u"CVB_NotWatched.txt"_qs);
        d.CVBWatchListFileDate = time(u"CVB_WatchList.txt"_qs);
    }

    // A media file in the folder, optionally with its own per-file XML.
    void addMediaFile(tDirectoryRec &d, const QString &file, tContainers c, const QString &perFileXml = QString())
    {
        const QString loc = d.Directory + u'/' + file;
        writeFile(loc, QByteArray("media"));
        QString xmlPath;
        if (!perFileXml.isEmpty()) {
            xmlPath = d.Directory + u'/' + QFileInfo(file).completeBaseName() + u".mymovies.xml"_qs;
            writeFile(xmlPath, perFileXml);
        }
        d.DiscInfo.append(tDirDiscInfo{xmlPath, 1, loc, c, false});
    }

    ImportContext context() const
    {
        ImportContext ctx;
        ctx.monitoredFolder = m_movies;
        ctx.debug = true;
        return ctx;
    }

    ImportResult importOne(const QString &inner, tTitles &c, const QString &rootAttributes = QString())
    {
        tDirectoryRec d = folderTitle(u"Alien"_qs, titleXml(u"<ID>A1</ID>"_qs + inner, rootAttributes));
        return ImportTitleXML(d, 0, context(), c);
    }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_movies = m_tmp->path() + u"/Movies"_qs;
        QVERIFY(QDir().mkpath(m_movies));
    }

    void fieldMapping_data()
    {
        QTest::addColumn<QString>("inner");
        QTest::addColumn<QString>("rootAttributes");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");

        const QString none;
        QTest::newRow("title from LocalTitle") << u"<LocalTitle>Alien (1979)</LocalTitle>"_qs << none << u"Title"_qs << u"Alien (1979)"_qs;
        QTest::newRow("title falls back to folder") << none << none << u"Title"_qs << u"Alien"_qs;
        QTest::newRow("sort title given") << u"<LocalTitle>The Thing</LocalTitle><SortTitle>Thing, The</SortTitle>"_qs << none << u"SortTitle"_qs << u"Thing, The"_qs;
        QTest::newRow("empty sort title copies title") << u"<LocalTitle>The Thing</LocalTitle><SortTitle/>"_qs << none << u"SortTitle"_qs << u"The Thing"_qs;
        QTest::newRow("box-set parent") << none << u"IsBoxSetParent=\"true\""_qs << u"SeriesBoxSetParent"_qs << u"1"_qs;
        QTest::newRow("box-set child pid") << u"<ParentTitle ID=\"P9\"/>"_qs << u"IsBoxSetChild=\"True\""_qs << u"PID"_qs << u"P9"_qs;
        QTest::newRow("pid only for a child") << u"<ParentTitle ID=\"P9\"/>"_qs << u"IsBoxSetChild=\"False\""_qs << u"PID"_qs << QString();
        QTest::newRow("child without ParentTitle") << none << u"IsBoxSetChild=\"1\""_qs << u"PID"_qs << QString();
        QTest::newRow("collection number") << u"<CollectionNumber>42</CollectionNumber>"_qs << none << u"CollectionNum"_qs << u"42"_qs;
        QTest::newRow("collection number missing") << none << none << u"CollectionNum"_qs << u"-1"_qs;

        QTest::newRow("type DVD") << u"<Type>DVD</Type>"_qs << none << u"DiscType"_qs << u"dtDVD"_qs;
        QTest::newRow("type Blu-ray") << u"<Type>Blu-ray</Type>"_qs << none << u"DiscType"_qs << u"dtBluray"_qs;
        QTest::newRow("type HD DVD") << u"<Type>HD DVD</Type>"_qs << none << u"DiscType"_qs << u"dtHDDVD"_qs;
        QTest::newRow("type 4K") << u"<Type>4K Ultra HD</Type>"_qs << none << u"DiscType"_qs << u"dt4KUltraHD"_qs;
        QTest::newRow("type unknown text") << u"<Type>VHS</Type>"_qs << none << u"DiscType"_qs << u"dtDVD"_qs;
        QTest::newRow("type missing") << none << none << u"DiscType"_qs << u"dtDVD"_qs;

        QTest::newRow("media Movie") << u"<MediaType>Movie</MediaType>"_qs << none << u"MediaType"_qs << u"mtMovie"_qs;
        QTest::newRow("media TV Serie") << u"<MediaType>TV Serie</MediaType>"_qs << none << u"MediaType"_qs << u"mtTV"_qs;
        QTest::newRow("media TV Series") << u"<MediaType>TV Series</MediaType>"_qs << none << u"MediaType"_qs << u"mtTV"_qs;
        QTest::newRow("media lower case is not TV") << u"<MediaType>tv series</MediaType>"_qs << none << u"MediaType"_qs << u"mtNotSet"_qs;
        QTest::newRow("media Music") << u"<MediaType>Music</MediaType>"_qs << none << u"MediaType"_qs << u"mtMusic"_qs;
        QTest::newRow("media Documentary") << u"<MediaType>Documentary</MediaType>"_qs << none << u"MediaType"_qs << u"mtDoc"_qs;
        QTest::newRow("media Other") << u"<MediaType>Other</MediaType>"_qs << none << u"MediaType"_qs << u"mtOther"_qs;
        QTest::newRow("media unknown") << u"<MediaType>Anime</MediaType>"_qs << none << u"MediaType"_qs << u"mtNotSet"_qs;

        QTest::newRow("edition") << u"<Edition>Director's Cut</Edition>"_qs << none << u"Edition"_qs << u"Director's Cut"_qs;
        QTest::newRow("aspect ratio missing") << none << none << u"AspectRatio"_qs << u"Unknown"_qs;
        QTest::newRow("aspect ratio") << u"<AspectRatio>2.35:1</AspectRatio>"_qs << none << u"AspectRatio"_qs << u"2.35:1"_qs;
        QTest::newRow("video standard missing") << none << none << u"VideoStandard"_qs << u"Unknown"_qs;
        QTest::newRow("audio tracks") << u"<AudioTracks><AudioTrack Channels=\"5.1\" Type=\"DTS\" Language=\"en\"/><AudioTrack Language=\"de\"/></AudioTracks>"_qs
                                      << none << u"AudioTracks"_qs << u"5.1|DTS|en;||de"_qs;
        QTest::newRow("subtitles") << u"<Subtitles><Subtitle Language=\"en\"/><Subtitle Language=\"nl\"/></Subtitles>"_qs << none << u"Subtitles"_qs << u"en;nl"_qs;

        QTest::newRow("year") << u"<ProductionYear>1979</ProductionYear>"_qs << none << u"Year"_qs << u"1979"_qs;
        QTest::newRow("year missing") << none << none << u"Year"_qs << u"9999"_qs;
        QTest::newRow("release date") << u"<ReleaseDate>7/4/1996</ReleaseDate>"_qs << none << u"ReleaseDate"_qs << u"19960704"_qs;
        QTest::newRow("release date missing") << none << none << u"ReleaseDate"_qs << u"99990101"_qs;
        QTest::newRow("added date with time") << u"<Added>12/25/2001 00:00:00</Added>"_qs << none << u"AddedDate"_qs << u"20011225"_qs;
        QTest::newRow("added date without slashes") << u"<Added>2001-12-25</Added>"_qs << none << u"AddedDate"_qs << u"99990101"_qs;
        QTest::newRow("runtime") << u"<RunningTime>117</RunningTime>"_qs << none << u"Runtime"_qs << u"117"_qs;
        QTest::newRow("runtime missing") << none << none << u"Runtime"_qs << u"999"_qs;
        QTest::newRow("stars") << u"<Rating>8</Rating>"_qs << none << u"Stars"_qs << u"8"_qs;
        QTest::newRow("stars missing") << none << none << u"Stars"_qs << u"0"_qs;
        QTest::newRow("watched true") << u"<Watched>True</Watched>"_qs << none << u"Watched"_qs << u"1"_qs;
        QTest::newRow("watched missing") << none << none << u"Watched"_qs << u"0"_qs;
        QTest::newRow("description") << u"<Description><![CDATA[In space <no one> hears]]></Description>"_qs << none << u"Description"_qs << u"In space <no one> hears"_qs;
        QTest::newRow("description missing") << none << none << u"Description"_qs << u"Description Missing"_qs;
        QTest::newRow("extra features") << u"<ExtraFeatures>Trailer</ExtraFeatures>"_qs << none << u"ExtraFeatures"_qs << u"Trailer"_qs;
        QTest::newRow("genres") << u"<Genres><Genre>Horror</Genre><Genre>Sci-Fi</Genre></Genres>"_qs << none << u"Genres"_qs << u"Horror;Sci-Fi"_qs;
        QTest::newRow("categories") << u"<Categories><Category>Classics</Category></Categories>"_qs << none << u"Cats"_qs << u"Classics"_qs;
        QTest::newRow("online") << u"<PersonalData Online=\"True\"/>"_qs << none << u"Online"_qs << u"1"_qs;
        QTest::newRow("lent") << u"<PersonalData LentTo=\"Bob\"/>"_qs << none << u"Lent"_qs << u"1"_qs;
        QTest::newRow("not lent") << u"<PersonalData LentTo=\"\"/>"_qs << none << u"Lent"_qs << u"0"_qs;
        QTest::newRow("tv rating") << u"<ParentalRating TV=\"True\"><Value>5</Value></ParentalRating>"_qs << none << u"TVRating"_qs << u"1"_qs;
        QTest::newRow("adult") << u"<ParentalRating Adult=\"1\"><Value>6</Value></ParentalRating>"_qs << none << u"RatedAdult"_qs << u"1"_qs;
        QTest::newRow("rating reason") << u"<ParentalRating><Value>6</Value><Description>Violence</Description></ParentalRating>"_qs << none << u"RatedDesc"_qs << u"Violence"_qs;
        QTest::newRow("rating without value") << u"<ParentalRating><Description>x</Description></ParentalRating>"_qs << none << u"Rated"_qs << u"Unrated"_qs;
    }
    void fieldMapping()
    {
        QFETCH(QString, inner);
        QFETCH(QString, rootAttributes);
        QFETCH(QString, field);
        QFETCH(QString, expected);
        tTitles c;
        const ImportResult r = importOne(inner, c, rootAttributes);
        QCOMPARE(r.status, ImportStatus::Imported);
        QCOMPARE(c.Title.size(), 1);
        QCOMPARE(::field(c.Title.at(0), field), expected);
    }

    void ratingTable_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("rated");
        QTest::newRow("0") << u"0"_qs << u"Unrated"_qs;
        QTest::newRow("-1") << u"-1"_qs << u"Unrated"_qs;
        QTest::newRow("1") << u"1"_qs << u"G"_qs;
        QTest::newRow("2") << u"2"_qs << u"2 - Unknown"_qs;
        QTest::newRow("3") << u"3"_qs << u"PG"_qs;
        QTest::newRow("4") << u"4"_qs << u"PG13"_qs;
        QTest::newRow("5") << u"5"_qs << u"TV14"_qs;
        QTest::newRow("6") << u"6"_qs << u"R"_qs;
        QTest::newRow("7") << u"7"_qs << u"7 - Unknown"_qs;
        QTest::newRow("9") << u"9"_qs << u"9 - Unknown"_qs;
        QTest::newRow("12") << u"12"_qs << u"12 - Unknown"_qs;
    }
    void ratingTable()
    {
        QFETCH(QString, value);
        QFETCH(QString, rated);
        tTitles c;
        importOne(u"<ParentalRating><Value>"_qs + value + u"</Value></ParentalRating>"_qs, c);
        QCOMPARE(c.Title.at(0).Rated, rated);
    }

    void dates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("added");
        QTest::addColumn<QString>("expected");
        QTest::newRow("single digits") << u"7/4/1996"_qs << false << u"19960704"_qs;
        QTest::newRow("two digits") << u"12/25/2001"_qs << false << u"20011225"_qs;
        QTest::newRow("added with time") << u"12/25/2001 00:00:00"_qs << true << u"20011225"_qs;
        QTest::newRow("two parts") << u"12/2001"_qs << false << u"99990101"_qs;
        QTest::newRow("four parts") << u"1/2/3/4"_qs << false << u"99990101"_qs;
        QTest::newRow("dashes") << u"2001-12-25"_qs << true << u"99990101"_qs;
        QTest::newRow("empty") << QString() << false << u"99990101"_qs;
    }
    void dates()
    {
        QFETCH(QString, text);
        QFETCH(bool, added);
        QFETCH(QString, expected);
        QCOMPARE(MyMoviesDate(text, added), expected);
    }

    void badFileIsRejectedWhole_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not well-formed") << QByteArray("<Title><ID>A1</ID><LocalTitle>x</Title>");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("empty collection number") << titleXml(u"<ID>A1</ID><CollectionNumber/>"_qs).toUtf8();
        QTest::newRow("year not a number") << titleXml(u"<ID>A1</ID><ProductionYear>19x9</ProductionYear>"_qs).toUtf8();
        QTest::newRow("rating value not a number") << titleXml(u"<ID>A1</ID><ParentalRating><Value>R</Value></ParentalRating>"_qs).toUtf8();
        QTest::newRow("no ID") << titleXml(u"<LocalTitle>Nameless</LocalTitle>"_qs).toUtf8();
        QTest::newRow("blank ID") << titleXml(u"<ID>  </ID><LocalTitle>Nameless</LocalTitle>"_qs).toUtf8();
        QTest::newRow("root is not Title") << QByteArray("<Movie><ID>A1</ID><LocalTitle>x</LocalTitle></Movie>");
        QTest::newRow("season not a number") << titleXml(u"<ID>A1</ID><MediaType>TV Series</MediaType>"
            "<Discs><Disc><Name>Alien</Name><TitlesSideA><Title ContainsEpisode=\"True\" TVSeason=\"one\"/></TitlesSideA></Disc></Discs>"_qs).toUtf8();
    }
    void badFileIsRejectedWhole()
    {
        QFETCH(QByteArray, content);
        // An earlier good import of the same ID must survive the bad file.
        tTitles c;
        QCOMPARE(importOne(u"<LocalTitle>Good</LocalTitle><Genres><Genre>Drama</Genre></Genres>"_qs
                           u"<Persons><Person Type=\"1\"><Name>Ann</Name></Person></Persons>"_qs, c).status,
                 ImportStatus::Imported);
        const tTitles before = c;

        tDirectoryRec d;
        d.Directory = m_movies + u"/Alien"_qs;
        d.mmXMLFile = d.Directory + u"/mymovies.xml"_qs;
        writeFile(d.mmXMLFile, content);
        d.DiscInfo.append(tDirDiscInfo{d.mmXMLFile, 2, d.Directory, ctFolder, false});
        const ImportResult r = ImportTitleXML(d, 0, context(), c);

        QCOMPARE(r.status, ImportStatus::Placeholder);
        QCOMPARE(r.placeholderReason, u"Corrupted"_qs);
        QCOMPARE(r.titleIndex, -1);
        const QString date = QLocale::system().toString(QFileInfo(d.mmXMLFile).lastModified().date(), QLocale::ShortFormat);
        QCOMPARE(r.errorText, u"Found a bad \"mymovies.xml\" in \""_qs + d.mmXMLFile + u"\" (Last Updated "_qs + date + u')');
        QVERIFY(r.debugLines.contains(u"    "_qs + r.errorText));
        QVERIFY(!r.errorDetail.isEmpty());
        QVERIFY(!d.DiscInfo.at(0).Found);
        QCOMPARE(c, before);
    }

    void encryptedAndForeignRoots()
    {
        tTitles c;
        tDirectoryRec enc = folderTitle(u"Secret"_qs, u"<?xml version=\"1.0\"?><EncryptedData>AAAA</EncryptedData>"_qs);
        ImportResult r = ImportTitleXML(enc, 0, context(), c);
        QCOMPARE(r.status, ImportStatus::Placeholder);
        QCOMPARE(r.placeholderReason, u"Encrypted"_qs);
        QVERIFY(r.errorText.startsWith(u"Found ENCRYPTED \"mymovies.xml\" in \""_qs + enc.mmXMLFile + u"\" (Last Updated "_qs));
        QVERIFY(r.debugLines.contains(u"    "_qs + r.errorText));
        QVERIFY(c.Title.isEmpty());

        // Any other root is no title: a placeholder shows the folder to the user.
        tDirectoryRec foreign = folderTitle(u"Other"_qs, u"<Movie><ID>X</ID></Movie>"_qs);
        r = ImportTitleXML(foreign, 0, context(), c);
        QCOMPARE(r.status, ImportStatus::Placeholder);
        QCOMPARE(r.placeholderReason, u"Corrupted"_qs);
        QVERIFY(r.errorDetail.contains(u"<Movie>"_qs));
        QVERIFY(c.Title.isEmpty());
    }

    void encryptedPerFileFallsBackToFolderXml()
    {
        tTitles c;
        tDirectoryRec d = folderTitle(u"Alien"_qs, titleXml(u"<ID>A1</ID><LocalTitle>From folder</LocalTitle>"_qs));
        d.DiscInfo.clear();
        addMediaFile(d, u"Alien.mkv"_qs, ctMKV, u"<EncryptedData>AAAA</EncryptedData>"_qs);
        const ImportResult r = ImportTitleXML(d, 0, context(), c);
        QCOMPARE(r.status, ImportStatus::Imported);
        QCOMPARE(c.Title.at(0).Title, u"From folder"_qs);
        QVERIFY(r.debugLines.contains(u"      Found Encrypted XML file. Trying alternate file "_qs + d.mmXMLFile));
    }

    void mediaWithoutXmlIsMissing()
    {
        tTitles c;
        tDirectoryRec d;
        d.Directory = m_movies + u"/NoXml"_qs;
        addMediaFile(d, u"film.iso"_qs, ctISO);
        const ImportResult r = ImportTitleXML(d, 0, context(), c);
        QCOMPARE(r.status, ImportStatus::Placeholder);
        QCOMPARE(r.placeholderReason, u"Missing"_qs);
        QCOMPARE(r.errorText, u"Found an ISO file without a \"mymovies.xml\" file in Folder \""_qs + d.Directory + u'"');
        QVERIFY(c.Title.isEmpty());
    }

    void perFileXmlsMakeTitlesById()
    {
        // Two media files with their own XML: different IDs make two titles,
        // the same ID one title with two discs.
        tTitles c;
        tDirectoryRec d;
        d.Directory = m_movies + u"/Mixed"_qs;
        addMediaFile(d, u"a.mp4"_qs, ctMP4, titleXml(u"<ID>X1</ID><LocalTitle>A</LocalTitle>"_qs));
        addMediaFile(d, u"b.mp4"_qs, ctMP4, titleXml(u"<ID>X2</ID><LocalTitle>B</LocalTitle>"_qs));
        addMediaFile(d, u"c.mp4"_qs, ctMP4, titleXml(u"<ID>X1</ID><LocalTitle>A</LocalTitle>"_qs));
        for (qsizetype i = 0; i < d.DiscInfo.size(); ++i)
            QCOMPARE(ImportTitleXML(d, i, context(), c).status, ImportStatus::Imported);
        QCOMPARE(c.Title.size(), 2);
        QCOMPARE(c.Title.at(0).ID, u"X1"_qs);
        QCOMPARE(c.Title.at(0).DiscInfo.size(), 2);
        QCOMPARE(c.Title.at(0).DiscInfo.at(1).Loc, d.DiscInfo.at(2).Loc);
        QCOMPARE(c.Title.at(1).DiscInfo.size(), 1);
        QVERIFY(d.DiscInfo.at(0).Found && d.DiscInfo.at(1).Found && d.DiscInfo.at(2).Found);
    }

    void updateKeepsPositionAndResetsFields()
    {
        tTitles c;
        importOne(u"<LocalTitle>First</LocalTitle>"_qs, c);
        tDirectoryRec other = folderTitle(u"Other"_qs, titleXml(u"<ID>B</ID>"_qs));
        ImportTitleXML(other, 0, context(), c);

        const QString rich = u"<MediaType>Movie</MediaType><ProductionYear>1979</ProductionYear>"
                             "<Persons><Person Type=\"1\"><Name>Ann</Name></Person><Person Type=\"2\"><Name>Dir</Name></Person></Persons>"_qs;
        tDirectoryRec d = folderTitle(u"Alien"_qs, titleXml(u"<ID>A1</ID>"_qs + rich));
        ImportTitleXML(d, 0, context(), c);
        QCOMPARE(c.Title.at(0).Year, 1979);

        // Re-read with fewer elements: defaults come back, "unchanged" fields
        // stay, people are read afresh, and the disc is not doubled.
        d = folderTitle(u"Alien"_qs, titleXml(u"<ID>A1</ID><Persons><Person Type=\"1\"><Name>Bo</Name></Person></Persons>"_qs));
        const ImportResult r = ImportTitleXML(d, 0, context(), c);
        QCOMPARE(r.titleIndex, 0);
        QVERIFY(!r.titleAppended);
        QVERIFY(r.debugLines.contains(u"      Appending to A1 - Alien"_qs));
        QCOMPARE(c.Title.size(), 2);
        const tTitle &t = c.Title.at(0);
        QCOMPARE(t.Year, 9999);
        QCOMPARE(t.MediaType, mtMovie);
        QCOMPARE(t.Actors.size(), 1);
        QCOMPARE(t.Actors.at(0).Actor, u"Bo"_qs);
        QVERIFY(t.Crew.Director.isEmpty());
        QCOMPARE(t.DiscInfo.size(), 1);
    }

    void persons()
    {
        QString inner = u"<Persons>"_qs;
        for (int i = 0; i < 600; ++i)
            inner += u"<Person Type=\"1\"><Name>Actor %1</Name><Role>Role %1</Role></Person>"_qs.arg(i);
        inner += u"<Person Type=\"1\"><Role>nameless</Role></Person>"
                 "<Person Type=\"2\"><Name>Director</Name></Person><Person Type=\"3\"><Name>Writer</Name></Person>"
                 "<Person Type=\"4\"><Name>Producer</Name></Person><Person Type=\"5\"><Name>Camera</Name></Person>"
                 "<Person Type=\"6\"><Name>Editor</Name></Person><Person Type=\"7\"><Name>Composer</Name></Person>"
                 "<Person Type=\"8\"><Name>Sound</Name></Person><Person Type=\"9\"><Name>Art</Name></Person>"
                 "<Person Type=\"9\"><Name>Art 2</Name></Person><Person Type=\"10\"><Name>Other</Name></Person>"
                 "</Persons>"_qs;
        tTitles c;
        importOne(inner, c);
        const tTitle &t = c.Title.at(0);
        QCOMPARE(t.Actors.size(), 499);
        QCOMPARE(t.Actors.at(498), (tActor{u"Actor 498"_qs, u"Role 498"_qs}));
        const tCrew expected{{u"Director"_qs}, {u"Writer"_qs}, {u"Producer"_qs}, {u"Camera"_qs}, {u"Editor"_qs},
                             {u"Composer"_qs}, {u"Sound"_qs}, {u"Art"_qs, u"Art 2"_qs}};
        QCOMPARE(t.Crew, expected);

        tTitles c2;
        importOne(u"<Persons><Person Type=\"1\"><Name>No Role</Name></Person></Persons>"_qs, c2);
        QCOMPARE(c2.Title.at(0).Actors, (QList<tActor>{{u"No Role"_qs, QString()}}));
    }

    void episodes()
    {
        const QString inner = u"<MediaType>TV Series</MediaType><Discs>"
            "<Disc><Name>Other</Name><TitlesSideA><Title ContainsEpisode=\"True\" TVSeason=\"9\" TVEpisode=\"9\"/></TitlesSideA></Disc>"
            "<Disc><Name>Alien</Name>"
            "<TitlesSideA>"
            "<Title ContainsEpisode=\"True\" TVSeason=\"1\" TVEpisode=\"2\" Hours=\"01\" Minutes=\"02\" Seconds=\"05\" MPLS=\"00800.mpls\"/>"
            "<Title ContainsEpisode=\"True\" TVSeason=\"1\" TVEpisode=\"2\" Hours=\"00\" Minutes=\"40\" Seconds=\"00\"/>"
            "<Title ContainsEpisode=\"False\" TVSeason=\"1\" TVEpisode=\"7\"/>"
            "</TitlesSideA>"
            "<TitlesSideB><Title ContainsEpisode=\"True\" TVSeason=\"\" TVEpisode=\"3\" Hours=\"00\" Minutes=\"45\" Seconds=\"12\"/></TitlesSideB>"
            "</Disc></Discs>"_qs;
        tTitles c;
        importOne(inner, c);
        const QList<tEpisode> expected = {
            {1, 2, u"Missing"_qs, u"01h02m05s"_qs, u"00800.mpls"_qs, QString()},
            {0, 3, u"Missing"_qs, u"45m12s"_qs, QString(), QString()},
        };
        QCOMPARE(c.Title.at(0).DiscInfo.at(0).Episodes, expected);

        // Re-importing adds nothing twice; a movie gets no episodes.
        tDirectoryRec d = folderTitle(u"Alien"_qs, titleXml(u"<ID>A1</ID>"_qs + inner));
        ImportTitleXML(d, 0, context(), c);
        QCOMPARE(c.Title.at(0).DiscInfo.at(0).Episodes.size(), 2);
        tTitles movie;
        importOne(QString(inner).replace(u"TV Series"_qs, u"Movie"_qs), movie);
        QVERIFY(movie.Title.at(0).DiscInfo.at(0).Episodes.isEmpty());
    }

    void discNames_data()
    {
        QTest::addColumn<QString>("media");        // media file in the folder, empty for a folder disc
        QTest::addColumn<QString>("locations");    // DiscLocations children
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("inDrive");

        const QString folder;
        QTest::newRow("folder exact") << folder << u"<Disc Name=\"Disc 1\" LocationA=\"$DIR\" TypeA=\"1\"/>"_qs << u"Disc 1"_qs << false;
        QTest::newRow("folder other case") << folder << u"<Disc Name=\"Disc 1\" LocationA=\"$DIRUPPER\"/>"_qs << u"Disc 1"_qs << false;
        QTest::newRow("second entry matches") << folder << u"<Disc Name=\"Wrong\" LocationA=\"/elsewhere/x\"/><Disc Name=\"Disc 2\" LocationA=\"$DIR\"/>"_qs << u"Disc 2"_qs << false;
        QTest::newRow("side B exact") << folder << u"<Disc Name=\"Disc 1\" LocationA=\"\" LocationB=\"$DIR\"/>"_qs << u"Disc 1 (Side B)"_qs << false;
        QTest::newRow("iso file exact, mounted") << u"Alien.iso"_qs << u"<Disc Name=\"Disc 1\" LocationA=\"$DIR/Alien.iso\" TypeA=\"2\"/>"_qs << u"Disc 1"_qs << true;
        QTest::newRow("iso recorded as folder") << u"Alien.iso"_qs << u"<Disc Name=\"Disc 1\" LocationA=\"$DIR\"/>"_qs << u"Disc 1 (ISO)"_qs << true;
        QTest::newRow("mkv side B folder") << u"Alien.mkv"_qs << u"<Disc Name=\"Disc 1\" LocationB=\"$DIR\"/>"_qs << u"Disc 1 (Side B/MKV)"_qs << false;
        QTest::newRow("folder disc takes no folder rule") << folder << u"<Disc Name=\"Disc 1\" LocationA=\"/elsewhere/Alien\"/>"_qs << u"Alien"_qs << false;
        QTest::newRow("iso without locations") << u"Alien.iso"_qs << QString() << u"Alien.iso"_qs << true;
        QTest::newRow("mp4 without locations") << u"Alien.mp4"_qs << QString() << u"Alien.mp4"_qs << false;
        QTest::newRow("windows share") << folder << u"<Disc Name=\"Disc 1\" LocationA=\"\\\\NAS\\Movies\\ALIEN\"/>"_qs << u"Disc 1"_qs << false;
        QTest::newRow("smb url") << folder << u"<Disc Name=\"Disc 1\" LocationA=\"SMB://nas/movies/alien\"/>"_qs << u"Disc 1"_qs << false;
        QTest::newRow("drive letter iso") << u"Alien.iso"_qs << u"<Disc Name=\"Disc 1\" LocationA=\"M:\\Movies\\Alien\\Alien.ISO\"/>"_qs << u"Disc 1"_qs << false;
        QTest::newRow("windows path of another title") << folder << u"<Disc Name=\"Disc 1\" LocationA=\"\\\\NAS\\Movies\\Aliens\"/>"_qs << u"Alien"_qs << false;
    }
    void discNames()
    {
        QFETCH(QString, media);
        QFETCH(QString, locations);
        QFETCH(QString, name);
        QFETCH(bool, inDrive);
        const QString dir = m_movies + u"/Alien"_qs;
        locations.replace(u"$DIRUPPER"_qs, dir.toUpper()).replace(u"$DIR"_qs, dir);
        const QString xml = titleXml(u"<ID>A1</ID><PersonalData><DiscLocations>"_qs + locations + u"</DiscLocations></PersonalData>"_qs);
        tDirectoryRec d = folderTitle(u"Alien"_qs, xml);
        if (!media.isEmpty()) {
            d.DiscInfo.clear();
            addMediaFile(d, media, media.endsWith(u"iso"_qs) ? ctISO : media.endsWith(u"mkv"_qs) ? ctMKV : ctMP4);
        }
        ImportContext ctx = context();
        ctx.lastMountedFile = dir + u"/Alien.iso"_qs;
        tTitles c;
        QCOMPARE(ImportTitleXML(d, 0, ctx, c).status, ImportStatus::Imported);
        QCOMPARE(c.Title.at(0).DiscInfo.size(), 1);
        const tDiscInfo &disc = c.Title.at(0).DiscInfo.at(0);
        QCOMPARE(disc.Name, name);
        QCOMPARE(disc.Loc, d.DiscInfo.at(0).Loc);
        QCOMPARE(disc.Container, d.DiscInfo.at(0).Container);
        QCOMPARE(disc.InDrive, inDrive);
        QVERIFY(d.DiscInfo.at(0).Found);
    }

    void locationMatching_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("scanned");
        QTest::addColumn<bool>("matches");
        const QString root = u"/srv/media/Movies"_qs;
        QTest::newRow("same path") << root + u"/A"_qs << root + u"/A"_qs << true;
        QTest::newRow("unc tail") << u"\\\\nas\\movies\\Kids\\A"_qs << root + u"/Kids/A"_qs << true;
        QTest::newRow("unc tail too short") << u"\\\\nas\\A"_qs << root + u"/Kids/A"_qs << false;
        QTest::newRow("unc other parent") << u"\\\\nas\\movies\\Adults\\A"_qs << root + u"/Kids/A"_qs << false;
        QTest::newRow("smb with forward slashes") << u"smb://nas/Movies/kids/a"_qs << root + u"/Kids/A"_qs << true;
        QTest::newRow("drive letter file") << u"M:\\Kids\\A\\a.iso"_qs << root + u"/Kids/A/A.iso"_qs << true;
        QTest::newRow("monitored folder itself") << u"\\\\nas\\Movies"_qs << root << true;
        QTest::newRow("outside the monitored folder") << u"\\\\nas\\Other\\A"_qs << u"/elsewhere/A"_qs << false;
        QTest::newRow("native path of another folder") << u"/mnt/old/Kids/A"_qs << root + u"/Kids/A"_qs << false;
        QTest::newRow("prefix is not a component") << u"\\\\nas\\movies\\XA"_qs << root + u"/A"_qs << false;
    }
    void locationMatching()
    {
        QFETCH(QString, location);
        QFETCH(QString, scanned);
        QFETCH(bool, matches);
        QCOMPARE(LocationMatches(location, scanned, u"/srv/media/Movies/"_qs), matches);
    }

    void updateOfFileDiscs()
    {
        // On a re-import an ISO recorded as folder reuses its disc; an MP4
        // does not take the folder rule and is named after the file.
        const QString dir = m_movies + u"/Alien"_qs;
        const QString xml = titleXml(u"<ID>A1</ID><PersonalData><DiscLocations><Disc Name=\"Disc 1\" LocationA=\""_qs + dir
                                     + u"\"/></DiscLocations></PersonalData>"_qs);
        tDirectoryRec d = folderTitle(u"Alien"_qs, xml);
        d.DiscInfo.clear();
        addMediaFile(d, u"a.iso"_qs, ctISO);
        addMediaFile(d, u"b.mp4"_qs, ctMP4);
        tTitles c;
        for (int pass = 0; pass < 2; ++pass)
            for (qsizetype i = 0; i < d.DiscInfo.size(); ++i)
                ImportTitleXML(d, i, context(), c);
        QCOMPARE(c.Title.size(), 1);
        QStringList names;
        for (const tDiscInfo &disc : c.Title.at(0).DiscInfo)
            names << disc.Name;
        QCOMPARE(names, (QStringList{u"Disc 1 (ISO)"_qs, u"b.mp4"_qs}));
    }

    void boxSetPseudoDisc_data()
    {
        QTest::addColumn<QString>("rootAttributes");
        QTest::addColumn<bool>("imported");
        QTest::newRow("box-set parent") << u"IsBoxSetParent=\"True\""_qs << true;
        QTest::newRow("not a parent") << QString() << false;
    }
    void boxSetPseudoDisc()
    {
        QFETCH(QString, rootAttributes);
        QFETCH(bool, imported);
        tDirectoryRec d = folderTitle(u"Box"_qs, titleXml(u"<ID>P1</ID>"_qs, rootAttributes));
        d.DiscInfo = {tDirDiscInfo{d.mmXMLFile, 1, u"BoxSetParent"_qs, ctFolder, false}};
        tTitles c;
        const ImportResult r = ImportTitleXML(d, 0, context(), c);
        QCOMPARE(r.status, imported ? ImportStatus::Imported : ImportStatus::Ignored);
        QCOMPARE(c.Title.size(), imported ? 1 : 0);
        if (imported)
            QVERIFY(c.Title.at(0).DiscInfo.isEmpty());
    }

    void images_data()
    {
        QTest::addColumn<QString>("media");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("expected"); // front, back, folder, fan art

        QTest::newRow("none") << QString() << QStringList() << QStringList{{}, {}, {}, {}};
        QTest::newRow("folder names") << QString()
            << QStringList{u"mymovies-front.jpg"_qs, u"mymovies-back.jpg"_qs, u"folder.jpg"_qs, u"fanart.jpg"_qs}
            << QStringList{u"mymovies-front.jpg"_qs, u"mymovies-back.jpg"_qs, u"folder.jpg"_qs, u"fanart.jpg"_qs};
        QTest::newRow("VIDEO_TS fan art first") << QString()
            << QStringList{u"VIDEO_TS/fanart.jpg"_qs, u"BDMV/fanart.jpg"_qs, u"fanart.jpg"_qs}
            << QStringList{{}, {}, {}, u"VIDEO_TS\\fanart.jpg"_qs};
        QTest::newRow("BDMV fan art") << QString() << QStringList{u"BDMV/fanart.jpg"_qs}
            << QStringList{{}, {}, {}, u"BDMV\\fanart.jpg"_qs};
        QTest::newRow("per-file names first") << u"Alien.Mkv"_qs
            << QStringList{u"Alien.mymovies-front.jpg"_qs, u"Alien.mymovies-back.jpg"_qs, u"Alien.jpg"_qs,
                           u"Alien-fanart.jpg"_qs, u"folder.jpg"_qs, u"fanart.jpg"_qs}
            << QStringList{u"Alien.mymovies-front.jpg"_qs, u"Alien.mymovies-back.jpg"_qs, u"Alien.jpg"_qs, u"Alien-fanart.jpg"_qs};
        QTest::newRow("per-file falls back to folder names") << u"Alien.iso"_qs
            << QStringList{u"folder.jpg"_qs, u"Alien.jpg"_qs}
            << QStringList{{}, {}, u"Alien.jpg"_qs, {}};
        // "fifo:" makes a FIFO, "link:" a link to a file, "dangling:" a link to nothing.
        QTest::newRow("FIFO under an image name") << QString()
            << QStringList{u"fifo:folder.jpg"_qs, u"fifo:VIDEO_TS/fanart.jpg"_qs, u"fanart.jpg"_qs}
            << QStringList{{}, {}, {}, u"fanart.jpg"_qs};
        QTest::newRow("links to an image and to nothing") << QString()
            << QStringList{u"link:folder.jpg"_qs, u"dangling:fanart.jpg"_qs}
            << QStringList{{}, {}, u"folder.jpg"_qs, {}};
        QTest::newRow("image names in another letter case") << QString()
            << QStringList{u"Folder.jpg"_qs, u"video_ts/fanart.jpg"_qs} << QStringList{{}, {}, {}, {}};
    }
    // Looked up on disk, and in the listing a folder scan made (as a sync run
    // does): both find the same images.
    void images()
    {
        QFETCH(QString, media);
        QFETCH(QStringList, files);
        QFETCH(QStringList, expected);
        tDirectoryRec d = folderTitle(u"Alien"_qs, titleXml(u"<ID>A1</ID>"_qs));
        for (const QString &entry : files) {
            const QString kind = entry.section(u':', 0, 0);
            const QString path = d.Directory + u'/' + entry.section(u':', -1);
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            if (kind == u"fifo") {
                QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            } else if (kind == u"link") {
                writeFile(d.Directory + u"/real.bin"_qs, QByteArray("jpg"));
                QVERIFY(QFile::link(d.Directory + u"/real.bin"_qs, path));
            } else if (kind == u"dangling") {
                QVERIFY(QFile::link(d.Directory + u"/nothing.bin"_qs, path));
            } else {
                writeFile(path, QByteArray("jpg"));
            }
        }
        if (!media.isEmpty()) {
            d.DiscInfo.clear();
            addMediaFile(d, media, media.endsWith(u"iso"_qs) ? ctISO : ctMKV);
        }
        const ScanResult scan = ScanFolders({tScannedFolders{m_movies, false}}, ScanOptions());
        QVERIFY(scan.Listings.contains(d.Directory));
        for (const bool listed : {false, true}) {
            tDirectoryRec dir = d;
            ImportContext ctx = context();
            ctx.listings = listed ? &scan.Listings : nullptr;
            tTitles c;
            ImportTitleXML(dir, 0, ctx, c);
            const tTitle &t = c.Title.at(0);
            QCOMPARE((QStringList{t.ImgCoverFront, t.ImgCoverBack, t.ImgFolder, t.ImgFanArt}), expected);
        }
    }

    void imageOfDeletedFileIsDropped()
    {
        tDirectoryRec d = folderTitle(u"Alien"_qs, titleXml(u"<ID>A1</ID>"_qs));
        writeFile(d.Directory + u"/folder.jpg"_qs, QByteArray("jpg"));
        tTitles c;
        ImportTitleXML(d, 0, context(), c);
        QCOMPARE(c.Title.at(0).ImgFolder, u"folder.jpg"_qs);
        QVERIFY(QFile::remove(d.Directory + u"/folder.jpg"_qs));
        ImportTitleXML(d, 0, context(), c);
        QVERIFY(c.Title.at(0).ImgFolder.isEmpty());
    }

    void markersAreEvaluated()
    {
        tDirectoryRec d = folderTitle(u"Alien"_qs, titleXml(u"<ID>A1</ID><Watched>False</Watched>"_qs));
        writeFile(d.Directory + u"/CVB_Watched.txt"_qs, QByteArray("Watched=x\r\n"));
        writeFile(d.Directory + u"/CVB_WatchList.txt"_qs, QByteArray("WatchList=x\r\n"));
        recordMarkers(d);
        tTitles c;
        ImportTitleXML(d, 0, context(), c);
        QVERIFY(!c.Title.at(0).Watched);
        QVERIFY(c.Title.at(0).WatchedCVB);
        QVERIFY(c.Title.at(0).WatchList);

        // My Movies now agrees: the marker is redundant and goes.
        d = folderTitle(u"Alien"_qs, titleXml(u"<ID>A1</ID><Watched>True</Watched>"_qs));
        ImportTitleXML(d, 0, context(), c);
        QVERIFY(c.Title.at(0).WatchedCVB);
        QVERIFY(!QFile::exists(d.Directory + u"/CVB_Watched.txt"_qs));
    }

    void markerStates_data()
    {
        QTest::addColumn<bool>("watched");
        QTest::addColumn<bool>("watchedMarker");
        QTest::addColumn<bool>("notWatchedMarker");
        QTest::addColumn<bool>("watchedCVB");
        QTest::addColumn<bool>("watchedMarkerKept");
        QTest::addColumn<bool>("notWatchedMarkerKept");
        QTest::newRow("unwatched, no marker") << false << false << false << false << false << false;
        QTest::newRow("unwatched, watched marker") << false << true << false << true << true << false;
        QTest::newRow("unwatched, redundant not-watched marker") << false << false << true << false << false << false;
        QTest::newRow("unwatched, both markers") << false << true << true << false << true << false;
        QTest::newRow("watched, no marker") << true << false << false << true << false << false;
        QTest::newRow("watched, redundant watched marker") << true << true << false << true << false << false;
        QTest::newRow("watched, not-watched marker") << true << false << true << false << false << true;
        QTest::newRow("watched, both markers") << true << true << true << false << false << true;
    }
    void markerStates()
    {
        QFETCH(bool, watched);
        QFETCH(bool, watchedMarker);
        QFETCH(bool, notWatchedMarker);
        QFETCH(bool, watchedCVB);
        QFETCH(bool, watchedMarkerKept);
        QFETCH(bool, notWatchedMarkerKept);
        tDirectoryRec d = folderTitle(u"Alien"_qs, titleXml(u"<ID>A1</ID><Watched>"_qs + BoolToText(watched) + u"</Watched>"_qs));
        const QString w = d.Directory + u"/CVB_Watched.txt"_qs;
        const QString nw = d.Directory + u"/CVB_NotWatched.txt"_qs;
        if (watchedMarker)
            writeFile(w, QByteArray("Watched=x\r\n"));
        if (notWatchedMarker)
            writeFile(nw, QByteArray("OverrideWatched=x\r\n"));
        recordMarkers(d);
        tTitles c;
        ImportTitleXML(d, 0, context(), c);
        QCOMPARE(c.Title.at(0).WatchedCVB, watchedCVB);
        QVERIFY(!c.Title.at(0).WatchList);
        QCOMPARE(QFile::exists(w), watchedMarkerKept);
        QCOMPARE(QFile::exists(nw), notWatchedMarkerKept);
    }

    void titleIndexFollowsCollectionChanges()
    {
        // One context for a whole run, while the caller also removes titles
        // and appends placeholders between the calls.
        const ImportContext ctx = context();
        tTitles c;
        tDirectoryRec a = folderTitle(u"A"_qs, titleXml(u"<ID>1</ID>"_qs));
        tDirectoryRec b = folderTitle(u"B"_qs, titleXml(u"<ID>2</ID>"_qs));
        ImportTitleXML(a, 0, ctx, c);
        ImportTitleXML(b, 0, ctx, c);
        c.Title.removeFirst();
        tTitle placeholder;
        placeholder.ID = u"1"_qs;
        c.Title.append(placeholder);
        // Title "2" moved to 0, "1" is now the placeholder at 1.
        QCOMPARE(ImportTitleXML(b, 0, ctx, c).titleIndex, 0);
        QCOMPARE(ImportTitleXML(a, 0, ctx, c).titleIndex, 1);
        QCOMPARE(c.Title.size(), 2);
        // Several titles with one ID: the last one is updated.
        c.Title.append(c.Title.at(1));
        QCOMPARE(ImportTitleXML(a, 0, ctx, c).titleIndex, 2);
    }

    void badFileKeepsMarkers()
    {
        // A file rejected late must not have deleted a marker on the way.
        tDirectoryRec d = folderTitle(u"Alien"_qs, titleXml(u"<ID>A1</ID><Watched>True</Watched><Rating>x</Rating>"_qs));
        writeFile(d.Directory + u"/CVB_Watched.txt"_qs, QByteArray("Watched=x\r\n"));
        recordMarkers(d);
        tTitles c;
        QCOMPARE(ImportTitleXML(d, 0, context(), c).status, ImportStatus::Placeholder);
        QVERIFY(QFile::exists(d.Directory + u"/CVB_Watched.txt"_qs));
    }

    // The genre list grows by a set lookup per genre: a file with 100,000
    // distinct genres imports them all once, and an index kept across calls
    // follows a list that was emptied in between (a full refresh).
    void manyGenresStayDistinct()
    {
        QString genres;
        for (int i = 0; i < 100000; ++i)
            genres += u"<Genre>G%1</Genre>"_qs.arg(i);
        genres += u"<Genre>G7</Genre>"_qs;
        tTitles c;
        const ImportContext ctx = context();
        tDirectoryRec d = folderTitle(u"Many"_qs, titleXml(u"<ID>M</ID><Genres>"_qs + genres + u"</Genres>"_qs));
        QCOMPARE(ImportTitleXML(d, 0, ctx, c).status, ImportStatus::Imported);
        QCOMPARE(c.MyGenres.size(), 100000);
        QCOMPARE(c.MyGenres.at(99999), u"G99999"_qs);

        c.MyGenres = {u"Drama"_qs};
        tDirectoryRec e = folderTitle(u"Two"_qs, titleXml(u"<ID>T</ID><Genres><Genre>G1</Genre><Genre>Drama</Genre>"
                                                         "</Genres>"_qs));
        QCOMPARE(ImportTitleXML(e, 0, ctx, c).status, ImportStatus::Imported);
        QCOMPARE(c.MyGenres, (QStringList{u"Drama"_qs, u"G1"_qs}));
    }

    // One overlong field is cut at a character boundary, with a log line;
    // the rest of the title is read as usual.
    void overlongFieldsAreCut()
    {
        const QString longName = QString(70000, u'\u00e9'); // two UTF-8 bytes each
        tTitles c;
        tDirectoryRec d = folderTitle(u"Long"_qs, titleXml(u"<ID>L</ID><LocalTitle>"_qs + longName
                                                           + u"</LocalTitle><ProductionYear>1999</ProductionYear>"_qs));
        const ImportResult r = ImportTitleXML(d, 0, context(), c);
        QCOMPARE(r.status, ImportStatus::Imported);
        QVERIFY2(r.errorText.startsWith(u"Cut 1 overlong field(s)"_qs), qPrintable(r.errorText));
        const tTitle &t = c.Title.at(r.titleIndex);
        QCOMPARE(t.Title.size(), kMaxFieldBytes / 2);
        QVERIFY(t.Title.toUtf8().size() <= kMaxFieldBytes);
        QCOMPARE(t.Year, 1999);

        // The same holds for a folder file read behind an enciphered per-file one.
        tDirectoryRec behind = folderTitle(u"Behind"_qs, titleXml(u"<ID>B</ID><LocalTitle>"_qs + longName
                                                                  + u"</LocalTitle>"_qs));
        behind.DiscInfo.clear();
        addMediaFile(behind, u"Behind.mkv"_qs, ctMKV, u"<EncryptedData>AAAA</EncryptedData>"_qs);
        const ImportResult fallback = ImportTitleXML(behind, 0, context(), c);
        QCOMPARE(fallback.status, ImportStatus::Imported);
        QVERIFY2(fallback.errorText.startsWith(u"Cut 1 overlong field(s) of \""_qs + behind.mmXMLFile),
                 qPrintable(fallback.errorText));
        QCOMPARE(c.Title.at(fallback.titleIndex).Title.size(), kMaxFieldBytes / 2);
    }

    // Files read ahead come out in the order of the jobs, whatever thread
    // read them, also when some cannot be read; a reader left early stops.
    void readerHandsOutInOrder()
    {
        QList<TitleXmlJob> jobs;
        for (int i = 0; i < 150; ++i) {
            const QString path = m_movies + u"/T%1/mymovies.xml"_qs.arg(i);
            if (i % 10 != 5)
                writeFile(path, titleXml(u"<ID>%1</ID>"_qs.arg(i)));
            jobs.append(TitleXmlJob{i % 30 == 0 ? QString() : path, {}});
        }
        for (const int threads : {0, 1, 3}) {
            TitleXmlReader reader(jobs, threads);
            for (int i = 0; i < jobs.size(); ++i) {
                const std::unique_ptr<LoadedTitleXml> loaded = reader.take();
                QVERIFY(loaded);
                QCOMPARE(loaded->job.file, jobs.at(i).file);
                const bool readable = i % 30 != 0 && i % 10 != 5;
                QCOMPARE(loaded->ok, readable);
                if (readable)
                    QCOMPARE(loaded->doc.document_element().child_value("ID"), QByteArray::number(i));
                else
                    QVERIFY(!loaded->detail.isEmpty());
            }
            QVERIFY(!reader.take());
        }
        TitleXmlReader leftEarly(jobs, 2);
        QVERIFY(leftEarly.take());
    }

    void collectionLists()
    {
        tTitles c;
        tDirectoryRec a = folderTitle(u"A"_qs, titleXml(u"<ID>1</ID><Genres><Genre>Horror</Genre><Genre>Sci-Fi</Genre></Genres>"
                                                       "<Categories><Category>Kids</Category></Categories>"_qs));
        tDirectoryRec b = folderTitle(u"B"_qs, titleXml(u"<ID>2</ID><Edition>Rental Copy</Edition>"
                                                       "<Genres><Genre>horror</Genre><Genre>Horror</Genre><Genre>Drama</Genre></Genres>"_qs));
        const ImportResult ra = ImportTitleXML(a, 0, context(), c);
        const ImportResult rb = ImportTitleXML(b, 0, context(), c);
        QCOMPARE(c.MyGenres, (QStringList{u"Horror"_qs, u"Sci-Fi"_qs, u"horror"_qs, u"Drama"_qs}));
        QCOMPARE(c.MyCats, QStringList{u"Kids"_qs});
        QVERIFY(ra.rentalTitle.isEmpty());
        QCOMPARE(rb.rentalTitle, u"B"_qs);
        QVERIFY(ra.titleAppended && rb.titleAppended);
        QCOMPARE(rb.titleIndex, 1);
        QCOMPARE(rb.statusText, u"B"_qs);
        QVERIFY(rb.debugLines.contains(u"      Adding 2 - B"_qs));
    }
};

QTEST_GUILESS_MAIN(TestTitleImport)
#include "tst_titleimport.moc"
