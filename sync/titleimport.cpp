#include "titleimport.h"

#include "model/markers.h"
#include "model/stringpool.h"
#include "model/valueconv.h"
#include "platform/filesystem.h"
#include "platform/paths.h"
#include "sync/titlexmlreader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

const QString kBoxSetParent = QStringLiteral("BoxSetParent");

// Thrown while a title XML is read; the file is then rejected as a whole.
struct BadTitleXML {
    QString detail;
};

QString text(const pugi::xml_node &node) { return QString::fromUtf8(node.child_value()); }
QString attr(const pugi::xml_node &node, const char *name) { return QString::fromUtf8(node.attribute(name).value()); }
// text() of a value that repeats from title to title.
QString shared(const pugi::xml_node &node, StringPool &pool) { return pool(node.child_value()); }
QString sharedAttr(const pugi::xml_node &node, const char *name, StringPool &pool)
{
    return pool(node.attribute(name).value());
}

// The first child element of each name the import reads, found in one pass
// over the root's children instead of one pass per name.
class TitleChildren
{
public:
    enum Name {
        ID, LocalTitle, SortTitle, ParentTitle, CollectionNumber, Type, MediaType, Edition, AspectRatio,
        VideoStandard, AudioTracks, Subtitles, ProductionYear, ReleaseDate, Added, RunningTime, Rating, Watched,
        Description, ExtraFeatures, Genres, Categories, PersonalData, Persons, ParentalRating, Discs, kCount
    };

    explicit TitleChildren(const pugi::xml_node &root)
    {
        for (pugi::xml_node c = root.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element)
                continue;
            const int name = lookUp(c.name());
            if (name >= 0 && !m_nodes[name])
                m_nodes[name] = c;
        }
    }

    pugi::xml_node operator[](Name name) const { return m_nodes[name]; }

private:
    static int lookUp(const char *name)
    {
        static constexpr const char *kNames[kCount] = {
            "ID", "LocalTitle", "SortTitle", "ParentTitle", "CollectionNumber", "Type", "MediaType", "Edition",
            "AspectRatio", "VideoStandard", "AudioTracks", "Subtitles", "ProductionYear", "ReleaseDate", "Added",
            "RunningTime", "Rating", "Watched", "Description", "ExtraFeatures", "Genres", "Categories",
            "PersonalData", "Persons", "ParentalRating", "Discs"};
        // The first letter narrows the search to a name or two.
        for (int i = 0; i < kCount; ++i)
            if (kNames[i][0] == name[0] && std::strcmp(kNames[i], name) == 0)
                return i;
        return -1;
    }

    pugi::xml_node m_nodes[kCount];
};

qint32 integer(const QString &value, const char *what)
{
    const std::optional<qint32> v = TextToInt(value);
    if (!v)
        throw BadTitleXML{QStringLiteral("%1 is not an integer: \"%2\"").arg(QLatin1String(what), value)};
    return *v;
}

// An image counts only as a regular file: a FIFO under an image's name
// would block whoever decodes or copies it. A name in a folder of the
// directory is asked on disk once the listing knows the folder.
bool fileExists(const QString &directory, const QString &relative, const ListedDirectory *listed)
{
    if (listed) {
        const qsizetype separator =
            std::find_if(relative.cbegin(), relative.cend(), [](QChar c) { return c == u'/' || c == u'\\'; })
            - relative.cbegin();
        if (separator == relative.size())
            return listed->hasFile(relative);
        const QString folder = relative.left(separator);
        if (folder != u"." && folder != u".." && !folder.isEmpty() && !listed->hasFolder(folder))
            return false;
    }
    return QFileInfo(JoinNative(directory, relative)).isFile();
}

QString shortFileDate(const QString &path)
{
    return QLocale::system().toString(QFileInfo(path).lastModified().date(), QLocale::ShortFormat);
}

tMediaType mediaTypeFromText(const QString &t)
{
    if (t == u"Movie")
        return mtMovie;
    if (t == u"TV Serie" || t == u"TV Series")
        return mtTV;
    if (t == u"Music")
        return mtMusic;
    if (t == u"Documentary")
        return mtDoc;
    if (t == u"Other")
        return mtOther;
    return mtNotSet;
}

std::optional<tDiscTypes> discTypeFromText(const QString &t)
{
    if (t == u"DVD")
        return dtDVD;
    if (t == u"Blu-ray")
        return dtBluray;
    if (t == u"HD DVD")
        return dtHDDVD;
    if (t == u"4K Ultra HD")
        return dt4KUltraHD;
    return std::nullopt;
}

QString ratingText(const QString &value)
{
    switch (integer(value, "ParentalRating/Value")) {
    case 0:
    case -1: return QStringLiteral("Unrated");
    case 1: return QStringLiteral("G");
    case 2: return QStringLiteral("2 - Unknown");
    case 3: return QStringLiteral("PG");
    case 4: return QStringLiteral("PG13");
    case 5: return QStringLiteral("TV14");
    case 6: return QStringLiteral("R");
    case 7: return QStringLiteral("7 - Unknown");
    case 8: return QStringLiteral("8 - Unknown");
    case 9: return QStringLiteral("9 - Unknown");
    default: return value + u" - Unknown"_qs;
    }
}

QStringList childTexts(const pugi::xml_node &list, StringPool &pool)
{
    QStringList out;
    for (pugi::xml_node c = list.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element)
            out.append(shared(c, pool));
    return out;
}

void readPersons(tTitle &t, const pugi::xml_node &persons, qint32 maxActors, StringPool &pool)
{
    t.Actors.clear();
    t.Crew = tCrew();
    for (pugi::xml_node p = persons.first_child(); p; p = p.next_sibling()) {
        if (p.type() != pugi::node_element)
            continue;
        // The first Name and Role children, in one pass.
        pugi::xml_node name;
        pugi::xml_node role;
        for (pugi::xml_node c = p.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element)
                continue;
            if (!name && std::strcmp(c.name(), "Name") == 0)
                name = c;
            else if (!role && std::strcmp(c.name(), "Role") == 0)
                role = c;
        }
        if (!name)
            continue;
        const char *type = p.attribute("Type").value();
        if (type[0] == 0 || type[1] != 0)
            continue;
        QStringList *crew = nullptr;
        switch (type[0]) {
        case '1':
            if (t.Actors.size() < maxActors - 1)
                t.Actors.append(tActor{shared(name, pool), shared(role, pool)});
            continue;
        case '2': crew = &t.Crew.Director; break;
        case '3': crew = &t.Crew.Writer; break;
        case '4': crew = &t.Crew.Producer; break;
        case '5': crew = &t.Crew.Cinematography; break;
        case '6': crew = &t.Crew.Editor; break;
        case '7': crew = &t.Crew.Music; break;
        case '8': crew = &t.Crew.Sound; break;
        case '9': crew = &t.Crew.Art; break;
        default: continue;
        }
        crew->append(shared(name, pool));
    }
}

// Sets every field the title XML maps to (all but the discs and images).
void readFields(tTitle &t, const pugi::xml_node &root, const TitleChildren &child, const QString &title,
                qint32 maxActors, StringPool &pool, QStringList &genres, QStringList &cats)
{
    using C = TitleChildren;
    t.Title = title;
    const QString sortTitle = text(child[C::SortTitle]);
    t.SortTitle = sortTitle.isEmpty() ? t.Title : sortTitle;
    t.SeriesBoxSetParent = TextToBool(attr(root, "IsBoxSetParent"));
    t.SeriesBoxSetChild = TextToBool(attr(root, "IsBoxSetChild"));
    t.PID = t.SeriesBoxSetChild ? sharedAttr(child[C::ParentTitle], "ID", pool) : QString();

    const pugi::xml_node collectionNumber = child[C::CollectionNumber];
    t.CollectionNum = collectionNumber ? integer(text(collectionNumber), "CollectionNumber") : -1;

    if (const pugi::xml_node type = child[C::Type]) {
        if (const auto dt = discTypeFromText(text(type)))
            t.DiscType = *dt;
    } else {
        t.DiscType = dtDVD;
    }
    if (const pugi::xml_node mediaType = child[C::MediaType])
        t.MediaType = mediaTypeFromText(text(mediaType));

    t.Edition = shared(child[C::Edition], pool);
    const pugi::xml_node aspect = child[C::AspectRatio];
    t.AspectRatio = aspect ? shared(aspect, pool) : u"Unknown"_qs;
    const pugi::xml_node standard = child[C::VideoStandard];
    t.VideoStandard = standard ? shared(standard, pool) : u"Unknown"_qs;

    if (const pugi::xml_node tracks = child[C::AudioTracks]) {
        t.AudioTracks.clear();
        for (pugi::xml_node a = tracks.first_child(); a; a = a.next_sibling())
            if (a.type() == pugi::node_element)
                t.AudioTracks.append(tAudioTracks{sharedAttr(a, "Channels", pool), sharedAttr(a, "Type", pool),
                                                  sharedAttr(a, "Language", pool)});
    }
    if (const pugi::xml_node subtitles = child[C::Subtitles]) {
        t.Subtitles.clear();
        for (pugi::xml_node s = subtitles.first_child(); s; s = s.next_sibling())
            if (s.type() == pugi::node_element)
                t.Subtitles.append(sharedAttr(s, "Language", pool));
    }

    const pugi::xml_node year = child[C::ProductionYear];
    t.Year = year ? integer(text(year), "ProductionYear") : 9999;
    const pugi::xml_node released = child[C::ReleaseDate];
    t.ReleaseDate = released ? MyMoviesDate(text(released), false) : u"99990101"_qs;
    const pugi::xml_node added = child[C::Added];
    t.AddedDate = added ? MyMoviesDate(text(added), true) : u"99990101"_qs;
    const pugi::xml_node runtime = child[C::RunningTime];
    t.Runtime = runtime ? integer(text(runtime), "RunningTime") : 999;
    const pugi::xml_node rating = child[C::Rating];
    t.Stars = rating ? integer(text(rating), "Rating") : 0;
    t.Watched = TextToBool(text(child[C::Watched]));

    const pugi::xml_node description = child[C::Description];
    t.Description = description ? text(description) : u"Description Missing"_qs;
    t.ExtraFeatures = text(child[C::ExtraFeatures]);

    if (const pugi::xml_node g = child[C::Genres]) {
        t.Genres = childTexts(g, pool);
        genres = t.Genres;
    }
    if (const pugi::xml_node c = child[C::Categories]) {
        t.Cats = childTexts(c, pool);
        cats = t.Cats;
    }

    if (const pugi::xml_node personal = child[C::PersonalData]) {
        if (const pugi::xml_attribute online = personal.attribute("Online"))
            t.Online = TextToBool(QString::fromUtf8(online.value()));
        if (const pugi::xml_attribute lent = personal.attribute("LentTo"))
            t.Lent = lent.value()[0] != 0;
    }

    readPersons(t, child[C::Persons], maxActors, pool);

    if (const pugi::xml_node parental = child[C::ParentalRating]) {
        if (const pugi::xml_attribute tv = parental.attribute("TV"))
            t.TVRating = TextToBool(QString::fromUtf8(tv.value()));
        if (const pugi::xml_attribute adult = parental.attribute("Adult"))
            t.RatedAdult = TextToBool(QString::fromUtf8(adult.value()));
        // Without a Value the rating is not known: the screens expect a text.
        const pugi::xml_node value = parental.child("Value");
        t.Rated = value ? ratingText(text(value)) : u"Unrated"_qs;
        t.RatedDesc = shared(parental.child("Description"), pool);
    }
}

qsizetype findDisc(const tTitle &t, const QString &loc)
{
    for (qsizetype i = 0; i < t.DiscInfo.size(); ++i)
        if (t.DiscInfo.at(i).Loc.compare(loc, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// Matches the locations of a title XML against one scanned path; the path's
// forms are worked out once for all the locations of a file.
class LocationMatcher
{
public:
    LocationMatcher(const QString &scannedPath, const QString &monitoredFolder)
        : m_path(NormaliseLocation(scannedPath))
    {
        if (QDir::separator() == u'\\' || monitoredFolder.isEmpty())
            return;
        QString root = NormaliseLocation(monitoredFolder);
        while (root.endsWith(u'\\'))
            root.chop(1);
        if (m_path.compare(root, Qt::CaseInsensitive) == 0)
            m_tail = LastPathComponent(m_path);
        else if (m_path.startsWith(root + u'\\', Qt::CaseInsensitive))
            m_tail = m_path.mid(root.size() + 1);
        while (m_tail.endsWith(u'\\'))
            m_tail.chop(1);
    }

    bool matches(const QString &location) const
    {
        const QString loc = NormaliseLocation(location);
        if (loc.compare(m_path, Qt::CaseInsensitive) == 0)
            return true;
        // A location recorded on another machine (a share, a drive letter)
        // matches when its last components are those of the path below the
        // monitored folder. One that starts with '/' is a path of this
        // machine and had its exact comparison.
        if (m_tail.isEmpty() || location.startsWith(u'/'))
            return false;
        QStringView l(loc);
        while (l.endsWith(u'\\'))
            l.chop(1);
        if (!l.endsWith(m_tail, Qt::CaseInsensitive))
            return false;
        return l.size() == m_tail.size() || l.at(l.size() - m_tail.size() - 1) == u'\\';
    }

private:
    QString m_path; // normalised scanned path
    QString m_tail; // its components below the monitored folder, '\'-separated
};

bool sameFile(const QString &a, const QString &b)
{
    return !a.isEmpty() && NormaliseLocation(a).compare(NormaliseLocation(b), Qt::CaseInsensitive) == 0;
}

struct DiscMatch {
    qsizetype disc = -1;  // index in the title's DiscInfo
    QString myMoviesName; // the DiscLocations Name the disc was matched by
};

// Attaches disc entry `k` to `t` and returns the disc it ends up as.
DiscMatch attachDisc(tTitle &t, bool update, const tDirectoryRec &dir, const tDirDiscInfo &k,
                     const TitleChildren &child, const ImportContext &ctx)
{
    const bool fileContainer = IsFileContainer(k.Container);
    const QString word = ContainerDisplayWord(k.Container);
    const bool lastMounted = sameFile(ctx.lastMountedFile, k.Loc);
    const bool isoInDrive = k.Container == ctISO && lastMounted;
    const LocationMatcher discPath(k.Loc, ctx.monitoredFolder);
    std::optional<LocationMatcher> folderPath; // made when the folder rule is first needed

    auto append = [&](const QString &name, bool inDrive) {
        tDiscInfo d;
        d.Loc = k.Loc; // the scanned path: the XML may record it in another form
        d.Container = k.Container;
        d.Name = name;
        d.InDrive = inDrive;
        t.DiscInfo.append(d);
        return t.DiscInfo.size() - 1;
    };

    // One side of a DiscLocations entry; -2 when it does not apply.
    auto trySide = [&](const QString &location, const QString &type, const QString &name,
                       const QString &exactSuffix, const QString &folderPrefix) -> qsizetype {
        if (location.isEmpty())
            return -2;
        const bool folderRule = update ? k.Container == ctISO : fileContainer;
        const bool exact = discPath.matches(location);
        if (!exact && folderRule && !folderPath)
            folderPath.emplace(dir.Directory, ctx.monitoredFolder);
        const bool folder = !exact && folderRule && folderPath->matches(location);
        if (!exact && !folder)
            return -2;
        // The disc that an earlier import attached for this entry is reused.
        if (update) {
            const qsizetype existing = findDisc(t, k.Loc);
            if (existing >= 0)
                return existing;
        }
        if (exact)
            return append(name + exactSuffix, type == u"2" && lastMounted);
        return append(name + folderPrefix + word + u')', isoInDrive);
    };

    const pugi::xml_node locations = child[TitleChildren::PersonalData].child("DiscLocations");
    for (pugi::xml_node l = locations.first_child(); l; l = l.next_sibling()) {
        if (l.type() != pugi::node_element)
            continue;
        const QString name = attr(l, "Name");
        qsizetype d = trySide(attr(l, "LocationA"), attr(l, "TypeA"), name, QString(), u" ("_qs);
        if (d == -2)
            d = trySide(attr(l, "LocationB"), attr(l, "TypeB"), name, u" (Side B)"_qs, u" (Side B/"_qs);
        if (d >= 0)
            return DiscMatch{d, name};
    }

    if (k.Loc == kBoxSetParent)
        return DiscMatch{};
    // No location matched: the disc is named after its folder or file. A disc
    // the title already has (a re-import) is kept rather than doubled.
    const qsizetype existing = findDisc(t, k.Loc);
    if (existing >= 0)
        return DiscMatch{existing, QString()};
    return DiscMatch{append(LastPathComponent(k.Loc), isoInDrive), QString()};
}

void readEpisodes(tDiscInfo &disc, const QString &myMoviesName, const TitleChildren &child)
{
    pugi::xml_node source;
    for (pugi::xml_node d = child[TitleChildren::Discs].first_child(); d; d = d.next_sibling()) {
        if (d.type() != pugi::node_element)
            continue;
        const QString name = text(d.child("Name"));
        // An ISO or Side B disc carries a built name; its episodes are listed
        // under the My Movies disc name.
        if (name == disc.Name || (!myMoviesName.isEmpty() && name == myMoviesName)) {
            source = d;
            break;
        }
    }
    if (!source)
        return;
    for (const char *side : {"TitlesSideA", "TitlesSideB"}) {
        for (pugi::xml_node e = source.child(side).first_child(); e; e = e.next_sibling()) {
            if (e.type() != pugi::node_element || std::strcmp(e.attribute("ContainsEpisode").value(), "True") != 0)
                continue;
            tEpisode ep;
            ep.Season = integer(u"0"_qs + attr(e, "TVSeason"), "TVSeason");
            ep.EpiNum = integer(u"0"_qs + attr(e, "TVEpisode"), "TVEpisode");
            const QString hours = attr(e, "Hours");
            if (!hours.isEmpty() && hours != u"00")
                ep.Runtime = hours + u'h';
            ep.Runtime += attr(e, "Minutes") + u'm' + attr(e, "Seconds") + u's';
            ep.MPLS = attr(e, "MPLS");
            ep.EpiName = QStringLiteral("Missing");
            const bool known = std::any_of(disc.Episodes.cbegin(), disc.Episodes.cend(), [&](const tEpisode &o) {
                return o.Season == ep.Season && o.EpiNum == ep.EpiNum;
            });
            if (!known)
                disc.Episodes.append(ep);
        }
    }
}


} // namespace

struct ListIndexAccess {
    static void genres(const ImportContext &ctx, QStringList &into, const QStringList &values)
    {
        addDistinct(ctx.m_genres, into, values);
    }
    static void cats(const ImportContext &ctx, QStringList &into, const QStringList &values)
    {
        addDistinct(ctx.m_cats, into, values);
    }
    static void addDistinct(ImportContext::ListIndex &index, QStringList &into, const QStringList &values)
    {
        if (index.indexed > into.size()) {
            index.seen.clear();
            index.indexed = 0;
        }
        for (; index.indexed < into.size(); ++index.indexed)
            index.seen.insert(into.at(index.indexed));
        for (const QString &v : values) {
            if (index.seen.contains(v))
                continue;
            index.seen.insert(v);
            into.append(v);
            ++index.indexed;
        }
    }
};

struct TitleIndexAccess {
    // The last title with `id`, or -1.
    static qsizetype find(const ImportContext &ctx, const tTitles &collection, const QString &id)
    {
        const QList<tTitle> &titles = collection.Title;
        if (ctx.m_titles != titles.constData() || ctx.m_indexed > titles.size()
            || (ctx.m_indexed > 0 && titles.at(ctx.m_indexed - 1).ID != ctx.m_lastIndexedId))
            ctx.resetIndex();
        ctx.m_titles = titles.constData();
        for (; ctx.m_indexed < titles.size(); ++ctx.m_indexed)
            ctx.m_ids.insert(titles.at(ctx.m_indexed).ID, ctx.m_indexed);
        if (ctx.m_indexed > 0)
            ctx.m_lastIndexedId = titles.at(ctx.m_indexed - 1).ID;
        const auto it = ctx.m_ids.constFind(id);
        if (it == ctx.m_ids.constEnd())
            return -1;
        if (titles.at(*it).ID == id)
            return *it;
        // An ID was changed behind the index: look the slow way and start over.
        ctx.resetIndex();
        for (qsizetype i = titles.size() - 1; i >= 0; --i)
            if (titles.at(i).ID == id)
                return i;
        return -1;
    }
};

qsizetype FindTitleById(const ImportContext &ctx, const tTitles &collection, const QString &id)
{
    return TitleIndexAccess::find(ctx, collection, id);
}

StringPool &ImportContext::strings() const
{
    if (!m_strings)
        m_strings = std::make_shared<StringPool>();
    return *m_strings;
}

QString MyMoviesDate(const QString &text, bool addedDate)
{
    const qsizetype first = text.indexOf(u'/');
    const qsizetype second = first < 0 ? -1 : text.indexOf(u'/', first + 1);
    if (second < 0 || text.indexOf(u'/', second + 1) >= 0)
        return QStringLiteral("99990101");
    // "0" + part, cut to its last two characters.
    auto twoDigits = [](QStringView part) {
        return part.size() >= 2 ? part.right(2).toString() : u'0' + part.toString();
    };
    QStringView year = QStringView(text).mid(second + 1);
    if (addedDate)
        year = year.left(4);
    return year.toString() + twoDigits(QStringView(text).left(first))
           + twoDigits(QStringView(text).mid(first + 1, second - first - 1));
}

QString NormaliseLocation(const QString &location)
{
    QString out = location;
    // Most locations hold no ':' at all, and a search for one is cheap.
    if (out.contains(u':'))
        out.remove(u"smb:"_qs, Qt::CaseInsensitive);
    out.replace(u'/', u'\\');
    return out;
}

bool LocationMatches(const QString &location, const QString &scannedPath, const QString &monitoredFolder)
{
    return LocationMatcher(scannedPath, monitoredFolder).matches(location);
}

void LookUpImages(tTitle &title, const QString &discLoc, tContainers container, const ListedDirectory *listed)
{
    const QString &dir = title.Directory;
    for (QString *field : {&title.ImgCoverFront, &title.ImgCoverBack, &title.ImgFolder, &title.ImgFanArt})
        if (!field->isEmpty() && !fileExists(dir, *field, listed))
            field->clear();

    auto setIfExists = [&](QString &field, const QString &name) {
        if (field.isEmpty() && fileExists(dir, name, listed))
            field = name;
    };

    if (!discLoc.isEmpty() && discLoc != kBoxSetParent && IsFileContainer(container)) {
        const QString file = LastPathComponent(discLoc);
        const QString suffix = QFileInfo(file).suffix();
        const QString base = suffix.isEmpty() ? file : file.left(file.size() - suffix.size() - 1);
        setIfExists(title.ImgCoverFront, base + u".mymovies-front.jpg"_qs);
        setIfExists(title.ImgCoverBack, base + u".mymovies-back.jpg"_qs);
        setIfExists(title.ImgFolder, base + u".jpg"_qs);
        setIfExists(title.ImgFanArt, base + u"-fanart.jpg"_qs);
    }
    setIfExists(title.ImgCoverFront, u"mymovies-front.jpg"_qs);
    setIfExists(title.ImgCoverBack, u"mymovies-back.jpg"_qs);
    setIfExists(title.ImgFolder, u"folder.jpg"_qs);
    setIfExists(title.ImgFanArt, u"VIDEO_TS\\fanart.jpg"_qs);
    setIfExists(title.ImgFanArt, u"BDMV\\fanart.jpg"_qs);
    setIfExists(title.ImgFanArt, u"fanart.jpg"_qs);
}

ImportResult ImportTitleXML(tDirectoryRec &dir, qsizetype discIndex, const ImportContext &ctx, tTitles &collection,
                            const LoadedTitleXml *loaded)
{
    ImportResult result;
    if (discIndex < 0 || discIndex >= dir.DiscInfo.size())
        return result;
    tDirDiscInfo &k = dir.DiscInfo[discIndex];
    auto debug = [&](const QString &line) {
        if (ctx.debug)
            result.debugLines.append(line);
    };
    auto placeholder = [&](const QString &reason, const QString &error) {
        result.status = ImportStatus::Placeholder;
        result.placeholderReason = reason;
        result.errorText = error;
        debug(u"    "_qs + error);
        return result;
    };

    // Which file describes the disc, read here unless a reader did ahead.
    std::unique_ptr<LoadedTitleXml> own;
    if (!loaded) {
        own = LoadTitleXml(TitleXmlJobFor(dir, discIndex));
        loaded = own.get();
    }
    QString file = loaded->job.file;
    if (file.isEmpty())
        return placeholder(u"Missing"_qs, u"Found an ISO file without a \"mymovies.xml\" file in Folder \""_qs
                                              + dir.Directory + u'"');

    auto bad = [&](const QString &detail) {
        result.errorDetail = detail;
        return placeholder(u"Corrupted"_qs, u"Found a bad \"mymovies.xml\" in \""_qs + file + u"\" (Last Updated "_qs
                                                + shortFileDate(file) + u')');
    };
    auto cutMessage = [&](int cut) {
        if (cut == 0)
            return;
        result.errorText = u"Cut %1 overlong field(s) of \""_qs.arg(cut) + file + u"\" to %1 bytes"_qs.arg(kMaxFieldBytes);
        debug(u"    "_qs + result.errorText);
    };

    // An enciphered per-file XML falls back to the folder's mymovies.xml.
    debug(u"    Reading XML file "_qs + file);
    if (!loaded->ok && !loaded->fellBack)
        return bad(loaded->detail);
    cutMessage(loaded->cutFields);
    if (loaded->fellBack) {
        file = loaded->job.fallback;
        debug(u"      Found Encrypted XML file. Trying alternate file "_qs + file);
        if (!loaded->ok)
            return bad(loaded->detail);
        cutMessage(loaded->cutFallbackFields);
    }
    const pugi::xml_node root = loaded->doc.document_element();

    // Only a Title root is read.
    if (std::strcmp(root.name(), "Title") != 0) {
        if (std::strcmp(root.name(), "EncryptedData") == 0)
            return placeholder(u"Encrypted"_qs, u"Found ENCRYPTED \"mymovies.xml\" in \""_qs + file
                                                    + u"\" (Last Updated "_qs + shortFileDate(file) + u')');
        // Not a title at all: the user sees a placeholder and a log line
        // instead of a folder that silently imports nothing.
        return bad(u"the root element is <"_qs + QString::fromUtf8(root.name()) + u">, not <Title>"_qs);
    }

    const TitleChildren child(root);
    // Identity; a pseudo disc is imported only for a box-set parent.
    const QString id = text(child[TitleChildren::ID]);
    // Titles are told apart by ID alone: two files without one would become
    // one title and the first would vanish.
    if (id.trimmed().isEmpty())
        return bad(u"the title has no ID"_qs);
    if (k.Loc == kBoxSetParent && !TextToBool(attr(root, "IsBoxSetParent")))
        return result;

    // The title with this ID (the last one), or a new one. The title is
    // built in a copy and stored only once the whole file has been read, so a
    // bad file changes nothing in the collection.
    qsizetype index = TitleIndexAccess::find(ctx, collection, id);
    const bool update = index >= 0;
    tTitle t;
    if (update) {
        t = collection.Title.at(index);
    } else {
        t.ID = id;
        t.Directory = dir.Directory;
    }
    const pugi::xml_node localTitle = child[TitleChildren::LocalTitle];
    const QString title = localTitle ? text(localTitle) : LastPathComponent(dir.Directory);
    debug((update ? u"      Appending to "_qs : u"      Adding "_qs) + id + u" - "_qs + title);

    QStringList genres;
    QStringList cats;
    DiscMatch match;
    try {
        // Fields.
        readFields(t, root, child, title, ctx.maxActors, ctx.strings(), genres, cats);
        // Disc, episodes.
        match = attachDisc(t, update, dir, k, child, ctx);
        if (match.disc >= 0 && t.MediaType == mtTV)
            readEpisodes(t.DiscInfo[match.disc], match.myMoviesName, child);
    } catch (const BadTitleXML &e) {
        return bad(e.detail);
    }

    // Markers go by the XML's Watched; they are evaluated only for a file that
    // was read completely, since evaluating may delete a marker.
    // The scan has just recorded which marker files exist (a time, or -1 when
    // unreadable). The folder is listed again only when a marker repeats the
    // XML and must be deleted; otherwise the markers' rules give the state.
    const bool watchedMarker = dir.CVBWatchedFileDate != 0;
    const bool notWatchedMarker = dir.CVBNotWatchedFileDate != 0;
    if ((watchedMarker && t.Watched) || (notWatchedMarker && !t.Watched)) {
        EvaluateMarkers(t);
    } else {
        t.WatchedCVB = !notWatchedMarker && (watchedMarker || t.Watched);
        t.WatchList = dir.CVBWatchListFileDate != 0;
    }
    const ListedDirectory *listed = nullptr;
    if (ctx.listings) {
        const auto it = ctx.listings->constFind(t.Directory);
        if (it != ctx.listings->cend())
            listed = &*it;
    }
    LookUpImages(t, k.Loc, k.Container, listed);
    // A box-set parent's pseudo disc without a location is not a disc.
    k.Found = match.disc >= 0;

    if (t.Edition.toLower().contains(u"rental"))
        result.rentalTitle = t.Title;
    ListIndexAccess::genres(ctx, collection.MyGenres, genres);
    ListIndexAccess::cats(ctx, collection.MyCats, cats);
    if (update) {
        collection.Title[index] = std::move(t);
    } else {
        collection.Title.append(std::move(t));
        index = collection.Title.size() - 1;
        result.titleAppended = true;
    }
    result.status = ImportStatus::Imported;
    result.titleIndex = index;
    result.statusText = collection.Title.at(index).Title;
    return result;
}
