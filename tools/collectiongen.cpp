#include "genrandom.h"
#include "collectiongen.h"

#include <QSet>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

using Random = GenRandom;

using Words = const char16_t *;

const std::array<Words, 25> kGenres = {
    u"Action", u"Adventure", u"Animation", u"Biography", u"Comedy", u"Crime", u"Documentary", u"Drama",
    u"Family", u"Fantasy", u"Film-Noir", u"History", u"Horror", u"Music", u"Musical", u"Mystery", u"Romance",
    u"Sci-Fi", u"Short", u"Sport", u"Suspense/Thriller", u"War", u"Western", u"Television", u"Anime"};
const std::array<Words, 10> kCategories = {u"Favourites", u"Kids", u"Christmas", u"Classics", u"4K Remasters",
                                           u"Criterion", u"Imports", u"Date Night", u"Director's Cut",
                                           u"Borrowed"};
const std::array<Words, 48> kFirstNames = {
    u"James", u"Mary", u"John", u"Patricia", u"Robert", u"Jennifer", u"Michael", u"Linda", u"William",
    u"Elizabeth", u"David", u"Barbara", u"Richard", u"Susan", u"Joseph", u"Jessica", u"Thomas", u"Sarah",
    u"Charles", u"Karen", u"Christopher", u"Nancy", u"Daniel", u"Lisa", u"Matthew", u"Betty", u"Anthony",
    u"Margaret", u"Mark", u"Sandra", u"Donald", u"Ashley", u"Steven", u"Kimberly", u"Paul", u"Emily",
    u"Andrew", u"Donna", u"Joshua", u"Michelle", u"Kenneth", u"Dorothy", u"Kevin", u"Carol", u"Brian",
    u"Amanda", u"Zoë", u"José"};
const std::array<Words, 48> kLastNames = {
    u"Smith", u"Johnson", u"Williams", u"Brown", u"Jones", u"Garcia", u"Miller", u"Davis", u"Rodriguez",
    u"Martinez", u"Hernandez", u"Lopez", u"Gonzalez", u"Wilson", u"Anderson", u"Thomas", u"Taylor", u"Moore",
    u"Jackson", u"Martin", u"Lee", u"Perez", u"Thompson", u"White", u"Harris", u"Sanchez", u"Clark",
    u"Ramirez", u"Lewis", u"Robinson", u"Walker", u"Young", u"Allen", u"King", u"Wright", u"Scott", u"Torres",
    u"Nguyen", u"Hill", u"Flores", u"Green", u"Adams", u"Nelson", u"Baker", u"Hall", u"O'Brien", u"Müller",
    u"Østergaard"};
const std::array<Words, 32> kTitleWords = {
    u"Night", u"Return", u"Shadow", u"Empire", u"River", u"Last", u"Secret", u"City", u"Storm", u"Garden",
    u"Iron", u"Silent", u"Golden", u"Winter", u"Road", u"Kingdom", u"Edge", u"Heart", u"Fire", u"Island",
    u"Dream", u"Ghost", u"Machine", u"Summer", u"Blue", u"Wild", u"Star", u"House", u"Moon", u"Lost",
    u"Dark", u"Rising"};
const std::array<Words, 16> kSentences = {
    u"A retired detective is drawn back into the case that ended his career.",
    u"When the power fails across the city, a group of strangers must rely on each other to survive the night.",
    u"Two brothers & their estranged father cross the desert in search of a buried fortune.",
    u"Based on the best-selling novel, this sweeping drama follows three generations of one family.",
    u"An ambitious young lawyer takes on a corporation that will stop at nothing to keep its secrets.",
    u"The crew of a deep-space freighter answers a distress call from a ship that vanished <40 years> ago.",
    u"Set against the backdrop of the war, a nurse and a pilot find love where they least expect it.",
    u"A small-town baker enters a national competition & discovers more than a new recipe.",
    u"Nothing is what it seems in this twisting thriller from the director of \"Blue Harbour\".",
    u"A team of unlikely heroes must recover a stolen artefact before the eclipse.",
    u"Features the original theatrical cut and an extended edition with 20 minutes of new footage.",
    u"The legendary band reunites for one final tour, and the cameras capture everything.",
    u"Winner of three awards, including Best Picture & Best Original Score.",
    u"When a mysterious letter arrives, a widow sets out to uncover the truth about her husband's past.",
    u"A gifted student at a school for magicians learns that power always comes with a price.",
    u"Rated for violence, language & brief nudity; parental guidance <strongly> advised."};
const std::array<Words, 8> kRoles = {u"Detective", u"Mother", u"Captain", u"Narrator", u"The Stranger",
                                     u"Doctor", u"Young Anna", u"Himself"};
const std::array<Words, 10> kRated = {u"Unrated", u"G", u"PG", u"PG13", u"R", u"TV14", u"NC17 - Unknown",
                                      u"15 - Unknown", u"12 - Unknown", u"PG"};
const std::array<Words, 6> kChannels = {u"2.0", u"5.1", u"7.1", u"1.0", u"6.1", u"2.1"};
const std::array<Words, 7> kAudioTypes = {u"Dolby Digital", u"DTS", u"DTS-HD Master Audio",
                                          u"Dolby TrueHD", u"Dolby Atmos", u"PCM", u"Dolby Digital Plus"};
const std::array<Words, 10> kLanguages = {u"English", u"French", u"German", u"Spanish", u"Italian",
                                          u"Japanese", u"Dutch", u"Danish", u"Portuguese", u"Commentary"};
const std::array<Words, 5> kAspectRatios = {u"1.78:1", u"2.35:1", u"2.40:1", u"1.85:1", u"1.33:1"};
const std::array<Words, 3> kVideoStandards = {u"NTSC", u"PAL", u"Unknown"};
const std::array<Words, 5> kEditions = {u"", u"Special Edition", u"Director's Cut", u"Collector's Edition",
                                        u"Extended Edition"};

QString str(Words w) { return QString::fromUtf16(w); }

QString date(Random &r, int fromYear, int toYear)
{
    const int y = r.range(fromYear, toYear);
    const int m = r.range(1, 12);
    const int d = r.range(1, 28);
    return u"%1%2%3"_s.arg(y, 4, 10, QLatin1Char('0')).arg(m, 2, 10, QLatin1Char('0')).arg(d, 2, 10, QLatin1Char('0'));
}

QString person(Random &r) { return str(r.pick(kFirstNames)) + u' ' + str(r.pick(kLastNames)); }

QStringList people(Random &r, int low, int high)
{
    QStringList list;
    const int n = r.range(low, high);
    list.reserve(n);
    for (int i = 0; i < n; ++i)
        list.append(person(r));
    return list;
}

// 0.5-2 KB of prose with paragraph breaks and the odd markup character.
QString synopsis(Random &r)
{
    const int target = r.range(500, 2000);
    QString text;
    text.reserve(target + 200);
    while (text.size() < target) {
        if (!text.isEmpty())
            text += r.chance(15) ? u"\r\n\r\n"_s : u" "_s;
        text += str(r.pick(kSentences));
    }
    return text;
}

QString guid(Random &r)
{
    const quint64 a = r.next();
    const quint64 b = r.next();
    return u"{%1-%2-%3-%4-%5}"_s.arg(a >> 32, 8, 16, QLatin1Char('0'))
        .arg((a >> 16) & 0xFFFF, 4, 16, QLatin1Char('0'))
        .arg(a & 0xFFFF, 4, 16, QLatin1Char('0'))
        .arg(b >> 48, 4, 16, QLatin1Char('0'))
        .arg(b & 0xFFFFFFFFFFFFull, 12, 16, QLatin1Char('0'))
        .toUpper();
}

void addDiscs(Random &r, tTitle &t, const QString &fileBase)
{
    const int discs = r.range(1, 3);
    const tContainers container = std::array{ctFolder, ctISO, ctMP4, ctMKV}[r.next() % 4];
    for (int i = 1; i <= discs; ++i) {
        tDiscInfo d;
        // A multi-disc title now and then mixes containers.
        d.Container = (i > 1 && r.chance(20)) ? ctISO : container;
        const QString number = QString::number(i);
        switch (d.Container) {
        case ctFolder: d.Loc = discs == 1 ? t.Directory : t.Directory + u"/Disc "_s + number; break;
        case ctISO: d.Loc = t.Directory + u'/' + fileBase + u" Disc "_s + number + u".iso"_s; break;
        case ctMP4: d.Loc = t.Directory + u'/' + fileBase + u" Part "_s + number + u".mp4"_s; break;
        default: d.Loc = t.Directory + u'/' + fileBase + u" Part "_s + number + u".mkv"_s; break;
        }
        d.Name = u"Disc "_s + number + u" ("_s + ContainerDisplayWord(d.Container) + u')';
        if (t.MediaType == mtTV) {
            const int season = r.range(1, 8);
            const int count = r.range(2, 6);
            for (int e = 1; e <= count; ++e) {
                tEpisode ep;
                ep.Season = season;
                ep.EpiNum = (i - 1) * count + e;
                ep.EpiName = r.chance(70) ? u"Missing"_s : u"Episode "_s + QString::number(ep.EpiNum);
                ep.Runtime = u"%1m%2s"_s.arg(r.range(20, 59), 2, 10, QLatin1Char('0')).arg(r.range(0, 59), 2, 10, QLatin1Char('0'));
                if (t.DiscType == dtBluray && r.chance(50))
                    ep.MPLS = u"%1.mpls"_s.arg(r.range(0, 999), 5, 10, QLatin1Char('0'));
                d.Episodes.append(ep);
            }
        }
        t.DiscInfo.append(d);
    }
}

} // namespace

tTitles GenerateCollection(const CollectionGenOptions &options)
{
    Random r(options.seed * 0x2545F4914F6CDD1Dull + 1);
    tTitles titles;
    titles.Title.reserve(options.titleCount);
    QSet<QString> genres;
    QSet<QString> cats;
    QString boxSetParentId; // the open box set that the next titles may join
    int boxSetChildrenLeft = 0;

    for (int i = 0; i < options.titleCount; ++i) {
        tTitle t;
        t.ID = guid(r);
        const int words = r.range(1, 4);
        for (int w = 0; w < words; ++w) {
            if (w)
                t.Title += u' ';
            t.Title += str(r.pick(kTitleWords));
        }
        if (r.chance(20))
            t.Title += u' ' + QString::number(r.range(2, 5));
        t.Title = (r.chance(15) ? u"The "_s : QString()) + t.Title;
        t.SortTitle = t.Title.startsWith(u"The "_s) ? t.Title.mid(4) + u", The"_s : t.Title;
        const QString folder = t.Title + u" ("_s + QString::number(i + 1) + u')';
        t.Directory = options.rootDirectory + u'/' + folder;
        t.CollectionNum = r.chance(10) ? -1 : i + 1;

        const int kind = r.range(1, 100);
        t.MediaType = kind <= 70 ? mtMovie : kind <= 85 ? mtTV : kind <= 90 ? mtMusic : kind <= 97 ? mtDoc : mtOther;
        t.DiscType = std::array{dtDVD, dtDVD, dtBluray, dtBluray, dtHDDVD, dt4KUltraHD}[r.next() % 6];
        t.Lent = r.chance(3);
        t.Online = !r.chance(5);

        // Box sets: a parent now and then, followed by a few children.
        if (boxSetChildrenLeft > 0) {
            t.PID = boxSetParentId;
            t.SeriesBoxSetChild = true;
            --boxSetChildrenLeft;
        } else if (r.chance(3)) {
            t.SeriesBoxSetParent = true;
            boxSetParentId = t.ID;
            boxSetChildrenLeft = r.range(2, 4);
        }

        t.Edition = str(r.pick(kEditions));
        t.AspectRatio = str(r.pick(kAspectRatios));
        t.VideoStandard = str(r.pick(kVideoStandards));
        const int tracks = r.range(1, 4);
        for (int a = 0; a < tracks; ++a)
            t.AudioTracks.append({str(r.pick(kChannels)), str(r.pick(kAudioTypes)), str(r.pick(kLanguages))});
        const int subtitles = r.range(0, 6);
        for (int s = 0; s < subtitles; ++s)
            t.Subtitles.append(str(r.pick(kLanguages)));

        // A box-set parent may be a folder with a title XML and no media.
        if (!(t.SeriesBoxSetParent && r.chance(50)))
            addDiscs(r, t, t.Title);

        t.ImgFolder = u"folder.jpg"_s;
        t.ImgCoverFront = u"mymovies-front.jpg"_s;
        t.ImgCoverBack = r.chance(80) ? u"mymovies-back.jpg"_s : QString();
        if (r.chance(70)) {
            const bool folderDisc = !t.DiscInfo.isEmpty() && t.DiscInfo.first().Container == ctFolder;
            t.ImgFanArt = folderDisc ? (t.DiscType == dtDVD ? u"VIDEO_TS\\fanart.jpg"_s : u"BDMV\\fanart.jpg"_s)
                                     : u"fanart.jpg"_s;
        }
        t.Year = r.chance(3) ? 9999 : r.range(1930, 2023);
        t.Runtime = r.chance(3) ? 999 : r.range(60, 200);
        t.ReleaseDate = r.chance(5) ? u"99990101"_s : date(r, 1930, 2023);
        t.AddedDate = r.chance(2) ? u"99990101"_s : date(r, 2005, 2023);
        t.Watched = r.chance(40);
        t.WatchedCVB = r.chance(10) ? !t.Watched : t.Watched;
        t.WatchList = r.chance(8);
        t.Description = synopsis(r);
        t.ExtraFeatures = r.chance(40) ? u"Commentary by the director\r\nDeleted scenes & outtakes\r\n<Trailer>"_s
                                       : QString();
        t.Stars = r.range(0, 10);
        t.Rated = str(r.pick(kRated));
        t.RatedDesc = r.chance(50) ? u"For violence & language"_s : QString();
        t.RatedAdult = r.chance(2);
        t.TVRating = t.MediaType == mtTV && r.chance(50);

        const int genreCount = r.range(1, 4);
        for (int g = 0; g < genreCount; ++g) {
            const QString genre = str(r.pick(kGenres));
            if (!t.Genres.contains(genre))
                t.Genres.append(genre);
        }
        const int catCount = r.range(0, 2);
        for (int c = 0; c < catCount; ++c) {
            const QString cat = str(r.pick(kCategories));
            if (!t.Cats.contains(cat))
                t.Cats.append(cat);
        }
        for (const QString &g : std::as_const(t.Genres))
            genres.insert(g);
        for (const QString &c : std::as_const(t.Cats))
            cats.insert(c);

        const int actors = r.range(10, 60);
        t.Actors.reserve(actors);
        for (int a = 0; a < actors; ++a)
            t.Actors.append({person(r), r.chance(10) ? QString() : str(r.pick(kRoles))});
        t.Crew.Director = people(r, 1, 2);
        t.Crew.Writer = people(r, 1, 4);
        t.Crew.Producer = people(r, 1, 5);
        t.Crew.Cinematography = people(r, 1, 2);
        t.Crew.Editor = people(r, 1, 3);
        t.Crew.Music = people(r, 1, 3);
        t.Crew.Sound = people(r, 1, 5);
        t.Crew.Art = people(r, 1, 5);

        titles.Title.append(std::move(t));
    }

    titles.MyGenres = QStringList(genres.cbegin(), genres.cend());
    titles.MyCats = QStringList(cats.cbegin(), cats.cend());
    std::sort(titles.MyGenres.begin(), titles.MyGenres.end());
    std::sort(titles.MyCats.begin(), titles.MyCats.end());
    return titles;
}
