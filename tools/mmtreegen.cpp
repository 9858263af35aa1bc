#include "genrandom.h"
#include "mmtreegen.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSet>
#include <QXmlStreamWriter>

#include <array>
#include <span>

using namespace Qt::StringLiterals;

namespace {

using Random = GenRandom;

using Words = std::span<const char16_t *const>;

constexpr const char16_t *kGenres[] = {
    u"Action", u"Adventure", u"Animation", u"Comedy", u"Crime", u"Documentary", u"Drama", u"Family",
    u"Fantasy", u"Film-Noir", u"History", u"Horror", u"Music", u"Musical", u"Mystery", u"Romance", u"Sci-Fi",
    u"Sport", u"Suspense/Thriller", u"War", u"Western"};
constexpr const char16_t *kCategories[] = {u"Favourites", u"Kids", u"Christmas", u"Classics", u"Criterion",
                                           u"Imports", u"Date Night", u"Director's Cut", u"Borrowed"};
constexpr const char16_t *kFirstNames[] = {
    u"James", u"Mary", u"John", u"Patricia", u"Robert", u"Jennifer", u"Michael", u"Linda", u"William",
    u"Elizabeth", u"David", u"Barbara", u"Richard", u"Susan", u"Joseph", u"Jessica", u"Thomas", u"Sarah",
    u"Charles", u"Karen", u"Daniel", u"Lisa", u"Matthew", u"Anthony", u"Margaret", u"Mark", u"Sandra",
    u"Steven", u"Emily", u"Andrew", u"Kevin", u"Carol", u"Brian", u"Amanda", u"Zoë", u"José", u"Søren",
    u"Chloé"};
constexpr const char16_t *kLastNames[] = {
    u"Smith", u"Johnson", u"Williams", u"Brown", u"Jones", u"Garcia", u"Miller", u"Davis", u"Rodriguez",
    u"Martinez", u"Lopez", u"Wilson", u"Anderson", u"Taylor", u"Moore", u"Jackson", u"Martin", u"Lee",
    u"Thompson", u"White", u"Harris", u"Clark", u"Lewis", u"Robinson", u"Walker", u"Young", u"King",
    u"Wright", u"Scott", u"Hill", u"Green", u"Adams", u"Baker", u"O'Brien", u"Müller", u"Østergaard"};
constexpr const char16_t *kAdjectives[] = {
    u"Last", u"Silent", u"Golden", u"Iron", u"Hidden", u"Broken", u"Crimson", u"Distant", u"Frozen",
    u"Wild", u"Lost", u"Electric", u"Midnight", u"Forgotten", u"Burning", u"Hollow", u"Velvet", u"Savage"};
constexpr const char16_t *kNouns[] = {
    u"Night", u"Shadow", u"Empire", u"River", u"Storm", u"Garden", u"Kingdom", u"Edge", u"Heart", u"Island",
    u"Dream", u"Ghost", u"Machine", u"Summer", u"Star", u"House", u"Moon", u"Harbour", u"Frontier",
    u"Café", u"Signal", u"Orchard", u"Witness", u"Horizon", u"Straße", u"Canyon", u"Voyage", u"Tide"};
constexpr const char16_t *kRoles[] = {
    u"Detective", u"Captain", u"The Stranger", u"Mother", u"Doctor", u"Young Boy", u"Bartender", u"Pilot",
    u"Sheriff", u"Reporter", u"Nurse", u"Guard #2", u"Professor", u"Waitress", u"Himself", u"Narrator (voice)"};
constexpr const char16_t *kSubjects[] = {
    u"A retired detective", u"An estranged sister", u"A small-town mechanic", u"An ambitious young lawyer",
    u"The crew of a deep-space freighter", u"A grieving widower", u"A band of unlikely thieves",
    u"A stubborn lighthouse keeper", u"A gifted violinist", u"The last surviving witness"};
constexpr const char16_t *kActions[] = {
    u"is drawn back into a case that was never solved", u"must cross the country before the winter storms",
    u"uncovers a conspiracy reaching the highest offices", u"tries to rebuild a life that fell apart",
    u"races against time to bring everyone home", u"discovers that the past refuses to stay buried",
    u"plans one final job that cannot go wrong", u"finds an unexpected friend in a stranger"};
constexpr const char16_t *kTwists[] = {
    u"But nothing is what it seems, and every answer raises a darker question.",
    u"Along the way, old loyalties are tested and new ones are forged.",
    u"What begins as a simple favour turns into the fight of a lifetime.",
    u"Secrets surface one by one, and no one leaves unchanged.",
    u"With the clock running out, every choice carries a price.",
    u"Told with warmth and wit, it is a story about the families we choose.",
    u"Stunning photography and a haunting score carry the tension to the final frame."};
constexpr const char16_t *kAudioTypes[] = {u"Dolby Digital", u"DTS", u"DTS-HD Master Audio", u"Dolby TrueHD",
                                           u"Dolby Atmos", u"PCM", u"AAC"};
constexpr const char16_t *kChannels[] = {u"2.0", u"5.1", u"7.1", u"1.0"};
constexpr const char16_t *kLanguages[] = {u"English", u"French", u"German", u"Spanish", u"Italian",
                                          u"Japanese", u"Danish", u"Dutch"};
constexpr const char16_t *kAspects[] = {u"1.33:1", u"1.78:1", u"1.85:1", u"2.35:1", u"2.40:1"};
constexpr const char16_t *kEditions[] = {u"Special Edition", u"Director's Cut", u"Collector's Edition",
                                         u"Extended Edition", u"Rental", u"Anniversary Edition"};
constexpr const char16_t *kRatingReasons[] = {
    u"Rated PG-13 for intense sequences of action and violence, and brief language.",
    u"Rated R for language throughout and some violent content.",
    u"Rated PG for mild peril and some thematic elements.", u"Rated G.",
    u"Rated TV-14 for strong language and suggestive dialogue."};
constexpr const char16_t *kShowPlaces[] = {u"Harbour Street", u"The Precinct", u"Northern Lights",
                                           u"Station", u"The Orchard", u"Frontier", u"Signal Hill",
                                           u"Ward", u"Bay", u"County"};

enum class LocationStyle { Native, UncShare, DriveLetter, Smb };

struct Episode {
    int season = 1;
    int episode = 1;
    int minutes = 45;
    int seconds = 0;
    QString mpls;
};

struct DiscEntry {
    DiscEntry(const QString &name, const QString &location, const QString &type = u"1"_s)
        : name(name), location(location), type(type) {}
    QString name;     // "Disc 1"
    QString location; // LocationA as written
    QString type;     // TypeA
    QList<Episode> episodes;
};

struct TitleXml {
    QString id;
    QString parentId;
    bool boxParent = false;
    bool boxChild = false;
    int collectionNumber = -1;
    QString localTitle;
    QString sortTitle;
    QString type = u"DVD"_s;
    QString mediaType = u"Movie"_s;
    QString edition;
    QString aspect;
    QString standard;
    int year = 2000;
    QString releaseDate;
    QString added;
    int runtime = -1;
    int rating = -1;
    bool watched = false;
    QString description;
    QString extras;
    QList<std::array<QString, 3>> audio; // Language, Type, Channels
    QStringList subtitles;
    QStringList genres;
    QStringList cats;
    bool online = true;
    QString lentTo;
    QList<DiscEntry> discs;
    QList<std::pair<QString, QString>> actors; // name, role (role may be empty: no Role element)
    QList<std::pair<int, QString>> crew;       // Type 2..9, name
    int parentalValue = 4;
    QString parentalDesc;
    bool parentalTV = false;
    bool parentalAdult = false;
};

enum class Damage { None, Truncated, BadInteger, EmptyCollectionNumber };

QByteArray titleXmlBytes(const TitleXml &t, Damage damage)
{
    QByteArray bytes;
    QXmlStreamWriter w(&bytes);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument();
    w.writeStartElement(u"Title"_s);
    w.writeAttribute(u"IsBoxSetChild"_s, t.boxChild ? u"True"_s : u"False"_s);
    w.writeAttribute(u"IsBoxSetParent"_s, t.boxParent ? u"True"_s : u"False"_s);
    w.writeTextElement(u"ID"_s, t.id);
    if (!t.parentId.isEmpty()) {
        w.writeEmptyElement(u"ParentTitle"_s);
        w.writeAttribute(u"ID"_s, t.parentId);
    }
    if (damage == Damage::EmptyCollectionNumber)
        w.writeTextElement(u"CollectionNumber"_s, QString());
    else if (t.collectionNumber >= 0)
        w.writeTextElement(u"CollectionNumber"_s, QString::number(t.collectionNumber));
    w.writeTextElement(u"Type"_s, t.type);
    w.writeTextElement(u"MediaType"_s, t.mediaType);
    w.writeTextElement(u"LocalTitle"_s, t.localTitle);
    w.writeTextElement(u"OriginalTitle"_s, t.localTitle);
    if (!t.sortTitle.isNull())
        w.writeTextElement(u"SortTitle"_s, t.sortTitle);
    if (!t.edition.isEmpty())
        w.writeTextElement(u"Edition"_s, t.edition);
    if (!t.aspect.isEmpty())
        w.writeTextElement(u"AspectRatio"_s, t.aspect);
    if (!t.standard.isEmpty())
        w.writeTextElement(u"VideoStandard"_s, t.standard);
    w.writeTextElement(u"ProductionYear"_s,
                       damage == Damage::BadInteger ? QString::number(t.year).replace(2, 1, u'x')
                                                    : QString::number(t.year));
    if (!t.releaseDate.isEmpty())
        w.writeTextElement(u"ReleaseDate"_s, t.releaseDate);
    if (!t.added.isEmpty())
        w.writeTextElement(u"Added"_s, t.added);
    if (t.runtime >= 0)
        w.writeTextElement(u"RunningTime"_s, QString::number(t.runtime));
    if (t.rating >= 0)
        w.writeTextElement(u"Rating"_s, QString::number(t.rating));
    w.writeTextElement(u"Watched"_s, t.watched ? u"True"_s : u"False"_s);
    w.writeTextElement(u"Description"_s, t.description);
    if (!t.extras.isEmpty())
        w.writeTextElement(u"ExtraFeatures"_s, t.extras);

    w.writeStartElement(u"AudioTracks"_s);
    for (const auto &a : t.audio) {
        w.writeEmptyElement(u"AudioTrack"_s);
        w.writeAttribute(u"Language"_s, a[0]);
        w.writeAttribute(u"Type"_s, a[1]);
        w.writeAttribute(u"Channels"_s, a[2]);
    }
    w.writeEndElement();
    w.writeStartElement(u"Subtitles"_s);
    for (const QString &s : t.subtitles) {
        w.writeEmptyElement(u"Subtitle"_s);
        w.writeAttribute(u"Language"_s, s);
    }
    w.writeEndElement();
    w.writeStartElement(u"Genres"_s);
    for (const QString &g : t.genres)
        w.writeTextElement(u"Genre"_s, g);
    w.writeEndElement();
    w.writeStartElement(u"Categories"_s);
    for (const QString &c : t.cats)
        w.writeTextElement(u"Category"_s, c);
    w.writeEndElement();

    w.writeStartElement(u"PersonalData"_s);
    w.writeAttribute(u"Online"_s, t.online ? u"True"_s : u"False"_s);
    w.writeAttribute(u"LentTo"_s, t.lentTo);
    w.writeStartElement(u"DiscLocations"_s);
    for (const DiscEntry &d : t.discs) {
        w.writeEmptyElement(u"Disc"_s);
        w.writeAttribute(u"Name"_s, d.name);
        w.writeAttribute(u"LocationA"_s, d.location);
        w.writeAttribute(u"TypeA"_s, d.location.isEmpty() ? u"0"_s : d.type);
        w.writeAttribute(u"LocationB"_s, QString());
        w.writeAttribute(u"TypeB"_s, u"0"_s);
    }
    w.writeEndElement();
    w.writeEndElement();

    w.writeStartElement(u"Discs"_s);
    for (const DiscEntry &d : t.discs) {
        w.writeStartElement(u"Disc"_s);
        w.writeTextElement(u"Name"_s, d.name);
        w.writeStartElement(u"TitlesSideA"_s);
        for (const Episode &e : d.episodes) {
            w.writeEmptyElement(u"Title"_s);
            w.writeAttribute(u"ContainsEpisode"_s, u"True"_s);
            w.writeAttribute(u"TVSeason"_s, QString::number(e.season));
            w.writeAttribute(u"TVEpisode"_s, QString::number(e.episode));
            w.writeAttribute(u"Hours"_s, u"00"_s);
            w.writeAttribute(u"Minutes"_s, u"%1"_s.arg(e.minutes, 2, 10, QLatin1Char('0')));
            w.writeAttribute(u"Seconds"_s, u"%1"_s.arg(e.seconds, 2, 10, QLatin1Char('0')));
            if (!e.mpls.isEmpty())
                w.writeAttribute(u"MPLS"_s, e.mpls);
        }
        if (t.mediaType.startsWith(u"TV")) {
            // A menu entry that is no episode.
            w.writeEmptyElement(u"Title"_s);
            w.writeAttribute(u"ContainsEpisode"_s, u"False"_s);
        }
        w.writeEndElement();
        w.writeEmptyElement(u"TitlesSideB"_s);
        w.writeEndElement();
    }
    w.writeEndElement();

    w.writeStartElement(u"Persons"_s);
    for (const auto &[name, role] : t.actors) {
        w.writeStartElement(u"Person"_s);
        w.writeAttribute(u"Type"_s, u"1"_s);
        w.writeTextElement(u"Name"_s, name);
        if (!role.isEmpty())
            w.writeTextElement(u"Role"_s, role);
        w.writeEndElement();
    }
    for (const auto &[type, name] : t.crew) {
        w.writeStartElement(u"Person"_s);
        w.writeAttribute(u"Type"_s, QString::number(type));
        w.writeTextElement(u"Name"_s, name);
        w.writeEndElement();
    }
    w.writeEndElement();

    w.writeStartElement(u"ParentalRating"_s);
    w.writeAttribute(u"TV"_s, t.parentalTV ? u"True"_s : u"False"_s);
    w.writeAttribute(u"Adult"_s, t.parentalAdult ? u"True"_s : u"False"_s);
    w.writeTextElement(u"Value"_s, QString::number(t.parentalValue));
    w.writeTextElement(u"Description"_s, t.parentalDesc);
    w.writeEndElement();

    w.writeEndElement();
    w.writeEndDocument();
    if (damage == Damage::Truncated)
        bytes.truncate(bytes.size() * 3 / 5);
    return bytes;
}

QByteArray encryptedXmlBytes(Random &rng)
{
    QByteArray cipher;
    for (int i = 0; i < 600; ++i)
        cipher.append(char(rng.next() & 0xFF));
    QByteArray bytes;
    QXmlStreamWriter w(&bytes);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(u"EncryptedData"_s);
    w.writeDefaultNamespace(u"http://www.w3.org/2001/04/xmlenc#"_s);
    w.writeAttribute(u"Type"_s, u"http://www.w3.org/2001/04/xmlenc#Element"_s);
    w.writeEmptyElement(u"EncryptionMethod"_s);
    w.writeAttribute(u"Algorithm"_s, u"http://www.w3.org/2001/04/xmlenc#aes256-cbc"_s);
    w.writeStartElement(u"CipherData"_s);
    w.writeTextElement(u"CipherValue"_s, QString::fromLatin1(cipher.toBase64()));
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    return bytes;
}

// ---------------------------------------------------------------- images

bool canDrawText()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

QByteArray jpegBytes(const QImage &image, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", quality);
    return bytes;
}

void drawGlowShapes(QPainter &p, const QRect &area, Random &rng, int hue)
{
    for (int i = 0; i < 7; ++i) {
        const QPointF centre(rng.range(area.left(), area.right()), rng.range(area.top(), area.bottom()));
        const qreal radius = rng.range(area.width() / 10, area.width() / 2);
        QRadialGradient glow(centre, radius);
        glow.setColorAt(0, QColor::fromHsv((hue + rng.range(0, 80)) % 360, 120, 255, 110));
        glow.setColorAt(1, QColor::fromHsv(hue, 200, 120, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(centre, radius, radius);
    }
}

QImage drawPoster(int w, int h, const QString &title, int year, int hue, Random &rng, bool text)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, w * 0.3, h);
    sky.setColorAt(0, QColor::fromHsv(hue, 150, 235));
    sky.setColorAt(0.55, QColor::fromHsv((hue + 30) % 360, 200, 120));
    sky.setColorAt(1, QColor::fromHsv((hue + 50) % 360, 230, 25));
    p.fillRect(image.rect(), sky);
    drawGlowShapes(p, image.rect(), rng, hue);
    // A silhouette skyline across the lower third.
    QPainterPath skyline;
    skyline.moveTo(0, h);
    for (int x = 0; x <= w; x += qMax(4, w / 24))
        skyline.lineTo(x, h * 0.72 - rng.range(0, h / 6));
    skyline.lineTo(w, h);
    skyline.closeSubpath();
    p.fillPath(skyline, QColor(8, 8, 16, 230));
    p.setPen(QPen(QColor(255, 255, 255, 90), qMax(1, w / 120)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(image.rect().adjusted(w / 30, w / 30, -w / 30, -w / 30));
    if (text) {
        QFont font(u"DejaVu Sans"_s);
        font.setBold(true);
        font.setPixelSize(qMax(8, w / 9));
        p.setFont(font);
        const QRect titleBox(w / 12, h / 10, w - w / 6, h / 2);
        p.setPen(QColor(0, 0, 0, 140));
        p.drawText(titleBox.translated(2, 2), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, title.toUpper());
        p.setPen(Qt::white);
        p.drawText(titleBox, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, title.toUpper());
        font.setBold(false);
        font.setPixelSize(qMax(6, w / 18));
        p.setFont(font);
        p.setPen(QColor(255, 255, 255, 220));
        p.drawText(QRect(0, h - h / 8, w, h / 10), Qt::AlignCenter, QString::number(year));
    }
    return image;
}

QImage drawBackCover(int w, int h, const QString &title, const QString &synopsis, int hue, Random &rng, bool text)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, 0, h);
    back.setColorAt(0, QColor::fromHsv(hue, 180, 70));
    back.setColorAt(1, QColor::fromHsv((hue + 20) % 360, 200, 15));
    p.fillRect(image.rect(), back);
    drawGlowShapes(p, QRect(0, 0, w, h / 3), rng, hue);
    if (text) {
        QFont font(u"DejaVu Sans"_s);
        font.setBold(true);
        font.setPixelSize(qMax(7, w / 16));
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRect(w / 14, h / 14, w - w / 7, h / 6), Qt::AlignLeft | Qt::TextWordWrap, title);
        font.setBold(false);
        font.setPixelSize(qMax(5, w / 32));
        p.setFont(font);
        p.setPen(QColor(230, 230, 230));
        p.drawText(QRect(w / 14, h / 4, w - w / 7, h * 2 / 3), Qt::AlignLeft | Qt::TextWordWrap, synopsis);
    }
    return image;
}

QImage drawFanArt(int w, int h, const QString &title, int hue, Random &rng, bool text)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor::fromHsv((hue + 200) % 360, 160, 60));
    sky.setColorAt(0.6, QColor::fromHsv(hue, 170, 210));
    sky.setColorAt(1, QColor::fromHsv((hue + 20) % 360, 200, 90));
    p.fillRect(image.rect(), sky);
    const QPointF sun(rng.range(w / 5, w * 4 / 5), h * 0.55);
    QRadialGradient glow(sun, h * 0.45);
    glow.setColorAt(0, QColor(255, 240, 200, 230));
    glow.setColorAt(0.15, QColor(255, 210, 150, 160));
    glow.setColorAt(1, QColor(255, 180, 120, 0));
    p.fillRect(image.rect(), glow);
    // Three layers of hills, darker towards the front.
    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath hills;
        const qreal base = h * (0.62 + 0.1 * layer);
        hills.moveTo(0, h);
        for (int x = 0; x <= w; x += qMax(8, w / 16))
            hills.lineTo(x, base - rng.range(0, h / 7));
        hills.lineTo(w, h);
        hills.closeSubpath();
        p.fillPath(hills, QColor::fromHsv((hue + 220) % 360, 120, 70 - layer * 22, 235));
    }
    if (text) {
        QFont font(u"DejaVu Serif"_s);
        font.setPixelSize(qMax(10, h / 14));
        font.setLetterSpacing(QFont::PercentageSpacing, 115);
        p.setFont(font);
        p.setPen(QColor(255, 255, 255, 70));
        p.drawText(QRect(w / 20, h - h / 5, w - w / 10, h / 7), Qt::AlignLeft | Qt::AlignVCenter, title);
    }
    return image;
}

// ---------------------------------------------------------------- tree writing

class TreeWriter
{
public:
    TreeWriter(const MMTreeOptions &options, MMTreeResult &result)
        : m_options(options), m_result(result), m_text(canDrawText())
    {
        if (!options.images && options.stubImages) {
            QImage tiny(16, 24, QImage::Format_RGB32);
            tiny.fill(QColor(40, 60, 110));
            m_stubJpeg = jpegBytes(tiny, 60);
        }
    }

    bool makeDir(const QString &path)
    {
        if (QDir().mkpath(path))
            return true;
        fail(u"Cannot create folder "_s + path);
        return false;
    }

    bool writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            fail(u"Cannot write "_s + path + u": "_s + file.errorString());
            return false;
        }
        ++m_result.files;
        m_result.bytes += bytes.size();
        return true;
    }

    bool imagesOn() const { return m_options.images || !m_stubJpeg.isEmpty(); }

    // Writes one image unless images are off; kind: 'p' poster, 'b' back cover, 'f' fan art.
    void writeImage(MMTitleDir &dir, const QString &path, char kind, const TitleXml &xml, int hue, Random &rng)
    {
        if (!imagesOn())
            return;
        QByteArray bytes = m_stubJpeg;
        if (m_options.images) {
            const int w = m_options.imageWidth, h = m_options.imageHeight;
            QImage image;
            if (kind == 'p')
                image = drawPoster(w, h, xml.localTitle, xml.year, hue, rng, m_text);
            else if (kind == 'b')
                image = drawBackCover(w, h, xml.localTitle, xml.description, hue, rng, m_text);
            else
                image = drawFanArt(m_options.fanArtWidth, m_options.fanArtHeight, xml.localTitle, hue, rng, m_text);
            bytes = jpegBytes(image, m_options.jpegQuality);
        }
        if (writeFile(path, bytes))
            dir.images << path;
    }

    // For folders that hold images whatever the image options say.
    QByteArray tinyJpeg()
    {
        if (m_tinyJpeg.isEmpty()) {
            QImage tiny(16, 24, QImage::Format_RGB32);
            tiny.fill(QColor(90, 40, 40));
            m_tinyJpeg = jpegBytes(tiny, 60);
        }
        return m_tinyJpeg;
    }

private:
    void fail(const QString &error)
    {
        if (m_result.ok) {
            m_result.ok = false;
            m_result.error = error;
        }
    }

    const MMTreeOptions &m_options;
    MMTreeResult &m_result;
    bool m_text;
    QByteArray m_stubJpeg;
    QByteArray m_tinyJpeg;
};

QString guid(Random &rng)
{
    const quint64 a = rng.next(), b = rng.next();
    return u"%1-%2-%3-%4-%5"_s.arg(quint32(a >> 32), 8, 16, QLatin1Char('0'))
        .arg(quint32((a >> 16) & 0xFFFF), 4, 16, QLatin1Char('0'))
        .arg(quint32(a & 0xFFFF), 4, 16, QLatin1Char('0'))
        .arg(quint32(b >> 48), 4, 16, QLatin1Char('0'))
        .arg(b & 0xFFFFFFFFFFFFull, 12, 16, QLatin1Char('0'))
        .toUpper();
}

QString person(Random &rng)
{
    return rng.word(kFirstNames) + u' ' + rng.word(kLastNames);
}

QString synopsis(Random &rng)
{
    QString text;
    const int target = rng.range(500, 2000);
    while (text.size() < target) {
        if (!text.isEmpty())
            text += u' ';
        text += rng.word(kSubjects) + u' ' + rng.word(kActions) + u". "_s + rng.word(kTwists);
    }
    return text;
}

// Stub contents that start like the real formats.
const QByteArray kIfoStub = QByteArrayLiteral("DVDVIDEO-VMG") + QByteArray(52, '\0');
const QByteArray kBdmvStub = QByteArrayLiteral("INDX0200") + QByteArray(32, '\0');
const QByteArray kIsoStub = QByteArray(32, '\0') + QByteArrayLiteral("\x01" "CD001\x01");
const QByteArray kMp4Stub = QByteArrayLiteral("\0\0\0\x18" "ftypisom\0\0\x02\0isomiso2");
const QByteArray kMkvStub = QByteArrayLiteral("\x1A\x45\xDF\xA3\x9F\x42\x86\x81\x01" "matroska");

class Generator
{
public:
    Generator(const MMTreeOptions &options, MMTreeResult &result)
        : m_options(options), m_result(result), m_rng(quint64(options.seed) * 0x2545F4914F6CDD1Dull + 7),
          m_writer(options, result)
    {
        m_root = QDir::cleanPath(QDir::fromNativeSeparators(options.root));
    }

    void run()
    {
        if (m_root.isEmpty()) {
            m_result.ok = false;
            m_result.error = u"No root folder given"_s;
            return;
        }
        if (!m_writer.makeDir(m_root))
            return;
        const QString collection = m_root + u"/Collection"_s;
        m_writer.makeDir(collection);
        m_result.groupDirs << collection;

        // Every kind once (as far as the count allows), then realistic proportions.
        static constexpr MMTitleKind kEveryKind[] = {
            MMTitleKind::DVDFolder, MMTitleKind::BlurayFolder, MMTitleKind::ISOFile, MMTitleKind::MP4File,
            MMTitleKind::MKVFile, MMTitleKind::MultiDiscFolders, MMTitleKind::MultiDiscFiles,
            MMTitleKind::TVSeason, MMTitleKind::BoxSetParent, MMTitleKind::Encrypted,
            MMTitleKind::EncryptedPerFile, MMTitleKind::Corrupt, MMTitleKind::MediaOnly};
        static constexpr std::pair<MMTitleKind, int> kWeights[] = {
            {MMTitleKind::DVDFolder, 33}, {MMTitleKind::BlurayFolder, 22}, {MMTitleKind::ISOFile, 9},
            {MMTitleKind::MP4File, 7}, {MMTitleKind::MKVFile, 10}, {MMTitleKind::MultiDiscFolders, 3},
            {MMTitleKind::MultiDiscFiles, 3}, {MMTitleKind::TVSeason, 5}, {MMTitleKind::BoxSetParent, 2},
            {MMTitleKind::Encrypted, 1}, {MMTitleKind::EncryptedPerFile, 1}, {MMTitleKind::Corrupt, 2},
            {MMTitleKind::MediaOnly, 2}};
        int unit = 0;
        bool extrasWritten = false;
        while (remaining() > 0 && m_result.ok) {
            MMTitleKind kind;
            if (unit < int(std::size(kEveryKind))) {
                kind = kEveryKind[unit];
            } else {
                int roll = m_rng.range(1, 100);
                kind = MMTitleKind::DVDFolder;
                for (const auto &[k, weight] : kWeights) {
                    if ((roll -= weight) <= 0) {
                        kind = k;
                        break;
                    }
                }
            }
            ++unit;
            if (kind == MMTitleKind::TVSeason)
                writeShow();
            else if (kind == MMTitleKind::BoxSetParent)
                writeBoxSet();
            else
                writeMovie(kind, movieParent());
            if (!extrasWritten && m_result.titles.size() >= 3) {
                writeExtras(collection);
                extrasWritten = true;
            }
        }
    }

private:
    int remaining() const { return m_options.titles - int(m_result.titles.size()); }

    QString movieParent()
    {
        return m_rng.chance(85) ? m_root + u"/Collection"_s : m_root;
    }

    QString uniqueName(const QString &base)
    {
        QString name = base;
        for (int n = 2; m_usedNames.contains(name); ++n)
            name = base + u' ' + QString::number(n);
        m_usedNames.insert(name);
        return name;
    }

    // How the XML records a location: mostly the real path, for some titles the
    // path on another machine, in the forms My Movies writes.
    QString location(LocationStyle style, const QString &path) const
    {
        QString relative = path.mid(m_root.size() + 1);
        switch (style) {
        case LocationStyle::Native:
            return path;
        case LocationStyle::UncShare:
            return u"\\\\NAS\\Movies\\"_s + relative.replace(u'/', u'\\');
        case LocationStyle::DriveLetter:
            return u"M:\\Movies\\"_s + relative.replace(u'/', u'\\');
        case LocationStyle::Smb:
            return u"smb://NAS/Movies/"_s + relative;
        }
        return path;
    }

    LocationStyle pickStyle()
    {
        const int roll = m_rng.range(1, 100);
        if (roll <= 70)
            return LocationStyle::Native;
        if (roll <= 80)
            return LocationStyle::UncShare;
        if (roll <= 90)
            return LocationStyle::DriveLetter;
        return LocationStyle::Smb;
    }

    QString dateText(int year)
    {
        return u"%1/%2/%3"_s.arg(m_rng.range(1, 12)).arg(m_rng.range(1, 28)).arg(year);
    }

    TitleXml makeXml(const QString &name, int year)
    {
        TitleXml t;
        t.id = guid(m_rng);
        t.localTitle = name;
        if (name.startsWith(u"The "))
            t.sortTitle = name.mid(4) + u", The"_s;
        else if (m_rng.chance(20))
            t.sortTitle = u""_s; // present but empty: the title is used
        t.collectionNumber = m_rng.chance(92) ? ++m_collectionNumber : -1;
        t.year = year;
        t.type = m_rng.chance(3) ? u"HD DVD"_s : (m_rng.chance(4) ? u"4K Ultra HD"_s : u"DVD"_s);
        if (m_rng.chance(10))
            t.edition = m_rng.word(kEditions);
        t.aspect = m_rng.chance(90) ? m_rng.word(kAspects) : QString();
        t.standard = m_rng.chance(85) ? (m_rng.chance(70) ? u"NTSC"_s : u"PAL"_s) : QString();
        if (m_rng.chance(95))
            t.releaseDate = dateText(year);
        const int addedYear = qMin(2024, qMax(year, 2005) + m_rng.range(0, 6));
        if (m_rng.chance(50))
            t.added = u"%1 %2:%3:%4"_s.arg(dateText(addedYear))
                          .arg(m_rng.range(0, 23), 2, 10, QLatin1Char('0'))
                          .arg(m_rng.range(0, 59), 2, 10, QLatin1Char('0'))
                          .arg(m_rng.range(0, 59), 2, 10, QLatin1Char('0'));
        else if (m_rng.chance(96))
            t.added = u"%1 %2:%3:%4 %5"_s.arg(dateText(addedYear))
                          .arg(m_rng.range(1, 12))
                          .arg(m_rng.range(0, 59), 2, 10, QLatin1Char('0'))
                          .arg(m_rng.range(0, 59), 2, 10, QLatin1Char('0'))
                          .arg(m_rng.chance(50) ? u"AM"_s : u"PM"_s);
        else
            t.added = QString::number(addedYear); // not a three-part date
        t.runtime = m_rng.chance(95) ? m_rng.range(75, 185) : -1;
        t.rating = m_rng.chance(90) ? m_rng.range(0, 10) : -1;
        t.watched = m_rng.chance(40);
        t.description = synopsis(m_rng);
        if (m_rng.chance(40))
            t.extras = u"Audio commentary; deleted scenes; \"Making of\" featurette; theatrical trailer"_s;
        const int tracks = m_rng.range(1, 4);
        for (int i = 0; i < tracks; ++i)
            t.audio.append({m_rng.word(kLanguages), m_rng.word(kAudioTypes), m_rng.word(kChannels)});
        const int subs = m_rng.range(0, 5);
        for (int i = 0; i < subs; ++i)
            t.subtitles << m_rng.word(kLanguages);
        const int genres = m_rng.range(1, 4);
        for (int i = 0; i < genres; ++i) {
            const QString g = m_rng.word(kGenres);
            if (!t.genres.contains(g))
                t.genres << g;
        }
        if (m_rng.chance(35))
            t.cats << m_rng.word(kCategories);
        t.online = m_rng.chance(93);
        if (m_rng.chance(5))
            t.lentTo = person(m_rng);
        const int actors = m_rng.range(10, 60);
        for (int i = 0; i < actors; ++i)
            t.actors.append({person(m_rng), m_rng.chance(85) ? m_rng.word(kRoles) : QString()});
        for (int type = 2; type <= 9; ++type) {
            const int count = type <= 4 ? m_rng.range(1, 3) : m_rng.range(0, 2);
            for (int i = 0; i < count; ++i)
                t.crew.append({type, person(m_rng)});
        }
        static constexpr int kParental[] = {0, 1, 3, 4, 4, 5, 6, 6, -1, 2, 7};
        t.parentalValue = m_rng.pick(std::span<const int>(kParental));
        t.parentalDesc = m_rng.chance(80) ? m_rng.word(kRatingReasons) : QString();
        t.parentalTV = t.parentalValue == 5;
        t.parentalAdult = m_rng.chance(2);
        return t;
    }

    QString movieName()
    {
        const int form = m_rng.range(1, 4);
        QString base;
        if (form == 1)
            base = u"The "_s + m_rng.word(kAdjectives) + u' ' + m_rng.word(kNouns);
        else if (form == 2)
            base = m_rng.word(kAdjectives) + u' ' + m_rng.word(kNouns);
        else if (form == 3)
            base = u"The "_s + m_rng.word(kNouns) + u" of the "_s + m_rng.word(kNouns);
        else
            base = m_rng.word(kNouns) + u' ' + m_rng.word(kNouns);
        return uniqueName(base);
    }

    void writeMarkers(MMTitleDir &dir, const QString &folder)
    {
        const auto marker = [&](const QString &file, const QString &key) {
            const QString path = folder + u'/' + file;
            const QByteArray line = (key + u"=1/2/2023 8:15:03 PM\r\n"_s).toLatin1();
            if (m_writer.writeFile(path, line))
                dir.markers << path;
        };
        const int roll = m_rng.range(1, 100);
        if (roll <= 10)
            marker(u"CVB_Watched.txt"_s, u"Watched"_s);
        else if (roll <= 15)
            marker(u"CVB_NotWatched.txt"_s, u"OverrideWatched"_s);
        if (m_rng.chance(10))
            marker(u"CVB_WatchList.txt"_s, u"WatchList"_s);
    }

    // Folder images (folder.jpg, ...) or per-file images (<base>.jpg, ...).
    void writeTitleImages(MMTitleDir &dir, const QString &folder, const TitleXml &xml, const QString &fanArtSub,
                          const QString &fileBase = QString())
    {
        Random art(m_rng.next());
        const int hue = art.range(0, 359);
        const bool perFile = !fileBase.isEmpty();
        const QString prefix = folder + u'/' + fileBase;
        m_writer.writeImage(dir, perFile ? prefix + u".jpg"_s : folder + u"/folder.jpg"_s, 'p', xml, hue, art);
        if (art.chance(90))
            m_writer.writeImage(dir, perFile ? prefix + u".mymovies-front.jpg"_s : folder + u"/mymovies-front.jpg"_s,
                                'p', xml, hue, art);
        if (art.chance(80))
            m_writer.writeImage(dir, perFile ? prefix + u".mymovies-back.jpg"_s : folder + u"/mymovies-back.jpg"_s,
                                'b', xml, hue, art);
        if (art.chance(85)) {
            QString fanArt = perFile ? prefix + u"-fanart.jpg"_s : folder + u"/fanart.jpg"_s;
            if (!perFile && !fanArtSub.isEmpty() && art.chance(50))
                fanArt = folder + u'/' + fanArtSub + u"/fanart.jpg"_s;
            m_writer.writeImage(dir, fanArt, 'f', xml, hue, art);
        }
    }

    void writeDiscFolder(MMTitleDir &dir, const QString &folder, bool bluray)
    {
        if (bluray) {
            m_writer.makeDir(folder + u"/BDMV/PLAYLIST"_s);
            m_writer.writeFile(folder + u"/BDMV/index.bdmv"_s, kBdmvStub);
            m_writer.writeFile(folder + u"/BDMV/MovieObject.bdmv"_s, QByteArrayLiteral("MOBJ0200"));
            m_writer.makeDir(folder + u"/CERTIFICATE"_s);
        } else {
            m_writer.makeDir(folder + u"/VIDEO_TS"_s);
            m_writer.writeFile(folder + u"/VIDEO_TS/VIDEO_TS.IFO"_s, kIfoStub);
            m_writer.writeFile(folder + u"/VIDEO_TS/VIDEO_TS.BUP"_s, kIfoStub);
            if (m_rng.chance(30))
                m_writer.makeDir(folder + u"/AUDIO_TS"_s);
        }
        dir.media << folder;
    }

    void writeXml(MMTitleDir &dir, const QString &path, const TitleXml &xml, Damage damage = Damage::None)
    {
        if (m_writer.writeFile(path, titleXmlBytes(xml, damage)))
            dir.xmlFiles << path;
    }

    void addTitle(MMTitleDir dir) { m_result.titles.append(std::move(dir)); }

    void writeMovie(MMTitleKind kind, const QString &parent, const QString &parentId = QString())
    {
        const QString name = movieName();
        const int year = m_rng.range(1939, 2024);
        const QString folderName = name + u" ("_s + QString::number(year) + u')';
        const QString folder = parent + u'/' + folderName;
        TitleXml xml = makeXml(name, year);
        const LocationStyle style = pickStyle();
        MMTitleDir dir;
        dir.kind = kind;
        dir.directory = folder;
        dir.id = xml.id;
        dir.title = name;
        if (!parentId.isEmpty()) {
            xml.boxChild = true;
            dir.parentId = m_rng.chance(90) ? parentId : QString(); // some children lack ParentTitle
            xml.parentId = dir.parentId;
        }
        if (!m_writer.makeDir(folder))
            return;

        switch (kind) {
        case MMTitleKind::DVDFolder:
        case MMTitleKind::BlurayFolder:
        case MMTitleKind::BoxSetChild: {
            const bool bluray = kind == MMTitleKind::BlurayFolder || (kind == MMTitleKind::BoxSetChild && m_rng.chance(40));
            if (bluray)
                xml.type = u"Blu-ray"_s;
            xml.discs.append({u"Disc 1"_s, location(style, folder)});
            writeDiscFolder(dir, folder, bluray);
            writeXml(dir, folder + u"/mymovies.xml"_s, xml);
            writeTitleImages(dir, folder, xml, bluray ? u"BDMV"_s : u"VIDEO_TS"_s);
            break;
        }
        case MMTitleKind::ISOFile: {
            const QString iso = folder + u'/' + folderName + (m_rng.chance(30) ? u".ISO"_s : u".iso"_s);
            // My Movies records the folder; the disc name then carries the container word.
            xml.discs.append({u"Disc 1"_s, location(style, folder), u"2"_s});
            m_writer.writeFile(iso, kIsoStub);
            dir.media << iso;
            writeXml(dir, folder + u"/mymovies.xml"_s, xml);
            writeTitleImages(dir, folder, xml, QString());
            break;
        }
        case MMTitleKind::MP4File:
        case MMTitleKind::MKVFile: {
            const bool mp4 = kind == MMTitleKind::MP4File;
            const QString media = folder + u'/' + folderName + (mp4 ? u".mp4"_s : u".mkv"_s);
            xml.discs.append({u"Disc 1"_s, location(style, m_rng.chance(75) ? media : folder)});
            m_writer.writeFile(media, mp4 ? kMp4Stub : kMkvStub);
            dir.media << media;
            writeXml(dir, folder + u'/' + folderName + u".mymovies.xml"_s, xml);
            writeTitleImages(dir, folder, xml, QString(), folderName);
            break;
        }
        case MMTitleKind::MultiDiscFolders: {
            const int discs = m_rng.range(2, 3);
            for (int d = 1; d <= discs; ++d)
                xml.discs.append({u"Disc "_s + QString::number(d), location(style, folder + u"/Disc "_s + QString::number(d))});
            for (int d = 1; d <= discs; ++d) {
                const QString discFolder = folder + u"/Disc "_s + QString::number(d);
                m_writer.makeDir(discFolder);
                writeDiscFolder(dir, discFolder, false);
                writeXml(dir, discFolder + u"/mymovies.xml"_s, xml);
            }
            dir.directory = folder + u"/Disc 1"_s;
            writeTitleImages(dir, dir.directory, xml, u"VIDEO_TS"_s);
            m_result.groupDirs << folder;
            break;
        }
        case MMTitleKind::MultiDiscFiles: {
            const int discs = m_rng.range(2, 4);
            const bool iso = m_rng.chance(50);
            for (int d = 1; d <= discs; ++d) {
                const QString base = folderName + u" - Disc "_s + QString::number(d);
                const QString media = folder + u'/' + base + (iso ? u".iso"_s : u".mkv"_s);
                xml.discs.append({u"Disc "_s + QString::number(d), location(style, media), iso ? u"2"_s : u"1"_s});
                m_writer.writeFile(media, iso ? kIsoStub : kMkvStub);
                dir.media << media;
            }
            if (iso) {
                writeXml(dir, folder + u"/mymovies.xml"_s, xml);
                writeTitleImages(dir, folder, xml, QString());
            } else {
                // One per-file XML per disc, all naming the same title.
                for (int d = 1; d <= discs; ++d)
                    writeXml(dir, folder + u'/' + folderName + u" - Disc "_s + QString::number(d) + u".mymovies.xml"_s, xml);
                writeTitleImages(dir, folder, xml, QString(), folderName + u" - Disc 1"_s);
            }
            break;
        }
        case MMTitleKind::Encrypted: {
            writeDiscFolder(dir, folder, false);
            if (m_writer.writeFile(folder + u"/mymovies.xml"_s, encryptedXmlBytes(m_rng)))
                dir.xmlFiles << folder + u"/mymovies.xml"_s;
            writeTitleImages(dir, folder, xml, u"VIDEO_TS"_s);
            dir.id = folderName;
            dir.title = folderName;
            dir.readable = false;
            break;
        }
        case MMTitleKind::EncryptedPerFile: {
            const QString media = folder + u'/' + folderName + u".mp4"_s;
            m_writer.writeFile(media, kMp4Stub);
            dir.media << media;
            const QString perFile = folder + u'/' + folderName + u".mymovies.xml"_s;
            if (m_writer.writeFile(perFile, encryptedXmlBytes(m_rng)))
                dir.xmlFiles << perFile;
            // The readable folder XML is the one the import falls back to.
            xml.discs.append({u"Disc 1"_s, location(style, media)});
            writeXml(dir, folder + u"/mymovies.xml"_s, xml);
            writeTitleImages(dir, folder, xml, QString());
            break;
        }
        case MMTitleKind::Corrupt: {
            const Damage damage = std::array{Damage::Truncated, Damage::BadInteger,
                                             Damage::EmptyCollectionNumber}[m_rng.range(0, 2)];
            xml.discs.append({u"Disc 1"_s, location(style, folder)});
            writeDiscFolder(dir, folder, false);
            writeXml(dir, folder + u"/mymovies.xml"_s, xml, damage);
            writeTitleImages(dir, folder, xml, u"VIDEO_TS"_s);
            dir.id = folderName;
            dir.title = folderName;
            dir.readable = false;
            break;
        }
        case MMTitleKind::MediaOnly: {
            if (m_rng.chance(50)) {
                writeDiscFolder(dir, folder, false);
            } else {
                const QString media = folder + u'/' + folderName + u".mkv"_s;
                m_writer.writeFile(media, kMkvStub);
                dir.media << media;
            }
            dir.id = folderName;
            dir.title = folderName;
            dir.readable = false;
            break;
        }
        case MMTitleKind::TVSeason:
        case MMTitleKind::BoxSetParent:
            break;
        }
        writeMarkers(dir, dir.directory);
        addTitle(std::move(dir));
    }

    void writeShow()
    {
        const QString tv = m_root + u"/TV"_s;
        if (!m_result.groupDirs.contains(tv)) {
            m_writer.makeDir(tv);
            m_result.groupDirs << tv;
        }
        const QString show = uniqueName(m_rng.word(kAdjectives) + u' ' + m_rng.word(kShowPlaces));
        const QString showFolder = tv + u'/' + show;
        m_writer.makeDir(showFolder);
        m_result.groupDirs << showFolder;
        const int firstYear = m_rng.range(1995, 2020);
        const int seasons = qMin(remaining(), m_rng.chance(60) ? 1 : m_rng.range(2, 3));
        for (int season = 1; season <= seasons; ++season) {
            const QString folder = showFolder + u"/Season "_s + QString::number(season);
            m_writer.makeDir(folder);
            TitleXml xml = makeXml(show + u" - Season "_s + QString::number(season), firstYear + season - 1);
            xml.mediaType = m_rng.chance(50) ? u"TV Series"_s : u"TV Serie"_s;
            xml.parentalTV = true;
            xml.parentalValue = 5;
            MMTitleDir dir;
            dir.kind = MMTitleKind::TVSeason;
            dir.directory = folder;
            dir.id = xml.id;
            dir.title = xml.localTitle;
            const LocationStyle style = pickStyle();
            int episode = 1;
            const auto episodes = [&](DiscEntry &disc, bool bluray) {
                const int count = m_rng.range(3, 6);
                for (int e = 0; e < count; ++e)
                    disc.episodes.append({season, episode++, m_rng.range(21, 58), m_rng.range(0, 59),
                                          bluray ? u"%1"_s.arg(e + 1, 5, 10, QLatin1Char('0')) : QString()});
                if (m_rng.chance(10))
                    disc.episodes.append(disc.episodes.last()); // listed twice by My Movies
            };
            if (m_rng.chance(35)) {
                // One disc folder holds the whole season.
                const bool bluray = m_rng.chance(50);
                xml.type = bluray ? u"Blu-ray"_s : u"DVD"_s;
                DiscEntry disc{u"Disc 1"_s, location(style, folder)};
                episodes(disc, bluray);
                xml.discs.append(disc);
                writeDiscFolder(dir, folder, bluray);
            } else {
                const int discs = m_rng.range(2, 3);
                for (int d = 1; d <= discs; ++d) {
                    const QString media = folder + u'/' + show + u" S%1 Disc %2.mkv"_s
                                                                    .arg(season, 2, 10, QLatin1Char('0'))
                                                                    .arg(d);
                    DiscEntry disc{u"Disc "_s + QString::number(d), location(style, media)};
                    episodes(disc, false);
                    xml.discs.append(disc);
                    m_writer.writeFile(media, kMkvStub);
                    dir.media << media;
                }
            }
            writeXml(dir, folder + u"/mymovies.xml"_s, xml);
            writeTitleImages(dir, folder, xml, QString());
            writeMarkers(dir, folder);
            addTitle(std::move(dir));
        }
    }

    void writeBoxSet()
    {
        const QString name = uniqueName(m_rng.word(kAdjectives) + u' ' + m_rng.word(kNouns) + u" Collection"_s);
        const QString folder = m_root + u"/Collection/"_s + name;
        m_writer.makeDir(folder);
        TitleXml xml = makeXml(name, m_rng.range(1980, 2024));
        xml.boxParent = true;
        MMTitleDir dir;
        dir.kind = MMTitleKind::BoxSetParent;
        dir.directory = folder;
        dir.id = xml.id;
        dir.title = name;
        writeXml(dir, folder + u"/mymovies.xml"_s, xml);
        writeTitleImages(dir, folder, xml, QString());
        const QString parentId = xml.id;
        addTitle(std::move(dir));
        const int children = qMin(remaining(), m_rng.range(2, 4));
        for (int c = 0; c < children; ++c)
            writeMovie(MMTitleKind::BoxSetChild, folder, parentId);
    }

    void writeExtras(const QString &collection)
    {
        const QString extras = collection + u"/Extras"_s;
        m_writer.makeDir(extras);
        const QByteArray jpeg = m_writer.tinyJpeg();
        m_writer.writeFile(extras + u"/concept-art-1.jpg"_s, jpeg);
        m_writer.writeFile(extras + u"/concept-art-2.jpg"_s, jpeg);
        m_result.extrasDirs << extras;
    }

    const MMTreeOptions &m_options;
    MMTreeResult &m_result;
    Random m_rng;
    TreeWriter m_writer;
    QString m_root;
    QSet<QString> m_usedNames;
    int m_collectionNumber = 0;
};

} // namespace

QString MMTitleKindName(MMTitleKind kind)
{
    switch (kind) {
    case MMTitleKind::DVDFolder: return u"DVD folder"_s;
    case MMTitleKind::BlurayFolder: return u"Blu-ray folder"_s;
    case MMTitleKind::ISOFile: return u"ISO file"_s;
    case MMTitleKind::MP4File: return u"MP4 file"_s;
    case MMTitleKind::MKVFile: return u"MKV file"_s;
    case MMTitleKind::MultiDiscFolders: return u"multi-disc folders"_s;
    case MMTitleKind::MultiDiscFiles: return u"multi-disc files"_s;
    case MMTitleKind::TVSeason: return u"TV season"_s;
    case MMTitleKind::BoxSetParent: return u"box-set parent"_s;
    case MMTitleKind::BoxSetChild: return u"box-set child"_s;
    case MMTitleKind::Encrypted: return u"enciphered XML"_s;
    case MMTitleKind::EncryptedPerFile: return u"enciphered per-file XML"_s;
    case MMTitleKind::Corrupt: return u"corrupt XML"_s;
    case MMTitleKind::MediaOnly: return u"media without XML"_s;
    }
    return u"unknown"_s;
}

MMTreeResult GenerateMyMoviesTree(const MMTreeOptions &options)
{
    MMTreeResult result;
    Generator(options, result).run();
    return result;
}
